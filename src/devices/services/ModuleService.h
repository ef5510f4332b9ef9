// The module service ("ModuleService") of a device: which firmware modules and parameter
// trees the drive carries, and where each tree's description file lies. An online drive's
// info nodes name its trees; an offline device takes them from a configuration. The
// loaded descriptions (the module data) are what the parameter service builds its tree
// from and what the other services read their sections and switches from.
//
// Threads: the GUI thread only; the walk's callback runs on the main scheduler, and the
// tree dialog it may show blocks the scheduler while open.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "devices/DataInterface.h"
#include "devices/DeviceService.h"
#include "devices/SiblingServices.h"
#include "platform/TextConversion.h"
#include "runtime/Services.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"
#include "sl/values/Scalars.h"

namespace vt {

class TBasicTalkService;
class TExecuteControl;
class TInfoNodeItem;
class TInfoNodeList;

// One firmware module: one parameter tree and its description.
class TModuleItem {
 public:
  explicit TModuleItem(WideString AName) : FName(std::move(AName)) {}

  // Holds AData instead of the previous data and takes the fields that its "ModuleInfo"
  // gives ("BaseName", "SubName", "BetaInfo", "Version", "SubVersion", "TreeID",
  // "TreeLevel"), each only when present.
  void SetData(TSLDictionary* AData);

  const WideString& Name() const { return FName; }
  const WideString& BaseName() const { return FBaseName; }
  const WideString& SubName() const { return FSubName; }
  const WideString& BetaInfo() const { return FBetaInfo; }
  std::int32_t TreeLevel() const { return FTreeLevel; }
  std::int32_t TreeID() const { return FTreeID; }
  std::int32_t Version() const { return FVersion; }
  std::int32_t SubVersion() const { return FSubVersion; }
  std::int32_t SubType() const { return FSubType; }
  TSLDictionary* Data() const { return FData.get(); }

 private:
  WideString FName;
  WideString FBaseName, FSubName, FBetaInfo;
  std::int32_t FTreeLevel = 0;
  std::int32_t FTreeID = 0;
  std::int32_t FVersion = 0, FSubVersion = 0;
  std::int32_t FSubType = 0;
  TRef<TSLDictionary> FData;
};

// The offline-configuration wizard's choice, as far as a "CREATEOFFLINE" device reads it:
// the tree names of a release and the release's text.
class TOfflineTreeChoice {
 public:
  virtual ~TOfflineTreeChoice() = default;
  virtual int GetNumberOfIniFile() const = 0;
  virtual AnsiString GetNameAtIndex(int Index) const = 0;
  virtual AnsiString FirmwareRelease() const = 0;
};

// The wizard the shell shows; none until it sets one (a "CREATEOFFLINE" device then finds
// no trees). Not owned.
void SetOfflineTreeChoice(TOfflineTreeChoice* Wizard);
TOfflineTreeChoice* OfflineTreeChoice();

// The password question of a protected configuration: User comes preset and goes back
// as entered, with Password; false when the user cancelled. The program shows its
// password window; without a handler the question counts as cancelled.
using TConfigPasswordHandler = std::function<bool(const WideString& Caption, const WideString& Message,
                                                  WideString& User, WideString& Password)>;
void SetConfigPasswordHandler(TConfigPasswordHandler Handler);

// The configuration's format version this program writes and reads.
inline constexpr std::int64_t ConfigurationVersion = 3;

class TModuleService : public TDeviceService, public TTestFileSource, public TServiceActivity {
 public:
  TModuleService(TDevice* AOwner, TSLDictionary* AProfDict);
  ~TModuleService() override;

  const char* ClassName() const override { return "TModuleService"; }

  // From dsStopped: online, waits for the talk service and walks the drive's info nodes
  // (Wait); offline or archive, identifies the trees of the configuration "ConfigFile" at
  // once. Ends dsStarted, or dsError when a tree is missing, refused or unreadable.
  void StartUp(bool& Wait) override;
  // Drops the oscilloscope and curve descriptions.
  void ShutDown(bool& Wait) override;
  void Kill() override {}
  // "ProgramStartAddr": the start address of the drive's program node, in decimal; not
  // answered without one.
  void DoGetStrVar(const AnsiString& VarName, AnsiString& Value, bool& Found) override;

