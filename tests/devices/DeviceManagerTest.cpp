// Devices and the device manager: profiles, string variables, services by name, and the
// errors of every look-up.
#include "devices/DeviceManager.h"

#include <gtest/gtest.h>

#include "DeviceModelTest.h"
#include "RefCountedTest.h"
#include "TestUtil.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class DeviceManagerTest : public RefCountedTest {
 protected:
  void SetUp() override {
    RefCountedTest::SetUp();
    // "Devices": one online profile with string variables, one offline.
    auto profiles = MakeRef<TSLDictionary>();
    auto online = TextDict({{u"DeviceType", u"Online"}});
    online->AddObject(u"DevVars", TextDict({{u"LoginData", u"03040240"}, {u"PortType", u"RS"}}).get());
    profiles->AddObject(u"VorlixOnline", online.get());
    profiles->AddObject(u"VorlixOffline", TextDict({{u"DeviceType", u"Offline"}}).get());
    Devices = MakeRef<TSLDictionary>();
    Devices->AddObject(u"Profiles", profiles.get());
    Manager = std::make_unique<TDeviceManager>(Devices.get());
    Manager->RegisterServiceClass("FixtureService", DeviceServiceClassOf<TFixtureService>());
  }
  void TearDown() override {
    Manager.reset();
    Devices.reset();
    RefCountedTest::TearDown();
  }

  TRef<TSLDictionary> Devices;
  std::unique_ptr<TDeviceManager> Manager;
  TRef<TSLDictionary> FixtureSettings = TextDict({{u"Name", u"FixtureService"}, {u"Caption", u"Fixture"}});
};

TEST_F(DeviceManagerTest, DevicesFromProfiles) {
  TDevice* box = Manager->CreateDevice("BOX1", "vorlixonline");  // any letter case
  TDevice* file = Manager->CreateDevice("BOX2", "VorlixOffline");
  EXPECT_EQ(box->ProfileName(), "vorlixonline");
  EXPECT_EQ(box->DeviceType(), dtOnline);
  EXPECT_EQ(file->DeviceType(), dtOffline);
  EXPECT_EQ(Manager->GetDeviceCount(), 2);
  EXPECT_EQ(Manager->GetDeviceAtIndex(1), file);
  EXPECT_EQ(Manager->GetDevice("box2"), file);

  EXPECT_THROW_MSG(Manager->CreateDevice("Box1", "VorlixOffline"),
                   "TDeviceManager.CreateDevice: device with name 'Box1' already exists");
  EXPECT_THROW_MSG(Manager->CreateDevice("BOX3", "Nowhere"),
                   "TDeviceManager.CreateDevice: profile with name 'Nowhere' doesn't exist");
  EXPECT_THROW_MSG(Manager->GetDevice("BOX3"), "TDeviceManager.GetDevice: device with name 'BOX3' not found");
  EXPECT_THROW_MSG(Manager->GetDeviceAtIndex(-1), "TDeviceManager.GetDeviceAtIndex: index out of bounds");
  EXPECT_THROW_MSG(Manager->GetDeviceAtIndex(2), "TDeviceManager.GetDeviceAtIndex: index out of bounds");
  TDeviceManager bare(TextDict({}).get());
  EXPECT_THROW_MSG(bare.CreateDevice("BOX1", "VorlixOnline"),
                   "TDeviceManager.CreateDevice: no device profiles defined in registry");

  Manager->DestroyDevice(box);
  EXPECT_EQ(Manager->GetDeviceCount(), 1);
  EXPECT_FALSE(Manager->DeviceExists("BOX1"));
  Manager->DestroyDevice(box);  // no longer listed: nothing happens
}

TEST_F(DeviceManagerTest, StringVariables) {
  TDevice* box = Manager->CreateDevice("BOX1", "VorlixOnline");
  EXPECT_EQ(box->GetStrVar(u"LoginData"), u"03040240");  // from the profile
  EXPECT_EQ(box->GetStrVar(u"logindata"), u"03040240");  // any letter case
  EXPECT_EQ(box->GetStrVar(u"DeviceName"), u"BOX1");
  EXPECT_EQ(box->GetStrVar(u"DeviceType"), u"Online");
  EXPECT_EQ(box->GetStrVar(u"devicetype"), u"");  // the computed names are exact
  EXPECT_EQ(box->GetStrVar(u"PortName"), u"");
  box->SetStrVar(u"PortName", u"COM3");
  box->SetStrVar(u"PORTNAME", u"ETH");
  EXPECT_EQ(box->GetStrVar(u"PortName"), u"ETH");
  // A variable of that name wins over the computed value.
  box->SetStrVar(u"DeviceType", u"Special");
  EXPECT_EQ(box->GetStrVar(u"DeviceType"), u"Special");
  EXPECT_EQ(box->DeviceType(), dtOnline);
}

TEST_F(DeviceManagerTest, ServicesByName) {
  EXPECT_THROW_MSG(Manager->RegisterServiceClass("fixtureservice", DeviceServiceClassOf<TFixtureService>()),
                   "TDeviceManager.RegisterDeviceService: service with name 'fixtureservice' already registered");
  EXPECT_THROW_MSG(Manager->GetServiceClass("StatusService"),
                   "TDeviceManager.GetServiceClass: a service with name 'StatusService' ist not registered");

  TDevice* box = Manager->CreateDevice("BOX1", "VorlixOnline");
  auto* service = static_cast<TFixtureService*>(box->CreateService("Fixture", FixtureSettings.get()));
  EXPECT_EQ(service->ServiceName(), "Fixture");
  EXPECT_EQ(service->Initialized, 1);
  EXPECT_EQ(service->Device(), box);
  EXPECT_EQ(service->GetStrVar("DeviceName"), "BOX1");
  EXPECT_EQ(box->GetService("FIXTURE"), service);
  EXPECT_EQ(Manager->GetService("box1", "fixture"), service);
  EXPECT_EQ(box->GetServiceCount(), 1);
  EXPECT_EQ(box->GetServiceWithIndex(0), service);

  EXPECT_THROW_MSG(box->CreateService("fixture", FixtureSettings.get()),
                   "TDevice.CreateService: device 'BOX1' has already a service with name 'fixture'");
  EXPECT_THROW_MSG(box->CreateService("Status", TextDict({{u"Name", u"StatusService"}}).get()),
                   "TDeviceManager.GetServiceClass: a service with name 'StatusService' ist not registered");
  EXPECT_EQ(box->GetServiceCount(), 1);
  EXPECT_THROW_MSG(box->GetService("TalkService"), "TDevice.GetService: service with name 'TalkService' not found");
  EXPECT_THROW_MSG(Manager->GetService("BOX1", "TalkService"),
                   "TDevice.GetService: service with name 'TalkService' not found");
  EXPECT_THROW_MSG(Manager->GetService("BOX9", "Fixture"),
                   "TDeviceManager.GetDevice: device with name 'BOX9' not found");
}

}  // namespace
