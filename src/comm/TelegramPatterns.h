// The 19 telegram patterns: every kind of request the program sends to a drive. Each
// data type states its request fields and its answer fields (A: the drive's address
// field size, D: its data field size, both from the login); each pattern class puts
// its records with Put and reads them back with Get and its getters. The kinds are
// registered with the talk client once at start-up, in the order of RegisterTelegramPatterns,
// which fixes their pattern ids.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "comm/TalkPattern.h"

namespace vt {

// ---- Data parts: request fields, then answer fields ----

// Password bytes; protocol version, A, D, address increment, maximum buffer size (1 each),
// processor type, device type, device version, flash type (2 each), flash base address
// (A of the answer), device string (16, up to its first 0x00).
struct TLoginData : TPatternData {
  TShortBytes<16> Password;
  std::uint8_t ProtocolVersion = 0, DataFieldSize = 0, AddrFieldSize = 0, AddrIncrement = 0, MaxBufferSize = 0;
  std::uint16_t ProcessorType = 0, DeviceType = 0, DeviceVersion = 0, FlashType = 0;
  std::int32_t FlashBaseAddr = 0;
  TShortBytes<16> DeviceString;
  void PutRequest(TRequestFields& F) const { F.Bytes(Password.Str()); }
  void GetAnswer(TAnswerFields& F);
};

// Address (A); Data (D).
struct TGetWordData : TPatternData {
  std::int32_t Address = 0, Data = 0;
  void PutRequest(TRequestFields& F) const { F.Addr(Address); }
  void GetAnswer(TAnswerFields& F) { Data = F.Data(); }
};

// Address (A), Data (D).
struct TSetWordData : TPatternData {
  std::int32_t Address = 0, Data = 0;
  void PutRequest(TRequestFields& F) const {
    F.Addr(Address);
    F.Data(Data);
  }
};

// Address (A), Size (1); up to Size bytes.
struct TGetBlockData : TPatternData {
  std::int32_t Address = 0;
  TShortBytes<255> Data;
  std::uint8_t Size = 0;
  void PutRequest(TRequestFields& F) const {
    F.Addr(Address);
    F.Byte(Size);
  }
  void GetAnswer(TAnswerFields& F) { Data.Assign(F.Rest(Size)); }
};

// Address (A), the data bytes.
struct TSetBlockData : TPatternData {
  std::int32_t Address = 0;
  TShortBytes<255> Data;
  std::uint16_t Size = 0;  // the length of Data
  void PutRequest(TRequestFields& F) const {
    F.Addr(Address);
    F.Bytes(Data.Str());
  }
};

struct TSimpleData : TPatternData {
  void PutRequest(TRequestFields&) const {}
};

// Address (A).
struct TAddrActionData : TPatternData {
  std::int32_t Address = 0;
  void PutRequest(TRequestFields& F) const { F.Addr(Address); }
};

// Address (A), 0x00, MaxSize (1); up to MaxSize bytes.
struct TGetStringData : TPatternData {
  std::int32_t Address = 0;
  TShortBytes<255> Data;
  std::uint8_t MaxSize = 0;
  void PutRequest(TRequestFields& F) const {
    F.Addr(Address);
    F.Byte(0);
    F.Byte(MaxSize);
  }
  void GetAnswer(TAnswerFields& F) { Data.Assign(F.Rest(MaxSize)); }
};

// Address (A), the data bytes, 0x00.
struct TSetStringData : TPatternData {
  std::int32_t Address = 0;
  TShortBytes<255> Data;
  std::uint8_t MaxSize = 0;
  void PutRequest(TRequestFields& F) const {
    F.Addr(Address);
    F.Bytes(Data.Str());
    F.Byte(0);
  }
};

// The request bytes; the answer after the status, also for error answers that carry data.
struct TCustomData : TPatternData {
  TShortBytes<255> Request;
  TShortBytes<255> Response;
  static bool AnswerDecoded(std::uint8_t Status) { return ReplyCarriesFrame(Status); }
  void PutRequest(TRequestFields& F) const { F.Bytes(Request.Str()); }
  void GetAnswer(TAnswerFields& F) { Response.Assign(F.Rest(255)); }
};

// Address (A), NodeType (1); NodeAddr (A), NodeType (1), NodeSize (2).
struct TFindInfoData : TPatternData {
  std::int32_t NodeAddr = 0;
  std::uint8_t NodeType = 0;
  std::uint16_t NodeSize = 0;
  void PutRequest(TRequestFields& F) const {
    F.Addr(NodeAddr);
    F.Byte(NodeType);
  }
  void GetAnswer(TAnswerFields& F) {
    NodeAddr = F.Addr();
    NodeType = F.Byte();
    NodeSize = F.Word16();
  }
};

// Ident (1); Status, SerNbrLow, SerNbrHigh, PartNbr (2 each), QD02State (1).
struct TGetStatusData : TPatternData {
  std::uint8_t Ident = 0;
  std::int32_t Status = 0;
  std::uint16_t SerNbrLow = 0, SerNbrHigh = 0, PartNbr = 0;
  std::uint8_t QD02State = 0;
  void PutRequest(TRequestFields& F) const { F.Byte(Ident); }
  void GetAnswer(TAnswerFields& F) {
    Status = F.Word16();
    SerNbrLow = F.Word16();
    SerNbrHigh = F.Word16();
    PartNbr = F.Word16();
    QD02State = F.Byte();
  }
};

// Address (A), Mask (D), Data (D): the mask before the data.
struct TSetBitData : TPatternData {
  std::int32_t Address = 0, Data = 0, Mask = 0;
  void PutRequest(TRequestFields& F) const {
    F.Addr(Address);
    F.Data(Mask);
    F.Data(Data);
  }
};

// SubID (1), Instance (1); a length byte and that many bytes.
struct TInstanceData : TPatternData {
  std::int32_t SubID = 0, Instance = 0;
  TShortBytes<255> Data;
  void PutRequest(TRequestFields& F) const {
    F.Byte(SubID);
    F.Byte(Instance);
  }
  void GetAnswer(TAnswerFields& F) { Data.Assign(F.Counted()); }
};

// RamAddr (A), FlashAddr (A), Size (2).
struct TCopyBlockData : TPatternData {
  std::int32_t RamAddr = 0, FlashAddr = 0, Size = 0;
  void PutRequest(TRequestFields& F) const {
    F.Addr(RamAddr);
    F.Addr(FlashAddr);
    F.Word16(Size);
  }
};

// StartAddr (A), EndAddr (A); the first empty address (A).
struct TGetFirstEmptyData : TPatternData {
  std::int32_t StartAddr = 0, EndAddr = 0, Data = 0;
  void PutRequest(TRequestFields& F) const {
    F.Addr(StartAddr);
    F.Addr(EndAddr);
  }
  void GetAnswer(TAnswerFields& F) { Data = F.Addr(); }
};

// SubID (1); a length byte and that many bytes.
struct TEraseMemData : TPatternData {
  std::int32_t SubID = 0;
  TShortBytes<255> Data;
  void PutRequest(TRequestFields& F) const { F.Byte(SubID); }
  void GetAnswer(TAnswerFields& F) { Data.Assign(F.Counted()); }
};
using TCurveData = TEraseMemData;

// Option (1).
struct TByteActionData : TPatternData {
  std::uint8_t Option = 0;
  void PutRequest(TRequestFields& F) const { F.Byte(Option); }
};

// ---- Pattern classes ----

class TLoginPattern : public TTalkPatternOf<TLoginPattern, TLoginData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TLoginData> Kind;
  // The password is cut to 16 bytes.
  void Put(TTalkActor& Actor, std::string_view Password, std::int32_t User) const;
  std::uint8_t GetProtocolVersion(const TTalkActor& Actor) const { return Get(Actor).ProtocolVersion; }
  std::uint8_t GetDataFieldSize(const TTalkActor& Actor) const { return Get(Actor).DataFieldSize; }
  std::uint8_t GetAddrFieldSize(const TTalkActor& Actor) const { return Get(Actor).AddrFieldSize; }
  std::uint8_t GetAddrIncrement(const TTalkActor& Actor) const { return Get(Actor).AddrIncrement; }
  std::uint8_t GetMaxBufferSize(const TTalkActor& Actor) const { return Get(Actor).MaxBufferSize; }
  std::uint16_t GetProcessorType(const TTalkActor& Actor) const { return Get(Actor).ProcessorType; }
  std::uint16_t GetDeviceType(const TTalkActor& Actor) const { return Get(Actor).DeviceType; }
  std::uint16_t GetDeviceVersion(const TTalkActor& Actor) const { return Get(Actor).DeviceVersion; }
  std::uint16_t GetFlashType(const TTalkActor& Actor) const { return Get(Actor).FlashType; }
  std::int32_t GetFlashBaseAddr(const TTalkActor& Actor) const { return Get(Actor).FlashBaseAddr; }
  std::string GetDeviceString(const TTalkActor& Actor) const { return Get(Actor).DeviceString.Str(); }
};

