// The device manager; see DeviceManager.h.
#include "devices/DeviceManager.h"

#include <algorithm>

#include "devices/DeviceLimits.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "ui/ImageList.h"

namespace vt {

namespace {

std::unique_ptr<TDeviceManager> GDeviceManager;

}  // namespace

TDeviceManager::TDeviceManager(TSLDictionary* AProfDict)
    : FProfDict(AProfDict), FDevManProvider(this, "Device Manager"), FModelManager(std::make_unique<TImageList>()) {
  TModelItem* root = FModelManager.Root();
  root->SetCaption("Project");
  root->SetImageIndex(ProjectImage);
  root->UserType = AllUsers;
}

// The devices go before the provider and the tree they use.
TDeviceManager::~TDeviceManager() { DeviceList.clear(); }

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
  FReloginFlag = false;
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
  if (it != DeviceList.end()) {
    TUpdateBracket bracket(&FDevManProvider);
    // Out of the list first: a service freed with it may look devices up.
    std::unique_ptr<TDevice> gone = std::move(*it);
    DeviceList.erase(it);
    RemoveNode(gone->Model());
    gone.reset();
    UpdateRequest = true;
  }
  if (FReloginFlag) {
    FDestroyedFlag = true;
    FDestroyedFlagCounter = 0;
    FReloginFlag = false;
  }
}

// A device's node hangs below the root or below a module group node; an emptied group
// goes too, another one shows the state of the devices left.
void TDeviceManager::RemoveNode(TModelItem* ANode) {
  TModelItem* root = FModelManager.Root();
  TModelItem* parent = ANode->Parent();
  if (!parent) return;
  if (parent == root) return root->RemoveChild(ANode);
  if (parent->Parent() != root) return;
  parent->RemoveChild(ANode);
  if (parent->GetChildCount() == 0)
    root->RemoveChild(parent);
  else
    parent->EvaluateImage();
}

void TDeviceManager::ChangeToOffline(TDevice* ADevice) { SetDeviceCaption(ADevice->Name(), ADevice->Caption()); }

void TDeviceManager::SetDeviceCaption(const AnsiString& DeviceName, const AnsiString& DeviceCaption) {
  TUpdateBracket bracket(&FDevManProvider);
  TDevice* device = FindDevice(DeviceName);
  if (!device)
    throw Exception(Format("%s.ChangeDeviceName: device with name '%s' not found", ClassName(), DeviceName));
  AnsiString caption = DeviceCaption;
  if (device->DeviceType() == dtOffline)
    for (const auto& other : DeviceList)
      if (other.get() != device && other->DeviceType() == dtOffline && other->Caption() == caption) caption += "(1)";
  device->SetCaption(caption);
  device->Model()->SetCaption(device->GetModelCaption());
}

bool TDeviceManager::ServiceExists(const AnsiString& ADeviceName, const AnsiString& AServiceName) const {
  const TDevice* device = FindDevice(ADeviceName);
  return device && device->ServiceExists(AServiceName);
}

bool TDeviceManager::GetDeviceOnlineExists() const {
  return std::any_of(DeviceList.begin(), DeviceList.end(), [](const auto& d) { return d->DeviceType() == dtOnline; });
}

void TDeviceManager::SetGlobalSyncTrig(std::int32_t High, std::int32_t Low) {
  if (High == 0 && Low == 0) {
    FGlobalSyncTriggerLow = FGlobalSyncTriggerHigh = 0;
  } else if (FGlobalSyncTriggerLow == 0 && FGlobalSyncTriggerHigh == 0) {
    FGlobalSyncTriggerLow = static_cast<std::uint32_t>(Low);
    FGlobalSyncTriggerHigh = static_cast<std::uint32_t>(High);
  }
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
