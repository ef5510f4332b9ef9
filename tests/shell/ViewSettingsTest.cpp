// The view settings of ViewConfig.ini: defaults added and in force, letter case of
// names, values of the wrong type, the login time-out, and the write-back at exit.
#include "shell/ViewSettings.h"

#include <sys/stat.h>

#include "ShellFixture.h"
#include "comm/SharedLinkState.h"
#include "runtime/SettingsTree.h"

using namespace vt;

namespace {

class ViewSettingsTest : public ShellTest {
 protected:
  // The file "ViewConfig.ini" of the data folder, read into Tree and applied.
  void Load(const std::string& Text) {
    WriteFile("ViewConfig.ini", Text);
    Tree.ReadFromFile(At("ViewConfig.ini"));
    Settings.Read(Tree, "ViewConfig.ini");
  }
  // The name of the entry as the tree holds it.
  WideString Spelling(const WideString& Name) {
    TSLDictionary* section = Tree.GetDictKey("ViewConfig");
    return section->NameAtIndex(section->IndexOfName(Name));
  }
  std::int64_t Entry(const char* Key) { return Tree.GetIntKey(std::string("ViewConfig\\") + Key); }

  TProgramRegistry Tree;
  TViewSettings Settings;
};

TEST_F(ViewSettingsTest, FirstStartAddsEveryKeyWithItsDefault) {
  Load("[D /ViewConfig [D ] /LoginConfig [D ] ]");
  // Entry added and value in force differ for three keys, so the first exit rewrites them.
  const struct {
    const char* key;
    std::int64_t added;
    std::int32_t inForce;
  } cases[] = {{"MaxNumberOfTries", 3, Settings.MaxNumberOfTries},
               {"ADPUpdateDate", 1, Settings.ADPUpdateDate},
               {"NewsUpdateDate", 1, Settings.NewsUpdateDate},
               {"ExitWarning", 1, Settings.ExitProgramWarning},
               {"UDPPort", 20000, Settings.EthPort},
               {"LastIPVersion", 6, Settings.LastIPVersion}};
  for (const auto& c : cases) EXPECT_EQ(Entry(c.key), c.added) << c.key;
  EXPECT_EQ(Settings.MaxNumberOfTries, 5);
  EXPECT_EQ(Settings.ADPUpdateDate, 0);
  EXPECT_EQ(Settings.NewsUpdateDate, 0);
  EXPECT_EQ(Tree.GetStrKey("ViewConfig\\MainFont"), "Segoe UI");
  EXPECT_EQ(Tree.GetStrKey("ViewConfig\\RelParFilterMode"), "Disabled");
  // Added under its own spelling.
  EXPECT_EQ(Spelling(u"RepeateCheckSumErrors"), u"RepeateChecksumErrors");
  EXPECT_TRUE(Settings.Changed(Tree));
  Settings.Store(Tree);
  EXPECT_FALSE(Settings.Changed(Tree));
  EXPECT_EQ(Entry("MaxNumberOfTries"), 5);
}

TEST_F(ViewSettingsTest, StoredValuesAreTakenInAnyLetterCaseOfTheName) {
  Load("[D /ViewConfig [D /REPEATECHECKSUMERRORS 1 /maxnumberoftries 7 /BeautifulView -2 /InfoWindow -2"
           " /UPIDDispMode 'DEC' /AppDataFolder 0 ] ]");
  EXPECT_TRUE(Settings.RepeatChecksum);
  EXPECT_EQ(Settings.MaxNumberOfTries, 7);
  EXPECT_FALSE(Settings.Beautifulview);  // above 0
  EXPECT_TRUE(Settings.HelpWindowVisiFlag);  // not 0
  EXPECT_EQ(Settings.UPIDDispMode, "DEC");
  EXPECT_FALSE(Settings.AppDataFolder);
  // Stored back under the file's own spelling, without a second entry.
  const int count = Tree.GetDictKey("ViewConfig")->GetCount();
  Settings.Store(Tree);
  EXPECT_EQ(Tree.GetDictKey("ViewConfig")->GetCount(), count);
  EXPECT_EQ(Spelling(u"RepeateCheckSumErrors"), u"REPEATECHECKSUMERRORS");
}

TEST_F(ViewSettingsTest, AValueOfTheWrongTypeGivesTheValueInForceAndAWarning) {
  Load("[D /ViewConfig [D /MaxNumberOfTries 'many' /MainFont 12 ] /LoginConfig [D /LoginTimeout 'slow' ] ]");
  EXPECT_EQ(Settings.MaxNumberOfTries, 5);
  EXPECT_EQ(Settings.MainFont, "Segoe UI");
  EXPECT_EQ(Settings.LoginTimeout, 250);
  const auto lines = LogLines();
  for (const char* key : {"MaxNumberOfTries", "MainFont", "LoginConfig\\LoginTimeout"})
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& Line) {
      return Line.find("ViewConfig.ini") != std::string::npos && Line.find(key) != std::string::npos;
    })) << key;
  // The exit mends the file.
  EXPECT_TRUE(Settings.Changed(Tree));
  Settings.Store(Tree);
  EXPECT_EQ(Entry("MaxNumberOfTries"), 5);
}

