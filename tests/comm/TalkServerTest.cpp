// The talk server and its request executors end to end: links opened by command over a
// pseudo-terminal and loopback UDP, actors of the main scheduler, drivesim on the far
// side playing the faults, a fixed list of network cards.
#include "comm/TalkServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <thread>

#include "CommTestUtil.h"
#include "RawFramePattern.h"
#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "comm/CardList.h"
#include "comm/CommLimits.h"
#include "comm/SerialDriver.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkActor.h"
#include "comm/TalkMessages.h"
#include "comm/UdpDriver.h"
#include "runtime/Conversions.h"
#include "runtime/ProcessGlobal.h"

using namespace vt;

namespace {

constexpr std::uint8_t OpenInfo = 1, CloseInfo = 2, UnsolicitedInfo = 5;
// A read of the word at 0 and its answer from a drive whose RAM is clear.
const std::string ReadWord = Bytes({0x10, 0x00, 0x00, 0x00, 0x00});
const std::string WordZero = Bytes({0x10, 0x00, 0x00, 0x00, 0x00, 0x00});

class TalkServerTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TestApp();
    Server = std::make_unique<TTalkServer>();  // its queues first
    Server->AddPortDriver("ETH", std::make_unique<TETHDriver>());
    Server->AddPortDriver("ETH_v6", std::make_unique<TETHDriver_v6>());
    Replies = std::make_unique<TMxQueue>();
    Replies->LogOn(0);
    Client = std::make_unique<TTalkClient>();
    Client->RegisterTalkPattern(&Raw);
    SetFixedCardList(TNetworkCardList{{"127.0.0.1", "::1"}});
    SetMaxNumberOfTries(5);
    SetRepeatChecksum(false);
    GlobalBaudrate = 0;
  }
  void TearDown() override {
    Client.reset();
    Server.reset();
    Replies.reset();
    SetFixedCardList(std::nullopt);
    ResetTimeouts();
    RuntimeTest::TearDown();
  }

  // Sends a command to the talk server; its reply: command, then parameters.
  std::vector<std::string> Command(const std::vector<std::string>& Items, std::uint8_t Info) {
    TMessageWriter writer;
    writer.CreateMessage();
    writer.PutCommand(Items[0]);
    for (std::size_t i = 1; i < Items.size(); ++i) writer.PutParameter(Items[i]);
    writer.GetItem()->SetReceiver(TalkServerIdent + 1, TalkServerDomain, Info);
    Replies->SendMessage(writer.GetItem());
    for (;;) {
      if (!WaitUntil([&] { return Replies->MessageCount() > 0; })) return {"no reply"};
      TMxMessage* reply = Replies->GetMessage();
      TMessageReader reader;
      reader.SetItem(reply);
      std::vector<std::string> items{reader.GetCommand()};
      for (std::string p; !(p = reader.GetParameter()).empty();) items.push_back(p);
      const std::uint8_t info = reply->Info;
      reader.DestroyMessage();
      if (info == UnsolicitedInfo) {
        Unsolicited.push_back(items[0]);
        continue;
      }
      EXPECT_EQ(info, Info);
      return items;
    }
  }
  std::vector<std::string> Open(const std::string& Name, int Version, const std::string& Address,
                                std::uint16_t Port) {
    return Command({"OpenDevice", Name, "0", IntToHexText(Version), Address, IntToHexText(Port),
                    IntToHexText(UnsolicitedInfo)},
                   OpenInfo);
  }
  std::vector<std::string> Close(std::int32_t Handle, int Version = 4) {
    return Command({"CloseDevice", IntToHexText(Handle), IntToHexText(Version)}, CloseInfo);
  }
  // A link's talk service; none when the open failed.
  TTestTalkService* Link(const std::vector<std::string>& Reply) {
    if (Reply.size() != 3 || Reply[1] != "OK") {
      ADD_FAILURE() << "open failed: " << (Reply.size() > 2 ? Reply[2] : Reply[0]);
      return nullptr;
    }
    return &Services.emplace_back(std::stoi(Reply[2]));
  }
  TTestTalkService* OpenPty(const std::string& Path) {
    Server->AddSerialPortDriver(Path, 38400);
    return Link(Open(Path, 4, "0", 0));
  }
  static std::string Ipv4(const drivesim::TDriveSim& Sim, int Index) {
    return IntToHexText(static_cast<std::int32_t>(IPStrToInt(Sim.Udp4Addresses()[Index])));
  }
  TTalkServiceInterface* OpenUdp4(const drivesim::TDriveSim& Sim, int Index = 0) {
    return Link(Open("ETH", 4, Ipv4(Sim, Index), Sim.Udp4Ports()[Index]));
  }
  TTalkServiceInterface* OpenUdp6(const drivesim::TDriveSim& Sim, int Index = 0) {
    return Link(Open("ETH_v6", 6, "::1", Sim.Udp6Ports()[Index]));
  }

  struct TEntry {
    TTalkServiceInterface* Service;
    std::string Request;
    std::string Response = "";  // what the record holds before the reply
  };
  // An actor with one raw record per entry, executed; the records once OnResponse ran.
  std::vector<TRawFrameRecord> Exchange(const std::vector<TEntry>& Entries) {
    std::unique_ptr<TTalkActor> actor = Client->GetActor();
    int responses = 0;
    actor->OnResponse = [&](TTalkActor*) { ++responses; };
    for (const TEntry& e : Entries) Raw.Put(*actor, e.Service, e.Request, 0, RawFrameTalkId, e.Response);
    actor->Execute();
    EXPECT_TRUE(StepUntil([&] { return responses > 0; }));
    const std::vector<TRawFrameRecord> records = Records(*actor);
    Client->PutActor(actor);
    return records;
  }
  TRawFrameRecord Exchange(TTalkServiceInterface* Service, const std::string& Request) {
    return Exchange({{Service, Request}}).at(0);
  }
  static std::vector<TRawFrameRecord> Records(TTalkActor& Actor) {
    std::vector<TRawFrameRecord> records;
    Actor.Reset();
    for (int i = 0; i < Actor.Count(); ++i) {
      records.push_back(TRawFramePattern::Get(Actor));
      if (i + 1 < Actor.Count()) Actor.Next();
    }
    return records;
  }
  // Frames beginning with Prefix that drive Drive ("udp4-0") received so far.
  static int Sends(const drivesim::TDriveSim& Sim, const std::string& Drive, const std::string& Prefix) {
    std::string hex = Hex(Prefix);
    hex.pop_back();  // the log ends the line after the last byte
    const std::string part = " " + Drive + " in: " + hex;
    const auto log = Sim.LogLines();
    return static_cast<int>(
        std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(part) != l.npos; }));
  }

  TMessageCatcher Shown;  // a serial port's read error, had it one
  std::unique_ptr<TTalkServer> Server;
  std::unique_ptr<TMxQueue> Replies;  // the talk services' queue: replies, and frames nobody waits for
  std::unique_ptr<TTalkClient> Client;
  TRawFramePattern Raw;
  std::deque<TTestTalkService> Services;
  std::vector<std::string> Unsolicited;  // the first item of each such message
};

