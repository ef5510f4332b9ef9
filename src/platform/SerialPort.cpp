// Serial ports on termios; see SerialPort.h.
#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>

namespace vt {

namespace {

int ErrnoOr0(int Result) { return Result < 0 ? errno : 0; }

// The termios constant of a standard rate, or B0 for a rate that needs the free one.
speed_t StandardSpeed(std::uint32_t Baud) {
  static const struct {
    std::uint32_t baud;
    speed_t speed;
  } speeds[] = {{50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
                {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
                {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
                {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
                {576000, B576000}, {921600, B921600}, {1000000, B1000000}};
  for (const auto& s : speeds)
    if (s.baud == Baud) return s.speed;
  return B0;
}

bool ApplyLine(termios& T, const TSerialLine& Line) {
  static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  if (Line.DataBits < 5 || Line.DataBits > 8 || Line.Parity > 2 || Line.Baud == 0) return false;
  if (Line.StopBits != 0 && Line.StopBits != 2) return false;  // termios has no 1.5
  T.c_cflag = (T.c_cflag & ~CSIZE) | sizes[Line.DataBits - 5];
  T.c_cflag &= ~(PARENB | PARODD);
  if (Line.Parity == 1) T.c_cflag |= PARENB | PARODD;
  if (Line.Parity == 2) T.c_cflag |= PARENB;
  if (Line.StopBits == 2)
    T.c_cflag |= CSTOPB;
  else
    T.c_cflag &= ~CSTOPB;
  return true;
}

}  // namespace

int TSerialPort::Open(std::string_view PortName) {
  Close();
  const std::string path = SerialDevicePath(PortName);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  if (flock(fd, LOCK_EX | LOCK_NB) < 0 || (isatty(fd) && ioctl(fd, TIOCEXCL) < 0)) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  FFd = fd;
  return 0;
}

void TSerialPort::Close() {
  if (FFd < 0) return;
  // The exclusive mark outlives this descriptor while another one stays open (the
  // other end of a pseudo-terminal keeps its own): without clearing it, nobody could
  // open the port again.
  if (isatty(FFd)) ioctl(FFd, TIOCNXCL);
  ::close(FFd);
  FFd = -1;
}

bool TSerialPort::IsCharacterDevice() const {
  struct stat st {};
  return FFd >= 0 && fstat(FFd, &st) == 0 && S_ISCHR(st.st_mode);
}

int TSerialPort::SetRawMode() {
  termios t{};
  if (tcgetattr(FFd, &t) < 0) return errno;
  cfmakeraw(&t);
  t.c_cflag |= CREAD | CLOCAL;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  return ErrnoOr0(tcsetattr(FFd, TCSANOW, &t));
}

int TSerialPort::Purge() { return ErrnoOr0(tcflush(FFd, TCIOFLUSH)); }

int TSerialPort::SetLine(const TSerialLine& Line) {
  termios t{};
  if (tcgetattr(FFd, &t) < 0) return errno;
  if (!ApplyLine(t, Line)) return EINVAL;
  const speed_t speed = StandardSpeed(Line.Baud);
  if (speed != B0) cfsetspeed(&t, speed);
  if (tcsetattr(FFd, TCSANOW, &t) < 0) return errno;
  return speed != B0 ? 0 : SetFreeBaudRate(FFd, Line.Baud);
}

int TSerialPort::BytesWaiting() const {
  int n = 0;
  return ioctl(FFd, FIONREAD, &n) < 0 ? -errno : n;
}

int TSerialPort::Read(char* Buffer, int Count) {
  const ssize_t n = ::read(FFd, Buffer, Count);
  if (n >= 0) return static_cast<int>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -errno;
}

bool TSerialPort::HungUp() const {
  pollfd p{FFd, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

int TSerialPort::Write(std::string_view Data, int TimeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (!Data.empty()) {
    const ssize_t n = ::write(FFd, Data.data(), Data.size());
    if (n > 0) {
      Data.remove_prefix(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return errno;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return ETIMEDOUT;
    pollfd p{FFd, POLLOUT, 0};
    poll(&p, 1, static_cast<int>(left.count()));
  }
  return 0;
}

std::string SerialDevicePath(std::string_view PortName) {
  if (PortName.find('/') != std::string_view::npos) return std::string(PortName);
  return "/dev/" + std::string(PortName);
}

std::vector<std::string> ListSerialPorts(const std::vector<std::string>& ExtraPaths) {
  std::vector<std::string> candidates;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
    const std::string name = entry.path().filename().string();
    for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM"})
      if (name.rfind(prefix, 0) == 0) candidates.push_back(name);
  }
  std::sort(candidates.begin(), candidates.end());
  candidates.insert(candidates.end(), ExtraPaths.begin(), ExtraPaths.end());
  std::vector<std::string> ports;
  for (const std::string& name : candidates) {
    TSerialPort port;
    if (port.Open(name) == 0) ports.push_back(name);
  }
  return ports;
}

}  // namespace vt
