#include "comm/UdpDriver.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <QThread>

#include "CommTestUtil.h"
#include "comm/CommLimits.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkDevices.h"
#include "runtime/Conversions.h"

using namespace vt;

namespace {

// A drive played by the test: a socket on loopback.
struct TPeer {
  explicit TPeer(TIPVersion AVersion = TIPVersion::IPv4) : Version(AVersion), Socket(AVersion) {
    Socket.Bind(Address());
  }
  const char* Address() const { return Version == TIPVersion::IPv4 ? "127.0.0.1" : "::1"; }
  void SendTo(std::uint16_t Port, const std::string& Data) { ASSERT_EQ(Socket.SendTo(Address(), Port, Data), 0); }
  std::uint16_t Port() const { return Socket.LocalPort(); }
  const TIPVersion Version;
  TUdpSocket Socket;
};

using UdpDriverTest = CommTest;

TEST_F(UdpDriverTest, PeersAreKeyedByAddressAndPort) {
  auto* driver = OpenUdpPort<TETHDriver>();
  TPeer a, b;
  TPayloads& slotA = NewPayloads();
  ASSERT_EQ(driver->Assign(Loopback(), a.Port(), slotA.Handler(), nullptr), 0);
  EXPECT_EQ(driver->GetSlaveIndex(std::uint64_t{0x7F000001} << 16 | a.Port()), 0);
  EXPECT_EQ(driver->GetSlaveIndex(std::uint64_t{0x7F000001} << 16 | b.Port()), -1);
  EXPECT_EQ(driver->SlaveIndex("127.0.0.1:" + std::to_string(a.Port())), 0);
  b.SendTo(driver->BoundPort(), "from b");  // an unknown sender: dropped
  const std::string big(255, '\x33');
  a.SendTo(driver->BoundPort(), big);
  ASSERT_TRUE(slotA.WaitFor(1));
  EXPECT_EQ(slotA.Items(), std::vector<std::string>{big});
  // Sent to the peer's address and port, from the driver's one socket.
  ASSERT_EQ(driver->Output(Loopback(), "answer me", a.Port()), 0);
  pollfd p{a.Socket.Descriptor(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 20000), 1);
  TDatagram d;
  ASSERT_EQ(a.Socket.Receive(d), 0);
  EXPECT_EQ(d.Data, "answer me");
  EXPECT_EQ(d.PeerPort, driver->BoundPort());
}

// Releasing a peer moves the ones above it down a slot, and their datagrams follow.
TEST_F(UdpDriverTest, ReleaseMovesTheLaterPeersDown) {
  auto* driver = OpenUdpPort<TETHDriver>();
  TPeer a, b;
  TPayloads& slotA = NewPayloads();
  TPayloads& slotB = NewPayloads();
  ASSERT_EQ(driver->Assign(Loopback(), a.Port(), slotA.Handler(), nullptr), 0);
  ASSERT_EQ(driver->Assign(Loopback(), b.Port(), slotB.Handler(), nullptr), 0);
  b.SendTo(driver->BoundPort(), "1");
  ASSERT_TRUE(slotB.WaitFor(1));
  OnTalkThread([&] { EXPECT_EQ(driver->Assign(Loopback(), a.Port(), nullptr, nullptr), 0); });
  EXPECT_EQ(driver->NoOfSlaves(), 1);
  b.SendTo(driver->BoundPort(), "2");
  ASSERT_TRUE(slotB.WaitFor(2));
  EXPECT_EQ(slotB.Slots(), (std::vector<std::int32_t>{1, 0}));
  EXPECT_TRUE(slotA.Items().empty());
  // Releasing a peer that is not listed changes nothing.
  OnTalkThread([&] { EXPECT_EQ(driver->Assign(Loopback(), 1, nullptr, nullptr), 0); });
  EXPECT_EQ(driver->NoOfSlaves(), 1);
}

// Slot numbers are full width: the 257th peer's datagrams reach its own slot, not slot 0.
TEST_F(UdpDriverTest, TheTwoHundredFiftySeventhPeerKeepsItsSlot) {
  auto* driver = OpenUdpPort<TETHDriver>();
  TPayloads& first = NewPayloads();
  TPayloads& last = NewPayloads();
  for (int port = 1; port <= 256; ++port) ASSERT_EQ(driver->Assign(Loopback(), port, first.Handler(), nullptr), 0);
  TPeer peer;
  ASSERT_EQ(driver->Assign(Loopback(), peer.Port(), last.Handler(), nullptr), 0);
  EXPECT_EQ(driver->GetSlaveIndex(std::uint64_t{0x7F000001} << 16 | peer.Port()), 256);
  peer.SendTo(driver->BoundPort(), "mine");
  ASSERT_TRUE(last.WaitFor(1));
  EXPECT_EQ(last.Items(), std::vector<std::string>{"mine"});
  EXPECT_TRUE(first.Items().empty());
}

TEST_F(UdpDriverTest, Ipv6AddressesHaveOneKeyedForm) {
  auto* driver = OpenUdpPort<TETHDriver_v6>();
  TPayloads& fe80 = NewPayloads();
  TPayloads& loopback = NewPayloads();
  ASSERT_EQ(driver->Assign_v6("fe80::1", 20000, fe80.Handler(), nullptr), 0);
  EXPECT_EQ(driver->PortIndexStr(), "fe80::1");
  for (const char* key : {"FE80:0:0:0:0:0:0:1:20000", "fe80:0:0:0:0:0:0:1:20000"})
    EXPECT_EQ(driver->GetSlaveIndex_v6(key), 0) << key;
  EXPECT_EQ(driver->GetSlaveIndex_v6("FE80:0:0:0:0:0:0:1:20001"), -1);
  // A peer registered in a long form gets the datagrams of its short-form sender.
  TPeer peer(TIPVersion::IPv6);
  ASSERT_EQ(driver->Assign_v6("0:0:0:0:0:0:0:1", peer.Port(), loopback.Handler(), nullptr), 0);
  peer.SendTo(driver->BoundPort(), "hello");
  ASSERT_TRUE(loopback.WaitFor(1));
  EXPECT_EQ(loopback.Items(), std::vector<std::string>{"hello"});
  EXPECT_EQ(driver->LastResIP(), "0:0:0:0:0:0:0:1");
}

TEST_F(UdpDriverTest, CloseWaitsForTheLastPeer) {
  auto* driver = OpenUdpPort<TETHDriver>();
  TPayloads& slot = NewPayloads();
  ASSERT_EQ(driver->Assign(Loopback(), 20000, slot.Handler(), nullptr), 0);
  driver->Close();
  EXPECT_TRUE(driver->PortIsOpen());
  EXPECT_NE(driver->BoundPort(), 0);
  OnTalkThread([&] { driver->Assign(Loopback(), 20000, nullptr, nullptr); });
  driver->Close();
  EXPECT_FALSE(driver->PortIsOpen());
  EXPECT_EQ(driver->BoundPort(), 0);  // the socket is closed
  EXPECT_EQ(driver->Output(Loopback(), "x", 20000), StatusUdpSendFailed);
}

// The trigger runs on the GUI thread with its datagram in MessageStr; the IPv6 driver
// also runs it for unknown senders, with MessageStr empty.
TEST_F(UdpDriverTest, TriggerRunsOnTheGuiThread) {
  auto* v4 = OpenUdpPort<TETHDriver>();
  auto* v6 = OpenUdpPort<TETHDriver_v6>();
  std::vector<std::string> seen;  // GUI thread only
  const auto trigger = [&](TUdpPortDriver* Driver) {
    EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    seen.push_back(Driver->PortType() + ":" + Driver->MessageStr());
  };
  v4->SetOnTrigger(trigger);
  v6->SetOnTrigger(trigger);
  TPeer peer4, stranger4, peer6(TIPVersion::IPv6);
  TPayloads& slot = NewPayloads();
  ASSERT_EQ(v4->Assign(Loopback(), peer4.Port(), slot.Handler(), nullptr), 0);
  stranger4.SendTo(v4->BoundPort(), "unknown");
  peer4.SendTo(v4->BoundPort(), "known");
  ASSERT_TRUE(WaitUntil([&] { return seen.size() == 1; }));
  peer6.SendTo(v6->BoundPort(), "unknown v6");
  ASSERT_TRUE(WaitUntil([&] { return seen.size() == 2; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"ETH:known", "ETH_v6:"}));
  EXPECT_EQ(v6->LastResIP(), "0:0:0:0:0:0:0:1");
}

// While the executor walks the local cards, each card gets one send: the IPv6 link's
// number of tries drops to 1 at a card change and comes back after seven sends through
// the same card. The user's setting and the other links keep theirs.
TEST_F(UdpDriverTest, CardWalkLowersOnlyTheIpv6LinksTries) {
  drivesim::TDriveSim sim({"--udp4", "--udp6"});
  auto* v4 = OpenUdpPort<TETHDriver>();
  auto* v6 = OpenUdpPort<TETHDriver_v6>();
  auto* link4 = Keep(std::make_unique<TTalkDevice>("ETH", v4, Loopback(), MainQueue.get(), sim.Udp4Ports()[0]));
  auto* link6 =
      Keep(std::make_unique<TTalkDevice>("ETH_v6", v6, AnsiString("::1"), MainQueue.get(), sim.Udp6Ports()[0]));
  auto* executor = Keep(std::make_unique<TTestExecutor>(Talk.get()));
  const auto login = [&](const char* Card) {
    const auto r = executor->Request(*link6, Bytes({0x01}), 10000, Card);
    EXPECT_EQ(r.Status, 0) << Card;
    EXPECT_EQ(r.Answer.substr(0, 2), Bytes({0x01, 0x00})) << Card;
  };
  EXPECT_EQ(link6->NumberOfTries(), 5);
  for (const char* card : {"::1", "::"}) {
    login(card);  // a card change
    EXPECT_EQ(link6->NumberOfTries(), 1) << card;
    EXPECT_EQ(link4->NumberOfTries(), 5);
    EXPECT_EQ(MaxNumberOfTries(), 5);
    for (int i = 0; i < 6; ++i) login(card);
    EXPECT_EQ(link6->NumberOfTries(), 1) << card;
    login(card);  // the seventh through the same card
    EXPECT_EQ(link6->NumberOfTries(), 5) << card;
  }
  // A number the user sets while the budget is lowered applies at once.
  login("::1");
  SetMaxNumberOfTries(3);
  EXPECT_EQ(link6->NumberOfTries(), 3);
  login("::1");
  EXPECT_EQ(link6->NumberOfTries(), 3);
  // A card that is no local address: the send fails, the next card works.
  EXPECT_EQ(executor->Request(*link6, Bytes({0x01}), 10000, "2001:db8::1").Status, StatusUdpSendFailed);
  login("::1");
}

}  // namespace
