// One drive as the program knows it: online over a serial line or UDP, offline from a
// configuration file, or one whose connection was lost. A device holds its services in
// profile order (found by name), its string variables (user, password, port and the
// like) and the address of its link, which its talk service reads when it starts.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "devices/DeviceService.h"
#include "platform/TextConversion.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TDeviceManager;

enum TDeviceType : std::uint8_t { dtUnknown, dtOnline, dtOffline, dtArchive, dtConnectionLost };

class TDevice {
 public:
  // The profile's "DeviceType" ("Online", "Offline", "Archive") gives the type; its
  // "DevVars" seed the string variables. The profile stays the settings tree's.
  TDevice(TDeviceManager* AOwner, AnsiString AName, TSLDictionary* AProfDict);
  // Frees the services in their order.
  ~TDevice();
  TDevice(const TDevice&) = delete;
  TDevice& operator=(const TDevice&) = delete;

  const char* ClassName() const { return "TDevice"; }

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

  // A variable of the dictionary (any letter case); else "DeviceName" and "DeviceType"
  // are computed; anything else is empty.
  WideString GetStrVar(std::u16string_view AName) const;
  void SetStrVar(std::u16string_view AName, const WideString& Value);

  TDeviceManager* Owner() const { return FOwner; }
  const AnsiString& Name() const { return FName; }
  const AnsiString& ProfileName() const { return FProfileName; }
  void SetProfileName(AnsiString Value) { FProfileName = std::move(Value); }
  const AnsiString& Caption() const { return FCaption; }
  void SetCaption(AnsiString Value) { FCaption = std::move(Value); }
  TDeviceType DeviceType() const { return FDeviceType; }
  void SetDeviceType(TDeviceType Value) { FDeviceType = Value; }

  // The link's address, set by whoever creates the device.
  std::int32_t DeviceMACID = 0;
  std::int32_t DeviceIP = 0;  // IPv4, the first dotted number in bits 31 to 24
  WideString DeviceIPv6;
  std::uint32_t EthVersion = 4;  // 6: IPv6
  std::uint32_t DevicePort = 20000;
  // When the device goes offline its talk service logs out first.
  bool SendLogout = false;
  // 1: the talk service shows its next login error in the log only, and sets this to 0.
  std::uint32_t MessageOff = 0;

 private:
  using TServiceEntry = std::pair<AnsiString, std::unique_ptr<TDeviceService>>;
  const TServiceEntry* FindService(const AnsiString& AName) const;

  TDeviceManager* const FOwner;
  const AnsiString FName;
  AnsiString FCaption;
  AnsiString FProfileName;
  TRef<TSLDictionary> FProfDict;
  TDeviceType FDeviceType = dtUnknown;
  TRef<TSLDictionary> FVarDict;
  std::vector<TServiceEntry> ServiceList;  // profile order
};

}  // namespace vt
