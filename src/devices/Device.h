// One drive as the program knows it: online over a serial line or UDP, offline from a
// configuration file, or one whose connection was lost. A device holds its services in
// profile order (found by name), its string variables (user, password, port and the
// like), the address of its link and the user's permission, and runs its life-cycle task
// "DeviceManager": it starts the services one by one in passes, stops them in reverse
// order, or switches them to offline, and calls the caller back when done.
//
// Threads: the GUI thread only; the task is a step task of the main scheduler.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "devices/DeviceService.h"
#include "devices/DeviceTypes.h"
#include "devices/ModelTree.h"
#include "devices/PropertyList.h"
#include "platform/TextConversion.h"
#include "runtime/Tasks.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TDeviceManager;
class TDevice;
class TDeviceClient;

// The completion callback of a start, a stop or a change to offline; it may destroy the
// device.
using TDeviceResponse = std::function<void(TDevice* Sender)>;

enum TDeviceClientRequest : std::uint8_t { crRelease };

// One notice of a device's info list.
struct TInfoObject {
  AnsiString InfoText;  // the notice, and its key in the list
  AnsiString Source;    // "Motor Wizard", "Oscilloscope"
  AnsiString InfoType;  // "Info"
};

class TDevice {
 public:
  // The profile's "DeviceType" ("Online", "Offline", "Archive") gives the type; its
  // "DevVars" seed the string variables. The profile stays the settings tree's.
  TDevice(TDeviceManager* AOwner, AnsiString AName, TSLDictionary* AProfDict);
  // Frees the services still held; clients still bound are let go.
  ~TDevice();
  TDevice(const TDevice&) = delete;
  TDevice& operator=(const TDevice&) = delete;

  const char* ClassName() const { return "TDevice"; }

  // ---- Services ----
  // Every service of the profile's "Services" (each "Name" and the settings at the
  // program-settings path "Profile"); an entry that fails is logged and left out.
  void CreateServices();
  // A service of the class that the settings' "Name" names, known to the manager, under
  // the name AName; it is initialised before it joins the list. Raises "%s.CreateService:
  // device '%s' has already a service with name '%s'" for a name in use.
  TDeviceService* CreateService(const AnsiString& AName, TSLDictionary* ADict);
  // Names compare without regard to case. Raises "%s.GetService: service with name '%s'
  // not found".
  TDeviceService* GetService(const AnsiString& AServiceName) const;
  bool ServiceExists(const AnsiString& AServiceName) const;
  int GetServiceCount() const { return static_cast<int>(ServiceList.size()); }
  TDeviceService* GetServiceWithIndex(int Index) const { return ServiceList.at(Index).second.get(); }
  // The service of that name as the interface T; none when the device lacks either.
  template <class T>
  T* Sibling(const AnsiString& AServiceName) const;
  // Frees the services in index order; done by whoever shut the device down, before the
  // manager destroys it.
  void FreeServices();

  // ---- Life cycle ----
  // Each raises "%s.<operation>: device not ready" in a state it does not start from and
  // then changes nothing. RespProc is called on a later step of the task.
  void StartUpServices(TDeviceResponse RespProc);
  void ShutDownServices(TDeviceResponse RespProc);
  void ChangeToOffline(TDeviceResponse RespProc, bool ASendLogout);
  void ChangeToConnectionLost(TDeviceResponse RespProc);
  void ChangeToConnectionRecovered(TDeviceResponse RespProc);
  // Serial fall-back while the connection is lost: at the 2nd, 3rd and 5th call the port
  // is closed, given 38400, the saved rate, 38400, and opened again after a pause.
  void HandleConnectionLost();
  // Stops the device and sets LogoutOk; the tree views are not updated until it has
  // stopped, then DeviceResp is called.
  void Logout();
  void ModifiedValues(TDeviceResponse RespProc) { FLogoutOk = true; }
  // The callback of every service's status change: wakes the task for the service it
  // waits for.
  void ServiceStatusChange(TDeviceService* Sender, TDeviceServiceStatus NewStatus);

  // ---- String variables and the user ----
  // A variable of the dictionary (any letter case); else "DeviceName", "DeviceStatus" and
  // "DeviceType" are computed (exact names); anything else is empty.
  WideString GetStrVar(std::u16string_view AName) const;
  void SetStrVar(std::u16string_view AName, const WideString& Value);
  // "GUEST" 1, "USER" 3, "SERVICE" 7, "DEVELOPER" 15 (any letter case), anything else 0.
  std::int32_t GetUserPermission() const;
  // The tree node's string variables: GetStrVar.
  void ModelGetStrVar(const AnsiString& AName, AnsiString& Value) const;
  // From the talk service's versions, while the application allows batched reads.
  void SetMultValueEnable();
  void DestroyMultiRead();

