// Parameter data sets: collecting and reading a class, the dictionary form and files;
// see ParameterTreeData.h. Writing a set into a drive is in ParameterTreeWrite.cpp.
#include "parameters/ParameterTreeData.h"

#include <charconv>

#include "devices/Device.h"
#include "parameters/ChoiceParameters.h"
#include "parameters/IntegerParameterBase.h"
#include "parameters/ParameterService.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// Entries are parameters with a UPID of their own; folders and options lie above.
constexpr std::int32_t MaxEntryUPID = 0xFFFF;

bool ParseDecimal(const AnsiString& Text, std::int32_t& Value) {
  const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return error == std::errc() && end == Text.data() + Text.size();
}

TGenericIntParameter* UPIDValued(TParameterService* Service, std::int32_t UPID) {
  auto* node = Service ? dynamic_cast<TGenericIntParameter*>(Service->FindParameter(UPID)) : nullptr;
  return node && node->IsUPID() ? node : nullptr;
}

const TVariableUPIDs* Variables(TParameterService* Service) {
  return Service->Device()->Sibling<TVariableUPIDs>("VariableService");
}

// The device UPID in Data as the master UPID it names; Data unchanged when nothing has it.
AnsiString MasterUPIDText(TParameterService* Service, const AnsiString& Data) {
  std::int32_t device = 0;
  if (!ParseDecimal(Data, device)) return Data;
  if (const TParameter* node = Service->FindParameterWithDeviceUPID(device)) return std::to_string(node->MasterUPID());
  std::int32_t master = 0;
  if (const auto* variables = Variables(Service); variables && variables->MasterOfDeviceUPID(device, master))
    return std::to_string(master);
  return Data;
}

// The master UPID in Data as the device UPID it names; false when nothing has it. 0
// points at nothing and stays so.
bool DeviceUPIDText(TParameterService* Service, const AnsiString& Data, AnsiString& Text) {
  std::int32_t master = 0;
  if (!ParseDecimal(Data, master)) return false;
  Text = std::to_string(master);
  if (master == 0) return true;
  if (const TParameter* node = Service->FindParameter(master)) {
    Text = std::to_string(node->UPID());
    return true;
  }
  std::int32_t device = 0;
  if (const auto* variables = Variables(Service); variables && variables->DeviceOfMasterUPID(master, device)) {
    Text = std::to_string(device);
    return true;
  }
  return false;
}

AnsiString Text(const TValueRec& Value) { return Value.ValueStr.str(); }

// A record with the keys in their order and their empty values. Made for each record:
// the shared set outlives the SL objects' pools, so it keeps none of its own.
TRef<TSLDictionary> NewRecord() {
  auto record = MakeRef<TSLDictionary>();
  record->SetIntWithName(u"Attribute", 0);
  for (const char16_t* key : {u"Caption", u"Data", u"Default", u"Max", u"Min"}) record->SetStrWithName(key, u"");
  record->SetIntWithName(u"UPID", 0);
  record->SetIntWithName(u"UUID", -1);
  return record;
}

}  // namespace

TParameterTreeData& ParameterTreeData() {
  static TParameterTreeData set;
  return set;
}

TParameterTreeData::TParameterTreeData() {
  FServiceClient.OnExecute = [this](TServiceClient*) { Work(); };
  FServiceClient.OnNotify = [this](void*) { ServiceClientNotify(); };
}

TParameterTreeData::~TParameterTreeData() {
  FDataList.clear();
  FServiceClient.Disconnect();
}

void TParameterTreeData::Clear() {
  if (FState != stReady) throw Exception(Format("%s.Clear: is not allowed in this state", ClassName()));
  while (!FDataList.empty()) FDataList.pop_back();
  FTreeName.clear();
}

TParameterDataItem& TParameterTreeData::AddParameter(std::int32_t UPID, const AnsiString& TreeName) {
  if (FDataList.empty())
    FTreeName = TreeName;
  else if (TreeName != FTreeName)
    throw Exception("Parameter ......");
  FDataList.push_back(std::make_unique<TParameterDataItem>());
  FDataList.back()->FUPID = UPID;
  return *FDataList.back();
}

// ---- Reading a class from a drive ----

