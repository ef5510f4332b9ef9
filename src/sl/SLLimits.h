// Limits and tunables of the SL object model and language runtime, in one place.
#pragma once

namespace vt {

// The autorelease pool starts with room for this many entries and grows in steps,
// so that thousands of short-lived values cost one list entry each.
inline constexpr int kAutoReleasePoolCapacity = 2000;
inline constexpr int kAutoReleasePoolGrowth = 1000;

}  // namespace vt