class TGetWordPattern : public TTalkPatternOf<TGetWordPattern, TGetWordData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TGetWordData> Kind;
  void Put(TTalkActor& Actor, std::int32_t Address, std::int32_t User) const { PutData(Actor, {{}, Address, 0}, User); }
  std::int32_t GetAddress(const TTalkActor& Actor) const { return Get(Actor).Address; }
  std::int32_t GetData(const TTalkActor& Actor) const { return Get(Actor).Data; }
};

class TSetWordPattern : public TTalkPatternOf<TSetWordPattern, TSetWordData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TSetWordData> Kind;
  void Put(TTalkActor& Actor, std::int32_t Address, std::int32_t Data, std::int32_t User) const {
    PutData(Actor, {{}, Address, Data}, User);
  }
  std::int32_t GetAddress(const TTalkActor& Actor) const { return Get(Actor).Address; }
  std::int32_t GetData(const TTalkActor& Actor) const { return Get(Actor).Data; }
};

class TGetBlockPattern : public TTalkPatternOf<TGetBlockPattern, TGetBlockData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TGetBlockData> Kind;
  // Size is not checked: callers split their transfers by GetMaxSize.
  void Put(TTalkActor& Actor, std::int32_t Address, std::uint8_t Size, std::int32_t User) const;
  std::int32_t GetAddress(const TTalkActor& Actor) const { return Get(Actor).Address; }
  std::string GetData(const TTalkActor& Actor) const { return Get(Actor).Data.Str(); }
  std::uint8_t GetSize(const TTalkActor& Actor) const { return Get(Actor).Size; }
  // The largest block one answer holds besides command and status. Raises
  // "TGetBlockPattern.GetMaxSize: service is not online" before the login.
  int GetMaxSize() const;
};