TEST_F(TalkServerTest, OpenAndCloseByCommand) {
  drivesim::TDriveSim sim({"--pty", "--udp4", "--udp6"});
  const std::string pty = sim.Ptys()[0];
  const std::string udp4 = Ipv4(sim, 0), udp6Port = IntToHexText(sim.Udp6Ports()[0]);
  const std::string udp4Key = "127.0.0.1:" + std::to_string(sim.Udp4Ports()[0]);
  Server->AddSerialPortDriver(pty, 38400);
  Server->AddSerialPortDriver("/dev/no-such-tty", 38400);
  EXPECT_EQ(Server->AddSerialPortDriver(pty, 9600), 0);  // names are unique
  EXPECT_EQ(Server->GetPortType("ETH_v6"), "ETH_v6");
  EXPECT_EQ(Server->GetPortType(pty), "RS");
  EXPECT_EQ(Server->GetPortName(2), pty);
  using TReply = std::vector<std::string>;
  const struct {
    TReply command;
    std::uint8_t info;
    TReply reply;
  } cases[] = {
      {{"OpenDevice", pty, "0", "4", "0", "0", "5"}, OpenInfo, {"OpenDevice", "OK", "0"}},
      {{"OpenDevice", "ETH", "0", "4", udp4, IntToHexText(sim.Udp4Ports()[0]), "5"}, OpenInfo, {"OpenDevice", "OK", "1"}},
      {{"OpenDevice", "ETH_v6", "0", "6", "::1", udp6Port, "5"}, OpenInfo, {"OpenDevice", "OK", "2"}},
      {{"OpenDevice", pty, "0", "4", "0", "0", "5"}, OpenInfo,
       {"OpenDevice", "ERROR", "TalkServer: port " + pty + " is occupied"}},
      {{"OpenDevice", "ETH", "0", "4", udp4, IntToHexText(sim.Udp4Ports()[0]), "5"}, OpenInfo,
       {"OpenDevice", "ERROR", "TalkServer: port " + udp4Key + " is occupied"}},
      {{"OpenDevice", "ETH_v6", "0", "6", "0:0:0:0:0:0:0:1", udp6Port, "5"}, OpenInfo,
       {"OpenDevice", "ERROR", "TalkServer: port 0:0:0:0:0:0:0:1 is occupied"}},
      {{"OpenDevice", "COM9", "0", "4", "0", "0", "5"}, OpenInfo,
       {"OpenDevice", "ERROR", "TalkServer: port COM9 is unknown"}},
      {{"OpenDevice", "/dev/no-such-tty", "0", "4", "0", "0", "5"}, OpenInfo,
       {"OpenDevice", "ERROR", "Port /dev/no-such-tty could not be opened!"}},
      {{"Reboot", "1"}, 9, {"Reboot", "ERROR", "unknown command"}},
      {{"CloseDevice", "7", "4"}, CloseInfo, {"CloseDevice", "OK"}},
      // The IPv6 form on a serial link fails there; the link stays open.
      {{"CloseDevice", "0", "6"}, CloseInfo, {"CloseDevice", "ERROR", "Abstract Error"}},
      {{"CloseDevice", "0", "4"}, CloseInfo, {"CloseDevice", "OK"}},
      // A handle is never used twice.
      {{"OpenDevice", pty, "0", "4", "0", "0", "5"}, OpenInfo, {"OpenDevice", "OK", "3"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Command(c.command, c.info), c.reply) << c.command[0] << " " << c.command[1];
  EXPECT_EQ(Server->GetTalkDevice(pty)->DeviceHandle(), 3);
  TTestTalkService reopened(3);
  EXPECT_EQ(Hex(Exchange(&reopened, ReadWord).ResponseBytes()), Hex(WordZero));
  TTestTalkService closed(0);
  EXPECT_EQ(Exchange(&closed, ReadWord).Header.TalkRes, StatusNoLink);
}

// Requests and commands are addressed to idents 0 and 1: a server whose queues would
// get others refuses to start.
TEST_F(TalkServerTest, ItsQueuesMustBeTheFirst) {
  Server.reset();
  TMxQueue squatter;
  squatter.LogOn(0);  // takes ident 0, which the server left
  EXPECT_THROW_MSG(TTalkServer(), "TTalkServer.Create: message queues were logged on before the talk server");
}

// The way every request takes: one actor with records for three links gets one
// OnResponse with the three answers, in record order. A raw record's bytes are the
// whole frame.
TEST_F(TalkServerTest, OneActorThreeLinks) {
  drivesim::TDriveSim sim({"--pty", "--udp4", "--udp6"});
  TTalkServiceInterface* links[] = {OpenPty(sim.Ptys()[0]), OpenUdp4(sim), OpenUdp6(sim)};
  const auto records = Exchange({
      {links[0], Bytes({0x11, 0x04, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00})},
      {links[1], ReadWord},
      {links[2], Bytes({0x7E, 0x01, 0x02}), "kept"},
  });
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(Hex(records[0].ResponseBytes()), Hex(Bytes({0x11, 0x00})));
  EXPECT_EQ(Hex(records[1].ResponseBytes()), Hex(WordZero));
  // The drive knows no command 7E: status 80, an error without frame.
  EXPECT_EQ(records[2].Header.TalkRes, 0x80);
  EXPECT_EQ(records[2].ResponseBytes(), "kept");
  EXPECT_EQ(Sends(sim, "udp6-2", Bytes({0x7E, 0x01, 0x02})), 1);
  EXPECT_EQ(Hex(Exchange(links[0], Bytes({0x10, 0x04, 0x00, 0x00, 0x00})).ResponseBytes()),
            Hex(Bytes({0x10, 0x00, 0x2A, 0x00, 0x00, 0x00})));
  // Every link's frames are traced.
  const auto lines = LogLines();
  for (const std::string& part : std::vector<std::string>{" - " + sim.Ptys()[0] + " OUT: 11 04 ",
                                                         ") - ETH (127.0.0.1) - IN: 10 00 ",
                                                         ") - ETHv6 (::1) - OUT: 7E 01 02 "})
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != l.npos; }))
        << part;
}

