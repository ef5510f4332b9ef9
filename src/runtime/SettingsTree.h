// Settings trees: one SL dictionary whose entries are addressed by backslash key paths
// ("ViewConfig\ModulFunction"), with typed getters and setters; the program settings,
// the vendor information and the per-user view settings are each one such tree.
// GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sl/values/Dictionary.h"

namespace vt {

enum TAccessMode { amGet, amAdd, amRemove };

class TProgramRegistry {
 public:
  TProgramRegistry();
  virtual ~TProgramRegistry() = default;
  TProgramRegistry(const TProgramRegistry&) = delete;
  TProgramRegistry& operator=(const TProgramRegistry&) = delete;

  virtual const char* ClassName() const { return "TProgramRegistry"; }

  // The root dictionary, held by the registry.
  TSLDictionary* RegData() const { return FRegData.get(); }

  // The one path walker. Names before the last backslash must be dictionaries; amAdd
  // creates missing ones, amGet and amRemove raise "%s: key %s not found". With the
  // last name amGet sets Obj, amAdd adds Obj (a duplicate raises), amRemove removes it.
  void KeyAccess(std::string_view Path, TAccessMode Mode, TSLObject*& Obj);
  TSLObject* GetObject(std::string_view Path);
  void AddObject(std::string_view Path, TSLObject* Obj);
  void RemoveObject(std::string_view Path);

  // New keys; missing dictionaries on the way are created, an existing key raises.
  void AddIntKey(std::string_view Path, std::int64_t Value);
  void AddStrKey(std::string_view Path, const AnsiString& Value);
  // A missing key or a value of another class raises.
  std::int64_t GetIntKey(std::string_view Path);
  AnsiString GetStrKey(std::string_view Path);
  // Change the existing value in place; a missing key or another class raises.
  void SetIntKey(std::string_view Path, std::int64_t Value);
  void SetStrKey(std::string_view Path, const AnsiString& Value);

  // The names of the dictionary at Path in stored order; empty for another value.
  void GetKeyNames(std::string_view Path, std::vector<AnsiString>& AStrings);
  // The dictionary at Path, nil for another value; a missing key raises.
  TSLDictionary* GetDictKey(std::string_view Path);
  // Replaces the key by a deep copy of Dict; a missing key raises.
  void SetDictKey(std::string_view Path, TSLDictionary* Dict);

  // Reads the tree from a storage object (a file name, "file://", "archive://"). The
  // registry is emptied first; when the read fails or the object holds no dictionary it
  // stays empty and is marked unread, and failures pass on.
  void ReadFromFile(const AnsiString& FileName);
  // Writes the tree as SL text, safely replacing the file. A registry whose read failed
  // is never written: defaults must not overwrite the user's file.
  void WriteToFile(const AnsiString& FileName);
  bool ReadFailed() const { return FReadFailed; }

 private:
  TRef<TSLDictionary> FRegData;
  bool FReadFailed = false;
};

// The program settings, the vendor information and the five trees of ViewConfig.ini;
// created and read by the shell at start-up, written back by it at exit.
extern std::unique_ptr<TProgramRegistry> ProgramRegistry;
extern std::unique_ptr<TProgramRegistry> CompanyRegistry;
extern std::unique_ptr<TProgramRegistry> ViewConfigRegistry;
extern std::unique_ptr<TProgramRegistry> LoginConfigRegistry;
extern std::unique_ptr<TProgramRegistry> InstallConfigRegistry;
extern std::unique_ptr<TProgramRegistry> CANDriverConfigRegistry;
extern std::unique_ptr<TProgramRegistry> OscilloscopeSettingsRegistry;

}  // namespace vt
