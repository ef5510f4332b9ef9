// The base of every SL value (TSLObject) and the abstract interfaces through which the
// parts of the SL runtime meet: contexts, stacks as built-ins see them, the text
// encoder and decoder, byte streams and the one-character look-ahead reader.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/Exceptions.h"
#include "platform/TextConversion.h"
#include "sl/SLLimits.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TSLComposite;
class TSLContext;
class TEncoderInterface;
class TSLLookaheadStream;
struct TContextInterface;

enum TStreamAccess { saRead, saWrite, saReadWrite };
enum TStorageFormat { sfUnknown, sfASCII, sfEASCII };
enum TContextState { isIdle, isExecuting, isWaiting, isContinuing, isBreakpoint, isWaitZero, isFinished };
using TCharSet = std::bitset<256>;

// The source position a decoded token carries (filled by the text decoder).
class TDbgInfo {
 public:
  virtual ~TDbgInfo() = default;
  virtual std::uint32_t GetTokPos() const = 0;
  virtual void SetTokPos(std::uint32_t Value) = 0;
  virtual std::uint32_t GetTokLength() const = 0;
  virtual void SetTokLength(std::uint32_t Value) = 0;
  virtual std::uint32_t GetTokLine() const = 0;
  virtual void SetTokLine(std::uint32_t Value) = 0;
  virtual bool GetBreakpoint() const = 0;
  virtual void SetBreakpoint(bool Value) = 0;
  virtual std::uint16_t GetStorageID() const = 0;
  virtual void SetStorageID(std::uint16_t Value) = 0;
};

// Class bits: the classes that the interpreter and the built-ins test all the time
// set their bit while an object is constructed, so an object carries the bits of its
// class and of all its ancestors, and "is it a T" is one test, not a dynamic_cast.
enum TSLClassBit : std::uint32_t {
  cbNumber = 1u << 0,
  cbLongint = 1u << 1,
  cbDouble = 1u << 2,
  cbString = 1u << 3,
  cbBoolean = 1u << 4,
  cbIdent = 1u << 5,
  cbComposite = 1u << 6,
  cbCollection = 1u << 7,
  cbNamedCollection = 1u << 8,
  cbArray = 1u << 9,
  cbBlock = 1u << 10,
  cbProcedure = 1u << 11,
  cbStack = 1u << 12,
  cbDictionary = 1u << 13,
  cbRecord = 1u << 14,
  cbInternalProcedure = 1u << 15,
  cbTokenizer = 1u << 16,
  cbBlockTokenizer = 1u << 17,
  cbTryTokenizer = 1u << 18,
  cbExceptTokenizer = 1u << 19,
  cbFinallyTokenizer = 1u << 20,
  cbProcTokenizer = 1u << 21,
  cbLoopTokenizer = 1u << 22,
  cbContext = 1u << 23,
};

// Name resolution is cached per name token (see TSLContextImplementation), stamped
// with the moment it was made. It holds while no scope changed that could change it.
// A change that concerns one name moves that name's stamp on: a dictionary on a
// dictionary stack (a scope dictionary) gains or loses it, or a dictionary holding it
// enters or leaves a dictionary stack. Any other change of a scope moves every name's
// stamp on. Redefining a name changes nothing: the cache reads the entry's current
// value. Names share stamps by the class of their hash (no case, like their look-up),
// so a change of one name at times renews the resolutions of a few others.
struct TScopeStamps {
  std::uint64_t Last = 1;  // the latest stamp handed out
  std::uint64_t All = 1;   // the latest change of every name
  std::uint64_t Names[kScopeNameClasses] = {};
};
inline constinit TScopeStamps ScopeStamps{};
inline std::uint64_t ScopeStamp() { return ScopeStamps.Last; }
inline void ScopeChanged() { ScopeStamps.All = ++ScopeStamps.Last; }
inline void NameScopeChanged(std::size_t NameHash) {
  ScopeStamps.Names[NameHash % kScopeNameClasses] = ++ScopeStamps.Last;
}
// Whether a resolution stamped Stamp of a name with this hash still holds.
inline bool ScopeUnchangedSince(std::uint64_t Stamp, std::size_t NameHash) {
  return ScopeStamps.All <= Stamp && ScopeStamps.Names[NameHash % kScopeNameClasses] <= Stamp;
}
// The same for a resolution that is kept: one that holds is stamped anew, so that
// while no scope changes at all, the next test is a single comparison.
inline bool ScopeStillHolds(std::uint64_t& Stamp, std::size_t NameHash) {
  if (Stamp == ScopeStamps.Last) return true;
  if (!ScopeUnchangedSince(Stamp, NameHash)) return false;
  Stamp = ScopeStamps.Last;
  return true;
}

