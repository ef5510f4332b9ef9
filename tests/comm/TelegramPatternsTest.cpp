// The telegram patterns: golden request frames and answer decoding of every kind, with
// the field sizes of two drives (A 3 / D 4 and A 4 / D 2), through the talk client's
// encoding and decoding as the actors use them; the header check, the block sizes.
#include "comm/TelegramPatterns.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "CommTestUtil.h"
#include "RawFramePattern.h"
#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "comm/CommLimits.h"
#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "comm/TalkMessages.h"

using namespace vt;

namespace {

// A talk service with the field sizes of the drive at hand.
class TSizedService : public TTestTalkService {
 public:
  TSizedService(std::uint8_t A, std::uint8_t D) : FA(A), FD(D) {}
  std::uint8_t AddrFieldSize() const override { return FA; }
  std::uint8_t DataFieldSize() const override { return FD; }
  std::uint8_t MaxBufferSize() const override { return MaxBuffer; }
  bool DeviceOnline() const override { return Online; }
  std::uint8_t MaxBuffer = 255;
  bool Online = true;

 private:
  const std::uint8_t FA, FD;
};

class TelegramPatternsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    Client = std::make_unique<TTalkClient>();
    RegisterTelegramPatterns(*Client);
    Actor = Client->GetActor();
  }
  void TearDown() override {
    Actor.reset();
    Client.reset();
    RuntimeTest::TearDown();
  }
  // The request frame of the actor's one record.
  std::string Request() {
    TMessageWriter writer;
    writer.CreateMessage();
    Actor->Reset();
    Client->PutRequestData(*Actor, writer);
    TMessageReader reader;
    reader.SetItem(writer.GetItem());
    reader.GetCommand();
    MsgGetInt(reader);
    const std::string frame = MsgGetStr(reader);
    reader.DestroyMessage();
    return frame;
  }
  // Decodes the reply entry of Status and, when the status carries one, Frame.
  void Answer(std::uint8_t Status, const std::string& Frame) {
    TMessageWriter writer;
    writer.CreateMessage();
    Actor->Reset();
    TServiceRecordHeader h;
    Actor->GetData(sizeof h, &h);
    writer.PutCommand(IntToHexText(h.TalkPat));
    MsgPutInt(Status, writer);
    if (ReplyCarriesFrame(Status)) MsgPutStr(Frame, writer);
    TMessageReader reader;
    reader.SetItem(writer.GetItem());
    Client->GetResponseData(reader, *Actor);
    reader.DestroyMessage();
  }

  std::unique_ptr<TTalkClient> Client;
  std::unique_ptr<TTalkActor> Actor;
};

TEST_F(TelegramPatternsTest, KindsAreRegisteredInTheirOrder) {
  EXPECT_EQ(TLoginPattern::Kind.GetPatternId(), 1);
  EXPECT_EQ(TSimplePattern::Kind.GetPatternId(), 6);
  EXPECT_EQ(TCustomPattern::Kind.GetPatternId(), 10);
  EXPECT_EQ(TByteActionPattern::Kind.GetPatternId(), 19);
  EXPECT_EQ(Client->GetTalkPattern(19)->ClassName(), "TByteActionPattern");
}

