// The answer decoding of every telegram pattern and of the talk service's login answer
// under arbitrary answer frames. The first byte chooses the kind (19: the login answer),
// the second the drive's field sizes (bit 0: A 4 else 3, bit 1: D 4 else 2), the rest is
// the answer frame. A decoded record keeps its header but the status, takes the frame's
// status, and holds no byte the frame did not carry.
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzEntries.h"
#include "comm/TalkMessages.h"
#include "comm/TelegramPatterns.h"

namespace vt {

namespace {

// An actor that holds one record, without tasks or queues.
class TOneRecordActor final : public TTalkActor {
 public:
  TOneRecordActor() : TTalkActor(nullptr) {}
  const char* ClassName() const override { return "TOneRecordActor"; }
  TTalkServiceInterface* GetTalkService() const override { return Header().TalkSrv; }
  void Clear() override { FRecord.clear(); }
  void Execute() override {}
  void Reset() override {}
  void Next() override {}
  std::uint8_t GetResult() const override { return Header().TalkRes; }
  std::int32_t GetUser() const override { return Header().TalkUsr; }
  std::uint8_t GetService() const override { return Header().TalkIdt; }
  bool GetBusy() const override { return false; }
  int GetIndex() const override { return 0; }
  int GetCount() const override { return FRecord.empty() ? 0 : 1; }
  void AddData(int RecSize, const void* DataRec) override {
    FRecord.assign(static_cast<const char*>(DataRec), static_cast<const char*>(DataRec) + RecSize);
  }
  void GetData(int RecSize, void* DataRec) const override {
    if (RecSize > static_cast<int>(FRecord.size())) throw std::logic_error("record read beyond its size");
    std::memcpy(DataRec, FRecord.data(), RecSize);
  }
  void SetData(int RecSize, const void* DataRec) override {
    if (RecSize > static_cast<int>(FRecord.size())) throw std::logic_error("record written beyond its size");
    std::memcpy(FRecord.data(), DataRec, RecSize);
  }

 private:
  TServiceRecordHeader Header() const {
    TServiceRecordHeader h;
    GetData(sizeof h, &h);
    return h;
  }
  std::vector<char> FRecord;
};

class TFuzzService final : public TTalkServiceInterface {
 public:
  TFuzzService(std::uint8_t A, std::uint8_t D) : FA(A), FD(D) {}
  std::int32_t PortHandle() const override { return 1; }
  std::uint8_t AddrFieldSize() const override { return FA; }
  std::uint8_t DataFieldSize() const override { return FD; }
  std::uint8_t MaxBufferSize() const override { return 255; }
  bool DeviceOnline() const override { return true; }
  void AddListener(TTalkListener*) override {}
  void RemoveListener(TTalkListener*) override {}

