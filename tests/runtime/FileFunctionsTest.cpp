#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "RefCountedTest.h"
#include "RuntimeTestUtil.h"
#include "SL20Dic.h"
#include "SL20Elm.h"
#include "PathResolver.h"
#include "TempFolder.h"
#include "functions.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The folder as the Windows-style text the callers pass, with a trailing separator.
WideString Dir(const fs::path& p) { return PathToWide(p) + u"\\"; }

TEST(Permissions, MasksOfUserLevels) {
  struct Case {
    const char* level;
    int mask;
  };
  const Case cases[] = {{"DEVELOPER", 48}, {"service", 12}, {"User", 3}, {"GUEST", 64}, {"", 64}, {"admin", 64}};
  for (const auto& c : cases) EXPECT_EQ(GetPermissionInt(c.level), c.mask) << c.level;
  EXPECT_EQ(StringWithoutAnd(u"&Open && Save"), u"Open  Save");
}

TEST(TreeNames, Compatibility) {
  struct Case {
    const char* config;
    const char* drive;
    int permission;
    bool force;
    bool compatible;
    bool newer;
  };
  const Case cases[] = {
      {"A_X_V2S5", "A_X_V2S5", 7, false, true, false},
      {"A_X_V2S5", "a_y_v2s3", 7, false, true, true},  // the second field is not compared
      {"A_X_V2S3", "A_X_V2S5", 7, false, true, false},
      {"A_X_V3S0", "A_X_V2S9", 7, false, false, false},
      {"A_X_V3S0", "A_X_V2S9", 15, false, true, true},
      {"A_X_V2S9", "A_X_V3S0", 7, true, true, false},
      {"A_X_V2S0_extra", "A_Y_V2S1_more", 7, false, true, false},
      {"A_X_V2S0", "B_X_V2S0", 15, true, false, false},
      {"A", "B", 15, false, false, false},
      {"A_X", "A_Y", 15, false, false, false},
      {"", "", 15, false, false, false},
      // A malformed version answers "incompatible" instead of raising.
      {"A_X_V2", "A_X_V2S1", 15, false, false, false},
      {"A_X_VxS1", "A_X_V2S1", 15, false, false, false},
      {"A_X_2S1", "A_X_V2S1", 15, false, false, false},
      {"A_X_V2S", "A_X_V2S1", 15, false, false, false},
  };
  for (const auto& c : cases) {
    bool newer = true;
    EXPECT_EQ(AreTreesCompatible(c.config, c.drive, c.permission, newer, c.force), c.compatible)
        << c.config << " / " << c.drive;
    EXPECT_EQ(newer, c.newer) << c.config << " / " << c.drive;
  }
}

TEST(TreeNames, FamilyDriveList) {
  ASSERT_EQ(FamilyDriveList.size(), 18u);
  EXPECT_EQ(FamilyDriveList.front(), 0x24);
  EXPECT_EQ(FamilyDriveList.back(), 0x53);
}

class SLLookups : public RefCountedTest {
 protected:
  void TearDown() override {
    SetDocumentTable(nullptr);
    RefCountedTest::TearDown();
  }
};

TEST_F(SLLookups, DocumentTableRenamesExactNames) {
  EXPECT_EQ(ChangeNameIfOldFileNameFormat(u"Manual.pdf"), u"Manual.pdf");  // no table
  auto table = MakeRef<TSLArray>();
  for (auto [oldName, newName] : {std::pair{u"Manual.pdf", u"Manual_V2.pdf"}, std::pair{u"Manual.pdf", u"Other.pdf"}}) {
    auto entry = MakeRef<TSLDictionary>();
    entry->SetStrWithName(u"OldName", oldName);
    entry->SetStrWithName(u"NewName", newName);
    table->AddObject(entry.get());
  }
  SetDocumentTable(table.get());
  EXPECT_EQ(ChangeNameIfOldFileNameFormat(u"Manual.pdf"), u"Manual_V2.pdf");  // the first entry wins
  EXPECT_EQ(ChangeNameIfOldFileNameFormat(u"MANUAL.pdf"), u"MANUAL.pdf");
  EXPECT_EQ(ChangeNameIfOldFileNameFormat(u"Guide.pdf"), u"Guide.pdf");
}

