// The kernel's free baud rate (termios2 with BOTHER), for rates that termios has no
// constant for. A file of its own: <asm/termbits.h> clashes with <termios.h>.
#include "platform/SerialPort.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdint>

namespace vt {

int SetFreeBaudRate(int Fd, std::uint32_t Baud) {
  termios2 t{};
  if (ioctl(Fd, TCGETS2, &t) < 0) return errno;
  t.c_cflag = (t.c_cflag & ~CBAUD) | BOTHER;
  t.c_cflag = (t.c_cflag & ~(CBAUD << IBSHIFT)) | (BOTHER << IBSHIFT);
  t.c_ispeed = Baud;
  t.c_ospeed = Baud;
  return ioctl(Fd, TCSETS2, &t) < 0 ? errno : 0;
}

}  // namespace vt
