// The hidden main form; see MainForm.h.
#include "shell/forms/MainForm.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <filesystem>

#include "comm/CommPortManager.h"
#include "comm/forms/DeviceLoginDialog.h"
#include "comm/SharedLinkState.h"
#include "config/forms/ConfWizard.h"
#include "devices/DeviceManager.h"
#include "devices/LoginWindows.h"
#include "devices/forms/ConnectionLostForm.h"
#include "devices/forms/LoginInfoForm.h"
#include "devices/services/ModuleService.h"
#include "oscilloscope/OscilloscopeManager.h"
#include "parameters/forms/MissingUPIDForm.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "runtime/ApplicationState.h"
#include "runtime/CommandLine.h"
#include "runtime/Compatibility.h"
#include "runtime/DebugLog.h"
#include "runtime/MD5Digests.h"
#include "runtime/MessageBuffers.h"
#include "runtime/Messages.h"
#include "runtime/ObjectRegistry.h"
#include "runtime/ProcessGlobal.h"
#include "runtime/ProgramFolders.h"
#include "runtime/QtSchedulerBridge.h"
#include "runtime/Services.h"
#include "runtime/SettingsTree.h"
#include "runtime/Threads.h"
#include "runtime/forms/DebugWindow.h"
#include "runtime/forms/LogWindows.h"
#include "runtime/forms/UserSettingsForm.h"
#include "scripting/ScriptTask.h"
#include "scripting/ScriptTaskManager.h"
#include "shell/CommunicationSetup.h"
#include "shell/DataFolders.h"
#include "shell/ShellLimits.h"
#include "shell/StartOptions.h"
#include "shell/UpdateChecks.h"
#include "shell/forms/CommanderWindow.h"
#include "shell/forms/MenuList.h"
#include "shell/forms/WindowRegistry.h"
#include "sl/storage/Archive.h"
#include "sl/storage/ClipboardStorage.h"
#include "sl/storage/FileStorage.h"
#include "sl/storage/PluginClasses.h"
#include "sl/storage/StorageScriptClasses.h"
#include "sl/text/Decoder.h"
#include "sl/values/Scalars.h"
#include "ui/ScaleResult.h"

