// The module service's start, its module data and the answers it gives the other
// services; the identification of the trees is in ModuleIdentification.cpp.
#include "devices/services/ModuleService.h"

#include <algorithm>

#include "comm/BasicTalkService.h"
#include "devices/Device.h"
#include "devices/LoginWindows.h"
#include "devices/services/InfoNodes.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/Compatibility.h"
#include "runtime/DebugLog.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// Info node file types.
constexpr std::uint16_t ProgramNode = 2;
constexpr std::uint16_t TreeNode = 5;

// Numbered keys of the descriptions: "Document_1" to "Document_19", oscilloscope
// channels "Ch_1" to "Ch_8", triggers "Trig_1" and "Trig_2".
constexpr int DocumentKeys = 19;
constexpr int ChannelKeys = 8;
constexpr int TriggerKeys = 2;

// Adds the value of Key, checked to be a T, under ToKey; the dictionary refuses a name
// it holds already.
template <class T, class V>
void Copy(const TSLDictionary& From, const WideString& Key, V (TSLNamedCollection::*Get)(const WideString&) const,
          TSLDictionary& To, const WideString& ToKey) {
  if (From.NameExists(Key)) To.SetObjWithName(ToKey, MakeRef<T>((From.*Get)(Key)).get());
}

void CopyInt(const TSLDictionary& From, const WideString& Key, TSLDictionary& To, const WideString& ToKey) {
  Copy<TSLLongint>(From, Key, &TSLNamedCollection::GetIntWithName, To, ToKey);
}

void CopyStr(const TSLDictionary& From, const WideString& Key, TSLDictionary& To) {
  Copy<TSLString>(From, Key, &TSLNamedCollection::GetStrWithName, To, Key);
}

void CopyBool(const TSLDictionary& From, const WideString& Key, TSLDictionary& To) {
  Copy<TSLBoolean>(From, Key, &TSLNamedCollection::GetBoolWithName, To, Key);
}

void ReadStr(const TSLDictionary& Dict, const char16_t* Key, WideString& Field) {
  if (Dict.NameExists(Key)) Field = Dict.GetStrWithName(Key);
}

void ReadInt(const TSLDictionary& Dict, const char16_t* Key, std::int32_t& Field) {
  if (Dict.NameExists(Key)) Field = static_cast<std::int32_t>(Dict.GetIntWithName(Key));
}

WideString Numbered(const char16_t* Prefix, int Number, const char16_t* Suffix = u"") {
  return Prefix + AnsiToWide(std::to_string(Number)) + Suffix;
}

TOfflineTreeChoice*& TheOfflineTreeChoice() {
  static TOfflineTreeChoice* wizard = nullptr;
  return wizard;
}

}  // namespace

void SetOfflineTreeChoice(TOfflineTreeChoice* Wizard) { TheOfflineTreeChoice() = Wizard; }

TOfflineTreeChoice* OfflineTreeChoice() { return TheOfflineTreeChoice(); }

// ---- Module items ----

void TModuleItem::SetData(TSLDictionary* AData) {
  FData.Assign(AData);
  const auto* info = AData ? As<TSLDictionary>(AData->FindObject(u"ModuleInfo")) : nullptr;
  if (!info) return;
  ReadStr(*info, u"BaseName", FBaseName);
  ReadStr(*info, u"SubName", FSubName);
  ReadStr(*info, u"BetaInfo", FBetaInfo);
  ReadInt(*info, u"Version", FVersion);
  ReadInt(*info, u"SubVersion", FSubVersion);
  ReadInt(*info, u"TreeID", FTreeID);
  ReadInt(*info, u"TreeLevel", FTreeLevel);
}

// ---- The service ----

void TModuleService::StartUp(bool& Wait) {
  if (FServiceStatus == dsStopped) BeginStart();
  if (FServiceStatus == dsStarting) ContinueStart(Wait);
}

void TModuleService::BeginStart() {
  FStartAddrOfCmdTabEntries = -1;
  FNumOfCmdTabEntries = -1;
  FCmdTabEraseFlash = 3;
  FADFFileExt = u"adf";
  FMDFFileExt.clear();
  switch (FOwner->DeviceType()) {
    case dtOnline:
      FCurveInfo = MakeRef<TSLDictionary>();
      FOsciInfo = MakeRef<TSLDictionary>();
      FTalkService = FOwner->Sibling<TBasicTalkService>("TalkService");
      FStatusService = FOwner->ServiceExists("StatusService") ? FOwner->GetService("StatusService") : nullptr;
      if (FTalkService && FStatusService) {
        SetServiceStatus(dsStarting);
      } else {
        LogError("couldn't start module service: a required service is missing");
        SetServiceStatus(dsError);
      }
      break;
    case dtOffline:
    case dtArchive:
      FCurveInfo = MakeRef<TSLDictionary>();
      FOsciInfo = MakeRef<TSLDictionary>();
      IdentifyOffline();
      break;
    default:
      LogError("couldn't start module service: unknown device type");
      SetServiceStatus(dsError);
  }
}