class TSetBlockPattern : public TTalkPatternOf<TSetBlockPattern, TSetBlockData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TSetBlockData> Kind;
  // Data is cut to 255 bytes; callers split their transfers by GetMaxSize.
  void Put(TTalkActor& Actor, std::int32_t Address, std::string_view Data, std::int32_t User) const;
  std::int32_t GetAddress(const TTalkActor& Actor) const { return Get(Actor).Address; }
  std::string GetData(const TTalkActor& Actor) const { return Get(Actor).Data.Str(); }
  std::uint16_t GetSize(const TTalkActor& Actor) const { return Get(Actor).Size; }
  // The largest block one request holds besides command and address. Raises
  // "TSetBlockPattern.GetMaxSize: service is not online" before the login.
  int GetMaxSize() const;
};

class TSimplePattern : public TTalkPatternOf<TSimplePattern, TSimpleData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TSimpleData> Kind;
  void Put(TTalkActor& Actor, std::int32_t User) const { PutData(Actor, {}, User); }
  // The record has no data part: its header.
  TServiceRecordHeader Get(const TTalkActor& Actor) const { return Record(Actor).Header; }
};

class TAddrActionPattern : public TTalkPatternOf<TAddrActionPattern, TAddrActionData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TAddrActionData> Kind;
  void Put(TTalkActor& Actor, std::int32_t Address, std::int32_t User) const { PutData(Actor, {{}, Address}, User); }
  std::int32_t GetAddress(const TTalkActor& Actor) const { return Get(Actor).Address; }
};

class TGetStringPattern : public TTalkPatternOf<TGetStringPattern, TGetStringData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TGetStringData> Kind;
  void Put(TTalkActor& Actor, std::int32_t Address, std::uint8_t MaxSize, std::int32_t User) const;
  std::int32_t GetAddress(const TTalkActor& Actor) const { return Get(Actor).Address; }
  std::string GetData(const TTalkActor& Actor) const { return Get(Actor).Data.Str(); }
  std::uint8_t GetMaxSize(const TTalkActor& Actor) const { return Get(Actor).MaxSize; }
};

