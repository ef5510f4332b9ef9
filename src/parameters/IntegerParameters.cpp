// The integer parameter classes; see IntegerParameters.h.
#include "parameters/IntegerParameters.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "devices/Device.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterService.h"
#include "parameters/ValueCoding.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/NumberText.h"
#include "runtime/Conversions.h"
#include "sl/values/Dictionary.h"

namespace vt {

namespace {

constexpr TNotValidText NotValid{"Parameter not valid"};
constexpr std::int64_t Int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t UInt32Max = std::numeric_limits<std::uint32_t>::max();

[[noreturn]] void ConvertError(const AnsiString& Text) {
  throw EConvertError(Format("'%s' is not a valid integer value", Text));
}

// Blanks, an optional sign, then hexadecimal digits after "$", "x" or "0x".
bool IsHexText(std::string_view Text) {
  const auto at = Text.find_first_not_of(' ');
  if (at == std::string_view::npos) return false;
  Text.remove_prefix(at);
  if (!Text.empty() && (Text[0] == '-' || Text[0] == '+')) Text.remove_prefix(1);
  if (Text.starts_with("0x") || Text.starts_with("0X")) return true;
  return !Text.empty() && (Text[0] == '$' || Text[0] == 'x' || Text[0] == 'X');
}

// An unsigned 64-bit number: decimal digits after blanks and an optional "+", or a
// hexadecimal 64-bit pattern.
std::int64_t ParseUInt64(const AnsiString& Text) {
  if (IsHexText(Text)) return StrToInt64(Text);
  std::string_view digits(Text);
  digits.remove_prefix(std::min(digits.size(), digits.find_first_not_of(' ')));
  if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) ConvertError(Text);
  return static_cast<std::int64_t>(value);
}

// A signed 32-bit number; a hexadecimal text may give the 32-bit pattern of a negative one.
std::int64_t ParseInt32(const AnsiString& Text) {
  const std::int64_t value = StrToInt64(Text);
  if (value >= Int32Min && value <= Int32Max) return value;
  if (IsHexText(Text) && value > Int32Max && value <= UInt32Max) return static_cast<std::int32_t>(value);
  ConvertError(Text);
}

}  // namespace

// ---- What sets each class apart ----

template <>
const TIntClassInfo& TUInt8Parameter::Info() {
  static const TIntClassInfo info{"TUInt8Parameter", "UInt8", "UInt8 Parameter",
                                  {"Parameter with ", " is not valid"}, {"Parameter with ", " is not valid"},
                                  {"Parameter with ", " is not valid"}, NotValid,
                                  true, false, false, false, 4, false, TIntTextParse::Int32, false, true, 0, 255};
  return info;
}

template <>
const TIntClassInfo& TSInt8Parameter::Info() {
  static const TIntClassInfo info{"TSInt8Parameter", "SInt8", "SInt8 Parameter",
                                  {"Parameter with name ", " is not valid"}, NotValid, NotValid, NotValid,
                                  false, false, false, true, 4, false, TIntTextParse::Int32, false, true, -128, 127};
  return info;
}

template <>
const TIntClassInfo& TUInt16Parameter::Info() {
  static const TIntClassInfo info{"TUInt16Parameter", "UInt16", "UInt16 Parameter",
                                  {"Parameter with name: ", " not valid"}, NotValid,
                                  {"Parameter with name: ", " not valid"}, {"Parameter with name: ", " not valid"},
                                  false, false, false, false, 4, true, TIntTextParse::Int32, false, true, 0, 65535};
  return info;
}

template <>
const TIntClassInfo& TSInt16Parameter::Info() {
  static const TIntClassInfo info{"TSInt16Parameter", "SInt16", "SInt16 Parameter", NotValid, NotValid, NotValid,
                                  NotValid, true, true, true, false, 4, false, TIntTextParse::Int32, false, true,
                                  -32768, 32767};
  return info;
}

