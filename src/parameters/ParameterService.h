// The parameter service of a device ("ParameterService"): it builds the device's
// parameter tree from the module descriptions the drive's firmware names, keeps the
// nodes in two indexes (by master UPID, the number the whole program names a parameter
// by, and by device UPID, the number sent to the drive), and decides which parameters
// and folders are shown, by the visibility flags and the user's level. It is the one
// way to the drive's parameters: clients open read, write and save transactions, mark
// nodes, and the work list carries them to and from the drive one telegram at a time.
// While the device logs in it reads every parameter; afterwards it rereads those the
// drive reports as changed.
//
// Threads: the GUI thread only; the provider's task, the talk actor's answers and the
// script task are steps of the main scheduler.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "devices/DeviceService.h"
#include "devices/SiblingServices.h"
#include "parameters/DirectoryParameters.h"
#include "parameters/ParameterIndex.h"
#include "parameters/ParameterTelegrams.h"
#include "parameters/VisibilityFlags.h"
#include "platform/TextConversion.h"
#include "runtime/Services.h"
#include "sl/values/Arrays.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TBasicTalkService;
class TModuleService;
class TParameterDataInterface;
class TScriptTaskInterface;
class TSLNamedCollection;
class TSLRecord;
class TStatusService;
class TTalkActor;

// The transaction the service is in.
enum TParameterServiceState : std::uint8_t {
  stReady,
  stUpdate,       // reading
  stModify,       // writing
  stSave,         // a save transaction
  stDefaultPars,  // the default procedure runs
  stRefreshPars,  // declared; never entered
};

// The step of the start-up sequence the internal client runs.
enum TInternalClientState : std::uint8_t { icsIdle, icsStart, icsNodes, icsTrees, icsPreload };

// Caption and node of each class listed.
using TParameterClassList = std::vector<std::pair<AnsiString, TParameter*>>;

class TReadMultParameter;

class TParameterService : public TDeviceService, public TParameterValues, public TParameterRefresh {
 public:
  // Makes the provider "Parameter Service", the indexes, the visibility controller and
  // the root, whose model node goes below the device's, captioned by the settings'
  // "Caption" and shown only when their "Visible" is true; takes the talk actor
  // "Parameter Service Actor" from the talk client, when there is one.
  TParameterService(TDevice* AOwner, TSLDictionary* AProfDict);
  // Frees the tree, then the indexes, and gives the actor back.
  ~TParameterService() override;

  const char* ClassName() const override { return "TParameterService"; }

  // The device is online.
  void Initialize() override;
  // While stopped: with the device's talk, module, unit and status services present the
  // service makes its telegram patterns for the drive's protocol and is starting;
  // without one it fails ("couldn't start parameter service: a required service is
  // missing" in the debug log). While starting, once those four have started: the
  // internal client runs the start-up sequence (init script, tree, every parameter
  // read) and the service reports dsStarted, or dsError (Wait).
  void StartUp(bool& Wait) override;
  // A started service stops and takes the root's node out of the device's.
  void ShutDown(bool& Wait) override;
  void Kill() override { SetServiceStatus(dsStopped); }

  // ---- Building the tree ----
  // One module tree: its name joins the tree list, its "Units" go to the unit service,
  // its "VisibilityFlags" to the controller, then its parameters. A failure is shown in
  // a message box and ends this module's load; the nodes added before it stay.
  void LoadTree(const AnsiString& Name, const TSLNamedCollection& Data);
  // The records of "ParameterArray" in order, each one below the last node of the level
  // above it, so a record may be at most one level deeper than the one before. A record
  // at level 0 or deeper raises "%s.LoadTree: can't insert parameter '%s' at level %d".
  // A node joins the indexes only once built and placed.
  void LoadParameters(const TSLNamedCollection& Data);
  void LoadUnits(const TSLNamedCollection& Data);
  // Every module of the module service, in its order, below the root; then the nodes
  // learn whether the device is online, and the script queue runs with Done as its end.
  void RebuildParameterTree(std::function<void()> Done);
  // The visibility update, then the script queue with Done as its end.
  void UpdateTree(std::function<void()> Done);

  // ---- Scripts: SL blocks run one after the other in the service's script task ----
  // Appends the init script, which names the device and the parameter and unit
  // services' script objects for the tree scripts.
  void QueueInitScript();
  // Runs the queue from its first block, then empties it and calls Done. A block whose
  // script fails is logged and the queue goes on.
  void ExecuteScripts(std::function<void()> Done);
  int ScriptQueueCount() const { return FScriptQueue->GetCount(); }