  // The callback of the walk: takes the tree nodes and the program node, searches and
  // loads the descriptions.
  void ReadInfoNodesResponse(TInfoNodeList* Sender);
  // Loads the chosen description of every module not loaded yet (every one with
  // AReload). On a failure the module list is emptied, the status is dsError and the
  // result false.
  bool LoadModuleData(bool AReload);
  // The switch ServiceName of the first module's "InstanceInfoDict" that has one;
  // Default when none has.
  bool IsServiceActive(const AnsiString& ServiceName, bool Default) const override;

  int GetModuleCount() const { return static_cast<int>(FModuleList.size()); }
  TModuleItem* GetModule(int AIndex) const { return FModuleList.at(AIndex).get(); }
  // The full path of the description chosen for each module, in module order.
  const std::vector<WideString>& AvailableModules() const { return FAvaiableModule; }
  int GetNumberOfDocuments() const { return static_cast<int>(FRelevantDocList.size()); }
  const WideString& GetDocAtIndex(int Index) const { return FRelevantDocList.at(Index); }
  int GetNumberOfMotioncmdListFiles() const { return static_cast<int>(FMotionCmdListFiles.size()); }
  const WideString& GetMotionCmdListFileName(int Index) const { return FMotionCmdListFiles.at(Index); }

  // The "ModuleInfo" of the loaded tree of level 1 (operating system), 2 (motion
  // control), 3 (interface), 4 (application) or 5; none when no such tree was loaded.
  TSLDictionary* OSModuleInfo() const { return FModuleInfo[0]; }
  TSLDictionary* MCModuleInfo() const { return FModuleInfo[1]; }
  TSLDictionary* IntfModuleInfo() const { return FModuleInfo[2]; }
  TSLDictionary* ApplModuleInfo() const { return FModuleInfo[3]; }
  TSLDictionary* TwoSModuleInfo() const { return FModuleInfo[4]; }
  TSLDictionary* CurveInfo() const { return FCurveInfo.get(); }
  TSLDictionary* OsciInfo() const { return FOsciInfo.get(); }
  std::int32_t StartAddrOfCmdTabEntries() const { return FStartAddrOfCmdTabEntries; }
  std::int32_t NumOfCmdTabEntries() const { return FNumOfCmdTabEntries; }
  std::int32_t CmdTabEraseFlash() const { return FCmdTabEraseFlash; }
  const WideString& ADFFileExt() const { return FADFFileExt; }
  const WideString& MDFFileExt() const { return FMDFFileExt; }
  std::int32_t StartAddrOfAngCorTable() const { return FStartAddrOfAngCorTable; }
  std::int32_t StartAddrOfAngCorTableRom() const { return FStartAddrOfAngCorTableRom; }
  std::int32_t StartAddrOfRelTable() const { return FStartAddrOfRelTable; }
  std::int32_t StartAddrOfRelTableRom() const { return FStartAddrOfRelTableRom; }
  std::int32_t StartAddrOfFrictTable() const { return FStartAddrOfFrictTable; }
  std::int32_t StartAddrOfFrictTableRom() const { return FStartAddrOfFrictTableRom; }

  const AnsiString& FileName() const { return FFileName; }
  AnsiString TestFileName() const override { return FTestFileName; }
  void SetTestFileName(AnsiString Value) { FTestFileName = std::move(Value); }
  // The configuration an offline device whose "ConfigFile" is "DataDict" is opened from.
  void SetDataDict(TSLDictionary* ADict) { FDataDict.Assign(ADict); }
  TServiceProvider& Provider() { return FServiceProvider; }

