// What the command line asks of the start: the configuration opened at start and the
// scripts the program waits for.
#include "shell/StartOptions.h"

#include "ShellFixture.h"
#include "runtime/CommandLine.h"

using namespace vt;

namespace {

class StartOptionsTest : public ShellTest {
 protected:
  // The parsed command line is the process's; leave it empty.
  void TearDown() override {
    ReadProgramParameters(std::vector<std::string>{});
    ShellTest::TearDown();
  }
};

TEST_F(StartOptionsTest, ConfigurationFromTheOptionOrALoneFile) {
  WriteCwdFile("drive.VxC2", "[D ]");
  WriteCwdFile("drive.vxc", "[D ]");
  const struct {
    std::vector<std::string> args;
    const char* name;
  } cases[] = {{{"drive.VxC2"}, "drive.VxC2"},
               {{"drive.VxC2", "-NoAuto"}, ""},  // two arguments
               {{"drive.vxc"}, ""},              // another extension
               {{"missing.vxc2"}, ""},
               {{"-VXC:other.vxc2"}, "other.vxc2"},
               {{"-VXC:other.vxc2", "drive.VxC2"}, "other.vxc2"}};
  for (const auto& c : cases) {
    ReadProgramParameters(c.args);
    EXPECT_EQ(StartConfigurationName(c.args), c.name) << c.args.at(0);
  }
}

TEST_F(StartOptionsTest, ScriptsExpectedToStart) {
  const struct {
    std::vector<std::string> args;
    int expected;
  } cases[] = {{{}, 1}, {{"-noauto"}, 0}, {{"-SCRIPT:x.sct"}, 2}, {{"-Script:x.sct", "-NoAuto"}, 1}};
  for (const auto& c : cases) {
    ReadProgramParameters(c.args);
    EXPECT_EQ(ScriptsExpectedToStart(), c.expected) << c.args.size();
  }
}

}  // namespace
