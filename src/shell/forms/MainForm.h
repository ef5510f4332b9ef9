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

#include "platform/TextConversion.h"
#include "runtime/TaskQueue.h"
#include "runtime/Tasks.h"
#include "shell/ViewSettings.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"


namespace vt {

class TLoginInfoForm;
class TMenuList;
class TScriptTaskInterface;
class TTreeAppForm;
class TUpdateChecks;
class TWindowRegistry;

// The main state machine's states; only the start and the idle state have a case so far.
enum TMainState : std::uint8_t {
  stStartup, stReady, stOpenDevice, stOpenDeviceOffline, stOpenDeviceOfflineDragAndDrop, stAutoOpenDevice,
  stWaitDevice, stShutDown, stOpenDeviceWithPar, stOpenDeviceOfflineDict, stSendLoginCmd, stCANWaitScanDevice,
  stCANScanDeviceName, stCANFreePorts, stCANScanLogin, stCANFreePortsBeforeLogin, stCANScanOpenDevice,
  stCANScanWaitDevice, stCreateDeviceOfflineOldRel, stCreateDeviceOffline, stETHScanForDevices, stSendBroadcast,
  stWaitETHScanDevice, stETHScanLogin, stBlinking, stEndBlinking, stETHScanOpenDevice, stETHScanWaitDevice,
  stWorkSpaceOpenDevice, stWorkSpaceWaitDevice, stprepSendComBaudrate, stSendComBaudrate, stGetComBaudrate,
  stInstall
};

class TMainForm {
 public:
  // ProgramFile: the program's own path (its folder is WorkDir, its name gives the
  // auto-start script); Args: the command line without it. NoForm is read from Args.
  TMainForm(const WideString& ProgramFile, std::vector<std::string> Args);
  ~TMainForm();
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
  void SetInfoSysLang(const AnsiString& Language);

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

  TViewSettings Settings;
  TMainState MainState = stStartup;
  std::int32_t FScriptResult = 0;
  int ScriptsStarted = 0;
  int NumberOfCommander = 0;
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
  void MainExecute(TMxTask* Task);
  void ReadyStep(TMxTask* Task);
  bool NothingLeftToRun() const;
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
  std::unique_ptr<QObject> FMenuOwner;  // owns the three menu lists
  std::unique_ptr<QWidget> FDebugWindow;
  std::unique_ptr<TLoginInfoForm> FLoginInfoForm;
};

// The one main form while it exists.
extern TMainForm* MainForm;

}  // namespace vt
