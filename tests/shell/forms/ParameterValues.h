// A device's parameter values as text for the shell's tests, apart from the parameter
// service's header, whose state names would shadow the main state machine's.
#pragma once

#include <cstdint>
#include <string>

namespace vt {
class TDevice;
}

// The value of the parameter of that UPID as text (numbers in decimal); "missing" when
// the device's tree lacks it.
std::string ValueText(const vt::TDevice* Device, std::int32_t UPID);