 private:
  const std::uint8_t FA, FD;
};

void Check(bool Holds, const char* What) {
  if (!Holds) throw std::logic_error(What);
}

// Puts a record with Pattern, decodes Frame into it, reads it back with Get and gives
// the length of the byte string that Bytes finds in it (0 for kinds without one).
template <class TPattern, class TPut, class TBytes>
std::size_t Decode(TPattern Pattern, TTalkActor& Actor, TPut Put, TBytes Bytes, const std::string& Frame) {
  Put(Pattern);
  TServiceRecordHeader before;
  Actor.GetData(sizeof before, &before);
  TPattern::Kind.GetResponseFrameData(Frame, Actor);
  TServiceRecordHeader after;
  Actor.GetData(sizeof after, &after);
  Check(after.TalkPat == before.TalkPat && after.TalkIdt == before.TalkIdt && after.TalkSrv == before.TalkSrv &&
            after.TalkUsr == before.TalkUsr,
        "header changed");
  Check(after.TalkRes == (Frame.size() >= 2 ? static_cast<std::uint8_t>(Frame[1]) : 0), "status not taken");
  return Bytes(Pattern.Get(Actor));
}

std::size_t DecodeKind(int Index, TTalkServiceInterface* S, TTalkActor& A, const std::string& F) {
  const auto none = [](const auto&) { return std::size_t{0}; };
  const auto data = [](const auto& D) { return D.Data.Str().size(); };
  switch (Index) {
    case 0:
      return Decode(TLoginPattern(S, 0x01), A, [&](auto& P) { P.Put(A, "pw", 1); },
                    [](const TLoginData& D) { return D.DeviceString.Str().size(); }, F);
    case 1:
      return Decode(TGetWordPattern(S, 0x10), A, [&](auto& P) { P.Put(A, 1, 1); }, none, F);
    case 2:
      return Decode(TSetWordPattern(S, 0x11), A, [&](auto& P) { P.Put(A, 1, 2, 1); }, none, F);
    case 3: {
      const std::size_t n = Decode(TGetBlockPattern(S, 0x30), A, [&](auto& P) { P.Put(A, 1, 100, 1); }, data, F);
      Check(n <= 100, "more block bytes than asked for");
      return n;
    }
    case 4:
      return Decode(TSetBlockPattern(S, 0x31), A, [&](auto& P) { P.Put(A, 1, "AB", 1); }, none, F);
    case 5:
      return Decode(TSimplePattern(S, 0x20), A, [&](auto& P) { P.Put(A, 1); }, none, F);
    case 6:
      return Decode(TAddrActionPattern(S, 0x23), A, [&](auto& P) { P.Put(A, 1, 1); }, none, F);
    case 7: {
      const std::size_t n = Decode(TGetStringPattern(S, 0x34), A, [&](auto& P) { P.Put(A, 1, 16, 1); }, data, F);
      Check(n <= 16, "more string bytes than asked for");
      return n;
    }
    case 8:
      return Decode(TSetStringPattern(S, 0x35), A, [&](auto& P) { P.Put(A, 1, 4, "ABCDEF", 1); }, none, F);
    case 9: {
      const std::size_t n = Decode(TCustomPattern(S, 0x88), A, [&](auto& P) { P.Put(A, "\x01", 1); },
                                   [](const TCustomData& D) { return D.Response.Str().size(); }, F);
      const std::uint8_t status = F.size() >= 2 ? static_cast<std::uint8_t>(F[1]) : 0;
      Check(n == (ReplyCarriesFrame(status) && F.size() > 2 ? std::min<std::size_t>(F.size() - 2, 255) : 0),
            "custom response is not the rest of the frame");
      return n;
    }
    case 10:
      return Decode(TFindInfoPattern(S, 0x25), A, [&](auto& P) { P.Put(A, 1, 2, 1); }, none, F);
    case 11:
      return Decode(TGetStatusPattern(S, 0x03), A, [&](auto& P) { P.Put(A, 1, 1); }, none, F);
    case 12:
      return Decode(TSetBitPattern(S, 0x13), A, [&](auto& P) { P.Put(A, 1, 2, 3, 1); }, none, F);
    case 13:
      return Decode(TInstancePattern(S, 0x88, 0x10), A, [&](auto& P) { P.Put(A, 2, 1); }, data, F);
    case 14:
      return Decode(TCopyBlockPattern(S, 0x33), A, [&](auto& P) { P.Put(A, 1, 2, 3, 1); }, none, F);
    case 15:
      return Decode(TGetFirstEmptyPattern(S, 0x26), A, [&](auto& P) { P.Put(A, 1, 2, 1); }, none, F);
    case 16:
      return Decode(TEraseMemPattern(S, 0x89, 0x0A), A, [&](auto& P) { P.Put(A, 1); }, data, F);
    case 17:
      return Decode(TCurvePattern(S, 0x90, 0x0D), A, [&](auto& P) { P.Put(A, 1); }, data, F);
    default:
      return Decode(TByteActionPattern(S, 0x22), A, [&](auto& P) { P.Put(A, 1, 1); }, none, F);
  }
}

}  // namespace

int FuzzTelegramAnswers(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2) return 0;
  const int kind = Data[0] % 20;
  TFuzzService service(Data[1] & 1 ? 4 : 3, Data[1] & 2 ? 4 : 2);
  const std::string frame(reinterpret_cast<const char*>(Data + 2), Size - 2);
  // No byte string holds more than the frame carries after command and status.
  const std::size_t carried = frame.size() > 2 ? frame.size() - 2 : 0;
  if (kind == 19) {
    const TLoginAnswer a = ReadLoginAnswer(frame);
    Check(a.DeviceString.Str().size() <= std::min<std::size_t>(carried, 16), "device string too long");
    return 0;
  }
  TOneRecordActor actor;
  Check(DecodeKind(kind, &service, actor, frame) <= carried, "a byte string longer than the answer");
  return 0;
}

}  // namespace vt
