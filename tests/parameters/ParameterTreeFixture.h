// The fixture of the parameter tree's tests: the runtime's globals, a storage manager to
// read SL fixtures, a device manager, the parameter manager with the folder classes and a
// test class "Value", and one device with a talk service stand-in, a unit service and a
// parameter service. Description records are written as SL text.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "RuntimeTestUtil.h"
#include "StorageFixture.h"
#include "devices/DeviceManager.h"
#include "devices/SiblingServices.h"
#include "parameters/ParameterService.h"
#include "parameters/UnitService.h"

namespace vt::test {

// Stands in for the talk service: the drive's versions.
class TFixtureTalkService : public TDeviceService, public TTalkServiceLink {
 public:
  using TDeviceService::TDeviceService;
  void StartUp(bool&) override { SetServiceStatus(dsStarted); }
  void ShutDown(bool&) override { SetServiceStatus(dsStopped); }
  void Kill() override {}
  std::uint8_t ProtocolVersion() const override { return Protocol; }
  std::uint8_t CommandSetVersion() const override { return CommandSet; }
  std::uint32_t CloseSerialPort(std::uint32_t) override { return 0; }
  void ReopenSerialPort() override {}

  static inline std::uint8_t Protocol = 0x80;
  static inline std::uint8_t CommandSet = 2;
};

// A parameter of the test type "Value": its integer "Value" is required (the key of its
// own class), "Valid" makes it valid, "Float" makes it a single-precision float, and
// "SetVFlag" names a flag it switches on while its value is not 0 ("Toggle" instead
// flips that flag in every round, so that the flags never settle).
class TValueParameter : public TParameter {
 public:
  TValueParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TValueParameter"; }
  std::int64_t GetIntValue() override { return Value; }
  bool GetBoolValue() override { return Value != 0; }
  double GetFloatValue() override { return static_cast<double>(Value); }
  bool IsFloat32() const override { return Float; }
  void UpdateSetVFlags() override;

  std::int64_t Value;
  bool Float = false;
  bool Toggle = false;
  TVisibilityFlag* SetVFlag = nullptr;
};

// Key and SL value text of one record field ("'Motion'", "5", "[A 1 2]").
using TField = std::pair<std::string, std::string>;

class ParameterTreeTest : public RuntimeTest, public TStorageEnvironment {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A record of the type with the common keys (UPID, Level, Caption, Permission 0x55,
  // AddrUsage 5, UseVFlag '') and the given fields, which replace or add to them.
  static std::string Record(const std::string& Type, int UPID, int Level, const std::string& Caption,
                            const std::vector<TField>& Fields = {});
  // A module description with the records as "ParameterArray" and the extra top keys.
  static std::string Module(const std::vector<std::string>& Records, const std::string& Extra = "");
  const TSLDictionary& Dict(const std::string& Text) { return *CheckedCast<TSLDictionary>(Sl(Text)); }
  // Loads one module tree into the service.
  void Load(const std::vector<std::string>& Records, const std::string& Extra = "", const char* Name = "Tree");
  TParameter* Find(std::int32_t UPID) const { return Service->FindParameter(UPID); }
  void SetUser(const char16_t* UserName) { Device->SetStrVar(u"UserName", UserName); }

  TRef<TSLDictionary> Devices;
  TDevice* Device = nullptr;
  TUnitService* Units = nullptr;
  TParameterService* Service = nullptr;
  std::vector<std::string> Shown;  // message boxes, in order
};

}  // namespace vt::test
