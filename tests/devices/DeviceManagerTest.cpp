// Devices and the device manager: profiles, string variables, services by name and from
// the program settings, captions of offline devices, removal from the tree, the sync
// trigger, the relogin flags, device clients, and the errors of every look-up.
#include "devices/DeviceManager.h"

#include <gtest/gtest.h>

#include "DeviceModelTest.h"
#include "TestUtil.h"
#include "runtime/SettingsTree.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class DeviceManagerTest : public DeviceTest {
 protected:
  TDeviceManager* Manager() const { return DeviceManager(); }
  TRef<TSLDictionary> FixtureSettings = TextDict({{u"Name", u"FixtureService"}, {u"Caption", u"Fixture"}});
};

TEST_F(DeviceManagerTest, DevicesFromProfiles) {
  TDevice* box = Manager()->CreateDevice("BOX1", "vorlixonline");  // any letter case
  TDevice* file = Manager()->CreateDevice("BOX2", "VorlixOffline");
  EXPECT_EQ(box->ProfileName(), "vorlixonline");
  EXPECT_EQ(box->DeviceType(), dtOnline);
  EXPECT_EQ(file->DeviceType(), dtOffline);
  EXPECT_EQ(box->PropertyList().FObjType, "Drive (Online)");
  EXPECT_EQ(file->PropertyList().FObjType, "Offline Drive Configuration");
  EXPECT_EQ(box->Model()->Caption(), "BOX1");
  EXPECT_EQ(box->Model()->Data().As<TDevice>(), box);
  EXPECT_EQ(Manager()->GetDeviceCount(), 2);
  EXPECT_EQ(Manager()->GetDeviceAtIndex(1), file);
  EXPECT_EQ(Manager()->GetDevice("box2"), file);
  EXPECT_TRUE(Manager()->GetDeviceOnlineExists());

  EXPECT_THROW_MSG(Manager()->CreateDevice("Box1", "VorlixOffline"),
                   "TDeviceManager.CreateDevice: device with name 'Box1' already exists");
  EXPECT_THROW_MSG(Manager()->CreateDevice("BOX3", "Nowhere"),
                   "TDeviceManager.CreateDevice: profile with name 'Nowhere' doesn't exist");
  EXPECT_THROW_MSG(Manager()->GetDevice("BOX3"), "TDeviceManager.GetDevice: device with name 'BOX3' not found");
  EXPECT_THROW_MSG(Manager()->GetDeviceAtIndex(-1), "TDeviceManager.GetDeviceAtIndex: index out of bounds");
  EXPECT_THROW_MSG(Manager()->GetDeviceAtIndex(2), "TDeviceManager.GetDeviceAtIndex: index out of bounds");
  TDeviceManager bare(TextDict({}).get());
  EXPECT_THROW_MSG(bare.CreateDevice("BOX1", "VorlixOnline"),
                   "TDeviceManager.CreateDevice: no device profiles defined in registry");
  EXPECT_THROW_MSG(CreateDeviceManager(Devices.get()), "CreateDeviceManager: device manager already exists");
  EXPECT_EQ(Manager()->GetDevice("BOX1"), box);  // the one in place stays

  Manager()->DestroyDevice(box);
  EXPECT_EQ(Manager()->GetDeviceCount(), 1);
  EXPECT_FALSE(Manager()->DeviceExists("BOX1"));
  EXPECT_FALSE(Manager()->GetDeviceOnlineExists());
  EXPECT_TRUE(Manager()->UpdateRequest);
  Manager()->DestroyDevice(box);  // no longer listed: nothing happens
}

TEST_F(DeviceManagerTest, StringVariables) {
  TDevice* box = Manager()->CreateDevice("BOX1", "VorlixOnline");
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
  // The tree node answers with the device's variables.
  EXPECT_EQ(box->Model()->GetStrVar("PortName"), "ETH");
}

