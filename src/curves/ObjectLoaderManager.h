// The drive object loader's catalogue: which script reads an object directory, reads,
// converts and writes objects of each type and version. Loaded once at start-up.
#pragma once

#include <memory>

#include "platform/TextConversion.h"
#include "sl/values/Dictionary.h"

namespace vt {

class TObjLoaderManager {
 public:
  // Keeps the dictionary of the storage object FileName as the catalogue; a missing or
  // unreadable object raises the storage manager's error.
  void Initialize(const AnsiString& FileName);
  TSLDictionary* GetObjLdrInfo() const { return ObjLdrInfo.get(); }

 private:
  TRef<TSLDictionary> ObjLdrInfo;
};

// Made by the start-up, lives until the process ends.
extern std::unique_ptr<TObjLoaderManager> ObjLoaderManager;

// The data of the storage object Name as a dictionary, retained; another class raises.
TRef<TSLDictionary> ReadDictionaryObject(const AnsiString& Name);

}  // namespace vt
