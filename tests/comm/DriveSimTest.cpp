// The simulated drive through the link: its answers, and the link faults it plays
// against the link's framing and routing.
#include <gtest/gtest.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
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

// Requests and their answers, in order, against one drive.
struct TStep {
  std::string request, answer;
};

// A 3, D 2, a word spanning two address units: RAM words, masked words, blocks and
// strings share one memory, which holds the release text from the start.
TEST_F(DriveSimTest, MemoryModel) {
  drivesim::TDriveSim sim({"--pty", "--addr-size=3", "--data-size=2", "--increment=2", "--release=R1"});
  const TStep steps[] = {
      {Bytes({0x10, 0x34, 0x12, 0x00}), Bytes({0x10, 0x00, 0x00, 0x00})},
      {Bytes({0x11, 0x34, 0x12, 0x00, 0xCD, 0xAB}), Bytes({0x11, 0x00})},
      {Bytes({0x10, 0x34, 0x12, 0x00}), Bytes({0x10, 0x00, 0xCD, 0xAB})},
      {Bytes({0x11, 0x36, 0x12, 0x00, 0x01, 0x02}), Bytes({0x11, 0x00})},  // the next word
      {Bytes({0x30, 0x34, 0x12, 0x00, 0x04}), Bytes({0x30, 0x00, 0xCD, 0xAB, 0x01, 0x02})},
      // The mask first: the low byte from the data, the high one kept.
      {Bytes({0x13, 0x34, 0x12, 0x00, 0xFF, 0x00, 0x11, 0x22}), Bytes({0x13, 0x00})},
      {Bytes({0x10, 0x34, 0x12, 0x00}), Bytes({0x10, 0x00, 0x11, 0xAB})},
      {Bytes({0x31, 0x00, 0x20, 0x00, 'x', 'y'}), Bytes({0x31, 0x00})},
      {Bytes({0x10, 0x00, 0x20, 0x00}), Bytes({0x10, 0x00, 'x', 'y'})},
      {Bytes({0x35, 0x00, 0x30, 0x00, 'A', 'B', 'C', 0x00}), Bytes({0x35, 0x00})},
      {Bytes({0x34, 0x00, 0x30, 0x00, 0x00, 0x10}), Bytes({0x34, 0x00, 'A', 'B', 'C'})},
      {Bytes({0x34, 0x00, 0x30, 0x00, 0x00, 0x02}), Bytes({0x34, 0x00, 'A', 'B'})},
      // The release text at A2001F48 (its low three bytes here), blanks and erased flash after.
      {Bytes({0x30, 0x48, 0x1F, 0x00, 0x04}), Bytes({0x30, 0x00, 'R', '1', ' ', ' '})},
      {Bytes({0x30, 0x5E, 0x1F, 0x00, 0x04}), Bytes({0x30, 0x00, 0x20, 0x20, 0xFF, 0xFF})},
      {Bytes({0x30, 0x48, 0x1F, 0x00, 0xFE}), Bytes({0x30, 0x80})},  // more than a frame holds
      {Bytes({0x36, 0x00, 0x00, 0x00, 0x02}), Bytes({0x36, 0x00, 0xFF, 0xFF})},  // flash reads erased
      {Bytes({0x10, 0x34}), Bytes({0x10, 0x80})},  // too short
      {Bytes({0x77}), Bytes({0x77, 0x80})},        // unknown
      {Bytes({0x02}), Bytes({0x02, 0x00})},
  };
  TTalkDevice* link = LinkTo(sim);
  for (const TStep& s : steps) EXPECT_EQ(Hex(Executor()->Request(*link, s.request).Answer), Hex(s.answer));
}

