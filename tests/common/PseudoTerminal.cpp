// See PseudoTerminal.h.
#include "PseudoTerminal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

TPseudoTerminal::TPseudoTerminal() : Master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
  grantpt(Master);
  unlockpt(Master);
  Path = ptsname(Master);
}

TPseudoTerminal::~TPseudoTerminal() { Hangup(); }

void TPseudoTerminal::Hangup() {
  if (Master >= 0) close(Master);
  Master = -1;
}

void TPseudoTerminal::Write(const std::string& Bytes) const {
  ASSERT_EQ(write(Master, Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
}

std::string TPseudoTerminal::Read(std::size_t Count) const {
  std::string got;
  while (got.size() < Count) {
    pollfd p{Master, POLLIN, 0};
    if (poll(&p, 1, 20000) <= 0) break;
    char buffer[512];
    const ssize_t n = read(Master, buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, n);
  }
  return got;
}
