// The base of every device service: one object per feature per device, created by its
// device from the service's settings, started and stopped by the device, found by its
// siblings by name. It holds the name, caption, status and status callback; it does no
// drive communication of its own.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/TextConversion.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TDevice;

enum TDeviceServiceStatus : std::uint8_t {
  dsStopped,
  dsStarting,
  dsStarted,
  dsStopping,
  dsError,
  dsDisabled,      // not applicable to this drive; counts as done for start-up
  dsGoingOffline,  // declared; no service sets it
  dsRelogin,       // declared; no service sets it
};

class TDeviceService;
using TServiceStatusChangeEvent = std::function<void(TDeviceService* Sender, TDeviceServiceStatus NewStatus)>;

class TDeviceService {
 public:
  // AProfDict: the service's settings (its "Caption" is read); it stays the settings
  // tree's, the service only holds a reference.
  TDeviceService(TDevice* AOwner, TSLDictionary* AProfDict);
  virtual ~TDeviceService();
  TDeviceService(const TDeviceService&) = delete;
  TDeviceService& operator=(const TDeviceService&) = delete;

  virtual const char* ClassName() const { return "TDeviceService"; }

  // Called once by the device right after construction and naming.
  virtual void Initialize() {}
  // Wait arrives false; a service that hands the work to its own task sets it and
  // reports the outcome through its status.
  virtual void StartUp(bool& Wait) = 0;
  virtual void ShutDown(bool& Wait) = 0;
  virtual void Kill() = 0;
  // A descendant answers the string variables it knows and sets Found.
  virtual void DoGetStrVar(const AnsiString& VarName, AnsiString& Value, bool& Found) {}
  // Called when the device turns from online to offline.
  virtual void ChangeToOffline(bool& Wait) {}

  // The service's own variables, then "ServiceStatus", "ServiceName", "DeviceName";
  // anything else is empty.
  AnsiString GetStrVar(const AnsiString& VarName);
  // Stores the status, then calls OnServiceStatusChange.
  void SetServiceStatus(TDeviceServiceStatus NewStatus);

  TDevice* Device() const { return FOwner; }
  TDeviceServiceStatus ServiceStatus() const { return FServiceStatus; }
  const AnsiString& ServiceName() const { return FName; }
  const AnsiString& Caption() const { return FCaption; }
  TSLDictionary* ProfDict() const { return FProfDict.get(); }

  // Set by the device; empty until then.
  AnsiString FName;
  TServiceStatusChangeEvent FOnServiceStatusChange;

 protected:
  TDevice* const FOwner;
  AnsiString FCaption;
  TRef<TSLDictionary> FProfDict;
  TDeviceServiceStatus FServiceStatus = dsStopped;
};

// How the device manager makes a service of a registered class.
using TDeviceServiceClass = std::function<std::unique_ptr<TDeviceService>(TDevice* AOwner, TSLDictionary* AProfDict)>;

template <class T>
TDeviceServiceClass DeviceServiceClassOf() {
  return [](TDevice* AOwner, TSLDictionary* AProfDict) -> std::unique_ptr<TDeviceService> {
    return std::make_unique<T>(AOwner, AProfDict);
  };
}

}  // namespace vt