// Single reads and writes by UPID in each mode; the passwords are parameters too.
TEST_F(DriveSimTest, ParametersByUpid) {
  drivesim::TDriveSim sim({"--udp4", "--user-password=pw"});
  const TStep steps[] = {
      {Bytes({0x88, 0x00, 0xC0, 0x0C}), Bytes({0x88, 0x00, 'p', 'w'}) + std::string(14, '\0')},
      {Bytes({0x88, 0x00, 0x00, 0x10}), Bytes({0x88, 0x00, 0xE8, 0x03})},
      {Bytes({0x89, 0x01, 0x00, 0x10, 0x05, 0x00}), Bytes({0x89, 0x00})},  // the working value
      {Bytes({0x88, 0x01, 0x00, 0x10}), Bytes({0x88, 0x00, 0x05, 0x00})},
      {Bytes({0x88, 0x00, 0x00, 0x10}), Bytes({0x88, 0x00, 0xE8, 0x03})},
      {Bytes({0x89, 0x00, 0x00, 0x10, 0x06, 0x00}), Bytes({0x89, 0x00})},  // the stored value
      {Bytes({0x88, 0x00, 0x00, 0x10}), Bytes({0x88, 0x00, 0x06, 0x00})},
      {Bytes({0x88, 0x01, 0x00, 0x10}), Bytes({0x88, 0x00, 0x05, 0x00})},
      {Bytes({0x89, 0x02, 0x00, 0x10, 0x07, 0x00}), Bytes({0x89, 0x00})},  // both
      {Bytes({0x88, 0x01, 0x00, 0x10}), Bytes({0x88, 0x00, 0x07, 0x00})},
      {Bytes({0x89, 0x03, 0x00, 0x10}), Bytes({0x89, 0x00})},  // the default
      {Bytes({0x88, 0x00, 0x00, 0x10}), Bytes({0x88, 0x00, 0xE8, 0x03})},
      {Bytes({0x89, 0x02, 0x00, 0x10, 0x07}), Bytes({0x89, 0x80})},  // a number takes its size
      {Bytes({0x89, 0x02, 0xC5, 0x0C, 'n', 'e', 'w'}), Bytes({0x89, 0x00})},
      {Bytes({0x88, 0x00, 0xC5, 0x0C}), Bytes({0x88, 0x00, 'n', 'e', 'w'}) + std::string(13, '\0')},
      {Bytes({0x88, 0x00, 0x99, 0x99}), Bytes({0x88, 0xC0})},
      {Bytes({0x89, 0x02, 0x99, 0x99, 0x01}), Bytes({0x89, 0xC0})},
      {Bytes({0x88, 0x11, 0x00, 0x10}), Bytes({0x88, 0x80})},  // list reads are not served
      {Bytes({0x88, 0x10, 0x02}), Bytes({0x88, 0x00, 0x05, 'T', 'r', 'e', 'e', '2'})},
      {Bytes({0x89, 0x0A, 0x03}), Bytes({0x89, 0x00, 0x00})},
  };
  TTalkDevice* link = LinkTo(sim);
  for (const TStep& s : steps) EXPECT_EQ(Hex(Executor()->Request(*link, s.request).Answer), Hex(s.answer));
  // Another program logs in meanwhile.
  sim.Set("another-instance=1");
  EXPECT_EQ(Hex(Executor()->Request(*link, Bytes({0x01})).Answer), Hex(Bytes({0x01, 0xB3})));
  sim.Set("another-instance=0");
  EXPECT_EQ(Executor()->Request(*link, Bytes({0x01})).Answer.substr(0, 2), Bytes({0x01, 0x00}));
}

