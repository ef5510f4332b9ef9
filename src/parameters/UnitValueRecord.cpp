// A number parameter's value markers and unit; see UnitValueRecord.h.
#include "parameters/UnitValueRecord.h"

#include <string_view>

#include "devices/Device.h"
#include "parameters/ParameterService.h"
#include "parameters/UnitService.h"
#include "platform/NumberText.h"
#include "platform/TextConversion.h"
#include "sl/values/Dictionary.h"

namespace vt {

namespace {

constexpr std::string_view UPIDScaleMarker = "UPIDSCALE:";

}  // namespace

TUnitValueRecord::TUnitValueRecord(TParameterService* AOwner, const TSLNamedCollection& ARecord) {
  if (ARecord.NameExists(u"AdditionalFunction")) {
    const AnsiString text = WideToAnsi(ARecord.GetStrWithName(u"AdditionalFunction"));
    const AnsiString upper = UpperCaseAnsi(text);
    FIsUPID = upper == "UPID" || upper == "RAMWRITEUPID";
    FIsRamWriteUPID = upper == "RAMWRITEUPID";
    FIsUPIDScaled = upper.starts_with(UPIDScaleMarker);
    if (FIsUPIDScaled)
      FUPIDScaleUPID = static_cast<std::int32_t>(StrToInt64(std::string_view(text).substr(UPIDScaleMarker.size())));
  }
  FUUID = static_cast<std::int32_t>(ARecord.GetIntWithName(u"UUID"));
  if (const auto* units = AOwner->Device()->Sibling<TUnitService>("UnitService"))
    FDeviceUnit = &units->GetUnitWithUUID(FUUID);
}

}  // namespace vt
