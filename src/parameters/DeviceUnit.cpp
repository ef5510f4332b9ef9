// Device units and their conversions; see DeviceUnit.h.
#include "parameters/DeviceUnit.h"

#include <algorithm>
#include <cmath>

#include "parameters/ParameterLimits.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/NumberText.h"
#include "sl/values/Collections.h"

namespace vt {

namespace {

constexpr double Two63 = 9223372036854775808.0;
constexpr double Two64 = 18446744073709551616.0;

[[noreturn]] void RaiseConversionError(const TConversionSite& Site, std::string_view What) {
  throw EConvertError(Format("%s.%s: %s in unit '%s'", Site.ClassName, Site.Operation, What, Site.Unit));
}

[[noreturn]] void RaiseOutOfRange(double Value, const TConversionSite& Site) {
  RaiseConversionError(Site, Format("%s is out of range", FloatToStr(Value)));
}

// Value when finite, else EConvertError.
double FiniteValue(double Value, const TConversionSite& Site) {
  if (!std::isfinite(Value)) RaiseOutOfRange(Value, Site);
  return Value;
}

// 10 to the power E as the display rounding takes it: the nearest single-precision
// number, widened. Powers beyond single precision's normal range (values above about
// 1E60 lose that many digits) are taken in double precision, so the result stays finite.
double SinglePow10(int E) {
  const double exact = std::pow(10.0, E);
  const float single = static_cast<float>(exact);
  return std::isnormal(single) ? static_cast<double>(single) : exact;
}

// Whether the caller's factor counts in System.
bool FactorApplies(TUnitSystem System) { return System != usSI && System != usImperial && System != usRotUmin; }

// The group of one unit system in a record: "<Prefix>Caption", "<Prefix>Offset",
// "<Prefix>Scale" and "<Prefix>FUPID". An optional group may be missing as a whole (its
// caption is missing); in a required group only the factor UPID may be missing.
struct TGroupKeys {
  std::u16string_view Prefix;
  bool Optional;
};

}  // namespace

double UnitQuotient(double Dividend, double Divisor, const TConversionSite& Site) {
  if (Divisor == 0) RaiseConversionError(Site, "division by zero");
  return FiniteValue(Dividend / Divisor, Site);
}

const TDeviceUnit::TUnitGroup TDeviceUnit::NeutralGroup{u"", NoFactorUPID, 0.0, 1.0};

TDeviceUnit::TDeviceUnit(const TSLNamedCollection* Record) {
  if (!Record) return;
  const auto read = [Record](TGroupKeys Keys) {
    const WideString prefix(Keys.Prefix);
    const auto key = [&prefix](std::u16string_view Name) { return prefix + WideString(Name); };
    if (Keys.Optional && !Record->NameExists(key(u"Caption"))) return NeutralGroup;
    TUnitGroup group;
    group.Caption = Record->GetStrWithName(key(u"Caption"));
    group.Offset = Record->GetFloatWithName(key(u"Offset"));
    group.Scale = Record->GetFloatWithName(key(u"Scale"));
    group.FUPID = Keys.Optional || Record->NameExists(key(u"FUPID"))
                      ? static_cast<std::int32_t>(Record->GetIntWithName(key(u"FUPID")))
                      : NoFactorUPID;
    return group;
  };
  FUUID = static_cast<std::int32_t>(Record->GetIntWithName(u"UUID"));
  FName = Record->GetStrWithName(u"UnitName");
  FSI = read({u"SI", false});
  FMetric = read({u"Metric", false});
  FImperial = read({u"Imperial", false});
  FRotDeg = read({u"RotDegree", true});
  FRotUmin = read({u"RotUmin", true});
}

const TDeviceUnit& TDeviceUnit::Neutral() {
  static const TDeviceUnit neutral = [] {
    TDeviceUnit unit;
    unit.FImperial = unit.FMetric = unit.FRotDeg = unit.FRotUmin = unit.FSI = NeutralGroup;
    unit.FUUID = -1;
    return unit;
  }();
  return neutral;
}

const TDeviceUnit::TUnitGroup& TDeviceUnit::Group(TUnitSystem System) const {
  switch (System) {
    case usSI: return FSI;
    case usMetric: return FMetric;
    case usImperial: return FImperial;
    case usRotDegree: return FRotDeg;
    case usRotUmin: return FRotUmin;
    default: return NeutralGroup;
  }
}

TUnitInfo TDeviceUnit::GetUnitInfo(TUnitSystem System) const {
  const TUnitGroup& group = Group(System);
  return {group.Caption, group.Offset, group.Scale, FactorApplies(System) ? group.FUPID : NoFactorUPID};
}

double TDeviceUnit::ToShown(double Raw, TUnitSystem System, double Factor, bool SaveFlag,
                            const TDisplayRounding& Rounding, const char* Operation) const {
  const TUnitGroup& group = Group(System);
  const double factor = FactorApplies(System) ? Factor : 1.0;
  const double value = FiniteValue((Raw * group.Scale + group.Offset) * factor, Site(Operation));
  if (!Rounding.Beautifulview || SaveFlag || System == usSI) return value;
  // Rounded to Zeros decimals; a value too large for 64 bits with them loses decimals
  // (and at last integer digits) until it fits.
  const int zeros = std::clamp(Rounding.BeautifulviewZeros, MinBeautifulViewZeros, MaxBeautifulViewZeros);
  double w = FiniteValue(value * SinglePow10(zeros), Site(Operation));
  int k = 0;
  for (; std::fabs(w) >= Two63; ++k) w /= 10;
  return FiniteValue(std::nearbyint(w) / SinglePow10(zeros - k), Site(Operation));
}

double TDeviceUnit::ToRaw(double Value, TUnitSystem System, double Factor, const char* Operation) const {
  const TUnitGroup& group = Group(System);
  const double factor = FactorApplies(System) ? Factor : 1.0;
  return UnitQuotient(UnitQuotient(Value, factor, Site(Operation)) - group.Offset, group.Scale, Site(Operation));
}

std::int64_t TDeviceUnit::ToRawInt(double Value, TUnitSystem System, double Factor, const char* Operation) const {
  const double rounded = std::nearbyint(ToRaw(Value, System, Factor, Operation));
  if (rounded >= Two63 || rounded < -Two63) RaiseOutOfRange(rounded, Site(Operation));
  return static_cast<std::int64_t>(rounded);
}

std::uint64_t TDeviceUnit::ToRawUInt(double Value, TUnitSystem System, double Factor, const char* Operation) const {
  const double x = ToRaw(Value, System, Factor, Operation);
  if (x <= 0) return 0;
  if (x >= Two64) return UINT64_MAX;
  return static_cast<std::uint64_t>(std::nearbyint(x));
}

double TDeviceUnit::IntToVal(std::int64_t Raw, TUnitSystem System) const {
  return ToShown(static_cast<double>(Raw), System, 1.0, true, {}, "IntToVal");
}

std::int64_t TDeviceUnit::ValToInt(double Value, TUnitSystem System) const {
  return ToRawInt(Value, System, 1.0, "ValToInt");
}

std::uint64_t TDeviceUnit::ValToUInt(double Value, TUnitSystem System) const {
  return ToRawUInt(Value, System, 1.0, "ValToUInt");
}

double TDeviceUnit::IntToVal_2(std::int64_t Raw, TUnitSystem System, double Factor, bool SaveFlag,
                               const TDisplayRounding& Rounding) const {
  return ToShown(static_cast<double>(Raw), System, Factor, SaveFlag, Rounding, "IntToVal_2");
}

double TDeviceUnit::IntToUVal_2(std::uint64_t Raw, TUnitSystem System, double Factor, bool SaveFlag,
                                const TDisplayRounding& Rounding) const {
  return ToShown(static_cast<double>(Raw), System, Factor, SaveFlag, Rounding, "IntToUVal_2");
}

double TDeviceUnit::FloatToVal_2(double Raw, TUnitSystem System, double Factor, bool SaveFlag,
                                 const TDisplayRounding& Rounding) const {
  return ToShown(Raw, System, Factor, SaveFlag, Rounding, "FloatToVal_2");
}

std::int64_t TDeviceUnit::ValToInt_2(double Value, TUnitSystem System, double Factor) const {
  return ToRawInt(Value, System, Factor, "ValToInt_2");
}

std::uint64_t TDeviceUnit::ValToUInt_2(double Value, TUnitSystem System, double Factor) const {
  return ToRawUInt(Value, System, Factor, "ValToUInt_2");
}

double TDeviceUnit::ValToFloat_2(double Value, TUnitSystem System, double Factor) const {
  return ToRaw(Value, System, Factor, "ValToFloat_2");
}

AnsiString TDeviceUnit::IntToValStr(std::int64_t Raw, TUnitSystem System, double Factor, bool SaveFlag,
                                    const TDisplayRounding& Rounding) const {
  return FloatToStr(IntToVal_2(Raw, System, Factor, SaveFlag, Rounding));
}

AnsiString TDeviceUnit::IntToUValStr(std::uint64_t Raw, TUnitSystem System, double Factor, bool SaveFlag,
                                     const TDisplayRounding& Rounding) const {
  return FloatToStr(IntToUVal_2(Raw, System, Factor, SaveFlag, Rounding));
}

AnsiString TDeviceUnit::FloatToValStr(double Raw, TUnitSystem System, double Factor, bool SaveFlag,
                                      const TDisplayRounding& Rounding) const {
  return FloatToStr(FloatToVal_2(Raw, System, Factor, SaveFlag, Rounding));
}

std::int64_t TDeviceUnit::ValStrToInt(std::string_view Text, TUnitSystem System) const {
  return ValToInt(StrToFloat(Text), System);
}

std::int64_t TDeviceUnit::ValStrToInt_2(std::string_view Text, TUnitSystem System, double Factor) const {
  return ValToInt_2(StrToFloat(Text), System, Factor);
}

std::uint64_t TDeviceUnit::ValStrToUInt_2(std::string_view Text, TUnitSystem System, double Factor) const {
  return ValToUInt_2(StrToFloat(Text), System, Factor);
}

double TDeviceUnit::ValStrToFloat_2(std::string_view Text, TUnitSystem System, double Factor) const {
  return ValToFloat_2(StrToFloat(Text), System, Factor);
}

}  // namespace vt