// N sends through each card from the starting one; the card that got the last answer
// starts the link's next request, a request without answer starts at card 0 again.
TEST_F(TalkServerTest, TriesTimesCards) {
  shortTimeout = 100;  // an answer (through card 1) must come within it, even under a sanitizer
  drivesim::TDriveSim sim({"--udp4"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  int total = 0;
  const auto sendsSince = [&] {
    const int before = std::exchange(total, Sends(sim, "udp4-0", ReadWord));
    return total - before;
  };
  sim.Set("silent-next=1000");
  TRawFrameRecord r = Exchange(link, ReadWord);
  EXPECT_EQ(r.Header.TalkRes, StatusNoAnswer);
  EXPECT_EQ(r.ResponseSize, 0);
  EXPECT_EQ(sendsSince(), 5);
  SetFixedCardList(TNetworkCardList{{"127.0.0.1", "::1"}, {"127.0.0.2", "::1"}});
  EXPECT_EQ(Exchange(link, ReadWord).Header.TalkRes, StatusNoAnswer);
  EXPECT_EQ(sendsSince(), 10);
  sim.Set("silent-next=5");  // the sixth send, the first through card 1, is answered
  EXPECT_EQ(Hex(Exchange(link, ReadWord).ResponseBytes()), Hex(WordZero));
  EXPECT_EQ(sendsSince(), 6);
  sim.Set("silent-next=1000");
  EXPECT_EQ(Exchange(link, ReadWord).Header.TalkRes, StatusNoAnswer);
  EXPECT_EQ(sendsSince(), 5);  // card 1 only
  EXPECT_EQ(Exchange(link, ReadWord).Header.TalkRes, StatusNoAnswer);
  EXPECT_EQ(sendsSince(), 10);  // from card 0 again
}

TEST_F(TalkServerTest, LoginTimeoutRule) {
  const struct {
    std::int32_t setting, login, short_, extended;
  } cases[] = {{3000, 3000, 3000, 25000}, {10000, 10000, 10000, 30000}, {100, 100, 2000, 30000}};
  for (const auto& c : cases) {
    ApplyLoginTimeout(c.setting);
    EXPECT_EQ(loginTimeout.load(), c.login);
    EXPECT_EQ(shortTimeout.load(), c.short_);
    EXPECT_EQ(extendedTimeout.load(), c.extended) << c.setting;  // it never shrinks
  }
  ResetTimeouts();
  // A login frame waits loginTimeout (250 ms), any other shortTimeout (2000 ms).
  SetMaxNumberOfTries(1);
  drivesim::TDriveSim sim({"--udp4", "--delay=600"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  EXPECT_EQ(Exchange(link, Bytes({0x01})).Header.TalkRes, StatusNoAnswer);
  EXPECT_EQ(Hex(Exchange(link, ReadWord).ResponseBytes()), Hex(WordZero));
  ApplyLoginTimeout(1000);
  EXPECT_EQ(Exchange(link, Bytes({0x01})).Header.TalkRes, 0);
}

// A busy answer keeps the link for the drive's final answer: the seconds it names, or
// extendedTimeout without them; either way more than shortTimeout, and one send.
TEST_F(TalkServerTest, BusyAnswersWaitForTheFinalOne) {
  shortTimeout = 200;
  drivesim::TDriveSim sim({"--udp4"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  const struct {
    const char* busy;
    std::int32_t extended;
  } cases[] = {
      {"busy-next=1 busy-seconds=1 busy-for=700", 200},   // 10 01 01: one second
      {"busy-next=1 busy-seconds=-1 busy-for=500", 1500},  // 10 01: extendedTimeout
  };
  int sends = 0;
  for (const auto& c : cases) {
    extendedTimeout = c.extended;
    sim.Set(c.busy);
    const TRawFrameRecord r = Exchange(link, ReadWord);
    EXPECT_EQ(Hex(r.ResponseBytes()), Hex(WordZero)) << c.busy;
    EXPECT_EQ(Sends(sim, "udp4-0", ReadWord), ++sends) << c.busy;
  }
}

// A drive that saw a wrong sum (0xEE) is asked again only with the setting on, and
// within the number of tries.
TEST_F(TalkServerTest, ChecksumErrorsAreRepeatedOnlyWhenWanted) {
  drivesim::TDriveSim sim({"--udp4"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  const struct {
    bool repeat;
    int errors, sends;
    std::uint8_t status;
  } cases[] = {{false, 1, 1, 0xEE}, {true, 1, 2, 0x00}, {true, 1000, 5, 0xEE}};
  int total = 0;
  for (const auto& c : cases) {
    SetRepeatChecksum(c.repeat);
    sim.Set("ee-next=" + std::to_string(c.errors));
    const TRawFrameRecord r = Exchange(link, ReadWord);
    EXPECT_EQ(r.Header.TalkRes, c.status);
    EXPECT_EQ(Hex(r.ResponseBytes()), c.status == 0 ? Hex(WordZero) : "");
    const int sends = Sends(sim, "udp4-0", ReadWord);
    EXPECT_EQ(sends - std::exchange(total, sends), c.sends) << c.repeat << " " << c.errors;
    sim.Set("ee-next=0");
  }
}

// Answers with another command byte go to the link's default receiver; the request
// itself ends as one without answer.
TEST_F(TalkServerTest, AnotherCommandByteIsNoAnswer) {
  shortTimeout = 40;
  drivesim::TDriveSim sim({"--udp4", "--wrong-command-next=1000"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  const TRawFrameRecord r = Exchange(link, ReadWord);
  EXPECT_EQ(r.Header.TalkRes, StatusNoAnswer);
  EXPECT_EQ(r.ResponseSize, 0);
  EXPECT_EQ(Sends(sim, "udp4-0", ReadWord), 5);
  ASSERT_TRUE(WaitUntil([&] { return Replies->MessageCount() >= 5; }));
  EXPECT_EQ(Close(0), (std::vector<std::string>{"CloseDevice", "OK"}));  // reads them on the way
  EXPECT_EQ(Unsolicited, std::vector<std::string>(5, Bytes({0x11, 0x00, 0x00, 0x00, 0x00, 0x00})));
}

// A drive answers twice; the executor's next entry, for another drive, still gets its
// own drive's answer.
TEST_F(TalkServerTest, ALateDuplicateNeverAnswersTheNextEntry) {
  drivesim::TDriveSim sim({"--udp4", "--udp4"});
  TTalkServiceInterface* a = OpenUdp4(sim, 0);
  TTalkServiceInterface* b = OpenUdp4(sim, 1);
  Exchange(b, Bytes({0x11, 0x00, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00}));
  for (int i = 0; i < 20; ++i) {
    sim.Set("0 duplicate-next=1");
    const auto records = Exchange({{a, ReadWord}, {b, ReadWord}});
    EXPECT_EQ(Hex(records[0].ResponseBytes()), Hex(WordZero));
    EXPECT_EQ(Hex(records[1].ResponseBytes()), Hex(Bytes({0x10, 0x00, 0x2A, 0x00, 0x00, 0x00}))) << i;
  }
}

TEST_F(TalkServerTest, WhichRepliesCarryTheFrame) {
  drivesim::TDriveSim sim({"--udp4", "--udp6"});
  TTalkServiceInterface* udp4 = OpenUdp4(sim);
  TTalkServiceInterface* udp6 = OpenUdp6(sim);
  TTestTalkService closed(99);
  const struct {
    const char* setting;
    bool noCards;
    TTalkServiceInterface* link;
    std::uint8_t status;
    std::string response;
  } cases[] = {
      {"error-status=0xA4", false, udp4, 0xA4, Bytes({0x10, 0xA4, 0x00, 0x00, 0x00, 0x00})},
      {"error-status=0x85", false, udp4, 0x85, "kept"},
      {"error-status=-1", false, &closed, StatusNoLink, "kept"},
      // Without cards an IPv6 link cannot send; an IPv4 link sends as with one card.
      {"error-status=-1", true, udp6, StatusUdpSendFailed, "kept"},
      {"error-status=-1", true, udp4, 0x00, WordZero},
  };
  for (const auto& c : cases) {
    sim.Set(c.setting);
    if (c.noCards) SetFixedCardList(TNetworkCardList{});
    const TRawFrameRecord r = Exchange({{c.link, ReadWord, "kept"}}).at(0);
    EXPECT_EQ(r.Header.TalkRes, c.status) << c.setting;
    EXPECT_EQ(Hex(r.ResponseBytes()), Hex(c.response)) << c.setting;
  }
  EXPECT_EQ(Sends(sim, "udp6-1", ReadWord), 0);
}

// Requests for one link are served one after the other, in the order they came, by
// different executors.
TEST_F(TalkServerTest, TwoMessagesForOneLinkInOrder) {
  drivesim::TDriveSim sim({"--udp4", "--delay=100"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  auto write = Client->GetActor();
  auto read = Client->GetActor();
  int responses = 0;
  write->OnResponse = read->OnResponse = [&](TTalkActor*) { ++responses; };
  Raw.Put(*write, link, Bytes({0x11, 0x08, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00}));
  Raw.Put(*read, link, Bytes({0x10, 0x08, 0x00, 0x00, 0x00}));
  write->Execute();
  read->Execute();
  ASSERT_TRUE(StepUntil([&] { return responses == 2; }));
  EXPECT_EQ(Hex(TRawFramePattern::Get(*read).ResponseBytes()), Hex(Bytes({0x10, 0x00, 0x2A, 0x00, 0x00, 0x00})));
  // The read went out only after the write's answer came back.
  const auto log = sim.LogLines();
  const auto at = [&](const std::string& part) {
    return std::find_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(part) != l.npos; });
  };
  EXPECT_LT(at(" out: 11 00"), at(" in: 10 08"));
}

// A link closed while one executor has it and another waits for it: both answer 0xB0,
// the link goes once both let it go, and the port opens again.
TEST_F(TalkServerTest, ClosingALinkInUse) {
  shortTimeout = 300;
  drivesim::TDriveSim sim({"--udp4", "--silent-next=1000"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  std::unique_ptr<TTalkActor> actors[] = {Client->GetActor(), Client->GetActor()};
  int responses = 0;
  for (auto& a : actors) {
    a->OnResponse = [&](TTalkActor*) { ++responses; };
    Raw.Put(*a, link, ReadWord);
    a->Execute();
  }
  ASSERT_TRUE(WaitUntil([&] { return Sends(sim, "udp4-0", ReadWord) > 0; }));
  EXPECT_EQ(Close(link->PortHandle()), (std::vector<std::string>{"CloseDevice", "OK"}));
  ASSERT_TRUE(StepUntil([&] { return responses == 2; }));
  for (auto& a : actors) EXPECT_EQ(a->GetResult(), StatusNoLink);
  EXPECT_EQ(Server->GetTalkDevice("ETH"), nullptr);
  sim.Set("silent-next=0");
  TTalkServiceInterface* again = OpenUdp4(sim);
  EXPECT_EQ(Hex(Exchange(again, ReadWord).ResponseBytes()), Hex(WordZero));
}

// A requester that went away does not take an executor with it.
TEST_F(TalkServerTest, RepliesToAGoneRequesterAreDropped) {
  drivesim::TDriveSim sim({"--udp4", "--delay=20"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  auto actor = Client->GetActor();  // logged on first: it never takes the gone queue's ident
  {
    TMxQueue gone;
    gone.LogOn(0);
    for (int i = 0; i < ServerActorCount; ++i) {
      TMessageWriter writer;
      writer.CreateMessage();
      writer.PutCommand("1");
      MsgPutInt(link->PortHandle(), writer);
      MsgPutStr(ReadWord, writer);
      writer.GetItem()->SetReceiver(TalkServerIdent, TalkServerDomain, 0);
      gone.SendMessage(writer.GetItem());
    }
  }
  const auto dropped = [&] {
    const auto lines = LogLines();
    return std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
      return l.find("Message receiver node doesn't exist - ServerActor.Create") != l.npos;
    });
  };
  ASSERT_TRUE(WaitUntil([&] { return dropped() == ServerActorCount; }));
  int responses = 0;
  actor->OnResponse = [&](TTalkActor*) { ++responses; };
  Raw.Put(*actor, link, ReadWord);
  actor->Execute();
  ASSERT_TRUE(StepUntil([&] { return responses == 1; }));
  EXPECT_EQ(actor->GetResult(), 0);
}

// While the program ends the executors send nothing; they idle, and would go on.
TEST_F(TalkServerTest, NothingIsSentWhileTheProgramEnds) {
  drivesim::TDriveSim sim({"--udp4"});
  TTalkServiceInterface* link = OpenUdp4(sim);
  auto actor = Client->GetActor();
  int responses = 0;
  actor->OnResponse = [&](TTalkActor*) { ++responses; };
  Raw.Put(*actor, link, ReadWord);
  MainFormExitRequest = true;
  actor->Execute();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Sends(sim, "udp4-0", ReadWord), 0);
  MainFormExitRequest = false;
  ASSERT_TRUE(StepUntil([&] { return responses == 1; }));
  EXPECT_EQ(Hex(TRawFramePattern::Get(*actor).ResponseBytes()), Hex(WordZero));
}

// The pending baud rate goes to the first serial port opened while it is closed, once.
TEST_F(TalkServerTest, GlobalBaudrateIsUsedOnce) {
  drivesim::TDriveSim sim({"--pty"});
  const std::string pty = sim.Ptys()[0];
  Server->AddSerialPortDriver(pty, 38400);
  auto* port = dynamic_cast<TRsDriver*>(Server->GetPortDriver(pty));
  GlobalBaudrate = 19200;
  TTalkServiceInterface* link = Link(Open(pty, 4, "0", 0));
  EXPECT_EQ(port->BaudRate(), 19200u);
  EXPECT_EQ(GlobalBaudrate.load(), 0u);
  EXPECT_EQ(Hex(Exchange(link, ReadWord).ResponseBytes()), Hex(WordZero));
  EXPECT_EQ(Close(link->PortHandle()), (std::vector<std::string>{"CloseDevice", "OK"}));
  Link(Open(pty, 4, "0", 0));
  EXPECT_EQ(port->BaudRate(), 38400u);
  EXPECT_EQ(Server->SetPortBaudRate(pty, 57600), 1);
  EXPECT_EQ(Server->SetPortBaudRate("ETH", 57600), 0);
}

}  // namespace
