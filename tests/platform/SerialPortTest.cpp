#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "PseudoTerminal.h"

using namespace vt;

namespace {

std::string ReadPort(TSerialPort& Port, std::size_t Count) {
  std::string got;
  while (got.size() < Count) {
    pollfd p{Port.Descriptor(), POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) break;
    char buffer[256];
    const int n = Port.Read(buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, n);
  }
  return got;
}

TEST(SerialPort, OpensExclusivelyAndAgainAfterClose) {
  TPseudoTerminal pty;
  TSerialPort first, second;
  ASSERT_EQ(first.Open(pty.Path), 0);
  EXPECT_TRUE(first.IsCharacterDevice());
  EXPECT_NE(second.Open(pty.Path), 0);
  first.Close();
  // The exclusive mark must not outlive the descriptor that set it.
  EXPECT_EQ(second.Open(pty.Path), 0);
  EXPECT_NE(TSerialPort().Open("/dev/no-such-port"), 0);
}

TEST(SerialPort, RawModeLeavesBytesAlone) {
  TPseudoTerminal pty;
  TSerialPort port;
  ASSERT_EQ(port.Open(pty.Path), 0);
  ASSERT_EQ(port.SetRawMode(), 0);
  ASSERT_EQ(port.SetLine({38400, 8, 0, 0}), 0);
  const std::string bytes("\xA5\r\n\x03\x11\x13\x00\x7F", 8);
  pty.Write(bytes);
  EXPECT_EQ(ReadPort(port, 8), bytes);
  ASSERT_EQ(port.Write(bytes, 1000), 0);
  // Exactly what was written: no echo of the input above, no CR/LF change.
  EXPECT_EQ(pty.Read(8), bytes);
  EXPECT_EQ(port.BytesWaiting(), 0);
  char c;
  EXPECT_EQ(port.Read(&c, 1), 0);
  EXPECT_FALSE(port.HungUp());
}

TEST(SerialPort, LineSettings) {
  TPseudoTerminal pty;
  TSerialPort port;
  ASSERT_EQ(port.Open(pty.Path), 0);
  const struct {
    TSerialLine line;
    int result;
  } cases[] = {
      {{38400, 8, 0, 0}, 0},      {{9600, 7, 2, 2}, 0},       {{12345, 8, 1, 0}, 0},  // a rate without constant
      {{38400, 8, 0, 1}, EINVAL},  // one and a half stop bits
      {{38400, 9, 0, 0}, EINVAL}, {{38400, 8, 3, 0}, EINVAL}, {{0, 8, 0, 0}, EINVAL},
  };
  for (const auto& c : cases)
    EXPECT_EQ(port.SetLine(c.line), c.result) << c.line.Baud << " " << int(c.line.DataBits) << " "
                                              << int(c.line.Parity) << " " << int(c.line.StopBits);
}

TEST(SerialPort, HangUpIsSeen) {
  TPseudoTerminal pty;
  TSerialPort port;
  ASSERT_EQ(port.Open(pty.Path), 0);
  pty.Hangup();
  EXPECT_TRUE(port.HungUp());
  char c;
  const int n = port.Read(&c, 1);
  EXPECT_TRUE(n == 0 || n == -EIO) << n;
  EXPECT_NE(port.Write("x", 1000), 0);
}

TEST(SerialPort, ListsDevicesAndListedPathsThatOpen) {
  TPseudoTerminal pty;
  const auto ports = ListSerialPorts({pty.Path, "/dev/no-such-port"});
  ASSERT_FALSE(ports.empty());
  EXPECT_EQ(ports.back(), pty.Path);
  for (const auto& name : ports) EXPECT_NE(name, "/dev/no-such-port");
  EXPECT_EQ(SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(SerialDevicePath("/dev/pts/3"), "/dev/pts/3");
}

}  // namespace
