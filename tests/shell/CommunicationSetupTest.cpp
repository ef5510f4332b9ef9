// The drive link's set-up: the serial baud rate's sources and the order of the port drivers.
#include "shell/CommunicationSetup.h"

#include <unistd.h>

#include "PseudoTerminal.h"
#include "ShellFixture.h"
#include "comm/TalkServer.h"
#include "runtime/CommandLine.h"
#include "runtime/SettingsTree.h"

using namespace vt;

namespace {

class CommunicationSetupTest : public ShellTest {
 protected:
  void TearDown() override {
    ProgramRegistry.reset();
    ReadProgramParameters(std::vector<std::string>{});
    ShellTest::TearDown();
  }
  void Settings(const std::string& Text) {
    WriteFile("Quorvel.ini", Text);
    ProgramRegistry = std::make_unique<TProgramRegistry>();
    ProgramRegistry->ReadFromFile(At("Quorvel.ini"));
  }
};

TEST_F(CommunicationSetupTest, BaudRateSettingsWinOverTheCommandLine) {
  const struct {
    std::vector<std::string> args;
    const char* settings;
    std::uint32_t baud;
  } cases[] = {{{}, "[D ]", 38400},
               {{"-ZI2BAUD:115200"}, "[D ]", 115200},
               {{"-ZI2BAUD:115200"}, "[D /COMMUNICATION [D /ZI2BAUD 57600 ] ]", 57600},
               {{}, "[D /COMMUNICATION [D /ZI2BAUD 9600 ] ]", 9600}};
  for (const auto& c : cases) {
    ReadProgramParameters(c.args);
    Settings(c.settings);
    EXPECT_EQ(SerialBaudRate(), c.baud) << c.settings;
  }
  ReadProgramParameters(std::vector<std::string>{"-ZI2BAUD:fast"});
  try {
    SerialBaudRate();
    ADD_FAILURE() << "a rate that is no number was taken";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("ZI2BAUD"), std::string::npos) << e.what();
  }
}

TEST_F(CommunicationSetupTest, ListedTerminalsComeBeforeTheUdpDrivers) {
  TPseudoTerminal first, second;
  // The second is listed by a link below the program's folder, as the run command makes it.
  ASSERT_EQ(::symlink(second.Path.c_str(), Data("drive2.pty").c_str()), 0);
  Settings("[D /COMMUNICATION [D /SerialPorts [A '" + first.Path + "' 'drive2.pty' ] ] ]");
  TTalkServer server;
  AddPortDrivers(server, 38400);
  const int n = server.GetPortCount();
  ASSERT_GE(n, 4);
  EXPECT_EQ(server.GetPortName(n - 4), first.Path);
  EXPECT_EQ(server.GetPortName(n - 3), Data("drive2.pty").string());
  EXPECT_EQ(server.GetPortName(n - 2), "ETH");
  EXPECT_EQ(server.GetPortName(n - 1), "ETH_v6");
}

}  // namespace