  // ---- Transactions ----
  // Each takes the calling client, which must be the provider's current client (else
  // "%s.%s: caller isn't the current client"), and the state the operation needs (else
  // "%s.%s: not allowed in current state"); the state stays as it was. A client runs in
  // its own turn at the provider: it opens the transaction, marks nodes, waits, then
  // executes, and its notify event hears of the end (the end may come within Execute).
  // Nothing happens unless the service has started and no transaction is open; opens
  // a read. A failing client check leaves the service ready.
  void PrepareUpdate(TServiceClient* Client);
  // Marks a node that is not valid and not yet marked for reading; ignored before the
  // first PrepareUpdate.
  void ParameterUpdate(TParameter* Node, TServiceClient* Client);
  void ExecuteUpdate(TServiceClient* Client);
  void DiscardUpdate(TServiceClient* Client);
  void PrepareModify(TServiceClient* Client);
  // Marks a node for writing once.
  void ParameterModify(TParameter* Node, TServiceClient* Client);
  void ExecuteModify(TServiceClient* Client);
  void DiscardModify(TServiceClient* Client);
  // Opens a save transaction with an empty work list, so that ExecuteSave always ends.
  void PrepareSave(TServiceClient* Client);
  void ExecuteSave(TServiceClient* Client);
  // Clears the node's valid flag; only the client is checked.
  void ParameterInvalidate(TParameter* Node, TServiceClient* Client);
  bool IsReady() const { return FState == stReady && FServiceStatus == dsStarted; }
  TParameterServiceState State() const { return FState; }

  // ---- The work list ----
  // Reads every parameter of the tree (no radio options; safety parameters only
  // offline); raises "%s.%s: not allowed in current state" unless ready.
  void LoadPreloadParameters();
  // Works the list off from the current item: the online step sends the next item's
  // telegram (after the stop question when a write needs a stopped drive), the offline
  // step takes defaults or commits new values at once. Items that send nothing are
  // passed over in a loop.
  void ParameterWorkExecute();
  // The end of a list: the current client hears of it, every client is updated, the
  // service is ready.
  void ParameterWorkNotify();
  const std::vector<TParameter*>& WorkList() const { return ParameterWorkList; }
  // While a configuration loads, a failed write ends the list; the parameters left
  // unwritten are kept here until the next load.
  void SetLoadingConfiguration(bool Value);
  bool LoadingConfiguration() const { return FLoadingConfiguration; }
  const std::vector<TParameter*>& UnwrittenParameters() const { return FUnwrittenParameters; }

  // ---- The changed-parameter poll ----
  // Asked for by the status service while the drive reports changes: sends the poll
  // (get mode 0x13) when the service is idle, or when the previous poll stayed
  // unanswered for more than five calls.
  void RefreshParameters() override;

  // ---- Look-ups; none when nothing matches ----
  TParameter* FindParameter(std::int32_t MasterUPID) const { return FParameterList.Find(MasterUPID); }
  TParameter* FindParameterWithDeviceUPID(std::int32_t UPID) const { return FDevParameterList.Find(UPID); }
  // The next (previous) node of the device index whose caption holds Text, in any
  // letter case, after (before) Node's entry; from the first (last) entry without Node.
  TParameter* FindNextWithCaption(const TParameter* Node, const AnsiString& Text) const;
  TParameter* FindPreviousWithCaption(const TParameter* Node, const AnsiString& Text) const;
  // The first class root (a plain folder at level 1) of exactly that caption.
  TParameter* FindClassRoot(const AnsiString& Caption) const;
  int GetClassCount() const { return static_cast<int>(FClassList.size()); }
  TParameter* GetClassRoot(int Index) const { return FClassList.at(static_cast<std::size_t>(Index)); }
  // Every class folder ("ClassDir"), in index order.
  void GetClassList(TParameterClassList& List) const;
  // Every plain folder that is a safety parameter, in index order.
  void GetSafetyClassList(TParameterClassList& List) const;
  // Whether a direct child of the safety group's folder holds a new value not yet
  // written; false for a caption that names no safety group.
  bool IsSafetyGroupChanged(const AnsiString& GroupCaption);
  // Every node below the root, pre-order.
  void ForEachParameter(const TParameterCallback& Callback);

  // ---- Visibility ----
  // Evaluates the flags until they settle (raises "Visibility update needs to many
  // recursions!" when they do not), marks every node visible unless its flag is false,
  // and shows the folders the user's level may read.
  void UpdateVisibility();

  // ---- Telegrams ----
  // Clears the actor, puts Payload into the get (set) pattern and executes the actor;
  // OnResponse runs once the answer or the link's failure is back. One request at a
  // time: the next is sent from the previous answer's handler. A drive whose protocol
  // has no parameter telegrams, or a service without an actor, gets nothing: the error
  // goes to the debug log and the result is false.
  bool GetRequest(const std::string& Payload, TActorEvent OnResponse);
  bool SetRequest(const std::string& Payload, TActorEvent OnResponse);
  // The answer data of the get request in Actor (empty for an error status but A4).
  std::string GetResponse(const TTalkActor& AActor) const;
  TTalkActor* GetActor() const { return Actor.get(); }
  // The batched reader of the work list, used while reading when the device allows it.
  TReadMultParameter* ReadMultParameter() const { return FReadMultParameter.get(); }
  // None before the start.
  const TParameterServiceCollection* ParServiceCollection() const { return FParServiceCollection.get(); }