template <>
const TIntClassInfo& TUInt32Parameter::Info() {
  static const TIntClassInfo info{"TUInt32Parameter", "UInt32", "UInt32 Parameter", NotValid, NotValid, NotValid,
                                  NotValid, false, false, false, true, 4, true, TIntTextParse::Int64, true, true,
                                  0, UInt32Max};
  return info;
}

template <>
const TIntClassInfo& TSInt32Parameter::Info() {
  static const TIntClassInfo info{"TSInt32Parameter", "SInt32", "SInt32 Parameter", NotValid, NotValid, NotValid,
                                  NotValid, false, true, false, true, 4, false, TIntTextParse::Int32, false, true,
                                  Int32Min, Int32Max};
  return info;
}

template <>
const TIntClassInfo& TUInt64Parameter::Info() {
  static const TIntClassInfo info{"TUInt64Parameter", "UInt64", "UInt64 Parameter", NotValid, NotValid, NotValid,
                                  NotValid, false, false, false, true, 8, true, TIntTextParse::UInt64, true, false,
                                  0, 0};
  return info;
}

template <>
const TIntClassInfo& TSInt64Parameter::Info() {
  static const TIntClassInfo info{"TSInt64Parameter", "SInt64", "SInt64 Parameter", NotValid, NotValid, NotValid,
                                  NotValid, false, true, false, true, 8, false, TIntTextParse::Int64, false, false,
                                  0, 0};
  return info;
}

// ---- Construction and validity ----

template <class T>
TIntParameterOf<T>::TIntParameterOf(TParameterService* AOwner, const TSLNamedCollection* ARecord)
    : TTelegramParameter(AOwner, ARecord) {
  FSize = sizeof(T);
  FTypeStr = Info().TypeName;
  FPropList.FObjType = Info().ObjectType;
  AddStringProperty("Name", 1);
  AddStringProperty("UPID", 2);
  FMinValue = static_cast<T>(ARecord->GetIntWithName(u"MinValue"));
  FMaxValue = static_cast<T>(ARecord->GetIntWithName(u"MaxValue"));
  FDefaultValue = static_cast<T>(ARecord->GetIntWithName(u"DefValue"));
}

template <class T>
void TIntParameterOf<T>::CheckValid(const TNotValidText& Text) const {
  if (GetValid()) return;
  throw Exception(Text.After ? Text.Before + FCaption.str() + Text.After : AnsiString(Text.Before));
}

// ---- Values ----

template <class T>
std::int64_t TIntParameterOf<T>::GetIntValue() {
  CheckValid(Info().ValueNotValid);
  return Widen(DataCache);
}

template <class T>
std::int64_t TIntParameterOf<T>::GetRAMIntValue() {
  CheckValid(Info().ValueNotValid);
  return Widen(RAMValue);
}

template <class T>
std::int64_t TIntParameterOf<T>::GetNewIntValue() {
  CheckValid(Info().NewNotValid);
  return Widen(NewDataCache);
}

template <class T>
std::uint64_t TIntParameterOf<T>::GetUIntValue() {
  if constexpr (!Unsigned64) Abstract();
  CheckValid(NotValid);
  return DataCache;
}

template <class T>
std::uint64_t TIntParameterOf<T>::GetRAMUIntValue() {
  if constexpr (!Unsigned64) Abstract();
  CheckValid(NotValid);
  return RAMValue;
}

template <class T>
std::uint64_t TIntParameterOf<T>::GetNewUIntValue() {
  if constexpr (!Unsigned64) Abstract();
  CheckValid(NotValid);
  return NewDataCache;
}

template <class T>
double TIntParameterOf<T>::ToDouble(T Value, TUnitSystem System, bool Plain) {
  if (Plain) return FDeviceUnit->IntToVal(Widen(Value), System);
  if constexpr (Unsigned64)
    return FDeviceUnit->IntToUVal_2(Value, System, UnitFactor(System), SaveFlag(), DisplayRounding());
  return FDeviceUnit->IntToVal_2(Widen(Value), System, UnitFactor(System), SaveFlag(), DisplayRounding());
}

