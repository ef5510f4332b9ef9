// The libFuzzer entry of one fuzz target; VT_FUZZ_ENTRY names its entry function.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  return vt::VT_FUZZ_ENTRY(Data, Size);
}