  void AbortLogin() { SetServiceStatus(dsError); }
  void SetChangeFlags() { FFlagChanged = FDataChanged = true; }

  // ---- What the device reads ----
  void ClearReadFlag() override { ReadFlag = false; }
  bool ParameterExists(std::uint16_t AUPID) const override { return FindParameter(AUPID) != nullptr; }
  // Raise "%s.GetIntValue: parameter %d not found" (and GetTextValue).
  std::int64_t GetIntValue(std::uint16_t AUPID) const override;
  AnsiString GetTextValue(std::uint16_t AUPID) const override;

  // ---- Defaults (DefaultParameters.cpp); instance mask bits: 0x01 OS, 0x02 MC, 0x04
  // INTF, 0x08 APP, 0x10 safety ----
  // Online and ready: runs the archive's default script in the service's own default
  // task with the device's name and the mask, in state stDefaultPars; otherwise only
  // the mask is kept.
  void DefaultParameters(std::uint8_t Mask, bool Debug);
  // The default script's end: its failure is shown; otherwise the defaulted instances
  // are reread, and a started safety service is asked for its data.
  void ScriptTaskResponse(TScriptTaskInterface* Task);
  // One rotary operating-system default (set mode 0x03) per answer, 0x0800 to 0x0808.
  void DefaultRotativeOSParameterReq();
  void DefaultRotativeOSParameterRec(TTalkActor* AActor);
  // Whether every parameter of the masked instances with a stored writable value holds
  // its default (floats and folders without a value are not compared).
  bool AreAllDefaultValues(std::uint8_t Mask) const;
  // An offline device's defaults, without telegrams.
  void DefaultParameterOffline(std::uint8_t Mask);
  std::uint8_t SelInstancesToBeDefaulted = 0;
  // After the reread, default the rotary operating-system parameters.
  bool DefRotFlag = false;
  int OSParCounter = 0;

  TRootDirParameter* TreeRoot() const { return FTreeRoot.get(); }
  // "Parameters": the classes of the tree in configuration files.
  TParameterDataInterface* DataInterface() const { return FDataInterface.get(); }
  TVisibilityController& VisibilityController() { return FVisibilityController; }
  TServiceProvider& Provider() { return FServiceProvider; }
  const TParameterIndex& ParameterList() const { return FParameterList; }
  const TParameterIndex& DevParameterList() const { return FDevParameterList; }
  const std::vector<AnsiString>& TreeList() const { return FTreeList; }
  bool OnLine() const { return FOnLine; }
  bool TreeChanged() const { return FTreeChanged; }
  bool FlagChanged() const { return FFlagChanged; }
  bool DataChanged() const { return FDataChanged; }

  // The nodes a changed-UPID answer names (16-bit UPIDs, low byte first; a trailing odd
  // byte is ignored), in order: a node named twice is listed twice. A UPID without a node
  // of its own names the nearest string parameter below it, listed once, since a text
  // spans the UPIDs above its own; any other UPID is skipped.
  std::vector<TParameter*> ChangedParameters(std::string_view Data) const;

  // A read of parameters by a default run, a refresh or a full re-read is running.
  bool ReadFlag = false;
  // A parameter was written, or modified offline.
  bool FModifiedParaFlag = false;
  // Set by the motor wizard; cleared when a work list is done.
  bool FWizardListFlag = false;
  // A default run has finished and its re-read runs.
  bool ParameterDefaulted = false;
  // Changed parameters are being reread.
  bool ParameterRefresh = false;
  // A default run started and no changed-parameter answer has come since.
  bool FDefaultFlag = false;
  // A poll found the actor busy; nothing reads it.
  bool TestFlag = false;
  // Entered values are not clamped to the description's range (only developers set it).
  bool SuppressParRangeCheck = false;
  // The names of the last actuator and module definition files, for the motor wizard.
  AnsiString ADFOldName;
  AnsiString MDFOldName;

 private:
  // Builds the node of one record, places it below Current and enters it in the indexes.
  TParameter* InsertRecord(TParameter* Current, const TSLRecord& Record);
  // Every node's FIndex from its main-index position, and the class list.
  void RebuildClassList();
  // The folders below Folder, shown when the user's level may read them.
  void ShowFolders(TParameter* Folder, std::uint8_t Mask);
  // The root's node shown for every level but GUEST, which parameter 3274 decides.
  void ShowRoot();
  void ProviderUpdateDone();
  TParameter* Existing(std::int32_t UPID, const char* Operation) const;
  bool Request(TCustomPattern* Pattern, const char* Operation, const std::string& Payload, TActorEvent OnResponse);

