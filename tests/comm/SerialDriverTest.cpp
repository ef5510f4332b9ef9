#include "comm/SerialDriver.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "CommTestUtil.h"
#include "TestUtil.h"
#include "comm/CommLimits.h"
#include "comm/CommPort.h"

using namespace vt;

namespace {

class SerialDriverTest : public CommTest {
 protected:
  // A driver whose port is the pseudo-terminal, open, with Payloads in its slot.
  TRsDriver* OpenDriver(const std::string& Path, std::uint32_t Baud = 38400) {
    TRsDriver* driver = OpenSerialPort(Path, Baud);
    EXPECT_EQ(driver->Assign(0, 0, Payloads.Handler(), nullptr), 0);
    return driver;
  }
  TPayloads Payloads;
};

TEST_F(SerialDriverTest, SendsFramedPayloads) {
  TPseudoTerminal pty;
  TRsDriver* driver = OpenDriver(pty.Path);
  EXPECT_EQ(driver->Output(0, Bytes({0x01, 0x02}), 0), 0);
  EXPECT_EQ(pty.Read(5), Bytes({0xA5, 0x02, 0x03, 0x01, 0x02}));
  const std::string big(255, '\x11');
  EXPECT_EQ(driver->Output(0, big, 0), 0);
  EXPECT_EQ(pty.Read(258), Bytes({0xA5, 0xFF, 0xEF}) + big);
  // A longer payload's length would not fit its byte.
  EXPECT_EQ(driver->Output(0, std::string(256, '\x11'), 0), StatusPortRefused);
  EXPECT_EQ(driver->Output(1, "x", 0), StatusPortRefused);
}

// The bytes as they come off the line, each write a read of its own; what the slot gets.
TEST_F(SerialDriverTest, ReceivesFramesOffTheLine) {
  TPseudoTerminal pty;
  OpenDriver(pty.Path);
  const std::string big(255, '\x22');
  const struct {
    std::vector<std::string> writes;
    std::vector<std::string> delivered;
  } cases[] = {
      {{Bytes({0xA5, 0x02, 0x03, 0x01, 0x02})}, {Bytes({0x01, 0x02})}},
      {{Bytes({0x00, 0xA5, 0x02, 0x03, 0x01, 0x02})}, {Bytes({0x01, 0x02})}},
      {{Bytes({0xA5, 0x03, 0x06}), Bytes({0x01}), Bytes({0x02, 0x03})}, {Bytes({0x01, 0x02, 0x03})}},
      {{RsFrame(big)}, {big}},
      // Zero length: complete with its header; the empty payload reaches the slot,
      // and the frame after it is whole.
      {{Bytes({0xA5, 0x00, 0x00, 0xA5, 0x01, 0x05, 0x05})}, {"", Bytes({0x05})}},
  };
  std::size_t total = 0;
  for (const auto& c : cases) {
    for (const auto& w : c.writes) {
      pty.Write(w);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // separate reads, well within the gap
    }
    total += c.delivered.size();
    ASSERT_TRUE(Payloads.WaitFor(total));
    const auto items = Payloads.Items();
    EXPECT_EQ(std::vector<std::string>(items.end() - c.delivered.size(), items.end()), c.delivered);
  }
  EXPECT_EQ(Payloads.Items().size(), total);
}

TEST_F(SerialDriverTest, WrongSumIsLoggedAndDropped) {
  TPseudoTerminal pty;
  OpenDriver(pty.Path);
  pty.Write(Bytes({0xA5, 0x02, 0x04, 0x01, 0x02}) + RsFrame(Bytes({0x10, 0x00})));
  ASSERT_TRUE(Payloads.WaitFor(1));
  EXPECT_EQ(Payloads.Items(), std::vector<std::string>{Bytes({0x10, 0x00})});
  const auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "***INFO: " + pty.Path + ": Checksum error! 4(3)"), lines.end());
}

// A stray start byte takes the next frame's header for its own; after a pause on the
// line the partial frame is dropped, so only one answer is lost.
TEST_F(SerialDriverTest, StrayStartByteCostsOneFrame) {
  TPseudoTerminal pty;
  OpenDriver(pty.Path);
  pty.Write(Bytes({0xA5}) + RsFrame(Bytes({0x10, 0x00, 0x01})));
  std::this_thread::sleep_for(std::chrono::milliseconds(RsFrameGap * 2));  // the line pauses
  pty.Write(RsFrame(Bytes({0x10, 0x00, 0x02})));
  ASSERT_TRUE(Payloads.WaitFor(1));
  EXPECT_EQ(Payloads.Items(), std::vector<std::string>{Bytes({0x10, 0x00, 0x02})});
}

TEST_F(SerialDriverTest, OpenFailuresLeaveTheDriverClosedAndOpenRetries) {
  std::string path = "/dev/no-such-port";
  auto* driver = Keep(std::make_unique<TRsDriver>(1, 38400, [&path](std::int32_t) { return path; }));
  EXPECT_THROW_MSG(driver->Open(Talk.get(), Manager.get()), "Port /dev/no-such-port could not be opened!");
  EXPECT_FALSE(driver->PortIsOpen());
  EXPECT_EQ(driver->Output(0, "x", 0), StatusUdpSendFailed);
  // Not a terminal.
  const auto file = std::filesystem::temp_directory_path() / ("not-a-port-" + std::to_string(getpid()));
  std::ofstream(file).put('x');
  path = file.string();
  EXPECT_THROW_MSG(driver->Open(Talk.get(), Manager.get()), "TRsPort.OpenPort: port type error");
  std::filesystem::remove(file);
  // Taken by another driver.
  TPseudoTerminal pty;
  path = pty.Path;
  TRsDriver* other = OpenDriver(pty.Path);
  EXPECT_THROW_MSG(driver->Open(Talk.get(), Manager.get()), "Port " + pty.Path + " could not be opened!");
  other->Close();
  driver->Open(Talk.get(), Manager.get());
  EXPECT_TRUE(driver->PortIsOpen());
}