// Declares the bit of a class; its constructors call MarkClass(kClassBit).
#define VT_SL_CLASS_BIT(Class, Bit) \
  using TClassBitOwner = Class;     \
  static constexpr std::uint32_t kClassBit = Bit

class TSLObject : public TRefObj {
 public:
  using TRefObj::TRefObj;
  const char* ClassName() const override { return "TSLObject"; }

  // Small SL objects are recycled (see kPooledObjectSize).
  static void* operator new(std::size_t Size);
  static void operator delete(void* Block, std::size_t Size);

  std::uint32_t ClassBits() const { return FClassBits; }
  // A scope object (a dictionary searched by name resolution, a dictionary stack)
  // moves the scope epoch on when it changes; the mark is never taken back.
  void MarkScope() { FClassBits |= kScopeMark; }
  bool IsScope() const { return FClassBits & kScopeMark; }

  virtual bool GetExecutable() const { return false; }
  virtual void SetExecutable(bool Value);
  // Raises "<class>.<Name>: method not implemented".
  [[noreturn]] void RaiseMethodNotImplementedException(const char* Name) const;
  virtual void Encode(TEncoderInterface& Encoder);
  virtual void AssignObject(const TSLObject* Obj);
  // A new object of count 1, autoreleased.
  virtual TSLObject* CopyObject() const;
  virtual bool IsEqual(const TSLObject* Obj) const;
  virtual void Execute(TSLContext* Context);
  // This value as a composite, or nil: the text coders ask it of every value, and it is
  // far cheaper than a dynamic_cast.
  virtual TSLComposite* AsComposite() { return nullptr; }

  // The position of the token this value was decoded from; values that are no tokens
  // (streams, contexts) never carry one. Not copied with the value.
  TDbgInfo* DbgInfo() const { return FDbgInfo.get(); }
  void SetDbgInfo(std::unique_ptr<TDbgInfo> Info) { FDbgInfo = std::move(Info); }

 protected:
  void MarkClass(std::uint32_t Bit) { FClassBits |= Bit; }
  void ScopeChangedIfScope() const {
    if (IsScope()) ScopeChanged();
  }
  void NameScopeChangedIfScope(std::u16string_view Name) const {
    if (IsScope()) NameScopeChanged(TWideTextHash{}(Name));
  }

 private:
  static constexpr std::uint32_t kScopeMark = 1u << 31;  // beside the class bits
  std::uint32_t FClassBits = 0;  // sits in the padding after the reference count
  std::unique_ptr<TDbgInfo> FDbgInfo;
};

// Whether T declares a class bit of its own (a subclass without one inherits its
// parent's declaration, which must not stand for it).
template <class T>
concept OwnsClassBit = requires {
  typename T::TClassBitOwner;
  requires std::is_same_v<typename T::TClassBitOwner, T>;
};

// The object as a T (its class or a descendant), nil when it is none or nil.
template <class T>
T* As(TSLObject* Obj) {
  if constexpr (OwnsClassBit<T>)
    return Obj && (Obj->ClassBits() & T::kClassBit) ? static_cast<T*>(Obj) : nullptr;
  else
    return dynamic_cast<T*>(Obj);
}
template <class T>
const T* As(const TSLObject* Obj) {
  return As<T>(const_cast<TSLObject*>(Obj));
}

// Raises "Invalid class typecast"; out of line, so that the casts stay small.
[[noreturn]] void RaiseInvalidCast();

// The object as class T, or "Invalid class typecast" (nil included).
template <class T>
T* CheckedCast(TSLObject* Obj) {
  if (auto* t = As<T>(Obj)) return t;
  RaiseInvalidCast();
}
template <class T>
const T* CheckedCast(const TSLObject* Obj) {
  if (auto* t = As<T>(Obj)) return t;
  RaiseInvalidCast();
}