class TSetStringPattern : public TTalkPatternOf<TSetStringPattern, TSetStringData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TSetStringData> Kind;
  // Data is cut to MaxSize bytes.
  void Put(TTalkActor& Actor, std::int32_t Address, std::uint8_t MaxSize, std::string_view Data,
           std::int32_t User) const;
  std::int32_t GetAddress(const TTalkActor& Actor) const { return Get(Actor).Address; }
  std::string GetData(const TTalkActor& Actor) const { return Get(Actor).Data.Str(); }
  std::uint8_t GetMaxSize(const TTalkActor& Actor) const { return Get(Actor).MaxSize; }
};

// With the command byte RawFrameTalkId the request is the whole frame.
class TCustomPattern : public TTalkPatternOf<TCustomPattern, TCustomData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TCustomData> Kind;
  // The request is cut to 255 bytes.
  void Put(TTalkActor& Actor, std::string_view Request, std::int32_t User) const;
  std::string GetRequest(const TTalkActor& Actor) const { return Get(Actor).Request.Str(); }
  // The answer after command and status; kept as put (empty) when the answer carried no frame.
  std::string GetResponse(const TTalkActor& Actor) const { return Get(Actor).Response.Str(); }
};

class TFindInfoPattern : public TTalkPatternOf<TFindInfoPattern, TFindInfoData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TFindInfoData> Kind;
  void Put(TTalkActor& Actor, std::int32_t Address, std::uint8_t NodeType, std::int32_t User) const {
    PutData(Actor, {{}, Address, NodeType, 0}, User);
  }
  std::int32_t GetNodeAddr(const TTalkActor& Actor) const { return Get(Actor).NodeAddr; }
  std::uint8_t GetNodeType(const TTalkActor& Actor) const { return Get(Actor).NodeType; }
  std::uint16_t GetNodeSize(const TTalkActor& Actor) const { return Get(Actor).NodeSize; }
};

class TGetStatusPattern : public TTalkPatternOf<TGetStatusPattern, TGetStatusData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TGetStatusData> Kind;
  void Put(TTalkActor& Actor, std::uint8_t Ident, std::int32_t User) const;
  std::uint8_t GetIdent(const TTalkActor& Actor) const { return Get(Actor).Ident; }
  std::int32_t GetStatus(const TTalkActor& Actor) const { return Get(Actor).Status; }
  std::uint16_t GetSerNbrLow(const TTalkActor& Actor) const { return Get(Actor).SerNbrLow; }
  std::uint16_t GetSerNbrHigh(const TTalkActor& Actor) const { return Get(Actor).SerNbrHigh; }
  std::uint16_t GetPartNbr(const TTalkActor& Actor) const { return Get(Actor).PartNbr; }
  std::uint8_t GetQD02State(const TTalkActor& Actor) const { return Get(Actor).QD02State; }
};

class TSetBitPattern : public TTalkPatternOf<TSetBitPattern, TSetBitData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TSetBitData> Kind;
  void Put(TTalkActor& Actor, std::int32_t Address, std::int32_t Data, std::int32_t Mask, std::int32_t User) const {
    PutData(Actor, {{}, Address, Data, Mask}, User);
  }
  std::int32_t GetAddress(const TTalkActor& Actor) const { return Get(Actor).Address; }
  std::int32_t GetData(const TTalkActor& Actor) const { return Get(Actor).Data; }
  std::int32_t GetMask(const TTalkActor& Actor) const { return Get(Actor).Mask; }
};

// The kinds with a sub-command byte after the command byte.
class TSubCommand {
 public:
  explicit TSubCommand(std::int32_t ATalkSubID) : TalkSubID(ATalkSubID) {}
  const std::int32_t TalkSubID;
};

