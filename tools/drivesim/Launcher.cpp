// Starting drivesim; see Launcher.h.
#include "Launcher.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
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

// The lines the child prints up to "ready".
std::vector<std::string> ReadUntilReady(int Fd) {
  std::vector<std::string> lines;
  std::string pending;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(StartLimitMs);
  for (;;) {
    for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
      lines.push_back(pending.substr(0, nl));
      if (lines.back() == "ready") return lines;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd p{Fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
      throw std::runtime_error("drivesim did not get ready");
    char buffer[512];
    const ssize_t n = read(Fd, buffer, sizeof buffer);
    if (n <= 0) throw std::runtime_error("drivesim ended before it was ready");
    pending.append(buffer, n);
  }
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
  int out[2];
  if (pipe(out) < 0) throw std::runtime_error("no pipe");
  FPid = fork();
  if (FPid == 0) {
    // Only async-signal-safe calls between fork and exec: the parent has threads.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  std::vector<std::string> lines;
  try {
    lines = ReadUntilReady(out[0]);
  } catch (...) {
    close(out[0]);
    Kill();
    throw;
  }
  close(out[0]);
  for (const std::string& line : lines) {
    std::istringstream in(line);
    std::string kind, where;
    unsigned port = 0;
    in >> kind >> where >> port;
    if (kind == "pty") FPtys.push_back(where);
    if (kind == "udp4") FUdp4.push_back(static_cast<std::uint16_t>(port));
    if (kind == "udp6") FUdp6.push_back(static_cast<std::uint16_t>(port));
  }
}

TDriveSim::~TDriveSim() {
  if (FPid > 0) {
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
  }
  std::error_code ec;
  std::filesystem::remove_all(FFolder, ec);
}

void TDriveSim::Kill() {
  if (FPid <= 0) return;
  kill(FPid, SIGKILL);
  waitpid(FPid, nullptr, 0);
  FPid = -1;
}

std::vector<std::string> TDriveSim::LogLines() const {
  std::vector<std::string> lines;
  std::ifstream in(FLogPath);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace drivesim