// A copy of Obj (count 1, autoreleased), nil for nil.
inline TSLObject* CopyOrNil(const TSLObject* Obj) { return Obj ? Obj->CopyObject() : nullptr; }

// A stack seen from built-in procedures; index 0 is the top.
class TStackInterface {
 public:
  virtual ~TStackInterface() = default;
  virtual TSLObject* GetObjAtIndex(int Index) = 0;
  virtual void SetObjAtIndex(int Index, TSLObject* Obj) = 0;
  virtual int GetCount() = 0;
  virtual void Clear() = 0;
  virtual void AddObject(TSLObject* Obj) = 0;  // at the bottom
  virtual void InsertObject(int Index, TSLObject* Obj) = 0;
  virtual void RemoveObject(int Index) = 0;
  virtual void Push(TSLObject* Obj) = 0;
  virtual TSLObject* Pop(bool ReturnResult) = 0;
};

// What a value calls from its Encode.
class TEncoderInterface {
 public:
  virtual ~TEncoderInterface() = default;
  virtual void EncodeLongint(std::int64_t Value) = 0;
  virtual void EncodeDouble(double Value) = 0;
  virtual void EncodeString(const AnsiString& Value) = 0;
  virtual void EncodeBoolean(bool Value) = 0;
  virtual void EncodeIdent(const AnsiString& Name, bool Executable) = 0;
  virtual void EncodeObject(TSLObject* Obj) = 0;  // any value, nil and composites included
};

// What the SL text scanners call.
class TDecoderInterface {
 public:
  virtual ~TDecoderInterface() = default;
  virtual void PushElement(TSLObject* Obj) = 0;
  virtual void BeginOfComposite(char CompType, const AnsiString& Ident, std::unique_ptr<TDbgInfo> DbgInfo) = 0;
  virtual void EndOfComposite() = 0;
  virtual void ResolvePointer(int Index) = 0;
  virtual void ResolvePointer(const AnsiString& Ident) = 0;
  virtual void ResolveConstant(const AnsiString& Ident) = 0;
  virtual TSLLookaheadStream* GetStream() = 0;
};

// An interpreter context; the one implementation is the execution context.
class TSLContext : public TSLObject {
 public:
  using TSLObject::TSLObject;
  using TNotifyEvent = std::function<void(TSLContext* Sender)>;

  TStackInterface* OperandStack() const { return FOperandStackInterface; }
  TStackInterface* ExecutionStack() const { return FExecutionStackInterface; }
  TStackInterface* DictStack() const { return FDictStackInterface; }
  TContextInterface* ContextInterface() const { return FContextInterface; }

  virtual TContextState GetState() const = 0;
  virtual std::int32_t GetUserValue() const = 0;
  virtual void SetUserValue(std::int32_t Value) = 0;
  virtual TSLObject* ResolveName(const AnsiString& AName) = 0;
  virtual void AddDict(TSLObject* Dict) = 0;
  virtual void AddNamedDict(const AnsiString& Name, TSLObject* Dict) = 0;
  virtual void ImportDict(const AnsiString& Name, TSLObject* Dict) = 0;
  virtual void PushBlock(TSLObject* Block) = 0;
  virtual void Wait(void* Sender, std::int32_t Timeout) = 0;
  virtual void Continue(void* Sender) = 0;
  virtual void Resume(void* Sender) = 0;

  TNotifyEvent OnContinue;
  TNotifyEvent OnResume;
  std::int32_t FTimeout = 0;
  AnsiString FScriptName;

 protected:
  TStackInterface* FOperandStackInterface = nullptr;
  TStackInterface* FExecutionStackInterface = nullptr;
  TStackInterface* FDictStackInterface = nullptr;
  TContextInterface* FContextInterface = nullptr;
};

// An abstract byte stream with little-endian helpers.
class TSLCharStream : public TSLObject {
 public:
  using TSLObject::TSLObject;
  const char* ClassName() const override { return "TSLCharStream"; }

  virtual void Reset(TStreamAccess Access) = 0;
  virtual void Rewrite() = 0;
  virtual void Close() = 0;
  virtual int StreamPos() = 0;
  virtual char Read() = 0;
  virtual void Write(char Ch) = 0;
  virtual void Seek(int N) = 0;
  virtual bool Eof() = 0;
  // Writes Count bytes as Write would, one after the other; streams override it to take
  // a whole block at once.
  virtual void WriteBlock(const char* Data, std::size_t Count);

