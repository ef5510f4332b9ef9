// The firmware release catalogue and the names it gives; see ReleaseCatalogue.h.
#include "config/ReleaseCatalogue.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

const char* const WrongFileType = "Wrong file type!";

AnsiString Str(const TSLDictionary& Dict, const char16_t* Key) { return WideToAnsi(Dict.GetStrWithName(Key)); }
AnsiString Num(const TSLDictionary& Dict, const char16_t* Key) { return std::to_string(Dict.GetIntWithName(Key)); }
std::int32_t Int(const TSLDictionary& Dict, const char16_t* Key) {
  return static_cast<std::int32_t>(Dict.GetIntWithName(Key));
}

// A text entry, empty when the dictionary does not hold it.
AnsiString OptionalStr(const TSLDictionary* Dict, const char16_t* Key) {
  return Dict && Dict->NameExists(Key) ? Str(*Dict, Key) : AnsiString();
}

// Keys the catalogue must hold: "Wrong file type!" for any that is missing.
void Require(const TSLDictionary& Dict, std::initializer_list<const char16_t*> Keys) {
  for (const char16_t* key : Keys)
    if (!Dict.NameExists(key)) throw Exception(WrongFileType);
}

const TSLDictionary& RequiredDict(const TSLDictionary& Dict, const char16_t* Key) {
  Require(Dict, {Key});
  return *CheckedCast<TSLDictionary>(Dict.GetObjWithName(Key));
}

// "_V" + version + "S" + sub version, then "_" + beta: always, or only when not empty.
AnsiString VersionPart(const AnsiString& Version, const AnsiString& SubVersion, const AnsiString& Beta,
                       bool BetaAlways) {
  AnsiString part = "_V" + Version + "S" + SubVersion;
  if (BetaAlways || !Beta.empty()) part += "_" + Beta;
  return part;
}

AnsiString Versioned(const TSLDictionary& Entry, const char16_t* Version, const char16_t* SubVersion,
                     const char16_t* Beta, bool BetaAlways = false) {
  return VersionPart(Num(Entry, Version), Num(Entry, SubVersion), Str(Entry, Beta), BetaAlways);
}

// "S" + the drive type's last supported rotary-unit revision in upper-case hexadecimal:
// the motion-control trees and software differ by it.
AnsiString Revision(const TSLDictionary& Drive) {
  const auto* revisions = CheckedCast<TSLArray>(Drive.GetObjWithName(u"SupportedRURVersions"));
  const std::int64_t last =
      CheckedCast<TSLLongint>(revisions->GetObjAtIndex(revisions->GetCount() - 1))->GetLongintValue();
  char hex[24];
  std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(last));
  return "S" + AnsiString(hex);
}

// A block value that must be there, as text or number.
const TSLObject& BlockValue(const TSLBlock& Block, const char* Name) {
  const TSLObject* value = TReleaseCatalogue::GetObjectFromBlock(Block, Name);
  if (!value) throw Exception(WrongFileType);
  return *value;
}
AnsiString BlockStr(const TSLBlock& Block, const char* Name) {
  return WideToAnsi(CheckedCast<TSLString>(&BlockValue(Block, Name))->StringValue());
}
std::int32_t BlockInt(const TSLBlock& Block, const char* Name) {
  return static_cast<std::int32_t>(CheckedCast<TSLLongint>(&BlockValue(Block, Name))->GetLongintValue());
}

// The first three characters of a drive type's name stand for its family.
AnsiString FamilyPrefix(const AnsiString& Name) { return Name.substr(0, 3); }

std::int64_t IntOrZero(const TSLDictionary& Dict, const char16_t* Key) {
  return Dict.NameExists(Key) ? Dict.GetIntWithName(Key) : 0;
}

const TSLDictionary& BlockDict(const TSLBlock& Block, const char* Name) {
  return *CheckedCast<TSLDictionary>(&BlockValue(Block, Name));
}

