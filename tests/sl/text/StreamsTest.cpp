#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "sl/values/Object.h"

using namespace vt;

namespace {

// A byte stream over a string, enough to drive the stream helpers and the reader.
class TBytes : public TSLCharStream {
 public:
  TBytes(bool AutoRelease, std::string data) : TSLCharStream(AutoRelease), FData(std::move(data)) {}
  void Reset(TStreamAccess) override { FPos = 0; }
  void Rewrite() override { FData.clear(), FPos = 0; }
  void Close() override {}
  int StreamPos() override { return static_cast<int>(FPos); }
  char Read() override { return FPos < FData.size() ? FData[FPos++] : '\0'; }
  void Write(char Ch) override { FData.insert(FPos++, 1, Ch); }
  void Seek(int N) override { FPos = static_cast<std::size_t>(N); }
  bool Eof() override { return FPos >= FData.size(); }
  const std::string& Data() const { return FData; }

 private:
  std::string FData;
  std::size_t FPos = 0;
};

class Streams : public RefCountedTest {};

TEST_F(Streams, LittleEndianFields) {
  auto in = MakeRef<TBytes>(std::string("\x34\x12\x01\0\0\0\0\0\0\x80", 10));
  EXPECT_EQ(in->ReadWord(), 0x1234);
  EXPECT_EQ(in->ReadLongint(), static_cast<std::int64_t>(0x8000000000000001ULL));
  auto out = MakeRef<TBytes>("");
  out->WriteLongint(-2);
  out->WriteWord(0xBEEF);
  EXPECT_EQ(out->Data(), std::string("\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xEF\xBE", 10));
}

TEST_F(Streams, ReadStringStopsAtTerminatorOrEnd) {
  auto in = MakeRef<TBytes>("ab\rc");
  TCharSet cr;
  cr.set('\r');
  EXPECT_EQ(in->ReadString(cr), "ab");
  EXPECT_EQ(in->ReadString(cr), "c");
  EXPECT_TRUE(in->Eof());
  auto in2 = MakeRef<TBytes>("xyz");
  EXPECT_EQ(in2->ReadStringWithLength(2), "xy");
  EXPECT_EQ(in2->ReadStringWithLength(5), "z");
}

TEST_F(Streams, LookaheadCountsLinesAndGivesBackOneCharacter) {
  auto reader = MakeRef<TSLLookaheadStream>(MakeRef<TBytes>("a\rb").get());
  EXPECT_EQ(reader->ReadChar(), 'a');
  EXPECT_EQ(reader->ReadChar(), '\r');
  EXPECT_EQ(reader->Line(), 2);
  const int pos = reader->Position();
  reader->UnreadChar();
  EXPECT_EQ(reader->Line(), 1);
  EXPECT_EQ(reader->Position(), pos - 1);
  EXPECT_THROW_MSG(reader->UnreadChar(), "TSLLookaheadStream.UnreadChar: Only one AnsiCharacter can be unread!");
  EXPECT_EQ(reader->ReadChar(), '\r');
  EXPECT_EQ(reader->Line(), 2);
  EXPECT_EQ(reader->ReadChar(), 'b');
  reader->UnreadChar();
  EXPECT_FALSE(reader->IsEndOfStream());  // the last byte is given back
  reader->ReadChar();
  EXPECT_TRUE(reader->IsEndOfStream());
}

TEST_F(Streams, LookaheadNewStreamRestartsLinesKeepsOffset) {
  auto reader = MakeRef<TSLLookaheadStream>(MakeRef<TBytes>("\r\r").get());
  reader->SetPositionOffset(100);
  reader->ReadChar();
  reader->ReadChar();
  auto other = MakeRef<TBytes>("x");
  other->FStorageID = 7;
  reader->SetCharStream(other.get());
  EXPECT_EQ(reader->Line(), 1);
  EXPECT_EQ(reader->Position(), 100);
  EXPECT_EQ(reader->GetStorageID(), 7);
}

}  // namespace
