// Parameter data sets: a snapshot of one parameter class (a class root and everything
// below it) as texts in SI units: value, default, range, unit and address usage per
// UPID. A set is read from a drive, kept as a dictionary ("ParameterTreeData") in a
// configuration or a file of its own, and written into the same or another drive, where
// every difference that matters (a changed range or unit, an option or a parameter gone,
// a read-only parameter) becomes an import warning. The parameter service's data
// interface "Parameters" saves and loads every class of a drive through one shared set.
//
// Threads: the GUI thread only; reads and writes run as the set's client of the
// parameter service, the data interface in the module service's execute control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "devices/DataInterface.h"
#include "platform/TextConversion.h"
#include "runtime/Services.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TParameter;
class TParameterService;

// "VariableService": the drive variables a UPID-valued parameter may point at, looked up
// by either number.
class TVariableUPIDs {
 public:
  virtual ~TVariableUPIDs() = default;
  virtual bool MasterOfDeviceUPID(std::int32_t DeviceUPID, std::int32_t& MasterUPID) const = 0;
  virtual bool DeviceOfMasterUPID(std::int32_t MasterUPID, std::int32_t& DeviceUPID) const = 0;
};

// One parameter of a set; the texts are those of the parameter in SI units and display
// mode "SCALED" ("HEX" for 64-bit integers).
struct TParameterDataItem {
  std::int32_t FUPID = 0;  // master UPID
  AnsiString FCaption;     // the path in the source tree
  AnsiString FData;
  AnsiString FDefault;
  AnsiString FMin;  // integer parameters only
  AnsiString FMax;
  std::int32_t FUUID = -1;
  std::int32_t FAttribute = 0;  // the source's address usage
  // A UPID-valued entry whose UPID names nothing in the destination: it is not written.
  bool FUnresolvedUPID = false;
};

class TParameterTreeData;
using TParameterTreeDataResponse = std::function<void(TParameterTreeData* Sender)>;

class TParameterTreeData {
 public:
  enum TState : std::uint8_t { stReady, stGet, stPut, stLoad, stSave };

  TParameterTreeData();
  ~TParameterTreeData();
  TParameterTreeData(const TParameterTreeData&) = delete;
  TParameterTreeData& operator=(const TParameterTreeData&) = delete;

  const char* ClassName() const { return "TParameterTreeData"; }

  // Only while ready, else "%s.Clear: is not allowed in this state".
  void Clear();
  // Collects the entries below Root and reads their values from Service's drive;
  // Response runs once the texts are in. Only while ready ("%s.GetData: wrong state").
  void GetData(TParameterService* Service, TParameter* Root, TParameterTreeDataResponse Response);
  // Writes the set into Service's drive, adding the import warnings; Response runs once
  // the write has ended. Only while ready.
  void PutData(TParameterService* Service, TParameterTreeDataResponse Response);
  // An entry of UPID; the first names the set's tree, one of another tree raises
  // "Parameter ......".
  TParameterDataItem& AddParameter(std::int32_t UPID, const AnsiString& TreeName);

  // The dictionary form: ADict gets "ParameterTreeData" with "DataArray" and "TreeName".
  // UPID-valued data is stored as master UPIDs.
  void WriteToDict(TSLDictionary* ADict) const;
  // Every key is required; an entry of UPID 2048 sets Service's unit system.
  void ReadFromDict(TParameterService* Service, const TSLDictionary* ADict);
  // A file holding exactly the dictionary form; loading reads it against the service
  // the set was last given, and raises "%s.LoadFromFile: no parameter service" before.
  void SaveToFile(const AnsiString& FileName) const;
  void LoadFromFile(const AnsiString& FileName);

  // The parameters the last write left unwritten (the service's list, filled when a
  // failed write ended a configuration load) become import warnings.
  void ReportUnwritten();

  int Count() const { return static_cast<int>(FDataList.size()); }
  const TParameterDataItem& Item(int Index) const { return *FDataList.at(static_cast<std::size_t>(Index)); }
  const AnsiString& TreeName() const { return FTreeName; }
  TState State() const { return FState; }
  TParameterService* ParameterService() const { return FParameterService; }
  // Free for the set's user (the parameter view marks a file operation with it).
  bool FUserFlag = false;

 private:
  void Start(TParameterService* Service, TState State, TParameterTreeDataResponse Response);
  void Collect(TParameter* Root);
  // The client's steps.
  void Work();
  void ServiceClientNotify();
  void UpdateParameters();
  void ReadParameterData();
  void WriteParameters();
  // One entry of WriteParameters; false when it wrote nothing.
  bool WriteEntry(const TParameterDataItem& Entry, TParameter* Node, bool& ModifyOpen);
  void OpenModify(bool& ModifyOpen);
  AnsiString CheckInteger(const TParameterDataItem& Entry, TParameter* Node, AnsiString Text);
  AnsiString CheckRadio(TParameter* Node, AnsiString Text);
  void DefaultMissing(std::vector<TParameter*>& Missing, bool& ModifyOpen);
  bool DeviceOffline() const;

  AnsiString FTreeName;
  std::vector<std::unique_ptr<TParameterDataItem>> FDataList;
  TParameterService* FParameterService = nullptr;
  TServiceClient FServiceClient;
  TState FState = stReady;
  std::int32_t WorkStep = 0;
  TParameterTreeDataResponse RespProc;
};

// The program's one set, made at first use.
TParameterTreeData& ParameterTreeData();

// The parameter service's data interface "Parameters": one data item per parameter class
// (version 2, named by the class root's caption, path "Configuration").
class TParameterDataInterface : public TDataInterface {
 public:
  explicit TParameterDataInterface(TParameterService* AOwner);

  int GetTypeCount() const override { return 1; }
  // "index out of bounds" for any index but 0.
  AnsiString GetTypeName(int AIndex) const override;
  int GetDataCount() const override;
  // Command 2 reads the item's class into its dictionary, command 3 writes the item into
  // the drive; each waits for the set. The others end at once.
  void Execute(TExecuteControl* ExecCtrl) override;
  void GetDataInfo(int AIndex, TDataItem* ADataItem) override;

 private:
  void GetItemData(TExecuteControl& Control, TDataItem& Item);
  void PutItemData(TExecuteControl& Control, TDataItem& Item);
  // The set's response: the control goes on.
  void ExecuteDone(TParameterTreeData* Sender);

  TParameterService* FOwner;
};

}  // namespace vt
