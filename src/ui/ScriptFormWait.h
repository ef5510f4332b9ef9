// What a script form shares with the controls on it: the script that waits until the
// user presses one of the form's buttons. A script form derives from this; a control
// made for a script finds it through its owner and ends the wait as a button would.
#pragma once

#include <cstdint>

#include "sl/interpreter/ContextInterface.h"

namespace vt {

class TScriptFormWait {
 public:
  virtual ~TScriptFormWait() = default;

  // When a script waits: clears the flag, continues the script with the form as sender
  // and pushes Tag onto its operand stack, as the button with that tag does. False, and
  // nothing changes, when none waits.
  bool ContinueWaitingScript(std::int64_t Tag);

  bool WaitForButton = false;
  TContextInterface* WaitingContext = nullptr;
};

}  // namespace vt
