// See TickTimer.h.
#include "runtime/TickTimer.h"

#include <chrono>
#include <limits>

namespace vt {

std::int64_t MyGetTickCount() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t TickAfter(std::int64_t Milliseconds) {
  const std::int64_t now = MyGetTickCount();  // never negative, so only a sum can overflow
  constexpr std::int64_t last = std::numeric_limits<std::int64_t>::max();
  return Milliseconds > last - now ? last : now + Milliseconds;
}

}  // namespace vt
