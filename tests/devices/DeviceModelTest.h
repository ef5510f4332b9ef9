// Helpers of the device model tests: settings dictionaries built in memory, services that
// record how they are driven, and a fixture with the runtime's globals and a device
// manager that knows those services.
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "RuntimeTestUtil.h"
#include "devices/DeviceManager.h"
#include "devices/DeviceService.h"
#include "devices/SiblingServices.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

// A dictionary of texts.
vt::TRef<vt::TSLDictionary> TextDict(std::initializer_list<std::pair<const char16_t*, const char16_t*>> Items);

// Answers the variable "Color" itself; starts and stops at once.
class TFixtureService : public vt::TDeviceService {
 public:
  TFixtureService(vt::TDevice* AOwner, vt::TSLDictionary* AProfDict)
      : TDeviceService(AOwner, AProfDict), NameInConstructor(FName) {}
  void Initialize() override { ++Initialized; }
  void StartUp(bool&) override { SetServiceStatus(vt::dsStarted); }
  void ShutDown(bool&) override { SetServiceStatus(vt::dsStopped); }
  void Kill() override { SetServiceStatus(vt::dsStopped); }
  void DoGetStrVar(const vt::AnsiString& VarName, vt::AnsiString& Value, bool& Found) override {
    if (VarName != "Color") return;
    Value = "blue";
    Found = true;
  }
  void SetMinPermissions(std::int32_t Read, std::int32_t Write) {
    FMinReadPermission = Read;
    FMinWritePermission = Write;
  }

  const vt::AnsiString NameInConstructor;
  int Initialized = 0;
};

// A service whose start and stop follow its settings and that writes every call into a
// shared journal ("start Name", "stop Name", "offline Name"). "Start" is one of:
//   "Now" (started at once, the default), "Passes<n>" (stays starting for n calls),
//   "Never" (stays starting), "Raise", "Disabled", "Wait" (its own task starts it on a
//   later step), "WaitError" (… and ends it in error);
// "Stop" is "Now" (default), "Raise" or "Wait"; "Offline" is "Now" (default) or "Wait"
// (the first call waits for a status change).
// It also stands in for the talk service (versions, serial port), the variable, control
// panel and status services and the module service's file name.
class TScriptedService : public vt::TDeviceService,
                         public vt::TTalkServiceLink,
                         public vt::TMultiValueReaderOwner,
                         public vt::TMultiValueWaiter,
                         public vt::TStatusGoOffline,
                         public vt::TTestFileSource,
                         public vt::TParameterValues {
 public:
  TScriptedService(vt::TDevice* AOwner, vt::TSLDictionary* AProfDict);
  ~TScriptedService() override;

  void StartUp(bool& Wait) override;
  void ShutDown(bool& Wait) override;
  void Kill() override { SetServiceStatus(vt::dsStopped); }
  void ChangeToOffline(bool& Wait) override;

  std::uint8_t ProtocolVersion() const override { return Protocol; }
  std::uint8_t CommandSetVersion() const override { return CommandSet; }
  std::uint32_t CloseSerialPort(std::uint32_t ABaudRate) override;
  void ReopenSerialPort() override { Journal("reopen"); }
  void SetWaitforDestroy() override { Journal("finish reader"); }
  void DestroyMultiRead() override { Journal("free reader"); }
  void ReleaseWaitMulty() override { Journal("release wait"); }
  void GoOffline() override { Journal("go offline"); }
  vt::AnsiString TestFileName() const override { return FileName; }
  void ClearReadFlag() override { Journal("clear read flag"); }
  bool ParameterExists(std::uint16_t AUPID) const override { return Parameters.count(AUPID) != 0; }
  std::int64_t GetIntValue(std::uint16_t AUPID) const override { return std::stoll(Parameters.at(AUPID)); }
  vt::AnsiString GetTextValue(std::uint16_t AUPID) const override { return Parameters.at(AUPID); }

  int StartCalls = 0;
  std::uint8_t Protocol = 0x80;
  std::uint8_t CommandSet = 2;
  std::uint32_t Baudrate = 115200;
  vt::AnsiString FileName;
  std::map<std::uint16_t, vt::AnsiString> Parameters;
  // Every call of every scripted service, in order.
  static std::vector<std::string>& Calls();

 private:
  void Journal(const std::string& What) { Calls().push_back(What + " " + ServiceName()); }
  // Ends the status on the task's next step.
  void Later(vt::TDeviceServiceStatus AStatus);
  std::string Setting(const char16_t* Key) const;

  std::optional<vt::TDeviceServiceStatus> FPending;
  bool FOffline = false;
  vt::TMxSignal FSignal;
  std::unique_ptr<vt::TMxTask> FTask;
};

// The runtime's globals and a device manager with the classes "FixtureService" and
// "ScriptedService" and the profiles "VorlixOnline" and "VorlixOffline".
class DeviceTest : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A device of the profile with scripted services, each given as (name on the device,
  // "Start" behaviour[, "Stop" behaviour]).
  struct TServiceSpec {
    const char* Name;
    const char* Start = "Now";
    const char* Stop = "Now";
    const char* Offline = "Now";
  };
  vt::TDevice* NewDevice(const std::vector<TServiceSpec>& Services, const char* Profile = "VorlixOnline");
  TScriptedService* Scripted(vt::TDevice* Device, const char* Name) const;
  // Steps until the device's completion callback has been called (fails after a limit).
  void StartAndWait(vt::TDevice* Device);
  void StopAndWait(vt::TDevice* Device);
  void OfflineAndWait(vt::TDevice* Device, bool SendLogout);

  vt::TRef<vt::TSLDictionary> Devices;
  int Responses = 0;
  int FDevices = 0;
};