namespace vt {

TMainForm* MainForm = nullptr;

namespace fs = std::filesystem;

namespace {

// The class-path folders below the program's folder, in search order.
const char* const ClassPaths[] = {"Archives\\", "Packages\\", "PackInst\\", "UnitService\\",
                                  "ParTrees\\", "Firmware\\",  "Actuators\\"};

// The developer password's digest is built at run time from parts of the program.
TMD5Digest DeveloperDigest() {
  const std::string parts[] = {"Vorlix", "-", "Develop", "!", "2026"};
  std::string text;
  for (const auto& part : parts) text += part;
  return MD5Value(text);
}

WideString ViewConfigFile() { return AppDataDir + u"ViewConfig.ini"; }

bool FileExists(const WideString& Name) {
  std::error_code ec;
  return fs::is_regular_file(ResolvePath(Name), ec);
}

// The dictionary Name of Tree's root; an empty one when the file has none.
TRef<TSLDictionary> SectionOrEmpty(TProgramRegistry& Tree, const char* Name) {
  if (auto* dict = dynamic_cast<TSLDictionary*>(Tree.RegData()->FindObjectAnsi(Name))) return TRef<TSLDictionary>(dict);
  return MakeRef<TSLDictionary>();
}

AnsiString TextOf(const TSLDictionary* Dict, const char* Name) {
  const auto* text = Dict ? dynamic_cast<const TSLString*>(Dict->FindObjectAnsi(Name)) : nullptr;
  return text ? WideToAnsi(text->StringValue()) : AnsiString();
}

std::int32_t IntOf(const TSLDictionary* Dict, const char* Name) {
  const auto* number = Dict ? dynamic_cast<const TSLLongint*>(Dict->FindObjectAnsi(Name)) : nullptr;
  return number ? static_cast<std::int32_t>(number->GetLongintValue()) : -1;
}

// Reads a settings file that the start needs; a missing or unreadable one ends the start.
void ReadRequired(TProgramRegistry& Tree, const AnsiString& Name) {
  try {
    Tree.ReadFromFile(Name);
  } catch (const Exception& e) {
    throw Exception("Cannot read " + Name + ": " + e.what());
  }
  if (Tree.ReadFailed()) throw Exception("Cannot read " + Name);
}

// The start-up window, made on first use: shown while the first start copies the data.
QWidget* StartUpWindow() {
  static QWidget* window = [] {
    auto* w = new QWidget(nullptr, Qt::Dialog);
    w->setObjectName("StartUpWindow");
    w->setWindowTitle("Vorlix-Talk Start Up");
    auto* label = new QLabel("Vorlix-Talk starts up. This takes some time. Please be patient.", w);
    label->setObjectName("InitLbl");
    (new QVBoxLayout(w))->addWidget(label);
    return w;
  }();
  return window;
}

TLanguageSelForm* LanguageSelForm() {
  static TLanguageSelForm* form = new TLanguageSelForm();
  return form;
}

// An install setting handed to scripts; a missing one or one of another type as 0 or empty.
template <class T>
TRef<TSLObject> InstallValue(const char* Key) {
  auto* install = dynamic_cast<TSLDictionary*>(ViewConfigRegistry->RegData()->FindObjectAnsi("InstallConfig"));
  if (auto* value = install ? dynamic_cast<T*>(install->FindObjectAnsi(Key)) : nullptr) return TRef<TSLObject>(value);
  if constexpr (std::is_same_v<T, TSLLongint>)
    return MakeRef<TSLLongint>(0);
  else
    return MakeRef<TSLString>(WideString());
}

bool HaveWindows() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace

TMainForm::TMainForm(const WideString& ProgramFile, std::vector<std::string> Args)
    : FProgramFile(ProgramFile), FArgs(std::move(Args)) {
  MainForm = this;
}

TMainForm::~TMainForm() {
  MainForm = nullptr;
  if (ConfWizard && OfflineTreeChoice() == ConfWizard.get()) SetOfflineTreeChoice(nullptr);
}

void TMainForm::CreateStorage() {
  StorageManager = new TStorageManager(WideToAnsi(WorkDir));
  StorageManager->AnnounceSystemProcedure("loadclass", MakeRef<TSLLoadClassProcedure>().get());
  ObjectRegistryManager().RegisterObject(StorageManager, "StorageManager", "StorageManager", 1, 0);
  for (const char* path : ClassPaths) StorageManager->AnnounceClasspath(WideToAnsi(WorkDir) + path);
  StorageManager->AnnounceScriptTaskFactory(std::make_unique<TScriptTaskFactory>());
  StorageManager->AnnounceStoragePlugin(std::make_unique<TFileStoragePlugin>(), true);
  StorageManager->AnnounceStoragePlugin(std::make_unique<TArchiveStoragePlugin>(), true);
  StorageManager->AnnounceStoragePlugin(std::make_unique<TClipboardStoragePlugin>(), false);
  // The script classes that exist so far.
  AnnounceStorageScriptClasses(*StorageManager);
  InstallScriptTaskManager(std::make_unique<TScriptTaskManager>());
  TheScriptTaskManager().AddOnChangeListener(this, [this](TScriptTaskManager*) {
    if (MainState == stReady) MainSignal.SetReady(true);
  });
}

void TMainForm::ReadSettingsFiles() {
  const AnsiString iniFile = HasOption(u"INIFile") ? OptionValue(u"INIFile") : AnsiString("Quorvel.ini");
  ProgramRegistry = std::make_unique<TProgramRegistry>();
  ReadRequired(*ProgramRegistry, "archive://Archives\\Config\\" + iniFile);
  ViewInfo = SectionOrEmpty(*ProgramRegistry, "ViewInfo");
  AutoLogin = SectionOrEmpty(*ProgramRegistry, "AUTOLOGIN");
  CompanyRegistry = std::make_unique<TProgramRegistry>();
  ReadRequired(*CompanyRegistry, "archive://Archives\\Config\\VendorInfo.stx");
  FCompanyInfo = SectionOrEmpty(*CompanyRegistry, "CompanyInfos");
  FProductInfo = SectionOrEmpty(*CompanyRegistry, "ProductInfos");
  // The talk service names the product and the maker in its messages.
  for (const char* name : {"ProgramName", "ProgramVersionCaption"}) ProductInfos().Set(name, GetProductInfoStr(name));
  CompanyInfos().Set("HomePage", GetCompanyInfoStr("HomePage"));
}

void TMainForm::ReadViewConfig() {
  ViewConfigRegistry = std::make_unique<TProgramRegistry>();
  const WideString programCopy = WorkDir + u"ViewConfig.ini";
  if (FileExists(ViewConfigFile())) {
    try {
      ViewConfigRegistry->ReadFromFile(WideToAnsi(ViewConfigFile()));
      return;
    } catch (const Exception& e) {
      LogWarning(Format("%s: %s; the program's copy is read", WideToUtf8(ViewConfigFile()), e.what()));
    }
  }
  ReadRequired(*ViewConfigRegistry, WideToAnsi(programCopy));
}

void TMainForm::ApplyViewSettings() {
  Settings.Read(*ViewConfigRegistry, WideToAnsi(ViewConfigFile()));
  // The view-setting values that the devices and the drive link read.
  TApplicationState& state = ApplicationState();
  state.InfoSysLang = Settings.InfoSysLang;
  state.UPIDDispMode = Settings.UPIDDispMode;
  state.RawDataDispMode = Settings.RawDataDispMode;
  state.ParaRefreshFlag = Settings.ParaRefreshFlag;
  state.Beautifulview = Settings.Beautifulview;
  state.BeautifulviewZeros = Settings.BeautifulviewZeros;
  state.ModulFunctionFlag = Settings.ModulFunctionFlag;
  state.MultiReadActive = Settings.MultiReadActive;
  state.MultiReadSize = Settings.MultiReadSize;
  state.LastBaudrate = Settings.LastBaudrate;
  if (!Settings.InfoSysLang.empty()) state.LanguageName = Settings.InfoSysLang;
  SetMaxNumberOfTries(Settings.MaxNumberOfTries);
  SetRepeatChecksum(Settings.RepeatChecksum);
  SetManualBufferSize(Settings.ManualBufferSize);
  if (HaveWindows()) QApplication::setFont(QFont(QString::fromStdString(Settings.MainFont), 9));
  static const std::uint32_t accents[] = {0x2FC5B5, 0xC9AEF0, 0x00D7FF};
  if (Settings.ButtonColor >= 0 && Settings.ButtonColor < 3) FAccentColor = accents[Settings.ButtonColor];
}

void TMainForm::CreateMainTasks() {
  MainTask = std::make_unique<TMxTask>("MainTask");
  MainTask->OnExecute = [this](TMxTask* Task) { MainExecute(Task); };
  MainTask->Start();
  // The update server's address is the program settings' "UPDATE\ServerURL"; without it
  // a check fails and says so in the log.
  auto* update = dynamic_cast<TSLDictionary*>(ProgramRegistry->RegData()->FindObjectAnsi("UPDATE"));
  FUpdateChecks = std::make_unique<TUpdateChecks>(TextOf(update, "ServerURL"),
                                                  TRelease{FProductVersion, FProductSubVersion, FProductBuildDate},
                                                  FInfoFileName);
  AutoreleaseTask = std::make_unique<TMxTask>("AutoReleaseTask");
  AutoreleaseTask->SetPriority(AutoReleasePriority);
  AutoreleaseTask->OnExecute = [](TMxTask* Task) {
    RefObjManager().PurgeAutoReleasePool();
    Task->Sleep(AutoReleasePeriodMs);
  };
  AutoreleaseTask->Start();
}

void TMainForm::LoadTypeDefinitions() {
  const auto load = [](const WideString& File, const char* Entry) -> TRef<TSLObject> {
    if (!FileExists(File)) return {};
    const TRef<TSLStorageObject> object(StorageManager->GetObject(WideToAnsi(File)));
    auto* dict = dynamic_cast<TSLDictionary*>(object->GetData());
    TSLObject* value = dict ? dict->FindObjectAnsi(Entry) : nullptr;
    return value ? TRef<TSLObject>(value->CopyObject()) : TRef<TSLObject>();
  };
  if (auto types = load(WorkDir + u"Firmware/TypeDefinitions.stx", "TypeDefinitions"))
    TypeDefinitions = TRef<TSLDictionary>(CheckedCast<TSLDictionary>(types.get()));
  if (auto documents = load(WorkDir + u"Doc/Documents.stx", "DocumentArray"))
    SetDocumentTable(CheckedCast<TSLArray>(documents.get()));
}

void TMainForm::InstallLoginWindows() {
  CreateLoginWindows();
  InstallConnectionLostDialog();
  InstallMissingUPIDWindow(FMenuOwner.get());
}

void TMainForm::CreateMenuLists() {
  FMenuOwner = std::make_unique<QObject>();
  WindowMenuList = new TMenuList(FMenuOwner.get());
  WindowMenuList->SetSorted(true);
  WindowMenuList->SetAutoShortcut(true);
  WindowMenuList->OnMenuClick = [](void* Object) {
    if (Object) static_cast<QWidget*>(Object)->show();
  };
  ViewMenuList = new TMenuList(FMenuOwner.get());
  ViewMenuList->OnMenuClick = WindowMenuList->OnMenuClick;
  LanguageMenuList = new TMenuList(FMenuOwner.get());
  LanguageMenuList->OnMenuClick = [this](void* Object) {
    SetInfoSysLang(WideToAnsi(static_cast<TSLString*>(Object)->StringValue()));
  };
}

void TMainForm::FormCreate() {
  if (HaveWindows()) SetScaleResult(QGuiApplication::primaryScreen()->logicalDotsPerInch() / 96.0);
  MainFormExitRequest = false;
  pswDeveloper = DeveloperDigest();
  InstallLogWindowManager(std::make_unique<TLogWindowManager>());
  SetProgramFolders(PathToWide(ResolvePath(FProgramFile).parent_path()));
  CreateStorage();
  ReadProgramParameters(FArgs);
  FNoForm = HasOption(u"NoForm");
  CreateCommPortManager();
  ReadSettingsFiles();
  const AnsiString productName = GetProductInfoStr("ProgramName");
  const AnsiString caption = GetProductInfoStr("ProgramVersionCaption");
  FProductVersion = IntOf(FProductInfo.get(), "ProgramVersion");
  FProductSubVersion = IntOf(FProductInfo.get(), "ProgramSubVersion");
  FProductBuildDate = IntOf(FProductInfo.get(), "ProgramBuildDate");
  SetAppDataDir(AnsiToWide(productName.empty() || caption.empty() ? productName : productName + " - " + caption));
  FInfoFileName = AppDataDir + u"vorlixtalk7releaseinfo.txt";
  FInfoNewsFileName = AppDataDir + u"newsinfofile_utf8.txt";
  for (const char16_t* folder : {u"DOC/RefDoc", u"Communication", u"Temp"}) {
    std::error_code ec;
    fs::create_directories(ResolvePath(AppDataDir + folder), ec);
  }
  InstallDebugManager(std::make_unique<TDebugManager>(WideToPath(AppDataDir)));
  ObjectRegistryManager().RegisterObject(DebugManager(), "DebugManager", "DebugManager", 1, 0);
  ReadViewConfig();
  MxCreateMainScheduler();
  ObjectRegistryManager().RegisterObject(MxScheduler(), "MainScheduler", "MxScheduler", 1, 0);
  MxCreateBufferSegmentPool();
  MxCreateMessagePool();
  MxCreateMessageDispatcher();
  CreateServiceClientPool();
  if (HaveWindows()) CreateMenuLists();
  WindowList = std::make_unique<TWindowRegistry>(WindowMenuList);
  WindowList->OnUnregistered = [this] { MainSignal.SetReady(true); };
  LogWindowManager()->OnRegisterWindow = [this](QWidget* Form) { WindowList->RegisterWindow(Form); };
  LogWindowManager()->OnUnregisterWindow = [this](QWidget* Form) { WindowList->UnregisterWindow(Form); };
  FTaskQueue = std::make_unique<TTaskQueue>();
  InitVorlixCommander();
  if (!FNoForm && HaveWindows()) InstallLoginWindows();
  CreateLanguageMenuList();
  ApplyViewSettings();
  SetAppDataDirLocal(Settings.AppDataFolder);
  const TDataFolders folders = DataFoldersIn(Settings.AppDataFolder);
  FMotorFilesFolder_7 = folders.MotorFiles;
  CopyFirstStartData(folders, [](bool Show) {
    if (!HaveWindows()) return;
    StartUpWindow()->setVisible(Show);
    if (Show) StartUpWindow()->repaint();
  });
  FillDictFrom2ColumnCsv(MotorNameByArtnmbrDict, FMotorFilesFolder_7 + u"Art_Description.csv");
  SetConfigurationFolders();
  CreateMainTasks();
  CreateStartProgramTasks();
  VXC_Name = StartConfigurationName(FArgs);
  FInstallConfigChangedByScript = false;
  LoadTypeDefinitions();
  GlobalNoConfigSave = false;
}

AnsiString TMainForm::GetProductInfoStr(const AnsiString& Name) const { return TextOf(FProductInfo.get(), Name.c_str()); }
AnsiString TMainForm::GetCompanyInfoStr(const AnsiString& Name) const { return TextOf(FCompanyInfo.get(), Name.c_str()); }

TSLArray* TMainForm::GetInfoSysLangArr() const {
  return ViewInfo ? dynamic_cast<TSLArray*>(ViewInfo->FindObject(u"InfoSystemLanguages")) : nullptr;
}

void TMainForm::SetInfoSysLang(const AnsiString& Language) {
  Settings.InfoSysLang = Language;
  ApplicationState().InfoSysLang = Language;
  ApplicationState().LanguageName = Language;
  for (TTreeAppForm* commander : Commanders()) commander->UpdateMenuLanguage();
}

std::vector<TTreeAppForm*> TMainForm::Commanders() const {
  std::vector<TTreeAppForm*> commanders;
  if (!HaveWindows()) return commanders;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* commander = dynamic_cast<TTreeAppForm*>(window); commander && commander->EntryManager())
      commanders.push_back(commander);
  return commanders;
}

void TMainForm::UpdateInfowindows() {
  try {
    for (TTreeAppForm* commander : Commanders()) commander->InfoWindowUpdate();
  } catch (const std::exception&) {
    ShowMessage(u"Error code 4D41494E");
  }
}

// ---- Start-up program tasks and scripts ----

void TMainForm::AddProgramTask(TTaskItemEvent Procedure, void* Sender) { FTaskQueue->AddTask(std::move(Procedure), Sender); }

void TMainForm::CreateStartProgramTasks() {
  AddProgramTask([this](void*) { CreateViewMenuList(); }, nullptr);
  if (!FNoForm && ViewInfo->NameExists(u"Name")) AddProgramTask([this](void*) { CreateTreeCommander(); }, nullptr);
  if (!HasOption(u"NoAuto")) AddProgramTask([this](void*) { ExecuteAutoStartScript(); }, nullptr);
  AddProgramTask([this](void*) { ExecuteCommandLineScript(); }, nullptr);
  // The end of the program is judged only once the start-up tasks have run.
  AddProgramTask([this](void*) {
    FStartTasksDone = true;
    MainSignal.SetReady(true);
  }, nullptr);
}

void TMainForm::CreateViewMenuList() {
  if (!ViewMenuList) return;  // no windows, no menus
  // The serial test window and the script task manager's window join when they exist.
  FDebugWindow = std::make_unique<TDebugWindow>();
  ViewMenuList->Add("&RORudi Debug Window", {}, FDebugWindow.get());
}

void TMainForm::CreateLanguageMenuList() {
  if (!LanguageMenuList) return;  // no windows, no menus
  if (TSLArray* languages = GetInfoSysLangArr())
    for (int i = 0; i < languages->GetCount(); ++i)
      if (auto* name = dynamic_cast<TSLString*>(languages->GetObjAtIndex(i)))
        LanguageMenuList->Add(QString::fromStdU16String(name->StringValue()), {}, name);
}

TTreeAppForm* TMainForm::CreateTreeCommander() {
  auto* commander = new TTreeAppForm();
  commander->AddModel(&DeviceManager()->ModelManager());
  commander->setWindowTitle(QString::fromStdString(GetProductInfoStr("ProgramName")));
  WindowList->RegisterWindow(commander, true);
  commander->OnWindowClose = [this](QWidget* Sender) { WindowClose(Sender); };
  commander->OnWindowMenuRequest = [this](QAction* P, bool R) { WindowMenuList->MenuListRequest(P, R); };
  commander->OnViewMenuRequest = [this](QAction* P, bool R) { ViewMenuList->MenuListRequest(P, R); };
  commander->OnLanguageMenuRequest = [this](QAction* P, bool R) { LanguageMenuList->MenuListRequest(P, R); };
  ApplicationState().OnUpdateInfoWindows = [this] { UpdateInfowindows(); };
  if (++NumberOfCommander == 1) FirstCommanderSteps();
  commander->show();
  return commander;
}

void TMainForm::FirstCommanderSteps() {
  // The configuration named at start opens once the machine is ready.
  FOpenConfigPending = !VXC_Name.empty();
  MainSignal.SetReady(true);
  TSLArray* languages = GetInfoSysLangArr();
  if (!languages) return;  // nothing to choose from: the language stays
  for (int i = 0; i < languages->GetCount(); ++i)
    if (auto* name = dynamic_cast<TSLString*>(languages->GetObjAtIndex(i)); name && WideToAnsi(name->StringValue()) == Settings.InfoSysLang)
      return;
  TLanguageSelForm* dialog = LanguageSelForm();
  dialog->OnGetInfoSysLangArr = [this] { return GetInfoSysLangArr(); };
  dialog->exec();
  if (auto* chosen = dynamic_cast<TSLString*>(languages->GetObjAtIndex(dialog->LanguageIndex())))
    SetInfoSysLang(WideToAnsi(chosen->StringValue()));
  Settings.AutoCheckForSoftwareUpdates = dialog->SearchForUpdates() ? 1 : 0;
  Settings.AutoCheckForNewsUpdates = dialog->SearchForNews() ? 1 : 0;
}

void TMainForm::ExecuteAutoStartScript() {
  const WideString script = PathToWide(ResolvePath(FProgramFile).replace_extension(".sct"));
  // A missing script counts as started: the program must not wait for it forever.
  if (FileExists(script)) ExecuteScript(WideToAnsi(script), false);
  ++ScriptsStarted;
}

void TMainForm::ExecuteCommandLineScript() {
  if (!HasOption(u"script")) return;
  const fs::path file = fs::absolute(ResolvePath(AnsiToWide(OptionValue(u"script"))));
  std::error_code ec;
  fs::current_path(file.parent_path(), ec);
  if (FileExists(PathToWide(file))) ExecuteScript(WideToAnsi(PathToWide(file)), HasOption(u"Debug"));
  ++ScriptsStarted;
}

void TMainForm::ExecuteScript(const AnsiString& FileName, bool Debug) {
  TScriptTaskInterface* task = nullptr;
  try {
    task = TheStorageManager().CreateScriptTask();
    task->SetDebug(Debug);
    task->LoadScript(FileName);
    task->SetAutoFree(true);
    task->OnFinished = [this](TScriptTaskInterface* Sender) { ScriptTaskFinish(Sender); };
    auto* first = CheckedCast<TSLDictionary>(task->GetContext()->DictStack()->GetObjAtIndex(0));
    first->DefineObject(u"InstIPAddress", InstallValue<TSLLongint>("InstIPAddress").get());
    first->DefineObject(u"InstMACID", InstallValue<TSLLongint>("InstDevMACID").get());
    first->DefineObject(u"InstPortName", InstallValue<TSLString>("InstPortName").get());
    first->DefineObject(u"InstUserName", InstallValue<TSLString>("InstUserName").get());
    first->DefineObject(u"InstIPv6Address", InstallValue<TSLString>("InstIPv6Address").get());
    task->Start();
  } catch (const Exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
    delete task;
  }
}

void TMainForm::ScriptTaskFinish(TScriptTaskInterface* Task) {
  TSLContext* context = Task->GetContext();
  if (!context || context->OperandStack()->GetCount() < 1) return;
  if (const auto* result = dynamic_cast<const TSLLongint*>(Task->PopResult())) {
    FScriptResult = static_cast<std::int32_t>(result->GetLongintValue());
    ShowMessage(AnsiToWide(std::to_string(FScriptResult)));
  }
}

// ---- Windows ----

void TMainForm::WindowClose(QWidget* Form) {
  // Log windows do not keep the program alive: only commanders count.
  if (WindowList->IsLastCommander(Form)) MainFormExitRequest = true;
  WindowList->UnregisterWindow(Form);
}

int TMainForm::Run() {
  if (FNoForm) {
    MxRunPlainLoop(MxScheduler());
    return FScriptResult;
  }
  TMxQtBridge bridge(MxScheduler());
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::exec();
  return 0;
}

// ---- Exit ----

void TMainForm::WriteViewConfig() {
  Settings.ConfigurationDir = OpenSaveConfigDir;
  Settings.WorkspaceDir = OpenSaveWorkspaceDir;
  Settings.WriteBack(*ViewConfigRegistry, ViewConfigFile());
}

void TMainForm::WriteOscilloscopeDefaults() {
  if (!OsciManager || !OsciManager->FDefaultSettingsModifiedByUser || !OsciManager->FActiveSettings) return;
  TSLDictionary* root = ViewConfigRegistry->RegData();
  auto* section = dynamic_cast<TSLDictionary*>(root->FindObjectAnsi("OscilloscopeSettings"));
  if (!section) {
    const auto fresh = MakeRef<TSLDictionary>();
    root->SetObjWithName(u"OscilloscopeSettings", fresh.get());
    section = fresh.get();
  }
  const TRef<TSLObject> copy(OsciManager->FActiveSettings->CopyObject());
  section->SetObjWithName(u"DefaultSettings", copy.get());
  std::error_code ec;
  fs::create_directories(ResolvePath(AppDataDir), ec);
  ViewConfigRegistry->WriteToFile(WideToAnsi(ViewConfigFile()));
}

void TMainForm::FormClose() {
  // Each step on its own: a failing one must not keep the others from running.
  const auto guarded = [](const std::function<void()>& Step) {
    try {
      Step();
    } catch (const Exception& e) {
      ShowMessage(Utf8ToWide(e.what()));
    }
  };
  MotorNameByArtnmbrDict.clear();
  if (!GlobalNoConfigSave) {
    guarded([this] { WriteViewConfig(); });
    guarded([this] { WriteOscilloscopeDefaults(); });
  }
  guarded([] { TerminateOurThreads(); });
}

void TMainForm::FormDestroy() {
  try {
    FTaskQueue.reset();
    FDebugWindow.reset();  // before its debug manager goes
    if (LoginInfoForm) {
      // The handlers must not outlive the window they write to.
      SetLoginInfoHandler(nullptr);
      SetTreeDialogHandler(nullptr);
      LoginInfoForm.reset();
    }
    DeviceLoginDialog.reset();  // before the talk server it lists ports of
    DoneVorlixCommander();
    InstallDebugManager(nullptr);
  } catch (const Exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
}

}  // namespace vt
