#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "StorageFixture.h"
#include "platform/PathResolver.h"
#include "sl/storage/Archive.h"
#include "sl/text/FileStreams.h"

namespace fs = std::filesystem;

namespace vt::test {
namespace {

class Archives : public StorageTest {
 protected:
  // SL text enciphered as "%SLE" text, made by the enciphering file stream.
  std::string Enciphered(const std::string& Text) {
    auto file = MakeRef<TSLCryptFile>();
    file->AssignFile(PathToWide(Folder / "cipher.tmp"));
    file->Rewrite();
    file->SetCrypt(true);
    file->InitEncrypter();
    file->WriteString(Text);
    file->SetCrypt(false);
    file->Close();
    std::string bytes = ReadFile("cipher.tmp");
    fs::remove(Folder / "cipher.tmp");
    return bytes;
  }
  TRef<TSLStorageObject> Open(const std::string& Name, TStreamAccess Access = saRead) {
    return TRef<TSLStorageObject>(StorageManager->GetObject(Name, Access));
  }
};

TEST_F(Archives, EntriesAreReadWithTheirFormats) {
  const std::string secret = Enciphered("[A 'hidden']");
  WriteFile("Lib.sla", ArchiveEntryBytes("a.stx", "[D /x 1]") + ArchiveEntryBytes("Sub\\b.stx", "'two'", "XYZ") +
                           ArchiveEntryBytes("c.stx", secret));
  EXPECT_EQ(Text(Open("Lib\\a.stx")->GetData()), "[D /x 1 ] ");
  EXPECT_EQ(Text(Open("lib\\sub\\B.STX")->GetData()), "'two' ");  // entry names ignore case
  auto c = Open("Lib\\c.stx");
  EXPECT_EQ(c->GetFormat(), sfEASCII);
  EXPECT_EQ(Text(c->GetData()), "[A 'hidden' ] ");
  EXPECT_EQ(c->GetName(), "Lib\\c.stx");
}

TEST_F(Archives, RewritingKeepsUnreadEntriesByteForByte) {
  const std::string b = ArchiveEntryBytes("b.stx", "% a comment the encoder would drop\r[A 1   2]");
  const std::string c = ArchiveEntryBytes("c.stx", Enciphered("'secret'"));
  const std::string original = ArchiveEntryBytes("a.stx", "1") + b + c;
  WriteFile("Lib.sla", original);
  {
    auto a = Open("Lib\\a.stx", saReadWrite);
    a->SetData(Sl("[A 'changed']"));
    a->Write();
  }
  const std::string written = ReadFile("Lib.sla");
  EXPECT_EQ(written, ArchiveEntryBytes("a.stx", "[A 'changed' ] ") + b + c);
  EXPECT_EQ(ReadFile("Lib.bak"), original);
  // Entries still unread are read from the new file; the archive is shared until released.
  EXPECT_EQ(Text(Open("Lib\\c.stx")->GetData()), "'secret' ");
  RefObjManager().PurgeAutoReleasePool();
  EXPECT_FALSE(ArchiveManager().IsListed(At("Lib.sla")));
  EXPECT_EQ(Text(Open("Lib\\b.stx")->GetData()), "[A 1 2 ] ");
}

TEST_F(Archives, NewArchiveBelowAnExistingFolder) {
  fs::create_directories(Cwd / "X");
  {
    auto a = TRef<TSLStorageObject>(StorageManager->CreateObject("X\\New\\a.stx"));
    a->SetData(Sl("[D /n 1]"));
    a->SetFormat(sfEASCII);
    auto b = TRef<TSLStorageObject>(StorageManager->CreateObject("X\\New\\b.stx"));
    b->SetData(Sl("2"));
    b->Write();  // writes both: they share the archive
  }
  ASSERT_TRUE(fs::exists(Cwd / "X" / "New.sla"));
  RefObjManager().PurgeAutoReleasePool();
  auto archive = TRef<TSLArchive>(new TSLArchive(false, (Cwd / "X" / "New.sla").string(), saRead, false));
  ASSERT_EQ(archive->GetCount(), 2);
  EXPECT_EQ(archive->EntryAtIndex(0)->GetName(), "a.stx");
  EXPECT_EQ(archive->EntryAtIndex(0)->GetFormat(), sfEASCII);
  EXPECT_EQ(Text(archive->EntryAtIndex(0)->GetData()), "[D /n 1 ] ");
  EXPECT_EQ(Text(archive->EntryWithName("B.stx")->GetData()), "2 ");
  EXPECT_THROW_MSG(StorageManager->CreateObject("archive://a.stx"), "object 'a.stx' can not be created");
}

TEST_F(Archives, DamagedHeadersAreRefused) {
  const std::string good = ArchiveEntryBytes("a.stx", "1");
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"signature", ArchiveEntryBytes("a.stx", "1", "", 0x04414C54)},
      {"version", ArchiveEntryBytes("a.stx", "1", "", 0x04414C53, 9)},
      {"negative size", ArchiveEntryBytes("a.stx", "1", "", 0x04414C53, 10, -5)},
      {"size past the end", ArchiveEntryBytes("a.stx", "1", "", 0x04414C53, 10, 1000)},
      {"truncated header", good + good.substr(0, 10)},
      {"name past the end", good.substr(0, 22)},
      {"empty file", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile("Bad.sla", c.bytes);
    EXPECT_THROW_MSG((TRef<TSLArchive>(new TSLArchive(false, At("Bad.sla"), saRead, false))),
                     "TSLArchiveEntry.ReadHeader: Invalid file header in archive");
  }
  EXPECT_THROW_MSG((TRef<TSLArchive>(new TSLArchive(false, "", saRead, false))),
                   "Tried to open archive with empty filename");
}

// Each entry's text is decoded within its own bytes: a text left open is a syntax error
// of that entry, not a value running on into the next.
TEST_F(Archives, AnEntryEndsWithItsBytes) {
  WriteFile("Lib.sla", ArchiveEntryBytes("a.stx", "[A 1 'x") + ArchiveEntryBytes("b.stx", "' 2]") +
                           ArchiveEntryBytes("c.stx", Enciphered("[A 3")) + ArchiveEntryBytes("d.stx", "4"));
  const struct {
    const char* entry;
    const char* result;  // the text read, or the error
  } cases[] = {
      {"a.stx", "[a.stx, 1] Syntax error: missing AnsiString termination in AnsiString 'x'"},
      {"b.stx", "[b.stx, 1] Syntax error: missing AnsiString termination in AnsiString ' 2]'"},
      {"c.stx", "[c.stx, 1] Syntax error: illegal nesting (check number of opening and closing square brackets)"},
      {"d.stx", "4 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    try {
      EXPECT_EQ(ReadText(std::string("Lib\\") + c.entry), c.result);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.result);
    }
  }
}

