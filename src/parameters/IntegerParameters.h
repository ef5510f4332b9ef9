// The eight integer parameter classes: unsigned and signed, 8, 16, 32 and 64 bits. Each
// keeps four copies of its value (pending, committed, new and RAM) with its default,
// minimum and maximum; checks entered values against its range, turns texts of the
// display modes into values, formats default and limits, and sends its value in the
// parameter telegrams. The classes are one design: TIntParameterOf over the value type,
// with what sets a class apart (texts, conversions, parsers, range) in its class info.
//
// Values leave a class widened to 64 bits (unsigned widths zero-extended, signed ones
// sign-extended, the 64-bit ones unchanged) and enter it cut to its width.
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

#include "parameters/IntegerParameterBase.h"

namespace vt {

// The text of a value that is not valid: Before, the caption and After; without After
// the text names no caption.
struct TNotValidText {
  const char* Before;
  const char* After = nullptr;
};

// How "DEC" and "HEX" texts are read: into a signed 32-bit number (hexadecimal texts as
// a 32-bit pattern), a signed or an unsigned 64-bit number.
enum class TIntTextParse : std::uint8_t { Int32, Int64, UInt64 };

struct TIntClassInfo {
  const char* ClassName;
  const char* TypeName;    // also the registered type name
  const char* ObjectType;  // of the property list
  TNotValidText ValueNotValid;   // committed and RAM value
  TNotValidText NewNotValid;     // new value
  TNotValidText DoubleNotValid;  // the value as a double
  TNotValidText LimitNotValid;   // default, minimum and maximum as doubles and integers
  // The value, the default and the limits as doubles with scale and offset only (else
  // with the unit factor and the display rounding).
  bool PlainValue, PlainDefault, PlainLimits;
  bool MessageFactor;      // the range message's limit with the unit factor (else 1)
  int MessageDigits;       // of the master UPID in the range message
  bool IgnoresStars;       // an entered "***" changes nothing
  TIntTextParse Parse;
  bool Ascii;              // "ASCII" texts are taken
  bool Ranged;             // the type range below holds (the 64-bit types: the parse's)
  std::int64_t RangeMin, RangeMax;
};

// The value type of the one class whose values are unsigned 64-bit integers; a concept
// at namespace scope, so that definitions outside the class name the same constraint.
template <class T>
concept UInt64Value = std::is_same_v<T, std::uint64_t>;

template <class T>
class TIntParameterOf : public TTelegramParameter<TGenericIntParameter> {
  static_assert(std::is_integral_v<T>);

 public:
  static constexpr bool Unsigned64 = UInt64Value<T>;
  static const TIntClassInfo& Info();

  // The common keys, "UUID", "AdditionalFunction", and "MinValue", "MaxValue" and
  // "DefValue" (required), each cut to the width.
  TIntParameterOf(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return Info().ClassName; }
  bool IsUInt64() const override { return Unsigned64; }
  bool IsSInt64() const override { return std::is_same_v<T, std::int64_t>; }

  // The committed, RAM and new value; raise the class's not-valid text.
  std::int64_t GetIntValue() override;
  std::int64_t GetRAMIntValue() override;
  std::int64_t GetNewIntValue() override;
  // Only the unsigned 64-bit class has these ("Parameter not valid"); the others raise
  // "Abstract Error".
  std::uint64_t GetUIntValue() override;
  std::uint64_t GetRAMUIntValue() override;
  std::uint64_t GetNewUIntValue() override;
  // The committed value in the unit system.
  double GetValue(TUnitSystem System) override;

  // Range check, then the pending value (and the RAM value of a parameter writable while
  // the drive runs): a value below the minimum or above the maximum is set to it after
  // a message box, unless the service suppresses range checks. Nothing is committed.
  void SetIntValue(TUnitSystem System, std::int64_t Value) override;
  // The same check; the result is the new value only.
  void SetNewIntValue(TUnitSystem System, std::int64_t Value) override;
  // The unsigned 64-bit class's SetIntValue with unsigned comparisons.
  void SetUIntValue(TUnitSystem System, std::uint64_t Value)
    requires UInt64Value<T>;
  // A text in a display mode: "SCALED" through the unit, "DEC" and "HEX" by the class's
  // parse, "BIN" as bits, "ASCII" as bytes from the top (where the class takes it). A
  // text that does not parse, lies outside the type ("Value out of range of UInt16
  // type!"), is too long ("String too long! Maximal AnsiString length is 4") or comes in
  // a mode the class cannot read raises, and nothing changes.
  void SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override;
  void SetScaledNewValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override;

