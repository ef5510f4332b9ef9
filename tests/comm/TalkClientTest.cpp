// The talk client: frame fields, message parameters, the pattern registry, the actor
// pool, and records to request entries and reply entries back to records.
#include "comm/TalkClient.h"

#include <gtest/gtest.h>

#include <memory>

#include "CommTestUtil.h"
#include "RawFramePattern.h"
#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "comm/TalkActor.h"
#include "comm/TalkMessages.h"

using namespace vt;

namespace {

class TalkClientTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    Client = std::make_unique<TTalkClient>();
  }
  void TearDown() override {
    Client.reset();  // its actors' tasks go before the scheduler
    RuntimeTest::TearDown();
  }
  // The request entry of each record of Actor, as the message text.
  std::string Encode(TTalkActor& Actor) {
    TMessageWriter writer;
    writer.CreateMessage();
    const std::unique_ptr<TMxMessage, void (*)(TMxMessage*)> message(writer.GetItem(), TMxMessage::Free);
    Actor.Reset();
    for (int i = 0; i < Actor.Count(); ++i) {
      Client->PutRequestData(Actor, writer);
      if (i + 1 < Actor.Count()) Actor.Next();
    }
    return message->GetText();
  }
  // Decodes the reply text Text into the actor's first record.
  void Decode(const std::string& Text, TTalkActor& Actor) {
    const std::unique_ptr<TMxMessage, void (*)(TMxMessage*)> reply(TMxMessage::Create(), TMxMessage::Free);
    reply->SetText(Text);
    TMessageReader reader;
    reader.SetItem(reply.get());
    Actor.Reset();
    Client->GetResponseData(reader, Actor);
  }

  std::unique_ptr<TTalkClient> Client;
  TTestTalkService Service{7};
};

TEST(TalkFrameFields, PutAndGetLittleEndian) {
  const struct {
    std::int32_t value;
    int size;
    std::string bytes;
  } puts[] = {
      {0x1234, 3, Bytes({0x34, 0x12, 0x00})},
      {-1, 2, Bytes({0xFF, 0xFF})},
      {0x01020304, 6, Bytes({0x04, 0x03, 0x02, 0x01, 0x00, 0x00})},
      {0x55, 0, ""},
  };
  for (const auto& c : puts) {
    std::string frame = "x";
    FrmPutInt(c.value, c.size, frame);
    EXPECT_EQ(Hex(frame), Hex("x" + c.bytes)) << c.value;
  }
  const struct {
    std::string frame;
    int pos, size;
    std::int32_t value;
  } gets[] = {
      {Bytes({0xFF, 0xFF, 0xFF, 0xFF}), 1, 4, -1},
      {Bytes({0xFF, 0xFF}), 1, 2, 65535},
      {Bytes({0x10, 0x00, 0x78, 0x56}), 3, 4, 0x5678},  // past the end: zeros
      {Bytes({0x10}), 5, 2, 0},
      {Bytes({0x10, 0x22}), 2, 0, 0},
  };
  for (const auto& c : gets) {
    int pos = c.pos;
    EXPECT_EQ(FrmGetInt(c.frame, pos, c.size), c.value) << Hex(c.frame);
    EXPECT_EQ(pos, c.pos + c.size);
  }
}

TEST_F(TalkClientTest, MessageParametersAreHexadecimal) {
  TMessageWriter writer;
  writer.CreateMessage();
  writer.PutCommand("C");
  MsgPutInt(-1, writer);
  MsgPutInt(0, writer);
  MsgPutStr(Bytes({0x05, 0xAB}), writer);
  MsgPutStr("", writer);
  TMxMessage* m = writer.GetItem();
  EXPECT_EQ(m->GetText(), "C\tFFFFFFFF\t0\t2\t5\tAB\t0");
  TMessageReader reader;
  reader.SetItem(m);
  EXPECT_EQ(reader.GetCommand(), "C");
  EXPECT_EQ(MsgGetInt(reader), -1);
  EXPECT_EQ(MsgGetInt(reader), 0);
  EXPECT_EQ(MsgGetStr(reader), Bytes({0x05, 0xAB}));
  EXPECT_EQ(MsgGetStr(reader), "");
  EXPECT_EQ(MsgGetInt(reader), 0);  // nothing left
  reader.DestroyMessage();
  // A count beyond the bytes that follow stops at the end of the entry.
  TMxMessage* lying = TMxMessage::Create();
  lying->SetText("1\tFFFFFFFF\t41\r2");
  reader.SetItem(lying);
  reader.GetCommand();
  EXPECT_EQ(MsgGetStr(reader), "A");
  reader.DestroyMessage();
}