TEST_F(DeviceManagerTest, ServicesByName) {
  EXPECT_THROW_MSG(Manager()->RegisterServiceClass("fixtureservice", DeviceServiceClassOf<TFixtureService>()),
                   "TDeviceManager.RegisterDeviceService: service with name 'fixtureservice' already registered");
  EXPECT_THROW_MSG(Manager()->GetServiceClass("StatusService"),
                   "TDeviceManager.GetServiceClass: a service with name 'StatusService' ist not registered");

  TDevice* box = Manager()->CreateDevice("BOX1", "VorlixOnline");
  auto* service = static_cast<TFixtureService*>(box->CreateService("Fixture", FixtureSettings.get()));
  EXPECT_EQ(service->ServiceName(), "Fixture");
  EXPECT_EQ(service->Initialized, 1);
  EXPECT_EQ(service->Device(), box);
  EXPECT_EQ(service->GetStrVar("DeviceName"), "BOX1");
  EXPECT_EQ(box->GetService("FIXTURE"), service);
  EXPECT_EQ(Manager()->GetService("box1", "fixture"), service);
  EXPECT_TRUE(Manager()->ServiceExists("BOX1", "Fixture"));
  EXPECT_FALSE(Manager()->ServiceExists("BOX9", "Fixture"));
  EXPECT_EQ(box->GetServiceCount(), 1);
  EXPECT_EQ(box->GetServiceWithIndex(0), service);

  EXPECT_THROW_MSG(box->CreateService("fixture", FixtureSettings.get()),
                   "TDevice.CreateService: device 'BOX1' has already a service with name 'fixture'");
  EXPECT_THROW_MSG(box->CreateService("Status", TextDict({{u"Name", u"StatusService"}}).get()),
                   "TDeviceManager.GetServiceClass: a service with name 'StatusService' ist not registered");
  EXPECT_EQ(box->GetServiceCount(), 1);
  EXPECT_THROW_MSG(box->GetService("TalkService"), "TDevice.GetService: service with name 'TalkService' not found");
  EXPECT_THROW_MSG(Manager()->GetService("BOX9", "Fixture"),
                   "TDeviceManager.GetDevice: device with name 'BOX9' not found");
}

// The profile's "Services" name settings in the program settings; a duplicate name or a
// path that leads nowhere is logged and left out.
TEST_F(DeviceManagerTest, ServicesFromTheProgramSettings) {
  ProgramRegistry = std::make_unique<TProgramRegistry>();
  ProgramRegistry->AddObject("Devices\\Services\\Fixture", FixtureSettings.get());
  auto services = MakeRef<TSLArray>();
  for (auto [name, path] : {std::pair{u"Fixture", u"Devices\\Services\\Fixture"},
                            std::pair{u"Other", u"Devices\\Services\\Missing"},
                            std::pair{u"FIXTURE", u"Devices\\Services\\Fixture"}})
    services->AddObject(TextDict({{u"Name", name}, {u"Profile", path}}).get());
  auto profile = TextDict({{u"DeviceType", u"Online"}});
  profile->AddObject(u"Services", services.get());
  CheckedCast<TSLDictionary>(Devices->GetObjWithName(u"Profiles"))->AddObject(u"Full", profile.get());

  TDevice* box = Manager()->CreateDevice("BOX1", "Full");
  EXPECT_EQ(box->GetServiceCount(), 0);  // made only on request
  box->CreateServices();
  ASSERT_EQ(box->GetServiceCount(), 1);
  EXPECT_EQ(box->GetServiceWithIndex(0)->Caption(), "Fixture");
  const auto lines = LogLines();
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.find("already a service with name 'FIXTURE'") != l.npos; }),
            lines.end());
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("***ERROR") == 0; }), 2);
  ProgramRegistry.reset();
}

// Offline devices of one caption are told apart by "(1)", in list order.
TEST_F(DeviceManagerTest, OfflineCaptions) {
  TDevice* a = Manager()->CreateDevice("A", "VorlixOffline");
  TDevice* online = Manager()->CreateDevice("B", "VorlixOnline");
  TDevice* c = Manager()->CreateDevice("C", "VorlixOffline");
  TDevice* d = Manager()->CreateDevice("D", "VorlixOffline");
  Manager()->SetDeviceCaption("B", "Drive");
  Manager()->SetDeviceCaption("A", "Drive");  // the online one does not count
  EXPECT_EQ(a->Caption(), "Drive");
  Manager()->SetDeviceCaption("C", "Drive");
  EXPECT_EQ(c->Caption(), "Drive(1)");
  Manager()->SetDeviceCaption("D", "Drive");  // after A and C
  EXPECT_EQ(d->Caption(), "Drive(1)(1)");
  Manager()->SetDeviceCaption("A", "Drive");  // none of the others is "Drive" now
  EXPECT_EQ(a->Caption(), "Drive");
  Manager()->SetDeviceCaption("A", "Drive(1)");  // C's, then D's caption: in list order
  EXPECT_EQ(a->Caption(), "Drive(1)(1)(1)");
  EXPECT_EQ(online->Caption(), "Drive");
  d->SetStrVar(u"UserName", u"SERVICE");
  Manager()->SetDeviceCaption("D", "Axis");
  EXPECT_EQ(d->Model()->Caption(), "Axis offline (SERVICE)");
  EXPECT_THROW_MSG(Manager()->SetDeviceCaption("E", "x"),
                   "TDeviceManager.ChangeDeviceName: device with name 'E' not found");
}

