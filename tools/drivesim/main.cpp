// drivesim: the drive's side of the serial and UDP links, for tests and for running the
// program without hardware. It serves the drives given on the command line until it
// is asked to end (SIGTERM, SIGINT) and prints where each drive listens.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
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
      return std::make_unique<TUdpDrive>("udp4-" + n, Options, Loop, false, E.Port);
    case TLineKind::Udp6:
      return std::make_unique<TUdpDrive>("udp6-" + n, Options, Loop, true, E.Port);
  }
  return nullptr;
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
  for (const TEndpoint& e : options.Endpoints) {
    drives.push_back(MakeDrive(e, static_cast<int>(drives.size()), options, loop));
    std::printf("%s\n", drives.back()->Describe().c_str());
  }
  std::printf("ready\n");
  std::fflush(stdout);
  loop.Run(GStopPipe[0]);
  return 0;
}