  // ---- Data interfaces (ModuleDataInterfaces.cpp) ----
  // Raises "%s.RegisterDataInterface: interface '%s' already registered" for an interface
  // registered before, and "String list does not allow duplicates" for a type name
  // another interface handles. Not owned: the services keep theirs.
  void RegisterDataInterface(TDataInterface* AInterface);
  int GetInterfaceCount() const { return static_cast<int>(FInterfaceList.size()); }
  TDataInterface* GetInterface(int AIndex) const { return FInterfaceList.at(static_cast<std::size_t>(AIndex)); }
  // Names compare without regard to case; none for a type nobody handles.
  TDataInterface* GetInterfaceForType(const WideString& TypeName) const;
  // Starts the command on interface Index (ExecuteInterface) or on the interface of data
  // item Index (ExecuteDataItem) and increments Index; false when Index is past the end.
  // The interface's Execute runs in the control's own steps. While an import is aborted
  // the data items are passed over. A start that fails is logged as a warning.
  bool ExecuteInterface(int& Index, std::int32_t Command);
  bool ExecuteDataItem(int& Index, std::int32_t Command);
  void ClearDataItems() { FDataItemList.clear(); }
  int GetDataItemCount() const { return static_cast<int>(FDataItemList.size()); }
  TDataItem* GetDataItem(int AIndex) const { return FDataItemList.at(static_cast<std::size_t>(AIndex)).get(); }
  void AddDataItem(std::unique_ptr<TDataItem> Item) { FDataItemList.push_back(std::move(Item)); }
  // Runs saves and loads; made at first use, waiting on the module service until a
  // command starts.
  TExecuteControl& ExecuteControl();
  // The control runs no command.
  bool ExecuteIdle();
  // An interface's Execute raised since the flag was last cleared: its command ended as
  // failed (a load's item also aborts the import, a save's item refuses the save).
  bool ExecuteFailed() const { return FExecuteFailed; }
  void ClearExecuteFailed() { FExecuteFailed = false; }
  // The interface of the data item executed last.
  TDataInterface* CurrentDataInterface() const { return DataInterface; }

  // ---- Configuration files (ConfigurationFile.cpp) ----
  // Builds the configuration dictionary of the device from the data items; an advanced
  // save writes it to FileName. Every failure is logged ("couldn't save file '%s' (%s)")
  // and fails the save (SaveAbort); an advanced save shows the text too.
  void SaveToFile();
  // LoadFromDict with the file's data; a missing or unreadable file aborts with the
  // message "Importing aborted: '%s' (%s)".
  void LoadFromFile();
  // Checks the configuration and takes its accepted items as data items; ActionSuccess
  // tells whether it was accepted. Every refusal asks or tells the user first.
  void LoadFromDict(TSLDictionary* DataDict);
  // "Please update <program> from <home page>."
  static AnsiString GetUpdateRequestString();

  void SetFileName(AnsiString Value) { FFileName = std::move(Value); }
  bool ActionSuccess() const { return FActionSuccess; }
  bool ImportAborted() const { return FImportAborted; }
  void SetImportAborted(bool Value) { FImportAborted = Value; }
  bool SaveAbort() const { return FSaveAbort; }
  void SetSaveAbort(bool Value) { FSaveAbort = Value; }
  bool StopRequest() const { return FStopRequest; }
  bool AdvSaveFlag() const { return FAdvSaveFlag; }
  void SetAdvSaveFlag(bool Value) { FAdvSaveFlag = Value; }
  bool LogoutFlag() const { return FLogoutFlag; }
  void SetLogoutFlag(bool Value) { FLogoutFlag = Value; }
  // A load of every item with feedback: a running drive is stopped without asking.
  bool LoadAllFlag = false;
  bool EndOfLoadFeedback = false;
  const std::vector<AnsiString>& ConfTreeNameList() const { return FConfTreeNameList; }
  const std::vector<AnsiString>& CompatibleTrees() const { return FCompatibleTree; }
  // The "DeviceType" of the configuration loaded last; empty before.
  WideString ImportDeviceType() const;

 private:
  // The interface's Execute inside a guard: one that raises ends its command as failed
  // (the import aborted, the save refused) and leaves the control idle and usable.
  void RunInterface(TDataInterface* Interface, TExecuteControl* Control);
  void StartExecution(TDataInterface* Interface, std::int32_t Command, TDataItem* Item);
  // LoadFromDict's steps; each false when the load is refused.
  bool CheckVersion(const TSLDictionary& Info, const AnsiString& ConfigRelease);
  bool CheckPassword(const TSLDictionary& Info);
  void FilterByPermission(TSLArray& Items);
  bool CheckTrees(TSLArray& Items, const AnsiString& ConfigRelease, const AnsiString& DriveRelease);
  bool TakeItems(TSLArray& Items);
  AnsiString TreeMessage(const AnsiString& ConfigRelease) const;
  // The drive's parameter values; empty (0) without the parameter or its service.
  AnsiString ParameterText(std::uint16_t UPID) const;
  std::int64_t ParameterInt(std::uint16_t UPID) const;
  TRef<TSLDictionary> BuildInfo() const;

