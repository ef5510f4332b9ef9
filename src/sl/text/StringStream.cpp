// The in-memory string stream; see StringStream.h.
#include "sl/text/StringStream.h"

#include <algorithm>
#include <cstring>

#include "platform/Format.h"

namespace vt {

TSLStringStream::TSLStringStream(bool AutoRelease) : TSLCharStream(AutoRelease) { Rewrite(); }

// Bytes taken through ReadNext moved the position; bring FPos up to date.
void TSLStringStream::TakeWindow() {
  if (FReadCur) FPos = static_cast<std::size_t>(FReadCur - FBuffer.data());
}

// Every change of contents, position or access ends here: a readable stream lends out
// the rest of its contents (the pointers are renewed because writing may move them).
void TSLStringStream::OfferWindow() {
  if (FAccess == saWrite) {
    FReadCur = FReadEnd = nullptr;
  } else {
    FReadCur = FBuffer.data() + FPos;
    FReadEnd = FBuffer.data() + FBuffer.size();
  }
}

void TSLStringStream::SetBuffer(AnsiString AString) {
  FBuffer = std::move(AString);
  Reset(saRead);
}

void TSLStringStream::Reset(TStreamAccess Access) {
  FPos = 0;
  FAccess = Access;
  OfferWindow();
}

void TSLStringStream::Rewrite() {
  FBuffer.clear();
  Reset(saWrite);
}

void TSLStringStream::Close() {
  FBuffer.clear();
  Reset(saRead);
}

int TSLStringStream::StreamPos() {
  TakeWindow();
  return static_cast<int>(FPos);
}

char TSLStringStream::Read() {
  TakeWindow();
  if (FAccess == saWrite) throw Exception(Format("%s.Read: stream not in read mode", ClassName()));
  if (FPos >= FBuffer.size()) throw Exception(Format("%s.Read: end of stream reached", ClassName()));
  const char c = FBuffer[FPos++];
  OfferWindow();
  return c;
}

void TSLStringStream::CheckWrite() const {
  if (FAccess == saRead) throw Exception(Format("%s.Write: stream not in write mode", ClassName()));
}

void TSLStringStream::Write(char Ch) { WriteBlock(&Ch, 1); }

void TSLStringStream::WriteBlock(const char* Data, std::size_t Count) {
  TakeWindow();
  CheckWrite();
  const std::size_t over = std::min(Count, FBuffer.size() - FPos);
  std::memcpy(FBuffer.data() + FPos, Data, over);
  FBuffer.append(Data + over, Count - over);
  FPos += Count;
  OfferWindow();
}

void TSLStringStream::Seek(int N) {
  TakeWindow();
  if (N < 0 || static_cast<std::size_t>(N) > FBuffer.size())
    throw Exception(Format("%s.Seek: position not in stream range", ClassName()));
  FPos = static_cast<std::size_t>(N);
  OfferWindow();
}

bool TSLStringStream::Eof() {
  TakeWindow();
  return FPos >= FBuffer.size();
}

}  // namespace vt
