// Devices: construction, services by name, string variables, the user and the clients;
// see Device.h. The life cycle is in DeviceLifeCycle.cpp, captions and help in
// DeviceInfo.cpp.
#include "devices/Device.h"

#include <algorithm>

#include "devices/DeviceLimits.h"
#include "devices/DeviceManager.h"
#include "devices/SiblingServices.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/ApplicationState.h"
#include "runtime/DebugLog.h"
#include "runtime/SettingsTree.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

namespace vt {

TDevice::TDevice(TDeviceManager* AOwner, AnsiString AName, TSLDictionary* AProfDict)
    : FOwner(AOwner), FName(std::move(AName)), FProfDict(AProfDict), FVarDict(MakeRef<TSLDictionary>()) {
  if (AProfDict && AProfDict->NameExists(u"DeviceType")) {
    const WideString type = AProfDict->GetStrWithName(u"DeviceType");
    if (type == u"Online") FDeviceType = dtOnline;
    if (type == u"Offline") FDeviceType = dtOffline;
    if (type == u"Archive") FDeviceType = dtArchive;
  }
  TModelManager& model = FOwner->ModelManager();
  FModel = model.NewItem(TModelData(this));
  FModel->SetCaption(FName);
  FModel->SetImageIndex(DeviceImage);
  FModel->View = FOwner->DeviceInfoView;
  FModel->OnGetStrVar = [this](const AnsiString& AName, AnsiString& Value) { ModelGetStrVar(AName, Value); };
  FModulItem = model.NewItem();
  FModulItem->SetImageIndex(ModuleGroupImage);
  WorkTask = std::make_unique<TMxTask>("DeviceManager");
  WorkTask->OnExecute = [this](TMxTask* Sender) { Work(Sender); };
  WorkTask->Start();
  if (AProfDict && AProfDict->NameExists(u"DevVars")) {
    const auto* vars = CheckedCast<TSLDictionary>(AProfDict->GetObjWithName(u"DevVars"));
    for (int i = 0; i < vars->GetCount(); ++i)
      SetStrVar(vars->GetNameAtIndex(i), vars->GetStrWithName(vars->GetNameAtIndex(i)));
  }
  SetupPropertyList(
      FPropList, FDeviceType == dtOnline ? "Drive (Online)" : "Offline Drive Configuration",
      [this](TPropertyObject Obj, std::int32_t Id) { return GetStrVarProp(Obj, Id); }, AProfDict);
  LastBaudrateDev = ApplicationState().LastBaudrate;
}

TDevice::~TDevice() {
  FState = dstDestroyed;
  FAlive.reset();
  // The completion callback of the task's own step may be what destroys the device.
  MxFreeTask(std::move(WorkTask));
  for (TDeviceClient* client : ClientList) client->FDevice = nullptr;
  FreeServices();
  FModel->OnGetStrVar = nullptr;
  FModel->Release();
  FModulItem->Release();
}

// ---- Services ----

const TDevice::TServiceEntry* TDevice::FindService(const AnsiString& AName) const {
  const auto it = std::find_if(ServiceList.begin(), ServiceList.end(),
                               [&](const TServiceEntry& e) { return SameTextAnsi(e.first, AName); });
  return it == ServiceList.end() ? nullptr : &*it;
}

TDeviceService* TDevice::FindServiceObject(const AnsiString& AName) const {
  const TServiceEntry* entry = FindService(AName);
  return entry ? entry->second.get() : nullptr;
}

void TDevice::CreateServices() {
  if (!FProfDict || !FProfDict->NameExists(u"Services")) return;
  const auto* services = CheckedCast<TSLArray>(FProfDict->GetObjWithName(u"Services"));
  for (int i = 0; i < services->GetCount(); ++i) {
    try {
      const auto* entry = CheckedCast<TSLDictionary>(services->GetObjAtIndex(i));
      const AnsiString name = WideToAnsi(entry->GetStrWithName(u"Name"));
      const AnsiString path = WideToAnsi(entry->GetStrWithName(u"Profile"));
      TSLDictionary* settings = ProgramRegistry ? ProgramRegistry->GetDictKey(path) : nullptr;
      if (!settings) throw Exception(Format("%s.CreateServices: no settings at '%s'", ClassName(), path));
      CreateService(name, settings);
    } catch (...) {
      LogError(CurrentExceptionText());
    }
  }
}

TDeviceService* TDevice::CreateService(const AnsiString& AName, TSLDictionary* ADict) {
  if (FindService(AName))
    throw Exception(
        Format("%s.CreateService: device '%s' has already a service with name '%s'", ClassName(), FName, AName));
  const AnsiString className = WideToAnsi(ADict->GetStrWithName(u"Name"));
  std::unique_ptr<TDeviceService> service = FOwner->GetServiceClass(className)(this, ADict);
  service->FName = AName;
  service->Initialize();
  ServiceList.emplace_back(AName, std::move(service));
  TDeviceService* created = ServiceList.back().second.get();
  created->FOnServiceStatusChange = [this](TDeviceService* Sender, TDeviceServiceStatus NewStatus) {
    ServiceStatusChange(Sender, NewStatus);
  };
  return created;
}

TDeviceService* TDevice::GetService(const AnsiString& AServiceName) const {
  TDeviceService* service = FindServiceObject(AServiceName);
  if (!service) throw Exception(Format("%s.GetService: service with name '%s' not found", ClassName(), AServiceName));
  return service;
}

bool TDevice::ServiceExists(const AnsiString& AServiceName) const { return FindService(AServiceName) != nullptr; }

void TDevice::FreeServices() {
  CurrentService = nullptr;
  // Each in index order; a service's destructor may still look its siblings up.
  for (auto& entry : ServiceList) entry.second.reset();
  ServiceList.clear();
}

// ---- String variables and the user ----

WideString TDevice::GetStrVar(std::u16string_view AName) const {
  if (TSLObject* value = FVarDict->FindObject(AName)) return CheckedCast<TSLString>(value)->StringValue();
  if (AName == u"DeviceName") return AnsiToWide(FName);
  if (AName == u"DeviceStatus") {
    static const char16_t* const names[] = {u"Stopped", u"Starting", u"Started", u"Stopping", u"Error"};
    return FState <= dstError ? names[FState] : u"Unknown";
  }
  if (AName == u"DeviceType") {
    static const char16_t* const names[] = {u"Unknown", u"Online", u"Offline", u"Archive", u"Connection Lost"};
    return names[FDeviceType];
  }
  return {};
}

void TDevice::SetStrVar(std::u16string_view AName, const WideString& Value) {
  const WideString name(AName);
  if (FVarDict->NameExists(name)) FVarDict->RemoveObject(name);
  FVarDict->AddObject(name, new TSLString(false, Value));
}

std::int32_t TDevice::GetUserPermission() const {
  const AnsiString user = UpperCaseAnsi(WideToAnsi(GetStrVar(u"UserName")));
  if (user == "GUEST") return 1;
  if (user == "USER") return 3;
  if (user == "SERVICE") return 7;
  if (user == "DEVELOPER") return 15;
  return 0;
}

void TDevice::ModelGetStrVar(const AnsiString& AName, AnsiString& Value) const {
  Value = WideToAnsi(GetStrVar(AnsiToWide(AName)));
}

AnsiString TDevice::GetStrVarProp(TPropertyObject AObj, std::int32_t AIdent) const {
  return AIdent == 2 ? FCaption : AnsiString();
}

bool TDevice::IsDeveloper() const { return GetStrVar(u"UserName") == u"DEVELOPER"; }

void TDevice::SetMultValueEnable() {
  FVarMultValue = false;
  FParMultValue = false;
  auto* talk = dynamic_cast<TTalkServiceLink*>(GetService("TalkService"));
  if (!talk || !ApplicationState().MultiReadActive) return;
  const std::uint8_t commandSet = talk->CommandSetVersion();
  switch (talk->ProtocolVersion()) {
    case 0x50:
      FVarMultValue = FParMultValue = commandSet >= 1;
      break;
    case 0x31:
    case 0x60:
    case 0x70:
    case 0x80:
    case 0x90:
    case 0xA0:
      FVarMultValue = commandSet >= 1;
      FParMultValue = commandSet >= 2;
      break;
    default:
      break;
  }
}

void TDevice::DestroyMultiRead() {
  if (auto* variables = Sibling<TMultiValueReaderOwner>("VariableService")) variables->DestroyMultiRead();
}

// ---- Clients ----

std::unique_ptr<TDeviceClient> TDevice::GetDeviceClient() {
  std::unique_ptr<TDeviceClient> client(new TDeviceClient(this));
  ClientList.push_back(client.get());
  return client;
}

void TDevice::ClientRequest(TDeviceClient* Client, TDeviceClientRequest Request) {
  const auto it = std::find(ClientList.begin(), ClientList.end(), Client);
  if (it == ClientList.end())
    throw Exception(Format("%s.ClientRequest: sender isn't client of this device", ClassName()));
  if (Request != crRelease) return;
  // The client may be freed after its release; the list must not keep it.
  ClientList.erase(it);
  FClientReleaseRequest = true;
  WakeUp();
}

void TDeviceClient::Release() {
  if (!FDevice) return;
  TDevice* device = FDevice;
  FDevice = nullptr;
  device->ClientRequest(this, crRelease);
}

}  // namespace vt