void TModuleService::ContinueStart(bool& Wait) {
  if (FOwner->DeviceType() == dtOnline) {
    if (FTalkService->ServiceStatus() != dsStarted) return;  // the device calls again
    Wait = true;
    if (!FInfoNodeList) FInfoNodeList = std::make_unique<TInfoNodeList>();
    if (FInfoNodeList->Busy()) return;
    AddLoginInfoLine(u"Search for parameter trees in the drive.");
    FInfoNodeList->ReadInfoNodes(FTalkService, 0, [this](TInfoNodeList* Sender) { ReadInfoNodesResponse(Sender); });
  } else if (FOwner->DeviceType() == dtOffline) {
    SetServiceStatus(dsStarted);
  } else {
    LogError("couldn't start module service: startup sequence error");
    SetServiceStatus(dsError);
  }
}

void TModuleService::ShutDown(bool& Wait) {
  FCurveInfo.reset();
  FOsciInfo.reset();
  SetServiceStatus(dsStopped);
}

void TModuleService::DoGetStrVar(const AnsiString& VarName, AnsiString& Value, bool& Found) {
  if (VarName != "ProgramStartAddr" || !FInfoNodeProgram) return;
  Value = std::to_string(FInfoNodeProgram->GetStartAddress());
  Found = true;
}

void TModuleService::ReadInfoNodesResponse(TInfoNodeList* Sender) {
  // A walk that outlived the start (the device was stopped meanwhile) changes nothing.
  if (FServiceStatus != dsStarting) return;
  FModuleList.clear();
  FAvaiableModule.clear();
  FInfoNodeProgram = nullptr;
  for (int i = 0; i < Sender->GetCount(); ++i) {
    TInfoNodeItem* node = Sender->GetItem(i);
    if (node->GetFileType() == ProgramNode && !FInfoNodeProgram) FInfoNodeProgram = node;
    if (node->GetFileType() != TreeNode) continue;
    const WideString name = AnsiToWide(node->GetCompleteName());
    if (ModuleExists(name)) {
      ShowMessage(name + u" already exists in the module list");
      continue;
    }
    AddLoginInfoLine(u"Parameter tree found: " + name + u".IN2");
    FModuleList.push_back(std::make_unique<TModuleItem>(name));
  }
  AddLoginInfoLine(u"");
  AddLoginInfoLine(u"Search disk for the requested in2 files: ");
  Identify(true, FTalkService->ReleaseInfo(), false, true);
}

bool TModuleService::ModuleExists(const WideString& AName) const {
  return std::any_of(FModuleList.begin(), FModuleList.end(),
                     [&](const auto& m) { return SameTextWide(m->Name(), AName); });
}

// ---- Module data ----

bool TModuleService::LoadModuleData(bool AReload) {
  FMotionCmdListFiles.clear();
  std::fill(FModuleInfo.begin(), FModuleInfo.begin() + 4, nullptr);
  for (std::size_t i = 0; i < FModuleList.size(); ++i) {
    TModuleItem& module = *FModuleList[i];
    if (module.Data() && !AReload) continue;
    try {
      TRef<TSLStorageObject> file(TheStorageManager().GetObject(WideToAnsi(FAvaiableModule.at(i))));
      TSLDictionary* data = CheckedCast<TSLDictionary>(file->GetData());
      if (const auto* info = As<TSLDictionary>(data->FindObject(u"InstanceInfoDict"))) ReadInstanceInfo(*info);
      SelectModuleInfo(As<TSLDictionary>(data->FindObject(u"ModuleInfo")));
      module.SetData(data);
    } catch (const std::exception& e) {
      LogError(Format("couldn't load module '%s' (%s)", WideToAnsi(module.Name()), AnsiString(e.what())));
      FModuleList.clear();
      SetServiceStatus(dsError);
      return false;
    }
  }
  return true;
}

