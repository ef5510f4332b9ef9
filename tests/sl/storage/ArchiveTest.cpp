#include <gtest/gtest.h>

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
