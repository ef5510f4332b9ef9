// The object loader's catalogue; see ObjectLoaderManager.h.
#include "curves/ObjectLoaderManager.h"

#include "sl/storage/StorageManager.h"

namespace vt {

std::unique_ptr<TObjLoaderManager> ObjLoaderManager;

TRef<TSLDictionary> ReadDictionaryObject(const AnsiString& Name) {
  const TRef<TSLStorageObject> object(TheStorageManager().GetObject(Name, saRead));
  return TRef<TSLDictionary>(CheckedCast<TSLDictionary>(object->GetData()));
}

void TObjLoaderManager::Initialize(const AnsiString& FileName) { ObjLdrInfo = ReadDictionaryObject(FileName); }

}  // namespace vt
