#include "comm/TalkDevices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "CommTestUtil.h"
#include "TestUtil.h"
#include "comm/CommLimits.h"
#include "comm/SerialDriver.h"
#include "comm/SharedLinkState.h"
#include "comm/UdpDriver.h"
#include "runtime/Conversions.h"
#include "runtime/ProcessGlobal.h"

using namespace vt;

namespace {

constexpr std::uint8_t UnsolicitedInfo = 5;

// The drives' ports and a link per drive, as the talk server opens them: registered
// on the port, listed, traced, with a default receiver.
class DeviceLinkTest : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    Default = Keep(std::make_unique<TMxQueue>());
    Default->LogOn(0);
    Executor = Keep(std::make_unique<TTestExecutor>(Talk.get()));
  }
  template <class Index>
  TTalkDevice* Link(const AnsiString& Name, TPortDriver* Port, Index AIndex, std::int32_t UDPPort) {
    auto* link = Keep(std::make_unique<TTalkDevice>(Name, Port, AIndex, MainQueue.get(), UDPPort));
    Devices.AddDevice(link);
    link->SetDefaultQueue(Default->GetQueueIdent(), 0, UnsolicitedInfo);
    link->SetDebugHandler(DebugManager()->GroupMessage(1));
    return link;
  }
  // The next frame for the default receiver, with its info byte.
  std::pair<std::string, int> NextDefault() {
    if (!WaitUntil([&] { return Default->MessageCount() > 0; })) return {};
    TMxMessage* m = Default->GetMessage();
    std::pair<std::string, int> r{m->GetText(), m->Info};
    TMxMessage::Free(m);
    return r;
  }
  bool Traced(const std::string& Part) const {
    const auto lines = TraceLines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(Part) != l.npos; });
  }
  static int Count(const std::vector<std::string>& Lines, const std::string& Part) {
    return static_cast<int>(
        std::count_if(Lines.begin(), Lines.end(), [&](const std::string& l) { return l.find(Part) != l.npos; }));
  }

  TMxQueue* Default = nullptr;
  TTestExecutor* Executor = nullptr;
  TTalkDeviceList Devices;
};

// A task of the talk scheduler obtains a link to the drive over each kind of line, logs
// in and gets the login answer in its own queue; every frame is traced.
TEST_F(DeviceLinkTest, LoginOverEveryLine) {
  drivesim::TDriveSim sim({"--pty", "--udp4", "--udp6"});
  const std::string pty = sim.Ptys()[0];
  TTalkDevice* links[] = {
      Link(pty, OpenSerialPort(pty), 0, 0),
      Link("ETH", OpenUdpPort<TETHDriver>(), Loopback(), sim.Udp4Ports()[0]),
      Link("ETH_v6", OpenUdpPort<TETHDriver_v6>(), AnsiString("::1"), sim.Udp6Ports()[0]),
  };
  // 01 00, protocol 80, A 4, D 4, increment 1, buffer FF, processor, device type,
  // version, flash type, flash base (A bytes), device string (16), D unused bytes,
  // command set.
  const std::string answer = Bytes({0x01, 0x00, 0x80, 0x04, 0x04, 0x01, 0xFF, 0x01, 0x00, 0x01, 0x0C, 0x00, 0x01,
                                    0x01, 0x00, 0x00, 0x00, 0x10, 0x00}) +
                             std::string("Vorlix Sim\0\0\0\0\0\0", 16) + std::string(4, '\0') + Bytes({0x01});
  for (TTalkDevice* link : links) {
    const auto r = Executor->Request(*link, Bytes({0x01, 'p', 'w'}), 10000, "::1");
    EXPECT_EQ(r.Status, 0) << link->DeviceName();
    EXPECT_EQ(Hex(r.Answer), Hex(answer)) << link->DeviceName();
  }
  EXPECT_EQ(links[2]->DeviceHandle(), 2);
  EXPECT_TRUE(Traced(") - " + pty + " OUT: 01 70 77 "));
  EXPECT_TRUE(Traced(") - " + pty + " IN: 01 00 80 04 "));
  EXPECT_TRUE(Traced(") - ETH (127.0.0.1) - OUT: 01 70 77 "));
  EXPECT_TRUE(Traced(") - ETH (127.0.0.1) - IN: 01 00 80 "));
  EXPECT_TRUE(Traced(") - ETHv6 (::1) - OUT: 01 70 77 "));
  EXPECT_TRUE(Traced(") - ETHv6 (::1) - IN: 01 00 80 "));
}