  // Read and Eof without a virtual call while the stream has bytes in its read window.
  char ReadNext() { return FReadCur != FReadEnd ? *FReadCur++ : Read(); }
  bool AtEnd() { return FReadCur == FReadEnd && Eof(); }
  // The bytes in the read window, and taking the first Count of them (as Reads).
  std::string_view ReadWindow() const { return std::string_view(FReadCur, FReadEnd - FReadCur); }
  void TakeFromWindow(std::size_t Count) { FReadCur += Count; }

  std::uint8_t ReadByte();
  void WriteByte(std::uint8_t B);
  std::uint16_t ReadWord();
  void WriteWord(std::uint16_t W);
  std::int64_t ReadLongint();
  void WriteLongint(std::int64_t L);
  // Reads up to the end or a byte of Term; that byte is consumed, not returned.
  AnsiString ReadString(const TCharSet& Term);
  AnsiString ReadStringWithLength(int Length);
  void WriteString(const AnsiString& S);

  std::uint16_t FStorageID = 0;
  WideString FName;

 protected:
  // The read window: bytes the stream holds ready at its position. ReadNext takes them
  // without a virtual call, and taking one counts as a Read: a stream that offers a
  // window accounts for what was taken from it at the start of each of its virtual
  // operations. Both nil while no window is offered.
  const char* FReadCur = nullptr;
  const char* FReadEnd = nullptr;
};

// Reads a byte stream with one character of look-ahead and counts lines (CR only).
class TSLLookaheadStream : public TSLObject {
 public:
  TSLLookaheadStream(bool AutoRelease, TSLCharStream* Stream);
  const char* ClassName() const override { return "TSLLookaheadStream"; }

  TSLCharStream* CharStream() const { return FCharStream.get(); }
  void SetCharStream(TSLCharStream* Stream);
  // The scanners' per-character path, kept inline.
  char ReadChar() {
    if (CharIsBuffered) {
      CharIsBuffered = false;
    } else {
      CharBuffer = FCharStream->ReadNext();
    }
    if (CharBuffer == '\r') ++LineCount;
    return CharBuffer;
  }
  void UnreadChar() {
    if (CharIsBuffered) RaiseUnreadTwice();
    CharIsBuffered = true;
    if (CharBuffer == '\r') --LineCount;
  }
  bool IsEndOfStream() { return !CharIsBuffered && FCharStream->AtEnd(); }
  // Reads on while Accept(character) holds, appending to Out (unless nil), and leaves the
  // first other character unread: the same as ReadChar one by one, but a run inside the
  // stream's read window is taken at once.
  template <class Accept>
  void ReadWhile(Accept&& accept, AnsiString* Out);
  int Position();
  int Line() const { return static_cast<int>(LineCount); }
  std::uint16_t GetStorageID() const { return FCharStream ? FCharStream->FStorageID : 0; }
  std::int32_t PositionOffset() const { return FPositionOffset; }
  void SetPositionOffset(std::int32_t Value) { FPositionOffset = Value; }

 private:
  [[noreturn]] void RaiseUnreadTwice() const;

  TRef<TSLCharStream> FCharStream;
  bool CharIsBuffered = false;
  char CharBuffer = 0;
  std::uint32_t LineCount = 1;
  std::int32_t FPositionOffset = 0;
};

template <class Accept>
void TSLLookaheadStream::ReadWhile(Accept&& accept, AnsiString* Out) {
  for (;;) {
    const std::string_view window = CharIsBuffered ? std::string_view() : FCharStream->ReadWindow();
    std::size_t n = 0;
    std::uint32_t lines = 0;
    for (; n < window.size() && accept(window[n]); ++n) lines += window[n] == '\r';
    if (n > 0) {
      if (Out) Out->append(window.data(), n);
      FCharStream->TakeFromWindow(n);
      CharBuffer = window[n - 1];
      LineCount += lines;
    }
    if (n < window.size()) return;
    // No window, or it ran out: one character the ordinary way, which may refill it.
    if (IsEndOfStream()) return;
    const char c = ReadChar();
    if (!accept(c)) {
      UnreadChar();
      return;
    }
    if (Out) *Out += c;
  }
}

}  // namespace vt
