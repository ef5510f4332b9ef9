#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "SLTextFixture.h"
#include "platform/PathResolver.h"
#include "sl/text/FileStreams.h"
#include "sl/values/Scalars.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

// A temporary folder per test, with helpers to put files there and look at them.
class Files : public SLTextTest {
 protected:
  void SetUp() override {
    SLTextTest::SetUp();
    char tmpl[] = "/tmp/vt-files-XXXXXX";
    FDir = mkdtemp(tmpl);
  }
  void TearDown() override {
    fs::remove_all(FDir);
    SLTextTest::TearDown();
  }
  WideString Path(const char* name) const { return PathToWide(FDir / name); }
  void Put(const char* name, const std::string& bytes) const {
    std::ofstream(FDir / name, std::ios::binary) << bytes;
  }
  std::string Get(const char* name) const {
    std::ifstream in(FDir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const char* name) const { return fs::exists(FDir / name); }
  TRef<TSLCharFile> Open(const char* name, TStreamAccess access = saRead) const {
    auto f = MakeRef<TSLCharFile>();
    f->AssignFile(Path(name));
    f->Reset(access);
    return f;
  }

  fs::path FDir;
};

std::string Pattern(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

TEST_F(Files, ReadsThroughTheBuffer) {
  Put("x.stx", Pattern(2500));
  auto f = Open("x.stx");
  std::string read;
  // Both paths, as the decoder mixes them.
  while (!f->AtEnd()) read += read.size() % 3 ? f->ReadNext() : f->Read();
  EXPECT_EQ(read, Pattern(2500));
  EXPECT_TRUE(f->Eof());
  EXPECT_EQ(f->StreamPos(), 2500);
  EXPECT_THROW_MSG(f->Read(), "Try to read past the end of the file");
}

// A seek inside the block in the buffer reads from the buffer; outside it, from the file.
TEST_F(Files, SeekKeepsTheBufferedBlock) {
  Put("x.stx", std::string(2500, 'a'));
  auto f = Open("x.stx");
  for (int i = 0; i < 10; ++i) f->ReadNext();
  {
    std::fstream(FDir / "x.stx", std::ios::in | std::ios::out | std::ios::binary) << std::string(2500, 'b');
  }
  f->Seek(5);
  EXPECT_EQ(f->ReadNext(), 'a');
  f->Seek(1023);
  EXPECT_EQ(f->Read(), 'a');
  EXPECT_EQ(f->ReadNext(), 'b');  // 1024 starts the next block
  f->Seek(3);
  EXPECT_EQ(f->Read(), 'b');
  EXPECT_THROW_MSG(f->Seek(2501), "Try to seek past the end of the file");
  EXPECT_THROW_MSG(f->Seek(-1), "Try to seek to a position less than zero");
  f->Seek(2500);
  EXPECT_TRUE(f->Eof());
}

TEST_F(Files, OpeningErrors) {
  Put("empty.stx", "");
  auto empty = Open("empty.stx");
  EXPECT_FALSE(empty->Eof());
  EXPECT_THROW_MSG(empty->Read(), "TSLCharFile error: tried to read past the end of file");

  auto f = MakeRef<TSLCharFile>();
  EXPECT_THROW_MSG(f->Rewrite(), "File couldn't be created");
  EXPECT_THROW_MSG(f->Read(), "File not opened");
  f->AssignFile(Path("missing.stx"));
  EXPECT_THROW_MSG(f->Reset(saRead),
                   "TSLCharFile error: File '" + (FDir / "missing.stx").string() + "' couldn't be opened");
  EXPECT_FALSE(f->IsOpen());
  auto reader = Open("empty.stx");
  EXPECT_THROW_MSG(reader->Write('x'), "TSLCharFile.Write: stream not in write mode");
}

// Files are opened deny-write: while one stream has a file open, no other may write it.
TEST_F(Files, OpenFilesAreDenyWrite) {
  Put("x.stx", "abc");
  auto reader = Open("x.stx");
  auto second = Open("x.stx");
  auto writer = MakeRef<TSLCharFile>();
  writer->AssignFile(Path("x.stx"));
  EXPECT_THROW(writer->Reset(saWrite), Exception);
  EXPECT_THROW_MSG(writer->Rewrite(), "File couldn't be created");
  reader->Close();
  second->Close();
  writer->Reset(saReadWrite);
  EXPECT_THROW(Open("x.stx"), Exception);
}

TEST_F(Files, WritesAreBufferedAndReadBack) {
  auto f = MakeRef<TSLCharFile>();
  f->AssignFile(Path("x.stx"));
  f->Rewrite();
  const std::string text = Pattern(200000);
  for (std::size_t i = 0; i < text.size();) {
    if (i % 7 == 0) {
      f->Write(text[i++]);
    } else {
      const std::size_t n = std::min<std::size_t>(1000, text.size() - i);
      f->WriteBlock(text.data() + i, n);
      i += n;
    }
  }
  EXPECT_EQ(f->StreamPos(), 200000);
  EXPECT_EQ(f->GetFilesize(), 200000);
  f->Seek(100);
  EXPECT_EQ(f->Read(), text[100]);
  f->Write('!');  // overwrites at the position
  f->Close();
  std::string expected = text;
  expected[101] = '!';
  EXPECT_EQ(Get("x.stx"), expected);
}

TEST_F(Files, FileNameParts) {
  auto f = MakeRef<TSLCharFile>();
  f->AssignFile(u"Archives\\Config\\Quorvel.ini");
  EXPECT_EQ(f->FileName(fnpFull), "Archives\\Config\\Quorvel.ini");
  EXPECT_EQ(f->FileName(fnpName), "Quorvel.ini");
  EXPECT_EQ(f->FileName(fnpPath), "Archives\\Config\\");
  EXPECT_EQ(f->FileName(fnpExt), ".ini");
  EXPECT_EQ(ExtractFileNamePart("a.b/c", fnpExt), "");
}

TEST_F(Files, StreamFormat) {
  Put("short.stx", "%SL");
  auto f = Open("short.stx");
  EXPECT_EQ(GetStreamFormat(*f), sfASCII);
  EXPECT_EQ(f->StreamPos(), 0);
  Put("crypt.stx", "x%SLE....");
  auto c = Open("crypt.stx");
  EXPECT_EQ(GetStreamFormat(*c), sfASCII);
  c->Seek(1);
  EXPECT_EQ(GetStreamFormat(*c), sfEASCII);
  EXPECT_EQ(c->StreamPos(), 1);
}

// Enciphered text: the header plain, four random bytes and the text enciphered byte by
// byte. Fixed random bytes and a fixed text give these bytes.
TEST_F(Files, EncipheredFileGoldenBytes) {
  const unsigned char golden[] = {0x25, 0x53, 0x4C, 0x45, 0x4C, 0xB7, 0x7F, 0xBC, 0x27,
                                  0xFC, 0xD2, 0x56, 0x38, 0xBD, 0x19, 0xBA, 0xCB, 0x31};
  auto dict = MakeRef<TSLDictionary>();
  dict->SetIntWithName(u"a", 1);
  auto f = MakeRef<TSLCryptFile>();
  std::uint8_t next = 0x11;
  f->OnRandomByte = [&] { return std::exchange(next, static_cast<std::uint8_t>(next + 0x11)); };
  f->AssignFile(Path("x.stx"));
  f->Rewrite();
  f->SetCrypt(true);
  f->InitEncrypter();
  Encoder->WriteObject(f.get(), dict.get());
  f->SetCrypt(false);
  f->Close();
  EXPECT_EQ(Get("x.stx"), std::string(std::begin(golden), std::end(golden)));

  f->Reset(saRead);
  EXPECT_EQ(GetStreamFormat(*f), sfEASCII);
  f->SetCrypt(true);
  f->InitDecryptor();
  auto reader = MakeRef<TSLLookaheadStream>(f.get());
  EXPECT_TRUE(Decoder->ReadSingleObject(reader.get(), false)->IsEqual(dict.get()));
}

TEST_F(Files, EncipheredFilesDifferFromRunToRun) {
  auto write = [&](const char* name) {
    auto f = MakeRef<TSLCryptFile>();
    f->AssignFile(Path(name));
    f->Rewrite();
    f->SetCrypt(true);
    f->InitEncrypter();
    f->WriteString("[A 1 2 3 ] ");
    f->Close();
    return Get(name);
  };
  const std::string one = write("one.stx");
  const std::string two = write("two.stx");
  EXPECT_EQ(one.substr(0, 4), "%SLE");
  EXPECT_NE(one.substr(4, 4), two.substr(4, 4));
  for (const char* name : {"one.stx", "two.stx"}) {
    auto f = MakeRef<TSLCryptFile>();
    f->AssignFile(Path(name));
    f->Reset(saRead);
    f->SetCrypt(true);
    f->InitDecryptor();
    EXPECT_EQ(Encode(Decoder->ReadSingleObject(MakeRef<TSLLookaheadStream>(f.get()).get(), false)), "[A 1 2 3 ] ");
  }
}

TEST_F(Files, WrongCryptHeader) {
  Put("plain.stx", "[A 1 2 3]");
  Put("short.stx", "%SLE\x01");
  for (const char* name : {"plain.stx", "short.stx"}) {
    auto f = MakeRef<TSLCryptFile>();
    f->AssignFile(Path(name));
    f->Reset(saRead);
    f->SetCrypt(true);
    EXPECT_THROW_MSG(f->InitDecryptor(), "wrong crypt header in stream");
  }
}

TEST_F(Files, ReplaceFileKeepsTheOldOneAsBak) {
  Put("x.stx", "old");
  Put("x.bak", "older");
  Put("x.new", "new");
  EXPECT_TRUE(ReplaceFile(Path("x.new"), Path("x.stx")));
  EXPECT_EQ(Get("x.stx"), "new");
  EXPECT_EQ(Get("x.bak"), "old");
  EXPECT_FALSE(Exists("x.new"));
  // Without an old file nothing moves.
  Put("y.new", "new");
  EXPECT_FALSE(ReplaceFile(Path("y.new"), Path("y.stx")));
  EXPECT_EQ(Get("y.new"), "new");
  EXPECT_FALSE(Exists("y.stx"));
  // Without a new file nothing changes, the backup included.
  std::string reason;
  EXPECT_FALSE(ReplaceFile(Path("none.new"), Path("x.stx"), &reason));
  EXPECT_EQ(reason, "'" + (FDir / "none.new").string() + "' doesn't exist");
  EXPECT_EQ(Get("x.stx"), "new");
  EXPECT_EQ(Get("x.bak"), "old");
}

// A backup that cannot be made stops the replacement, which says why; the old file
// stays and nothing of the attempt is left.
TEST_F(Files, ReplaceFileNamesTheReasonOfAFailure) {
  Put("x.stx", "old");
  fs::create_directories(FDir / "x.bak" / "keep");
  Put("y.new", "new");
  std::string reason;
  EXPECT_FALSE(ReplaceFile(Path("y.new"), Path("x.stx"), &reason));
  const std::string backupFailed = "the backup '" + (FDir / "x.bak").string() + "' couldn't be made: Is a directory";
  EXPECT_EQ(reason, backupFailed);
  auto f = MakeRef<TSLCharFile>();
  EXPECT_THROW_MSG(WriteFileReplacing(*f, Path("x.stx"), [&] { f->WriteString("newer"); }),
                   "File '" + (FDir / "x.stx").string() + "' couldn't be replaced: " + backupFailed);
  EXPECT_EQ(Get("x.stx"), "old");
  EXPECT_EQ(Get("y.new"), "new");
  EXPECT_FALSE(Exists("x.stx.new"));
  EXPECT_FALSE(Exists("x.bak.tmp"));
}

// "y.bak" is its own backup name: it is replaced without a backup step, which would
// have destroyed both the old and the new contents.
TEST_F(Files, ANameThatIsItsOwnBackupIsReplacedWithoutOne) {
  Put("y.bak", "old");
  auto f = MakeRef<TSLCharFile>();
  WriteFileReplacing(*f, Path("y.bak"), [&] { f->WriteString("new"); });
  EXPECT_EQ(Get("y.bak"), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 1);
}

TEST_F(Files, WriteFileReplacingWritesAllOrNothing) {
  auto f = MakeRef<TSLCharFile>();
  WriteFileReplacing(*f, Path("x.stx"), [&] { f->WriteString("first"); });
  EXPECT_EQ(Get("x.stx"), "first");
  EXPECT_FALSE(Exists("x.bak"));
  WriteFileReplacing(*f, Path("x.stx"), [&] { f->WriteString("second"); });
  EXPECT_EQ(Get("x.stx"), "second");
  EXPECT_EQ(Get("x.bak"), "first");
  // A write that fails half-way leaves the old file as it was.
  auto d = MakeRef<TSLDictionary>();
  d->SetStrWithName(u"a", AnsiToWide(std::string(100000, 'x')));
  d->SetFloatWithName(u"b", std::nan(""));
  EXPECT_THROW_MSG(WriteFileReplacing(*f, Path("x.stx"), [&] { Encoder->WriteObject(f.get(), d.get()); }),
                   "TSLStreamEncoder.EncodeDouble: NAN is no number SL text can hold");
  EXPECT_EQ(Get("x.stx"), "second");
  EXPECT_EQ(Get("x.bak"), "first");
  EXPECT_FALSE(Exists("x.stx.new"));
  EXPECT_FALSE(f->IsOpen());
}

// A disk that fills up: writing beyond the process's file-size limit fails like a full disk.
TEST_F(Files, FullDiskLeavesTheOldFile) {
  Put("x.stx", "old");
  auto f = MakeRef<TSLCharFile>();
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100000;
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_THROW_MSG(WriteFileReplacing(*f, Path("x.stx"), [&] { f->WriteString(std::string(300000, 'x')); }),
                   "Disk full while writing to file");
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(Get("x.stx"), "old");
  EXPECT_FALSE(Exists("x.stx.new"));
}

}  // namespace