template <class T>
double TIntParameterOf<T>::GetValue(TUnitSystem System) {
  CheckValid(Info().DoubleNotValid);
  return ToDouble(DataCache, System, Info().PlainValue);
}

// ---- Range check and pending value ----

template <class T>
AnsiString TIntParameterOf<T>::ScaledText(T Value, TUnitSystem System, double Factor, bool Save) {
  if constexpr (Unsigned64) return FDeviceUnit->IntToUValStr(Value, System, Factor, Save, DisplayRounding());
  return FDeviceUnit->IntToValStr(Widen(Value), System, Factor, Save, DisplayRounding());
}

template <class T>
void TIntParameterOf<T>::RangeMessage(TUnitSystem System, const char* Text, T Limit) {
  const std::string digits = std::to_string(Info().MessageDigits);
  const double factor = Info().MessageFactor ? UnitFactor(System) : 1.0;
  ShowMessage(AnsiToWide("UPID: 0x" + Format("%" + digits + "." + digits + "x", FMasterUPID) + Text +
                         ScaledText(Limit, System, factor, true) + " " + UnitCaption(System) + "."));
}

template <class T>
T TIntParameterOf<T>::Checked(TUnitSystem System, std::int64_t Value, bool UnsignedValue) {
  if (FOwner->SuppressParRangeCheck) return static_cast<T>(Value);
  const auto below = [&](std::int64_t V) {
    if constexpr (Unsigned64) return (!UnsignedValue && V < 0) || static_cast<std::uint64_t>(V) < FMinValue;
    return V < Widen(FMinValue);
  };
  const auto above = [&](std::int64_t V) {
    if constexpr (Unsigned64) return (UnsignedValue || V >= 0) && static_cast<std::uint64_t>(V) > FMaxValue;
    return V > Widen(FMaxValue);
  };
  if (below(Value)) {
    RangeMessage(System, " Value is too small. The parameter will be set to the minimum value of ", FMinValue);
    Value = Widen(FMinValue);
  }
  if (above(Value)) {
    RangeMessage(System, " Value is too big. The parameter will be set to the maximum value of ", FMaxValue);
    Value = Widen(FMaxValue);
  }
  return static_cast<T>(Value);
}

template <class T>
void TIntParameterOf<T>::SetIntValue(TUnitSystem System, std::int64_t Value) {
  TempCache = Checked(System, Value, false);
  if (FAddrUsage & AddrWriteWhileRunning) RAMValue = TempCache;
}

template <class T>
void TIntParameterOf<T>::SetUIntValue(TUnitSystem System, std::uint64_t Value)
  requires UInt64Value<T>
{
  TempCache = Checked(System, static_cast<std::int64_t>(Value), true);
  if (FAddrUsage & AddrWriteWhileRunning) RAMValue = TempCache;
}

template <class T>
void TIntParameterOf<T>::SetNewIntValue(TUnitSystem System, std::int64_t Value) {
  NewDataCache = Checked(System, Value, false);
}

// ---- Text entry ----

template <class T>
std::int64_t TIntParameterOf<T>::ParsedInteger(const AnsiString& Text) const {
  switch (Info().Parse) {
    case TIntTextParse::Int32: return ParseInt32(Text);
    case TIntTextParse::Int64: return StrToInt64(Text);
    case TIntTextParse::UInt64: return ParseUInt64(Text);
  }
  ConvertError(Text);
}

template <class T>
std::int64_t TIntParameterOf<T>::AsciiValue(const AnsiString& Text) const {
  if (Text.size() > static_cast<std::size_t>(FSize))
    throw Exception("String too long! Maximal AnsiString length is " + std::to_string(FSize));
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < Text.size(); ++i)
    value |= std::uint64_t{static_cast<std::uint8_t>(Text[i])} << ((FSize - 1 - i) * 8);
  return static_cast<std::int64_t>(value);
}

