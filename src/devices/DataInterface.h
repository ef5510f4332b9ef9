// What a device service keeps in a drive configuration: its data interface names the
// data types it handles, counts its data objects, describes each as a data item and moves
// the data between the service and an item's dictionary when the module service executes
// it (commands below). A data item wraps one entry of a configuration's "Items" array.
//
// Threads: the GUI thread only; Execute runs in a step of the module service's execute
// control.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/TextConversion.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TExecuteControl;

// The phases of an execution, the control's command.
enum TDataCommand : std::int32_t {
  dcGetData = 2,        // save: fill the item with the data
  dcPutData = 3,        // load: apply the item
  dcBegin = 4,          // every save and load, once per interface, first
  dcPrepareImport = 5,  // load: first pass over the accepted items
  dcEnd = 7,            // every save and load, once per interface, last
};

// The kinds of device data may be loaded into or saved from; a set of bits.
enum TDataIntPer : std::uint8_t { ipOnline, ipOffline };
using TDataInterfacePermission = std::uint8_t;
constexpr TDataInterfacePermission DataPermission(TDataIntPer Kind) { return TDataInterfacePermission(1u << Kind); }
inline constexpr TDataInterfacePermission AllDataPermissions = DataPermission(ipOnline) | DataPermission(ipOffline);
constexpr bool HasPermission(TDataInterfacePermission Set, TDataIntPer Kind) { return (Set & DataPermission(Kind)) != 0; }

class TDataItem {
 public:
  TDataItem() = default;
  // Holds ADict (retained); none allowed.
  explicit TDataItem(TSLDictionary* ADict) { AssignDataDict(ADict); }

  // A new dictionary holding an empty "Info".
  void CreateDataDict();
  void AssignDataDict(TSLDictionary* ADict) { FDataDict.Assign(ADict); }
  // Raises "TDataItem.GetInfoDict: no data dictionary" without one.
  TSLDictionary* GetInfoDict() const;

  WideString GetTypeName() const { return GetInfoDict()->GetStrWithName(u"Type"); }
  void SetTypeName(const WideString& Value) { GetInfoDict()->SetStrWithName(u"Type", Value); }
  std::int32_t GetVersion() const { return static_cast<std::int32_t>(GetInfoDict()->GetIntWithName(u"Version")); }
  void SetVersion(std::uint16_t Value) { GetInfoDict()->SetIntWithName(u"Version", Value); }
  WideString GetDataName() const { return GetInfoDict()->GetStrWithName(u"Name"); }
  void SetDataName(const WideString& Value) { GetInfoDict()->SetStrWithName(u"Name", Value); }
  WideString GetDataPath() const { return GetInfoDict()->GetStrWithName(u"Path"); }
  void SetDataPath(const WideString& Value) { GetInfoDict()->SetStrWithName(u"Path", Value); }
  TSLDictionary* DataDict() const { return FDataDict.get(); }

 private:
  TRef<TSLDictionary> FDataDict;
};

class TDataInterface {
 public:
  TDataInterface() = default;
  virtual ~TDataInterface() = default;
  TDataInterface(const TDataInterface&) = delete;
  TDataInterface& operator=(const TDataInterface&) = delete;

  virtual int GetTypeCount() const = 0;
  virtual AnsiString GetTypeName(int AIndex) const = 0;
  // The data objects it can save now.
  virtual int GetDataCount() const = 0;
  // One step of the command in ExecCtrl. A command ends when this returns with status 0
  // and without the control waiting; an asynchronous job makes the control wait on the
  // interface, sets a nonzero status, and continues the control when it ends.
  virtual void Execute(TExecuteControl* ExecCtrl) = 0;
  // Fills the item's "Info" for data object AIndex.
  virtual void GetDataInfo(int AIndex, TDataItem* ADataItem) = 0;

  // ---- The import/export selection: entry i for data index i ----
  // True when entry Index exists and reads "TRUE" in any letter case.
  bool GetImpExpDataAt(int Index) const;
  // Raises "List index out of bounds (%d)" for an entry that does not exist.
  void SetImpExpDataAt(int Index, bool Value);
  void ClearImpExpList() { FImpExpList.clear(); }
  void AddToImpExpList(const AnsiString& AStr) { FImpExpList.push_back(AStr); }
  int ImpExpCount() const { return static_cast<int>(FImpExpList.size()); }

  const AnsiString& Caption() const { return FCaption; }
  void SetCaption(AnsiString Value) { FCaption = std::move(Value); }
  std::int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(std::int32_t Value) { FImageIndex = Value; }
  TExecuteControl* CurrentExecCtrl() const { return FCurrentExecCtrl; }
  void SetCurrentExecCtrl(TExecuteControl* Value) { FCurrentExecCtrl = Value; }
  TDataInterfacePermission ImportPermission() const { return FImportPermission; }
  void SetImportPermission(TDataInterfacePermission Value) { FImportPermission = Value; }
  TDataInterfacePermission ExportPermission() const { return FExportPermission; }
  void SetExportPermission(TDataInterfacePermission Value) { FExportPermission = Value; }
  // User levels: 1 GUEST, 3 USER, 7 SERVICE, 15 DEVELOPER.
  std::int32_t MinUserPermissionImport() const { return FMinUserPermissionImport; }
  void SetMinUserPermissionImport(std::int32_t Value) { FMinUserPermissionImport = Value; }
  // Offered to the services; neither the module service nor the selection consults it.
  std::int32_t MinUserPermissionExport() const { return FMinUserPermissionExport; }
  void SetMinUserPermissionExport(std::int32_t Value) { FMinUserPermissionExport = Value; }
  bool Backup() const { return FBackup; }
  void SetBackup(bool Value) { FBackup = Value; }

 private:
  bool FBackup = false;
  std::vector<AnsiString> FImpExpList;
  AnsiString FCaption;
  TExecuteControl* FCurrentExecCtrl = nullptr;
  std::int32_t FImageIndex = 0;
  TDataInterfacePermission FImportPermission = AllDataPermissions;
  TDataInterfacePermission FExportPermission = AllDataPermissions;
  std::int32_t FMinUserPermissionImport = 1;
  std::int32_t FMinUserPermissionExport = 1;
};

}  // namespace vt