  // ---- Clients ----
  // A client bound to this device; the caller owns it.
  std::unique_ptr<TDeviceClient> GetDeviceClient();
  // Raises "%s.ClientRequest: sender isn't client of this device".
  void ClientRequest(TDeviceClient* Client, TDeviceClientRequest Request);

  // ---- Captions, info list and help documents ----
  // The caption of the device's tree node.
  AnsiString GetModelCaption() const;
  // The node's path in the tree: below its module group node when grouped.
  AnsiString GetDevicePath() const;
  // The link as a configuration names it: the port, and for "ETH" ("ETH_v6") a blank and
  // the drive's dotted IPv4 (its IPv6) address.
  AnsiString GetPortText() const;
  // The device in interface-name lists and the item selection: its number (the digits
  // after the first "X" of its name, 1 without) with at least three digits, its caption,
  // a blank and the port part: "offline", the port, or "ETH"/"ETH_v6" directly followed
  // by the address ("012Drive ETH192.168.1.5").
  AnsiString GetDeviceLabel() const;
  // A notice whose text (any letter case) is listed already is not added again.
  void AddtoInfoList(const TInfoObject& Info);
  void DelfromInfoList(const AnsiString& InfoText);
  // On every idle update of the info window: the motor-wizard check once it is due, the
  // oscilloscope notice, then the shell's info windows.
  void UpdateInfoListWindow();
  // One "HTMLDocument" value of a module description: four help files of its area.
  void SetHTMLHelp(const AnsiString& HelpFile);
  // Instance 0 motion control, 1 interface, 2 application; the language's file, else
  // the English one.
  AnsiString GetHTMLHelp(std::int32_t Instance, const AnsiString& Language) const;

  TDeviceManager* Owner() const { return FOwner; }
  const AnsiString& Name() const { return FName; }
  const AnsiString& ProfileName() const { return FProfileName; }
  void SetProfileName(AnsiString Value) { FProfileName = std::move(Value); }
  const AnsiString& Caption() const { return FCaption; }
  void SetCaption(AnsiString Value) { FCaption = std::move(Value); }
  TDeviceType DeviceType() const { return FDeviceType; }
  void SetDeviceType(TDeviceType Value) { FDeviceType = Value; }
  TDeviceState State() const { return FState; }
  bool MultVarValueEnable() const { return FVarMultValue; }
  bool MultParValueEnable() const { return FParMultValue; }
  // The motor wizard's check is due again (the drive's parameters changed).
  void SetUpdateWizardInfoFlag() { FUpdateWizardInfoFlag = true; }
  bool LogoutOk() const { return FLogoutOk; }
  bool ClientReleaseRequest() const { return FClientReleaseRequest; }
  std::int32_t ConnectionLostCounter() const { return FConnectionLostCOunter; }
  std::uint32_t OldBaudrate() const { return FOldBaudrate; }
  const std::vector<TInfoObject>& InfoList() const { return FInfoList; }
  bool InfWinVisible() const { return FInfWinVisible; }
  TModelItem* Model() const { return FModel; }
  // The configuration dictionary of the last save, and its "Info"; none before.
  TSLDictionary* DataDict() const { return FDataDict.get(); }
  void SetDataDict(TSLDictionary* Value) { FDataDict.Assign(Value); }
  TSLDictionary* InfoDict() const { return FInfoDict.get(); }
  void SetInfoDict(TSLDictionary* Value) { FInfoDict.Assign(Value); }
  TModelItem* ModulItem() const { return FModulItem; }
  TPropertyList& PropertyList() { return FPropList; }
  // The getter of the property "Name": the caption for ident 2, else empty.
  AnsiString GetStrVarProp(TPropertyObject AObj, std::int32_t AIdent) const;

  // The link's address, set by whoever creates the device.
  TInterfaceType InterfaceType = ifRS232;
  std::int32_t DeviceMACID = 0;
  std::int32_t DeviceIP = 0;  // IPv4, the first dotted number in bits 31 to 24
  WideString DeviceIPv6;
  std::uint32_t EthVersion = 4;  // 6: IPv6
  std::uint32_t DevicePort = 20000;
  // When the device goes offline its talk service logs out first.
  bool SendLogout = false;
  // 1: the talk service shows its next login error in the log only, and sets this to 0.
  std::uint32_t MessageOff = 0;
  // Set by services: a drive value was changed since the device was created.
  bool ModifiedFlag = false;
  // Set by the oscilloscope service while it holds new data.
  bool OsciDataFlag = false;
  // Shown below a module group node.
  bool ModuleFlag = false;
  bool DevSelected = false;
  bool SaveSelected = false;
  bool SaveRequest = false;
  AnsiString ConfigPath;
  std::int32_t LastBaudrateDev = 0;
  // Called by Logout's stop when it is done; none assigned, the stopped device stays.
  TDeviceResponse DeviceResp;