// Per kind: a record put, its request frame and an answer for each of the two drives,
// and what the getters read from the answer.
TEST_F(TelegramPatternsTest, GoldenFrames) {
  TSizedService s34(3, 4), s42(4, 2);
  struct TCase {
    const char* name;
    std::function<void(TTalkServiceInterface*, TTalkActor&)> put;
    std::string request34, request42;
    std::string answer34, answer42;
    std::function<void(TTalkServiceInterface*, const TTalkActor&, bool A3D4)> check;
  };
  const std::string vorlix = Bytes({'V', 'o', 'r', 'l', 'i', 'x', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  const std::string login = Bytes({0x01, 0x00, 0x80, 0x03, 0x04, 0x01, 0xC8, 0x01, 0x00, 0x01, 0x0C, 0x00, 0x01,
                                   0x02, 0x00, 0x00, 0x00, 0x10}) + vorlix;
  const TCase cases[] = {
      {"login", [](auto* S, auto& A) { TLoginPattern(S, 0x01).Put(A, "secret", 7); },
       Bytes({0x01, 's', 'e', 'c', 'r', 'e', 't'}), Bytes({0x01, 's', 'e', 'c', 'r', 'e', 't'}), login, login,
       [](auto* S, const auto& A, bool) {
         const TLoginPattern l(S, 0x01);
         EXPECT_EQ(l.GetProtocolVersion(A), 0x80);
         EXPECT_EQ(l.GetAddrFieldSize(A), 3);  // the answer's own, whatever the service's
         EXPECT_EQ(l.GetDataFieldSize(A), 4);
         EXPECT_EQ(l.GetAddrIncrement(A), 1);
         EXPECT_EQ(l.GetMaxBufferSize(A), 200);
         EXPECT_EQ(l.GetProcessorType(A), 1);
         EXPECT_EQ(l.GetDeviceType(A), 0x0C01);
         EXPECT_EQ(l.GetDeviceVersion(A), 0x0100);
         EXPECT_EQ(l.GetFlashType(A), 2);
         EXPECT_EQ(l.GetFlashBaseAddr(A), 0x100000);
         EXPECT_EQ(l.GetDeviceString(A), "Vorlix");
         EXPECT_EQ(A.GetUser(), 7);
       }},
      {"get word", [](auto* S, auto& A) { TGetWordPattern(S, 0x10).Put(A, 0x1234, 0); },
       Bytes({0x10, 0x34, 0x12, 0x00}), Bytes({0x10, 0x34, 0x12, 0x00, 0x00}),
       Bytes({0x10, 0x00, 0x78, 0x56, 0x34, 0x12}), Bytes({0x10, 0x00, 0x78, 0x56}),
       [](auto* S, const auto& A, bool A3D4) {
         EXPECT_EQ(TGetWordPattern(S, 0x10).GetData(A), A3D4 ? 0x12345678 : 0x5678);
         EXPECT_EQ(TGetWordPattern(S, 0x10).GetAddress(A), 0x1234);
       }},
      {"set word", [](auto* S, auto& A) { TSetWordPattern(S, 0x11).Put(A, 0x1234, 0x0102, 0); },
       Bytes({0x11, 0x34, 0x12, 0x00, 0x02, 0x01, 0x00, 0x00}), Bytes({0x11, 0x34, 0x12, 0x00, 0x00, 0x02, 0x01}),
       Bytes({0x11, 0x00}), Bytes({0x11, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TSetWordPattern(S, 0x11).GetData(A), 0x0102); }},
      {"get block", [](auto* S, auto& A) { TGetBlockPattern(S, 0x30).Put(A, 0x1234, 4, 0); },
       Bytes({0x30, 0x34, 0x12, 0x00, 0x04}), Bytes({0x30, 0x34, 0x12, 0x00, 0x00, 0x04}),
       Bytes({0x30, 0x00, 1, 2, 3, 4, 5}), Bytes({0x30, 0x00, 1, 2}),
       [](auto* S, const auto& A, bool A3D4) {
         // Up to Size bytes; a shorter answer gives what it holds.
         EXPECT_EQ(Hex(TGetBlockPattern(S, 0x30).GetData(A)), Hex(A3D4 ? Bytes({1, 2, 3, 4}) : Bytes({1, 2})));
         EXPECT_EQ(TGetBlockPattern(S, 0x30).GetSize(A), 4);
       }},
      {"set block", [](auto* S, auto& A) { TSetBlockPattern(S, 0x31).Put(A, 0x1234, "ABC", 0); },
       Bytes({0x31, 0x34, 0x12, 0x00, 'A', 'B', 'C'}), Bytes({0x31, 0x34, 0x12, 0x00, 0x00, 'A', 'B', 'C'}),
       Bytes({0x31, 0x00}), Bytes({0x31, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TSetBlockPattern(S, 0x31).GetSize(A), 3); }},
      {"simple", [](auto* S, auto& A) { TSimplePattern(S, 0x20).Put(A, 5); }, Bytes({0x20}), Bytes({0x20}),
       Bytes({0x20, 0x00}), Bytes({0x20, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TSimplePattern(S, 0x20).Get(A).TalkUsr, 5); }},
      {"address action", [](auto* S, auto& A) { TAddrActionPattern(S, 0x23).Put(A, 0x1234, 0); },
       Bytes({0x23, 0x34, 0x12, 0x00}), Bytes({0x23, 0x34, 0x12, 0x00, 0x00}), Bytes({0x23, 0x00}),
       Bytes({0x23, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TAddrActionPattern(S, 0x23).GetAddress(A), 0x1234); }},
      {"get string", [](auto* S, auto& A) { TGetStringPattern(S, 0x34).Put(A, 0x1234, 16, 0); },
       Bytes({0x34, 0x34, 0x12, 0x00, 0x00, 0x10}), Bytes({0x34, 0x34, 0x12, 0x00, 0x00, 0x00, 0x10}),
       Bytes({0x34, 0x00, 'A', 'B', 'C'}), Bytes({0x34, 0x00, 'A', 'B', 'C'}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TGetStringPattern(S, 0x34).GetData(A), "ABC"); }},
      {"set string", [](auto* S, auto& A) { TSetStringPattern(S, 0x35).Put(A, 0x1234, 4, "ABCDEF", 0); },
       Bytes({0x35, 0x34, 0x12, 0x00, 'A', 'B', 'C', 'D', 0x00}),
       Bytes({0x35, 0x34, 0x12, 0x00, 0x00, 'A', 'B', 'C', 'D', 0x00}), Bytes({0x35, 0x00}), Bytes({0x35, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TSetStringPattern(S, 0x35).GetData(A), "ABCD"); }},
      {"custom, error answer with data", [](auto* S, auto& A) { TCustomPattern(S, 0x05).Put(A, Bytes({0x01}), 0); },
       Bytes({0x05, 0x01}), Bytes({0x05, 0x01}), Bytes({0x05, 0xA4, 0x07}), Bytes({0x05, 0xA4, 0x07}),
       [](auto* S, const auto& A, bool) {
         EXPECT_EQ(A.GetResult(), 0xA4);
         EXPECT_EQ(Hex(TCustomPattern(S, 0x05).GetResponse(A)), Hex(Bytes({0x07})));
       }},
      {"custom, whole frame", [](auto* S, auto& A) { TCustomPattern(S, RawFrameTalkId).Put(A, Bytes({5, 1}), 0); },
       Bytes({0x05, 0x01}), Bytes({0x05, 0x01}), Bytes({0x05, 0x00, 0x2A}), Bytes({0x05, 0x00, 0x2A}),
       [](auto* S, const auto& A, bool) {
         EXPECT_EQ(Hex(TCustomPattern(S, RawFrameTalkId).GetResponse(A)), Hex(Bytes({0x2A})));
       }},
      {"find info", [](auto* S, auto& A) { TFindInfoPattern(S, 0x25).Put(A, 0x1234, 2, 0); },
       Bytes({0x25, 0x34, 0x12, 0x00, 0x02}), Bytes({0x25, 0x34, 0x12, 0x00, 0x00, 0x02}),
       Bytes({0x25, 0x00, 0x00, 0x20, 0x00, 0x03, 0x10, 0x00}),
       Bytes({0x25, 0x00, 0x00, 0x20, 0x00, 0x00, 0x03, 0x10, 0x00}),
       [](auto* S, const auto& A, bool) {
         const TFindInfoPattern f(S, 0x25);
         EXPECT_EQ(f.GetNodeAddr(A), 0x2000);
         EXPECT_EQ(f.GetNodeType(A), 3);
         EXPECT_EQ(f.GetNodeSize(A), 16);
       }},
      {"status", [](auto* S, auto& A) { TGetStatusPattern(S, 0x03).Put(A, 1, 0); }, Bytes({0x03, 0x01}),
       Bytes({0x03, 0x01}), Bytes({0x03, 0x00, 0x01, 0x00, 0x34, 0x12, 0x01, 0x00, 0x01, 0x0C, 0x05}),
       Bytes({0x03, 0x00, 0x01, 0x00, 0x34, 0x12, 0x01, 0x00, 0x01, 0x0C, 0x05}),
       [](auto* S, const auto& A, bool) {
         const TGetStatusPattern g(S, 0x03);
         EXPECT_EQ(g.GetIdent(A), 1);
         EXPECT_EQ(g.GetStatus(A), 1);
         EXPECT_EQ(g.GetSerNbrLow(A), 0x1234);
         EXPECT_EQ(g.GetSerNbrHigh(A), 1);
         EXPECT_EQ(g.GetPartNbr(A), 0x0C01);
         EXPECT_EQ(g.GetQD02State(A), 5);
       }},
      {"masked word: the mask first", [](auto* S, auto& A) { TSetBitPattern(S, 0x13).Put(A, 0x1234, 1, 0xFF, 0); },
       Bytes({0x13, 0x34, 0x12, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}),
       Bytes({0x13, 0x34, 0x12, 0x00, 0x00, 0xFF, 0x00, 0x01, 0x00}), Bytes({0x13, 0x00}), Bytes({0x13, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TSetBitPattern(S, 0x13).GetMask(A), 0xFF); }},
      {"instance", [](auto* S, auto& A) { TInstancePattern(S, 0x88, 0x10).Put(A, 2, 0); },
       Bytes({0x88, 0x10, 0x02}), Bytes({0x88, 0x10, 0x02}), Bytes({0x88, 0x00, 0x03, 'A', 'B', 'C', 'D'}),
       Bytes({0x88, 0x00, 0x05, 'A', 'B', 'C'}),
       [](auto* S, const auto& A, bool) {
         // The length byte counts, but no further than the frame goes.
         EXPECT_EQ(TInstancePattern(S, 0x88, 0x10).GetData(A), "ABC");
         EXPECT_EQ(TInstancePattern(S, 0x88, 0x10).GetInstance(A), 2);
       }},
      {"copy block", [](auto* S, auto& A) { TCopyBlockPattern(S, 0x33).Put(A, 0x1000, 0x2000, 0x100, 0); },
       Bytes({0x33, 0x00, 0x10, 0x00, 0x00, 0x20, 0x00, 0x00, 0x01}),
       Bytes({0x33, 0x00, 0x10, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x01}), Bytes({0x33, 0x00}),
       Bytes({0x33, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TCopyBlockPattern(S, 0x33).GetFlashAddr(A), 0x2000); }},
      {"first empty", [](auto* S, auto& A) { TGetFirstEmptyPattern(S, 0x26).Put(A, 0x1000, 0x2000, 0); },
       Bytes({0x26, 0x00, 0x10, 0x00, 0x00, 0x20, 0x00}),
       Bytes({0x26, 0x00, 0x10, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00}), Bytes({0x26, 0x00, 0x00, 0x18, 0x00}),
       Bytes({0x26, 0x00, 0x00, 0x18, 0x00, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TGetFirstEmptyPattern(S, 0x26).GetData(A), 0x1800); }},
      {"erase memory", [](auto* S, auto& A) { TEraseMemPattern(S, 0x89, 0x0A).Put(A, 0); }, Bytes({0x89, 0x0A}),
       Bytes({0x89, 0x0A}), Bytes({0x89, 0x00, 0x00}), Bytes({0x89, 0x00, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TEraseMemPattern(S, 0x89, 0x0A).GetSubID(A), 0x0A); }},
      {"curves to flash", [](auto* S, auto& A) { TCurvePattern(S, 0x90, 0x0D).Put(A, 0); }, Bytes({0x90, 0x0D}),
       Bytes({0x90, 0x0D}), Bytes({0x90, 0x00, 0x01, 0x2A}), Bytes({0x90, 0x00, 0x01, 0x2A}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TCurvePattern(S, 0x90, 0x0D).GetData(A), "*"); }},
      {"command table to flash", [](auto* S, auto& A) { TCurvePattern(S, 0x94, 0x08).Put(A, 0); },
       Bytes({0x94, 0x08}), Bytes({0x94, 0x08}), Bytes({0x94, 0x00, 0x00}), Bytes({0x94, 0x00, 0x00}),
       [](auto*, const auto& A, bool) { EXPECT_EQ(A.GetResult(), 0); }},
      {"byte action", [](auto* S, auto& A) { TByteActionPattern(S, 0x22).Put(A, 1, 0); }, Bytes({0x22, 0x01}),
       Bytes({0x22, 0x01}), Bytes({0x22, 0x00}), Bytes({0x22, 0x00}),
       [](auto* S, const auto& A, bool) { EXPECT_EQ(TByteActionPattern(S, 0x22).GetOption(A), 1); }},
  };
  for (const TCase& c : cases)
    for (const bool a3d4 : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (a3d4 ? ", A 3 D 4" : ", A 4 D 2"));
      TTalkServiceInterface* service = a3d4 ? &s34 : &s42;
      Actor->Clear();
      c.put(service, *Actor);
      EXPECT_EQ(Hex(Request()), Hex(a3d4 ? c.request34 : c.request42));
      const std::string& answer = a3d4 ? c.answer34 : c.answer42;
      Answer(static_cast<std::uint8_t>(answer[1]), answer);
      c.check(service, *Actor, a3d4);
    }
}

