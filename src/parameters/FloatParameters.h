// Floating-point parameters: "FLOATIEEE754" (single precision, 4 bytes on the wire) and
// "DOUBLEIEEE754" (double precision, 8 bytes). Every value is kept as its raw IEEE 754
// bit pattern; IntToFloat and FloatToInt convert. Minimum and maximum are compared as
// numbers, and an entered value outside them is clamped after a message box, unless the
// service's range check is suppressed.
//
// Threads: the GUI thread only; the range check's message boxes are modal.
#pragma once

#include <cstdint>

#include "parameters/Parameter.h"
#include "parameters/UnitValueRecord.h"

namespace vt {

// The nearest single to Value, ties to even; beyond the single range an infinity.
float RoundToSingle(double Value);

class TGenericFloatParameter : public TTelegramParameter<TParameter>, public TUnitValueRecord {
 public:
  // Reads the value's markers and unit (TUnitValueRecord).
  TGenericFloatParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord, std::int32_t ASize);
  const char* ClassName() const override { return "TGenericFloatParameter"; }
  bool IsFloat() const override { return true; }

  // The committed, RAM and new value as text by display mode ("SCALED" with the unit's
  // caption); "***" when the copy is not there to read.
  void GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  // The texts of the description's default, minimum and maximum.
  void GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void GetMinValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode);
  void GetMaxValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode);
  // "HEX" at least 8 digits and "h", "DEC" the signed pattern, any other mode empty.
  AnsiString GetRawDataStr(const AnsiString& Mode) override { return RawText(GetIntValue(), Mode); }
  AnsiString GetRawNewDataStr(const AnsiString& Mode) override { return RawText(GetNewIntValue(), Mode); }
  // The committed value in SI, without factor or display rounding.
  double GetBaseScaledValue() override;
  void GetUnit(double& Scale, TUnitStr& Unit, TUnitSystem System) override;
  std::int32_t GetSize() override { return FSize; }

  // Scaled into the unit system; each raises "Parameter not valid" before the first
  // commit, the description's values too.
  double GetValue(TUnitSystem System) override { return Scaled(CheckedRaw(FDataCache), System); }
  double GetDefaultValueDouble(TUnitSystem System) { return Scaled(CheckedRaw(FDefaultValue), System); }
  double GetMinValueDouble(TUnitSystem System) { return Scaled(CheckedRaw(FMinValue), System); }
  double GetMaxValueDouble(TUnitSystem System) { return Scaled(CheckedRaw(FMaxValue), System); }
  double GetMinValueRAWDouble() { return IntToFloat(CheckedRaw(FMinValue)); }
  double GetMaxValueRAWDouble() { return IntToFloat(CheckedRaw(FMaxValue)); }
  double GetFloatValue() override { return IntToFloat(GetIntValue()); }
  virtual double IntToFloat(std::int64_t Raw) const = 0;
  virtual std::int64_t FloatToInt(double Value) const = 0;

  // The raw patterns (a single's zero-extended); "Parameter not valid" before the first
  // commit.
  std::int64_t GetIntValue() override { return CheckedRaw(FDataCache); }
  std::int64_t GetRAMIntValue() override { return CheckedRaw(FRAMValue); }
  std::int64_t GetNewIntValue() override { return CheckedRaw(FNewDataCache); }

  // The range check, then the pending value (and the RAM value of a parameter writable
  // while the drive runs).
  void SetIntValue(TUnitSystem System, std::int64_t Raw) override;
  void SetNewIntValue(TUnitSystem System, std::int64_t Raw) override;
  // Text to number by display mode, then SetIntValue; "***" changes nothing. A text
  // that is no number, NaN, or in a mode that cannot be read is refused.
  void SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override;
  // Text to raw pattern by display mode, then SetNewIntValue.
  void SetScaledNewValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override;
  void SetDefaultValue(TUnitSystem System) override;
  void CopyTempToData() override;
  bool HasAddress() override { return true; }
  std::int32_t GetAddress() override { return FAddress.Ram; }

  // ---- Value bytes: the pattern, little-endian ----
  bool DecodePendingValue(std::string_view Data) override;
  AnsiString EncodePendingValue() override;
  void SetMultValue(std::string_view Raw, std::uint8_t RamFlag) override;
  void SetSafetyPar(const AnsiString& Raw, bool Login) override;
  AnsiString GetSafetyPar() override;
  bool IsSafetyParActual() override { return FDataCache == FNewDataCache; }

  std::int64_t TempCache() const { return FTempCache; }
  std::int64_t DataCache() const { return FDataCache; }
  std::int64_t NewDataCache() const { return FNewDataCache; }
  std::int64_t RAMValue() const { return FRAMValue; }

 protected:
  // The width's pattern of a raw value: the low 32 bits of a single, all of a double.
  std::int64_t Pattern(std::int64_t Raw) const;
  // Reads the description's "MinValue", "MaxValue" and "DefValue".
  void ReadRange(const TSLNamedCollection& ARecord);

 private:
  // Which value a text shows: the value copies test availability and show the pattern
  // signed; the description's values show it unsigned.
  enum TTextOf { toValue, toRAMValue, toNewValue, toDescription };
  void ValueText(TValueRec& Value, TUnitSystem System, const AnsiString& Mode, TTextOf Of, std::int64_t Raw);
  AnsiString RawText(std::int64_t Raw, const AnsiString& Mode) const;
  std::int64_t CheckedRaw(std::int64_t Raw) const;
  double Scaled(std::int64_t Raw, TUnitSystem System);
  double Factor(TUnitSystem System);
  // Clamps Raw to the description's range after the message box; NaN passes.
  void RangeCheck(TUnitSystem System, std::int64_t& Raw);
  // Characters packed into the highest bytes first; longer than the value raises
  // "String too long! Maximal AnsiString length is <size>".
  std::int64_t PackAscii(const AnsiString& Text) const;

  std::int32_t FSize;
  // Raw patterns; a single's are kept zero-extended.
  std::int64_t FDefaultValue = 0;
  std::int64_t FMinValue = 0;
  std::int64_t FMaxValue = 0;
  std::int64_t FTempCache = 0;
  std::int64_t FDataCache = 0;
  std::int64_t FNewDataCache = 0;
  std::int64_t FRAMValue = 0;
};

class TFloat32Parameter final : public TGenericFloatParameter {
 public:
  TFloat32Parameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TFloat32Parameter"; }
  bool IsFloat32() const override { return true; }
  // The low 32 bits as a single.
  double IntToFloat(std::int64_t Raw) const override;
  // The nearest single's pattern, sign-extended.
  std::int64_t FloatToInt(double Value) const override;
};

class TDouble64Parameter final : public TGenericFloatParameter {
 public:
  TDouble64Parameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TDouble64Parameter"; }
  double IntToFloat(std::int64_t Raw) const override;
  std::int64_t FloatToInt(double Value) const override;
};

}  // namespace vt