TEST_F(SerialDriverTest, PortSettingsAndDoubleOpen) {
  TPseudoTerminal pty;
  TCommPort port;
  port.FPortName = pty.Path;
  port.FStopBits = 1;  // one and a half: no such setting here
  EXPECT_THROW_MSG(port.OpenPort(Manager.get()), "TRsPort.OpenPort: problem with port settings. Error Code: 22");
  EXPECT_FALSE(port.IsOpen());
  port.FStopBits = 0;
  port.FBaud = 12345;  // an odd rate
  port.OpenPort(Manager.get());
  EXPECT_THROW_MSG(port.OpenPort(Manager.get()), "TCommPort.OpenPort: port " + pty.Path + " is already open");
}

// A port on a terminal whose receive handler records what it reads and pauses when
// Pause (given all read so far, on the receive thread) says so.
struct TRecordingPort {
  explicit TRecordingPort(const std::string& Path) {
    Port.FPortName = Path;
    Port.FOnReceive = [this](const std::string& Data, std::uint8_t& NextSize, bool& Stop) {
      std::string soFar;
      {
        std::lock_guard l(Lock);
        soFar = Received += Data;
      }
      Stop = Pause(soFar);
    };
  }
  std::string Got() {
    std::lock_guard l(Lock);
    return Received;
  }

  std::function<bool(const std::string& SoFar)> Pause;
  std::mutex Lock;
  std::string Received;
  TCommPort Port;  // last: it closes before the handler's state goes
};

// A receive handler may pause reception; the port then leaves the line alone (the
// bytes wait in the terminal) until Start.
TEST_F(SerialDriverTest, ReceptionPausesUntilStart) {
  TPseudoTerminal pty;
  TRecordingPort rec(pty.Path);
  rec.Pause = [](const std::string& SoFar) { return SoFar.size() == 1; };
  rec.Port.OpenPort(Manager.get());
  pty.Write("ab");
  ASSERT_TRUE(WaitUntil([&] { return rec.Got() == "a"; }));
  rec.Port.SendBuffer("xy", 2);  // sending goes on meanwhile
  EXPECT_EQ(pty.Read(2), "xy");
  EXPECT_EQ(rec.Got(), "a");
  rec.Port.Start();
  ASSERT_TRUE(WaitUntil([&] { return rec.Got() == "ab"; }));
  rec.Port.ClosePort();
}

// The owner's next wait may restart reception from another thread while the handler is
// still pausing it: the restart wins, or the line would stall with bytes waiting.
TEST_F(SerialDriverTest, StartWhileTheHandlerPausesWins) {
  TPseudoTerminal pty;
  TRecordingPort rec(pty.Path);
  rec.Pause = [&](const std::string& SoFar) {
    if (SoFar == "a") std::thread([&] { rec.Port.Start(); }).join();
    return true;
  };
  rec.Port.OpenPort(Manager.get());
  pty.Write("ab");
  ASSERT_TRUE(WaitUntil([&] { return rec.Got() == "ab"; }, std::chrono::seconds(10)));
  rec.Port.ClosePort();
}

TEST_F(SerialDriverTest, CloseRestoresTheBaudRateAndEmptiesTheSlot) {
  TPseudoTerminal pty;
  TRsDriver* driver = OpenDriver(pty.Path, 38400);
  EXPECT_EQ(driver->Assign(0, 0, Payloads.Handler(), nullptr), StatusSlotTaken);
  driver->Close();
  driver->SetBaudRate(115200);
  driver->Open(Talk.get(), Manager.get());
  EXPECT_EQ(driver->BaudRate(), 115200u);
  EXPECT_EQ(driver->Assign(0, 0, Payloads.Handler(), nullptr), 0);
  pty.Write(RsFrame("y"));
  ASSERT_TRUE(Payloads.WaitFor(1));
  EXPECT_EQ(Payloads.Items().back(), "y");
  driver->Close();
  EXPECT_EQ(driver->BaudRate(), 38400u);
}

// The other end goes away: the read error is shown once, on the GUI thread, and
// reception stops instead of waking for ever.
TEST_F(SerialDriverTest, HangUpIsAReadErrorShownOnce) {
  TPseudoTerminal pty;
  TRsDriver* driver = OpenDriver(pty.Path);
  pty.Hangup();
  ASSERT_TRUE(WaitUntil([&] { return !Shown.empty(); }));
  EXPECT_EQ(Shown, std::vector<std::string>{"Unable to read from comport. Error: 0005"});
  EXPECT_EQ(driver->Output(0, "x", 0), StatusRsSendFailed);
  // Nothing further arrives while the events go on being served.
  WaitUntil([] { return false; }, std::chrono::seconds(1));  // events keep being served meanwhile
  EXPECT_EQ(Shown.size(), 1u);
}

}  // namespace
