// File streams under the SL text coders: TSLCharFile, a buffered byte stream over one
// file, and TSLCryptFile, which can encipher every byte and so gives the enciphered SL
// text format ("%SLE", four random bytes, the text). GetStreamFormat tells the two
// formats apart; ReplaceFile and WriteFileReplacing put a new file in place of an old
// one so that neither a failed write nor a crash leaves a half-written file behind.
#pragma once

#include <array>
#include <functional>

#include "sl/SLLimits.h"
#include "sl/values/Object.h"

namespace vt {

enum TFileNamePart { fnpFull, fnpName, fnpPath, fnpExt };

// A part of a file name written with "\" or "/" separators: the whole name, the name
// without folder, the folder with its trailing separator, or the extension with its point.
AnsiString ExtractFileNamePart(std::string_view FileName, TFileNamePart Part);

// Files are opened deny-write: every open takes a lock (shared for reading, exclusive
// for writing), so no other stream can write a file while it is open here. Positions
// and sizes are 32-bit. Reads go through a buffer of kFileReadBufferSize bytes, which
// is also the read window; writes are collected and written in blocks.
class TSLCharFile : public TSLCharStream {
 public:
  explicit TSLCharFile(bool AutoRelease);
  const char* ClassName() const override { return "TSLCharFile"; }

  // Names the file; nothing is opened. Names go through the path resolver.
  void AssignFile(WideString FileName);
  // Opens the existing file for reading, writing or both.
  void Reset(TStreamAccess Access) override;
  // Deletes an existing file and creates it empty, open for reading and writing.
  void Rewrite() override;
  void Close() override;
  // Opens FileName; the handle, or -1 when it cannot be opened (or is locked).
  int FileOpen(const WideString& FileName, TStreamAccess Mode);
  bool IsOpen() const { return FileIsOpen; }

  int StreamPos() override;
  char Read() override;
  void Write(char Ch) override;
  void WriteBlock(const char* Data, std::size_t Count) override;
  void Seek(int N) override;
  bool Eof() override;

  AnsiString FileName(TFileNamePart Part) const;
  // Measures the file (pending writes included) and caches the size.
  int GetFilesize();
  // Everything written so far is on the disk when it returns.
  void Sync();

 protected:
  ~TSLCharFile() override;
  // Whether the read window may lend out the buffer's bytes as they are; a stream
  // that transforms what it reads says no, so that every byte passes its Read.
  virtual bool ReadsPlainBytes() const { return true; }
  void TakeWindow();
  void DropWindow() { FReadCur = FReadEnd = nullptr; }

 private:
  void CheckOpen() const;
  void OfferWindow();
  void FillBuffer();
  void FlushWrites();
  void CloseHandle();

  int FileHandle = -1;
  WideString FFileName;
  bool FileIsOpen = false;
  TStreamAccess FAccess = saRead;
  std::array<char, kFileReadBufferSize> FileBuf{};
  std::int32_t BufFilePos = 0;  // file position of FileBuf[0]
  std::int32_t ActFilePos = 0;
  int BufSize = 0;
  int BufPos = 0;
  bool AtEof = false;
  std::int32_t CachedFileSize = 0;
  AnsiString FWriteBuf;  // written, not yet on the file; it starts at FWritePos
  std::int32_t FWritePos = 0;
};

// An enciphered text begins with "%SLE" (plain) and four random bytes (enciphered).
inline constexpr int kCryptHeaderSize = 4;
inline constexpr int kCryptPreambleSize = 8;

// The cipher runs on a 16-bit state that both directions advance from the enciphered
// byte. Callers switch Crypt on before InitEncrypter or InitDecryptor and off when done.
class TSLCryptFile : public TSLCharFile {
 public:
  explicit TSLCryptFile(bool AutoRelease);
  const char* ClassName() const override { return "TSLCryptFile"; }

  bool Crypt() const { return FCrypt; }
  void SetCrypt(bool Value);
  std::uint16_t InitKey() const { return FInitKey; }
  void SetInitKey(std::uint16_t Value) { FInitKey = Value; }

  // Writes "%SLE" plain and then four random bytes through Write.
  void InitEncrypter();
  // Checks the "%SLE" header and drops the four bytes after it.
  void InitDecryptor();

  char Read() override;
  void Write(char Ch) override;
  void WriteBlock(const char* Data, std::size_t Count) override;

  std::uint8_t Encrypt(std::uint8_t P);
  std::uint8_t Decrypt(std::uint8_t C);

  // The source of the four random bytes after the header (a clock-seeded generator
  // unless replaced); reading never checks them.
  std::function<std::uint8_t()> OnRandomByte;

 protected:
  bool ReadsPlainBytes() const override { return !FCrypt; }

 private:
  void AdvanceKey(std::uint8_t C);

  std::uint16_t Key = 0;
  bool FCrypt = false;
  std::uint16_t FInitKey = 0x5D7B;
  std::uint16_t FC1 = 41512;
  std::uint16_t FC2 = 3;
};

// sfEASCII when the next four bytes are "%SLE", else sfASCII; the position is kept.
TStorageFormat GetStreamFormat(TSLCharStream& Stream);

// Puts NewName in place of OldName and keeps the previous OldName as ".bak" (its
// extension replaced; a name that is its own backup name keeps none). At every moment
// OldName holds the old or the new complete file: the backup is made beside it first
// (a second link to the old file), then the new file takes the name in one rename.
// NewName must be on the disk already. False, with the reason in Reason, when either
// file is missing or the backup or the rename fails; OldName is unchanged then.
bool ReplaceFile(std::u16string_view NewName, std::u16string_view OldName, std::string* Reason = nullptr);
// ReplaceFile, or a plain rename where FileName does not exist yet.
bool PutFileInPlace(std::u16string_view NewName, std::u16string_view FileName, std::string* Reason = nullptr);
// Called with the step ReplaceFile has just completed ("backup", "renamed"): the seam
// through which a test stops the process there. Unset in the program.
inline void (*OnReplaceFileStep)(const char* Step) = nullptr;

// Writes FileName in full or not at all: Stream (a closed file stream of any kind)
// becomes a new temporary file beside it, Fill writes the contents, and only when that
// has succeeded and is on the disk does the file take the old one's place (kept as
// ".bak"). On any failure the temporary file is removed, the old file is as it was,
// and the error passes on.
void WriteFileReplacing(TSLCharFile& Stream, const WideString& FileName, const std::function<void()>& Fill);

}  // namespace vt
