// drivesim: the drive's side of the serial and UDP links, for tests and for running the
// program without hardware. It serves the drives given on the command line until it
// is asked to end (SIGTERM, SIGINT: it removes its links and ends with 0) and prints
// where each drive listens. Lines on its standard input change the drives' faults while
// it runs.
#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

#include "DriveLines.h"
#include "EventLoop.h"
#include "FrameLog.h"
#include "Options.h"

using namespace drivesim;

namespace {

int GStopPipe[2];

void RequestStop(int) {
  const char c = 0;
  [[maybe_unused]] auto n = write(GStopPipe[1], &c, 1);
}

std::unique_ptr<TDrive> MakeDrive(const TEndpoint& E, int Number, const TOptions& Options, TEventLoop& Loop) {
  const std::string n = std::to_string(Number);
  switch (E.Kind) {
    case TLineKind::Pty:
      return std::make_unique<TPtyDrive>("pty" + n, Options, Loop);
    case TLineKind::Udp4:
      return std::make_unique<TUdpDrive>("udp4-" + n, Options, Loop, false, E.Address, E.Port);
    case TLineKind::Udp6:
      return std::make_unique<TUdpDrive>("udp6-" + n, Options, Loop, true, E.Address, E.Port);
  }
  return nullptr;
}

// A symbolic link to a pseudo-terminal for as long as it lives. A link already there
// (left by a drivesim that was killed) is replaced; any other file is refused.
class TPtyLink {
 public:
  TPtyLink(std::string Link, const std::string& Target) : FLink(std::move(Link)) {
    struct stat st {};
    if (lstat(FLink.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(FLink.c_str());
    if (symlink(Target.c_str(), FLink.c_str()) != 0) {
      std::fprintf(stderr, "drivesim: cannot link %s: %s\n", FLink.c_str(), std::strerror(errno));
      std::exit(2);
    }
  }
  ~TPtyLink() { unlink(FLink.c_str()); }
  TPtyLink(const TPtyLink&) = delete;
  TPtyLink& operator=(const TPtyLink&) = delete;

 private:
  std::string FLink;
};

// "[DRIVE] name=value ...": every setting is checked before any drive changes.
std::string Command(const std::string& Line, std::vector<std::unique_ptr<TDrive>>& Drives) {
  std::istringstream in(Line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w.rfind("--", 0) == 0 ? w.substr(2) : w);
  std::vector<TDrive*> chosen;
  if (!words.empty() && words[0].find('=') == std::string::npos) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(words[0].c_str(), &end, 10);
    if (*end || n >= Drives.size()) return "error: no drive " + words[0];
    chosen.push_back(Drives[n].get());
    words.erase(words.begin());
  } else {
    for (auto& d : Drives) chosen.push_back(d.get());
  }
  std::string error;
  TFaults faults;
  TDriveState state;
  for (const std::string& w : words)
    if (!SetControl(faults, state, w, error)) return "error: " + error;
  for (TDrive* d : chosen)
    for (const std::string& w : words) d->Set(w, error);
  return "ok";
}

// Whole lines only; at the end of the input the drives go on as they are.
void ReadCommands(TEventLoop& Loop, std::vector<std::unique_ptr<TDrive>>& Drives) {
  static std::string pending;
  char buffer[1024];
  const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
  if (n <= 0) return Loop.Unwatch(STDIN_FILENO);
  pending.append(buffer, n);
  for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
    std::printf("%s\n", Command(pending.substr(0, nl), Drives).c_str());
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const TOptions options = ParseOptions(argc, argv);
  OpenFrameLog(options.LogPath);
  if (pipe2(GStopPipe, O_CLOEXEC) < 0) return 1;
  signal(SIGPIPE, SIG_IGN);
  signal(SIGTERM, RequestStop);
  signal(SIGINT, RequestStop);
  TEventLoop loop;
  std::vector<std::unique_ptr<TDrive>> drives;
  std::vector<std::unique_ptr<TPtyLink>> links;
  for (const TEndpoint& e : options.Endpoints) {
    drives.push_back(MakeDrive(e, static_cast<int>(drives.size()), options, loop));
    const std::string where = drives.back()->Describe();
    if (!e.Link.empty()) links.push_back(std::make_unique<TPtyLink>(e.Link, where.substr(where.find(' ') + 1)));
    std::printf("%s\n", where.c_str());
  }
  std::printf("ready\n");
  std::fflush(stdout);
  loop.Watch(STDIN_FILENO, [&] { ReadCommands(loop, drives); });
  loop.Run(GStopPipe[0]);
  return 0;
}