TEST_F(SLLookups, ObjectFromBlock) {
  auto block = MakeRef<TSLBlock>();
  block->AddObject(MakeRef<TSLIdent>("Speed", false).get());
  block->AddObject(MakeRef<TSLLongint>(10).get());
  block->AddObject(MakeRef<TSLIdent>("Mode", true).get());
  block->AddObject(MakeRef<TSLString>(u"fast").get());
  block->AddObject(MakeRef<TSLIdent>("Last", false).get());
  EXPECT_EQ(CheckedCast<TSLLongint>(GetObjectFromBlock(block.get(), "Speed"))->GetLongintValue(), 10);
  EXPECT_EQ(CheckedCast<TSLString>(GetObjectFromBlock(block.get(), "Mode"))->StringValue(), u"fast");
  EXPECT_EQ(GetObjectFromBlock(block.get(), "speed"), nullptr);
  EXPECT_EQ(GetObjectFromBlock(block.get(), "Missing"), nullptr);
  EXPECT_THROW_MSG(GetObjectFromBlock(block.get(), "Last"), "TSLBlock.ObjectAtIndex: no object to fetch at index 5");
}

TEST(DummyTree, ChildrenGoWithTheirParent) {
  static int destroyed = 0;
  struct TCounted : TDummyChild {
    using TDummyChild::TDummyChild;
    ~TCounted() override { ++destroyed; }
  };
  destroyed = 0;
  {
    TDummyTree empty;
    EXPECT_TRUE(empty.Selected);
    EXPECT_TRUE(empty.ChildList.empty());
  }
  {
    TDummyTree root;
    auto child = std::make_unique<TCounted>(&root);
    child->Name = u"Box1";
    TDummyTree* box = root.AddChild(std::move(child));
    auto grandChild = std::make_unique<TCounted>(box);
    grandChild->Name = u"Parameters";
    box->AddChild(std::move(grandChild));
    EXPECT_EQ(root.ChildList[0].first, u"Box1");
    EXPECT_EQ(static_cast<TDummyChild*>(box->ChildList[0].second.get())->Parent, box);
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(Delay, ServesEventsWhileWaiting) {
  TestApp();
  bool fired = false;
  QTimer::singleShot(10, [&] { fired = true; });
  const auto start = std::chrono::steady_clock::now();
  Delay(60);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
  EXPECT_TRUE(fired);
}

TEST(Folders, CopyAllFilesRecursesAndOverwrites) {
  TempFolder tmp;
  WriteFile(tmp.Path() / "src" / "a.txt", "new a");
  WriteFile(tmp.Path() / "src" / "Sub" / "Deeper" / "b.txt", "b");
  WriteFile(tmp.Path() / "dst" / "a.txt", "old a");
  WriteFile(tmp.Path() / "dst" / "keep.txt", "keep");
  TMessageCatcher messages;
  CopyAllFiles(Dir(tmp.Path() / "src"), Dir(tmp.Path() / "dst"));
  EXPECT_EQ(ReadFile(tmp.Path() / "dst" / "a.txt"), "new a");
  EXPECT_EQ(ReadFile(tmp.Path() / "dst" / "Sub" / "Deeper" / "b.txt"), "b");
  EXPECT_EQ(ReadFile(tmp.Path() / "dst" / "keep.txt"), "keep");
  EXPECT_TRUE(messages.Messages.empty());

  // The target is created one level deep.
  CopyAllFiles(Dir(tmp.Path() / "src"), Dir(tmp.Path() / "fresh"));
  EXPECT_EQ(ReadFile(tmp.Path() / "fresh" / "Sub" / "Deeper" / "b.txt"), "b");

  const WideString missing = Dir(tmp.Path() / "none");
  CopyAllFiles(missing, Dir(tmp.Path() / "dst2"));
  ASSERT_EQ(messages.Messages.size(), 1u);
  EXPECT_EQ(messages.Messages[0], "Directory " + WideToUtf8(missing) + " does not exists.");
  EXPECT_FALSE(fs::exists(tmp.Path() / "dst2"));
}

TEST(Folders, DeleteFolderRemovesTreeButNotLinkedFolders) {
  TempFolder tmp;
  const fs::path folder = tmp.Path() / "gone";
  WriteFile(folder / "a.txt", "a");
  WriteFile(folder / "Sub" / "b.txt", "b");
  WriteFile(tmp.Path() / "outside" / "precious.txt", "p");
  fs::create_directory_symlink(tmp.Path() / "outside", folder / "link");
  TMessageCatcher messages;
  glDeleteFolder(PathToWide(folder));
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(ReadFile(tmp.Path() / "outside" / "precious.txt"), "p");
  EXPECT_TRUE(messages.Messages.empty());

  glDeleteFolder(PathToWide(folder));  // a missing folder: nothing happens
  EXPECT_TRUE(messages.Messages.empty());

  // A name with doubled separators still finds every entry.
  WriteFile(tmp.Path() / "twice" / "c.txt", "c");
  glDeleteFolder(PathToWide(tmp.Path()) + u"\\\\twice");
  EXPECT_FALSE(fs::exists(tmp.Path() / "twice"));
}

TEST(Folders, WritableProbe) {
  TempFolder tmp;
  EXPECT_TRUE(IsDictionaryWritable(PathToWide(tmp.Path())));
  EXPECT_TRUE(IsDictionaryWritable(Dir(tmp.Path())));
  EXPECT_TRUE(IsDictionaryWritable(PathToWide(tmp.Path()) + u"/"));
  EXPECT_TRUE(fs::is_empty(tmp.Path()));  // the probe is gone again
  EXPECT_FALSE(IsDictionaryWritable(PathToWide(tmp.Path() / "missing")));
  WriteFile(tmp.Path() / "file", "x");
  EXPECT_FALSE(IsDictionaryWritable(PathToWide(tmp.Path() / "file")));

  // A user's file of the probe's name is neither emptied nor deleted.
  WriteFile(tmp.Path() / "Dummyfile.txt", "mine");
  EXPECT_TRUE(IsDictionaryWritable(PathToWide(tmp.Path())));
  EXPECT_EQ(ReadFile(tmp.Path() / "Dummyfile.txt"), "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Path()), fs::directory_iterator()), 2);
}

TEST(Folders, ChangeConfigViewChangesTheValueInTheWholeText) {
  TempFolder tmp;
  const fs::path file = tmp.Path() / "ViewConfig.ini";
  const std::string text = "% view settings\r\n[D /ViewConfig [D /Width 800 ]\r\n /InstallConfig [D /AppDataFolder 1 ] ]\r\n";
  WriteFile(file, text);
  ChangeConfigView(Dir(tmp.Path()));
  std::string expected = text;
  expected[expected.find("AppDataFolder 1") + 14] = '0';
  EXPECT_EQ(ReadFile(file), expected);
  EXPECT_EQ(ReadFile(tmp.Path() / "ViewConfig.bak"), text);  // the previous version
  EXPECT_FALSE(fs::exists(tmp.Path() / "ViewConfig.ini.new"));

  const std::string without = "[D /ViewConfig [D /Width 800 ] ]";
  WriteFile(file, without);
  ChangeConfigView(Dir(tmp.Path()));
  EXPECT_EQ(ReadFile(file), without);

  fs::remove(file);
  ChangeConfigView(Dir(tmp.Path()));  // no file: nothing happens
  EXPECT_FALSE(fs::exists(file));
}

}  // namespace
