// A device's parameter values as text; see ParameterValues.h.
#include "ParameterValues.h"

#include "devices/Device.h"
#include "parameters/ParameterService.h"

std::string ValueText(const vt::TDevice* Device, std::int32_t UPID) {
  const auto* service = Device->Sibling<vt::TParameterService>("ParameterService");
  vt::TParameter* node = service ? service->FindParameter(UPID) : nullptr;
  if (!node) return "missing";
  return node->IsString() ? node->GetStrValue() : std::to_string(node->GetIntValue());
}
