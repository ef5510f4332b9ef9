// The hidden main form: a plain object, never a window, that builds the program's object
// world at start in one fixed order (registries, storage, settings, per-user folders,
// schedulers, the drive link and device world, the data folders, the main tasks), owns
// the process-wide state the rest of the shell reads, runs the start-up program tasks,
// the scripts and the registry of open windows with the shared menus, and writes the
// view settings back at exit. GUI thread only.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "comm/LoginShell.h"
#include "platform/TextConversion.h"
#include "runtime/TaskQueue.h"
#include "runtime/Tasks.h"
#include "shell/ViewSettings.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"


namespace vt {

class TConfWizard;
class TDevice;
class TDeviceLoginDialog;
class TLoginInfoForm;
class TMenuList;
class TScriptTaskInterface;
class TTreeAppForm;
class TUpdateChecks;
class TWindowRegistry;

// The main state machine's states; the Ethernet scan's, the workspace's and the install's
// have no case yet.
enum TMainState : std::uint8_t {
  stStartup, stReady, stOpenDevice, stOpenDeviceOffline, stOpenDeviceOfflineDragAndDrop, stAutoOpenDevice,
  stWaitDevice, stShutDown, stOpenDeviceWithPar, stOpenDeviceOfflineDict, stSendLoginCmd, stCANWaitScanDevice,
  stCANScanDeviceName, stCANFreePorts, stCANScanLogin, stCANFreePortsBeforeLogin, stCANScanOpenDevice,
  stCANScanWaitDevice, stCreateDeviceOfflineOldRel, stCreateDeviceOffline, stETHScanForDevices, stSendBroadcast,
  stWaitETHScanDevice, stETHScanLogin, stBlinking, stEndBlinking, stETHScanOpenDevice, stETHScanWaitDevice,
  stWorkSpaceOpenDevice, stWorkSpaceWaitDevice, stprepSendComBaudrate, stSendComBaudrate, stGetComBaudrate,
  stInstall
};

class TMainForm : public TLoginShell {
 public:
  // ProgramFile: the program's own path (its folder is WorkDir, its name gives the
  // auto-start script); Args: the command line without it. NoForm is read from Args.
  TMainForm(const WideString& ProgramFile, std::vector<std::string> Args);
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;
  const char* ClassName() const { return "TMainForm"; }

  // Builds the object world; raises with a message naming what is missing or wrong.
  void FormCreate();
  // Runs the message loop (the plain loop with "NoForm") until the program is to end;
  // returns the process's exit code.
  int Run();
  // Writes the view settings back when a value changed; each step is guarded.
  void FormClose();
  void FormDestroy();

  // The vendor information's texts, empty for a name not held.
  AnsiString GetProductInfoStr(const AnsiString& Name) const;
  AnsiString GetCompanyInfoStr(const AnsiString& Name) const;
  // "ViewInfo\InfoSystemLanguages", nil without it.
  TSLArray* GetInfoSysLangArr() const;
  // Stores the language; every commander shows its menus in it.
  void SetInfoSysLang(const AnsiString& Language);
  // Every commander refreshes its information window; a failure shows "Error code 4D41494E".
  void UpdateInfowindows();
  // The open commanders.
  std::vector<TTreeAppForm*> Commanders() const;

  // Start-up program tasks, run one per step of the task queue's task.
  void AddProgramTask(TTaskItemEvent Procedure, void* Sender);
  void CreateStartProgramTasks();
  void CreateViewMenuList();
  void CreateLanguageMenuList();
  TTreeAppForm* CreateTreeCommander();
  void ExecuteAutoStartScript();
  void ExecuteCommandLineScript();
  // Starts a script task on FileName with the install settings in its first dictionary;
  // a failure is shown and the program goes on.
  void ExecuteScript(const AnsiString& FileName, bool Debug);
  // A commander closes; the last one ends the program.
  void WindowClose(QWidget* Form);

