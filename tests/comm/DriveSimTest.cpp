// The simulated drive through the link: its answers, and the link faults it plays
// against the link's framing and routing.
#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <thread>

#include "CommTestUtil.h"
#include "comm/SerialDriver.h"
#include "comm/TalkDevices.h"
#include "comm/UdpDriver.h"
#include "platform/SerialPort.h"
#include "runtime/Conversions.h"

using namespace vt;

namespace {

// A request the drive stays silent on is given up after this; answers come within
// milliseconds on loopback.
constexpr std::int64_t SilenceMs = 400;

class DriveSimTest : public CommTest {
 protected:
  // A link to the first drive of Sim: serial when it has a pseudo-terminal, else UDP.
  TTalkDevice* LinkTo(const drivesim::TDriveSim& Sim) {
    if (!Sim.Ptys().empty()) {
      const std::string path = Sim.Ptys()[0];
      return Keep(std::make_unique<TTalkDevice>(path, OpenSerialPort(path), 0, MainQueue.get(), 0));
    }
    return Keep(std::make_unique<TTalkDevice>("ETH", OpenUdpPort<TETHDriver>(), Loopback(), MainQueue.get(),
                                              Sim.Udp4Ports()[0]));
  }
  TTestExecutor* Executor() {
    if (!FExecutor) FExecutor = Keep(std::make_unique<TTestExecutor>(Talk.get()));
    return FExecutor;
  }

