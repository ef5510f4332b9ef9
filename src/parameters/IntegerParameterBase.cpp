// The integer parameters' common part; see IntegerParameterBase.h.
#include "parameters/IntegerParameterBase.h"

#include "devices/Device.h"
#include "parameters/ParameterService.h"
#include "parameters/UnitService.h"
#include "platform/Format.h"
#include "platform/NumberText.h"
#include "runtime/ApplicationState.h"
#include "runtime/Conversions.h"
#include "sl/values/Dictionary.h"

namespace vt {

namespace {


// Bytes from the top, most significant first, as characters.
AnsiString AsciiText(std::int64_t Value, std::int32_t Size) {
  AnsiString text;
  for (int i = Size - 1; i >= 0; --i) text += static_cast<char>(static_cast<std::uint64_t>(Value) >> (8 * i) & 0xFF);
  return text;
}

}  // namespace

TDisplayRounding DisplayRounding() { return {ApplicationState().Beautifulview, ApplicationState().BeautifulviewZeros}; }

AnsiString HexValueText(std::int64_t Value, std::int32_t Size) {
  const auto bits = static_cast<std::uint64_t>(Value);
  const std::uint64_t pattern = Size >= 8 ? bits : bits & ((std::uint64_t{1} << (8 * Size)) - 1);
  const std::string digits = std::to_string(2 * Size);
  return Format("%" + digits + "." + digits + "x", pattern) + "h";
}

TGenericIntParameter::TGenericIntParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TParameter(AOwner, ARecord), TUnitValueRecord(AOwner, *ARecord) {}

AnsiString TGenericIntParameter::GetDisplayModeStr() const {
  return FIsUPID ? ApplicationState().UPIDDispMode : FDisplayMode;
}

double TGenericIntParameter::UnitFactor(TUnitSystem System) {
  return GetUPIDFactor(FDeviceUnit->GetUnitInfo(System), FUUID);
}

bool TGenericIntParameter::SaveFlag() const { return FOwner->Device()->SaveSelected; }

AnsiString TGenericIntParameter::UnitCaption(TUnitSystem System) const {
  return WideToAnsi(FDeviceUnit->GetUnitCaption(System));
}

void TGenericIntParameter::ValueText(TValueRec& Value, TUnitSystem System, const AnsiString& Mode,
                                     std::int64_t (TParameter::*Signed)(), std::uint64_t (TParameter::*Unsigned)()) {
  const double factor = UnitFactor(System);
  Value.UnitStr = TUnitStr();
  if (Mode == "SCALED") {
    Value.ValueStr = IsUInt64() ? FDeviceUnit->IntToUValStr((this->*Unsigned)(), System, factor, SaveFlag(), DisplayRounding())
                                : FDeviceUnit->IntToValStr((this->*Signed)(), System, factor, SaveFlag(), DisplayRounding());
    Value.UnitStr = UnitCaption(System);
  } else if (Mode == "HEX") {
    Value.ValueStr = HexValueText((this->*Signed)(), FSize);
  } else if (Mode == "DEC") {
    Value.ValueStr = IntToStr((this->*Signed)());
  } else if (Mode == "BIN") {
    Value.ValueStr = IntToBinary((this->*Signed)(), FSize);
  } else if (Mode == "ASCII" && FSize <= 4) {
    Value.ValueStr = AsciiText((this->*Signed)(), FSize);
  }
}

void TGenericIntParameter::GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  if (!FROMValueExists && !IsSafetyParameter()) {
    Value = {"***", {}};
    return;
  }
  ValueText(Value, System, Mode, &TParameter::GetIntValue, &TParameter::GetUIntValue);
}

void TGenericIntParameter::GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  if (!FRAMValueExists) {
    Value = {"***", {}};
    return;
  }
  ValueText(Value, System, Mode, &TParameter::GetRAMIntValue, &TParameter::GetRAMUIntValue);
}

void TGenericIntParameter::GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  ValueText(Value, System, Mode, &TParameter::GetNewIntValue, &TParameter::GetNewUIntValue);
}

AnsiString TGenericIntParameter::RawText(std::int64_t Value, const AnsiString& Mode) const {
  if (Mode == "HEX") return HexValueText(Value, FSize);
  if (Mode == "DEC") return IntToStr(Value);
  return {};
}

AnsiString TGenericIntParameter::GetRawDataStr(const AnsiString& Mode) { return RawText(GetIntValue(), Mode); }

AnsiString TGenericIntParameter::GetRawNewDataStr(const AnsiString& Mode) { return RawText(GetNewIntValue(), Mode); }

double TGenericIntParameter::GetBaseScaledValue() { return FDeviceUnit->IntToVal(GetIntValue(), usSI); }

void TGenericIntParameter::GetUnit(double& Scale, TUnitStr& Unit, TUnitSystem System) {
  const TUnitInfo info = FDeviceUnit->GetUnitInfo(System);
  Scale = info.Scale;
  Unit = WideToAnsi(info.Caption);
}

}  // namespace vt
