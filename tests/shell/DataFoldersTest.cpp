// The first start's copy of the bundled data folders and the two-column CSV reader.
#include "shell/DataFolders.h"

#include "ShellFixture.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

class DataFoldersTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    WriteFile("Motors_7/Art_Description.csv", "1;A\r\n");
    WriteFile("Firmware/VXOS.IN2", "os");
    WriteFile("RepoData/r.txt", "repo");
    SetAppDataDir(u"P");
  }
  fs::path User(const char* Name) const { return WideToPath(AppDataDir) / Name; }
  // Copies into the per-user folders, counting the start-up window's appearances.
  void Copy(bool InAppDataDir = true) {
    CopyFirstStartData(DataFoldersIn(InAppDataDir), [this](bool Show) { Shown += Show ? 1 : 0; });
  }
  int Shown = 0;
};

TEST_F(DataFoldersTest, FirstStartCopiesTheBundledFolders) {
  Copy();
  EXPECT_TRUE(fs::exists(User("Motors_7/Art_Description.csv")));
  EXPECT_TRUE(fs::exists(User("Firmware/VXOS.IN2")));
  EXPECT_TRUE(fs::exists(User("RepoData/r.txt")));
  EXPECT_FALSE(fs::exists(User("CopyFile.txt")));
  EXPECT_EQ(Shown, 1);
  // A second start finds them and copies nothing, so a user's change stays.
  std::ofstream(User("Firmware/VXOS.IN2")) << "mine";
  Copy();
  EXPECT_EQ(Shown, 1);
  std::ifstream in(User("Firmware/VXOS.IN2"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "mine");
}

TEST_F(DataFoldersTest, AnInterruptedCopyStartsOver) {
  fs::create_directories(User("Motors_7"));
  fs::create_directories(User("Firmware"));
  std::ofstream(User("Motors_7/half.csv")) << "left over";
  std::ofstream(User("CopyFile.txt"));
  Copy();
  EXPECT_FALSE(fs::exists(User("Motors_7/half.csv")));
  EXPECT_TRUE(fs::exists(User("Motors_7/Art_Description.csv")));
  EXPECT_TRUE(fs::exists(User("Firmware/VXOS.IN2")));
  EXPECT_FALSE(fs::exists(User("CopyFile.txt")));
}

TEST_F(DataFoldersTest, DataInTheProgramFolderAreNotCopied) {
  const TDataFolders folders = DataFoldersIn(false);
  EXPECT_EQ(folders.MotorFiles, WorkDir + u"Motors_7/");
  Copy(false);
  EXPECT_EQ(Shown, 0);
  EXPECT_FALSE(fs::exists(User("Motors_7")));
}

TEST_F(DataFoldersTest, CsvKeepsTheFirstOfARepeatedKey) {
  WriteFile("names.csv", " 0150-1 ; Motor A \r\nno separator\r\n0150-2;B;x\r\n0150-1;C\r\n0150-1;D\r\n");
  std::map<AnsiString, AnsiString> names;
  FillDictFrom2ColumnCsv(names, PathToWide(Data("names.csv")));
  EXPECT_EQ(names, (std::map<AnsiString, AnsiString>{{"0150-1", "Motor A"}, {"0150-2", "B;x"}}));
  EXPECT_EQ(Catcher->Messages.size(), 2u);  // one per repetition
  EXPECT_NE(Catcher->Messages.at(0).find("Duplicate keys in csv file: "), std::string::npos);
  FillDictFrom2ColumnCsv(names, PathToWide(Data("none.csv")));
  EXPECT_NE(Catcher->Messages.back().find("Error loading file from: "), std::string::npos);
}

}  // namespace