 private:
  using TServiceEntry = std::pair<AnsiString, std::unique_ptr<TDeviceService>>;
  const TServiceEntry* FindService(const AnsiString& AName) const;
  TDeviceService* FindServiceObject(const AnsiString& AName) const;
  bool IsDeveloper() const;

  // ---- The task ----
  void Work(TMxTask* Sender);
  void StartStep();
  void EndOfStartPass();
  void StopStep();
  void OfflineStep();
  // How a call of a service's StartUp, ShutDown or ChangeToOffline ended: go on with
  // the next service, wait for its status change, or it raised (logged, now dsError).
  enum TCallResult : std::uint8_t { crNext, crWait, crFailed };
  TCallResult CallService(TDeviceService* Service, void (TDeviceService::*Operation)(bool&));
  void NextService();
  void PreviousService();
  // At the end of a pass: whether another one follows (a service was called in this one
  // and the passes are not used up); it is counted then.
  bool AnotherPass();
  // Clears the completion callback, then calls it.
  void Respond();
  void WakeUp();
  void ReopenStep(TMxTask* Sender);
  void CheckMotorWizard();
  void ShowNotice(const AnsiString& Text, const AnsiString& Source);

  TDeviceManager* const FOwner;
  const AnsiString FName;
  AnsiString FCaption;
  AnsiString FProfileName;
  TRef<TSLDictionary> FProfDict;
  TDeviceType FDeviceType = dtUnknown;
  TRef<TSLDictionary> FVarDict;
  TRef<TSLDictionary> FDataDict;
  TRef<TSLDictionary> FInfoDict;
  std::vector<TServiceEntry> ServiceList;  // profile order
  std::vector<TDeviceClient*> ClientList;  // not owned; a client leaves it when released
  bool FClientReleaseRequest = false;

  TDeviceState FState = dstStopped;
  TDeviceResponse FRespProc;
  std::int32_t CurrentServiceIndex = 0;
  TDeviceService* CurrentService = nullptr;
  std::uint32_t RetryCounter = 0;
  bool RetryRequest = false;
  std::uint8_t MultFlag = 0;
  bool FVarMultValue = false;
  bool FParMultValue = false;
  bool FLogoutOk = false;
  std::int32_t FConnectionLostCOunter = 0;
  std::uint32_t FOldBaudrate = 0;
  // The serial fall-back: the task pauses, then opens the port at its new rate.
  enum TReopenStep : std::uint8_t { roNone, roPause, roOpen };
  TReopenStep FReopenStep = roNone;

  std::vector<TInfoObject> FInfoList;
  bool FInfWinVisible = false;
  bool FUpdateWizardInfoFlag = true;
  std::int32_t FInfoWindowCounter = 0;
  std::vector<AnsiString> FHTMLHelpMC, FHTMLHelpIntf, FHTMLHelpAppl;
  // Kept by the manager's model tree; given up when the device goes.
  TModelItem* FModel = nullptr;
  TModelItem* FModulItem = nullptr;
  TPropertyList FPropList;

  // Expires with the device: a step whose completion callback destroyed the device
  // touches nothing afterwards.
  std::shared_ptr<int> FAlive = std::make_shared<int>();
  TMxSignal WorkSignal;
  std::unique_ptr<TMxTask> WorkTask;
};

// The handle of a window that follows a device.
class TDeviceClient {
 public:
  ~TDeviceClient() { Release(); }
  TDeviceClient(const TDeviceClient&) = delete;
  TDeviceClient& operator=(const TDeviceClient&) = delete;

  // Tells the device and unbinds; nothing when unbound.
  void Release();
  TDevice* Device() const { return FDevice; }

  std::function<void(bool& CanClose)> OnClose;

 private:
  friend class TDevice;
  // Made by TDevice::GetDeviceClient only, so a bound client is always listed there.
  explicit TDeviceClient(TDevice* ADevice) : FDevice(ADevice) {}
  TDevice* FDevice;
};

template <class T>
T* TDevice::Sibling(const AnsiString& AServiceName) const {
  return dynamic_cast<T*>(FindServiceObject(AServiceName));
}

}  // namespace vt
