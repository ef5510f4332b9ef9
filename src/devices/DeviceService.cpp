// The device service base; see DeviceService.h.
#include "devices/DeviceService.h"

#include <algorithm>

#include "devices/Device.h"

namespace vt {

void SetupPropertyList(TPropertyList& AList, const AnsiString& AObjType, TGetString AGetName,
                       const TSLDictionary* AProfDict) {
  AList.FObjType = AObjType;
  AList.Add<TStringProperty>("Name")->Setup(std::move(AGetName), nullptr, 2);
  if (!AProfDict || !AProfDict->NameExists(u"HelpTextDict")) return;
  const auto* texts = CheckedCast<TSLDictionary>(AProfDict->GetObjWithName(u"HelpTextDict"));
  for (int i = 0; i < texts->GetCount(); ++i) {
    const WideString language = texts->GetNameAtIndex(i);
    const AnsiString text = WideToAnsi(texts->GetStrWithName(language));
    if (!text.empty()) AList.AddInfoStringListItem(WideToAnsi(language), text);
  }
}

TDeviceService::TDeviceService(TDevice* AOwner, TSLDictionary* AProfDict) : FOwner(AOwner), FProfDict(AProfDict) {
  if (AProfDict && AProfDict->NameExists(u"Caption")) FCaption = WideToAnsi(AProfDict->GetStrWithName(u"Caption"));
  SetServiceStatus(dsStopped);
  SetupPropertyList(
      FPropList, "Service", [this](TPropertyObject Obj, std::int32_t Id) { return GetStrVarProp(Obj, Id); }, AProfDict);
}

AnsiString TDeviceService::GetStrVarProp(TPropertyObject AObj, std::int32_t AIdent) const {
  return AIdent == 2 ? FCaption : AnsiString();
}

TDeviceService::~TDeviceService() {
  // Each client's owner is cleared before it is freed.
  for (auto& client : FClientList) client->FOwner = nullptr;
}

AnsiString TDeviceService::GetStrVar(const AnsiString& VarName) {
  AnsiString value;
  bool found = false;
  DoGetStrVar(VarName, value, found);
  if (found) return value;
  if (VarName == "ServiceStatus") {
    static const char* const names[] = {"Stopped", "Starting", "Started", "Stopping", "Error"};
    return FServiceStatus <= dsError ? names[FServiceStatus] : "Unknown";
  }
  if (VarName == "ServiceName") return FName;
  if (VarName == "DeviceName") return FOwner ? FOwner->Name() : AnsiString();
  return {};
}

void TDeviceService::SetServiceStatus(TDeviceServiceStatus NewStatus) {
  FServiceStatus = NewStatus;
  if (FOnServiceStatusChange) FOnServiceStatusChange(this, NewStatus);
}

TDeviceServiceClient* TDeviceService::CreateServiceClient() {
  FClientList.push_back(std::make_unique<TDeviceServiceClient>(this));
  return FClientList.back().get();
}

void TDeviceService::ReleaseClient(TDeviceServiceClient* Client) {
  const auto it = std::find_if(FClientList.begin(), FClientList.end(), [&](const auto& c) { return c.get() == Client; });
  if (it == FClientList.end()) return;
  it->release();  // the client frees itself
  FClientList.erase(it);
}

void TDeviceService::NotifyClients() {
  // By index: a notified client may release itself.
  for (std::size_t i = 0; i < FClientList.size(); ++i) FClientList[i]->Notify();
}

bool TDeviceService::GetHasReadPermission() const { return FOwner->GetUserPermission() >= FMinReadPermission; }

bool TDeviceService::GetHasWritePermission() const { return FOwner->GetUserPermission() >= FMinWritePermission; }

void TDeviceServiceClient::Release() {
  if (!FOwner) return;
  FOwner->ReleaseClient(this);
  delete this;
}

void TDeviceServiceClient::Notify() {
  if (OnNotify) OnNotify(FOwner);
}

}  // namespace vt
