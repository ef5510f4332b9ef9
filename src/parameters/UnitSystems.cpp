// Unit systems by name; see UnitSystems.h.
#include "parameters/UnitSystems.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

TUnitSystem StrToUnitSystem(std::string_view Name) {
  for (int i = 0; i < UnitSystemCount; ++i)
    if (Name == UnitSystemStr[i]) return static_cast<TUnitSystem>(i);
  throw Exception(Format("StrToUnitSystem: unit system with ID '%s' not found", Name));
}

}  // namespace vt
