// General helpers shared by every subsystem.
#pragma once

#include <atomic>

namespace vt {

// Set by the application shell when the program is to end; read on every thread
// (schedulers, the debug filter, the drive links), hence atomic.
extern std::atomic<bool> MainFormExitRequest;

}  // namespace vt
