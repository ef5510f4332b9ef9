// Radio parameters: a value that is one of a fixed set of options, each option a node
// of its own. The radio directory is a folder that owns the value, its copies and its
// telegrams; each radio child is a boolean-like option that is true while the
// directory's whole value equals the option's own value, and that puts its value into
// the directory when set true. Four widths: 8, 16 and 32 bits, and the bit variant (a
// 16-bit word meant to hold 0 or 1, with byte-sized options).
//
// Every width keeps a new value for safety parameters with the same operations.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "parameters/BoolParameters.h"
#include "parameters/ChoiceParameters.h"
#include "parameters/DirectoryParameters.h"

namespace vt {

// Images of the shared tree image list.
inline constexpr std::int32_t RadioImage = 23;
inline constexpr std::int32_t SafetyRadioImage = 180;

struct TRadio8Traits {
  using Value = std::uint8_t;
  static constexpr int Size = 1;
  static constexpr int HexDigits = 2;
  static constexpr const char* TypeStr = "UInt8";
  static constexpr const char* ObjType = "UInt8 RadioDir Parameter";
  static constexpr const char* ChildObjType = "UInt8 RadioChild";
  static constexpr bool DefaultRequired = true;
  static constexpr TInvalidText ValueInvalid = TInvalidText::NotValid;
  static constexpr TInvalidText RAMInvalid = TInvalidText::NotValidJoined;
  static constexpr TEmptyEntry EmptyEntry = TEmptyEntry::RAMCopyOnly;
  static constexpr bool SetsUnitSystem = false;
  static constexpr bool SignExtendLowByte = false;
  // A selected option of a directory writable while running copies the committed value
  // (not its own) to the RAM value.
  static constexpr bool RAMCopyFromCommitted = true;
  static constexpr bool SafetyImage = true;
  static constexpr bool Bit = false;
};

struct TRadio16Traits : TRadio8Traits {
  using Value = std::uint16_t;
  static constexpr int Size = 2;
  static constexpr int HexDigits = 4;
  static constexpr const char* TypeStr = "UInt16";
  static constexpr const char* ObjType = "UInt16 RadioDir Parameter";
  static constexpr const char* ChildObjType = "UInt16 RadioChild";
  static constexpr TInvalidText RAMInvalid = TInvalidText::NotValid;
  static constexpr bool SetsUnitSystem = true;
  static constexpr bool RAMCopyFromCommitted = false;
  static constexpr bool SafetyImage = false;
};

struct TRadio32Traits : TRadio16Traits {
  using Value = std::int32_t;
  static constexpr int Size = 4;
  static constexpr const char* TypeStr = "UInt32";
  static constexpr const char* ObjType = "UInt32 RadioDir Parameter";
  static constexpr const char* ChildObjType = "UInt32 RadioChild";
  static constexpr TInvalidText ValueInvalid = TInvalidText::WithName;
  static constexpr TInvalidText RAMInvalid = TInvalidText::WithName;
  static constexpr TEmptyEntry EmptyEntry = TEmptyEntry::Nothing;
  static constexpr bool SetsUnitSystem = false;
};

struct TRadioBitTraits : TRadio16Traits {
  using Value = std::uint16_t;
  static constexpr int HexDigits = 1;
  static constexpr const char* TypeStr = "Bit";
  static constexpr const char* ObjType = "Bit RadioDir Parameter";
  static constexpr const char* ChildObjType = "Bit RadioChild";
  static constexpr TEmptyEntry EmptyEntry = TEmptyEntry::ParseError;
  static constexpr bool SetsUnitSystem = false;
  static constexpr bool SignExtendLowByte = true;
  static constexpr bool Bit = true;
};

template <class Traits>
class TRadioChildParameterOf;

template <class Traits>
class TRadioDirParameterOf : public TChoiceDirParameter<TGenericDirParameter, Traits, TRadioChildParameterOf<Traits>> {
  using Inherited = TChoiceDirParameter<TGenericDirParameter, Traits, TRadioChildParameterOf<Traits>>;

 public:
  // Reads "DefValue" (required).
  TRadioDirParameterOf(TParameterService* AOwner, const TSLNamedCollection* ARecord) : Inherited(AOwner, ARecord) {
    this->SetImage(Traits::SafetyImage && this->IsSafetyParameter() ? SafetyRadioImage : RadioImage);
  }
};

template <class Traits>
class TRadioChildParameterOf : public TGenericBoolParameter {
 public:
  using TDirectory = TRadioDirParameterOf<Traits>;

  // Reads "ChildValue" (required).
  TRadioChildParameterOf(TParameterService* AOwner, const TSLNamedCollection* ARecord)
      : TGenericBoolParameter(AOwner, ARecord) {
    FTypeStr = Traits::TypeStr;
    FChildValue = static_cast<TChildValue>(ReadChildValue(*ARecord));
    FPropList.FObjType = Traits::ChildObjType;
    AddStringProperty("Child Name", 1);
    AddStringProperty("Child Value", 4);
    AddStringProperty("Parent Name", 5);
    AddStringProperty("Parent UPID", 3);
  }
  bool IsChild() const override { return true; }