void TParameterTreeData::Start(TParameterService* Service, TState State, TParameterTreeDataResponse Response) {
  FServiceClient.Connect(&Service->Provider());
  FState = State;
  WorkStep = 0;
  RespProc = std::move(Response);
  FServiceClient.Request();
}

void TParameterTreeData::GetData(TParameterService* Service, TParameter* Root, TParameterTreeDataResponse Response) {
  if (FState != stReady) throw Exception(Format("%s.GetData: wrong state", ClassName()));
  FParameterService = Service;
  Clear();
  Collect(Root);
  Start(Service, stGet, std::move(Response));
}

void TParameterTreeData::PutData(TParameterService* Service, TParameterTreeDataResponse Response) {
  if (FState != stReady) throw Exception(Format("%s.GetData: wrong state", ClassName()));
  FParameterService = Service;
  Start(Service, stPut, std::move(Response));
}

void TParameterTreeData::Collect(TParameter* Root) {
  Root->ForEach(
      [this](TParameter* Node, bool&) {
        if (Node->MasterUPID() >= MaxEntryUPID || Node->IsChild()) return;
        if (!Node->GetValid()) ShowMessage(AnsiToWide("Parameter with UPID: 0x" + Format("%4.4x", Node->MasterUPID()) + " is invalid"));
        AddParameter(Node->MasterUPID(), Node->GetTree()).FCaption = Node->GetPath();
      },
      false);
}

void TParameterTreeData::Work() {
  switch (FState) {
    case stGet:
      if (WorkStep == 0)
        UpdateParameters();
      else
        ReadParameterData();
      break;
    case stPut:
      if (WorkStep == 0) {
        WriteParameters();
        WorkStep = 1;
      } else {
        FState = stReady;
      }
      break;
    case stReady: {
      // The client is let go first: the response may start the next read at once.
      TParameterTreeDataResponse response = std::move(RespProc);
      RespProc = nullptr;
      FServiceClient.Disconnect();
      WorkStep = 0;
      if (response) response(this);
      break;
    }
    default:
      break;
  }
}

void TParameterTreeData::ServiceClientNotify() {
  const TServiceProvider* provider = FServiceClient.Provider();
  if (provider && provider->CurrentClient() == &FServiceClient && provider->Status() == psWaitClient)
    FServiceClient.Continue();
}

void TParameterTreeData::UpdateParameters() {
  try {
    FParameterService->PrepareUpdate(&FServiceClient);
    for (const auto& entry : FDataList)
      if (TParameter* node = FParameterService->FindParameter(entry->FUPID); node && !node->GetValid())
        node->Update(&FServiceClient);
    // The end may be told within ExecuteUpdate: the wait comes first.
    FServiceClient.Wait(csNoTimeout);
    FParameterService->ExecuteUpdate(&FServiceClient);
  } catch (const std::exception& e) {
    throw Exception(e.what());
  }
  WorkStep = 1;
}

void TParameterTreeData::ReadParameterData() {
  for (const auto& entry : FDataList) {
    TParameter* node = FParameterService->FindParameter(entry->FUPID);
    if (!node || !node->GetValid()) continue;
    try {
      const AnsiString mode = node->IsUInt64() || node->IsSInt64() ? "HEX" : "SCALED";
      TValueRec value;
      if (node->IsSafetyParameter()) {
        node->GetScaledNewValue(value, usSI, mode);
        entry->FData = Text(value);
      } else {
        node->GetScaledValue(value, usSI, mode);
        entry->FData = Text(value);
        node->GetDefaultStr(value, usSI, mode);
        entry->FDefault = Text(value);
      }
      if (auto* integer = dynamic_cast<TGenericIntParameter*>(node)) {
        integer->GetMinValueStr(value, usSI, mode);
        entry->FMin = Text(value);
        integer->GetMaxValueStr(value, usSI, mode);
        entry->FMax = Text(value);
        entry->FUUID = integer->UUID();
      }
      entry->FAttribute = node->AddrUsage();
    } catch (const std::exception&) {
      ShowMessage(AnsiToWide(std::to_string(entry->FUPID)));
      break;
    }
  }
  FState = stReady;
}

// ---- The dictionary form and files ----