  // ---- Start-up ----
  void BeginStartUpSequence();
  void InternalClientExecute();
  void InternalClientNotify();
  void ExecuteNextScript();
  // The script task, made at its first block; none when it cannot be made (logged).
  TScriptTaskInterface* ScriptTask();
  // A guest sees the parameters when 3274 says so; other levels leave the root alone.
  void ShowRootForGuest();

  // ---- Transactions and the work list ----
  void CheckClient(TServiceClient* Client, const char* Operation) const;
  void CheckState(TParameterServiceState Needed, const char* Operation) const;
  // Both checks, the client's first.
  void CheckTurn(TServiceClient* Client, TParameterServiceState Needed, const char* Operation) const;
  void ClearWorkList();
  void Append(TParameter* Node, std::int32_t Mark);
  // Runs the list from index 0.
  void StartWork();
  void OnlineWorkStep();
  void OfflineWorkStep();
  // Whether the write list waits for a stopped drive, and the question; false when the
  // step ends here.
  bool StopQuestion();
  void StatusClientUpdate();
  // The item's telegram; false when it sent none.
  bool SendItem(TParameter* Item);
  void LoginProgress(TParameter* Item);
  void ParameterWorkResponse(TTalkActor* AActor);
  // The answer of a login read that failed: true when the login goes on as for success.
  bool LoginAnswerFailed(std::uint8_t Result, TParameter* Item, bool& Failed);
  void ListDone();
  void EndRefresh();
  void ContinueCurrentClient();
  // Every client of the provider gets an update call (an update bracket).
  void UpdateClients();
  void GetChangedPars(TTalkActor* AActor);
  // Offers the item to the batched reader; false when the step must end here (a request
  // is in flight), true to go on with the next item.
  bool OfferBatched(TParameter* Item);
  // Whether no item after the current one will be offered.
  bool LastOffered() const;

  std::unique_ptr<TParameterServiceCollection> FParServiceCollection;
  TServiceProvider FServiceProvider;
  TServiceClient FInternalClient;  // after the provider: disconnected before it goes
  TInternalClientState FInternalClientState = icsIdle;
  bool SetServiceStatusRequest = false;
  TParameterServiceState FState = stReady;
  bool prepareUpdateFlag = false;
  bool FLoadingConfiguration = false;
  std::vector<TParameter*> FUnwrittenParameters;
  // Connected to the status service's provider only while a write waits for the stop.
  TServiceClient FStatusClient;
  bool FNeedToStop = false;
  TBasicTalkService* FTalkService = nullptr;
  TModuleService* FModuleService = nullptr;
  TStatusService* FStatusService = nullptr;
  std::vector<TParameter*> ParameterWorkList;  // not owned; marking order
  std::size_t ParameterWorkIndex = 0;
  AnsiString PreviousTree, ActualTree;  // the login window's progress
  int AParameterIndex = 0;
  int ANumberOfErrors = 0;  // failed answers of the current item in a row
  int MissingCounter = 0;   // polls passed while one is unanswered
  // The default procedure's task, made at its first run and kept.
  std::unique_ptr<TScriptTaskInterface> FDefaultScriptTask;
  void StartDefaultScript(bool Debug);
  void RereadDefaults();
  std::unique_ptr<TScriptTaskInterface> FScriptTask;
  TRef<TSLArray> FScriptQueue;
  std::function<void()> FScriptExecutedNotification;
  int FScriptExecutionIndex = 0;
  // The answer handler of the request in flight; the actor calls it through a fixed
  // handler, so a request sent from a handler never replaces the one running.
  TActorEvent FResponse;
  std::unique_ptr<TTalkActor> Actor;
  std::unique_ptr<TReadMultParameter> FReadMultParameter;
  TParameterIndex FParameterList;     // by master UPID; the root's entry first
  TParameterIndex FDevParameterList;  // by device UPID; without the root
  std::unique_ptr<TRootDirParameter> FTreeRoot;
  std::unique_ptr<TParameterDataInterface> FDataInterface;
  // Registered with the module service once, at the first start.
  void RegisterDataInterface();
  std::vector<AnsiString> FTreeList;   // module trees in load order
  std::vector<TParameter*> FClassList;  // plain folders at level 1, in index order
  TParameterClassList FSafetyStrings;
  TVisibilityController FVisibilityController;
  bool FOnLine = false;
  bool FTreeChanged = false;
  bool FFlagChanged = false;
  bool FDataChanged = false;
};

}  // namespace vt