 private:
  TTestExecutor* FExecutor = nullptr;
};

TEST_F(DriveSimTest, LoginAnswerFieldsAreSettable) {
  const struct {
    std::vector<std::string> args;
    std::string answer;
  } cases[] = {
      {{"--addr-size=3", "--data-size=2", "--protocol=0x90", "--increment=2", "--max-buffer=64",
        "--processor-type=0x1234", "--device-type=0x5678", "--device-version=0x9ABC", "--flash-type=0xDEF0",
        "--flash-base=0x123456", "--device-string=ABC", "--command-set=-1"},
       Bytes({0x01, 0x00, 0x90, 0x03, 0x02, 0x02, 0x40, 0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xF0, 0xDE, 0x56, 0x34,
              0x12}) +
           std::string("ABC", 3) + std::string(13 + 2, '\0')},
      // Protocol versions 3x skip four bytes whatever the data size.
      {{"--protocol=0x31", "--data-size=2", "--command-set=7", "--device-string="},
       Bytes({0x01, 0x00, 0x31, 0x04, 0x02, 0x01, 0xFF, 0x01, 0x00, 0x01, 0x0C, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00,
              0x10, 0x00}) +
           std::string(16 + 4, '\0') + Bytes({0x07})},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"--udp4"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    drivesim::TDriveSim sim(args);
    EXPECT_EQ(Hex(Executor()->Request(*LinkTo(sim), Bytes({0x01})).Answer), Hex(c.answer)) << c.args[0];
  }
}

TEST_F(DriveSimTest, WordsLiveInRam) {
  drivesim::TDriveSim sim({"--pty", "--addr-size=3", "--data-size=2"});
  TTalkDevice* link = LinkTo(sim);
  TTestExecutor* ex = Executor();
  EXPECT_EQ(ex->Request(*link, Bytes({0x10, 0x34, 0x12, 0x00})).Answer, Bytes({0x10, 0x00, 0x00, 0x00}));
  EXPECT_EQ(ex->Request(*link, Bytes({0x11, 0x34, 0x12, 0x00, 0xCD, 0xAB})).Answer, Bytes({0x11, 0x00}));
  EXPECT_EQ(ex->Request(*link, Bytes({0x10, 0x34, 0x12, 0x00})).Answer, Bytes({0x10, 0x00, 0xCD, 0xAB}));
  EXPECT_EQ(ex->Request(*link, Bytes({0x10, 0x35, 0x12, 0x00})).Answer, Bytes({0x10, 0x00, 0x00, 0x00}));
  EXPECT_EQ(ex->Request(*link, Bytes({0x10, 0x34})).Answer, Bytes({0x10, 0x80}));  // too short
  EXPECT_EQ(ex->Request(*link, Bytes({0x77})).Answer, Bytes({0x77, 0x80}));         // unknown
  EXPECT_EQ(ex->Request(*link, Bytes({0x02})).Answer, Bytes({0x02, 0x00}));
}

// A request frame with a wrong sum is answered with the drive's checksum status.
TEST_F(DriveSimTest, SerialRequestWithWrongSumGetsEE) {
  drivesim::TDriveSim sim({"--pty"});
  TSerialPort port;
  ASSERT_EQ(port.Open(sim.Ptys()[0]), 0);
  ASSERT_EQ(port.SetRawMode(), 0);
  ASSERT_EQ(port.Write(Bytes({0xA5, 0x02, 0x00, 0x10, 0x00}), 1000), 0);
  std::string got;
  while (got.size() < 5) {
    pollfd p{port.Descriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 20000), 1);
    char buffer[16];
    const int n = port.Read(buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    got.append(buffer, n);
  }
  EXPECT_EQ(got, Bytes({0xA5, 0x02, 0xFE, 0x10, 0xEE}));
}

// Each fault against the link: which of four requests get their answer ('A') and which
// are lost ('-'). A lost serial answer costs that answer only.
TEST_F(DriveSimTest, LinkFaults) {
  const struct {
    std::vector<std::string> args;
    const char* outcome;
  } cases[] = {
      {{"--udp4", "--silent-every=2"}, "A-A-"},
      {{"--pty", "--silent-every=3"}, "AA-A"},
      {{"--pty", "--bad-sum-every=2"}, "A-A-"},
      {{"--pty", "--stray-a5-every=2"}, "A-A-"},
      {{"--pty", "--zero-frame-every=1"}, "AAAA"},
      {{"--pty", "--split-writes"}, "AAAA"},
      {{"--pty", "--delay=50"}, "AAAA"},
      {{"--pty", "--baud=9600"}, "AAAA"},
  };
  for (const auto& c : cases) {
    const std::string name = c.args[0] + " " + c.args[1];
    drivesim::TDriveSim sim(c.args);
    TTalkDevice* link = LinkTo(sim);
    std::string outcome;
    for (int i = 0; i < 4; ++i) {
      const bool lost = c.outcome[i] == '-';
      const auto r = Executor()->Request(*link, Bytes({0x10, i, 0, 0, 0}), lost ? SilenceMs : 20000);
      EXPECT_EQ(r.Status, 0) << name;
      outcome += r.Answer == Bytes({0x10, 0x00, 0x00, 0x00, 0x00, 0x00}) ? 'A' : r.Answer.empty() ? '-' : '?';
    }
    EXPECT_EQ(outcome, c.outcome) << name;
    OnTalkThread([&] { link->Destroy(); });
  }
  const auto lines = LogLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find(": Checksum error! ") != l.npos; }));
}

// A reboot: silent for a while, then the RAM is cleared.
TEST_F(DriveSimTest, RebootForgetsTheRam) {
  drivesim::TDriveSim sim({"--udp4", "--reboot-after=2", "--reboot-for=300"});
  TTalkDevice* link = LinkTo(sim);
  TTestExecutor* ex = Executor();
  const std::string write = Bytes({0x11, 0x01, 0, 0, 0, 0x2A, 0, 0, 0});
  const std::string read = Bytes({0x10, 0x01, 0, 0, 0});
  EXPECT_EQ(ex->Request(*link, write).Answer, Bytes({0x11, 0x00}));
  EXPECT_TRUE(ex->Request(*link, read, SilenceMs).Answer.empty());  // the reboot
  std::string answer;
  ASSERT_TRUE(WaitUntil([&] { return !(answer = ex->Request(*link, read, SilenceMs).Answer).empty(); }));
  EXPECT_EQ(answer, Bytes({0x10, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

}  // namespace
