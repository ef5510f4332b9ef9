// The time base of the runtime and a plain deadline object for code that polls.
#pragma once

#include <cstdint>

namespace vt {

// Milliseconds of a monotonic clock; 64 bits, never wraps while the program runs.
std::int64_t MyGetTickCount();
// The tick Milliseconds from now, held at the largest tick instead of wrapping: a
// deadline that far away is never reached.
std::int64_t TickAfter(std::int64_t Milliseconds);

class TTickTimer {
 public:
  void Start(std::int64_t Milisec) { EndTime = TickAfter(Milisec); }
  bool Expired() const { return EndTime < MyGetTickCount(); }
  // Negative once the deadline has passed.
  std::int64_t TicksToGo() const { return EndTime - MyGetTickCount(); }

 private:
  std::int64_t EndTime = 0;
};

}  // namespace vt