void TModuleService::SelectModuleInfo(TSLDictionary* Info) {
  if (!Info || !Info->NameExists(u"TreeLevel")) return;
  const std::int64_t level = Info->GetIntWithName(u"TreeLevel");
  if (level >= 1 && level <= static_cast<std::int64_t>(FModuleInfo.size())) FModuleInfo[level - 1] = Info;
}

void TModuleService::ReadInstanceInfo(const TSLDictionary& Info) {
  if (Info.NameExists(u"MCDataFile")) FMotionCmdListFiles.push_back(Info.GetStrWithName(u"MCDataFile"));
  ReadInt(Info, u"StartAddrOfCmdTabEntries", FStartAddrOfCmdTabEntries);
  ReadInt(Info, u"NumOfCmdTabEntries", FNumOfCmdTabEntries);
  ReadInt(Info, u"CmdTabEraseFlash", FCmdTabEraseFlash);
  ReadStr(Info, u"ADFFileExt", FADFFileExt);
  ReadStr(Info, u"MDFFileExt", FMDFFileExt);
  if (FOsciInfo) ReadOsciInfo(Info);
  if (FCurveInfo) ReadCurveInfo(Info);
  ReadInt(Info, u"StartAddrOfAngCorrectionTable", FStartAddrOfAngCorTable);
  ReadInt(Info, u"StartAddrOfAngCorrectionTableRom", FStartAddrOfAngCorTableRom);
  ReadInt(Info, u"StartAddrOfReluctanceTable", FStartAddrOfRelTable);
  ReadInt(Info, u"StartAddrOfReluctanceTableRom", FStartAddrOfRelTableRom);
  ReadInt(Info, u"StartAddrOfFrictionTable", FStartAddrOfFrictTable);
  ReadInt(Info, u"StartAddrOfFrictionTableRom", FStartAddrOfFrictTableRom);
  for (int i = 1; i <= DocumentKeys; ++i) {
    const WideString key = Numbered(u"Document_", i);
    if (!Info.NameExists(key)) continue;
    const WideString doc = ChangeNameIfOldFileNameFormat(Info.GetStrWithName(key));
    if (std::none_of(FRelevantDocList.begin(), FRelevantDocList.end(),
                     [&](const WideString& d) { return SameTextWide(d, doc); }))
      FRelevantDocList.push_back(doc);
  }
  if (Info.NameExists(u"HTMLDocument")) FOwner->SetHTMLHelp(WideToAnsi(Info.GetStrWithName(u"HTMLDocument")));
}

// The info dictionaries refuse a name that another description gave already: the
// module then fails to load.
void TModuleService::ReadOsciInfo(const TSLDictionary& Info) {
  CopyInt(Info, u"NumberOfSampling", *FOsciInfo, u"NumberOfSampling");
  for (int i = 1; i <= ChannelKeys; ++i) {
    CopyStr(Info, Numbered(u"Ch_", i, u"_Dir"), *FOsciInfo);
    CopyStr(Info, Numbered(u"Ch_", i, u"_Var"), *FOsciInfo);
    CopyBool(Info, Numbered(u"Ch_", i, u"_On"), *FOsciInfo);
  }
  for (int i = 1; i <= TriggerKeys; ++i) {
    CopyStr(Info, Numbered(u"Trig_", i, u"_Dir"), *FOsciInfo);
    CopyStr(Info, Numbered(u"Trig_", i, u"_Var"), *FOsciInfo);
  }
}

void TModuleService::ReadCurveInfo(const TSLDictionary& Info) {
  CopyInt(Info, u"NumOfCurves", *FCurveInfo, u"MaxNumberOfCurves");
  CopyInt(Info, u"StartAddrOfCurves", *FCurveInfo, u"CurveBlockStartAddr");
  for (const char16_t* key :
       {u"CurvesBlockSize", u"CurveHeaderSize", u"ProposalCurveLength", u"CurvesEraseFlash", u"CurveOffsetPtrSize"})
    CopyInt(Info, key, *FCurveInfo, key);
}

bool TModuleService::IsServiceActive(const AnsiString& ServiceName, bool Default) const {
  const WideString name = AnsiToWide(ServiceName);
  for (const auto& module : FModuleList) {
    const auto* info = module->Data() ? As<TSLDictionary>(module->Data()->FindObject(u"InstanceInfoDict")) : nullptr;
    if (info && info->NameExists(name)) return info->GetBoolWithName(name);
  }
  return Default;
}

}  // namespace vt
