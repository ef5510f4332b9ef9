// TSLObject's defaults, the stream helpers and the look-ahead reader; see Object.h.
#include "sl/values/Object.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "sl/SLLimits.h"

#include <utility>

namespace vt {

namespace {

// Free blocks of one size class, linked through their first bytes. A plain value, so
// that reaching it costs no check whether it was set up yet.
struct TFreeList {
  void* Head;
  std::size_t Count;
};

// The address sanitizer must see every block freed, or it would miss use after free.
#if defined(__SANITIZE_ADDRESS__)
#define VT_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VT_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef VT_ADDRESS_SANITIZER
constexpr bool kPooling = false;
#else
constexpr bool kPooling = true;
#endif

constexpr std::size_t kSizeClasses = kPooledObjectSize / kPooledObjectGranule;
thread_local TFreeList FreeLists[kSizeClasses] __attribute__((tls_model("initial-exec")));

// Gives the blocks of the thread's lists back when the thread ends; set up with the
// first block a list keeps.
struct TFreeListsOwner {
  ~TFreeListsOwner() {
    for (TFreeList& list : FreeLists)
      while (list.Head) ::operator delete(std::exchange(list.Head, *static_cast<void**>(list.Head)));
  }
};
thread_local bool FreeListsOwned __attribute__((tls_model("initial-exec"))) = false;

[[gnu::noinline]] void OwnFreeLists() {
  static thread_local TFreeListsOwner owner;
  (void)owner;
  FreeListsOwned = true;
}

std::size_t SizeClass(std::size_t Size) { return (Size + kPooledObjectGranule - 1) / kPooledObjectGranule - 1; }

}  // namespace

void* TSLObject::operator new(std::size_t Size) {
  if (!kPooling || Size > kPooledObjectSize) return ::operator new(Size);
  const std::size_t c = SizeClass(Size);
  TFreeList& list = FreeLists[c];
  if (!list.Head) return ::operator new((c + 1) * kPooledObjectGranule);
  --list.Count;
  return std::exchange(list.Head, *static_cast<void**>(list.Head));
}

void TSLObject::operator delete(void* Block, std::size_t Size) {
  if (!kPooling || Size > kPooledObjectSize) return ::operator delete(Block);
  TFreeList& list = FreeLists[SizeClass(Size)];
  if (list.Count >= kPooledObjectsKept) return ::operator delete(Block);
  if (!FreeListsOwned) OwnFreeLists();
  *static_cast<void**>(Block) = list.Head;
  list.Head = Block;
  ++list.Count;
}

void RaiseInvalidCast() { throw EInvalidCast(); }

void TSLObject::SetExecutable(bool) { RaiseMethodNotImplementedException("SetExecutable"); }

void TSLObject::RaiseMethodNotImplementedException(const char* Name) const {
  throw Exception(Format("%s.%s: method not implemented", ClassName(), Name));
}

void TSLObject::Encode(TEncoderInterface&) { RaiseMethodNotImplementedException("Encode"); }
void TSLObject::AssignObject(const TSLObject*) { RaiseMethodNotImplementedException("AssignObject"); }
TSLObject* TSLObject::CopyObject() const { RaiseMethodNotImplementedException("CopyObject"); }
bool TSLObject::IsEqual(const TSLObject*) const { RaiseMethodNotImplementedException("IsEqual"); }
void TSLObject::Execute(TSLContext*) { RaiseMethodNotImplementedException("Execute"); }

std::uint8_t TSLCharStream::ReadByte() { return static_cast<std::uint8_t>(Read()); }
void TSLCharStream::WriteByte(std::uint8_t B) { Write(static_cast<char>(B)); }

std::uint16_t TSLCharStream::ReadWord() {
  const std::uint16_t lo = ReadByte();
  return static_cast<std::uint16_t>(lo | (ReadByte() << 8));
}

void TSLCharStream::WriteWord(std::uint16_t W) {
  WriteByte(static_cast<std::uint8_t>(W));
  WriteByte(static_cast<std::uint8_t>(W >> 8));
}

std::int64_t TSLCharStream::ReadLongint() {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(ReadByte()) << (8 * i);
  return static_cast<std::int64_t>(v);
}

void TSLCharStream::WriteLongint(std::int64_t L) {
  const auto v = static_cast<std::uint64_t>(L);
  for (int i = 0; i < 8; ++i) WriteByte(static_cast<std::uint8_t>(v >> (8 * i)));
}

AnsiString TSLCharStream::ReadString(const TCharSet& Term) {
  AnsiString s;
  while (!Eof()) {
    const char c = Read();
    if (Term.test(static_cast<unsigned char>(c))) break;
    s += c;
  }
  return s;
}

AnsiString TSLCharStream::ReadStringWithLength(int Length) {
  AnsiString s;
  while (static_cast<int>(s.size()) < Length && !Eof()) s += Read();
  return s;
}

void TSLCharStream::WriteBlock(const char* Data, std::size_t Count) {
  for (std::size_t i = 0; i < Count; ++i) Write(Data[i]);
}

void TSLCharStream::WriteString(const AnsiString& S) { WriteBlock(S.data(), S.size()); }

TSLLookaheadStream::TSLLookaheadStream(bool AutoRelease, TSLCharStream* Stream)
    : TSLObject(AutoRelease), FCharStream(Stream) {}

void TSLLookaheadStream::SetCharStream(TSLCharStream* Stream) {
  if (Stream != FCharStream.get()) FCharStream = TRef<TSLCharStream>(Stream);
  CharIsBuffered = false;
  LineCount = 1;
}

void TSLLookaheadStream::RaiseUnreadTwice() const {
  throw Exception(Format("%s.UnreadChar: Only one AnsiCharacter can be unread!", ClassName()));
}

int TSLLookaheadStream::Position() {
  return FCharStream->StreamPos() + FPositionOffset - (CharIsBuffered ? 1 : 0);
}

}  // namespace vt