// A record whose answer carried no frame keeps the data part it was put with.
TEST_F(TelegramPatternsTest, FailedAnswerKeepsTheData) {
  TSizedService service(3, 4);
  const TGetWordPattern read(&service, 0x10);
  read.Put(*Actor, 0x1234, 0);
  Answer(StatusNoAnswer, "");
  EXPECT_EQ(Actor->GetResult(), StatusNoAnswer);
  EXPECT_EQ(read.GetData(*Actor), 0);
  EXPECT_EQ(read.GetAddress(*Actor), 0x1234);
  // An error status in a frame: the data part is not read either.
  Actor->Clear();
  read.Put(*Actor, 0x1234, 0);
  Answer(0x00, Bytes({0x10, 0x85, 0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(Actor->GetResult(), 0x85);
  EXPECT_EQ(read.GetData(*Actor), 0);
}

// A pattern object reads only the records it put itself.
TEST_F(TelegramPatternsTest, RecordHeaderIsChecked) {
  TSizedService service(4, 4), other(4, 4);
  const TSimplePattern start(&service, 0x20), stop(&service, 0x21), foreignStart(&other, 0x20);
  stop.Put(*Actor, 0);
  EXPECT_THROW_MSG(start.Get(*Actor), "TSimplePattern.Get: error in record header");
  EXPECT_NO_THROW(stop.Get(*Actor));
  Actor->Clear();
  start.Put(*Actor, 0);
  EXPECT_THROW_MSG(foreignStart.Get(*Actor), "TSimplePattern.Get: error in record header");
  // A record of another kind with the same command byte.
  Actor->Clear();
  TAddrActionPattern(&service, 0x20).Put(*Actor, 0, 0);
  EXPECT_THROW_MSG(TGetWordPattern(&service, 0x20).Get(*Actor), "TGetWordPattern.Get: error in record header");
}

TEST_F(TelegramPatternsTest, BlockSizesFollowTheLogin) {
  TSizedService service(4, 4);
  const TGetBlockPattern read(&service, 0x30);
  const TSetBlockPattern write(&service, 0x31);
  EXPECT_EQ(read.GetMaxSize(), 252);
  EXPECT_EQ(write.GetMaxSize(), 248);
  TSizedService small(3, 2);
  small.MaxBuffer = 64;
  EXPECT_EQ(TGetBlockPattern(&small, 0x30).GetMaxSize(), 62);
  EXPECT_EQ(TSetBlockPattern(&small, 0x31).GetMaxSize(), 60);
  small.MaxBuffer = 2;  // no room at all
  EXPECT_EQ(TSetBlockPattern(&small, 0x31).GetMaxSize(), 0);
  service.Online = false;
  EXPECT_THROW_MSG(read.GetMaxSize(), "TGetBlockPattern.GetMaxSize: service is not online");
  EXPECT_THROW_MSG(write.GetMaxSize(), "TSetBlockPattern.GetMaxSize: service is not online");
}

}  // namespace