// A mode the class cannot read would store 0 and send it to the drive: refused instead.
template <class T>
std::int64_t TIntParameterOf<T>::EnteredValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) {
  std::int64_t value = 0;
  if (Mode == "SCALED") {
    const double factor = UnitFactor(System);
    if constexpr (Unsigned64)
      value = static_cast<std::int64_t>(FDeviceUnit->ValStrToUInt_2(Text, System, factor));
    else
      value = FDeviceUnit->ValStrToInt_2(Text, System, factor);
  } else if (Mode == "DEC" || Mode == "HEX") {
    value = ParsedInteger(Text);
  } else if (Mode == "BIN") {
    value = Unsigned64 ? static_cast<std::int64_t>(BinaryToUInt(Text)) : BinaryToInt(Text);
  } else if (Mode == "ASCII" && Info().Ascii) {
    value = AsciiValue(Text);
  } else {
    throw Exception(Format("Values of type %s can't be entered in display mode '%s'!", Info().TypeName, Mode));
  }
  if (Info().Ranged && (value < Info().RangeMin || value > Info().RangeMax))
    throw Exception(Format("Value out of range of %s type!", Info().TypeName));
  return value;
}

template <class T>
void TIntParameterOf<T>::SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) {
  if (Info().IgnoresStars && Text == "***") return;
  const std::int64_t value = EnteredValue(Text, System, Mode);
  if constexpr (Unsigned64)
    SetUIntValue(System, static_cast<std::uint64_t>(value));
  else
    SetIntValue(System, value);
}

template <class T>
void TIntParameterOf<T>::SetScaledNewValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) {
  SetNewIntValue(System, EnteredValue(Text, System, Mode));
}

// ---- Default and limits ----

template <class T>
void TIntParameterOf<T>::LimitText(TValueRec& Value, TUnitSystem System, const AnsiString& Mode, T Limit) {
  Value.UnitStr = TUnitStr();
  const double factor = UnitFactor(System);
  if (Mode == "SCALED") {
    Value.ValueStr = ScaledText(Limit, System, factor, SaveFlag());
    Value.UnitStr = UnitCaption(System);
  } else if (Mode == "HEX") {
    Value.ValueStr = HexValueText(Widen(Limit), FSize);
  } else if (Mode == "DEC") {
    Value.ValueStr = std::to_string(Limit);
  } else if (Mode == "BIN") {
    Value.ValueStr = IntToBinary(Widen(Limit), FSize);
  }
}

template <class T>
void TIntParameterOf<T>::GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  LimitText(Value, System, Mode, FDefaultValue);
}

template <class T>
void TIntParameterOf<T>::GetMinValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  LimitText(Value, System, Mode, FMinValue);
}

template <class T>
void TIntParameterOf<T>::GetMaxValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) {
  LimitText(Value, System, Mode, FMaxValue);
}

template <class T>
double TIntParameterOf<T>::GetDefaultValueDouble(TUnitSystem System) {
  CheckValid(Info().LimitNotValid);
  return ToDouble(FDefaultValue, System, Info().PlainDefault);
}

template <class T>
double TIntParameterOf<T>::GetMinValueDouble(TUnitSystem System) {
  CheckValid(Info().LimitNotValid);
  return ToDouble(FMinValue, System, Info().PlainLimits);
}

template <class T>
double TIntParameterOf<T>::GetMaxValueDouble(TUnitSystem System) {
  CheckValid(Info().LimitNotValid);
  return ToDouble(FMaxValue, System, Info().PlainLimits);
}

template <class T>
std::int64_t TIntParameterOf<T>::GetMinValueInt() {
  CheckValid(Info().LimitNotValid);
  return Widen(FMinValue);
}

template <class T>
std::int64_t TIntParameterOf<T>::GetMaxValueInt() {
  CheckValid(Info().LimitNotValid);
  return Widen(FMaxValue);
}