// The parameter table's memories, and the controls that play the drive's side: a value
// changed by the drive (status bit 6, named by the next poll), a poll the drive cannot
// answer, reads that fail, the firmware stopped.
TEST_F(DriveSimTest, ParameterTableAndItsControls) {
  drivesim::TDriveSim sim({"--udp4"});
  TTalkDevice* link = LinkTo(sim);
  const std::string status = Bytes({0x03, 0x00});
  const std::string poll = Bytes({0x88, 0x13});
  const auto word = [&] {
    const std::string a = Executor()->Request(*link, status).Answer;
    return a.size() >= 4 ? static_cast<std::uint8_t>(a[2]) | static_cast<std::uint8_t>(a[3]) << 8 : -1;
  };
  const auto ask = [&](const std::string& Request) { return Hex(Executor()->Request(*link, Request).Answer); };
  EXPECT_EQ(ask(Bytes({0x88, 0x01, 0x13, 0x10})), Hex(Bytes({0x88, 0x00, 0xEC, 0xE5, 0x66, 0x41, 0xE3, 0xFF, 0xFF, 0xFF})));
  EXPECT_EQ(ask(Bytes({0x88, 0x00, 0x13, 0x10})), Hex(Bytes({0x88, 0x80})));  // no ROM value
  EXPECT_EQ(ask(Bytes({0x89, 0x00, 0x01, 0x00, 0x05, 0x00})), Hex(Bytes({0x89, 0x80})));  // read-only
  EXPECT_EQ(ask(Bytes({0x89, 0x01, 0x22, 0x10, 0x05, 0x00})), Hex(Bytes({0x89, 0x00})));  // RAM only
  EXPECT_EQ(ask(Bytes({0x89, 0x02, 0x22, 0x10, 0x05, 0x00})), Hex(Bytes({0x89, 0x80})));
  EXPECT_EQ(ask(poll), Hex(Bytes({0x88, 0x00})));

  sim.Set("change=0x1000:1234 change=4097:-1 change=0x1000:7");
  EXPECT_EQ(word(), 0x8049);
  EXPECT_EQ(ask(Bytes({0x88, 0x01, 0x00, 0x10})), Hex(Bytes({0x88, 0x00, 0x07, 0x00})));
  EXPECT_EQ(ask(Bytes({0x88, 0x00, 0x01, 0x10})), Hex(Bytes({0x88, 0x00, 0xFF, 0xFF, 0xFF, 0xFF})));
  EXPECT_EQ(ask(poll), Hex(Bytes({0x88, 0x00, 0x00, 0x10, 0x01, 0x10})));  // each UPID once
  EXPECT_EQ(word(), 0x8009);
  EXPECT_EQ(ask(poll), Hex(Bytes({0x88, 0x00})));
  sim.Set("change=0x1000:8 poll-c5=1");
  EXPECT_EQ(ask(poll), Hex(Bytes({0x88, 0xC5})));
  EXPECT_EQ(ask(poll), Hex(Bytes({0x88, 0x00})));

  sim.Set("fail-reads=0x1000:2");
  const std::string read = Bytes({0x88, 0x00, 0x00, 0x10});
  EXPECT_EQ(ask(read), Hex(Bytes({0x88, 0x80})));
  EXPECT_EQ(ask(read), Hex(Bytes({0x88, 0x80})));
  EXPECT_EQ(ask(read), Hex(Bytes({0x88, 0x00, 0x08, 0x00})));
  sim.Set("running=0");
  EXPECT_EQ(word(), 0x8008);
  for (const char* bad : {"change=0x1000", "change=0x10000:1", "fail-reads=0x1000:-1", "change=1:x"})
    EXPECT_THROW(sim.Set(bad), std::runtime_error) << bad;
}

// List reads: the values of the listed UPIDs back to back, stored (11) from command set
// 2 on and working (12) from 3 on; C0 for an unknown UPID, 80 for a missing memory or a
// failing read; drive variables among them; the log counts requests by kind.
TEST_F(DriveSimTest, ListReads) {
  drivesim::TDriveSim sim({"--udp4", "--command-set=3", "--variables=0x5000,2,2"});
  TTalkDevice* link = LinkTo(sim);
  const auto ask = [&](const std::string& Request) { return Hex(Executor()->Request(*link, Request).Answer); };
  const TStep steps[] = {
      {Bytes({0x88, 0x11, 0x00, 0x10, 0x01, 0x10}), Bytes({0x88, 0x00, 0xE8, 0x03, 0xA0, 0x86, 0x01, 0x00})},
      {Bytes({0x88, 0x12, 0x12, 0x10, 0x00, 0x10}), Bytes({0x88, 0x00, 42, 0, 0, 0, 0, 0, 0, 0, 0xE8, 0x03})},
      {Bytes({0x88, 0x12, 0x00, 0x50, 0x01, 0x50}), Bytes({0x88, 0x00, 0x00, 0xF0, 0x03, 0xF0})},
      {Bytes({0x88, 0x11, 0x00, 0x10, 0x13, 0x10}), Bytes({0x88, 0x80})},  // 1013 has no ROM value
      {Bytes({0x88, 0x11, 0x00, 0x10, 0x99, 0x99}), Bytes({0x88, 0xC0})},
      {Bytes({0x88, 0x11, 0x00}), Bytes({0x88, 0x80})},  // half a UPID
  };
  for (const TStep& s : steps) EXPECT_EQ(ask(s.request), Hex(s.answer));
  sim.Set("fail-reads=0x1000:1");
  EXPECT_EQ(ask(steps[0].request), Hex(Bytes({0x88, 0x80})));
  EXPECT_EQ(ask(steps[0].request), Hex(steps[0].answer));
  sim.Set("counts=1");
  const std::vector<std::string> log = sim.LogLines();
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& L) { return L.ends_with("count 88 11: 6:"); }), 1);

  drivesim::TDriveSim older({"--udp4", "--command-set=2"});
  TTalkDevice* olderLink = Keep(std::make_unique<TTalkDevice>("ETH", OpenUdpPort<TETHDriver>(), Loopback(),
                                                              MainQueue.get(), older.Udp4Ports()[0]));
  EXPECT_EQ(Hex(Executor()->Request(*olderLink, steps[0].request).Answer), Hex(steps[0].answer));
  EXPECT_EQ(Hex(Executor()->Request(*olderLink, steps[1].request).Answer), Hex(Bytes({0x88, 0x80})));
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

