// The script classes "StorageObjectManager" and "ArchiveManager": object-style access
// of scripts to the storage manager and to archives. Each instance keeps the storage
// objects or archives it has opened in a list of its own, held with a reference, and
// hands out their positions in that list as the script's references to them.
#pragma once

#include <map>
#include <memory>

#include "sl/interpreter/ScriptClass.h"
#include "sl/storage/Archive.h"

namespace vt {

// The native object of one StorageObjectManager instance.
struct TStorageObjectManagerScriptObject {
  TRef<TSLArray> StoObjArr = MakeRef<TSLArray>();
  // The storage object at a position (the array's index error for a bad one).
  TSLStorageObject* At(std::int32_t Index) const;
};

// The native object of one ArchiveManager instance.
struct TArchiveManagerScriptObject {
  TRef<TSLArray> ArcObjArr = MakeRef<TSLArray>();
  TSLArchive* At(std::int32_t Index) const;
};

// A script class over native objects of type TNative, whose methods are a table of
// names and functions in method-id order.
template <class TNative>
class TNativeScriptClass : public TScriptClass {
 public:
  struct TMethod {
    const char* Name;
    void (*Run)(TNative& Object, TContextInterface* Context);
  };

  std::int64_t CreateObject(TContextInterface*) override {
    Objects[++LastHandle] = std::make_unique<TNative>();
    return LastHandle;
  }
  void DestroyObject(std::int64_t Handle) override { Objects.erase(Handle); }
  void ExecuteMethod(std::int64_t Handle, std::int64_t MethodId, TContextInterface* Context) override;
  AnsiString GetMethodName(std::int32_t Index) override;

 protected:
  virtual const std::vector<TMethod>& Methods() const = 0;

 private:
  std::map<std::int64_t, std::unique_ptr<TNative>> Objects;
  std::int64_t LastHandle = 0;
};

class TStorageObjectManagerScriptClass : public TNativeScriptClass<TStorageObjectManagerScriptObject> {
 protected:
  const std::vector<TMethod>& Methods() const override;
};

class TArchiveManagerScriptClass : public TNativeScriptClass<TArchiveManagerScriptObject> {
 protected:
  const std::vector<TMethod>& Methods() const override;
};

// Announces both classes, version 1, under their script names; the shell calls it once
// with the other script classes, before any script runs.
void AnnounceStorageScriptClasses(TStorageManager& Manager);

}  // namespace vt
