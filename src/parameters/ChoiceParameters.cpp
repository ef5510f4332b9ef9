// What radio and enumeration directories share; see ChoiceParameters.h.
#include "parameters/ChoiceParameters.h"

#include "devices/Device.h"
#include "parameters/ParameterService.h"
#include "parameters/UnitService.h"
#include "sl/values/Collections.h"

namespace vt {

void RaiseNotValid(TInvalidText Kind, const AnsiString& Caption) {
  switch (Kind) {
    case TInvalidText::NotValid: throw Exception("Parameter not valid");
    case TInvalidText::NotValidJoined: throw Exception("Parameternot valid");
    case TInvalidText::WithName: break;
  }
  throw Exception("Parameter with name " + Caption + " is not valid");
}

AnsiString ChildValueText(std::int64_t Value, std::uint64_t Pattern, int HexDigits, const AnsiString& Mode,
                          const AnsiString& Caption) {
  if (Mode == "HEX" || Mode == "DEC") return RawValueText(Value, Pattern, HexDigits, Mode);
  return Caption;
}

std::int64_t ReadChildValue(const TSLNamedCollection& ARecord) { return ARecord.GetIntWithName(u"ChildValue"); }

std::int64_t ReadChoiceDefault(const TSLNamedCollection& ARecord, bool Required) {
  if (!Required && !ARecord.NameExists(u"DefValue")) return 0;
  return ARecord.GetIntWithName(u"DefValue");
}

void SetUnitSystemOf(TParameterService* Owner, std::uint16_t Code) {
  if (auto* units = Owner->Device()->Sibling<TUnitService>("UnitService")) units->SetUnitSystemfromInt(Code);
}

}  // namespace vt