  // ---- Requests into the main state machine; each acts only in stReady ----
  // By the profile name (any letter case): "VorlixOnline" after the login dialog was
  // confirmed, "VorlixOffline", "RODUZAVOVIZADAROV" (a device from MainDataDict) and the
  // two create-offline profiles; any other name requests nothing but still signals.
  void CreateDevice(QWidget* Sender, const AnsiString& ProfileName);
  // A configuration dropped on a commander: a project container goes to OpenOffline,
  // a single configuration through the login dialog.
  void CreateDeviceDragAndDrop(const WideString& FileName);
  void CreateDeviceWithPar(QWidget* Sender, const AnsiString& ProfileName, const AnsiString& PortName);
  // A device a script started itself: the machine waits for it and files it. False (and
  // nothing changes) while the machine is busy.
  bool SetMainStatestWait(TDevice* Device);
  // The login dialog's side.
  void StartETHScanning() override;
  void BlinkETH(std::uint32_t Address) override;
  void BlinkETHv6(const WideString& Address) override;
  void SendBaudRate() override;
  void ResetSendBaudrate() override;
  int EthDefaultPort() const override { return Settings.EthDefaultPort; }
  void SetEthDefaultPort(int Value) override { Settings.EthDefaultPort = Value; }
  int EthPort() const override { return Settings.EthPort; }
  void SetEthPort(int Value) override { Settings.EthPort = Value; }
  int LastIPVersion() const override { return Settings.LastIPVersion; }
  void SetLastIPVersion(int Value) override { Settings.LastIPVersion = Value; }
  std::uint32_t LastBaudrate() const override { return static_cast<std::uint32_t>(Settings.LastBaudrate); }
  void SetLastBaudrate(std::uint32_t Value) override { Settings.LastBaudrate = static_cast<std::int32_t>(Value); }
  WideString ExecuteOpenDialog(const WideString& InitialDir, const WideString& Filter,
                               const WideString& DefaultExt) override;

  // The completion callbacks of a device's start-up and of the shut-down after a failed one.
  void DeviceResponse(TDevice* Device);
  void DeviceResponseShutDown(TDevice* Device);
  // Shows the login information window modally with "WaitLogin", unless it is up or the
  // login has ended meanwhile; reached through PostInfoMessage as a queued call, so the
  // other tasks keep running while it is up.
  void WM_ShowInfoForm();
  void PostInfoMessage();
  // Whether the file is a project container ("Info" "Type" "Vorlix project"), which is
  // then held in FProjDataDict. Raises "File with name … doesn't exist!" and "File
  // corrupted!".
  bool IsNewFile(const AnsiString& FileName);
  // Files CurrentDevice into the project tree, grouped by its module.
  void ModulCheck(TDevice* Device);
  // Writes the offline-configuration dialog's choice into CurrentDevice's parameters.
  void SetParameterForCreateOffline();

  TDevice* CurrentDevice = nullptr;
  AnsiString FDeviceName, FPortName, FProfileName, FTempFileName;
  WideString FFileNameDragAndDrop;
  TRef<TSLDictionary> MainDataDict, FProjDataDict;
  TDevice* FGeneratedDevice = nullptr;
  bool OpenOfflineFlag = false;
  bool FLoginAbortRequest = false;
  bool ScanningRequest = false;
  bool LoginInfoFormVisible = false;
  // The open-project dialog's offline open of a project container; until that dialog
  // exists the default logs that the container cannot be opened yet.
  std::function<void(TSLDictionary& Container)> OpenOffline;
  // Windows only: none with "NoForm".
  std::unique_ptr<TDeviceLoginDialog> DeviceLoginDialog;
  std::unique_ptr<TLoginInfoForm> LoginInfoForm;
  // The offline-configuration dialog of the create-offline paths; its last choice names
  // the trees and identification of the device created from it.
  std::unique_ptr<TConfWizard> ConfWizard;

