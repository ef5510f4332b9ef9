// Devices; see Device.h.
#include "devices/Device.h"

#include <algorithm>

#include "devices/DeviceManager.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
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
  if (AProfDict && AProfDict->NameExists(u"DevVars")) {
    const auto* vars = CheckedCast<TSLDictionary>(AProfDict->GetObjWithName(u"DevVars"));
    for (int i = 0; i < vars->GetCount(); ++i)
      SetStrVar(vars->GetNameAtIndex(i), vars->GetStrWithName(vars->GetNameAtIndex(i)));
  }
}

TDevice::~TDevice() {
  for (auto& entry : ServiceList) entry.second.reset();
}

const TDevice::TServiceEntry* TDevice::FindService(const AnsiString& AName) const {
  const auto it = std::find_if(ServiceList.begin(), ServiceList.end(),
                               [&](const TServiceEntry& e) { return SameTextAnsi(e.first, AName); });
  return it == ServiceList.end() ? nullptr : &*it;
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
  return ServiceList.back().second.get();
}

TDeviceService* TDevice::GetService(const AnsiString& AServiceName) const {
  const TServiceEntry* entry = FindService(AServiceName);
  if (!entry) throw Exception(Format("%s.GetService: service with name '%s' not found", ClassName(), AServiceName));
  return entry->second.get();
}

bool TDevice::ServiceExists(const AnsiString& AServiceName) const { return FindService(AServiceName) != nullptr; }

WideString TDevice::GetStrVar(std::u16string_view AName) const {
  if (TSLObject* value = FVarDict->FindObject(AName)) return CheckedCast<TSLString>(value)->StringValue();
  if (AName == u"DeviceName") return AnsiToWide(FName);
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

}  // namespace vt
