// A device from the bundled program settings with the real talk service on drivesim: it
// starts, shows its node in a tree view (offscreen), goes offline with a logout, stops,
// and its services are freed and the device destroyed in the completion callback; the
// serial fall-back after a lost connection, the link answering after each reopen.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "StorageFixture.h"
#include "TalkServiceFixture.h"
#include "comm/SerialDriver.h"
#include "comm/TalkInterface.h"
#include "devices/DeviceManager.h"
#include "devices/EntryTree.h"
#include "devices/forms/ModelTreeWidget.h"
#include "runtime/SettingsTree.h"

using namespace vt;

namespace {

class DeviceEndToEnd : public TalkServiceFixture, public test::TStorageEnvironment {
 protected:
  void SetUp() override {
    TalkServiceFixture::SetUp();
    Start();
    UseBundledProfiles(*this);
    if (!TalkInterfaceFactory()) InitTalkInterfaceServer();  // once per program, as at start-up
  }
  void TearDown() override {
    Entries.reset();
    FreeDeviceManager();
    ProgramRegistry.reset();
    Stop();
    TalkServiceFixture::TearDown();
  }

  // A device of the bundled profile on the port, with its services, started.
  TDevice* StartedDevice(const std::string& Port, TInterfaceType Interface, const TLink& Link = {}) {
    TDevice* device = DeviceManager()->CreateDevice("BOX" + std::to_string(++Devices), "VorlixOnline");
    device->SetStrVar(u"PortName", AnsiToWide(Port));
    device->SetStrVar(u"UserName", u"GUEST");
    device->InterfaceType = Interface;
    device->DeviceIP = Link.IPv4;
    device->DevicePort = Link.UdpPort;
    device->CreateServices();
    Await(device, [&](TDeviceResponse Done) { device->StartUpServices(std::move(Done)); });
    EXPECT_EQ(device->State(), dstStarted);
    return device;
  }
  // Runs a life-cycle request and steps until its completion callback has come.
  void Await(TDevice* Device, const std::function<void(TDeviceResponse)>& Request) {
    bool done = false;
    Request([&](TDevice*) { done = true; });
    ASSERT_TRUE(StepUntil([&] { return done; }));
  }
  // Whether the drive answers a memory read through the device's link.
  bool Answers(TDevice* Device) {
    auto talk = TalkInterfaceFactory()->CreateTalkInterface(Device->Name());
    bool answered = false;
    talk->OnResponse = [&](TTalkInterface*) { answered = true; };
    talk->ReadMemory(0x4000);
    return StepUntil([&] { return answered; }) && talk->Error() == 0;
  }

  std::unique_ptr<TModelTreeWidget> Tree;
  std::unique_ptr<TEntryManager> Entries;
  int Devices = 0;
};

TEST_F(DeviceEndToEnd, OnlineInTheTreeOfflineStoppedAndDestroyed) {
  drivesim::TDriveSim sim({"--pty"});
  const TLink link = PtyLink(sim);
  TDevice* device = StartedDevice(link.Port, ifRS232);
  auto* talk = static_cast<TBasicTalkService*>(device->GetService("TalkService"));
  EXPECT_EQ(talk->Caption(), "Communication");
  EXPECT_TRUE(talk->DeviceOnline());
  EXPECT_EQ(device->PropertyList().GetInfoStr("German").substr(0, 4), "Ein ");
  EXPECT_TRUE(device->MultVarValueEnable());  // protocol 0x80, command set 1
  EXPECT_FALSE(device->MultParValueEnable());

  // The shell files the started device into the tree.
  Tree = std::make_unique<TModelTreeWidget>();
  Entries = std::make_unique<TEntryManager>(&DeviceManager()->ModelManager(), Tree.get());
  DeviceManager()->ModelManager().Root()->AddChild(device->Model());
  DeviceManager()->SetDeviceCaption(device->Name(), "Drive");
  const std::string caption = "Drive, ID 0 on " + link.Port + " (GUEST)";
  ASSERT_TRUE(StepUntil([&] { return !DeviceManager()->ModelManager().Modifying(); }));
  Entries->SetPathStr("Project:\\\\" + caption);
  EXPECT_EQ(Entries->GetPathStr(), "Project:\\\\" + caption);
  ASSERT_EQ(Tree->topLevelItem(0)->childCount(), 1);
  EXPECT_EQ(Tree->topLevelItem(0)->child(0)->text(0).toStdString(), caption);

  // Offline with a logout: the drive sees it, the node's caption follows.
  Await(device, [&](TDeviceResponse Done) { device->ChangeToOffline(std::move(Done), true); });
  EXPECT_EQ(FramesIn(sim, "pty0").back(), "02");
  EXPECT_FALSE(talk->DeviceOnline());
  EXPECT_EQ(device->State(), dstStarted);
  EXPECT_EQ(device->GetStrVar(u"PortName"), u"");
  EXPECT_TRUE(StepUntil([&] { return Tree->topLevelItem(0)->child(0)->text(0) == "Drive offline (GUEST)"; }));

  // Stopped, its services freed and the device destroyed from the callback.
  bool destroyed = false;
  device->ShutDownServices([&](TDevice* Sender) {
    EXPECT_EQ(Sender->GetService("TalkService")->ServiceStatus(), dsStopped);
    Sender->FreeServices();
    DeviceManager()->DestroyDevice(Sender);
    destroyed = true;
  });
  ASSERT_TRUE(StepUntil([&] { return destroyed; }));
  EXPECT_EQ(DeviceManager()->GetDeviceCount(), 0);
  EXPECT_TRUE(StepUntil([&] { return Tree->topLevelItem(0)->childCount() == 0; }));
}

// The 2nd, 3rd and 5th failed status request of a lost serial device switch the port to
// 38400, back, and to 38400 again; each time the link answers once the port is open.
TEST_F(DeviceEndToEnd, SerialFallBackAfterALostConnection) {
  drivesim::TDriveSim sim({"--pty", "--udp4"});
  const std::string pty = sim.Ptys().at(0);
  Server->AddSerialPortDriver(pty, 115200);
  auto* port = dynamic_cast<TRsDriver*>(Server->GetPortDriver(pty));
  TDevice* serial = StartedDevice(pty, ifRS232);
  TDevice* udp = StartedDevice("ETH", ifEthernet, Udp4Link(sim));
  serial->ChangeToConnectionLost(nullptr);
  udp->ChangeToConnectionLost(nullptr);
  const std::uint32_t rates[] = {115200, 38400, 115200, 115200, 38400};
  for (int count = 1; count <= 5; ++count) {
    SCOPED_TRACE(count);
    serial->HandleConnectionLost();
    udp->HandleConnectionLost();
    ASSERT_TRUE(StepUntil([&] { return port->PortIsOpen(); }));
    EXPECT_EQ(port->BaudRate(), rates[count - 1]);
    EXPECT_TRUE(Answers(serial));
  }
  EXPECT_EQ(serial->OldBaudrate(), 115200u);
  EXPECT_EQ(udp->ConnectionLostCounter(), 0);  // nothing on Ethernet
  EXPECT_TRUE(Answers(udp));
}

}  // namespace
