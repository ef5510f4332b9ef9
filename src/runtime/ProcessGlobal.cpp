// The program's end flag; see ProcessGlobal.h.
#include "runtime/ProcessGlobal.h"

namespace vt {

std::atomic<bool> MainFormExitRequest{false};

}  // namespace vt
