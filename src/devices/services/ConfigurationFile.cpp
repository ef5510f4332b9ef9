// The device configuration dictionary: built from the data items of a save and written
// through the storage layer, and checked item by item when a configuration is loaded
// (format version, password, permissions, parameter trees, a running drive); see
// ModuleService.h.
#include <algorithm>

#include "comm/SharedLinkState.h"
#include "devices/Device.h"
#include "devices/SiblingServices.h"
#include "devices/services/ModuleService.h"
#include "devices/services/StatusService.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/Compatibility.h"
#include "runtime/DebugLog.h"
#include "runtime/MD5Digests.h"
#include "runtime/Translations.h"
#include "sl/storage/StorageManager.h"

namespace vt {

namespace {

// Parameters the configuration's "Info" is written from.
constexpr std::uint16_t UPIDControllerVersion = 1;
constexpr std::uint16_t UPIDControllerType = 8;
constexpr std::uint16_t UPIDDeviceType = 1020;
constexpr std::uint16_t UPIDFirmwareRelease = 1060;
constexpr std::uint16_t UPIDUserPassword = 3264;
constexpr std::uint16_t UPIDServicePassword = 3269;

// "Software": per software instance its name's and its tree name's parameter.
struct TSoftwareEntry {
  const char16_t* Key;
  std::uint16_t NameUPID;
  std::uint16_t TreeUPID;
};
constexpr TSoftwareEntry SoftwareEntries[] = {
    {u"OS_Info", 1070, 1300},
    {u"MC_Info", 1120, 1340},
    {u"INTF_Info", 1180, 1380},
    {u"APP_Info", 1240, 1420},
};

// User levels.
constexpr std::int32_t LevelUser = 3;
constexpr std::int32_t LevelService = 7;

constexpr char16_t ParametersType[] = u"Parameters";

TConfigPasswordHandler& PasswordHandler() {
  static TConfigPasswordHandler handler;
  return handler;
}

AnsiString TrimRight(AnsiString Text) {
  Text.erase(Text.find_last_not_of(' ') + 1);
  return Text;
}

AnsiString OptionalText(const TSLDictionary& Dict, const char16_t* Key) {
  return Dict.NameExists(Key) ? WideToAnsi(Dict.GetStrWithName(Key)) : AnsiString();
}

TSLDictionary& ItemInfo(TSLObject* Item) {
  return *CheckedCast<TSLDictionary>(CheckedCast<TSLDictionary>(Item)->GetObjWithName(u"Info"));
}

WideString ItemType(TSLObject* Item) { return ItemInfo(Item).GetStrWithName(u"Type"); }

bool IsParameters(TSLObject* Item) { return SameTextWide(ItemType(Item), ParametersType); }

AnsiString ItemTree(TSLObject* Item) {
  const auto& data = *CheckedCast<TSLDictionary>(CheckedCast<TSLDictionary>(Item)->GetObjWithName(u"ParameterTreeData"));
  return WideToAnsi(data.GetStrWithName(u"TreeName"));
}

bool Listed(const std::vector<AnsiString>& List, const AnsiString& Name) {
  return std::find(List.begin(), List.end(), Name) != List.end();
}

bool Refused(const AnsiString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons, TModalResult Accept) {
  return MessageDlg(AnsiToWide(Text), Type, Buttons) != Accept;
}

void ShowError(const AnsiString& Text) { MessageDlg(AnsiToWide(Text), mtError, MsgDlgButton(mbOK)); }

}  // namespace

void SetConfigPasswordHandler(TConfigPasswordHandler Handler) { PasswordHandler() = std::move(Handler); }

AnsiString TModuleService::GetUpdateRequestString() {
  return "Please update " + ProductInfos().Get("ProgramName") + " from " + CompanyInfos().Get("HomePage") + ".";
}

WideString TModuleService::ImportDeviceType() const {
  return FImportDeviceType ? FImportDeviceType->StringValue() : WideString();
}

AnsiString TModuleService::ParameterText(std::uint16_t UPID) const {
  const auto* values = FOwner->Sibling<TParameterValues>("ParameterService");
  return values && values->ParameterExists(UPID) ? values->GetTextValue(UPID) : AnsiString();
}

std::int64_t TModuleService::ParameterInt(std::uint16_t UPID) const {
  const auto* values = FOwner->Sibling<TParameterValues>("ParameterService");
  return values && values->ParameterExists(UPID) ? values->GetIntValue(UPID) : 0;
}

// ---- Saving ----

TRef<TSLDictionary> TModuleService::BuildInfo() const {
  const auto* values = FOwner->Sibling<TParameterValues>("ParameterService");
  if (!values) throw Exception(Format("%s.SaveToFile: the device has no parameter service", ClassName()));
  auto info = MakeRef<TSLDictionary>();
  info->SetStrWithName(u"Type", u"Vorlix configuration");
  info->SetIntWithName(u"Version", ConfigurationVersion);
  auto trees = MakeRef<TSLArray>();
  for (const auto& module : FModuleList) {
    auto tree = MakeRef<TSLDictionary>();
    tree->SetIntWithName(u"TreeLevel", module->TreeLevel());
    tree->SetStrWithName(u"TreeName", module->Name());
    trees->AddObject(tree.get());
  }
  info->SetObjWithName(u"Trees", trees.get());
  // These three are required: a drive without them raises out of the save.
  info->SetStrWithName(u"DeviceType", AnsiToWide(values->GetTextValue(UPIDDeviceType)));
  info->SetIntWithName(u"ControllerType", values->GetIntValue(UPIDControllerType));
  info->SetIntWithName(u"ControllerVersion", values->GetIntValue(UPIDControllerVersion));
  auto software = MakeRef<TSLDictionary>();
  for (const TSoftwareEntry& entry : SoftwareEntries) {
    auto instance = MakeRef<TSLDictionary>();
    if (values->ParameterExists(entry.NameUPID))
      instance->SetStrWithName(u"SoftwareName", AnsiToWide(values->GetTextValue(entry.NameUPID)));
    if (values->ParameterExists(entry.TreeUPID))
      instance->SetStrWithName(u"TreeName", AnsiToWide(values->GetTextValue(entry.TreeUPID)));
    software->SetObjWithName(entry.Key, instance.get());
  }
  info->SetObjWithName(u"Software", software.get());
  info->SetStrWithName(u"Port", AnsiToWide(FOwner->GetPortText()));
  return info;
}

void TModuleService::SaveToFile() {
  try {
    auto dict = MakeRef<TSLDictionary>();
    const TRef<TSLDictionary> info = BuildInfo();
    FOwner->SetDataDict(dict.get());
    FOwner->SetInfoDict(info.get());
    dict->SetObjWithName(u"Info", info.get());
    auto items = MakeRef<TSLArray>();
    for (const auto& item : FDataItemList) items->AddObject(item->DataDict());
    dict->SetObjWithName(u"Items", items.get());
    info->SetStrWithName(u"L1PW", AnsiToWide(ParameterText(UPIDUserPassword)));
    info->SetStrWithName(u"L2PW", AnsiToWide(ParameterText(UPIDServicePassword)));
    info->SetStrWithName(u"FirmwareRelease", AnsiToWide(TrimRight(ParameterText(UPIDFirmwareRelease))));
    if (FAdvSaveFlag) {
      // The file storage writes a temporary file that replaces the old one only when
      // complete: a failed save leaves the previous configuration as it was.
      const TRef<TSLStorageObject> file(TheStorageManager().CreateObject(FFileName));
      file->SetData(dict.get());
      file->Write();
    }
  } catch (const std::exception& e) {
    // A save that wrote nothing must not be reported as done.
    const AnsiString text = Format("couldn't save file '%s' (%s)", FFileName, AnsiString(e.what()));
    LogError(text);
    FSaveAbort = true;
    if (FAdvSaveFlag) ShowMessage(AnsiToWide(text));
  }
  if (FLogoutFlag) FOwner->Logout();
}

// ---- Loading ----

void TModuleService::LoadFromFile() {
  FImportAborted = true;
  try {
    if (!TheStorageManager().ObjectExists(FFileName))
      throw Exception("File with name " + FFileName + " doesn't exist!");
    TRef<TSLStorageObject> file;
    try {
      file = TRef<TSLStorageObject>(TheStorageManager().GetObject(FFileName));
    } catch (const std::exception&) {
      throw Exception("File corrupted!");
    }
    LoadFromDict(CheckedCast<TSLDictionary>(file->GetData()));
  } catch (const std::exception& e) {
    const AnsiString text = Format("Importing aborted: '%s' (%s)", FFileName, AnsiString(e.what()));
    ShowError(text);
    LogError(text);
  }
}

void TModuleService::LoadFromDict(TSLDictionary* DataDict) {
  FImportAborted = true;
  FStopRequest = false;
  FActionSuccess = false;
  ClearDataItems();
  try {
    const TSLDictionary& info = *CheckedCast<TSLDictionary>(DataDict->GetObjWithName(u"Info"));
    FImportDeviceType = TRef<TSLString>(CheckedCast<TSLString>(info.GetObjWithName(u"DeviceType")));
    const AnsiString driveRelease = TrimRight(ParameterText(UPIDFirmwareRelease));
    const AnsiString configRelease = OptionalText(info, u"FirmwareRelease");
    if (!CheckVersion(info, configRelease)) return;
    bool sameController = true;
    if (info.NameExists(u"ControllerType") && FOwner->ServiceExists("ParameterService")) {
      const std::int64_t drive = ParameterInt(UPIDControllerType);
      sameController = drive == 0 || drive == info.GetIntWithName(u"ControllerType");
    }
    if (!CheckPassword(info)) return;
    TSLArray& items = *CheckedCast<TSLArray>(DataDict->GetObjWithName(u"Items"));
    FConfTreeNameList.clear();
    FCompatibleTree.clear();
    FilterByPermission(items);
    if (!CheckTrees(items, configRelease, driveRelease)) return;
    if (!TakeItems(items)) return;
    const bool motionData = std::any_of(FDataItemList.begin(), FDataItemList.end(), [](const auto& item) {
      const WideString type = item->GetTypeName();
      return type == u"Curves" || type == u"Command Table";
    });
    if (!LoadAllFlag && !sameController && motionData &&
        Refused("The imported configuration is not from a same drivetype, there could be some problems with Curves or "
                "Command Tables!",
                mtWarning, MsgDlgButton(mbOK) | MsgDlgButton(mbCancel), mrOk))
      return;
    FActionSuccess = true;
    FImportAborted = false;
  } catch (const std::exception& e) {
    const AnsiString text = Format("Importing aborted: '%s' (%s)", FFileName, AnsiString(e.what()));
    ShowError(text);
    LogError(text);
  }
}

bool TModuleService::CheckVersion(const TSLDictionary& Info, const AnsiString& ConfigRelease) {
  const std::int64_t version = Info.GetIntWithName(u"Version");
  if (version == ConfigurationVersion) return true;
  if (version < ConfigurationVersion)
    ShowError("Import aborted!\rOld configuration format version!");
  else if (ConfigRelease.empty())
    ShowError("Import aborted!\rUnknown configuration format version!");
  else
    ShowError("Import aborted!\rThis configuration was set up with the software version: " + ConfigRelease +
              " and cannot be imported.\r" + GetUpdateRequestString());
  return false;
}

bool TModuleService::CheckPassword(const TSLDictionary& Info) {
  const AnsiString l1 = OptionalText(Info, u"L1PW");
  const AnsiString l2 = OptionalText(Info, u"L2PW");
  WideString user;
  switch (FOwner->GetUserPermission()) {
    case LevelUser:
      if (!l1.empty() && l1 != ParameterText(UPIDUserPassword) && AnsiToWide(l1) != FOwner->GetStrVar(u"Password"))
        user = u"USER";
      break;
    case LevelService:
      if (!l2.empty() && l2 != ParameterText(UPIDServicePassword)) user = u"SERVICE";
      break;
    default:
      break;
  }
  if (user.empty()) return true;
  WideString password;
  const TConfigPasswordHandler& ask = PasswordHandler();
  if (!ask || !ask(u"Configuration Password",
                   u"The configuration is protected by password!\rPlease give the password or log in as \"Guest\" to "
                   u"import it!",
                   user, password))
    return false;
  const AnsiString entered = WideToAnsi(password);
  const AnsiString name = UpperCaseAnsi(WideToAnsi(user));
  if (name == "USER" && entered == l1) {
    FOwner->SetStrVar(u"UserName", u"USER");
  } else if (name == "SERVICE" && entered == l2) {
    FOwner->SetStrVar(u"UserName", u"SERVICE");
  } else if (name == "DEVELOPER" && CompareMD5(MD5Value(entered), pswDeveloper)) {
    FOwner->SetStrVar(u"UserName", u"DEVELOPER");
  } else {
    ShowError("Import aborted!\rWrong password!");
    return false;
  }
  return true;
}

void TModuleService::FilterByPermission(TSLArray& Items) {
  const std::int32_t level = FOwner->GetUserPermission();
  for (int i = Items.GetCount() - 1; i >= 0; --i) {
    const TDataInterface* target = GetInterfaceForType(ItemType(Items.GetObjAtIndex(i)));
    bool keep = target != nullptr;
    if (keep && FOwner->DeviceType() == dtOnline)
      keep = HasPermission(target->ImportPermission(), ipOnline) && level >= target->MinUserPermissionImport();
    else if (keep && FOwner->DeviceType() == dtOffline)
      keep = HasPermission(target->ImportPermission(), ipOffline);
    if (!keep) Items.RemoveObject(i);
  }
}

bool TModuleService::CheckTrees(TSLArray& Items, const AnsiString& ConfigRelease, const AnsiString& DriveRelease) {
  for (int i = 0; i < Items.GetCount(); ++i) {
    if (!IsParameters(Items.GetObjAtIndex(i))) continue;
    const AnsiString tree = ItemTree(Items.GetObjAtIndex(i));
    if (!tree.empty() && !Listed(FConfTreeNameList, tree)) FConfTreeNameList.push_back(tree);
  }
  bool anyNewer = false;
  for (const AnsiString& tree : FConfTreeNameList)
    for (const auto& module : FModuleList) {
      bool newer = false;
      if (!AreTreesCompatible(tree, WideToAnsi(module->Name()), FOwner->GetUserPermission(), newer, false)) continue;
      FCompatibleTree.push_back(tree);
      anyNewer = anyNewer || newer;
      break;
    }
  for (int i = Items.GetCount() - 1; i >= 0; --i)
    if (IsParameters(Items.GetObjAtIndex(i)) && !Listed(FCompatibleTree, ItemTree(Items.GetObjAtIndex(i))))
      Items.RemoveObject(i);
  if (FConfTreeNameList.empty()) return true;
  if (anyNewer) {
    const char16_t* keyword =
        FOwner->DeviceType() == dtOnline ? u"ImportWarningNewerFirmwareOnline" : u"ImportWarningNewerFirmwareOffline";
    if (MessageDlg(GetInfoSysTextFmt(keyword, {ConfigRelease, DriveRelease}), mtWarning,
                   MsgDlgButton(mbYes) | MsgDlgButton(mbNo)) != mrYes)
      return false;
  }
  if (anyNewer || FCompatibleTree.size() != FConfTreeNameList.size())
    return !Refused(TreeMessage(ConfigRelease), mtConfirmation, MsgDlgButton(mbOK) | MsgDlgButton(mbCancel), mrOk);
  return true;
}

AnsiString TModuleService::TreeMessage(const AnsiString& ConfigRelease) const {
  AnsiString text = "This configuration was set up with the software version: " + ConfigRelease + "!\r\r";
  if (FCompatibleTree.empty())
    text += "The parameter trees in the source system are not compatible with those in the destination system!\r"
            "This configuration cannot be imported!\r" +
            GetUpdateRequestString() + "\r\r";
  else if (FCompatibleTree.size() != FConfTreeNameList.size())
    text += "The parameter trees in the source system are not all compatible with those in the destination system!\r"
            "Only the compatible parameter trees can be imported! Continue?\r\r";
  text += "Source system parameter trees: \r";
  for (const AnsiString& tree : FConfTreeNameList) text += "   " + tree + "\r";
  text += "\rDestination system parameter trees: \r";
  for (const auto& module : FModuleList) text += "   " + WideToAnsi(module->Name()) + "\r";
  text += "\rCompatible parameter trees: \r";
  for (const AnsiString& tree : FCompatibleTree) text += "   " + tree + "\r";
  return text;
}

bool TModuleService::TakeItems(TSLArray& Items) {
  const auto* status = FOwner->Sibling<TStatusService>("StatusService");
  for (int i = 0; i < Items.GetCount(); ++i) {
    TSLObject* item = Items.GetObjAtIndex(i);
    if (IsParameters(item) && ItemInfo(item).GetStrWithName(u"Name") != u"Safety" && status && status->GetRunning() &&
        !FStopRequest) {
      if (!(LoadAllFlag && EndOfLoadFeedback) &&
          MessageDlg(GetInfoSysText(u"StopBeforeDownload"), mtWarning, MsgDlgButton(mbYes) | MsgDlgButton(mbCancel)) !=
              mrYes)
        return false;
      FStopRequest = true;
    }
    GetInterfaceForType(ItemType(item))->SetBackup(false);
    AddDataItem(std::make_unique<TDataItem>(CheckedCast<TSLDictionary>(item)));
  }
  return true;
}

}  // namespace vt
