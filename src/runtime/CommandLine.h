// The parsed command line: options "-name[:value]" in ProgParamDict (names compare
// without regard to case) and every other argument, in order, in ProgParamArray.
#pragma once

#include <string>
#include <vector>

#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"

namespace vt {

// Both nil until ReadProgramParameters has run.
TSLDictionary* ProgParamDict();
TSLArray* ProgParamArray();

// Args are the UTF-8 arguments without the program path. A repeated option is shown
// to the user and dropped; the first value stays.
void ReadProgramParameters(const std::vector<std::string>& Args);
void ReadProgramParameters(int argc, char** argv);

}  // namespace vt
