// The parameter service of a device ("ParameterService"): it builds the device's
// parameter tree from the module descriptions the drive's firmware names, keeps the
// nodes in two indexes (by master UPID, the number the whole program names a parameter
// by, and by device UPID, the number sent to the drive), and decides which parameters
// and folders are shown, by the visibility flags and the user's level.
//
// Threads: the GUI thread only; the provider's task runs on the main scheduler.
#pragma once

#include <cstdint>
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

namespace vt {

class TSLNamedCollection;
class TSLRecord;
class TTalkActor;

// Caption and node of each class listed.
using TParameterClassList = std::vector<std::pair<AnsiString, TParameter*>>;

class TParameterService : public TDeviceService, public TParameterValues {
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
  // missing" in the debug log).
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

  TRootDirParameter* TreeRoot() const { return FTreeRoot.get(); }
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

  std::unique_ptr<TParameterServiceCollection> FParServiceCollection;
  TServiceProvider FServiceProvider;
  std::unique_ptr<TTalkActor> Actor;
  TParameterIndex FParameterList;     // by master UPID; the root's entry first
  TParameterIndex FDevParameterList;  // by device UPID; without the root
  std::unique_ptr<TRootDirParameter> FTreeRoot;
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