TEST_F(TalkClientTest, PatternIdsAreRegistrationPositions) {
  std::vector<std::unique_ptr<TRawFramePattern>> kinds(10);
  for (auto& k : kinds) {
    k = std::make_unique<TRawFramePattern>();
    Client->RegisterTalkPattern(k.get());
  }
  EXPECT_EQ(kinds[9]->GetPatternId(), 10);
  EXPECT_EQ(Client->GetTalkPattern(10), kinds[9].get());
  EXPECT_TRUE(Client->IsPatternRegistered(kinds[0].get()));
  // The tenth kind's entries start with the command "A".
  auto actor = Client->GetActor();
  kinds[9]->Put(*actor, &Service, Bytes({0x05}));
  EXPECT_EQ(Encode(*actor), "A\t7\t1\t5");
  EXPECT_THROW_MSG(Client->RegisterTalkPattern(kinds[3].get()),
                   "TTalkClient.RegisterTalkPattern: TRawFramePattern is already registerd");
  EXPECT_THROW_MSG(Client->GetTalkPattern(11), "TTalkClient.GetTalkPattern: no pattern with id 11");
  EXPECT_THROW_MSG(Client->GetTalkPattern(0), "TTalkClient.GetTalkPattern: no pattern with id 0");
  // Ids are 8 bits and 0 ends a request: the list is full at 255.
  std::vector<std::unique_ptr<TRawFramePattern>> more(245);
  for (auto& k : more) {
    k = std::make_unique<TRawFramePattern>();
    Client->RegisterTalkPattern(k.get());
  }
  EXPECT_EQ(more.back()->GetPatternId(), 255);
  TRawFramePattern last;
  EXPECT_THROW_MSG(Client->RegisterTalkPattern(&last), "TTalkClient.RegisterTalkPattern: pattern list is full");
  EXPECT_EQ(last.GetPatternId(), 0);
}

TEST_F(TalkClientTest, ActorsArePooledLastInFirstOut) {
  TRawFramePattern raw;
  Client->RegisterTalkPattern(&raw);
  auto first = Client->GetActor();
  TTalkActor* pooled = first.get();
  raw.Put(*first, &Service, Bytes({0x02}));
  Client->PutActor(first);
  EXPECT_EQ(first, nullptr);
  auto again = Client->GetActor();
  EXPECT_EQ(again.get(), pooled);
  EXPECT_EQ(again->Count(), 0);
  EXPECT_EQ(again->Info(), astReady);
  EXPECT_NE(Client->GetActor().get(), pooled);  // the pool is empty: a new one

  struct TForeign : TTalkActor {
    using TTalkActor::TTalkActor;
    const char* ClassName() const override { return "TForeign"; }
    TTalkServiceInterface* GetTalkService() const override { return nullptr; }
    void Clear() override {}
    void Execute() override {}
    void Reset() override {}
    void Next() override {}
    std::uint8_t GetResult() const override { return 0; }
    std::int32_t GetUser() const override { return 0; }
    std::uint8_t GetService() const override { return 0; }
    bool GetBusy() const override { return false; }
    int GetIndex() const override { return 0; }
    int GetCount() const override { return 0; }
    void AddData(int, const void*) override {}
    void GetData(int, void*) const override {}
    void SetData(int, const void*) override {}
  };
  std::unique_ptr<TTalkActor> foreign = std::make_unique<TForeign>(Client.get());
  EXPECT_THROW_MSG(Client->PutActor(foreign), "wrong actor class type");
  EXPECT_NE(foreign, nullptr);  // still the caller's
}

