// The device manager; see DeviceManager.h.
#include "devices/DeviceManager.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

namespace {

std::unique_ptr<TDeviceManager> GDeviceManager;

}  // namespace

TDeviceManager::TDeviceManager(TSLDictionary* AProfDict) : FProfDict(AProfDict) {}

TDeviceManager::~TDeviceManager() = default;

void TDeviceManager::RegisterServiceClass(const AnsiString& AName, TDeviceServiceClass AClass) {
  if (!ServiceClassList.emplace(UpperCaseAnsi(AName), std::move(AClass)).second)
    throw Exception(Format("%s.RegisterDeviceService: service with name '%s' already registered", ClassName(), AName));
}

const TDeviceServiceClass& TDeviceManager::GetServiceClass(const AnsiString& AName) const {
  const auto it = ServiceClassList.find(UpperCaseAnsi(AName));
  if (it == ServiceClassList.end())
    throw Exception(Format("%s.GetServiceClass: a service with name '%s' ist not registered", ClassName(), AName));
  return it->second;
}

TDevice* TDeviceManager::CreateDevice(const AnsiString& AName, const AnsiString& AProfile) {
  if (FindDevice(AName))
    throw Exception(Format("%s.CreateDevice: device with name '%s' already exists", ClassName(), AName));
  if (!FProfDict || !FProfDict->NameExists(u"Profiles"))
    throw Exception(Format("%s.CreateDevice: no device profiles defined in registry", ClassName()));
  auto* profiles = CheckedCast<TSLDictionary>(FProfDict->GetObjWithName(u"Profiles"));
  TSLObject* profile = profiles->FindObjectAnsi(AProfile);
  if (!profile) throw Exception(Format("%s.CreateDevice: profile with name '%s' doesn't exist", ClassName(), AProfile));
  auto device = std::make_unique<TDevice>(this, AName, CheckedCast<TSLDictionary>(profile));
  device->SetProfileName(AProfile);
  DeviceList.push_back(std::move(device));
  return DeviceList.back().get();
}

void TDeviceManager::DestroyDevice(TDevice* ADevice) {
  const auto it = std::find_if(DeviceList.begin(), DeviceList.end(), [&](const auto& d) { return d.get() == ADevice; });
  if (it == DeviceList.end()) return;
  // Out of the list first: a service freed with it may look devices up.
  std::unique_ptr<TDevice> gone = std::move(*it);
  DeviceList.erase(it);
}

TDevice* TDeviceManager::FindDevice(const AnsiString& AName) const {
  const auto it =
      std::find_if(DeviceList.begin(), DeviceList.end(), [&](const auto& d) { return SameTextAnsi(d->Name(), AName); });
  return it == DeviceList.end() ? nullptr : it->get();
}

TDevice* TDeviceManager::GetDevice(const AnsiString& ADeviceName) const {
  TDevice* device = FindDevice(ADeviceName);
  if (!device) throw Exception(Format("%s.GetDevice: device with name '%s' not found", ClassName(), ADeviceName));
  return device;
}

TDevice* TDeviceManager::GetDeviceAtIndex(int Index) const {
  if (Index < 0 || Index >= GetDeviceCount())
    throw Exception(Format("%s.GetDeviceAtIndex: index out of bounds", ClassName()));
  return DeviceList[Index].get();
}

bool TDeviceManager::DeviceExists(const AnsiString& ADeviceName) const { return FindDevice(ADeviceName) != nullptr; }

TDeviceService* TDeviceManager::GetService(const AnsiString& ADeviceName, const AnsiString& AServiceName) const {
  return GetDevice(ADeviceName)->GetService(AServiceName);
}

TDeviceManager* DeviceManager() { return GDeviceManager.get(); }

void CreateDeviceManager(TSLDictionary* AProfDict) {
  if (GDeviceManager) throw Exception("CreateDeviceManager: device manager already exists");
  GDeviceManager = std::make_unique<TDeviceManager>(AProfDict);
}

void FreeDeviceManager() { GDeviceManager.reset(); }

}  // namespace vt