// The "OSInfoDict" entry of the drive type's "VxTypeExt".
const TSLDictionary& OSEntry(const TSLBlock& Block, const TSLDictionary& Drive) {
  return *CheckedCast<TSLDictionary>(BlockDict(Block, "OSInfoDict").GetObjWithName(Drive.GetStrWithName(u"VxTypeExt")));
}

// The block's entry of the name that a drive type's list holds at Index; a name the
// block lacks is an error.
TSLDictionary* ListedEntry(const TSLBlock& Block, const TSLArray& Names, int Index) {
  const AnsiString name = WideToAnsi(CheckedCast<TSLString>(Names.GetObjAtIndex(Index))->StringValue());
  TSLObject* entry = TReleaseCatalogue::GetObjectFromBlock(Block, name);
  if (!entry) throw Exception(Format("no entry named %s in the release catalogue", AnsiToUtf8(name)));
  return CheckedCast<TSLDictionary>(entry);
}

// An interface's or application's tree and software names and its software version.
struct TModuleNames {
  AnsiString Tree, Software;
  std::int32_t Version, SubVersion;
};

TModuleNames ModuleNames(const TSLDictionary& Entry, const char16_t* TreeFile, const AnsiString& TreeExt,
                         const char16_t* SoftwareFile, const AnsiString& SoftwareExt) {
  return {Str(Entry, TreeFile) + TreeExt + Versioned(Entry, u"TreeVersion", u"TreeSubVersion", u"TreeBetaInfo"),
          Str(Entry, SoftwareFile) + SoftwareExt + Versioned(Entry, u"SWVersion", u"SWSubVersion", u"SWBetaInfo"),
          Int(Entry, u"SWVersion"), Int(Entry, u"SWSubVersion")};
}

bool IsNone(const TSLDictionary& Entry, std::int32_t ScriptVersion) {
  const AnsiString caption = Str(Entry, u"Caption");
  return ScriptVersion == 2 ? caption == "None" : UpperCaseAnsi(caption) == "NONE";
}

}  // namespace

// ---- The catalogue ----

void TReleaseCatalogue::Initialize(TSLBlock* InfoBlock, std::int32_t FirmwareScriptVersion) {
  FFirmwareScriptVersion = FirmwareScriptVersion;
  FInfoBlock.Assign(InfoBlock);
  FControllers.reset();
  FDriveTypeList.clear();
  TSLObject* controllers = GetObjectFromBlock(*InfoBlock, "Controllers");
  if (!controllers) throw Exception(WrongFileType);
  if (FirmwareScriptVersion < 2 || FirmwareScriptVersion > 4)
    throw Exception("Unknown firmware script version! Create offline function disabled!");
  FControllers.Assign(CheckedCast<TSLArray>(controllers));
  for (int i = 0; i < FControllers->GetCount(); ++i) {
    auto* drive = CheckedCast<TSLDictionary>(FControllers->GetObjAtIndex(i));
    if (IntOrZero(*drive, u"TypeSupported") == 1 && IntOrZero(*drive, u"HideOffline") == 0)
      FDriveTypeList.push_back({Str(*drive, u"Name"), drive});
  }
}

std::vector<AnsiString> TReleaseCatalogue::Families() const {
  std::vector<AnsiString> families;
  for (const TDriveType& type : FDriveTypeList) {
    const AnsiString family = FamilyPrefix(type.Name) + "xx";
    if (std::find(families.begin(), families.end(), family) == families.end()) families.push_back(family);
  }
  return families;
}

std::vector<TReleaseCatalogue::TDriveType> TReleaseCatalogue::TypesOfFamily(const AnsiString& Family) const {
  std::vector<TDriveType> types;
  for (const TDriveType& type : FDriveTypeList)
    if (type.Name.starts_with(FamilyPrefix(Family))) types.push_back(type);
  return types;
}

std::vector<TSLDictionary*> TReleaseCatalogue::ListedEntries(const TSLDictionary& Drive, const char16_t* Key) const {
  std::vector<TSLDictionary*> entries;
  if (!Drive.NameExists(Key)) return entries;
  const auto* names = CheckedCast<TSLArray>(Drive.GetObjWithName(Key));
  for (int i = 0; i < names->GetCount(); ++i) entries.push_back(ListedEntry(*FInfoBlock, *names, i));
  return entries;
}

