// Limits and tunables of the application shell.
#pragma once

#include <cstdint>

namespace vt {

// The task "AutoReleaseTask" empties the autorelease pool once per period, at this priority.
inline constexpr std::int64_t AutoReleasePeriodMs = 1000;
inline constexpr int AutoReleasePriority = 3;
// Serial links run at this rate unless the command line or the settings name another.
inline constexpr std::uint32_t DefaultSerialBaudRate = 38400;
// The login time-out when the view settings have none.
inline constexpr std::int32_t DefaultLoginTimeout = 250;

// The update task looks for a downloaded file once per period; a motor data file that has
// not appeared after this many looks is reported as missing.
inline constexpr std::int64_t UpdateFilePollMs = 1000;
inline constexpr int MotorFileChecks = 20;
// Lines of a release information file read as tags, at most.
inline constexpr int MaxReleaseInfoTagLines = 1000;

}  // namespace vt