 private:
  void BeginStart();
  void ContinueStart(bool& Wait);
  void IdentifyOffline();
  // The tree names of the configuration; false, with the error shown, when it cannot be
  // read or has another format version. Known is false without "Trees".
  bool ReadOfflineTrees(std::vector<WideString>& Trees, AnsiString& Release, bool& Known);
  // Searches the description of every module and decides: load, ask, or refuse.
  // FromWizard: the program's version joins its name in the not-found text; TreesKnown
  // false: the configuration named no trees, which counts as not found.
  void Identify(bool Online, const AnsiString& Release, bool FromWizard, bool TreesKnown);
  // Whether every module's description was found, and found exactly.
  struct TSearchOutcome {
    bool AllFound = true;
    bool AllExact = true;
  };
  TSearchOutcome SearchTreeFiles(bool Online);
  void AcceptTrees();
  // The tree dialog's details: the modules of ListKeyword and the chosen files.
  WideString TreeDetails(const char16_t* ListKeyword) const;
  // The new-firmware question after the dialog of an online drive with missing trees.
  void AskForRelogin(bool NewOldReleases) const;
  bool ModuleExists(const WideString& AName) const;
  void ReadInstanceInfo(const TSLDictionary& Info);
  void ReadOsciInfo(const TSLDictionary& Info);
  void ReadCurveInfo(const TSLDictionary& Info);
  void SelectModuleInfo(TSLDictionary* Info);

  TRef<TSLDictionary> FCurveInfo;
  TRef<TSLDictionary> FOsciInfo;
  // Levels 1 to 5; they live inside the module data.
  std::array<TSLDictionary*, 5> FModuleInfo{};
  AnsiString FFileName;
  AnsiString FTestFileName;
  std::vector<WideString> FMotionCmdListFiles;
  std::vector<std::unique_ptr<TModuleItem>> FModuleList;
  std::vector<WideString> FAvaiableModule;
  TBasicTalkService* FTalkService = nullptr;
  TDeviceService* FStatusService = nullptr;
  // Made at the first online start: it takes an actor from the talk client.
  std::unique_ptr<TInfoNodeList> FInfoNodeList;
  TInfoNodeItem* FInfoNodeProgram = nullptr;  // an item of FInfoNodeList
  TServiceProvider FServiceProvider;
  std::vector<WideString> FRelevantDocList;
  std::int32_t FStartAddrOfCmdTabEntries = -1;
  std::int32_t FNumOfCmdTabEntries = -1;
  std::int32_t FCmdTabEraseFlash = 3;
  WideString FADFFileExt = u"adf";
  WideString FMDFFileExt;
  TRef<TSLDictionary> FDataDict;
  TDataInterface* DataInterface = nullptr;
  std::vector<TDataInterface*> FInterfaceList;
  std::map<WideString, TDataInterface*, TWideTextLess> FDataTypeList;
  std::vector<std::unique_ptr<TDataItem>> FDataItemList;
  std::unique_ptr<TExecuteControl> FExecuteControl;
  bool FExecuteFailed = false;
  bool FActionSuccess = false;
  bool FImportAborted = false;
  bool FSaveAbort = false;
  bool FStopRequest = false;
  bool FAdvSaveFlag = false;
  bool FLogoutFlag = false;
  std::vector<AnsiString> FConfTreeNameList;
  std::vector<AnsiString> FCompatibleTree;
  TRef<TSLString> FImportDeviceType;
  std::int32_t FStartAddrOfAngCorTable = 0, FStartAddrOfAngCorTableRom = 0;
  std::int32_t FStartAddrOfRelTable = 0, FStartAddrOfRelTableRom = 0;
  std::int32_t FStartAddrOfFrictTable = 0, FStartAddrOfFrictTableRom = 0;
};

}  // namespace vt