template <class T>
std::int64_t TIntParameterOf<T>::GetDefaultValue() {
  return Widen(FDefaultValue);
}

template <class T>
std::uint64_t TIntParameterOf<T>::GetMinValueUInt()
  requires UInt64Value<T>
{
  CheckValid(NotValid);
  return FMinValue;
}

template <class T>
std::uint64_t TIntParameterOf<T>::GetMaxValueUInt()
  requires UInt64Value<T>
{
  CheckValid(NotValid);
  return FMaxValue;
}

template <class T>
void TIntParameterOf<T>::SetDefaultValue(TUnitSystem System) {
  if constexpr (Unsigned64)
    SetUIntValue(System, FDefaultValue);
  else
    SetIntValue(System, Widen(FDefaultValue));
  if (IsSafetyParameter()) SetNewIntValue(System, Widen(FDefaultValue));
  CopyTempToData();
}

// ---- Raw bytes: batched reads, safety strings, telegrams ----

template <class T>
T TIntParameterOf<T>::FromBytes(std::string_view Raw) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < sizeof(T) && i < Raw.size(); ++i)
    value |= std::uint64_t{static_cast<std::uint8_t>(Raw[i])} << (8 * i);
  return static_cast<T>(value);
}

template <class T>
void TIntParameterOf<T>::SetMultValue(std::string_view Raw, std::uint8_t RamFlag) {
  (RamFlag == 1 ? RAMValue : DataCache) = FromBytes(Raw);
}

template <class T>
void TIntParameterOf<T>::SetSafetyPar(const AnsiString& Raw, bool Login) {
  DataCache = FromBytes(Raw);
  if (Login) NewDataCache = DataCache;
}

template <class T>
AnsiString TIntParameterOf<T>::GetSafetyPar() {
  return EncodeLittleEndian(static_cast<std::uint64_t>(Widen(NewDataCache)), FSize);
}

template <class T>
void TIntParameterOf<T>::CopyTempToData() {
  if (TempCache == DataCache && GetValid()) return;
  DataCache = TempCache;
  SetAttrFlag(AttrChanged | AttrValid);
}

template <class T>
AnsiString TIntParameterOf<T>::EncodePendingValue() {
  return EncodeLittleEndian(static_cast<std::uint64_t>(Widen(TempCache)), FSize);
}

template <class T>
bool TIntParameterOf<T>::DecodePendingValue(std::string_view Data) {
  std::uint64_t value = 0;
  if (!DecodeLittleEndian(Data, sizeof(T), value)) return false;
  TempCache = static_cast<T>(value);
  return true;
}

template class TIntParameterOf<std::uint8_t>;
template class TIntParameterOf<std::int8_t>;
template class TIntParameterOf<std::uint16_t>;
template class TIntParameterOf<std::int16_t>;
template class TIntParameterOf<std::uint32_t>;
template class TIntParameterOf<std::int32_t>;
template class TIntParameterOf<std::uint64_t>;
template class TIntParameterOf<std::int64_t>;

void RegisterIntegerParameterClasses(TParameterManager& Manager) {
  Manager.RegisterParameterClass(ParameterClassOf<TUInt8Parameter>(), "UInt8");
  Manager.RegisterParameterClass(ParameterClassOf<TSInt8Parameter>(), "SInt8");
  Manager.RegisterParameterClass(ParameterClassOf<TUInt16Parameter>(), "UInt16");
  Manager.RegisterParameterClass(ParameterClassOf<TSInt16Parameter>(), "SInt16");
  Manager.RegisterParameterClass(ParameterClassOf<TUInt32Parameter>(), "UInt32");
  Manager.RegisterParameterClass(ParameterClassOf<TSInt32Parameter>(), "SInt32");
  Manager.RegisterParameterClass(ParameterClassOf<TUInt64Parameter>(), "UInt64");
  Manager.RegisterParameterClass(ParameterClassOf<TSInt64Parameter>(), "SInt64");
}

}  // namespace vt
