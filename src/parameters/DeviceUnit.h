// One unit of measure of a drive, as its parameter-tree descriptions name it: caption,
// scale, offset and factor UPID per unit system, and every conversion between the raw
// numbers the drive stores, the scaled values the user sees, and their texts.
//
// Shown value = (raw × scale + offset) × factor. The factor (the value of a factor UPID,
// computed by the caller) counts only in the Metric, English and Rotative Degree systems.
// A conversion that would divide by zero, give no finite number, or round outside 64
// bits raises EConvertError: the drive never receives an undefined integer.
#pragma once

#include <cstdint>
#include <string_view>

#include "parameters/UnitSystems.h"
#include "platform/TextConversion.h"

namespace vt {

class TSLNamedCollection;

// The factor UPID of a unit without one.
inline constexpr std::int32_t NoFactorUPID = 0xFFFF;

// A unit in one unit system.
struct TUnitInfo {
  WideString Caption;
  double Offset = 0;
  double Scale = 1;
  std::int32_t FUPID = NoFactorUPID;
};

// The view settings the display rounding follows (the shell's "BeautifulView" and
// "BeautifulViewZeros"); the defaults are the settings' own.
struct TDisplayRounding {
  bool Beautifulview = false;
  std::int32_t BeautifulviewZeros = 3;  // decimals kept
};

// Where a conversion happens, for its error texts: "<class>.<operation>: … unit '<name>'".
struct TConversionSite {
  const char* ClassName;
  const char* Operation;
  std::u16string_view Unit;
};

// Dividend ÷ Divisor; a zero divisor or a result that is no finite number raises
// EConvertError.
double UnitQuotient(double Dividend, double Divisor, const TConversionSite& Site);

class TDeviceUnit {
 public:
  // Reads a unit record ("UUID", "UnitName" and the groups of the unit systems); nil
  // leaves every field zero. A missing key or an integer where a real must be raises the
  // record's own error.
  explicit TDeviceUnit(const TSLNamedCollection* Record);
  // The unit of a UUID that names none: caption "", scale 1, offset 0 and no factor UPID
  // in every system, UUID -1.
  static const TDeviceUnit& Neutral();
  const char* ClassName() const { return "TDeviceUnit"; }

  const WideString& Name() const { return FName; }
  std::int32_t UUID() const { return FUUID; }

  TUnitInfo GetUnitInfo(TUnitSystem System) const;
  const WideString& GetUnitCaption(TUnitSystem System) const { return Group(System).Caption; }

  // Without factor and display rounding.
  double IntToVal(std::int64_t Raw, TUnitSystem System) const;
  std::int64_t ValToInt(double Value, TUnitSystem System) const;
  std::uint64_t ValToUInt(double Value, TUnitSystem System) const;

  // Raw to shown value with the factor, rounded for display unless SaveFlag is set (the
  // caller needs the exact value), the system is SI or the rounding is switched off.
  double IntToVal_2(std::int64_t Raw, TUnitSystem System, double Factor, bool SaveFlag,
                    const TDisplayRounding& Rounding) const;
  double IntToUVal_2(std::uint64_t Raw, TUnitSystem System, double Factor, bool SaveFlag,
                     const TDisplayRounding& Rounding) const;
  double FloatToVal_2(double Raw, TUnitSystem System, double Factor, bool SaveFlag,
                      const TDisplayRounding& Rounding) const;

  // Shown value to raw with the factor; integers rounded half to even. The unsigned
  // conversions give 0 at or below 0 and all bits set from 2^64 on.
  std::int64_t ValToInt_2(double Value, TUnitSystem System, double Factor) const;
  std::uint64_t ValToUInt_2(double Value, TUnitSystem System, double Factor) const;
  double ValToFloat_2(double Value, TUnitSystem System, double Factor) const;

  // The _2 conversions to text: up to 15 significant digits, "." as decimal separator,
  // the exponent form below 1E-4 and from 1E15 on.
  AnsiString IntToValStr(std::int64_t Raw, TUnitSystem System, double Factor, bool SaveFlag,
                         const TDisplayRounding& Rounding) const;
  AnsiString IntToUValStr(std::uint64_t Raw, TUnitSystem System, double Factor, bool SaveFlag,
                          const TDisplayRounding& Rounding) const;
  AnsiString FloatToValStr(double Raw, TUnitSystem System, double Factor, bool SaveFlag,
                           const TDisplayRounding& Rounding) const;

  // Text to raw; text that is no number raises the number parser's EConvertError.
  std::int64_t ValStrToInt(std::string_view Text, TUnitSystem System) const;
  std::int64_t ValStrToInt_2(std::string_view Text, TUnitSystem System, double Factor) const;
  std::uint64_t ValStrToUInt_2(std::string_view Text, TUnitSystem System, double Factor) const;
  double ValStrToFloat_2(std::string_view Text, TUnitSystem System, double Factor) const;

 private:
  // The caption, factor UPID, offset and scale of one unit system.
  struct TUnitGroup {
    WideString Caption;
    std::int32_t FUPID = 0;
    double Offset = 0;
    double Scale = 0;
  };
  static const TUnitGroup NeutralGroup;

  TDeviceUnit() = default;
  // The group a system selects; English and systems above usRotUmin have the neutral one.
  const TUnitGroup& Group(TUnitSystem System) const;
  double ToShown(double Raw, TUnitSystem System, double Factor, bool SaveFlag, const TDisplayRounding& Rounding,
                 const char* Operation) const;
  double ToRaw(double Value, TUnitSystem System, double Factor, const char* Operation) const;
  // Rounded half to even; the unsigned form saturates at 0 and at all bits set.
  std::int64_t ToRawInt(double Value, TUnitSystem System, double Factor, const char* Operation) const;
  std::uint64_t ToRawUInt(double Value, TUnitSystem System, double Factor, const char* Operation) const;
  TConversionSite Site(const char* Operation) const { return {ClassName(), Operation, FName}; }

  TUnitGroup FImperial;
  TUnitGroup FMetric;
  TUnitGroup FRotDeg;
  TUnitGroup FRotUmin;
  TUnitGroup FSI;
  WideString FName;
  std::int32_t FUUID = 0;
};

}  // namespace vt
