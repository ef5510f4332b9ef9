// The module service's data interfaces: their registration, and the start of one command
// on an interface or on the interface of one data item; see ModuleService.h.
#include "devices/services/ModuleService.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "devices/services/InfoNodes.h"
#include "runtime/ExecuteControls.h"

namespace vt {

// Made and freed here, where the execute control is complete (the talk service's header,
// which the rest of the module service includes, has a work state of the same name).
TModuleService::TModuleService(TDevice* AOwner, TSLDictionary* AProfDict)
    : TDeviceService(AOwner, AProfDict), FServiceProvider(this, "Module Service"), FDataDict(MakeRef<TSLDictionary>()) {}

TModuleService::~TModuleService() = default;

void TModuleService::RegisterDataInterface(TDataInterface* AInterface) {
  for (const TDataInterface* registered : FInterfaceList)
    if (registered == AInterface)
      throw Exception(Format("%s.RegisterDataInterface: interface '%s' already registered", ClassName(),
                             AInterface->Caption()));
  // The type list refuses a name it holds before anything changes.
  std::vector<WideString> names;
  for (int i = 0; i < AInterface->GetTypeCount(); ++i) {
    WideString name = AnsiToWide(AInterface->GetTypeName(i));
    if (FDataTypeList.contains(name)) throw Exception("String list does not allow duplicates");
    names.push_back(std::move(name));
  }
  FInterfaceList.push_back(AInterface);
  for (WideString& name : names) FDataTypeList.emplace(std::move(name), AInterface);
}

TDataInterface* TModuleService::GetInterfaceForType(const WideString& TypeName) const {
  const auto it = FDataTypeList.find(TypeName);
  return it == FDataTypeList.end() ? nullptr : it->second;
}

TExecuteControl& TModuleService::ExecuteControl() {
  if (!FExecuteControl) FExecuteControl = std::make_unique<TExecuteControl>(this);
  return *FExecuteControl;
}

bool TModuleService::ExecuteIdle() { return ExecuteControl().WorkState() == wsIdle; }

bool TModuleService::ExecuteInterface(int& Index, std::int32_t Command) {
  if (Index >= GetInterfaceCount()) return false;
  try {
    StartExecution(GetInterface(Index), Command, nullptr);
  } catch (const std::exception& e) {
    LogWarning(e.what());
  }
  ++Index;
  return true;
}

bool TModuleService::ExecuteDataItem(int& Index, std::int32_t Command) {
  if (FImportAborted) Index = GetDataItemCount();
  if (Index >= GetDataItemCount()) return false;
  try {
    TDataItem* item = GetDataItem(Index);
    const WideString type = item->GetTypeName();
    DataInterface = GetInterfaceForType(type);
    if (!DataInterface) throw Exception(Format("no data interface found for type with name '%s'", type));
    StartExecution(DataInterface, Command, item);
  } catch (const std::exception& e) {
    LogWarning(e.what());
  }
  ++Index;
  return true;
}

void TModuleService::StartExecution(TDataInterface* Interface, std::int32_t Command, TDataItem* Item) {
  TExecuteControl& control = ExecuteControl();
  // A busy control keeps the command it runs: nothing of it is touched.
  if (control.WorkState() != wsIdle) throw Exception(Format("%s.Execute: not in idle state", control.ClassName()));
  control.SetData(Item);
  control.SetCommand(Command);
  control.OnExecute = [this, Interface](TExecuteControl* Control) { RunInterface(Interface, Control); };
  Interface->SetCurrentExecCtrl(&control);
  control.Execute(this);
}

void TModuleService::RunInterface(TDataInterface* Interface, TExecuteControl* Control) {
  try {
    Interface->Execute(Control);
  } catch (const std::exception& e) {
    LogError(Format("%s: command %d failed (%s)", Interface->Caption(), Control->Command(), AnsiString(e.what())));
    if (Control->WaitingObject()) Control->Continue(Control->WaitingObject());
    Control->SetStatus(0);
    FExecuteFailed = true;
    if (Control->Command() == dcGetData) FSaveAbort = true;
    if (Control->Command() == dcPrepareImport || Control->Command() == dcPutData) FImportAborted = true;
  }
}

}  // namespace vt
