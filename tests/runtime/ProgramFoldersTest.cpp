#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TempFolder.h"
#include "platform/PathResolver.h"
#include "runtime/ProgramFolders.h"

using namespace vt;

namespace {

TEST(ProgramVariables, FollowTheXdgFolders) {
  TempFolder tmp;
  const auto data = tmp.Path() / "data", config = tmp.Path() / "config";
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  InitProgramVariables(u"/opt/vorlix\\data", u"Vorlix");
  EXPECT_EQ(WorkDir, u"/opt/vorlix/data/");
  EXPECT_EQ(AppDataDir, PathToWide(data / "Vorlix") + u"/");
  EXPECT_EQ(AppDataDirLocal, PathToWide(config / "Vorlix") + u"/");
  EXPECT_TRUE(std::filesystem::is_directory(data / "Vorlix"));
  EXPECT_TRUE(std::filesystem::is_directory(config / "Vorlix"));
  EXPECT_FALSE(UserDir.empty());
  EXPECT_EQ(OpenSaveConfigDir, UserDir);
  EXPECT_EQ(MDFSaveDir, UserDir);
  ClearProgramVariables();
  EXPECT_TRUE(WorkDir.empty() && AppDataDir.empty() && MDFSaveDir.empty());
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
