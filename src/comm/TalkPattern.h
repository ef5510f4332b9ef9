// What every telegram pattern shares: the pattern object (the talk service it belongs
// to and the command byte it sends), its record (header and data part, copied as
// bytes), and the fields of request and answer frames sized by the drive's login. A
// pattern kind is one data type with its request and answer layout; the templates here
// turn it into the kind's encode and decode operations and its Put and Get, so that a
// kind states only its fields.
//
// Threads: the GUI thread only, as the actors.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "comm/TalkMessages.h"

namespace vt {

// A byte string of at most N bytes in place (N up to 255).
template <std::size_t N>
struct TShortBytes {
  static_assert(N <= 255);
  std::uint8_t Size = 0;
  char Bytes[N] = {};

  // Longer text is cut.
  void Assign(std::string_view Text) {
    Size = static_cast<std::uint8_t>(std::min(Text.size(), N));
    std::memcpy(Bytes, Text.data(), Size);
  }
  std::string Str() const { return {Bytes, Size}; }
};

// Appends request fields to a frame: addresses A bytes wide, data words D bytes.
class TRequestFields {
 public:
  TRequestFields(std::string& Frame, int A, int D) : FFrame(Frame), FA(A), FD(D) {}
  void Int(std::int32_t Value, int Size) { FrmPutInt(Value, Size, FFrame); }
  void Byte(std::int32_t Value) { Int(Value, 1); }
  void Word16(std::int32_t Value) { Int(Value, 2); }
  void Addr(std::int32_t Value) { Int(Value, FA); }
  void Data(std::int32_t Value) { Int(Value, FD); }
  void Bytes(std::string_view Value) { FFrame.append(Value); }

 private:
  std::string& FFrame;
  const int FA, FD;
};

// Reads the fields of an answer frame (command, status, fields) from its third byte on;
// what lies beyond the frame reads as zeros, and byte strings stop at its end.
class TAnswerFields {
 public:
  TAnswerFields(const std::string& Frame, int A, int D) : FFrame(Frame), FA(A), FD(D) {}
  std::uint8_t Status() const { return FFrame.size() >= 2 ? static_cast<std::uint8_t>(FFrame[1]) : 0; }
  std::int32_t Int(int Size) { return FrmGetInt(FFrame, FPos, Size); }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Int(1)); }
  std::uint16_t Word16() { return static_cast<std::uint16_t>(Int(2)); }
  std::int32_t Addr() { return Int(FA); }
  std::int32_t Data() { return Int(FD); }
  void Skip(int Count) { FPos += Count; }
  bool AtEnd() const { return static_cast<std::size_t>(FPos) > FFrame.size(); }
  // The bytes from here on, at most Max.
  std::string Rest(std::size_t Max);
  // A length byte and that many bytes.
  std::string Counted() { return Rest(Byte()); }

 private:
  const std::string& FFrame;
  int FPos = 3;  // 1-based, after command and status
  const int FA, FD;
};

// The base of every data part: the answer fields are read only for status 0.
struct TPatternData {
  static bool AnswerDecoded(std::uint8_t Status) { return Status == 0; }
  void GetAnswer(TAnswerFields&) {}
};

template <class TData>
struct TPatternRecord {
  TServiceRecordHeader Header;
  TData RecDat;
};

// The kind of a data type: encodes and decodes its records with the widths of the
// record's talk service.
template <class TData>
class TPatternKind final : public TTalkPatternClass {
 public:
  using TTalkPatternClass::TTalkPatternClass;

  void SetRequestFrameData(TTalkActor& Actor, std::string& Frame) const override {
    TPatternRecord<TData> r;
    Actor.GetData(sizeof r, &r);
    TRequestFields fields(Frame, AddrSize(r.Header), DataSize(r.Header));
    r.RecDat.PutRequest(fields);
  }
  void GetResponseFrameData(const std::string& Frame, TTalkActor& Actor) const override {
    TPatternRecord<TData> r;
    Actor.GetData(sizeof r, &r);
    TAnswerFields fields(Frame, AddrSize(r.Header), DataSize(r.Header));
    r.Header.TalkRes = fields.Status();
    if (TData::AnswerDecoded(r.Header.TalkRes)) r.RecDat.GetAnswer(fields);
    Actor.SetData(sizeof r, &r);
  }

 private:
  static int AddrSize(const TServiceRecordHeader& H) { return H.TalkSrv ? H.TalkSrv->AddrFieldSize() : 0; }
  static int DataSize(const TServiceRecordHeader& H) { return H.TalkSrv ? H.TalkSrv->DataFieldSize() : 0; }
};

// A pattern object: a command byte of one talk service. It reads only the records it
// put itself.
class TTalkPattern {
 public:
  TTalkPattern(TTalkServiceInterface* AOwner, std::uint8_t ATalkId) : FOwner(AOwner), FTalkId(ATalkId) {}
  virtual ~TTalkPattern() = default;
  TTalkPattern(const TTalkPattern&) = delete;
  TTalkPattern& operator=(const TTalkPattern&) = delete;

  virtual const TTalkPatternClass& PatternClass() const = 0;
  TTalkServiceInterface* Owner() const { return FOwner; }
  std::uint8_t TalkId() const { return FTalkId; }

 protected:
  // DataRec begins with the header, which is filled in here.
  void Put(TTalkActor& Actor, int RecSize, void* DataRec, std::int32_t User) const;
  // Raises "%s.Get: error in record header" (the kind's name) for a record of another
  // kind, command byte or talk service.
  void Get(const TTalkActor& Actor, int RecSize, void* DataRec) const;

 private:
  TTalkServiceInterface* const FOwner;
  const std::uint8_t FTalkId;
};

// A pattern class whose records carry TData; TPattern::Kind is its kind.
template <class TPattern, class TData>
class TTalkPatternOf : public TTalkPattern {
 public:
  using TTalkPattern::TTalkPattern;
  using TRecord = TPatternRecord<TData>;

  const TTalkPatternClass& PatternClass() const override { return TPattern::Kind; }
  // The current record's data part.
  TData Get(const TTalkActor& Actor) const { return Record(Actor).RecDat; }

 protected:
  TRecord Record(const TTalkActor& Actor) const {
    TRecord r;
    TTalkPattern::Get(Actor, sizeof r, &r);
    return r;
  }
  void PutData(TTalkActor& Actor, const TData& Data, std::int32_t User) const {
    TRecord r{{}, Data};
    TTalkPattern::Put(Actor, sizeof r, &r, User);
  }
};

}  // namespace vt