TSLObject* TReleaseCatalogue::GetObjectFromBlock(const TSLBlock& ABlock, const AnsiString& AName) {
  for (int i = 0; i + 1 < ABlock.GetCount(); ++i) {
    const auto* ident = As<TSLIdent>(ABlock.GetObjAtIndex(i));
    if (ident && ident->IdentValue() == AName) return ABlock.GetObjAtIndex(i + 1);
  }
  return nullptr;
}

// ---- The choice ----

void TReleaseCatalogue::Compute(const TSLDictionary* Drive, const TSLDictionary* Interface,
                                const TSLDictionary* Application) {
  FOSMainVersion = FOSSubVersion = FMCMainVersion = FMCSubVersion = 0;
  FIntfMainVersion = FIntfSubVersion = FApplMainVersion = FApplSubVersion = 0;
  FReleaseVersion = FReleaseSubVersion = 0;
  FReleaseBuildInfo.clear();
  FDeviceType.clear();
  // A release text of an earlier choice must not name this one.
  FFirmwareRelease.clear();
  if (!Drive) return;
  if (!Drive->NameExists(u"VxTypeExt")) throw Exception(WrongFileType);
  FIniFileList.clear();
  if (FFirmwareScriptVersion == 2)
    ComputeVersion2(*Drive, Interface, Application);
  else if (FFirmwareScriptVersion == 3 || FFirmwareScriptVersion == 4)
    ComputeVersion3(*Drive, Interface, Application);
  FDeviceType = Str(*Drive, u"Name");
  if (FFirmwareScriptVersion == 3 || FFirmwareScriptVersion == 4) ReadRelease(*Drive);
}

void TReleaseCatalogue::ComputeVersion2(const TSLDictionary& Drive, const TSLDictionary* Interface,
                                        const TSLDictionary* Application) {
  const TSLBlock& block = *FInfoBlock;
  const AnsiString type = Str(Drive, u"VxTypeExt");
  FOSMainVersion = BlockInt(block, "OSTreeVersion");
  FOSSubVersion = BlockInt(block, "OSTreeSubVersion");
  AddName(BlockStr(block, "OSTreeFileName") + type +
          VersionPart(std::to_string(FOSMainVersion), std::to_string(FOSSubVersion), BlockStr(block, "OSTreeBetaInfo"),
                      false));
  const AnsiString mcFile = BlockStr(block, "MCTreeFileName");
  FMCMainVersion = BlockInt(block, "MCTreeVersion");
  FMCSubVersion = BlockInt(block, "MCTreeSubVersion");
  const AnsiString mcBeta = BlockStr(block, "MCTreeBetaInfo");
  AddName(mcFile + Revision(Drive) + Str(Drive, u"PowerExtension") + OptionalStr(Interface, u"IntfMCTreeExt") +
          VersionPart(std::to_string(FMCMainVersion), std::to_string(FMCSubVersion), mcBeta, false));
  if (Interface && !IsNone(*Interface, 2)) {
    FIntfMainVersion = Int(*Interface, u"TreeVersion");
    FIntfSubVersion = Int(*Interface, u"TreeSubVersion");
    AddName(Str(*Interface, u"IntfTreeFileName") + type +
            Versioned(*Interface, u"TreeVersion", u"TreeSubVersion", u"TreeBetaInfo"));
  }
  if (Application && !IsNone(*Application, 2)) {
    FApplMainVersion = Int(*Application, u"TreeVersion");
    FApplSubVersion = Int(*Application, u"TreeSubVersion");
    AddName(Str(*Application, u"ApplTreeFileName") + type +
            Versioned(*Application, u"TreeVersion", u"TreeSubVersion", u"TreeBetaInfo"));
  }
  if (const auto* n = As<TSLLongint>(GetObjectFromBlock(block, "ReleaseVersion")))
    FReleaseVersion = static_cast<std::int32_t>(n->GetLongintValue());
  if (const auto* n = As<TSLLongint>(GetObjectFromBlock(block, "ReleaseSubVersion")))
    FReleaseSubVersion = static_cast<std::int32_t>(n->GetLongintValue());
  if (const auto* s = As<TSLString>(GetObjectFromBlock(block, "ReleaseBuildInfo")))
    FReleaseBuildInfo = WideToAnsi(s->StringValue());
}

