// The real program on its staged data, without a display: the start, the exit code of
// scripts, bad input, and the per-user settings written at the first exit only.
#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "Launcher.h"
#include "TempFolder.h"
#include "gtest/gtest.h"

namespace fs = std::filesystem;

namespace {

class ProgramTest : public ::testing::Test {
 protected:
  // Runs the program with Args; its exit code and what it printed.
  int Run(const std::string& Args) {
    const std::string command = "XDG_DATA_HOME=" + Home.Path().string() + " QT_QPA_PLATFORM= DISPLAY= " +
                                VT_PROGRAM + " " + Args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    Output.clear();
    std::array<char, 256> buffer;
    while (std::fgets(buffer.data(), buffer.size(), pipe)) Output += buffer.data();
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  fs::path User(const char* Name) const { return Home.Path() / "Vorlix/Vorlix-Talk" / Name; }
  std::string Script(const std::string& Text) {
    const fs::path file = Home.Path() / "script.sct";
    std::ofstream(file) << Text;
    return file.string();
  }

  TempFolder Home;
  std::string Output;
};

TEST_F(ProgramTest, StartsWithoutDisplayAndWritesTheSettingsOnce) {
  ASSERT_EQ(Run("-NoForm -NoAuto"), 0) << Output;
  // The first start copied the data and wrote the settings with the keys it added.
  EXPECT_TRUE(fs::exists(User("Motors_7/Art_Description.csv")));
  EXPECT_TRUE(fs::is_directory(User("Configurations/VXC")));
  std::ifstream in(User("ViewConfig.ini"));
  const std::string settings(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(settings.find("/MaxNumberOfTries 5"), std::string::npos) << settings;
  EXPECT_NE(settings.find("/LastIPVersion 4"), std::string::npos);
  struct stat before {}, after {};
  ::stat(User("ViewConfig.ini").c_str(), &before);
  ASSERT_EQ(Run("-NoForm -NoAuto"), 0) << Output;
  ::stat(User("ViewConfig.ini").c_str(), &after);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
  EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
}

TEST_F(ProgramTest, TheScriptsResultIsTheExitCode) {
  EXPECT_EQ(Run("-NoForm -NoAuto -script:" + Script("[B 7 ]\r\n")), 7) << Output;
  EXPECT_NE(Output.find("7"), std::string::npos);
  // A text result is no exit code.
  EXPECT_EQ(Run("-NoForm -NoAuto -script:" + Script("[B 'done' ]\r\n")), 0) << Output;
  // A missing script counts as run: the program does not wait for it.
  EXPECT_EQ(Run("-NoForm -script:" + (Home.Path() / "none.sct").string()), 0) << Output;
}

TEST_F(ProgramTest, BadInputEndsTheStartNamingIt) {
  const struct {
    const char* args;
    const char* named;
  } cases[] = {{"-NoForm -NoAuto -INIFile:Other.ini", "Other.ini"}, {"-NoForm -NoAuto -ZI2BAUD:fast", "ZI2BAUD"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), 1) << c.args;
    EXPECT_NE(Output.find(c.named), std::string::npos) << Output;
  }
}

}  // namespace

namespace {

// The run command's drive: a pseudo-terminal reached through a link at a fixed path,
// which a stop by SIGTERM removes again.
TEST(RunCommandDrive, LinkLivesWhileTheDriveRuns) {
  TempFolder tmp;
  const fs::path link = tmp.Path() / "drive1.pty";
  {
    drivesim::TDriveSim sim({"--pty=" + link.string(), "--udp4"});
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), sim.Ptys().at(0));
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

}  // namespace
