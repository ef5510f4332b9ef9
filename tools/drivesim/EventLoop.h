// One thread serves every drive: descriptors to read and actions at given times. Actions
// due at the same time run in the order they were added.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <vector>

namespace drivesim {

using TClock = std::chrono::steady_clock;

class TEventLoop {
 public:
  void Watch(int Fd, std::function<void()> OnReadable);
  // From inside a handler too: the descriptor is not watched from the next wait on.
  void Unwatch(int Fd);
  void At(TClock::time_point When, std::function<void()> Action);
  // Runs until StopFd becomes readable.
  void Run(int StopFd);

 private:
  void RunDue();

  std::vector<std::pair<int, std::function<void()>>> FWatched;
  std::multimap<TClock::time_point, std::function<void()>> FTimers;
};

}  // namespace drivesim
