// A parameter-tree description under arbitrary SL text: a module's units, visibility
// flags and parameter records loaded into a device's parameter service, then the
// visibility update. Whatever the records say, every node the indexes hold is in the
// tree and every node of the tree is in the indexes, one level below its parent, at the
// position its index entry says.
#include <stdexcept>
#include <string>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "devices/DeviceManager.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterService.h"
#include "parameters/UnitService.h"
#include "platform/Dialogs.h"
#include "runtime/Tasks.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// The runtime, the registries and one device with a unit and a parameter service, for
// one input; everything goes at the end.
class TFuzzDevice {
 public:
  TFuzzDevice() {
    MxCreateMainScheduler();
    auto online = MakeRef<TSLDictionary>();
    online->AddObject(u"DeviceType", new TSLString(false, u"Online"));
    auto profiles = MakeRef<TSLDictionary>();
    profiles->AddObject(u"Fuzz", online.get());
    FDevices = MakeRef<TSLDictionary>();
    FDevices->AddObject(u"Profiles", profiles.get());
    CreateDeviceManager(FDevices.get());
    DeviceManager()->RegisterServiceClass("UnitService", DeviceServiceClassOf<TUnitService>());
    DeviceManager()->RegisterServiceClass("ParameterService", DeviceServiceClassOf<TParameterService>());
    CreateParameterManager();
    RegisterParameterClasses(*ParameterManager());
    TDevice* device = DeviceManager()->CreateDevice("BOX1", "Fuzz");
    device->SetStrVar(u"UserName", u"SERVICE");
    device->CreateService("UnitService", Settings(u"UnitService").get());
    Service = static_cast<TParameterService*>(device->CreateService("ParameterService", Settings(u"ParameterService").get()));
    SetShowMessageHandler([](const std::u16string&) {});
  }
  ~TFuzzDevice() {
    SetShowMessageHandler(nullptr);
    FreeDeviceManager();
    FreeParameterManager();
    FDevices.reset();
    MxFreeMainScheduler();
  }
  TFuzzDevice(const TFuzzDevice&) = delete;
  TFuzzDevice& operator=(const TFuzzDevice&) = delete;

  TParameterService* Service;

 private:
  static TRef<TSLDictionary> Settings(const char16_t* ClassName) {
    auto dict = MakeRef<TSLDictionary>();
    dict->AddObject(u"Name", new TSLString(false, ClassName));
    return dict;
  }

  TRef<TSLDictionary> FDevices;
};

void CheckTree(const TParameterService& Service) {
  const TParameterIndex& index = Service.ParameterList();
  if (index.Count() - 1 != Service.DevParameterList().Count())
    throw std::logic_error("the indexes hold different nodes");
  int walked = 0;
  Service.TreeRoot()->ForEach([&](TParameter* Node, bool&) {
    ++walked;
    if (Node->Index() < 1 || Node->Index() >= index.Count() || index.At(Node->Index()).Node != Node)
      throw std::logic_error("a node of the tree is not at its index position");
    if (Node->Level() != Node->Parent()->Level() + 1) throw std::logic_error("a node is not one level below its parent");
  }, false);
  if (walked != index.Count() - 1) throw std::logic_error("the index holds nodes that are not in the tree");
}

}  // namespace

int FuzzParameterTree(const std::uint8_t* Data, std::size_t Size) {
  TFuzzStorage storage;
  TFuzzValues values;
  TFuzzDevice device;
  TSLObject* description = nullptr;
  try {
    description = values.Keep(TheStorageManager().DecodeStringToObject(std::string(reinterpret_cast<const char*>(Data), Size)));
  } catch (const Exception&) {
    return 0;  // not SL text
  }
  const auto* module = dynamic_cast<const TSLNamedCollection*>(description);
  if (!module) return 0;
  device.Service->LoadTree("Fuzz", *module);
  CheckTree(*device.Service);
  try {
    device.Service->UpdateVisibility();
  } catch (const Exception&) {
    // Flags that never settle, or a value a folder cannot give: refused with an error.
  }
  return 0;
}

}  // namespace vt
