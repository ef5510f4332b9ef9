// The frame log; see FrameLog.h.
#include "FrameLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace drivesim {

namespace {

std::FILE* GLog = stderr;
const auto Start = std::chrono::steady_clock::now();

}  // namespace

void OpenFrameLog(const std::string& Path) {
  if (Path.empty()) return;
  GLog = std::fopen(Path.c_str(), "w");
  if (!GLog) {
    std::perror(Path.c_str());
    std::exit(2);
  }
}

void LogFrame(const std::string& Drive, std::string_view What, std::string_view Bytes) {
  const std::chrono::duration<double> t = std::chrono::steady_clock::now() - Start;
  std::fprintf(GLog, "%10.3f %s %.*s:", t.count(), Drive.c_str(), static_cast<int>(What.size()), What.data());
  for (unsigned char c : Bytes) std::fprintf(GLog, " %02X", c);
  std::fputc('\n', GLog);
  std::fflush(GLog);
}

}  // namespace drivesim