  // Default and limits as text; another mode ("ASCII" too) writes no value text.
  void GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void GetMinValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void GetMaxValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  double GetDefaultValueDouble(TUnitSystem System) override;
  double GetMinValueDouble(TUnitSystem System) override;
  double GetMaxValueDouble(TUnitSystem System) override;
  std::int64_t GetMinValueInt() override;
  std::int64_t GetMaxValueInt() override;
  std::int64_t GetDefaultValue() override;
  std::uint64_t GetMinValueUInt()
    requires UInt64Value<T>;
  std::uint64_t GetMaxValueUInt()
    requires UInt64Value<T>;
  // The default, with the range check; a safety parameter's new value too; committed.
  void SetDefaultValue(TUnitSystem System) override;

  bool HasAddress() override { return true; }
  std::int32_t GetAddress() override { return FAddress.Ram; }
  // The value of a batched read: into the RAM value for RamFlag 1, else committed
  // copy; no flag is set.
  void SetMultValue(std::string_view Raw, std::uint8_t RamFlag) override;
  // The safety module's value: the committed value, at login also the new one.
  void SetSafetyPar(const AnsiString& Raw, bool Login) override;
  AnsiString GetSafetyPar() override;
  bool IsSafetyParActual() override { return DataCache == NewDataCache; }
  // Commits the pending value unless the parameter is valid and holds it already; a
  // commit marks the parameter changed and valid.
  void CopyTempToData() override;

  std::int64_t PendingValue() const override { return Widen(TempCache); }
  // The pattern, little-endian; an answer shorter than the value is no value.
  bool DecodePendingValue(std::string_view Data) override;
  AnsiString EncodePendingValue() override;

 private:
  static std::int64_t Widen(T Value) { return static_cast<std::int64_t>(Value); }
  void CheckValid(const TNotValidText& Text) const;
  double ToDouble(T Value, TUnitSystem System, bool Plain);
  // The value after the range check (Algorithm of SetIntValue); UnsignedValue: Value is
  // an unsigned 64-bit number.
  T Checked(TUnitSystem System, std::int64_t Value, bool UnsignedValue);
  void RangeMessage(TUnitSystem System, const char* Text, T Limit);
  AnsiString ScaledText(T Value, TUnitSystem System, double Factor, bool Save);
  void LimitText(TValueRec& Value, TUnitSystem System, const AnsiString& Mode, T Limit);
  // The entered text as a value of the class's range; raises on every refusal.
  std::int64_t EnteredValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode);
  std::int64_t ParsedInteger(const AnsiString& Text) const;
  std::int64_t AsciiValue(const AnsiString& Text) const;
  // The first bytes of Raw, little-endian, as far as they reach.
  static T FromBytes(std::string_view Raw);

  T FDefaultValue{};
  T FMinValue{};
  T FMaxValue{};
  T TempCache{};
  T DataCache{};
  T NewDataCache{};
  T RAMValue{};
};

using TUInt8Parameter = TIntParameterOf<std::uint8_t>;
using TSInt8Parameter = TIntParameterOf<std::int8_t>;
using TUInt16Parameter = TIntParameterOf<std::uint16_t>;
using TSInt16Parameter = TIntParameterOf<std::int16_t>;
using TUInt32Parameter = TIntParameterOf<std::uint32_t>;
using TSInt32Parameter = TIntParameterOf<std::int32_t>;
using TUInt64Parameter = TIntParameterOf<std::uint64_t>;
using TSInt64Parameter = TIntParameterOf<std::int64_t>;

// Each class's info, and the classes themselves, live in IntegerParameters.cpp.
template <> const TIntClassInfo& TUInt8Parameter::Info();
template <> const TIntClassInfo& TSInt8Parameter::Info();
template <> const TIntClassInfo& TUInt16Parameter::Info();
template <> const TIntClassInfo& TSInt16Parameter::Info();
template <> const TIntClassInfo& TUInt32Parameter::Info();
template <> const TIntClassInfo& TSInt32Parameter::Info();
template <> const TIntClassInfo& TUInt64Parameter::Info();
template <> const TIntClassInfo& TSInt64Parameter::Info();
extern template class TIntParameterOf<std::uint8_t>;
extern template class TIntParameterOf<std::int8_t>;
extern template class TIntParameterOf<std::uint16_t>;
extern template class TIntParameterOf<std::int16_t>;
extern template class TIntParameterOf<std::uint32_t>;
extern template class TIntParameterOf<std::int32_t>;
extern template class TIntParameterOf<std::uint64_t>;
extern template class TIntParameterOf<std::int64_t>;

class TParameterManager;
// "UInt8", "SInt8", "UInt16", "SInt16", "UInt32", "SInt32", "UInt64", "SInt64".
void RegisterIntegerParameterClasses(TParameterManager& Manager);

}  // namespace vt
