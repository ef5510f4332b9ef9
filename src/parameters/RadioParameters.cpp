// Radio parameters; see RadioParameters.h.
#include "parameters/RadioParameters.h"

namespace vt {

AnsiString BitStateText(const TRadioDirParameterOf<TRadioBitTraits>& Directory, bool Set, const AnsiString& Mode) {
  if (Mode == "HEX") return Set ? "1h" : "0h";
  if (Mode != "SCALED") return Set ? "1" : "0";
  AnsiString caption = Set ? "" : "Bit Cleared";
  std::vector<TParameter*> options;
  Directory.GetChildList(options);
  for (TParameter* option : options)
    if (option->GetChildValue() == (Set ? 1 : 0)) caption = option->Caption();
  return caption;
}

}  // namespace vt
