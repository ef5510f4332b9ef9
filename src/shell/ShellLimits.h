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

// The configuration format version an offline login opens.
inline constexpr std::int64_t ConfigurationFormatVersion = 3;
// The newest firmware script version each create-offline path reads: the installed
// script, and one the user picks for an older release.
inline constexpr std::int64_t FirmwareScriptVersion = 5;
inline constexpr std::int64_t OldReleaseScriptVersion = 4;
// After a failed login whose firmware was just installed the login dialog opens again
// after this many turns of the main state machine, each waiting at most the pause.
inline constexpr std::int32_t ReloginTurns = 5000;
inline constexpr std::int64_t ReloginTurnPauseMs = 1000;
// A failed login waits this long per turn while a relogin is pending.
inline constexpr std::int64_t ReloginPollMs = 200;

// The commander window's sizes at 96 dpi: the tool bar's row, the tree panel's width at
// its design, the splitter's least width and the information strip's height.
inline constexpr int CommanderToolBarHeight = 40;
inline constexpr int CommanderTreeWidth = 212;
inline constexpr int CommanderSplitterMinimum = 31;
inline constexpr int CommanderInfoHeight = 112;
inline constexpr int CommanderBottomHeight = 19;
inline constexpr int CommanderMinimumWidth = 755;
inline constexpr int CommanderNormalWidth = 1024, CommanderNormalHeight = 720;
inline constexpr int DeviceSelectorWidth = 205;
inline constexpr int OptionWindowWidth = 460;
// Decimal places of the rounded value display.
inline constexpr std::int32_t MaxBeautifulviewZeros = 10;
// The option window's ranges of the manual buffer size and of the batched-read size.
inline constexpr std::int32_t MinManualBufferSize = 2, MaxManualBufferSize = 255;
inline constexpr std::int32_t MinMultiReadSize = 64, MaxMultiReadSize = 250;

}  // namespace vt
