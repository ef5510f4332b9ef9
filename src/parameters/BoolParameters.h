// Boolean parameters. TGenericBoolParameter is the base of every boolean-like node (the
// boolean parameter and the radio options): the "True"/"False" texts, the parser of
// entered texts, the two value bytes on the wire, and the hook through which a node that
// holds true switches visibility flags on. TBoolParameter ("Bool") is the boolean
// parameter proper, a 16-bit word of 1 or 0 on the drive.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "parameters/Parameter.h"

namespace vt {

class TGenericBoolParameter : public TParameter {
 public:
  // Looks up the flags the record's "SetVFlag" names (an unknown name raises "visibility
  // flag with name '%s' not found"); a node naming any sets visibility flags.
  TGenericBoolParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TGenericBoolParameter"; }
  bool IsBoolean() const override { return true; }

  // "True" or "False" in every display mode, no unit.
  void GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  // "***" without a RAM value.
  void GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  // "TRUE", "1", "ON" set true, "FALSE", "0", "OFF" false, in any letter case; anything
  // else raises "invalid boolean parameter" and the upper-cased text.
  void SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override;
  std::int32_t GetSize() override { return 2; }
  // While valid and true, switches every flag it names on; never switches one off.
  void UpdateSetVFlags() override;

  const std::vector<TVisibilityFlag*>& SetVFlagList() const { return FSetVFlagList; }

 private:
  std::vector<TVisibilityFlag*> FSetVFlagList;  // the controller owns the flags
};

class TBoolParameter : public TTelegramParameter<TGenericBoolParameter> {
 public:
  // "DefValue" (required): true when not 0.
  TBoolParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TBoolParameter"; }

  // The committed value; raises "Parameter not name <caption> is notvalid" before the
  // first commit.
  bool GetBoolValue() override;
  // Raises "Parameter with name <caption> is not valid" before the first commit.
  bool GetRAMBoolValue() override;
  void SetBoolValue(bool Value) override { FTempCache = Value; }
  // A safety boolean keeps a new value as the 8-bit radio directory does; raises
  // "Parameter not valid" before the first commit.
  bool GetNewBoolValue() override;
  void SetNewBoolValue(bool Value) override { FNewDataCache = Value; }

  // Texts of the default, the committed and the new value by display mode.
  void GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  AnsiString GetRawDataStr(const AnsiString& Mode) override { return RawText(GetBoolValue(), Mode); }
  AnsiString GetRawNewDataStr(const AnsiString& Mode) override { return RawText(GetBoolValue(), Mode); }
  AnsiString GetTrueValueStr(const AnsiString& Mode) const { return ValueText(true, Mode); }
  AnsiString GetFalseValueStr(const AnsiString& Mode) const { return ValueText(false, Mode); }

  // The default becomes the pending (and a safety parameter's new) value, then the
  // committed and the RAM value.
  void SetDefaultValue(TUnitSystem System) override;
  bool HasAddress() override { return true; }
  std::int32_t GetAddress() override { return FRamAddress; }
  std::int32_t GetBitAddr() override { return FRamBitAddr; }
  // After a batched read: RamFlag 1 copies the pending value to the RAM value, any other
  // commits it.
  void SetMultBoolValue(std::uint8_t RamFlag) override;
  void CopyTempToData() override;
  void CopyTempRAMToData() override { FRAMValue = FTempCache; }

  // Two bytes: a word not 0 is true.
  bool DecodePendingValue(std::string_view Data) override;
  AnsiString EncodePendingValue() override;
  // A read of a parameter with a ROM value commits; of a RAM-only one sets the RAM value.
  void CommitRead() override;

  bool DefaultValue() const { return FDefaultValue; }
  bool TempCache() const { return FTempCache; }
  bool DataCache() const { return FDataCache; }
  bool RAMValue() const { return FRAMValue; }

 private:
  // "SCALED" "True"/"False", "HEX" "1h"/"0h", any other mode "1"/"0".
  static AnsiString ValueText(bool Value, const AnsiString& Mode);
  // "HEX" and "DEC" as ValueText, any other mode empty.
  static AnsiString RawText(bool Value, const AnsiString& Mode);

  bool FDefaultValue = false;
  std::int32_t FRomAddress = 0;
  std::int32_t FRomBitAddr = 0;
  std::int32_t FRamAddress = 0;
  std::int32_t FRamBitAddr = 0;
  bool FTempCache = false;
  bool FDataCache = false;
  bool FRAMValue = false;
  bool FNewDataCache = false;
};

}  // namespace vt
