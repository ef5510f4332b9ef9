// The object registry: the program's named global objects with a type name, a version
// and a revision, for the program viewer and for version checks. Items are only added.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

class TObjectRegistryItem {
 public:
  TObjectRegistryItem(void* AItem, std::string AName, std::string AType, std::int32_t AVersion,
                      std::int32_t ARevision)
      : FItem(AItem), FName(std::move(AName)), FType(std::move(AType)), FVersion(AVersion), FRevision(ARevision) {}

  void* Item() const { return FItem; }  // not owned; its type is ObjectType()
  const std::string& ObjectName() const { return FName; }
  const std::string& ObjectType() const { return FType; }
  std::int32_t Version() const { return FVersion; }
  std::int32_t Revision() const { return FRevision; }

  // Raises when AVersion is not the registered version.
  void CheckVersion(std::int32_t AVersion) const;

 private:
  void* FItem;
  std::string FName;
  std::string FType;
  std::int32_t FVersion;
  std::int32_t FRevision;
};

class TObjectRegistryManager {
 public:
  const char* ClassName() const { return "TObjectRegistryManager"; }

  // Names are unique and compare exactly (case matters).
  void RegisterObject(void* Obj, const std::string& AName, const std::string& AType, std::int32_t AVer,
                      std::int32_t ARev);
  bool ObjectExists(std::string_view AName) const;
  TObjectRegistryItem& GetObject(std::string_view AName) const;
  TObjectRegistryItem& GetRegItem(int Index) const { return *FObjectList.at(static_cast<std::size_t>(Index)); }
  int GetCount() const { return static_cast<int>(FObjectList.size()); }

 private:
  TObjectRegistryItem* Find(std::string_view AName) const;

  std::vector<std::unique_ptr<TObjectRegistryItem>> FObjectList;  // registration order
};

// The one registry of the process, created before every other singleton.
TObjectRegistryManager& ObjectRegistryManager();

}  // namespace vt
