// String parameters ("String"): a text of at most 64 characters, read and written whole
// through its own UPID; on the drive it occupies MaxSize bytes, four characters per UPID
// from its own on. Three of them reach beyond the parameter: 1000 is the drive's name and
// renames the device, 6220 and 6255 name the motor wizard's actuator and module
// definition files, which the parameter service keeps.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "parameters/Parameter.h"
#include "parameters/TextValueParameter.h"

namespace vt {

// Master UPIDs with a meaning beyond their text.
inline constexpr std::int32_t DriveNameUPID = 1000;
inline constexpr std::int32_t ActuatorFileUPID = 6220;
inline constexpr std::int32_t ModuleFileUPID = 6255;

// Text versions of the value interface; unit system and display mode are not used, and
// no text has a unit.
class TGenericStrParameter : public TParameter {
 public:
  using TParameter::TParameter;
  const char* ClassName() const override { return "TGenericStrParameter"; }
  bool IsString() const override { return true; }

  void GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  // "***" without a RAM value.
  void GetScaledRAMValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override;
  void SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override {
    SetStrValue(Text);
  }
  void SetScaledNewValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override {
    SetStrNewValue(Text);
  }
};

class TStringParameter final : public TTextValueParameter<TGenericStrParameter> {
 public:
  // Reads "DefValue" and "MaxSize" (required; the low 8 bits kept).
  TStringParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord);
  const char* ClassName() const override { return "TStringParameter"; }

  // The committed text; raises "Parameter with name <caption> is not valid" before the
  // first commit. Erased drive memory (a first character 0xFF) shows as empty: the
  // character becomes 0x00, in the committed text too.
  AnsiString GetStrValue() override;
  AnsiString GetRAMStrValue() override;
  // Raises "Parameter not valid" before the first commit.
  AnsiString GetStrNewValue() override;
  // The pending text (and the RAM text of a parameter writable while the drive runs).
  void SetStrValue(const AnsiString& Value) override;
  std::int32_t GetAddress() override { return FAddress.Ram; }
  std::int32_t GetSize() override { return FMaxSize; }

  // ---- Value bytes: the characters, cut before the first 0x00 ----
  // The pending text without length or terminator, at most MaxSize characters.
  AnsiString EncodePendingValue() override;
  // The drive's name renames the device before the commit.
  void CommitRead() override;
  void CommitWrite() override;
  // The shared read, then, whether it succeeded or not, the definition-file names kept
  // for the motor wizard.
  void ProcessUpdate(TTalkActor* Actor, TBasicTalkService* TalkService) override;
  // A batched reply: RamFlag 1 the RAM text, any other the committed text.
  void SetMultValue(std::string_view Raw, std::uint8_t RamFlag) override;
  void SetSafetyPar(const AnsiString& Raw, bool Login) override;
  // The new text padded with 0x00 to MaxSize.
  AnsiString GetSafetyPar() override;
  bool IsSafetyParActual() override { return FDataCache == FNewDataCache; }

  const AnsiString& RAMValue() const { return FRAMValue.str(); }

 private:
  // Sets the device's caption to Text through the device manager, when it differs.
  void RenameDevice(const AnsiString& Text);
  void KeepDefinitionFileName(const AnsiString& Text);
  // Text, valid or not, with erased memory shown as empty.
  AnsiString Checked(TParameterStr& Text);

  TParameterStr FRAMValue;
};

}  // namespace vt