// Writes that must not destroy anything: each leaves the archive readable, with every
// entry, and no temporary file behind.
TEST_F(Archives, HostileWrites) {
  WriteFile("Lib.sla", ArchiveEntryBytes("a.stx", "1") + ArchiveEntryBytes("b.stx", "[A 2]"));
  auto archive = TRef<TSLArchive>(ArchiveManager().GetArchive(At("Lib.sla")));
  const std::string original = ReadFile("Lib.sla");
  // A name the 16-bit length field cannot hold is refused before anything is written.
  EXPECT_THROW_MSG(MakeRef<TSLArchiveEntry>(archive.get(), std::string(65536, 'n')),
                   "TSLArchiveEntry.Create: the entry name is 65536 characters long; an archive holds names of up to "
                   "65535");
  EXPECT_EQ(archive->GetCount(), 2);
  // The longest name that fits is written and found again.
  const std::string longest(65535, 'n');
  auto entry = MakeRef<TSLArchiveEntry>(archive.get(), longest);
  entry->SetData(Sl("'long'"));
  archive->AddEntry(entry.get());
  archive->Write();
  EXPECT_EQ(ReadFile("Lib.bak"), original);
  // A backup that cannot be made: the error says which file and why, and the archive
  // reads on from the old file.
  fs::remove(Folder / "Lib.bak");
  fs::create_directories(Folder / "Lib.bak" / "keep");
  archive->EntryWithName("a.stx")->SetData(Sl("'changed'"));
  const std::string written = ReadFile("Lib.sla");
  EXPECT_THROW_MSG(archive->Write(), "TSLArchive.Write: error while writing into archive;could not replace file '" +
                                         At("Lib.sla") + "' with '" + At("Lib.tmp") + "': the backup '" +
                                         (Folder / "Lib.bak").string() + "' couldn't be made: Is a directory");
  EXPECT_EQ(ReadFile("Lib.sla"), written);
  EXPECT_FALSE(Exists("Lib.tmp"));
  EXPECT_EQ(Text(archive->EntryWithName("b.stx")->GetData()), "[A 2 ] ");
  fs::remove_all(Folder / "Lib.bak");
  archive->Write();
  archive.reset();
  RefObjManager().PurgeAutoReleasePool();
  auto reread = TRef<TSLArchive>(new TSLArchive(false, At("Lib.sla"), saRead, false));
  ASSERT_EQ(reread->GetCount(), 3);
  EXPECT_EQ(Text(reread->EntryWithName("a.stx")->GetData()), "'changed' ");
  EXPECT_EQ(Text(reread->EntryWithName(longest)->GetData()), "'long' ");
}