class TInstancePattern : public TTalkPatternOf<TInstancePattern, TInstanceData>, public TSubCommand {
 public:
  TInstancePattern(TTalkServiceInterface* AOwner, std::uint8_t ATalkId, std::int32_t ATalkSubID = 0)
      : TTalkPatternOf(AOwner, ATalkId), TSubCommand(ATalkSubID) {}
  static TPatternKind<TInstanceData> Kind;
  void Put(TTalkActor& Actor, std::int32_t Instance, std::int32_t User) const;
  std::int32_t GetSubID(const TTalkActor& Actor) const { return Get(Actor).SubID; }
  std::int32_t GetInstance(const TTalkActor& Actor) const { return Get(Actor).Instance; }
  std::string GetData(const TTalkActor& Actor) const { return Get(Actor).Data.Str(); }
};

class TCopyBlockPattern : public TTalkPatternOf<TCopyBlockPattern, TCopyBlockData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TCopyBlockData> Kind;
  void Put(TTalkActor& Actor, std::int32_t RamAddr, std::int32_t FlashAddr, std::int32_t Size,
           std::int32_t User) const {
    PutData(Actor, {{}, RamAddr, FlashAddr, Size}, User);
  }
  std::int32_t GetRamAddr(const TTalkActor& Actor) const { return Get(Actor).RamAddr; }
  std::int32_t GetFlashAddr(const TTalkActor& Actor) const { return Get(Actor).FlashAddr; }
  std::int32_t GetSize(const TTalkActor& Actor) const { return Get(Actor).Size; }
};

class TGetFirstEmptyPattern : public TTalkPatternOf<TGetFirstEmptyPattern, TGetFirstEmptyData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TGetFirstEmptyData> Kind;
  void Put(TTalkActor& Actor, std::int32_t StartAddr, std::int32_t EndAddr, std::int32_t User) const {
    PutData(Actor, {{}, StartAddr, EndAddr, 0}, User);
  }
  std::int32_t GetStartAddr(const TTalkActor& Actor) const { return Get(Actor).StartAddr; }
  std::int32_t GetEndAddr(const TTalkActor& Actor) const { return Get(Actor).EndAddr; }
  std::int32_t GetData(const TTalkActor& Actor) const { return Get(Actor).Data; }
};

// The erase-memory and curve kinds: a sub-command and what the drive answers to it.
template <class TPattern>
class TSubCommandPattern : public TTalkPatternOf<TPattern, TEraseMemData>, public TSubCommand {
 public:
  TSubCommandPattern(TTalkServiceInterface* AOwner, std::uint8_t ATalkId, std::int32_t ATalkSubID = 0)
      : TTalkPatternOf<TPattern, TEraseMemData>(AOwner, ATalkId), TSubCommand(ATalkSubID) {}
  void Put(TTalkActor& Actor, std::int32_t User) const {
    TEraseMemData d;
    d.SubID = TalkSubID;
    this->PutData(Actor, d, User);
  }
  std::int32_t GetSubID(const TTalkActor& Actor) const { return this->Get(Actor).SubID; }
  std::string GetData(const TTalkActor& Actor) const { return this->Get(Actor).Data.Str(); }
};

class TEraseMemPattern : public TSubCommandPattern<TEraseMemPattern> {
 public:
  using TSubCommandPattern::TSubCommandPattern;
  static TPatternKind<TEraseMemData> Kind;
};

class TCurvePattern : public TSubCommandPattern<TCurvePattern> {
 public:
  using TSubCommandPattern::TSubCommandPattern;
  static TPatternKind<TCurveData> Kind;
};

class TByteActionPattern : public TTalkPatternOf<TByteActionPattern, TByteActionData> {
 public:
  using TTalkPatternOf::TTalkPatternOf;
  static TPatternKind<TByteActionData> Kind;
  void Put(TTalkActor& Actor, std::uint8_t AOption, std::int32_t User) const {
    PutData(Actor, {{}, AOption}, User);
  }
  std::uint8_t GetOption(const TTalkActor& Actor) const { return Get(Actor).Option; }
};

// The login answer as the talk service reads it: the login pattern's answer fields, a
// field not used (4 bytes for protocol versions 3x, else D) and the command-set version,
// 0 when the answer ends before it.
struct TLoginAnswer : TLoginData {
  std::uint8_t CommandSetVersion = 0;
};
TLoginAnswer ReadLoginAnswer(const std::string& Frame);

// Registers the 19 kinds with the client in their fixed order (login 1 ... byte action 19).
void RegisterTelegramPatterns(TTalkClient& Client);

}  // namespace vt
