// Limits and tunables of the device model in one place.
#pragma once

#include <cstdint>

namespace vt {

// A serial device whose connection was lost tries this rate at its 2nd and 5th failed
// status request (the rate drives fall back to after a reset), its own at the 3rd.
inline constexpr std::uint32_t FallbackBaudrate = 38400;
// The pause between closing the port and opening it at the new rate, in milliseconds.
inline constexpr std::int64_t SerialReopenPause = 500;
// Info-list updates before the motor-wizard check, so that the parameters have been read.
inline constexpr std::int32_t MotorWizardCheckDelay = 100;

// The status poll: from request to request while answers come in time, in milliseconds;
// a late answer is looked for at this longer wake-up.
inline constexpr std::int64_t StatusPollInterval = 500;
inline constexpr std::int64_t StatusAnswerWait = 2000;
// While an Ethernet scan runs, the status polls pause in steps of this many milliseconds.
inline constexpr std::int64_t ScanBreakPause = 2;
// Over Ethernet a swapped drive is reported at this many swapped answers in a row: a
// drive that answers in place of another for a moment (a scan, an address taken over
// briefly) does not stop the user.
inline constexpr std::uint32_t SwappedAnswersBeforeDialog = 3;

// Images of the shared tree image list.
inline constexpr std::int32_t ProjectImage = 13;
// A device whose drive is not on line (or an offline device).
inline constexpr std::int32_t DeviceImage = 87;
// The drive's states: connection lost or another drive, program stopped, running,
// controller starting, controller in error.
inline constexpr std::int32_t ConnectionLostImage = 88;
inline constexpr std::int32_t DriveStoppedImage = 120;
inline constexpr std::int32_t DriveRunningImage = 119;
inline constexpr std::int32_t ControllerStartingImage = 122;
inline constexpr std::int32_t ControllerErrorImage = 121;
// A module group node: one module, or several (or a module code below 2), each in an
// error form while a device below shows the controller-error image.
inline constexpr std::int32_t ModuleGroupImage = 186;
inline constexpr std::int32_t ModuleGroupErrorImage = 188;
inline constexpr std::int32_t GroupImage = 185;
inline constexpr std::int32_t GroupErrorImage = 187;

// The variables' multi-value reader looks this often (ms) whether the value request it
// sent has ended, and pauses this long between two rounds of cyclic sections.
inline constexpr std::int64_t MultiReadPause = 1;

}  // namespace vt