// Faults set while it runs: a line with anything wrong in it changes no drive, not even
// by its valid parts; a good line may address one drive by its number.
TEST_F(DriveSimTest, RefusedFaultLinesChangeNothing) {
  drivesim::TDriveSim sim({"--udp4"});
  const struct {
    const char* line;
    const char* error;
  } refused[] = {
      {"silent-next=1 bogus=2", "error: unknown option --bogus"},
      {"silent-next=1 busy-seconds=256", "error: bad value for --busy-seconds: 256"},
      {"1 silent-next=1", "error: no drive 1"},
  };
  for (const auto& r : refused) {
    try {
      sim.Set(r.line);
      ADD_FAILURE() << "taken: " << r.line;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), std::string("drivesim: ") + r.line + ": " + r.error);
    }
  }
  TTalkDevice* link = LinkTo(sim);
  const std::string read = Bytes({0x10, 0, 0, 0, 0});
  EXPECT_FALSE(Executor()->Request(*link, read).Answer.empty());
  sim.Set("0 --silent-next=1");
  EXPECT_TRUE(Executor()->Request(*link, read, SilenceMs).Answer.empty());
  EXPECT_FALSE(Executor()->Request(*link, read).Answer.empty());
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

// The status answer: status word, serial number low and high, part number, safety byte.
// Start sets bit 0 of the status word, stop and reset clear it; the values are set by
// the controls; a silent drive answers nothing until it resumes.
TEST_F(DriveSimTest, StatusAndItsControls) {
  drivesim::TDriveSim sim({"--pty", "--serial=0x00020005"});
  TTalkDevice* link = LinkTo(sim);
  const std::string status = Bytes({0x03, 0x00});
  const auto answer = [&](int Word, int SerialLow, int SerialHigh, int Part, int Safety) {
    return Bytes({0x03, 0x00, Word & 0xFF, Word >> 8, SerialLow & 0xFF, SerialLow >> 8, SerialHigh & 0xFF,
                  SerialHigh >> 8, Part & 0xFF, Part >> 8, Safety});
  };
  const TStep steps[] = {
      {status, answer(0x8009, 5, 2, 0x0C01, 0)},
      {Bytes({0x21}), Bytes({0x21, 0x00})},  // stop
      {status, answer(0x8008, 5, 2, 0x0C01, 0)},
      {Bytes({0x20}), Bytes({0x20, 0x00})},  // start
      {status, answer(0x8009, 5, 2, 0x0C01, 0)},
      {Bytes({0x22}), Bytes({0x22, 0x00})},  // reset
      {status, answer(0x8008, 5, 2, 0x0C01, 0)},
  };
  for (const TStep& s : steps) EXPECT_EQ(Hex(Executor()->Request(*link, s.request).Answer), Hex(s.answer));
  sim.Set("status-word=0xA001 serial=0x12345678 part-number=0x0C02 safety-byte=0x41");
  EXPECT_EQ(Hex(Executor()->Request(*link, status).Answer), Hex(answer(0xA001, 0x5678, 0x1234, 0x0C02, 0x41)));
  sim.Set("silent=1");
  EXPECT_TRUE(Executor()->Request(*link, status, SilenceMs).Answer.empty());
  sim.Set("silent=0");
  EXPECT_EQ(Hex(Executor()->Request(*link, status).Answer), Hex(answer(0xA001, 0x5678, 0x1234, 0x0C02, 0x41)));
  EXPECT_THROW(sim.Set("serial=0x100000000"), std::runtime_error);
}

}  // namespace
