// The event loop; see EventLoop.h.
#include "EventLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace drivesim {

void TEventLoop::Watch(int Fd, std::function<void()> OnReadable) { FWatched.emplace_back(Fd, std::move(OnReadable)); }

void TEventLoop::Unwatch(int Fd) {
  for (auto& w : FWatched)
    if (w.first == Fd) w.first = -1;  // poll passes over negative descriptors
}

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
    // To the microsecond: a paced line at 38400 baud sends a byte every 260 us.
    timespec timeout{};
    timespec* limit = nullptr;
    if (!FTimers.empty()) {
      const auto wait = std::max(FTimers.begin()->first - TClock::now(), TClock::duration::zero());
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
      timeout = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
      limit = &timeout;
    }
    if (ppoll(fds.data(), fds.size(), limit, nullptr) < 0 && errno != EINTR) return;
    if (fds[0].revents) return;
    for (std::size_t i = 1; i < fds.size(); ++i)
      if (fds[i].revents && FWatched[i - 1].first >= 0) FWatched[i - 1].second();
  }
}

}  // namespace drivesim
