// Ending a script form's wait for a button; see ScriptFormWait.h.
#include "ui/ScriptFormWait.h"

namespace vt {

bool TScriptFormWait::ContinueWaitingScript(std::int64_t Tag) {
  if (!WaitForButton || !WaitingContext) return false;
  WaitForButton = false;
  Continue(WaitingContext, this);
  PushLongint(WaitingContext, Tag);
  return true;
}

}  // namespace vt