// Frames with the command byte in flight go to the executor; any other frame, and every
// frame between requests, to the default receiver with its info byte.
TEST_F(DeviceLinkTest, RoutingByCommandByte) {
  drivesim::TDriveSim sim({"--pty", "--unsolicited=30"});
  TTalkDevice* link = Link(sim.Ptys()[0], OpenSerialPort(sim.Ptys()[0]), 0, 0);
  // Trace ids: 0x100 for frames out, 0x200 for frames in, plus the command byte.
  struct TIds {
    std::mutex Lock;
    std::set<std::uint16_t> Seen;
  };
  TIds& ids = *Keep(std::make_unique<TIds>());
  link->SetDebugHandler([&ids](std::uint16_t Id, const AnsiString&) {
    std::lock_guard lock(ids.Lock);
    ids.Seen.insert(Id);
  });
  const auto unsolicited = NextDefault();
  EXPECT_EQ(unsolicited.first.substr(0, 2), Bytes({0xF0, 0x00}));
  EXPECT_EQ(unsolicited.second, UnsolicitedInfo);
  for (int i = 0; i < 5; ++i) {
    const auto r = Executor->Request(*link, Bytes({0x10, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(r.Answer, Bytes({0x10, 0x00, 0x00, 0x00, 0x00, 0x00}));
  }
  // Everything that reached the default receiver is unsolicited, in order.
  int last = static_cast<std::uint8_t>(unsolicited.first[2]);
  for (int i = 0; i < 3; ++i) {
    const auto frame = NextDefault().first;
    ASSERT_EQ(frame.size(), 3u);
    EXPECT_EQ(frame[0], '\xF0');
    EXPECT_EQ(static_cast<std::uint8_t>(frame[2]), ++last);
  }
  std::lock_guard lock(ids.Lock);
  EXPECT_EQ(ids.Seen, (std::set<std::uint16_t>{0x110, 0x210, 0x2F0}));
}

TEST_F(DeviceLinkTest, OwnershipAndTheCurrentService) {
  drivesim::TDriveSim sim({"--udp4"});
  TTalkDevice* link = Link("ETH", OpenUdpPort<TETHDriver>(), Loopback(), sim.Udp4Ports()[0]);
  EXPECT_EQ(Executor->SendUnowned(*link, Bytes({0x01})), StatusNotOwner);
  OnTalkThread([&] {
    TMxTask stranger(Talk.get(), "Stranger");
    EXPECT_EQ(link->ReleaseDevice(&stranger), StatusNotOwner);
    TMxQueue a, b;
    link->AssignCurrentService(&a, 0x10);
    EXPECT_THROW_MSG(link->AssignCurrentService(&b, 0x11),
                     "TTalkDevice.AssignCurrentService: current service is already assigned");
    EXPECT_THROW_MSG(link->ReleaseCurrentService(&b), "TTalkDevice.ReleaseCurrentService: wrong current service queue");
    link->ReleaseCurrentService(&a);
    EXPECT_EQ(link->CurrentServiceIdent(), -1);
  });
  // The drive saw nothing of the refused frame; the next request is its first.
  EXPECT_EQ(Executor->Request(*link, Bytes({0x02})).Answer, Bytes({0x02, 0x00}));
  const auto log = sim.LogLines();
  EXPECT_EQ(Count(log, " in:"), 1);
  EXPECT_EQ(Count(log, " in: 02"), 1);
}

TEST_F(DeviceLinkTest, HandlesAreNeverReused) {
  std::vector<std::unique_ptr<TTalkDevice>> links;
  TPortDriver unopened(1);  // every link here is one without a port
  TTalkDeviceList list;
  for (const char* name : {"A", "B", "A"}) {
    links.push_back(std::make_unique<TTalkDevice>(name, &unopened, 0, MainQueue.get(), 0));
    list.AddDevice(links.back().get());
  }
  EXPECT_EQ(list.DeviceWithName("A"), links[0].get());
  list.DeleteDevice(links[0].get());
  list.DeleteDevice(links[1].get());
  EXPECT_EQ(list.DeviceWithName("A"), links[2].get());  // closed entries are skipped
  EXPECT_EQ(list.DeviceWithName("B"), nullptr);
  EXPECT_EQ(list.DeviceWithIndex(0), nullptr);
  EXPECT_EQ(list.DeviceWithIndex(7), nullptr);
  links.push_back(std::make_unique<TTalkDevice>("C", &unopened, 0, MainQueue.get(), 0));
  list.AddDevice(links.back().get());
  EXPECT_EQ(links.back()->DeviceHandle(), 3);
  EXPECT_EQ(list.GetDeviceNumber(), 4);
  EXPECT_EQ(list.DeviceWithIndex(3), links.back().get());
  // The port refused the registration: the link has no port.
  EXPECT_EQ(Executor->Request(*links.back(), Bytes({0x01})).Status, StatusNoPortDriver);
}

// The drive loses power: every frame sent after that fails and puts the port into the
// lost list once; the read error is shown once.
TEST_F(DeviceLinkTest, DriveGoneMarksThePortLost) {
  drivesim::TDriveSim sim({"--pty"});
  const std::string pty = sim.Ptys()[0];
  TTalkDevice* link = Link(pty, OpenSerialPort(pty), 0, 0);
  EXPECT_EQ(Executor->Request(*link, Bytes({0x01})).Status, 0);
  sim.Kill();
  EXPECT_EQ(Executor->Request(*link, Bytes({0x02}), 100).Status, StatusRsSendFailed);
  EXPECT_EQ(Executor->Request(*link, Bytes({0x02}), 100).Status, StatusRsSendFailed);
  EXPECT_EQ(LostList().Items(), (std::vector<AnsiString>{pty, pty}));
  EXPECT_TRUE(Traced(") - " + pty + " OUT: 02 "));
  ASSERT_TRUE(WaitUntil([&] { return !Shown.empty(); }));
  EXPECT_EQ(Shown.size(), 1u);
}

TEST_F(DeviceLinkTest, ClosingTheLastLinkClosesTheUdpPort) {
  drivesim::TDriveSim sim({"--udp4", "--udp4"});
  auto* eth = OpenUdpPort<TETHDriver>();
  TTalkDevice* a = Link("ETH", eth, Loopback(), sim.Udp4Ports()[0]);
  TTalkDevice* b = Link("ETH", eth, Loopback(), sim.Udp4Ports()[1]);
  OnTalkThread([&] { a->Destroy(); });
  EXPECT_TRUE(eth->PortIsOpen());
  EXPECT_EQ(Executor->Request(*b, Bytes({0x02})).Answer, Bytes({0x02, 0x00}));
  EXPECT_EQ(Executor->Request(*a, Bytes({0x02})).Status, StatusNoPortDriver);
  OnTalkThread([&] { b->Destroy(); });
  EXPECT_FALSE(eth->PortIsOpen());
}

TEST_F(DeviceLinkTest, TheIpv6FormOnASerialLinkFails) {
  TPseudoTerminal pty;
  TRsDriver* port = OpenSerialPort(pty.Path);
  TTalkDevice* link = Link(pty.Path, port, 0, 0);
  OnTalkThread([&] { EXPECT_THROW_MSG(link->Destroy_v6(), "Abstract Error"); });
  EXPECT_TRUE(port->PortIsOpen());
  EXPECT_EQ(port->Assign(0, 0, [](std::int32_t, const std::string&) {}, nullptr), StatusSlotTaken);
  OnTalkThread([&] { link->Destroy(); });
  EXPECT_FALSE(port->PortIsOpen());
}

// Closing and opening the serial port (a new baud rate) empties the slot; the link
// registers again.
TEST_F(DeviceLinkTest, RedefineBaudrateRegistersAgain) {
  drivesim::TDriveSim sim({"--pty"});
  TRsDriver* port = OpenSerialPort(sim.Ptys()[0]);
  TTalkDevice* link = Link(sim.Ptys()[0], port, 0, 0);
  port->Close();
  port->SetBaudRate(19200);
  port->Open(Talk.get(), Manager.get());
  EXPECT_EQ(link->RedefineBaudrate(), 0);
  EXPECT_EQ(Executor->Request(*link, Bytes({0x02})).Answer, Bytes({0x02, 0x00}));
}

TEST_F(DeviceLinkTest, NothingIsSentWhileTheProgramEnds) {
  drivesim::TDriveSim sim({"--udp4"});
  TTalkDevice* link = Link("ETH", OpenUdpPort<TETHDriver>(), Loopback(), sim.Udp4Ports()[0]);
  MainFormExitRequest = true;
  const auto r = Executor->Request(*link, Bytes({0x02}), 100);
  MainFormExitRequest = false;
  EXPECT_EQ(r.Status, 0);
  EXPECT_TRUE(r.Answer.empty());
  EXPECT_EQ(Count(sim.LogLines(), " in:"), 0);
}

}  // namespace
