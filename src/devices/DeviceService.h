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
#include <vector>

#include "devices/PropertyList.h"
#include "platform/TextConversion.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TDevice;
class TModelItem;

// What devices and services show in the property inspector: the property "Name" (read
// through AGetName) and the help texts of the profile's "HelpTextDict" (language → text;
// empty texts are skipped).
void SetupPropertyList(TPropertyList& AList, const AnsiString& AObjType, TGetString AGetName,
                       const TSLDictionary* AProfDict);

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
class TDeviceServiceClient;
using TServiceStatusChangeEvent = std::function<void(TDeviceService* Sender, TDeviceServiceStatus NewStatus)>;
using TServiceNotification = std::function<void(TDeviceService* Service)>;

class TDeviceService {
 public:
  // AProfDict: the service's settings (its "Caption" and "HelpTextDict" are read); it
  // stays the settings tree's, the service only holds a reference.
  TDeviceService(TDevice* AOwner, TSLDictionary* AProfDict);
  // Releases every client still held.
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
  // Stores the status, then calls OnServiceStatusChange; the clients are not told.
  void SetServiceStatus(TDeviceServiceStatus NewStatus);

  // A client of this service, kept in creation order until it is released.
  TDeviceServiceClient* CreateServiceClient();
  // Takes the client off the list; it does not free it.
  void ReleaseClient(TDeviceServiceClient* Client);
  // Tells every client, in list order, that the service's data changed.
  void NotifyClients();
  int GetClientCount() const { return static_cast<int>(FClientList.size()); }
  // The owner's user permission reaches the minimum (GUEST 1 … DEVELOPER 15).
  bool GetHasReadPermission() const;
  bool GetHasWritePermission() const;

  TDevice* Device() const { return FOwner; }
  TDeviceServiceStatus ServiceStatus() const { return FServiceStatus; }
  const AnsiString& ServiceName() const { return FName; }
  const AnsiString& Caption() const { return FCaption; }
  TSLDictionary* ProfDict() const { return FProfDict.get(); }
  TPropertyList& PropertyList() { return FPropList; }
  TModelItem* Model() const { return FModel; }
  // The getter of the property "Name": the caption for ident 2, else empty.
  AnsiString GetStrVarProp(TPropertyObject AObj, std::int32_t AIdent) const;

  // Set by the device; empty until then.
  AnsiString FName;
  TServiceStatusChangeEvent FOnServiceStatusChange;

 protected:
  TDevice* const FOwner;
  AnsiString FCaption;
  TRef<TSLDictionary> FProfDict;
  TDeviceServiceStatus FServiceStatus = dsStopped;
  std::int32_t FMinReadPermission = 1;
  std::int32_t FMinWritePermission = 1;
  // The service's tree node, made by a descendant that shows one, and the last node
  // added below it.
  TModelItem* FModel = nullptr;
  TModelItem* FLastModel = nullptr;
  TPropertyList FPropList;

 private:
  std::vector<std::unique_ptr<TDeviceServiceClient>> FClientList;
};

// The handle through which code hears from a service that its data changed.
class TDeviceServiceClient {
 public:
  explicit TDeviceServiceClient(TDeviceService* AOwner) : FOwner(AOwner) {}
  TDeviceServiceClient(const TDeviceServiceClient&) = delete;
  TDeviceServiceClient& operator=(const TDeviceServiceClient&) = delete;

  // Leaves the owner's list and frees the client; a client without owner is left alone.
  // A released client must not be used again.
  void Release();
  // Calls OnNotify with the owner.
  void Notify();
  TDeviceService* Service() const { return FOwner; }

  TServiceNotification OnNotify;

 private:
  friend class TDeviceService;
  TDeviceService* FOwner;
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