void TReleaseCatalogue::ComputeVersion3(const TSLDictionary& Drive, const TSLDictionary* Interface,
                                        const TSLDictionary* Application) {
  AnsiString software, tree, other;
  GetOSTreeAndSWNames(*FInfoBlock, Drive, software, tree, other);
  AddName(tree);
  GetMCTreeAndSWNames(*FInfoBlock, Drive, OptionalStr(Interface, u"IntfMCTreeExt"),
                      OptionalStr(Interface, u"IntfMCSWExt"), software, tree);
  AddName(tree);
  if (Interface && !IsNone(*Interface, FFirmwareScriptVersion)) {
    GetIntfTreeAndSWNames(Drive, *Interface, software, tree, other);
    AddName(tree);
  }
  if (Application && !IsNone(*Application, FFirmwareScriptVersion)) {
    GetApplTreeAndSWNames(Drive, *Application, software, tree);
    AddName(tree);
  }
  if (FFirmwareScriptVersion == 4) {
    AnsiString second;
    Get2STreeAndSWNames(*FInfoBlock, Drive, software, second, tree);
    AddName(tree);
  }
}

void TReleaseCatalogue::ReadRelease(const TSLDictionary& Drive) {
  const TSLDictionary& releases = BlockDict(*FInfoBlock, "RelInfoDict");
  const TSLDictionary& release = RequiredDict(releases, Drive.GetStrWithName(u"VxTypeExt").c_str());
  Require(release, {u"RelVersion", u"RelSubVersion", u"RelBuildInfo", u"RelString"});
  FReleaseVersion = Int(release, u"RelVersion");
  FReleaseSubVersion = Int(release, u"RelSubVersion");
  FReleaseBuildInfo = Str(release, u"RelBuildInfo");
  FFirmwareRelease = Str(release, u"RelString");
}

// ---- The name readers ----

void TReleaseCatalogue::GetOSTreeAndSWNames(const TSLBlock& InfoBlock, const TSLDictionary& DriveDict,
                                            AnsiString& FSWName, AnsiString& FTreeName, AnsiString& ROSName) {
  FSWName.clear();
  FTreeName.clear();
  ROSName.clear();
  const TSLDictionary& os = OSEntry(InfoBlock, DriveDict);
  Require(os, {u"TreeFileName", u"TreeVersion", u"TreeSubVersion", u"TreeBetaInfo", u"SWVersion", u"SWSubVersion",
               u"SWBetaInfo"});
  const AnsiString osType = OptionalStr(&DriveDict, u"OSTypeExt");
  FTreeName = Str(os, u"TreeFileName") + (osType.empty() ? Str(DriveDict, u"VxTypeExt") : osType) +
              Versioned(os, u"TreeVersion", u"TreeSubVersion", u"TreeBetaInfo");
  FSWName = "EOSSW_" + OptionalStr(&DriveDict, u"OSExt") + Versioned(os, u"SWVersion", u"SWSubVersion", u"SWBetaInfo");
  FOSMainVersion = Int(os, u"SWVersion");
  FOSSubVersion = Int(os, u"SWSubVersion");
}

