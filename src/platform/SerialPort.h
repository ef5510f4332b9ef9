// Serial ports on termios: exclusive open, raw mode, line settings (odd rates through
// the kernel's free baud rate), non-blocking reads and writes, and the list of port
// names. Operations return 0 or the errno of the failing call; the drive link turns
// them into its own messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

// Parity: 0 none, 1 odd, 2 even. Stop bits: 0 one, 1 one and a half, 2 two.
struct TSerialLine {
  std::uint32_t Baud = 9600;
  std::uint8_t DataBits = 8;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
};

class TSerialPort {
 public:
  TSerialPort() = default;
  ~TSerialPort() { Close(); }
  TSerialPort(const TSerialPort&) = delete;
  TSerialPort& operator=(const TSerialPort&) = delete;

  // Opens the device of a port name (SerialDevicePath) for reading and writing without
  // becoming its controlling terminal. Nobody else may open it while it is open here:
  // TIOCEXCL for other users, an advisory lock as well because TIOCEXCL does not bind root.
  int Open(std::string_view PortName);
  void Close();
  bool IsOpen() const { return FFd >= 0; }
  int Descriptor() const { return FFd; }

  bool IsCharacterDevice() const;
  // No echo, no line editing, no CR/LF change; reads return at once with what is there.
  int SetRawMode();
  // Drops queued input and output.
  int Purge();
  // Keeps every other setting; 1.5 stop bits, a data size outside 5 to 8, a parity
  // above 2 and a rate of 0 are refused with EINVAL.
  int SetLine(const TSerialLine& Line);
  // Bytes waiting in the input queue, or -errno.
  int BytesWaiting() const;
  // Up to Count bytes: the number read (in raw mode 0 when nothing waits), or -errno.
  int Read(char* Buffer, int Count);
  // The line hung up or failed (the other end of a pseudo-terminal closed, an adapter
  // unplugged): the descriptor is readable for ever, with nothing to read.
  bool HungUp() const;
  // All of Data, waiting while the output queue is full up to TimeoutMs in total;
  // ETIMEDOUT when the line takes nothing for that long.
  int Write(std::string_view Data, int TimeoutMs);

 private:
  int FFd = -1;
};

// The device file of a port name: a name with a "/" is a path already ("/dev/pts/3"),
// any other is a device under /dev ("ttyUSB0").
std::string SerialDevicePath(std::string_view PortName);
// The serial devices under /dev (ttyS*, ttyUSB*, ttyACM*) by name, then ExtraPaths,
// keeping those that open now.
std::vector<std::string> ListSerialPorts(const std::vector<std::string>& ExtraPaths);

// The free baud rate of the kernel's termios2 (SerialBaudRate.cpp: its header clashes
// with <termios.h>). 0 or errno.
int SetFreeBaudRate(int Fd, std::uint32_t Baud);

}  // namespace vt
