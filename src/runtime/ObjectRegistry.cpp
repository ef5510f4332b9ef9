// The object registry; see ObjectRegistry.h.
#include "runtime/ObjectRegistry.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

void TObjectRegistryItem::CheckVersion(std::int32_t AVersion) const {
  if (AVersion != FVersion)
    throw Exception(Format("CheckVersion: requestet version (%d) doesn't match available version (%d) for object "
                           "'%s' of type '%s'",
                           AVersion, FVersion, FName, FType));
}

TObjectRegistryItem* TObjectRegistryManager::Find(std::string_view AName) const {
  for (const auto& item : FObjectList)
    if (item->ObjectName() == AName) return item.get();
  return nullptr;
}

void TObjectRegistryManager::RegisterObject(void* Obj, const std::string& AName, const std::string& AType,
                                            std::int32_t AVer, std::int32_t ARev) {
  if (Find(AName))
    throw Exception(Format("%s:RegisterObject: object with name '%s' already registered", ClassName(), AName));
  FObjectList.push_back(std::make_unique<TObjectRegistryItem>(Obj, AName, AType, AVer, ARev));
}

bool TObjectRegistryManager::ObjectExists(std::string_view AName) const { return Find(AName) != nullptr; }

TObjectRegistryItem& TObjectRegistryManager::GetObject(std::string_view AName) const {
  if (TObjectRegistryItem* item = Find(AName)) return *item;
  throw Exception(Format("%s.GetObject: object with name '%s' not registered", ClassName(), AName));
}

TObjectRegistryManager& ObjectRegistryManager() {
  static TObjectRegistryManager* manager = new TObjectRegistryManager();  // lives until the process ends
  return *manager;
}

}  // namespace vt
