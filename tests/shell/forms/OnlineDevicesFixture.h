// The runtime tests' globals with a device manager whose one profile is "VorlixOnline",
// for the shell's windows and requests that name or make devices.
#pragma once

#include "RuntimeTestUtil.h"
#include "devices/DeviceManager.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

class OnlineDevicesTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    using namespace vt;
    auto online = MakeRef<TSLDictionary>();
    online->DefineObject(u"DeviceType", MakeRef<TSLString>(u"Online").get());
    auto profiles = MakeRef<TSLDictionary>();
    profiles->DefineObject(u"VorlixOnline", online.get());
    Devices = MakeRef<TSLDictionary>();
    Devices->DefineObject(u"Profiles", profiles.get());
    CreateDeviceManager(Devices.get());
  }
  void TearDown() override {
    vt::FreeDeviceManager();
    RuntimeTest::TearDown();
  }

  vt::TRef<vt::TSLDictionary> Devices;
};
