// The telegram patterns; see TelegramPatterns.h and TalkPattern.h.
#include "comm/TelegramPatterns.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

// ---- What every kind shares ----

std::string TAnswerFields::Rest(std::size_t Max) {
  const std::size_t from = std::min<std::size_t>(FPos - 1, FFrame.size());
  std::string bytes = FFrame.substr(from, Max);
  FPos += static_cast<int>(bytes.size());
  return bytes;
}

void TTalkPattern::Put(TTalkActor& Actor, int RecSize, void* DataRec, std::int32_t User) const {
  const TServiceRecordHeader header{PatternClass().GetPatternId(), FTalkId, FOwner, 0, User};
  std::memcpy(DataRec, &header, sizeof header);
  Actor.AddData(RecSize, DataRec);
}

void TTalkPattern::Get(const TTalkActor& Actor, int RecSize, void* DataRec) const {
  Actor.GetData(RecSize, DataRec);
  TServiceRecordHeader h;
  std::memcpy(&h, DataRec, sizeof h);
  if (h.TalkPat != PatternClass().GetPatternId() || h.TalkIdt != FTalkId || h.TalkSrv != FOwner)
    throw Exception(Format("%s.Get: error in record header", PatternClass().ClassName()));
}

// ---- Kinds ----

TPatternKind<TLoginData> TLoginPattern::Kind("TLoginPattern");
TPatternKind<TGetWordData> TGetWordPattern::Kind("TGetWordPattern");
TPatternKind<TSetWordData> TSetWordPattern::Kind("TSetWordPattern");
TPatternKind<TGetBlockData> TGetBlockPattern::Kind("TGetBlockPattern");
TPatternKind<TSetBlockData> TSetBlockPattern::Kind("TSetBlockPattern");
TPatternKind<TSimpleData> TSimplePattern::Kind("TSimplePattern");
TPatternKind<TAddrActionData> TAddrActionPattern::Kind("TAddrActionPattern");
TPatternKind<TGetStringData> TGetStringPattern::Kind("TGetStringPattern");
TPatternKind<TSetStringData> TSetStringPattern::Kind("TSetStringPattern");
TPatternKind<TCustomData> TCustomPattern::Kind("TCustomPattern");
TPatternKind<TFindInfoData> TFindInfoPattern::Kind("TFindInfoPattern");
TPatternKind<TGetStatusData> TGetStatusPattern::Kind("TGetStatusPattern");
TPatternKind<TSetBitData> TSetBitPattern::Kind("TSetBitPattern");
TPatternKind<TInstanceData> TInstancePattern::Kind("TInstancePattern");
TPatternKind<TCopyBlockData> TCopyBlockPattern::Kind("TCopyBlockPattern");
TPatternKind<TGetFirstEmptyData> TGetFirstEmptyPattern::Kind("TGetFirstEmptyPattern");
TPatternKind<TEraseMemData> TEraseMemPattern::Kind("TEraseMemPattern");
TPatternKind<TCurveData> TCurvePattern::Kind("TCurvePattern");
TPatternKind<TByteActionData> TByteActionPattern::Kind("TByteActionPattern");

void RegisterTelegramPatterns(TTalkClient& Client) {
  TTalkPatternClass* const kinds[] = {
      &TLoginPattern::Kind,     &TGetWordPattern::Kind,       &TSetWordPattern::Kind,   &TGetBlockPattern::Kind,
      &TSetBlockPattern::Kind,  &TSimplePattern::Kind,        &TAddrActionPattern::Kind, &TGetStringPattern::Kind,
      &TSetStringPattern::Kind, &TCustomPattern::Kind,        &TFindInfoPattern::Kind,  &TGetStatusPattern::Kind,
      &TSetBitPattern::Kind,    &TInstancePattern::Kind,      &TCopyBlockPattern::Kind, &TGetFirstEmptyPattern::Kind,
      &TEraseMemPattern::Kind,  &TCurvePattern::Kind,         &TByteActionPattern::Kind,
  };
  for (TTalkPatternClass* kind : kinds) Client.RegisterTalkPattern(kind);
}

