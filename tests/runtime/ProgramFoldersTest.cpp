#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TempFolder.h"
#include "platform/PathResolver.h"
#include "runtime/ProgramFolders.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

class ProgramVariables : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_DATA_HOME", (Tmp.Path() / "data").c_str(), 1); }
  void TearDown() override {
    ClearProgramVariables();
    ::unsetenv("XDG_DATA_HOME");
  }
  WideString Under(const char* Name) const { return PathToWide(Tmp.Path() / "data" / Name) + u"/"; }

  TempFolder Tmp;
};

TEST_F(ProgramVariables, PerUserFolderIsNamedForTheProduct) {
  SetProgramFolders(u"/opt/vorlix\\bin");
  EXPECT_EQ(WorkDir, u"/opt/vorlix/bin/");
  EXPECT_EQ(UserDir, PathToWide(fs::current_path()) + u"/");
  SetAppDataDir(u"Vorlix-Talk");
  EXPECT_EQ(AppDataDir, Under("Vorlix/Vorlix-Talk"));
  EXPECT_TRUE(fs::is_directory(WideToPath(AppDataDir)));
  // Without a product name the data go straight into the vendor folder.
  SetAppDataDir(u"");
  EXPECT_EQ(AppDataDir, Under("Vorlix"));
}

TEST_F(ProgramVariables, DataFolderInUseFollowsTheSetting) {
  SetProgramFolders(PathToWide(Tmp.Path() / "program"));
  SetAppDataDir(u"P");
  SetAppDataDirLocal(false);
  EXPECT_EQ(AppDataDirLocal, WorkDir);
  SetAppDataDirLocal(true);
  SetConfigurationFolders();
  EXPECT_EQ(OpenSaveConfigDir, AppDataDir + u"Configurations/VXC/");
  EXPECT_EQ(OfflineConfigDir, OpenSaveConfigDir);
  EXPECT_EQ(OpenSaveWorkspaceDir, AppDataDir + u"Configurations/VWS/");
  EXPECT_EQ(MDFSaveDir, AppDataDir + u"Motors/");
  EXPECT_TRUE(fs::is_directory(WideToPath(OpenSaveConfigDir)));
  EXPECT_TRUE(fs::is_directory(WideToPath(OpenSaveWorkspaceDir)));
  ClearProgramVariables();
  EXPECT_TRUE(WorkDir.empty() && AppDataDir.empty() && MDFSaveDir.empty());
}

}  // namespace
