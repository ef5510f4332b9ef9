// Limits and tunables of the SL object model and language runtime, in one place.
#pragma once

#include <cstdint>

namespace vt {

// The autorelease pool starts with room for this many entries and grows in steps,
// so that thousands of short-lived values cost one list entry each.
inline constexpr int kAutoReleasePoolCapacity = 2000;
inline constexpr int kAutoReleasePoolGrowth = 1000;

// Handlers one polymorphic procedure can register (one per operand class it accepts).
inline constexpr int kPolymorphHandlers = 7;

// An interpreter call runs a context for at least this long before it yields.
inline constexpr int kInterpreterSliceMs = 10;

// "No time-out" of a context's wait.
inline constexpr std::int32_t kNoTimeout = 2147483647;

}  // namespace vt
