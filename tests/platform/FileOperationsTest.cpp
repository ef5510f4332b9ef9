#include "platform/FileOperations.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>

#include "TempFolder.h"
#include "TestUtil.h"
#include "platform/PathResolver.h"
#include "platform/TextConversion.h"

namespace fs = std::filesystem;
using namespace vt;

namespace {

// Data/ holds Log.TXT, b.txt, .hidden.txt, readme, ro.txt (read-only) and the folder Sub.
class FileOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Data / "Sub");
    for (const char* name : {"b.txt", ".hidden.txt", "readme", "ro.txt"}) std::ofstream(Data / name) << "x";
    std::ofstream(Data / "Log.TXT") << "12345";
    ::chmod((Data / "ro.txt").c_str(), 0444);
  }
  // A name below the temporary folder written the Windows way, in another letter case.
  std::u16string Win(const char* relative) { return PathToWide(Temp.Path()) + u"\\" + AnsiToWide(relative); }
  static std::vector<std::string> Names(const std::vector<TSearchEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(WideToUtf8(e.Name));
    return names;
  }

  TempFolder Temp;
  fs::path Data = Temp.Path() / "Data";
};

TEST_F(FileOperations, ListingsFilterByAttributeAndSortByName) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Names(FindFiles(Win("DATA\\*.txt"), 0)), (V{"b.txt", "Log.TXT", "ro.txt"}));
  EXPECT_EQ(Names(FindFiles(Win("data\\*.TXT"), faHidden)), (V{".hidden.txt", "b.txt", "Log.TXT", "ro.txt"}));
  EXPECT_EQ(Names(FindFiles(Win("data\\*.*"), 0)), (V{"b.txt", "Log.TXT", "readme", "ro.txt"}));
  EXPECT_EQ(Names(FindFiles(Win("data\\*.*"), faDirectory)), (V{".", "..", "b.txt", "Log.TXT", "readme", "ro.txt", "Sub"}));
  EXPECT_EQ(Names(FindFiles(Win("data\\?.txt"), faDirectory)), (V{"b.txt"}));
  EXPECT_EQ(Names(FindFiles(Win("data\\LOG.txt"), 0)), (V{"Log.TXT"}));
  EXPECT_TRUE(FindFiles(Win("nothere\\*.*"), faDirectory).empty());
}

TEST_F(FileOperations, EntriesCarryAttributesSizeAndTime) {
  const QDateTime when(QDate(2024, 3, 5), QTime(14, 3, 8));
  const struct timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
  ::utimensat(AT_FDCWD, (Data / "Log.TXT").c_str(), times, 0);
  const auto found = FindFiles(Win("data\\log.txt"), 0);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Attr, faNormal);
  EXPECT_EQ(found[0].Size, 5);
  EXPECT_EQ(found[0].Time, when);
}

TEST_F(FileOperations, Attributes) {
  EXPECT_EQ(FileGetAttr(Win("data")), faDirectory);
  EXPECT_EQ(FileGetAttr(Win("DATA\\B.TXT")), faNormal);
  EXPECT_EQ(FileGetAttr(Win("data\\ro.txt")), faReadOnly);
  EXPECT_EQ(FileGetAttr(Win("data\\.hidden.txt")), faHidden);
  EXPECT_EQ(FileGetAttr(Win("data\\nothere.txt")), -1);
}

TEST_F(FileOperations, FoldersAndFiles) {
  EXPECT_THROW_MSG(ForceDirectories(u""), "Unable to create directory");
  EXPECT_TRUE(ForceDirectories(Win("DATA\\x\\y")));
  EXPECT_TRUE(fs::is_directory(Data / "x" / "y"));
  EXPECT_TRUE(ForceDirectories(Win("data\\x")));  // existing already
  EXPECT_FALSE(CreateDir(Win("data\\p\\q")));     // the parent is missing
  EXPECT_TRUE(CreateDir(Win("data\\P")));
  EXPECT_FALSE(RemoveDir(Win("data\\x")));  // not empty
  EXPECT_TRUE(RemoveDir(Win("data\\x\\Y")));
  EXPECT_FALSE(DeleteFile(Win("data\\sub")));  // a folder
  EXPECT_TRUE(DeleteFile(Win("data\\B.txt")));
  EXPECT_FALSE(fs::exists(Data / "b.txt"));
}

TEST_F(FileOperations, RenameNeverReplacesAnotherFile) {
  EXPECT_FALSE(RenameFile(Win("data\\readme"), Win("data\\LOG.txt")));
  EXPECT_TRUE(fs::exists(Data / "readme"));
  EXPECT_TRUE(RenameFile(Win("data\\readme"), Win("data\\sub\\ReadMe.md")));
  EXPECT_TRUE(fs::exists(Data / "Sub" / "ReadMe.md"));
  EXPECT_TRUE(RenameFile(Win("data\\log.txt"), Win("data\\LOG.TXT")));  // only the case changes
  EXPECT_TRUE(fs::exists(Data / "LOG.TXT"));
  EXPECT_FALSE(fs::exists(Data / "Log.TXT"));
  EXPECT_FALSE(RenameFile(Win("data\\nothere"), Win("data\\new")));
}

TEST_F(FileOperations, SearchAndCurrentFolder) {
  const std::u16string folders = Win("nothere") + u";" + Win("DATA\\SUB") + u";;" + Win("data");
  EXPECT_EQ(FileSearch(u"log.txt", folders), Win("data") + u"\\log.txt");
  EXPECT_EQ(FileSearch(u"b.txt", PathToWide(Data)), PathToWide(Data / "b.txt"));  // "/" folders get "/"
  EXPECT_EQ(FileSearch(u"missing.txt", folders), u"");
  const fs::path before = fs::current_path();
  EXPECT_EQ(ChangeDir(Win("DATA")), 0);
  EXPECT_EQ(FileSearch(u"B.TXT", u""), u"B.TXT");  // the name itself first
  EXPECT_EQ(GetCurrentDir(), PathToWide(Data));
  EXPECT_NE(ChangeDir(u"nothere"), 0);
  fs::current_path(before);
}

TEST(Masks, WildcardsWithoutRegardToCase) {
  const struct {
    const char16_t* name;
    const char16_t* mask;
    bool matches;
  } cases[] = {
      {u"Log.TXT", u"*.txt", true},  {u"log.txt", u"l?g.*", true}, {u"readme", u"*.*", true},
      {u"readme", u"read*.*", true}, {u"readme", u"*.txt", false}, {u"a.b.c", u"*.c", true},
      {u"abc", u"a?", false},        {u"", u"*", true},            {u"x.txt", u"*x*.t?t", true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << WideToUtf8(c.name) << " " << WideToUtf8(c.mask);
}

}  // namespace
