// The System dictionary: every built-in procedure under its SL name, in the one fixed
// registration order (forall over System and the debugger show that order), and the
// two shared values true and false. The storage manager fills its System dictionary
// with these once per process.
#pragma once

#include "sl/values/Dictionary.h"

namespace vt {

// Adds every built-in to Dict in registration order; a name Dict holds already
// raises the dictionary's duplicate-name error.
void CreateSystemProcedures(TSLDictionary* Dict);
// Adds "true" and then "false": shared Booleans that refuse every change.
void CreateSystemValues(TSLDictionary* Dict);

}  // namespace vt