void TReleaseCatalogue::GetMCTreeAndSWNames(const TSLBlock& InfoBlock, const TSLDictionary& DriveDict,
                                            const AnsiString& IntfMCTreeExt, const AnsiString& /*IntfMCSWExt*/,
                                            AnsiString& FSWName, AnsiString& FTreeName) {
  FSWName.clear();
  FTreeName.clear();
  const TSLDictionary& entries = BlockDict(InfoBlock, "MCInfoDict");
  const WideString type = DriveDict.GetStrWithName(u"VxTypeExt");
  // A drive type without motion control.
  if (!entries.NameExists(type)) return;
  const auto& mc = *CheckedCast<TSLDictionary>(entries.GetObjWithName(type));
  Require(mc, {u"TreeFileName", u"TreeSubVersion", u"TreeBetaInfo", u"MCSWFileName", u"SWVersion", u"SWSubVersion",
               u"SWBetaInfo"});
  const AnsiString revision = Revision(DriveDict);
  FTreeName = Str(mc, u"TreeFileName") + revision + Str(DriveDict, u"PowerExtension") + IntfMCTreeExt +
              Versioned(mc, u"TreeVersion", u"TreeSubVersion", u"TreeBetaInfo", true);
  FSWName = Str(mc, u"MCSWFileName") + revision + Versioned(mc, u"SWVersion", u"SWSubVersion", u"SWBetaInfo");
  FMCMainVersion = Int(mc, u"SWVersion");
  FMCSubVersion = Int(mc, u"SWSubVersion");
}

void TReleaseCatalogue::GetIntfTreeAndSWNames(const TSLDictionary& DriveDict, const TSLDictionary& IntfDict,
                                              AnsiString& FSWName, AnsiString& FTreeName, AnsiString& FModulePar) {
  const TModuleNames names = ModuleNames(IntfDict, u"IntfTreeFileName", Str(DriveDict, u"IntfTreeTypeExt"),
                                         u"IntfSWFileName", Str(DriveDict, u"IntfSWTypeExt"));
  FTreeName = names.Tree;
  FSWName = names.Software;
  FModulePar = OptionalStr(&IntfDict, u"IntfModulePar");
  FIntfMainVersion = names.Version;
  FIntfSubVersion = names.SubVersion;
}

void TReleaseCatalogue::GetApplTreeAndSWNames(const TSLDictionary& DriveDict, const TSLDictionary& ApplDict,
                                              AnsiString& FSWName, AnsiString& FTreeName) {
  const AnsiString type = Str(DriveDict, u"ApplTypeExt");
  const TModuleNames names = ModuleNames(ApplDict, u"ApplTreeFileName", type, u"ApplSWFileName", type);
  FTreeName = names.Tree;
  FSWName = names.Software;
  FApplMainVersion = names.Version;
  FApplSubVersion = names.SubVersion;
}

void TReleaseCatalogue::Get2STreeAndSWNames(const TSLBlock& InfoBlock, const TSLDictionary& DriveDict,
                                            AnsiString& FSWNameMCU1, AnsiString& FSWNameMCU2, AnsiString& FTreeName) {
  FSWNameMCU1.clear();
  FSWNameMCU2.clear();
  FTreeName.clear();
  const TSLDictionary& os = OSEntry(InfoBlock, DriveDict);
  const AnsiString type = OptionalStr(&DriveDict, u"_2SOSTypeExt");
  if (os.NameExists(u"TreeFileName2S") && !type.empty()) {
    Require(os, {u"TreeVersion2S", u"TreeSubVersion2S", u"TreeBetaInfo2S"});
    FTreeName =
        Str(os, u"TreeFileName2S") + type + Versioned(os, u"TreeVersion2S", u"TreeSubVersion2S", u"TreeBetaInfo2S");
  }
  if (!DriveDict.NameExists(u"SafetyFirmware")) return;
  try {
    const auto* names = CheckedCast<TSLArray>(DriveDict.GetObjWithName(u"SafetyFirmware"));
    const TSLDictionary& firmware = *ListedEntry(InfoBlock, *names, 0);
    if (!firmware.NameExists(u"FWFileName")) return;
    const AnsiString version = Versioned(firmware, u"FWVersion", u"FWSubVersion", u"FWBetaInfo", true);
    FSWNameMCU1 = Str(firmware, u"FWFileName") + Str(firmware, u"MCU1FWSWTypeExt") + version;
    FSWNameMCU2 = Str(firmware, u"FWFileName") + Str(firmware, u"MCU2FWSWTypeExt") + version;
  } catch (const std::exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
}

void TReleaseCatalogue::AddName(const AnsiString& Name) {
  if (!Name.empty()) FIniFileList.push_back(Name);
}

}  // namespace vt
