// General helpers shared by every subsystem.
#include "functions.h"

namespace vt {

std::atomic<bool> MainFormExitRequest{false};

}  // namespace vt