// A device's node hangs below the root or below a module group node, which goes with
// its last device.
TEST_F(DeviceManagerTest, DestroyRemovesTreeNodes) {
  TModelManager& model = Manager()->ModelManager();
  TModelItem* root = model.Root();
  EXPECT_EQ(root->Caption(), "Project");
  EXPECT_EQ(root->ImageIndex(), 13);
  TDevice* top = Manager()->CreateDevice("TOP", "VorlixOnline");
  TDevice* a = Manager()->CreateDevice("A", "VorlixOnline");
  TDevice* b = Manager()->CreateDevice("B", "VorlixOnline");
  TModelItem* group = a->ModulItem();
  group->ModulCode = 2;
  root->AddChild(top->Model());
  root->AddChild(group);
  group->AddChild(a->Model());
  group->AddChild(b->Model());

  Manager()->DestroyDevice(top);
  EXPECT_EQ(root->GetChildCount(), 1);
  Manager()->DestroyDevice(b);
  EXPECT_EQ(group->GetChildCount(), 1);
  EXPECT_EQ(group->ImageIndex(), 186);  // one device left
  group->RemoveChild(a->Model());
  TDevice* c = Manager()->CreateDevice("C", "VorlixOnline");
  TModelItem* other = c->ModulItem();
  root->AddChild(other);
  other->AddChild(a->Model());
  Manager()->DestroyDevice(a);
  EXPECT_EQ(other->Parent(), nullptr);  // emptied: gone from the root
  EXPECT_EQ(root->GetChildCount(), 1);
  Steps(4);  // the tree is updated and the released nodes freed
}

TEST_F(DeviceManagerTest, ProviderHearsOfChanges) {
  TServiceClient client;
  int updates = 0;
  client.OnUpdate = [&](TServiceClient*) { ++updates; };
  client.Connect(&Manager()->DevManProvider());
  TDevice* box = Manager()->CreateDevice("BOX1", "VorlixOnline");
  Manager()->SetDeviceCaption("BOX1", "Drive");
  EXPECT_TRUE(StepUntil([&] { return updates == 1; }));
  Manager()->DestroyDevice(box);
  EXPECT_TRUE(StepUntil([&] { return updates == 2; }));
  client.Disconnect();
}

TEST_F(DeviceManagerTest, SyncTriggerAndReloginFlags) {
  Manager()->SetGlobalSyncTrig(0, 5);
  Manager()->SetGlobalSyncTrig(0, 7);  // one is set: ignored
  EXPECT_EQ(Manager()->GlobalSyncTrigTimeLow(), 5u);
  Manager()->SetGlobalSyncTrig(0, 0);
  Manager()->SetGlobalSyncTrig(3, 7);
  EXPECT_EQ(Manager()->GlobalSyncTrigTimeLow(), 7u);
  EXPECT_EQ(Manager()->GlobalSyncTrigTimeHigh(), 3u);

  TDevice* box = Manager()->CreateDevice("BOX1", "VorlixOnline");
  Manager()->FReloginFlag = true;
  Manager()->FDestroyedFlagCounter = 9;
  Manager()->DestroyDevice(box);
  EXPECT_TRUE(Manager()->FDestroyedFlag);
  EXPECT_EQ(Manager()->FDestroyedFlagCounter, 0);
  EXPECT_FALSE(Manager()->FReloginFlag);
  Manager()->FReloginFlag = true;
  Manager()->CreateDevice("BOX1", "VorlixOnline");
  EXPECT_FALSE(Manager()->FReloginFlag);
}

TEST_F(DeviceManagerTest, DeviceClients) {
  TDevice* box = Manager()->CreateDevice("BOX1", "VorlixOnline");
  std::unique_ptr<TDeviceClient> client = box->GetDeviceClient();
  std::unique_ptr<TDeviceClient> kept = box->GetDeviceClient();
  EXPECT_EQ(client->Device(), box);
  client->Release();
  EXPECT_TRUE(box->ClientReleaseRequest());
  EXPECT_EQ(client->Device(), nullptr);
  client->Release();  // unbound: nothing
  EXPECT_THROW_MSG(box->ClientRequest(client.get(), crRelease),
                   "TDevice.ClientRequest: sender isn't client of this device");
  Manager()->DestroyDevice(box);
  EXPECT_EQ(kept->Device(), nullptr);  // let go with the device
  kept.reset();
}

}  // namespace
