// The main state machine of the hidden main form, the task "MainTask": it opens every
// device (through the login dialog online or offline, the automatic login, a script's
// profile and port, a project's data dictionary, the create-offline procedures), waits
// for its start-up, files it into the project tree and reports the outcome in the login
// information window; and the requests that set its state. GUI thread only.
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <filesystem>

#include "comm/SerialPortList.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkServer.h"
#include "comm/forms/DeviceLoginDialog.h"
#include "config/forms/ConfWizard.h"
#include "devices/DeviceManager.h"
#include "devices/LoginWindows.h"
#include "devices/forms/LoginInfoForm.h"
#include "devices/services/ModuleService.h"
#include "parameters/MissingUPIDPrompt.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/PathResolver.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "runtime/ProcessGlobal.h"
#include "runtime/ProgramFolders.h"
#include "runtime/QtSchedulerBridge.h"
#include "runtime/SettingsTree.h"
#include "runtime/Translations.h"
#include "scripting/ScriptTaskManager.h"
#include "shell/CommunicationSetup.h"
#include "shell/DeviceOpening.h"
#include "shell/ModuleGroups.h"
#include "shell/OfflineCreation.h"
#include "shell/ShellLimits.h"
#include "shell/StartOptions.h"
#include "shell/forms/MainForm.h"
#include "shell/forms/WindowRegistry.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

namespace fs = std::filesystem;

const char* const OnlineProfile = "VorlixOnline";
const char* const OfflineProfile = "VorlixOffline";
const char* const AutoLoginDevice = "Box1";

// The states the requests of CreateDevice set, by upper-cased profile name.
const struct {
  const char* Profile;
  TMainState State;
} OfflineRequests[] = {{"VORLIXOFFLINE", stOpenDeviceOffline},
                       {"RODUZAVOVIZADAROV", stOpenDeviceOfflineDict},
                       {"VORLIXCREATEOFFLINEOLDREL", stCreateDeviceOfflineOldRel},
                       {"VORLIXCREATEOFFLINE", stCreateDeviceOffline}};

bool FileExists(const AnsiString& Name) {
  std::error_code ec;
  return fs::is_regular_file(ResolvePath(AnsiToWide(Name)), ec);
}

// An SL file's top dictionary, read through the storage manager.
TRef<TSLDictionary> ReadDictionary(const AnsiString& Name) {
  const TRef<TSLStorageObject> object(StorageManager->GetObject(Name));
  return TRef<TSLDictionary>(CheckedCast<TSLDictionary>(object->GetData()));
}

AnsiString TextEntry(const TSLDictionary& Dict, const char* Name) {
  const auto* text = dynamic_cast<const TSLString*>(Dict.FindObjectAnsi(Name));
  return text ? WideToAnsi(text->StringValue()) : AnsiString();
}

// The first "Firmware*.stx" of the program's firmware folder, by name; empty when none.
AnsiString InstalledFirmwareScript() {
  std::error_code ec;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(ResolvePath(WorkDir + u"Firmware"), ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && UpperCaseAnsi(name).starts_with("FIRMWARE") && UpperCaseAnsi(name).ends_with(".STX"))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names.empty() ? AnsiString() : names.front();
}

}  // namespace

// ---- Windows ----

void TMainForm::CreateLoginWindows() {
  DeviceLoginDialog = std::make_unique<TDeviceLoginDialog>(*TalkServer(), *this);
  LoginInfoForm = std::make_unique<TLoginInfoForm>();
  LoginInfoForm->OnAbort = [this] { FLoginAbortRequest = true; };
  vt::InstallLoginWindows(*LoginInfoForm);
  ConfWizard = std::make_unique<TConfWizard>();
}

