// The time base of the runtime and a plain deadline object for code that polls.
#pragma once

#include <cstdint>

namespace vt {

// Milliseconds of a monotonic clock; 64 bits, never wraps while the program runs.
std::int64_t MyGetTickCount();

class TTickTimer {
 public:
  void Start(std::int64_t Milisec) { EndTime = MyGetTickCount() + Milisec; }
  bool Expired() const { return EndTime < MyGetTickCount(); }
  // Negative once the deadline has passed.
  std::int64_t TicksToGo() const { return EndTime - MyGetTickCount(); }

 private:
  std::int64_t EndTime = 0;
};

}  // namespace vt