// The request frame is the talk id and the pattern's bytes; a raw record's bytes are the
// whole frame.
TEST_F(TalkClientTest, RequestEntries) {
  TRawFramePattern raw;
  Client->RegisterTalkPattern(&raw);
  auto actor = Client->GetActor();
  raw.Put(*actor, &Service, Bytes({0x05, 0x01, 0x02}));
  raw.Put(*actor, &Service, Bytes({0x34, 0x12}), 0, 0x10);
  EXPECT_EQ(Encode(*actor), "1\t7\t3\t5\t1\t2\r1\t7\t3\t10\t34\t12");
  // A record of a kind that is not registered writes nothing.
  TRawFramePattern stranger;
  auto other = Client->GetActor();
  stranger.Put(*other, &Service, Bytes({0x05}));
  EXPECT_THROW_MSG(Encode(*other), "TTalkClient.GetTalkPattern: no pattern with id 0");
  // Nor does one that no talk service put: there is no link to address.
  auto orphan = Client->GetActor();
  raw.Put(*orphan, nullptr, Bytes({0x05}));
  EXPECT_THROW_MSG(Encode(*orphan), "TTalkClient.PutRequestData: record without talk service");
}

TEST_F(TalkClientTest, ReplyEntries) {
  TRawFramePattern raw;
  Client->RegisterTalkPattern(&raw);
  const struct {
    const char* reply;
    std::uint8_t status;
    std::string response;
  } cases[] = {
      {"1\t0\t3\t10\t0\t2A", 0x00, Bytes({0x10, 0x00, 0x2A})},
      {"1\tA4\t3\t10\tA4\t7", 0xA4, Bytes({0x10, 0xA4, 0x07})},  // an error with data
      {"1\t81", 0x81, "kept"},                                  // no frame: the data part stays
      {"1\t85\t2\t10\t85", 0x85, "kept"},                       // a frame where none belongs is not read
      {"", 0x00, "kept"},                                       // no entry left
  };
  for (const auto& c : cases) {
    auto actor = Client->GetActor();
    raw.Put(*actor, &Service, Bytes({0x10}), 0, RawFrameTalkId, "kept");
    Decode(c.reply, *actor);
    const TRawFrameRecord r = TRawFramePattern::Get(*actor);
    EXPECT_EQ(r.Header.TalkRes, c.status) << c.reply;
    EXPECT_EQ(Hex(r.ResponseBytes()), Hex(c.response)) << c.reply;
  }
  auto actor = Client->GetActor();
  raw.Put(*actor, &Service, Bytes({0x10}));
  EXPECT_THROW_MSG(Decode("2\t0\t2\t10\t0", *actor), "TServicePattern.GetResponseData: wrong pattern id");
}

TEST_F(TalkClientTest, ListenersJoinAndLeaveTheirService) {
  TTestTalkService a, b;
  std::vector<std::pair<std::string, std::int32_t>> heard;
  {
    TTalkListener listener;
    listener.Info = 42;
    listener.OnMessage = [&](const std::string& Frame, std::int32_t Info) { heard.emplace_back(Frame, Info); };
    listener.Connect(&a);
    listener.Connect(&b);  // leaves a first
    EXPECT_TRUE(a.Listeners.empty());
    EXPECT_EQ(b.Listeners, std::vector<TTalkListener*>{&listener});
    listener.DoMessage(Bytes({0xF0, 0x00}));
    b.Listeners.clear();  // the service forgot it
    EXPECT_THROW_MSG(listener.Disconnect(), "TTalkService.AddListener: listener isn't in list");
    EXPECT_EQ(listener.TalkService(), nullptr);
    a.Listeners.push_back(&listener);
    EXPECT_THROW_MSG(listener.Connect(&a), "TTalkService.AddListener: listener already in list");
    EXPECT_EQ(listener.TalkService(), nullptr);
    a.Listeners.clear();
    listener.Connect(&a);
  }
  EXPECT_TRUE(a.Listeners.empty());  // destruction leaves
  EXPECT_EQ(heard, (std::vector<std::pair<std::string, std::int32_t>>{{Bytes({0xF0, 0x00}), 42}}));
}

}  // namespace
