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

// Images of the shared tree image list.
inline constexpr std::int32_t ProjectImage = 13;
inline constexpr std::int32_t DeviceImage = 87;
inline constexpr std::int32_t ControllerErrorImage = 121;  // a device whose controller is in error
// A module group node: one module, or several (or a module code below 2), each in an
// error form while a device below shows the controller-error image.
inline constexpr std::int32_t ModuleGroupImage = 186;
inline constexpr std::int32_t ModuleGroupErrorImage = 188;
inline constexpr std::int32_t GroupImage = 185;
inline constexpr std::int32_t GroupErrorImage = 187;

}  // namespace vt
