// TSLStringStream: a byte stream over 8-bit text in memory, through which values are
// turned into SL text and back without a file. While it is readable its whole unread
// contents are the read window, so the decoder reads it without a call per byte.
#pragma once

#include "sl/values/Object.h"

namespace vt {

class TSLStringStream : public TSLCharStream {
 public:
  // Empty and open for writing.
  explicit TSLStringStream(bool AutoRelease);
  const char* ClassName() const override { return "TSLStringStream"; }

  // The contents become AString, open for reading from the start.
  void SetBuffer(AnsiString AString);
  // The contents, as written.
  const AnsiString& Buffer() const { return FBuffer; }

  // Back to the start with this access; the contents stay.
  void Reset(TStreamAccess Access) override;
  void Rewrite() override;
  void Close() override;
  int StreamPos() override;
  char Read() override;
  // At the end it appends, elsewhere it overwrites.
  void Write(char Ch) override;
  void WriteBlock(const char* Data, std::size_t Count) override;
  void Seek(int N) override;
  bool Eof() override;

 private:
  void TakeWindow();
  void OfferWindow();
  void CheckWrite() const;

  AnsiString FBuffer;
  std::size_t FPos = 0;  // of the next byte; stale while a window is out (see TakeWindow)
  TStreamAccess FAccess = saWrite;
};

}  // namespace vt
