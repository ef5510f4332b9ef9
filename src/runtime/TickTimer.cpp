// See TickTimer.h.
#include "runtime/TickTimer.h"

#include <chrono>

namespace vt {

std::int64_t MyGetTickCount() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace vt
