// What text parameters and text folders share; see TextValueParameter.h.
#include "parameters/TextValueParameter.h"

#include "sl/values/Collections.h"

namespace vt {

TParameterStr ReadTextDefault(const TSLNamedCollection& ARecord) {
  return WideToAnsi(ARecord.GetStrWithName(u"DefValue"));
}

std::uint8_t ReadTextSize(const TSLNamedCollection& ARecord) {
  return static_cast<std::uint8_t>(ARecord.GetIntWithName(u"MaxSize"));
}

}  // namespace vt
