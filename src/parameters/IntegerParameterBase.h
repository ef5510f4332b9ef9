// What the eight integer parameter classes share: the link to the parameter's unit, the
// value's width, the "AdditionalFunction" markers (the value is itself a UPID, or its
// unit is that of the parameter another one names), and the texts of the committed,
// RAM and new value in the display modes "SCALED", "HEX", "DEC", "BIN" and "ASCII".
// The values themselves and all that depends on width and sign are the classes' own
// (IntegerParameters.h); this base reaches them through TParameter's integer getters.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "parameters/DeviceUnit.h"
#include "parameters/Parameter.h"
#include "parameters/UnitValueRecord.h"

namespace vt {

// The display rounding the view settings ask for.
TDisplayRounding DisplayRounding();

// "%2.2X" to "%16.16X" of Value's two's-complement pattern in Size bytes, then "h".
AnsiString HexValueText(std::int64_t Value, std::int32_t Size);

class TGenericIntParameter : public TParameter, public TUnitValueRecord {
 public:
  // Reads the value's markers and unit (TUnitValueRecord).
  TGenericIntParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TGenericIntParameter"; }
  bool IsInteger() const override { return true; }

  // The committed, RAM and new value as text in a display mode; "***" when the copy
  // does not exist (the committed one needs a ROM value or a safety parameter, the RAM
  // one a RAM value). Another mode, or "ASCII" of an 8-byte value, leaves the value text
  // as it was. A value that is not valid raises the class's text.
  void GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  // "HEX" and "DEC" of the committed (new) value; any other mode the empty text.
  AnsiString GetRawDataStr(const AnsiString& Mode) override;
  AnsiString GetRawNewDataStr(const AnsiString& Mode) override;
  // The committed value in SI: scale and offset only.
  double GetBaseScaledValue() override;
  // The unit's scale and caption in the system, without factor.
  void GetUnit(double& Scale, TUnitStr& Unit, TUnitSystem System) override;
  std::int32_t GetSize() override { return FSize; }
  // A parameter whose value is a UPID shows it in the program's UPID mode.
  AnsiString GetDisplayModeStr() const override;

  // The default, minimum and maximum as text (no validity needed), as doubles in a unit
  // system, and as integers.
  virtual void GetMinValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) = 0;
  virtual void GetMaxValueStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) = 0;
  virtual double GetDefaultValueDouble(TUnitSystem System) = 0;
  virtual double GetMinValueDouble(TUnitSystem System) = 0;
  virtual double GetMaxValueDouble(TUnitSystem System) = 0;
  virtual std::int64_t GetMinValueInt() = 0;
  virtual std::int64_t GetMaxValueInt() = 0;
  virtual std::int64_t GetDefaultValue() = 0;
  // The pending value, widened: what a write would send.
  virtual std::int64_t PendingValue() const = 0;

 protected:
  // The factor of the parameter's unit in the system (TParameter::GetUPIDFactor).
  double UnitFactor(TUnitSystem System);
  // The device's "SaveSelected": conversions then keep the exact value.
  bool SaveFlag() const;
  // The caption of the unit in the system.
  AnsiString UnitCaption(TUnitSystem System) const;
  // The text of one value copy: the signed getter's value V, the unsigned getter for
  // "SCALED" of an unsigned 64-bit value. Writes nothing for a mode it has no text for.
  void ValueText(TValueRec& Value, TUnitSystem System, const AnsiString& Mode, std::int64_t (TParameter::*Signed)(),
                 std::uint64_t (TParameter::*Unsigned)());
  // "HEX", "DEC" or empty.
  AnsiString RawText(std::int64_t Value, const AnsiString& Mode) const;

  std::int32_t FSize = 0;
};

}  // namespace vt
