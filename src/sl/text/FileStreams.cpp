// File streams, the enciphered file stream and file replacement; see FileStreams.h.
#include "sl/text/FileStreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/Format.h"
#include "platform/PathResolver.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

constexpr char kCryptHeader[] = "%SLE";
constexpr int kCryptRandomBytes = kCryptPreambleSize - kCryptHeaderSize;

// Deny-write for cooperating openers: readers share a lock, a writer needs it alone.
bool LockFile(int fd, TStreamAccess Mode) {
  struct flock lock {};
  lock.l_type = Mode == saRead ? F_RDLCK : F_WRLCK;
  lock.l_whence = SEEK_SET;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Whether another open stream holds a lock on the file (and so keeps it from deletion).
bool IsLockedByOther(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const bool locked = fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  close(fd);
  return locked;
}

std::uint8_t ClockSeededRandomByte() {
  static std::mt19937 generator(
      static_cast<std::uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  return static_cast<std::uint8_t>(generator() & 0xFF);
}

}  // namespace

AnsiString ExtractFileNamePart(std::string_view FileName, TFileNamePart Part) {
  const std::size_t sep = FileName.find_last_of("\\/");
  const std::size_t nameStart = sep == std::string_view::npos ? 0 : sep + 1;
  switch (Part) {
    case fnpName:
      return AnsiString(FileName.substr(nameStart));
    case fnpPath:
      return AnsiString(FileName.substr(0, nameStart));
    case fnpExt: {
      const std::size_t dot = FileName.find_last_of('.');
      return dot == std::string_view::npos || dot < nameStart ? AnsiString() : AnsiString(FileName.substr(dot));
    }
    case fnpFull:
      break;
  }
  return AnsiString(FileName);
}

// TSLCharFile

TSLCharFile::TSLCharFile(bool AutoRelease) : TSLCharStream(AutoRelease) {}

TSLCharFile::~TSLCharFile() {
  try {
    Close();
  } catch (const Exception&) {
    // A destructor cannot report a failed last write; Close did release the file.
  }
}

void TSLCharFile::AssignFile(WideString FileName) { FFileName = std::move(FileName); }

void TSLCharFile::CheckOpen() const {
  if (!FileIsOpen) throw Exception("File not opened");
}

int TSLCharFile::FileOpen(const WideString& FileName, TStreamAccess Mode) {
  Close();
  const int flags = Mode == saRead ? O_RDONLY : Mode == saWrite ? O_WRONLY : O_RDWR;
  const int fd = open(ResolvePath(FileName).c_str(), flags | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (!LockFile(fd, Mode) || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > INT32_MAX) {
    close(fd);
    return -1;
  }
  FileHandle = fd;
  FileIsOpen = true;
  FFileName = FileName;
  FAccess = Mode;
  CachedFileSize = static_cast<std::int32_t>(st.st_size);
  return fd;
}

void TSLCharFile::Reset(TStreamAccess Access) {
  Close();
  if (FFileName.empty() || FileOpen(FFileName, Access) < 0)
    throw Exception(Format("%s error: File '%s' couldn't be opened", ClassName(), FFileName));
}

void TSLCharFile::Rewrite() {
  Close();
  if (FFileName.empty()) throw Exception("File couldn't be created");
  const fs::path path = ResolvePath(FFileName);
  std::error_code ec;
  if (fs::exists(path, ec) && (IsLockedByOther(path) || !fs::remove(path, ec)))
    throw Exception("File couldn't be created");
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) throw Exception("File couldn't be created");
  close(fd);
  if (FileOpen(FFileName, saReadWrite) < 0) throw Exception("File couldn't be created");
}

void TSLCharFile::Close() {
  if (!FileIsOpen) return;
  try {
    FlushWrites();
  } catch (const Exception&) {
    CloseHandle();
    throw;
  }
  CloseHandle();
}

void TSLCharFile::CloseHandle() {
  close(FileHandle);
  FileHandle = -1;
  FileIsOpen = false;
  BufFilePos = ActFilePos = CachedFileSize = 0;
  BufSize = BufPos = 0;
  AtEof = false;
  FWriteBuf.clear();
  DropWindow();
}

// Bytes taken through ReadNext were read: advance the buffer and the position by them.
void TSLCharFile::TakeWindow() {
  if (!FReadCur) return;
  const int taken = static_cast<int>(FReadCur - (FileBuf.data() + BufPos));
  if (taken == 0) return;
  BufPos += taken;
  ActFilePos += taken;
  AtEof = ActFilePos >= CachedFileSize;
}

void TSLCharFile::OfferWindow() {
  const int limit = std::min(BufSize, CachedFileSize - BufFilePos);
  if (!ReadsPlainBytes() || BufPos >= limit) {
    DropWindow();
    return;
  }
  FReadCur = FileBuf.data() + BufPos;
  FReadEnd = FileBuf.data() + limit;
}

int TSLCharFile::StreamPos() {
  TakeWindow();
  return ActFilePos;
}

bool TSLCharFile::Eof() {
  TakeWindow();
  return AtEof;
}

void TSLCharFile::FillBuffer() {
  ssize_t n;
  do {
    n = pread(FileHandle, FileBuf.data(), FileBuf.size(), ActFilePos);
  } while (n < 0 && errno == EINTR);
  if (n < 0) throw Exception(Format("%s error: File '%s' couldn't be read", ClassName(), FFileName));
  if (n == 0) throw Exception(Format("%s error: tried to read past the end of file", ClassName()));
  BufFilePos = ActFilePos;
  BufSize = static_cast<int>(n);
  BufPos = 0;
}

char TSLCharFile::Read() {
  CheckOpen();
  TakeWindow();
  FlushWrites();
  if (AtEof) throw Exception("Try to read past the end of the file");
  if (BufPos >= BufSize) FillBuffer();
  const char c = FileBuf[BufPos++];
  ++ActFilePos;
  AtEof = ActFilePos >= CachedFileSize;
  OfferWindow();
  return c;
}

void TSLCharFile::Write(char Ch) { TSLCharFile::WriteBlock(&Ch, 1); }

void TSLCharFile::WriteBlock(const char* Data, std::size_t Count) {
  CheckOpen();
  if (FAccess == saRead) throw Exception(Format("%s.Write: stream not in write mode", ClassName()));
  TakeWindow();
  if (Count > static_cast<std::size_t>(INT32_MAX - ActFilePos)) throw Exception("Disk full while writing to file");
  // What was read ahead may now be stale.
  BufSize = BufPos = 0;
  DropWindow();
  if (FWriteBuf.empty()) FWritePos = ActFilePos;
  FWriteBuf.append(Data, Count);
  ActFilePos += static_cast<std::int32_t>(Count);
  CachedFileSize = std::max(CachedFileSize, ActFilePos);
  if (FWriteBuf.size() >= static_cast<std::size_t>(kFileWriteBufferSize)) FlushWrites();
}

void TSLCharFile::FlushWrites() {
  std::size_t done = 0;
  while (done < FWriteBuf.size()) {
    const ssize_t n = pwrite(FileHandle, FWriteBuf.data() + done, FWriteBuf.size() - done, FWritePos + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      FWriteBuf.clear();
      throw Exception("Disk full while writing to file");
    }
    done += static_cast<std::size_t>(n);
  }
  FWriteBuf.clear();
}

void TSLCharFile::Sync() {
  CheckOpen();
  FlushWrites();
  if (fsync(FileHandle) != 0) throw Exception("Disk full while writing to file");
}

int TSLCharFile::GetFilesize() {
  CheckOpen();
  FlushWrites();
  struct stat st {};
  if (fstat(FileHandle, &st) != 0 || st.st_size > INT32_MAX)
    throw Exception(Format("%s error: File '%s' couldn't be read", ClassName(), FFileName));
  CachedFileSize = static_cast<std::int32_t>(st.st_size);
  return CachedFileSize;
}

void TSLCharFile::Seek(int N) {
  CheckOpen();
  TakeWindow();
  if (N > GetFilesize()) throw Exception("Try to seek past the end of the file");
  if (N < 0) throw Exception("Try to seek to a position less than zero");
  if (N == ActFilePos) return;
  if (N >= BufFilePos && N < BufFilePos + BufSize) {
    BufPos = N - BufFilePos;
  } else {
    BufSize = BufPos = 0;
  }
  ActFilePos = N;
  AtEof = N >= CachedFileSize;
  OfferWindow();
}

AnsiString TSLCharFile::FileName(TFileNamePart Part) const { return ExtractFileNamePart(WideToAnsi(FFileName), Part); }

// TSLCryptFile

TSLCryptFile::TSLCryptFile(bool AutoRelease) : TSLCharFile(AutoRelease), OnRandomByte(ClockSeededRandomByte) {}

void TSLCryptFile::SetCrypt(bool Value) {
  // A window lent out plain bytes; from here on every byte goes through Read.
  TakeWindow();
  DropWindow();
  FCrypt = Value;
}

// Both directions advance the state from the enciphered byte. The arithmetic is
// unsigned: the product of two 16-bit values overflows an int.
void TSLCryptFile::AdvanceKey(std::uint8_t C) {
  Key = static_cast<std::uint16_t>((std::uint32_t{C} + Key) * FC1 + FC2);
}

std::uint8_t TSLCryptFile::Encrypt(std::uint8_t P) {
  const auto C = static_cast<std::uint8_t>(P ^ (Key >> 8));
  AdvanceKey(C);
  return C;
}

std::uint8_t TSLCryptFile::Decrypt(std::uint8_t C) {
  const auto P = static_cast<std::uint8_t>(C ^ (Key >> 8));
  AdvanceKey(C);
  return P;
}

void TSLCryptFile::InitEncrypter() {
  Key = FInitKey;
  TSLCharFile::WriteBlock(kCryptHeader, kCryptHeaderSize);
  for (int i = 0; i < kCryptRandomBytes; ++i) Write(static_cast<char>(OnRandomByte()));
}

void TSLCryptFile::InitDecryptor() {
  Key = FInitKey;
  // A file too short for the header and its random bytes has no valid header either.
  if (GetFilesize() - StreamPos() < kCryptHeaderSize + kCryptRandomBytes)
    throw Exception("wrong crypt header in stream");
  for (int i = 0; i < kCryptHeaderSize; ++i)
    if (TSLCharFile::Read() != kCryptHeader[i]) throw Exception("wrong crypt header in stream");
  for (int i = 0; i < kCryptRandomBytes; ++i) Read();
}

char TSLCryptFile::Read() {
  const char c = TSLCharFile::Read();
  return FCrypt ? static_cast<char>(Decrypt(static_cast<std::uint8_t>(c))) : c;
}

void TSLCryptFile::Write(char Ch) { TSLCryptFile::WriteBlock(&Ch, 1); }

void TSLCryptFile::WriteBlock(const char* Data, std::size_t Count) {
  if (!FCrypt) {
    TSLCharFile::WriteBlock(Data, Count);
    return;
  }
  AnsiString enciphered(Data, Count);
  for (char& c : enciphered) c = static_cast<char>(Encrypt(static_cast<std::uint8_t>(c)));
  TSLCharFile::WriteBlock(enciphered.data(), enciphered.size());
}

// Formats and replacement

TStorageFormat GetStreamFormat(TSLCharStream& Stream) {
  const int pos = Stream.StreamPos();
  char head[kCryptHeaderSize];
  int n = 0;
  while (n < kCryptHeaderSize && !Stream.Eof()) head[n++] = Stream.Read();
  Stream.Seek(pos);
  return n == kCryptHeaderSize && std::memcmp(head, kCryptHeader, kCryptHeaderSize) == 0 ? sfEASCII : sfASCII;
}

namespace {

std::string SystemError() { return std::strerror(errno); }

// Makes the rename before it lasting: the folder's entries are on the disk afterwards.
// Some file systems cannot sync a folder; the rename stands either way.
void SyncFolder(const fs::path& Folder) {
  const int fd = open(Folder.empty() ? "." : Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool RenameFile(const fs::path& From, const fs::path& To) { return std::rename(From.c_str(), To.c_str()) == 0; }

// Copy is a complete copy of File on the disk: a second link where the file system has
// links, else a copy of the bytes.
bool DuplicateFile(const fs::path& File, const fs::path& Copy) {
  if (link(File.c_str(), Copy.c_str()) == 0) return true;
  std::error_code ec;
  if (!fs::copy_file(File, Copy, fs::copy_options::overwrite_existing, ec)) return false;
  const int fd = open(Copy.c_str(), O_WRONLY | O_CLOEXEC);
  const bool synced = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0) close(fd);
  return synced;
}

// The backup takes the place of the previous one in one rename, so a crash leaves the
// one or the other.
bool MakeBackup(const fs::path& File, const fs::path& Backup, std::string& Reason) {
  const fs::path copy = Backup.string() + ".tmp";
  std::error_code ec;
  fs::remove(copy, ec);
  if (DuplicateFile(File, copy) && RenameFile(copy, Backup)) return true;
  Reason = Format("the backup '%s' couldn't be made: %s", Backup.string(), SystemError());
  fs::remove(copy, ec);
  return false;
}

std::string RenameError(const fs::path& File) {
  return Format("'%s' couldn't be renamed: %s", File.string(), SystemError());
}

bool Fail(std::string* Reason, std::string Why) {
  if (Reason) *Reason = std::move(Why);
  return false;
}

}  // namespace

bool ReplaceFile(std::u16string_view NewName, std::u16string_view OldName, std::string* Reason) {
  const fs::path newPath = ResolvePath(NewName);
  const fs::path oldPath = ResolvePath(OldName);
  std::error_code ec;
  for (const fs::path& p : {newPath, oldPath})
    if (!fs::is_regular_file(p, ec)) return Fail(Reason, Format("'%s' doesn't exist", p.string()));
  fs::path bak = oldPath;
  bak.replace_extension(".bak");
  std::string why;
  // A name that is its own backup name keeps no backup (it would replace itself).
  if (bak != oldPath && !MakeBackup(oldPath, bak, why)) return Fail(Reason, why);
  if (OnReplaceFileStep) OnReplaceFileStep("backup");
  if (!RenameFile(newPath, oldPath)) return Fail(Reason, RenameError(newPath));
  if (OnReplaceFileStep) OnReplaceFileStep("renamed");
  SyncFolder(oldPath.parent_path());
  return true;
}

bool PutFileInPlace(std::u16string_view NewName, std::u16string_view FileName, std::string* Reason) {
  const fs::path target = ResolvePath(FileName);
  std::error_code ec;
  if (fs::exists(target, ec)) return ReplaceFile(NewName, FileName, Reason);
  const fs::path newPath = ResolvePath(NewName);
  if (!RenameFile(newPath, target)) return Fail(Reason, RenameError(newPath));
  SyncFolder(target.parent_path());
  return true;
}

void WriteFileReplacing(TSLCharFile& Stream, const WideString& FileName, const std::function<void()>& Fill) {
  const WideString temp = FileName + u".new";
  Stream.AssignFile(temp);
  try {
    Stream.Rewrite();
    Fill();
    Stream.Sync();
    Stream.Close();
    std::string reason;
    if (!PutFileInPlace(temp, FileName, &reason))
      throw Exception(Format("File '%s' couldn't be replaced: %s", FileName, reason));
  } catch (...) {
    try {
      Stream.Close();
    } catch (const Exception&) {
      // The write has failed already; that error is the one to report.
    }
    std::error_code ec;
    fs::remove(ResolvePath(temp), ec);
    throw;
  }
  Stream.AssignFile(FileName);
}

}  // namespace vt
