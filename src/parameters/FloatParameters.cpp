// Floating-point parameters; see FloatParameters.h.
#include "parameters/FloatParameters.h"

#include <bit>
#include <cmath>
#include <limits>

#include "devices/Device.h"
#include "parameters/ParameterService.h"
#include "parameters/UnitService.h"
#include "parameters/ValueCoding.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/NumberText.h"
#include "runtime/ApplicationState.h"
#include "runtime/Conversions.h"
#include "sl/values/Collections.h"

namespace vt {

namespace {

constexpr std::int32_t SingleSize = 4;
constexpr std::int32_t DoubleSize = 8;
// Raw texts show at least this many hexadecimal digits.
constexpr int MinRawHexDigits = 8;

TDisplayRounding ViewRounding() {
  return {ApplicationState().Beautifulview, ApplicationState().BeautifulviewZeros};
}

[[noreturn]] void RefuseFloatText(const AnsiString& Text) {
  throw EConvertError(Format("'%s' is not a valid floating point value", Text));
}

}  // namespace

float RoundToSingle(double Value) {
  constexpr double largest = std::numeric_limits<float>::max();
  // Halfway between the largest single and the next power of two: from here on (ties to
  // even, and the largest single's last bit is odd) the nearest single is infinite.
  constexpr double overflow = largest + 0x1p103;
  if (std::isnan(Value)) return std::numeric_limits<float>::quiet_NaN();
  constexpr float infinity = std::numeric_limits<float>::infinity();
  if (std::fabs(Value) >= overflow) return Value > 0 ? infinity : -infinity;
  if (std::fabs(Value) > largest) return static_cast<float>(Value > 0 ? largest : -largest);
  return static_cast<float>(Value);  // the default rounding: nearest, ties to even
}

// ---- TGenericFloatParameter ----

TGenericFloatParameter::TGenericFloatParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord,
                                               std::int32_t ASize)
    : TTelegramParameter(AOwner, ARecord), TUnitValueRecord(AOwner, *ARecord), FSize(ASize) {
  AddStringProperty("Name", 1);
  AddStringProperty("UPID", 2);
}

void TGenericFloatParameter::ReadRange(const TSLNamedCollection& ARecord) {
  FMinValue = Pattern(ARecord.GetIntWithName(u"MinValue"));
  FMaxValue = Pattern(ARecord.GetIntWithName(u"MaxValue"));
  FDefaultValue = Pattern(ARecord.GetIntWithName(u"DefValue"));
}

std::int64_t TGenericFloatParameter::Pattern(std::int64_t Raw) const {
  return FSize == SingleSize ? static_cast<std::int64_t>(static_cast<std::uint32_t>(Raw)) : Raw;
}

std::int64_t TGenericFloatParameter::CheckedRaw(std::int64_t Raw) const {
  if (!GetValid()) throw Exception("Parameter not valid");
  return Raw;
}

double TGenericFloatParameter::Factor(TUnitSystem System) {
  return GetUPIDFactor(FDeviceUnit->GetUnitInfo(System), FUUID);
}

double TGenericFloatParameter::Scaled(std::int64_t Raw, TUnitSystem System) {
  return FDeviceUnit->FloatToVal_2(IntToFloat(Raw), System, Factor(System), FOwner->Device()->SaveSelected,
                                   ViewRounding());
}

// ---- Texts ----

void TGenericFloatParameter::GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  ValueText(Value, System, Mode, toValue, FDataCache);
}

void TGenericFloatParameter::GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  ValueText(Value, System, Mode, toRAMValue, FRAMValue);
}

void TGenericFloatParameter::GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  ValueText(Value, System, Mode, toNewValue, FNewDataCache);
}

void TGenericFloatParameter::GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  ValueText(Value, System, Mode, toDescription, FDefaultValue);
}

void TGenericFloatParameter::GetMinValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  ValueText(Value, System, Mode, toDescription, FMinValue);
}

void TGenericFloatParameter::GetMaxValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  ValueText(Value, System, Mode, toDescription, FMaxValue);
}

