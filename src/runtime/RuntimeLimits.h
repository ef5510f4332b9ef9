// Limits and tunables of the runtime: log sizes, pool and ring sizes, thread-manager
// capacity. One place, so that a test or a port can see every number the runtime keeps.
#pragma once

#include <cstdint>

namespace vt {

// Debug log: lines stored per log period while saving is on (file work happens once per
// period), lines a list takes while saving is off before the next list receives, and the
// file size above which the next of the ten files is taken.
inline constexpr int MaxNumberOfDebugLines = 6000;
inline constexpr int DebugListSwitchLines = 5000;
inline constexpr std::int64_t MaxFileSize = 5000000;
inline constexpr int DebugLogFileCount = 10;
// The debug window keeps at most this many lines and drops the oldest block above it.
inline constexpr int DebugMemoMaxLines = 5999;
inline constexpr int DebugMemoTrimLines = 3000;
inline constexpr int DebugGroupCount = 8;

// Task priorities 0 (served first) to 4: one ready ring each.
inline constexpr int MxPriorityCount = 5;
// The timer thread's longest sleep while no timer is queued, in milliseconds.
inline constexpr std::int64_t MxTimerQueueIdleWait = 20000;
// Waits longer than this (about 31 years) are waits without limit: the clocks the waits
// run on count nanoseconds in 64 bits and would overflow.
inline constexpr std::int64_t MxLongestWait = 1'000'000'000'000;
// Message bytes live in segments of this size, recycled through the segment pool.
inline constexpr int MxBufferSegmentSize = 128;
// Clients one thread manager serves (one wait covers them all and its own event).
inline constexpr int MaxClientCount = 16;

}  // namespace vt
