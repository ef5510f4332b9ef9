// The shell tests' fixture: the runtime's globals, a storage manager over a data folder
// the test builds, the per-user folders in a temporary XDG data home, and the messages
// shown to the user.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "RuntimeTestUtil.h"
#include "StorageFixture.h"
#include "TempFolder.h"
#include "platform/PathResolver.h"
#include "runtime/ProgramFolders.h"

class ShellTest : public RuntimeTest, public vt::test::TStorageEnvironment {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    Start();
    ::setenv("XDG_DATA_HOME", Home.Path().c_str(), 1);
    vt::SetProgramFolders(vt::PathToWide(Folder));
    Catcher = std::make_unique<TMessageCatcher>();
  }
  void TearDown() override {
    Catcher.reset();
    vt::ClearProgramVariables();
    ::unsetenv("XDG_DATA_HOME");
    Stop();
    RuntimeTest::TearDown();
  }
  // Below the data folder (the program's folder).
  std::filesystem::path Data(const std::string& Name) const { return Folder / Name; }

  TempFolder Home;  // XDG data home
  std::unique_ptr<TMessageCatcher> Catcher;
};
