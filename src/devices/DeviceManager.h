// The one registry of the program's devices and of the device service classes: it
// makes devices from the named profiles of the program settings, answers look-ups by
// device name, by index and by device and service name, keeps the devices' captions
// apart, and carries the process-wide values of devices: the global synchronous trigger
// of the oscilloscopes and the relogin flags of the main state machine. Its provider
// tells the windows when the device list or a caption changed.
//
// Threads: the GUI thread only.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "devices/Device.h"
#include "devices/DeviceService.h"
#include "devices/ModelTree.h"
#include "platform/TextConversion.h"
#include "runtime/Services.h"
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
  // Frees the device (and the services still held); a device that is not listed is
  // left alone. A device destroyed while a relogin is due marks DestroyedFlag.
  void DestroyDevice(TDevice* ADevice);
  // Recomputes the caption of a device that has just gone offline.
  void ChangeToOffline(TDevice* ADevice);
  // The caption of an offline device gets "(1)" appended for every other offline device
  // that has it already, in list order. Raises "%s.ChangeDeviceName: device with name
  // '%s' not found".
  void SetDeviceCaption(const AnsiString& DeviceName, const AnsiString& DeviceCaption);

  // Raises "%s.GetDevice: device with name '%s' not found".
  TDevice* GetDevice(const AnsiString& ADeviceName) const;
  // Creation order. Raises "%s.GetDeviceAtIndex: index out of bounds".
  TDevice* GetDeviceAtIndex(int Index) const;
  bool DeviceExists(const AnsiString& ADeviceName) const;
  int GetDeviceCount() const { return static_cast<int>(DeviceList.size()); }
  // GetDevice, then the device's GetService; both may raise.
  TDeviceService* GetService(const AnsiString& ADeviceName, const AnsiString& AServiceName) const;
  // False also when the device does not exist.
  bool ServiceExists(const AnsiString& ADeviceName, const AnsiString& AServiceName) const;
  // Some device is online.
  bool GetDeviceOnlineExists() const;

  // (0, 0) clears the trigger; another pair is stored only while none is set.
  void SetGlobalSyncTrig(std::int32_t High, std::int32_t Low);
  std::uint32_t GlobalSyncTrigTimeLow() const { return FGlobalSyncTriggerLow; }
  std::uint32_t GlobalSyncTrigTimeHigh() const { return FGlobalSyncTriggerHigh; }

  TServiceProvider& DevManProvider() { return FDevManProvider; }
  // The project's tree; its root "Project" holds the device nodes, directly or below
  // module group nodes.
  TModelManager& ModelManager() { return FModelManager; }

  // The view of every device node, given by the windows' start-up; none without windows.
  // Not owned.
  TApplicationViewFactory* DeviceInfoView = nullptr;
  // Set when a device was destroyed.
  bool UpdateRequest = false;
  // The user agreed to log in again after a new firmware was found; cleared by the
  // next CreateDevice.
  bool FReloginFlag = false;
  // A device was destroyed while FReloginFlag was set; read and cleared by the main
  // state machine, which counts its steps in FDestroyedFlagCounter.
  bool FDestroyedFlag = false;
  std::int32_t FDestroyedFlagCounter = 0;

 private:
  TDevice* FindDevice(const AnsiString& AName) const;
  void RemoveNode(TModelItem* ANode);

  TRef<TSLDictionary> FProfDict;
  TServiceProvider FDevManProvider;
  TModelManager FModelManager;
  std::uint32_t FGlobalSyncTriggerLow = 0;
  std::uint32_t FGlobalSyncTriggerHigh = 0;
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
