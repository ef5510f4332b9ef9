// Starting drivesim; see Launcher.h.
#include "Launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace drivesim {

namespace {

// Long enough for a loaded machine and a sanitizer build.
constexpr int StartLimitMs = 30000;

// One line the child prints; it prints nothing unasked after "ready", so a byte at a
// time reads no further than the line.
std::string ReadLine(int Fd, std::chrono::steady_clock::time_point End) {
  std::string line;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(End - std::chrono::steady_clock::now());
    pollfd p{Fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
      throw std::runtime_error("drivesim did not answer");
    char c;
    if (read(Fd, &c, 1) != 1) throw std::runtime_error("drivesim ended");
    if (c == '\n') return line;
    line += c;
  }
}

// The lines the child prints up to "ready".
std::vector<std::string> ReadUntilReady(int Fd) {
  std::vector<std::string> lines;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(StartLimitMs);
  do lines.push_back(ReadLine(Fd, end));
  while (lines.back() != "ready");
  return lines;
}

}  // namespace

TDriveSim::TDriveSim(const std::vector<std::string>& Args) {
  char folder[] = "/tmp/drivesim-XXXXXX";
  if (!mkdtemp(folder)) throw std::runtime_error("no temporary folder");
  FFolder = folder;
  FLogPath = FFolder + "/frames.log";
  // The log first: a --log among Args wins.
  std::vector<std::string> args{VT_DRIVESIM, "--log=" + FLogPath};
  args.insert(args.end(), Args.begin(), Args.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // Close on exec: another drivesim started meanwhile must not hold these ends. The
  // commands go through a socket, whose send can refuse without a SIGPIPE.
  int out[2], in[2];
  if (pipe2(out, O_CLOEXEC) < 0) throw std::runtime_error("no pipe");
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) < 0) {
    close(out[0]);
    close(out[1]);
    throw std::runtime_error("no pipe");
  }
  FPid = fork();
  if (FPid == 0) {
    // Only async-signal-safe calls between fork and exec: the parent has threads.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(out[1], STDOUT_FILENO);
    dup2(in[0], STDIN_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(in[0]);
  FAnswers = out[0];
  FCommands = in[1];
  std::vector<std::string> lines;
  try {
    lines = ReadUntilReady(FAnswers);
  } catch (...) {
    Kill();
    throw;
  }
  for (const std::string& line : lines) {
    std::istringstream in(line);
    std::string kind, where;
    unsigned port = 0;
    in >> kind >> where >> port;
    if (kind == "pty") FPtys.push_back(where);
    if (kind == "udp4") {
      FUdp4.push_back(static_cast<std::uint16_t>(port));
      FUdp4Addresses.push_back(where);
    }
    if (kind == "udp6") FUdp6.push_back(static_cast<std::uint16_t>(port));
  }
}

TDriveSim::~TDriveSim() {
  if (FPid > 0) {
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
  }
  ClosePipes();
  std::error_code ec;
  std::filesystem::remove_all(FFolder, ec);
}

void TDriveSim::ClosePipes() {
  if (FCommands >= 0) close(FCommands);
  if (FAnswers >= 0) close(FAnswers);
  FCommands = FAnswers = -1;
}

void TDriveSim::Set(const std::string& Line) {
  if (FPid <= 0) throw std::runtime_error("drivesim is not running");
  const std::string command = Line + "\n";
  if (send(FCommands, command.data(), command.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(command.size()))
    throw std::runtime_error("drivesim takes no commands");
  const std::string answer =
      ReadLine(FAnswers, std::chrono::steady_clock::now() + std::chrono::milliseconds(StartLimitMs));
  if (answer != "ok") throw std::runtime_error("drivesim: " + Line + ": " + answer);
}

void TDriveSim::Kill() {
  if (FPid <= 0) return;
  kill(FPid, SIGKILL);
  waitpid(FPid, nullptr, 0);
  FPid = -1;
  ClosePipes();
}

std::vector<std::string> TDriveSim::LogLines() const {
  std::vector<std::string> lines;
  std::ifstream in(FLogPath);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace drivesim
