// The event loop; see EventLoop.h.
#include "EventLoop.h"

#include <poll.h>

#include <cerrno>

namespace drivesim {

void TEventLoop::Watch(int Fd, std::function<void()> OnReadable) { FWatched.emplace_back(Fd, std::move(OnReadable)); }

void TEventLoop::At(TClock::time_point When, std::function<void()> Action) { FTimers.emplace(When, std::move(Action)); }

void TEventLoop::RunDue() {
  while (!FTimers.empty() && FTimers.begin()->first <= TClock::now()) {
    auto action = std::move(FTimers.begin()->second);
    FTimers.erase(FTimers.begin());
    action();
  }
}

void TEventLoop::Run(int StopFd) {
  std::vector<pollfd> fds;
  for (;;) {
    RunDue();
    fds.assign(1, {StopFd, POLLIN, 0});
    for (const auto& w : FWatched) fds.push_back({w.first, POLLIN, 0});
    int timeout = -1;
    if (!FTimers.empty()) {
      const auto wait = FTimers.begin()->first - TClock::now();
      // Rounded up, so that a wake never comes before the action is due.
      timeout = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
      if (timeout < 0) timeout = 0;
    }
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) return;
    if (fds[0].revents) return;
    for (std::size_t i = 1; i < fds.size(); ++i)
      if (fds[i].revents) FWatched[i - 1].second();
  }
}

}  // namespace drivesim