TEST_F(ViewSettingsTest, LoginTimeoutSetsTheThreeTimeouts) {
  const struct {
    const char* value;
    std::int32_t login, shortT, extended;
  } cases[] = {{"10000", 10000, 10000, 30000}, {"100", 100, 2000, 25000}, {nullptr, 250, 2000, 25000}};
  for (const auto& c : cases) {
    ResetTimeouts();
    Load(c.value ? std::string("[D /LoginConfig [D /LoginTimeout ") + c.value + " ] ]" : "[D ]");
    EXPECT_EQ(loginTimeout, c.login) << (c.value ? c.value : "missing");
    EXPECT_EQ(shortTimeout, c.shortT);
    EXPECT_EQ(extendedTimeout, c.extended);
  }
  EXPECT_EQ(Tree.GetIntKey("LoginConfig\\LoginTimeout"), 250);  // added when missing
  ResetTimeouts();
}

class ViewSettingsWriteBack : public ViewSettingsTest {
 protected:
  void SetUp() override {
    ViewSettingsTest::SetUp();
    File = PathToWide(Folder / "user/ViewConfig.ini");
    Load("[D /ViewConfig [D ] /InstallConfig [D /InstPortName 'ETH' ] ]");
    Settings.WriteBack(Tree, File);  // the first exit writes the added keys
    Before = UserFile();
  }
  std::string UserFile() { return ReadFile("user/ViewConfig.ini"); }
  struct timespec MTime() {
    struct stat st {};
    ::stat((Folder / "user/ViewConfig.ini").c_str(), &st);
    return st.st_mtim;
  }

  WideString File;  // the per-user file
  std::string Before;
};

TEST_F(ViewSettingsWriteBack, AnUnchangedRunKeepsBytesAndTimeStamp) {
  ASSERT_NE(Before.find("/MaxNumberOfTries 5"), std::string::npos) << Before;
  const auto before = MTime();
  TProgramRegistry tree;
  tree.ReadFromFile(WideToAnsi(File));
  TViewSettings settings;
  settings.Read(tree, "ViewConfig.ini");
  settings.WriteBack(tree, File);
  const auto after = MTime();
  EXPECT_EQ(UserFile(), Before);
  EXPECT_TRUE(before.tv_sec == after.tv_sec && before.tv_nsec == after.tv_nsec);
}

TEST_F(ViewSettingsWriteBack, OneChangeRewritesThatValueOnly) {
  Settings.UPIDDispMode = "DEC";
  Settings.WriteBack(Tree, File);
  std::string expected = Before;
  const auto at = expected.find("/UPIDDispMode 'HEX'");
  ASSERT_NE(at, std::string::npos);
  expected.replace(at, 19, "/UPIDDispMode 'DEC'");
  EXPECT_EQ(UserFile(), expected);
  EXPECT_NE(UserFile().find("/InstPortName 'ETH'"), std::string::npos);
}

TEST_F(ViewSettingsWriteBack, TreeWidthIsStoredAtLeastAsTheMinimum) {
  Settings.TreeViewWidth = 100;
  Settings.MinTreeViewWidth = 180;
  Settings.WriteBack(Tree, File);
  EXPECT_EQ(Entry("TreeViewWidth"), 180);
}

TEST_F(ViewSettingsWriteBack, ABrokenWriteKeepsTheOldFile) {
  // The temporary file cannot be made: a folder is in its place.
  std::filesystem::create_directories(Folder / "user/ViewConfig.ini.new/x");
  Settings.ExitProgramWarning = 0;
  EXPECT_ANY_THROW(Settings.WriteBack(Tree, File));
  EXPECT_EQ(UserFile(), Before);
}

}  // namespace