// A mode that writes no text leaves the record's value text as it was.
void TGenericFloatParameter::ValueText(TValueRec& Value, TUnitSystem System, const AnsiString& Mode, TTextOf Of,
                                       std::int64_t Raw) {
  const double factor = Factor(System);
  Value.UnitStr = TUnitStr();
  const bool available = Of == toValue      ? FROMValueExists || IsSafetyParameter()
                         : Of == toRAMValue ? FRAMValueExists
                                            : true;
  if (!available) {
    Value.ValueStr = "***";
    return;
  }
  const bool description = Of == toDescription;
  if (!description) CheckedRaw(Raw);
  const auto pattern = static_cast<std::uint64_t>(Raw);
  if (Mode == "SCALED") {
    Value.ValueStr = FDeviceUnit->FloatToValStr(IntToFloat(Raw), System, factor, FOwner->Device()->SaveSelected,
                                                ViewRounding());
    Value.UnitStr = WideToAnsi(FDeviceUnit->GetUnitCaption(System));
  } else if (Mode == "HEX") {
    Value.ValueStr = HexValueText(pattern, description ? MinRawHexDigits : 2 * FSize);
  } else if (Mode == "DEC") {
    Value.ValueStr = description ? Format("%u", pattern) : Format("%d", Raw);
  } else if (Mode == "BIN") {
    Value.ValueStr = IntToBinary(Raw, FSize);
  } else if (Mode == "ASCII" && !description && FSize == SingleSize) {
    AnsiString text;
    for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>((pattern >> shift) & 0xFF);
    Value.ValueStr = text;
  }
}

AnsiString TGenericFloatParameter::RawText(std::int64_t Raw, const AnsiString& Mode) const {
  return RawValueText(Raw, static_cast<std::uint64_t>(Raw), MinRawHexDigits, Mode);
}

double TGenericFloatParameter::GetBaseScaledValue() {
  const TUnitInfo si = FDeviceUnit->GetUnitInfo(usSI);
  return IntToFloat(GetIntValue()) * si.Scale + si.Offset;
}

void TGenericFloatParameter::GetUnit(double& Scale, TUnitStr& Unit, TUnitSystem System) {
  const TUnitInfo info = FDeviceUnit->GetUnitInfo(System);
  Scale = info.Scale;
  Unit = WideToAnsi(info.Caption);
}

// ---- Setting ----

void TGenericFloatParameter::RangeCheck(TUnitSystem System, std::int64_t& Raw) {
  if (FOwner->SuppressParRangeCheck) return;
  double value = IntToFloat(Raw);
  const double lo = IntToFloat(FMinValue);
  const double hi = IntToFloat(FMaxValue);
  const auto clamp = [&](double Limit, const char* Text) {
    const double factor = Factor(System);
    ShowMessage(Utf8ToWide(Format("UPID: 0x%4.4x", FMasterUPID) + Text +
                           FDeviceUnit->FloatToValStr(Limit, System, factor, true, ViewRounding()) + " " +
                           WideToAnsi(FDeviceUnit->GetUnitCaption(System)) + "."));
    value = Limit;
    Raw = FloatToInt(Limit);
  };
  if (lo > value) clamp(lo, " Value is too small. The parameter will be set to the minimum value of ");
  if (value > hi) clamp(hi, " Value is too big. The parameter will be set to the maximum value of ");
}

void TGenericFloatParameter::SetIntValue(TUnitSystem System, std::int64_t Raw) {
  RangeCheck(System, Raw);
  FTempCache = Pattern(Raw);
  if (FAddrUsage & AddrWriteWhileRunning) FRAMValue = FTempCache;
}

void TGenericFloatParameter::SetNewIntValue(TUnitSystem System, std::int64_t Raw) {
  RangeCheck(System, Raw);
  FNewDataCache = Pattern(Raw);
}

std::int64_t TGenericFloatParameter::PackAscii(const AnsiString& Text) const {
  if (Text.size() > static_cast<std::size_t>(FSize))
    throw Exception(Format("String too long! Maximal AnsiString length is %d", FSize));
  std::uint64_t raw = 0;
  for (std::size_t i = 0; i < Text.size(); ++i)
    raw |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(Text[i])) << (8 * (FSize - 1 - i));
  return static_cast<std::int64_t>(raw);
}

