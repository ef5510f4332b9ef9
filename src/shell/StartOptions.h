// What the command line asks of the start: the configuration to open and the number of
// scripts the program waits for before it ends without windows.
#pragma once

#include <string>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

// The option "VXC", else the one argument when it names an existing file ending in
// ".vxc2" (any letter case), else empty. Needs the parsed command line.
AnsiString StartConfigurationName(const std::vector<std::string>& Args);

// 1 for an option "Script", plus 1 unless "NoAuto" (letter case ignored).
int ScriptsExpectedToStart();

// Whether the parsed command line holds the option (letter case ignored).
bool HasOption(const char16_t* Name);
// Its value, empty without it.
AnsiString OptionValue(const char16_t* Name);

}  // namespace vt