// An archive whose name is its own backup name ("x.bak") is written without a backup
// step, which would delete it; one named ".tmp" is written through another temporary.
TEST_F(Archives, ArchivesNamedLikeTheirHelperFiles) {
  const struct {
    const char* name;
    std::vector<std::string> files;  // in the folder afterwards
  } cases[] = {{"x.bak", {"x.bak"}}, {"x.tmp", {"x.bak", "x.tmp"}}};
  const std::string original = ArchiveEntryBytes("a.stx", "1") + ArchiveEntryBytes("b.stx", "2");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(c.name, original);
    {
      auto archive = TRef<TSLArchive>(ArchiveManager().GetArchive(At(c.name)));
      archive->EntryWithName("a.stx")->SetData(Sl("10"));
      archive->Write();
    }
    RefObjManager().PurgeAutoReleasePool();
    EXPECT_EQ(ReadFile(c.name), ArchiveEntryBytes("a.stx", "10 ") + ArchiveEntryBytes("b.stx", "2"));
    std::vector<std::string> files;
    for (const auto& f : fs::directory_iterator(Folder)) files.push_back(f.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, c.files);
    fs::remove_all(Folder);
    fs::create_directories(Folder);
  }
}

// The format asked for is the format written, also for an entry never read.
TEST_F(Archives, AnUnreadEntryIsWrittenInTheFormatSetForIt) {
  WriteFile("Lib.sla", ArchiveEntryBytes("plain.stx", "[A 1]") + ArchiveEntryBytes("secret.stx", Enciphered("'s'")));
  {
    auto plain = Open("Lib\\plain.stx", saReadWrite);
    plain->SetFormat(sfEASCII);
    Open("Lib\\secret.stx", saReadWrite)->SetFormat(sfASCII);
    plain->Write();
  }
  RefObjManager().PurgeAutoReleasePool();
  auto archive = TRef<TSLArchive>(new TSLArchive(false, At("Lib.sla"), saRead, false));
  EXPECT_EQ(archive->EntryWithName("plain.stx")->GetFormat(), sfEASCII);
  EXPECT_EQ(Text(archive->EntryWithName("plain.stx")->GetData()), "[A 1 ] ");
  EXPECT_EQ(archive->EntryWithName("secret.stx")->GetFormat(), sfASCII);
  EXPECT_EQ(Text(archive->EntryWithName("secret.stx")->GetData()), "'s' ");
  EXPECT_NE(ReadFile("Lib.sla").find("%SLE"), std::string::npos);
  EXPECT_NE(ReadFile("Lib.sla").find("'s' "), std::string::npos);
}

TEST_F(Archives, LookupOrder) {
  WriteFile("A\\B.sla", ArchiveEntryBytes("C.stx", "'deep sla'"));
  WriteFile("A\\B.cln", ArchiveEntryBytes("C.stx", "'deep cln'"));
  WriteFile("A.sla", ArchiveEntryBytes("B\\C.stx", "'shallow'"));
  WriteCwdFile("A\\B.sla", ArchiveEntryBytes("C.stx", "'current folder'"));
  struct Step {
    const char* remove;  // below the data folder, before the lookup
    const char* expected;
  } steps[] = {{nullptr, "'deep sla' "}, {"A/B.sla", "'deep cln' "}, {"A/B.cln", "'shallow' "}, {"A.sla", "'current folder' "}};
  for (const auto& step : steps) {
    if (step.remove) fs::remove(Folder / step.remove);
    EXPECT_EQ(ReadText("A\\B\\C.stx"), step.expected);
    RefObjManager().PurgeAutoReleasePool();
  }
}

TEST_F(Archives, LinkEntriesCopyTheirFile) {
  WriteFile("L\\linked.stx", "[A 9]");
  auto archive = TRef<TSLArchive>(ArchiveManager().GetArchive(At("L.sla")));
  auto entry = MakeRef<TSLArchiveEntry>(archive.get(), "linked.stx");
  entry->SetIsLink(true);
  archive->AddEntry(entry.get());
  archive->Write();
  EXPECT_EQ(ReadFile("L.sla"), ArchiveEntryBytes("linked.stx", "[A 9]"));
  WriteFile("L\\linked.stx", "[A 10]");
  archive->Write();  // a link stays a link
  EXPECT_EQ(ReadFile("L.sla"), ArchiveEntryBytes("linked.stx", "[A 10]"));
}

TEST_F(Archives, ManagerSharesOneArchivePerFile) {
  WriteFile("Lib.sla", ArchiveEntryBytes("a.stx", "1"));
  TSLArchive* first = ArchiveManager().GetArchive(At("Lib.sla"));
  EXPECT_EQ(ArchiveManager().GetArchive(At("LIB.sla")), first);
  EXPECT_TRUE(ArchiveManager().IsListed(At("Lib.sla")));
  RefObjManager().PurgeAutoReleasePool();
  EXPECT_FALSE(ArchiveManager().IsListed(At("Lib.sla")));
  auto object = MakeRef<TSLArchiveStorageObject>();
  EXPECT_THROW_MSG(object->Read(), "TSLArchiveStorageObject.Read: object not initialized");
  EXPECT_THROW_MSG(object->Write(), "TSLArchiveStorageObject.Write: object not initialized");
}

}  // namespace
}  // namespace vt::test
