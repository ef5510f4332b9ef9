// The firmware release catalogue of a firmware script (its "Init" block) and the choice
// made from it for a configuration created without a drive: the parameter trees that a
// drive of the chosen type, interface and application would carry, and its release and
// module version numbers. The offline-configuration dialog is this with its window; the
// module service reads the chosen tree names, the main form the numbers. GUI thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "devices/services/ModuleService.h"
#include "platform/TextConversion.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TReleaseCatalogue : public TOfflineTreeChoice {
 public:
  // A drive type the catalogue offers: its "Name" and its dictionary (held by the block).
  struct TDriveType {
    AnsiString Name;
    TSLDictionary* Dict;
  };

  // Keeps the block and its version and lists the drive types offered. Raises "Wrong
  // file type!" without "Controllers", and "Unknown firmware script version! Create
  // offline function disabled!" for a catalogue version other than 2, 3 and 4, whose
  // trees nobody could name.
  void Initialize(TSLBlock* InfoBlock, std::int32_t FirmwareScriptVersion);
  // Empties the result list.
  void ClearList() { FIniFileList.clear(); }

  const std::vector<TDriveType>& DriveTypes() const { return FDriveTypeList; }
  // The first three characters of each offered name with "xx", once each, in order.
  std::vector<AnsiString> Families() const;
  // The offered types whose names begin with the family's first three characters.
  std::vector<TDriveType> TypesOfFamily(const AnsiString& Family) const;
  // The entries a drive type lists under Key ("Interfaces", "Applications"), looked up
  // in the block; empty without the key.
  std::vector<TSLDictionary*> ListedEntries(const TSLDictionary& Drive, const char16_t* Key) const;

  // What OK computes from the choice: the tree names in the order OS, MC, interface,
  // application, safety, the module versions, the release and the drive type. Interface
  // and Application may be null (none chosen). A missing required key raises "Wrong file
  // type!"; other missing keys the dictionary's own error.
  void Compute(const TSLDictionary* Drive, const TSLDictionary* Interface, const TSLDictionary* Application);

  // The value that follows the first identifier of ABlock named exactly AName; null
  // when there is none, or when that identifier stands last.
  static TSLObject* GetObjectFromBlock(const TSLBlock& ABlock, const AnsiString& AName);
  // The name readers; each clears its outputs first and keeps the versions it reads.
  void GetOSTreeAndSWNames(const TSLBlock& InfoBlock, const TSLDictionary& DriveDict, AnsiString& FSWName,
                           AnsiString& FTreeName, AnsiString& ROSName);
  void GetMCTreeAndSWNames(const TSLBlock& InfoBlock, const TSLDictionary& DriveDict, const AnsiString& IntfMCTreeExt,
                           const AnsiString& IntfMCSWExt, AnsiString& FSWName, AnsiString& FTreeName);
  void GetIntfTreeAndSWNames(const TSLDictionary& DriveDict, const TSLDictionary& IntfDict, AnsiString& FSWName,
                             AnsiString& FTreeName, AnsiString& FModulePar);
  void GetApplTreeAndSWNames(const TSLDictionary& DriveDict, const TSLDictionary& ApplDict, AnsiString& FSWName,
                             AnsiString& FTreeName);
  // The safety firmware's errors are shown, and the names computed so far stay.
  void Get2STreeAndSWNames(const TSLBlock& InfoBlock, const TSLDictionary& DriveDict, AnsiString& FSWNameMCU1,
                           AnsiString& FSWNameMCU2, AnsiString& FTreeName);

  int GetNumberOfIniFile() const override { return static_cast<int>(FIniFileList.size()); }
  AnsiString GetNameAtIndex(int Index) const override { return FIniFileList.at(static_cast<std::size_t>(Index)); }
  AnsiString FirmwareRelease() const override { return FFirmwareRelease; }

  std::int32_t FirmwareScriptVersion() const { return FFirmwareScriptVersion; }
  TSLBlock* InfoBlock() const { return FInfoBlock.get(); }
  std::int32_t OSMainVersion() const { return FOSMainVersion; }
  std::int32_t OSSubVersion() const { return FOSSubVersion; }
  std::int32_t MCMainVersion() const { return FMCMainVersion; }
  std::int32_t MCSubVersion() const { return FMCSubVersion; }
  std::int32_t IntfMainVersion() const { return FIntfMainVersion; }
  std::int32_t IntfSubVersion() const { return FIntfSubVersion; }
  std::int32_t ApplMainVersion() const { return FApplMainVersion; }
  std::int32_t ApplSubVersion() const { return FApplSubVersion; }
  const AnsiString& DeviceType() const { return FDeviceType; }
  const AnsiString& ReleaseBuildInfo() const { return FReleaseBuildInfo; }
  std::int32_t ReleaseVersion() const { return FReleaseVersion; }
  std::int32_t ReleaseSubVersion() const { return FReleaseSubVersion; }

 private:
  void ComputeVersion2(const TSLDictionary& Drive, const TSLDictionary* Interface, const TSLDictionary* Application);
  void ComputeVersion3(const TSLDictionary& Drive, const TSLDictionary* Interface, const TSLDictionary* Application);
  void ReadRelease(const TSLDictionary& Drive);
  void AddName(const AnsiString& Name);

  std::int32_t FFirmwareScriptVersion = 0;
  TRef<TSLArray> FControllers;
  TRef<TSLBlock> FInfoBlock;
  std::vector<AnsiString> FIniFileList;
  std::vector<TDriveType> FDriveTypeList;
  std::int32_t FReleaseVersion = 0, FReleaseSubVersion = 0;
  AnsiString FReleaseBuildInfo;
  AnsiString FDeviceType;
  AnsiString FFirmwareRelease;
  std::int32_t FOSMainVersion = 0, FOSSubVersion = 0, FMCMainVersion = 0, FMCSubVersion = 0;
  std::int32_t FIntfMainVersion = 0, FIntfSubVersion = 0, FApplMainVersion = 0, FApplSubVersion = 0;
};

}  // namespace vt