WideString TMainForm::ExecuteOpenDialog(const WideString& InitialDir, const WideString& Filter,
                                        const WideString& DefaultExt) {
  // "Caption|mask|Caption|mask" becomes Qt's "Caption (mask);;Caption (mask)"; the
  // captions hold their masks already.
  QStringList parts = ToQString(Filter).split('|');
  QStringList filters;
  for (int i = 0; i < parts.size(); i += 2) filters << parts[i];
  QFileDialog dialog(nullptr, QString(), ToQString(InitialDir), filters.join(";;"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(ToQString(DefaultExt));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return FromQString(dialog.selectedFiles().front());
}

void TMainForm::PostInfoMessage() {
  if (LoginInfoForm) QMetaObject::invokeMethod(LoginInfoForm.get(), [this] { WM_ShowInfoForm(); }, Qt::QueuedConnection);
}

void TMainForm::WM_ShowInfoForm() {
  // A login that ended before this queued call came has shown its outcome already (the
  // lines show the window); a window opened now would wait for nothing.
  if (!LoginInfoForm || LoginInfoFormVisible || !CurrentDevice) return;
  LoginInfoFormVisible = true;
  LoginInfoForm->Clear();
  LoginInfoForm->CloseBtn->setEnabled(false);
  LoginInfoForm->AddString(GetInfoSysText(u"WaitLogin"));
  LoginInfoForm->AddString(u" ");
  LoginInfoForm->exec();
  LoginInfoFormVisible = false;
}

void TMainForm::AddInfoLine(const AnsiString& Line) { AddLoginInfoLine(AnsiToWide(Line)); }

// ---- The login dialog ----

WideString TMainForm::CommanderName() const { return DeviceLoginDialog ? DeviceLoginDialog->FCommander : WideString(); }

WideString TMainForm::DialogDeviceCaption() const {
  return DeviceLoginDialog ? DeviceLoginDialog->FDeviceCaption : AnsiToWide(FDeviceName);
}

AnsiString TMainForm::DialogUserName() const {
  return DeviceLoginDialog ? UpperCaseAnsi(WideToAnsi(FromQString(DeviceLoginDialog->UserEdt->text()))) : "USER";
}

WideString TMainForm::DialogPassword() const {
  return DeviceLoginDialog ? FromQString(DeviceLoginDialog->PasswordEdt->text()) : WideString();
}

void TMainForm::FreeLoginDialogControls() {
  if (!DeviceLoginDialog) return;
  DeviceLoginDialog->OfflineEdit->setReadOnly(false);
  for (QWidget* w : std::initializer_list<QWidget*>{DeviceLoginDialog->RS232Radio, DeviceLoginDialog->OfflineBtn,
                                                    DeviceLoginDialog->ETHRadio})
    w->setEnabled(true);
}

void TMainForm::PrepareLoginDialogForFile(const WideString& FileName) {
  if (!DeviceLoginDialog) return;
  TDeviceLoginDialog& d = *DeviceLoginDialog;
  d.OfflineEdit->setReadOnly(true);
  d.OfflineRadio->setChecked(true);
  for (QWidget* w : std::initializer_list<QWidget*>{d.RS232Radio, d.OfflineBtn, d.ETHRadio}) w->setEnabled(false);
  d.OfflineEdit->setText(ToQString(FileName));
}

// ---- Requests ----

void TMainForm::CreateDevice(QWidget* Sender, const AnsiString& ProfileName) {
  FreeLoginDialogControls();
  if (MainState != stReady) return;
  ChooseDeviceName();
  FProfileName = ProfileName;
  const AnsiString profile = UpperCaseAnsi(ProfileName);
  if (profile == UpperCaseAnsi(OnlineProfile)) {
    if (DeviceLoginDialog && DeviceLoginDialog->exec() == QDialog::Accepted) MainState = stOpenDevice;
  } else {
    for (const auto& request : OfflineRequests)
      if (profile == request.Profile) MainState = request.State;
  }
  MainSignal.SetReady(true);
}

void TMainForm::CreateDeviceDragAndDrop(const WideString& FileName) {
  FFileNameDragAndDrop = FileName;
  FTempFileName = WideToAnsi(FileName);
  PrepareLoginDialogForFile(FileName);
  if (MainState != stReady) return;
  try {
    if (IsNewFile(FTempFileName)) return OpenProjectOffline();
  } catch (const std::exception& e) {
    MessageDlg(Utf8ToWide(e.what()), mtError, MsgDlgButton(mbOK));
    return;
  }
  ChooseDeviceName();
  if (DeviceLoginDialog && DeviceLoginDialog->exec() == QDialog::Accepted) {
    FProfileName = "VORLIXOFFLINE";
    MainState = stOpenDeviceOfflineDragAndDrop;
    MainSignal.SetReady(true);
  } else {
    MainState = stReady;
  }
}

void TMainForm::CreateDeviceWithPar(QWidget* Sender, const AnsiString& ProfileName, const AnsiString& PortName) {
  FPortName = PortName;
  FProfileName = ProfileName;
  if (MainState != stReady) return;
  ChooseDeviceName();
  MainState = stOpenDeviceWithPar;
  MainSignal.SetReady(true);
}

bool TMainForm::SetMainStatestWait(TDevice* Device) {
  if (MainState != stReady) return false;
  CurrentDevice = Device;
  MainState = stWaitDevice;
  MainSignal.SetReady(true);
  return true;
}

void TMainForm::StartETHScanning() {
  if (MainState == stReady) {
    MainState = stETHScanForDevices;
    MainSignal.SetReady(true);
  } else if (MainState == stGetComBaudrate) {
    ScanningRequest = true;
  }
}

// The Ethernet scan and blink come with the scan's datagrams.
void TMainForm::BlinkETH(std::uint32_t) { LogWarning("Blink: the Ethernet scan is not available"); }
void TMainForm::BlinkETHv6(const WideString&) { LogWarning("Blink: the Ethernet scan is not available"); }

void TMainForm::SendBaudRate() {
  if (MainState == stReady) MainState = stprepSendComBaudrate;
}

void TMainForm::ResetSendBaudrate() {
  if (MainState == stprepSendComBaudrate) MainState = stGetComBaudrate;
}

void TMainForm::DeviceResponse(TDevice* Device) {
  if (Device != CurrentDevice) return;
  MainSignal.SetReady(true);
  if (Device->GetStrVar(u"UserName") == u"DEVELOPER") LogInfo("DeviceResponse");
}

void TMainForm::DeviceResponseShutDown(TDevice* Device) {
  TDeviceManager& manager = *DeviceManager();
  bool listed = false;
  for (int i = 0; i < manager.GetDeviceCount(); ++i) listed = listed || manager.GetDeviceAtIndex(i) == Device;
  if (!listed) return;
  if (Device->GetStrVar(u"UserName") == u"DEVELOPER") LogInfo("DeviceResponseShutDown");
  // The machine may have gone on to another device meanwhile: only a wait for this one ends.
  const bool waited = CurrentDevice == Device;
  if (waited) CurrentDevice = nullptr;
  manager.DestroyDevice(Device);
  manager.ModelManager().EndOfUpdate();
  manager.DevManProvider().EndOfUpdate();
  if (waited && MainState == stWaitDevice) MainState = stReady;
}

void TMainForm::OpenProjectOffline() {
  if (OpenOffline) return OpenOffline(*FProjDataDict);
  LogWarning("MainExecute: the open-project dialog is not available; the project is not opened");
}

bool TMainForm::IsNewFile(const AnsiString& FileName) {
  if (!FileExists(FileName)) throw Exception("File with name " + FileName + " doesn't exist!");
  try {
    FProjDataDict = ReadDictionary(FileName);
  } catch (const std::exception&) {
    throw Exception("File corrupted!");
  }
  const auto* info = dynamic_cast<const TSLDictionary*>(FProjDataDict->FindObjectAnsi("Info"));
  return info && TextEntry(*info, "Type") == "Vorlix project";
}

void TMainForm::ModulCheck(TDevice* Device) {
  vt::ModulCheck(*Device, DeviceManager()->ModelManager(), Settings.ModulFunctionFlag == 1);
}

// ---- The machine ----

void TMainForm::MainExecute(TMxTask* Task) {
  const TMainState state = MainState;
  try {
    switch (state) {
      case stStartup: return StartupStep();
      case stReady: return ReadyStep(Task);
      case stOpenDevice: return OpenDeviceStep();
      case stOpenDeviceOffline: return OpenDeviceOfflineStep();
      case stOpenDeviceOfflineDragAndDrop: return OpenDroppedFileStep();
      case stAutoOpenDevice: return AutoOpenDeviceStep();
      case stWaitDevice: return WaitDeviceStep(Task);
      case stOpenDeviceWithPar: return OpenDeviceWithParStep();
      case stOpenDeviceOfflineDict: return OpenDeviceOfflineDictStep();
      case stCreateDeviceOfflineOldRel: return CreateDeviceOfflineStep(true);
      case stCreateDeviceOffline: return CreateDeviceOfflineStep(false);
      case stprepSendComBaudrate:
        MainState = stSendComBaudrate;
        return;
      case stSendComBaudrate:
        MainState = stGetComBaudrate;
        return;
      case stGetComBaudrate:
        if (DeviceLoginDialog) DeviceLoginDialog->CloseCommDriver();
        MainState = stReady;
        if (ScanningRequest) {
          ScanningRequest = false;
          StartETHScanning();
        }
        return;
      case stETHScanForDevices:
        // Until the scan's datagrams exist the request ends here, so the machine stays usable.
        LogWarning("MainExecute: the Ethernet scan is not available");
        MainState = stReady;
        return;
      default:
        return;
    }
  } catch (const std::exception& e) {
    // The opening states that the user started by hand show why they failed.
    if (state == stOpenDevice || state == stCreateDeviceOffline || state == stCreateDeviceOfflineOldRel)
      MessageDlg(Utf8ToWide(e.what()), mtError, MsgDlgButton(mbOK));
    LogError(Format("%s.MainExecute: %s", ClassName(), e.what()));
    if (state == stOpenDevice) VXC_Name.clear();
    AbandonOpening();
  }
}

void TMainForm::StartupStep() {
  if (DeviceLoginDialog) {
    auto* login = dynamic_cast<TSLNamedCollection*>(ProgramRegistry->RegData()->FindObjectAnsi("Login"));
    auto* config = dynamic_cast<TSLNamedCollection*>(ViewConfigRegistry->RegData()->FindObjectAnsi("LoginConfig"));
    if (!login) throw Exception("Invalid class typecast");
    DeviceLoginDialog->Initialize(*login, config);
  }
  if (TalkProgramType == tptDevelop) {
    LogInfo("Started as DEVELOP");
    MainState = stReady;
    return;
  }
  MainState = AutoLogin->NameExists(u"Auto") && AutoLogin->GetBoolWithName(u"Auto") ? stAutoOpenDevice : stReady;
}

bool TMainForm::NothingLeftToRun() const {
  if (!FStartTasksDone || TheScriptTaskManager().GetCountRunning() > 0) return false;
  if (FNoForm) return ScriptsStarted >= ScriptsExpectedToStart();
  return WindowList->CommanderCount() == 0;
}

void TMainForm::ReadyStep(TMxTask* Task) {
  if (MainFormExitRequest || NothingLeftToRun()) {
    MxRequestExit();
    return;
  }
  if (FOpenConfigPending) {
    FOpenConfigPending = false;
    MainState = stOpenDevice;
    return;
  }
  TDeviceManager& manager = *DeviceManager();
  if (manager.FDestroyedFlag) {
    // The signal is normally still ready from the failed login: each count is one turn.
    if (manager.FDestroyedFlagCounter < ReloginTurns) {
      ++manager.FDestroyedFlagCounter;
      Task->WaitFor(&MainSignal, ReloginTurnPauseMs);
      return;
    }
    CreateDevice(nullptr, OnlineProfile);
    manager.FDestroyedFlag = false;
    return;
  }
  WaitForSignal(Task, MxLongestWait);
}

void TMainForm::OpenDeviceStep() {
  FLoginAbortRequest = false;
  FreeLoginDialogControls();
  if (!DeviceLoginDialog) {  // without windows nobody can choose
    VXC_Name.clear();
    MainState = stReady;
    return;
  }
  if (!VXC_Name.empty()) {
    ChooseDeviceName();
    PrepareLoginDialogForFile(AnsiToWide(VXC_Name));
    if (DeviceLoginDialog->exec() != QDialog::Accepted) {
      VXC_Name.clear();
      MainState = stReady;
      return;
    }
  }
  if (DeviceLoginDialog->GetInterfaceType() == ifOffline)
    OpenOfflineFromDialog();
  else
    OpenOnlineFromDialog();
}

void TMainForm::OpenOfflineFromDialog() {
  const TDeviceLoginDialog& dialog = *DeviceLoginDialog;
  TDevice* device = NewDevice(FDeviceName, OfflineProfile);
  const AnsiString boxFile = WideToAnsi(FromQString(dialog.OfflineEdit->text()));
  device->SetStrVar(u"DefaultCommander", dialog.FCommander);
  device->SetStrVar(u"ConfigFile", AnsiToWide(VXC_Name.empty() ? boxFile : VXC_Name));
  device->SetStrVar(u"UserName", AnsiToWide(DialogUserName()));
  device->SetStrVar(u"Password", DialogPassword());
  if (VXC_Name.empty()) {
    if (!FileExists(boxFile)) throw Exception(WideToUtf8(GetInfoSysTextFmt(u"Login_File_Not_Found", {boxFile})));
    VXC_Name = boxFile;
  }
  OpenOfflineFlag = true;
  if (IsNewFile(VXC_Name)) {
    DeviceManager()->DestroyDevice(device);
    FMadeDevice = CurrentDevice = nullptr;
    MainState = stWaitDevice;
    VXC_Name.clear();
    OpenProjectOffline();
    return;
  }
  const auto* info = CheckedCast<TSLDictionary>(FProjDataDict->FindObjectAnsi("Info"));
  CheckConfigurationVersion(*info, GetProductInfoStr("ProgramName"), GetCompanyInfoStr("HomePage"));
  CheckOfflineLogin(*info, WideToAnsi(device->GetStrVar(u"UserName")), WideToAnsi(device->GetStrVar(u"Password")));
  VXC_Name.clear();
  StartAndWait(device, true);
}

void TMainForm::OpenOnlineFromDialog() {
  const TDeviceLoginDialog& dialog = *DeviceLoginDialog;
  TDevice* device = NewDevice(FDeviceName, OnlineProfile);
  const AnsiString port = dialog.GetPortName();
  device->SetStrVar(u"PortName", AnsiToWide(port));
  device->SetStrVar(u"DeviceType", dialog.FDeviceType);
  device->SetStrVar(u"DefaultCommander", dialog.FCommander);
  device->SetStrVar(u"UserName", AnsiToWide(DialogUserName()));
  device->SetStrVar(u"Password", DialogPassword());
  device->InterfaceType = dialog.GetInterfaceType();
  device->DeviceMACID = dialog.GetDeviceMACID();
  device->DeviceIP = static_cast<std::int32_t>(dialog.GetIPAddress());
  device->DeviceIPv6 = dialog.GetIPv6Address();
  device->EthVersion = static_cast<std::uint32_t>(dialog.GetEthVersion());
  device->DevicePort = static_cast<std::uint32_t>(dialog.GetUdpPort());
  LostList().Remove(port);
  StartAndWait(device, true);
}

void TMainForm::OpenDeviceOfflineStep() {
  const WideString file = ExecuteOpenDialog({}, u"Configuration file (*.vxc2)|*.vxc2", u"vxc");
  if (file.empty()) {
    MainState = stReady;
    return;
  }
  StartAndWait(NewOfflineDevice("USER", file), true);
}

void TMainForm::OpenDroppedFileStep() {
  TDevice* device = NewOfflineDevice(DialogUserName(), FFileNameDragAndDrop);
  device->SetStrVar(u"Password", DialogPassword());
  StartAndWait(device, true);
}

void TMainForm::AutoOpenDeviceStep() {
  TDevice* device = NewDevice(AutoLoginDevice, TextEntry(*AutoLogin, "Profile"));
  // A port the settings name as a relative path lies below the program's folder, as
  // the settings' serial port list has it.
  const AnsiString port = TextEntry(*AutoLogin, "ComPort");
  if (AutoLogin->FindObjectAnsi("ComPort")) device->SetStrVar(u"PortName", SerialPortPath(AnsiToWide(port)));
  device->SetStrVar(u"UserName", u"USER");
  device->Model()->SetCaption(std::string(AutoLoginDevice) + (port.empty() ? " offline" : " on " + port));
  StartAndWait(device, false);
}

void TMainForm::OpenDeviceWithParStep() {
  TDevice* device = NewDevice(FDeviceName, FProfileName);
  device->SetStrVar(u"PortName", AnsiToWide(FPortName));
  device->SetStrVar(u"UserName", u"USER");
  StartAndWait(device, false);
}

void TMainForm::OpenDeviceOfflineDictStep() {
  AnsiString user = "User";
  if (OpenOfflineFlag) {
    user = DialogUserName();
    OpenOfflineFlag = false;
  }
  TDevice* device = NewOfflineDevice(user, u"DataDict");
  device->SetStrVar(u"Password", DeviceLoginDialog ? DeviceLoginDialog->FPassword : WideString());
  StartDevice(device);
  FGeneratedDevice = device;
  if (auto* module = device->Sibling<TModuleService>("ModuleService")) {
    module->SetDataDict(MainDataDict.get());
    module->SetTestFileName(FTempFileName);
  }
  MainState = stWaitDevice;
  PostInfoMessage();
}

void TMainForm::CreateDeviceOfflineStep(bool OldRelease) {
  AnsiString file;
  if (OldRelease) {
    file = WideToAnsi(ExecuteOpenDialog(WorkDir + u"Firmware", u"Storage object (*.stx)|*.stx", {}));
    if (file.empty()) {
      MainState = stReady;
      return;
    }
  } else {
    file = InstalledFirmwareScript();
    if (file.empty()) throw Exception("Firmware script file missing!");
  }
  const TRef<TSLDictionary> script = ReadDictionary(file);
  const std::int64_t newest = OldRelease ? OldReleaseScriptVersion : FirmwareScriptVersion;
  auto* init = As<TSLBlock>(&CheckFirmwareScript(*script, newest));
  if (!init) throw Exception("Wrong file type!");
  if (!ConfWizard) {
    LogWarning("MainExecute: the offline-configuration dialog needs windows");
    MainState = stReady;
    return;
  }
  ConfWizard->ClearList();
  const auto version = CheckedCast<TSLLongint>(script->FindObjectAnsi("FirmwareScriptVer"))->GetLongintValue();
  ConfWizard->Initialize(init, static_cast<std::int32_t>(version));
  if (ConfWizard->ShowModal() != mrOk) {
    MainState = stReady;
    return;
  }
  SetOfflineTreeChoice(ConfWizard.get());
  TDevice* device = NewDevice(FDeviceName, OfflineProfile);
  device->SetStrVar(u"DefaultCommander", WideString());
  device->SetStrVar(u"UserName", u"USER");
  device->Model()->SetCaption(" offline");
  device->SetStrVar(u"ConfigFile", u"CREATEOFFLINE");
  // Both paths show the login information window.
  StartAndWait(device, true);
}

void TMainForm::WaitDeviceStep(TMxTask* Task) {
  TDevice* device = CurrentDevice;
  if (!device) {
    MainState = stReady;
    return;
  }
  const bool relogin = DeviceManager()->FReloginFlag;
  switch (device->State()) {
    case dstStarted:
      OpenBrackets();
      if (device->DeviceType() == dtOffline) LoadStartedOffline(device);
      MainState = stReady;
      FinishStartedDevice();
      ReportSuccess();
      return;
    case dstError:
      OpenBrackets();
      ReportFailure();
      if (relogin)
        Task->WaitFor(&MainSignal, ReloginPollMs);
      else
        MainState = stReady;
      return;
    default:
      if (relogin)
        Task->WaitFor(&MainSignal, ReloginPollMs);
      else
        WaitForSignal(Task, MxLongestWait);
  }
}

void TMainForm::LoadStartedOffline(TDevice* Device) {
  // The module service identified the configuration's trees while it started; loading
  // a configuration's values comes with the configuration files.
  if (Device->GetStrVar(u"ConfigFile") == u"CREATEOFFLINE") SetParameterForCreateOffline();
}

void TMainForm::SetParameterForCreateOffline() {
  if (!CurrentDevice || !ConfWizard) return;
  // The device has started: a parameter it cannot take is logged, and the device is
  // filed all the same.
  try {
    vt::SetParameterForCreateOffline(*CurrentDevice, *ConfWizard);
  } catch (const std::exception& e) {
    LogError(Format("%s.SetParameterForCreateOffline: %s", ClassName(), e.what()));
  }
}

// ---- Shared steps ----

void TMainForm::ChooseDeviceName() {
  FDeviceName = FirstFreeDeviceName(*DeviceManager());
  if (DeviceLoginDialog) DeviceLoginDialog->FDeviceCaption = AnsiToWide(FDeviceName);
}

TDevice* TMainForm::NewDevice(const AnsiString& Name, const AnsiString& Profile) {
  // "Ignore all missing UPIDs" holds for one device.
  MissingUPIDPrompt().ClearIgnoreAll();
  FMadeDevice = DeviceManager()->CreateDevice(Name, Profile);
  return FMadeDevice;
}

void TMainForm::StartDevice(TDevice* Device) {
  Device->CreateServices();
  Device->StartUpServices([this](TDevice* Sender) { DeviceResponse(Sender); });
  CurrentDevice = Device;
  FMadeDevice = nullptr;
}

void TMainForm::StartAndWait(TDevice* Device, bool ShowInfo) {
  StartDevice(Device);
  MainState = stWaitDevice;
  if (ShowInfo) PostInfoMessage();
}

TDevice* TMainForm::NewOfflineDevice(const AnsiString& UserName, const WideString& ConfigFile) {
  TDevice* device = NewDevice(FDeviceName, OfflineProfile);
  device->SetStrVar(u"DefaultCommander", CommanderName());
  device->SetStrVar(u"UserName", AnsiToWide(UserName));
  device->Model()->SetCaption(WideToAnsi(DialogDeviceCaption()) + " offline");
  device->SetStrVar(u"ConfigFile", ConfigFile);
  return device;
}

void TMainForm::AbandonOpening() {
  if (FMadeDevice) {
    if (CurrentDevice == FMadeDevice) CurrentDevice = nullptr;
    DeviceManager()->DestroyDevice(FMadeDevice);
    FMadeDevice = nullptr;
  }
  MainState = stReady;
}

void TMainForm::OpenBrackets() {
  DeviceManager()->ModelManager().BeginUpdate();
  DeviceManager()->DevManProvider().BeginUpdate();
}

void TMainForm::FinishStartedDevice() {
  TDeviceManager& manager = *DeviceManager();
  TDevice* device = CurrentDevice;
  ModulCheck(device);
  manager.UpdateRequest = true;
  const TModelItem* parent = device->Model()->Parent();
  LogInfo(Format("%s started, filed under \"%s\"", device->Name(), parent ? parent->Caption() : AnsiString()));
  CurrentDevice = nullptr;
  manager.ModelManager().EndOfUpdate();
  manager.DevManProvider().EndOfUpdate();
}

void TMainForm::ReportSuccess() {
  AddInfoLine(" ");
  AddInfoLine("Login process successfull completed!");
  if (!LoginInfoForm) return;
  LoginInfoForm->CloseBtn->setEnabled(true);
  LoginInfoForm->close();
}

void TMainForm::ReportFailure() {
  CurrentDevice->ShutDownServices([this](TDevice* Sender) { DeviceResponseShutDown(Sender); });
  AddInfoLine(" ");
  AddInfoLine("An error has occurred during the login process!");
  if (LoginInfoForm) LoginInfoForm->CloseBtn->setEnabled(true);
}

void TMainForm::WaitForSignal(TMxTask* Task, std::int64_t Timeout) {
  MainSignal.SetReady(false);
  Task->WaitFor(&MainSignal, Timeout);
}

}  // namespace vt