void TParameterTreeData::WriteToDict(TSLDictionary* ADict) const {
  auto array = MakeRef<TSLArray>();
  for (const auto& entry : FDataList) {
    if (entry->FUPID > MaxEntryUPID) continue;
    const TRef<TSLDictionary> record = NewRecord();
    const AnsiString data =
        UPIDValued(FParameterService, entry->FUPID) ? MasterUPIDText(FParameterService, entry->FData) : entry->FData;
    record->SetIntWithName(u"Attribute", entry->FAttribute);
    record->SetStrWithName(u"Caption", AnsiToWide(entry->FCaption));
    record->SetStrWithName(u"Data", AnsiToWide(data));
    record->SetStrWithName(u"Default", AnsiToWide(entry->FDefault));
    record->SetStrWithName(u"Max", AnsiToWide(entry->FMax));
    record->SetStrWithName(u"Min", AnsiToWide(entry->FMin));
    record->SetIntWithName(u"UPID", entry->FUPID);
    record->SetIntWithName(u"UUID", entry->FUUID);
    array->AddObject(record.get());
  }
  auto set = MakeRef<TSLDictionary>();
  set->SetObjWithName(u"DataArray", array.get());
  set->SetStrWithName(u"TreeName", AnsiToWide(FTreeName));
  if (ADict->NameExists(u"ParameterTreeData")) ADict->RemoveObject(u"ParameterTreeData");
  ADict->SetObjWithName(u"ParameterTreeData", set.get());
}

void TParameterTreeData::ReadFromDict(TParameterService* Service, const TSLDictionary* ADict) {
  FParameterService = Service;
  const auto& set = *CheckedCast<TSLDictionary>(ADict->GetObjWithName(u"ParameterTreeData"));
  const AnsiString tree = WideToAnsi(set.GetStrWithName(u"TreeName"));
  const auto& array = *CheckedCast<TSLArray>(set.GetObjWithName(u"DataArray"));
  Clear();
  for (int i = 0; i < array.GetCount(); ++i) {
    const auto& record = *CheckedCast<TSLDictionary>(array.GetObjAtIndex(i));
    TParameterDataItem& entry = AddParameter(static_cast<std::int32_t>(record.GetIntWithName(u"UPID")), tree);
    entry.FCaption = WideToAnsi(record.GetStrWithName(u"Caption"));
    entry.FData = WideToAnsi(record.GetStrWithName(u"Data"));
    if (UPIDValued(Service, entry.FUPID)) {
      AnsiString device;
      entry.FUnresolvedUPID = !DeviceUPIDText(Service, entry.FData, device);
      entry.FData = entry.FUnresolvedUPID ? "0" : device;
    }
    entry.FDefault = WideToAnsi(record.GetStrWithName(u"Default"));
    entry.FMin = WideToAnsi(record.GetStrWithName(u"Min"));
    entry.FMax = WideToAnsi(record.GetStrWithName(u"Max"));
    entry.FAttribute = static_cast<std::int32_t>(record.GetIntWithName(u"Attribute"));
    entry.FUUID = static_cast<std::int32_t>(record.GetIntWithName(u"UUID"));
    std::int32_t system = 0;
    if (entry.FUPID == UnitSystemUPID && ParseDecimal(entry.FData, system))
      SetUnitSystemOf(Service, static_cast<std::uint16_t>(system));
  }
}

void TParameterTreeData::SaveToFile(const AnsiString& FileName) const {
  auto dict = MakeRef<TSLDictionary>();
  WriteToDict(dict.get());
  const TRef<TSLStorageObject> file(TheStorageManager().CreateObject(FileName));
  file->SetData(dict.get());
  file->Write();
}

void TParameterTreeData::LoadFromFile(const AnsiString& FileName) {
  if (!FParameterService) throw Exception(Format("%s.LoadFromFile: no parameter service", ClassName()));
  const TRef<TSLStorageObject> file(TheStorageManager().GetObject(FileName));
  ReadFromDict(FParameterService, CheckedCast<TSLDictionary>(file->GetData()));
}

bool TParameterTreeData::DeviceOffline() const { return FParameterService->Device()->DeviceType() == dtOffline; }

}  // namespace vt