  // The directory; a parent of another class raises "Invalid class typecast".
  TDirectory* Directory() const {
    auto* directory = dynamic_cast<TDirectory*>(FParent);
    if (!directory) throw EInvalidCast();
    return directory;
  }

  // Selected: the directory's value is this option's.
  bool GetBoolValue() override { return Directory()->GetValue() == FChildValue; }
  bool GetRAMBoolValue() override {
    TDirectory* directory = Directory();
    return (Traits::Bit ? directory->GetRAMValue() : directory->RAMValue()) == FChildValue;
  }
  bool GetNewBoolValue() override { return Directory()->GetNewValue() == FChildValue; }
  // True selects the option; false does nothing (another option is selected instead).
  void SetBoolValue(bool Value) override {
    if (!Value) return;
    TDirectory* directory = Directory();
    directory->SetValue(FChildValue);
    if (directory->AddrUsage() & AddrWriteWhileRunning)
      directory->SetRAMValue(Traits::RAMCopyFromCommitted ? directory->GetValue() : FChildValue);
  }
  void SetNewBoolValue(bool Value) override {
    if (Value) Directory()->SetNewValue(FChildValue);
  }
  // The directory carries the default.
  void SetDefaultValue(TUnitSystem System) override {}

  // The option's value text; a bit option shows nothing while not selected.
  void GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override {
    Value.ValueStr = Traits::Bit && !GetBoolValue() ? AnsiString() : GetChildValueStr(Mode);
    Value.UnitStr = TUnitStr();
  }
  void GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override {
    Value.ValueStr = GetChildValueStr(Mode);
    Value.UnitStr = TUnitStr();
  }
  AnsiString GetChildValueStr(const AnsiString& Mode) override {
    return ChildValueText(FChildValue, TDirectory::Pattern(FChildValue), Traits::HexDigits, Mode, FCaption);
  }
  // An online option that sets visibility flags makes its directory one that does.
  void Initialize(bool Online) override {
    if (Online && GetAttrFlag(AttrSetsFlags)) Directory()->SetAttrFlag(AttrSetsFlags);
  }
  bool GetValid() const override { return Directory()->GetValid(); }
  std::int32_t GetChildValue() override { return FChildValue; }

 private:
  // The bit variant's options carry a byte.
  using TChildValue = std::conditional_t<Traits::Bit, std::uint8_t, typename Traits::Value>;

  TChildValue FChildValue{};
};

// The bit directory's texts of its two states: "SCALED" the caption of the last option
// of value 1 (0), "HEX" "1h" ("0h"), any other mode "1" ("0"). Without an option of
// value 0 the cleared text is "Bit Cleared"; without one of value 1 the set text is empty.
AnsiString BitStateText(const TRadioDirParameterOf<TRadioBitTraits>& Directory, bool Set, const AnsiString& Mode);

class TRadioDir8Parameter final : public TRadioDirParameterOf<TRadio8Traits> {
 public:
  using TRadioDirParameterOf::TRadioDirParameterOf;
  const char* ClassName() const override { return "TRadioDir8Parameter"; }
};
class TRadioDir16Parameter final : public TRadioDirParameterOf<TRadio16Traits> {
 public:
  using TRadioDirParameterOf::TRadioDirParameterOf;
  const char* ClassName() const override { return "TRadioDir16Parameter"; }
};
class TRadioDir32Parameter final : public TRadioDirParameterOf<TRadio32Traits> {
 public:
  using TRadioDirParameterOf::TRadioDirParameterOf;
  const char* ClassName() const override { return "TRadioDir32Parameter"; }
};
class TRadioDirBitParameter final : public TRadioDirParameterOf<TRadioBitTraits> {
 public:
  using TRadioDirParameterOf::TRadioDirParameterOf;
  const char* ClassName() const override { return "TRadioDirBitParameter"; }
  AnsiString GetBitSetValueStr(const AnsiString& Mode) const { return BitStateText(*this, true, Mode); }
  AnsiString GetBitClearedValueStr(const AnsiString& Mode) const { return BitStateText(*this, false, Mode); }
};

class TRadioChild8Parameter final : public TRadioChildParameterOf<TRadio8Traits> {
 public:
  using TRadioChildParameterOf::TRadioChildParameterOf;
  const char* ClassName() const override { return "TRadioChild8Parameter"; }
};
class TRadioChild16Parameter final : public TRadioChildParameterOf<TRadio16Traits> {
 public:
  using TRadioChildParameterOf::TRadioChildParameterOf;
  const char* ClassName() const override { return "TRadioChild16Parameter"; }
};
class TRadioChild32Parameter final : public TRadioChildParameterOf<TRadio32Traits> {
 public:
  using TRadioChildParameterOf::TRadioChildParameterOf;
  const char* ClassName() const override { return "TRadioChild32Parameter"; }
};
class TRadioChildBitParameter final : public TRadioChildParameterOf<TRadioBitTraits> {
 public:
  using TRadioChildParameterOf::TRadioChildParameterOf;
  const char* ClassName() const override { return "TRadioChildBitParameter"; }
};

}  // namespace vt