// ---- Layouts and Put with more than one line ----

void TLoginData::GetAnswer(TAnswerFields& F) {
  ProtocolVersion = F.Byte();
  AddrFieldSize = F.Byte();
  DataFieldSize = F.Byte();
  AddrIncrement = F.Byte();
  MaxBufferSize = F.Byte();
  ProcessorType = F.Word16();
  DeviceType = F.Word16();
  DeviceVersion = F.Word16();
  FlashType = F.Word16();
  FlashBaseAddr = F.Int(AddrFieldSize);
  const std::string text = F.Rest(16);
  DeviceString.Assign(text.substr(0, text.find('\0')));
}

TLoginAnswer ReadLoginAnswer(const std::string& Frame) {
  TLoginAnswer a;
  TAnswerFields fields(Frame, 0, 0);
  a.GetAnswer(fields);
  fields.Skip(a.ProtocolVersion >> 4 == 3 ? 4 : a.DataFieldSize);
  a.CommandSetVersion = fields.AtEnd() ? 0 : fields.Byte();
  return a;
}

void TLoginPattern::Put(TTalkActor& Actor, std::string_view Password, std::int32_t User) const {
  TLoginData d;
  d.Password.Assign(Password);
  PutData(Actor, d, User);
}

void TGetBlockPattern::Put(TTalkActor& Actor, std::int32_t Address, std::uint8_t Size, std::int32_t User) const {
  TGetBlockData d;
  d.Address = Address;
  d.Size = Size;
  PutData(Actor, d, User);
}

void TSetBlockPattern::Put(TTalkActor& Actor, std::int32_t Address, std::string_view Data, std::int32_t User) const {
  TSetBlockData d;
  d.Address = Address;
  d.Data.Assign(Data);
  d.Size = d.Data.Size;
  PutData(Actor, d, User);
}

namespace {

// Whole data words of D bytes in Room bytes; none before the login.
int BlockMaxSize(const TTalkPattern& Pattern, int Overhead) {
  const TTalkServiceInterface* owner = Pattern.Owner();
  if (!owner->DeviceOnline())
    throw Exception(Format("%s.GetMaxSize: service is not online", Pattern.PatternClass().ClassName()));
  const int d = owner->DataFieldSize();
  const int room = owner->MaxBufferSize() - Overhead;
  return d > 0 && room > 0 ? room / d * d : 0;
}

}  // namespace

int TGetBlockPattern::GetMaxSize() const { return BlockMaxSize(*this, 2); }

int TSetBlockPattern::GetMaxSize() const { return BlockMaxSize(*this, Owner()->AddrFieldSize() + 1); }

void TGetStringPattern::Put(TTalkActor& Actor, std::int32_t Address, std::uint8_t MaxSize, std::int32_t User) const {
  TGetStringData d;
  d.Address = Address;
  d.MaxSize = MaxSize;
  PutData(Actor, d, User);
}

void TSetStringPattern::Put(TTalkActor& Actor, std::int32_t Address, std::uint8_t MaxSize, std::string_view Data,
                            std::int32_t User) const {
  TSetStringData d;
  d.Address = Address;
  d.MaxSize = MaxSize;
  d.Data.Assign(Data.substr(0, MaxSize));
  PutData(Actor, d, User);
}

void TCustomPattern::Put(TTalkActor& Actor, std::string_view Request, std::int32_t User) const {
  TCustomData d;
  d.Request.Assign(Request);
  PutData(Actor, d, User);
}

void TGetStatusPattern::Put(TTalkActor& Actor, std::uint8_t Ident, std::int32_t User) const {
  TGetStatusData d;
  d.Ident = Ident;
  PutData(Actor, d, User);
}

void TInstancePattern::Put(TTalkActor& Actor, std::int32_t Instance, std::int32_t User) const {
  TInstanceData d;
  d.SubID = TalkSubID;
  d.Instance = Instance;
  PutData(Actor, d, User);
}

}  // namespace vt
