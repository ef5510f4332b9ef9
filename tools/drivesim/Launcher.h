// Starting drivesim from tests and benchmarks: the program runs as a child process
// with its frame log in a temporary file, takes fault settings through its standard
// input, and ends with the object (or when the parent ends).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drivesim {

class TDriveSim {
 public:
  // Starts drivesim with Args and waits until it is ready; throws std::runtime_error
  // when it does not start.
  explicit TDriveSim(const std::vector<std::string>& Args);
  ~TDriveSim();
  TDriveSim(const TDriveSim&) = delete;
  TDriveSim& operator=(const TDriveSim&) = delete;

  // The drives in the order given: pseudo-terminal paths and UDP ports.
  const std::vector<std::string>& Ptys() const { return FPtys; }
  const std::vector<std::uint16_t>& Udp4Ports() const { return FUdp4; }
  // The loopback address of each IPv4 drive, in the order of Udp4Ports.
  const std::vector<std::string>& Udp4Addresses() const { return FUdp4Addresses; }
  const std::vector<std::uint16_t>& Udp6Ports() const { return FUdp6; }
  // The frame log so far, one entry per line.
  std::vector<std::string> LogLines() const;
  // Ends it at once (SIGKILL), as a drive that loses power.
  void Kill();
  // Changes faults while it runs: "[DRIVE] name=value ..." (see drivesim --help); returns
  // once the drives play them. Throws std::runtime_error when drivesim refuses.
  void Set(const std::string& Line);

 private:
  void ClosePipes();

  int FPid = -1;
  int FCommands = -1;  // its standard input
  int FAnswers = -1;   // its standard output
  std::string FFolder;
  std::string FLogPath;
  std::vector<std::string> FPtys;
  std::vector<std::uint16_t> FUdp4;
  std::vector<std::string> FUdp4Addresses;
  std::vector<std::uint16_t> FUdp6;
};

}  // namespace drivesim
