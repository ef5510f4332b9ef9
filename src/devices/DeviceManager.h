// The one registry of the program's devices and of the device service classes: it
// makes devices from the named profiles of the program settings and answers look-ups
// by device name, by index and by device and service name.
//
// Threads: the GUI thread only.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "devices/Device.h"
#include "devices/DeviceService.h"
#include "platform/TextConversion.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TDeviceManager {
 public:
  // AProfDict: the program settings' "Devices"; its "Profiles" name the device profiles.
  explicit TDeviceManager(TSLDictionary* AProfDict);
  ~TDeviceManager();
  TDeviceManager(const TDeviceManager&) = delete;
  TDeviceManager& operator=(const TDeviceManager&) = delete;

  const char* ClassName() const { return "TDeviceManager"; }

  // Names compare without regard to case. Raises "%s.RegisterDeviceService: service
  // with name '%s' already registered".
  void RegisterServiceClass(const AnsiString& AName, TDeviceServiceClass AClass);
  // Raises "%s.GetServiceClass: a service with name '%s' ist not registered".
  const TDeviceServiceClass& GetServiceClass(const AnsiString& AName) const;

  // A device without services, from the profile AProfile (any letter case). Raises
  // "%s.CreateDevice: device with name '%s' already exists", "%s.CreateDevice: no
  // device profiles defined in registry" and "%s.CreateDevice: profile with name '%s'
  // doesn't exist".
  TDevice* CreateDevice(const AnsiString& AName, const AnsiString& AProfile);
  // Frees the device and its services; a device that is not listed is left alone.
  void DestroyDevice(TDevice* ADevice);

  // Raises "%s.GetDevice: device with name '%s' not found".
  TDevice* GetDevice(const AnsiString& ADeviceName) const;
  // Creation order. Raises "%s.GetDeviceAtIndex: index out of bounds".
  TDevice* GetDeviceAtIndex(int Index) const;
  bool DeviceExists(const AnsiString& ADeviceName) const;
  int GetDeviceCount() const { return static_cast<int>(DeviceList.size()); }
  // GetDevice, then the device's GetService; both may raise.
  TDeviceService* GetService(const AnsiString& ADeviceName, const AnsiString& AServiceName) const;

 private:
  TDevice* FindDevice(const AnsiString& AName) const;

  TRef<TSLDictionary> FProfDict;
  std::vector<std::unique_ptr<TDevice>> DeviceList;   // creation order
  std::map<AnsiString, TDeviceServiceClass> ServiceClassList;  // by upper-cased name
};

// The one device manager of the program, none until created; the start-up code
// registers the service classes right after.
TDeviceManager* DeviceManager();
// Raises "CreateDeviceManager: device manager already exists".
void CreateDeviceManager(TSLDictionary* AProfDict);
void FreeDeviceManager();

}  // namespace vt