  TViewSettings Settings;
  TMainState MainState = stStartup;
  std::int32_t FScriptResult = 0;
  int ScriptsStarted = 0;
  int NumberOfCommander = 0;
  // The tree path a new commander opens at: the one of the commander that asked for it.
  AnsiString SelectedEntry;
  AnsiString VXC_Name;
  std::int32_t FProductVersion = -1, FProductSubVersion = -1, FProductBuildDate = -1;
  WideString FInfoFileName, FInfoNewsFileName, FMotorFilesFolder_7;
  std::map<AnsiString, AnsiString> MotorNameByArtnmbrDict;
  std::uint32_t FAccentColor = 0;
  bool FInstallConfigChangedByScript = false;
  bool GlobalNoConfigSave = false;
  TRef<TSLDictionary> ViewInfo, AutoLogin, FCompanyInfo, FProductInfo;
  TMenuList* WindowMenuList = nullptr;
  TMenuList* ViewMenuList = nullptr;
  TMenuList* LanguageMenuList = nullptr;
  std::unique_ptr<TWindowRegistry> WindowList;
  std::unique_ptr<TUpdateChecks> FUpdateChecks;  // the task "UpdateTask" and its signal

  // One step of "MainTask" in the current state; an opening step that fails shows or
  // logs why, removes the device it made and returns to the ready state.
  void MainExecute(TMxTask* Task);

 private:
  void CreateStorage();
  // The Window, View and Language menu lists (windows only).
  void CreateMenuLists();
  void ReadSettingsFiles();
  void ReadViewConfig();
  void ApplyViewSettings();
  void CreateMainTasks();
  // Devices logging in show the login windows and the connection-lost dialog.
  void InstallLoginWindows();
  void LoadTypeDefinitions();
  // ---- The main state machine (MainStateMachine.cpp) ----
  void CreateLoginWindows();
  void StartupStep();
  void ReadyStep(TMxTask* Task);
  bool NothingLeftToRun() const;
  void OpenDeviceStep();
  void OpenOfflineFromDialog();
  void OpenOnlineFromDialog();
  void OpenDeviceOfflineStep();
  void OpenDroppedFileStep();
  void AutoOpenDeviceStep();
  void OpenDeviceWithParStep();
  void OpenDeviceOfflineDictStep();
  void CreateDeviceOfflineStep(bool OldRelease);
  void WaitDeviceStep(TMxTask* Task);
  void LoadStartedOffline(TDevice* Device);
  // The shared steps.
  void ChooseDeviceName();
  TDevice* NewDevice(const AnsiString& Name, const AnsiString& Profile);
  void StartDevice(TDevice* Device);
  // Starts the device and waits for it, with the login information window or without.
  void StartAndWait(TDevice* Device, bool ShowInfo);
  // An offline device of the next name, captioned by the login dialog's device caption.
  TDevice* NewOfflineDevice(const AnsiString& UserName, const WideString& ConfigFile);
  void OpenBrackets();
  void FinishStartedDevice();
  void ReportSuccess();
  void ReportFailure();
  void WaitForSignal(TMxTask* Task, std::int64_t Timeout);
  // A failed opening: the device made for it goes, the machine is ready.
  void AbandonOpening();
  void AddInfoLine(const AnsiString& Line);
  WideString CommanderName() const;
  WideString DialogDeviceCaption() const;
  AnsiString DialogUserName() const;
  WideString DialogPassword() const;
  void PrepareLoginDialogForFile(const WideString& FileName);
  // Hands FProjDataDict to OpenOffline, or logs that nothing can open it yet.
  void OpenProjectOffline();
  void FreeLoginDialogControls();

  void ScriptTaskFinish(TScriptTaskInterface* Task);
  void FirstCommanderSteps();
  void WriteViewConfig();
  void WriteOscilloscopeDefaults();

  const WideString FProgramFile;
  std::vector<std::string> FArgs;
  bool FNoForm = false;
  bool FStartTasksDone = false;
  std::unique_ptr<TTaskQueue> FTaskQueue;
  TMxSignal MainSignal;
  std::unique_ptr<TMxTask> MainTask;
  std::unique_ptr<TMxTask> AutoreleaseTask;
  std::unique_ptr<QObject> FMenuOwner;  // owns the three menu lists; the missing-UPID window goes with it
  std::unique_ptr<QWidget> FDebugWindow;
  // The configuration named at start waits for the ready state.
  bool FOpenConfigPending = false;
  // Made by the running opening step and not started yet.
  TDevice* FMadeDevice = nullptr;
};

// The one main form while it exists.
extern TMainForm* MainForm;

}  // namespace vt