void TGenericFloatParameter::SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) {
  if (Text == "***") return;
  double value = 0;
  if (Mode == "SCALED")
    value = FDeviceUnit->ValStrToFloat_2(Text, System, Factor(System));
  else if (Mode == "DEC" || Mode == "HEX")
    value = StrToFloat(Text);
  else if (Mode == "ASCII")
    value = IntToFloat(PackAscii(Text));
  else
    RefuseFloatText(Text);  // no reading of the text is defined: nothing is written
  if (std::isnan(value)) RefuseFloatText(Text);
  SetIntValue(System, FloatToInt(value));
}

void TGenericFloatParameter::SetScaledNewValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) {
  std::int64_t raw = 0;
  if (Mode == "SCALED")
    raw = Pattern(FloatToInt(FDeviceUnit->ValStrToFloat_2(Text, System, Factor(System))));
  else if (Mode == "DEC" || Mode == "HEX")
    raw = StrToInt64(Text);
  else if (Mode == "BIN")
    raw = BinaryToInt(Text);
  else if (Mode == "ASCII")
    raw = PackAscii(Text);
  else
    RefuseFloatText(Text);
  if (FSize == SingleSize && (raw < 0 || raw > 0xFFFFFFFFLL)) throw Exception("Value out of range of UInt32 type!");
  SetNewIntValue(System, raw);
}

void TGenericFloatParameter::SetDefaultValue(TUnitSystem System) {
  SetIntValue(System, FDefaultValue);
  if (IsSafetyParameter()) SetNewIntValue(System, FDefaultValue);
  CopyTempToData();
}

void TGenericFloatParameter::CopyTempToData() { CommitValue(FTempCache, FDataCache); }

// ---- Value bytes ----

bool TGenericFloatParameter::DecodePendingValue(std::string_view Data) {
  std::uint64_t raw = 0;
  if (!DecodeLittleEndian(Data, FSize, raw)) return false;
  FTempCache = static_cast<std::int64_t>(raw);
  return true;
}

AnsiString TGenericFloatParameter::EncodePendingValue() {
  return EncodeLittleEndian(static_cast<std::uint64_t>(FTempCache), FSize);
}

void TGenericFloatParameter::SetMultValue(std::string_view Raw, std::uint8_t RamFlag) {
  std::uint64_t raw = 0;
  if (!DecodeLittleEndian(Raw, FSize, raw)) return;
  (RamFlag == 1 ? FRAMValue : FDataCache) = static_cast<std::int64_t>(raw);
}

void TGenericFloatParameter::SetSafetyPar(const AnsiString& Raw, bool Login) {
  std::uint64_t raw = 0;
  if (!DecodeLittleEndian(Raw, FSize, raw)) return;
  FDataCache = static_cast<std::int64_t>(raw);
  if (Login) FNewDataCache = FDataCache;
}

AnsiString TGenericFloatParameter::GetSafetyPar() {
  return EncodeLittleEndian(static_cast<std::uint64_t>(FNewDataCache), FSize);
}

// ---- TFloat32Parameter ----

TFloat32Parameter::TFloat32Parameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TGenericFloatParameter(AOwner, ARecord, SingleSize) {
  FTypeStr = "FloatIEEE754";
  FPropList.FObjType = "FloatIEEE754 Parameter";
  ReadRange(*ARecord);
}

double TFloat32Parameter::IntToFloat(std::int64_t Raw) const {
  return std::bit_cast<float>(static_cast<std::uint32_t>(Raw));
}

std::int64_t TFloat32Parameter::FloatToInt(double Value) const {
  return std::bit_cast<std::int32_t>(RoundToSingle(Value));
}

// ---- TDouble64Parameter ----

TDouble64Parameter::TDouble64Parameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TGenericFloatParameter(AOwner, ARecord, DoubleSize) {
  FTypeStr = "DoubleEEE754";
  FPropList.FObjType = "DoubleIEEE754 Parameter";
  ReadRange(*ARecord);
}

double TDouble64Parameter::IntToFloat(std::int64_t Raw) const { return std::bit_cast<double>(Raw); }

std::int64_t TDouble64Parameter::FloatToInt(double Value) const { return std::bit_cast<std::int64_t>(Value); }

}  // namespace vt
