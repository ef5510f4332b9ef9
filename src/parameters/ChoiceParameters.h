// What radio and enumeration directories share: a parameter whose value is one of a
// fixed set of options, each option a child node carrying its own value. The directory
// holds the value copies of its width (default, pending, committed, new, RAM), commits
// and defaults them, codes them on the wire, shows them as decimal and raw texts and
// finds the option of a value. Base is the node class the directory derives from (a
// folder for radio directories, the plain node for enumerations); Traits give the width.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "parameters/Parameter.h"
#include "parameters/ValueCoding.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/NumberText.h"

namespace vt {

class TSLNamedCollection;

// How a directory answers a read of an invalid value.
enum class TInvalidText { NotValid, NotValidJoined, WithName };
// "Parameter not valid", "Parameternot valid" or "Parameter with name <caption> is not valid".
[[noreturn]] void RaiseNotValid(TInvalidText Kind, const AnsiString& Caption);

// What an empty text entered for the value does.
enum class TEmptyEntry { RAMCopyOnly, Nothing, ParseError };

// The text of an option's value: "HEX" the hexadecimal text, "DEC" the decimal one, any
// other mode the option's caption.
AnsiString ChildValueText(std::int64_t Value, std::uint64_t Pattern, int HexDigits, const AnsiString& Mode,
                          const AnsiString& Caption);

// Reads "ChildValue" (required) of an option.
std::int64_t ReadChildValue(const TSLNamedCollection& ARecord);
// Reads "DefValue" (required unless the traits say otherwise) into the default.
std::int64_t ReadChoiceDefault(const TSLNamedCollection& ARecord, bool Required);

// The unit system a 16-bit radio directory of this UPID sets from its batched value.
inline constexpr std::int32_t UnitSystemUPID = 2048;
// Sets the unit system of the device's unit service from its code.
void SetUnitSystemOf(TParameterService* Owner, std::uint16_t Code);

// Child: the option class of the width, whose GetChildValue is compared.
template <class Base, class Traits, class Child>
class TChoiceDirParameter : public TTelegramParameter<Base> {
 public:
  using TValue = typename Traits::Value;

  TChoiceDirParameter(TParameterService* AOwner, const TSLNamedCollection* ARecord)
      : TTelegramParameter<Base>(AOwner, ARecord) {
    this->FTypeStr = Traits::TypeStr;
    this->FPropList.FObjType = Traits::ObjType;
    this->AddStringProperty("Name", 1);
    this->AddStringProperty("UPID", 2);
    FDefaultValue = static_cast<TValue>(ReadChoiceDefault(*ARecord, Traits::DefaultRequired));
  }

  // ---- The value copies ----
  TValue GetValue() const {
    if (!this->GetValid()) RaiseNotValid(Traits::ValueInvalid, this->FCaption);
    return FDataCache;
  }
  TValue GetRAMValue() const {
    if (!this->GetValid()) RaiseNotValid(Traits::RAMInvalid, this->FCaption);
    return FRAMValue;
  }
  TValue GetNewValue() const {
    if (!this->GetValid()) RaiseNotValid(TInvalidText::NotValid, this->FCaption);
    return FNewDataCache;
  }
  // The pending value, cut to the width.
  void SetValue(std::int64_t Value) { FTempCache = static_cast<TValue>(Value); }
  void SetNewValue(std::int64_t Value) { FNewDataCache = static_cast<TValue>(Value); }
  void SetRAMValue(TValue Value) { FRAMValue = Value; }
  TValue DefaultValue() const { return FDefaultValue; }
  TValue TempCache() const { return FTempCache; }
  TValue DataCache() const { return FDataCache; }
  TValue RAMValue() const { return FRAMValue; }
  std::int64_t GetIntValue() override { return GetValue(); }
  std::int64_t GetRAMIntValue() override { return GetRAMValue(); }
  std::int32_t GetSize() override { return Traits::Size; }

  // ---- Editing ----
  // A decimal integer becomes the pending value; a directory writable while the drive
  // runs then copies the committed value to the RAM value.
  void SetScaledValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override {
    if (Text.empty() && Traits::EmptyEntry == TEmptyEntry::Nothing) return;
    if (!Text.empty() || Traits::EmptyEntry == TEmptyEntry::ParseError) SetValue(StrToInt64(Text));
    if (this->FAddrUsage & AddrWriteWhileRunning) FRAMValue = GetValue();
  }
  void SetScaledNewValue(const AnsiString& Text, TUnitSystem System, const AnsiString& Mode) override {
    if (!Text.empty()) SetNewValue(StrToInt64(Text));
  }
  void SetDefaultValue(TUnitSystem System) override {
    FTempCache = FDefaultValue;
    if (this->IsSafetyParameter()) FNewDataCache = FDefaultValue;
    CopyTempToData();
  }
  void CopyTempToData() override { this->CommitValue(FTempCache, FDataCache); }

  // ---- Texts: decimal values, no unit ----
  void GetScaledValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override {
    Value.ValueStr = Format("%d", GetValue());
    Value.UnitStr = TUnitStr();
  }
  void GetScaledNewValue(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override {
    Value.ValueStr = Format("%d", GetNewValue());
    Value.UnitStr = TUnitStr();
  }
  void GetDefaultStr(TValueRec& Value, TUnitSystem System, const AnsiString& Mode) override {
    Value.ValueStr = Format("%d", FDefaultValue);
    Value.UnitStr = TUnitStr();
  }
  AnsiString GetRawDataStr(const AnsiString& Mode) override { return RawText(GetValue(), Mode); }
  AnsiString GetRawNewDataStr(const AnsiString& Mode) override { return RawText(GetNewValue(), Mode); }

  // ---- Value bytes ----
  bool DecodePendingValue(std::string_view Data) override {
    std::uint64_t value = 0;
    if (!DecodeLittleEndian(Data, Traits::Size, value)) return false;
    FTempCache = static_cast<TValue>(value);
    return true;
  }
  AnsiString EncodePendingValue() override { return EncodeLittleEndian(Pattern(FTempCache), Traits::Size); }
  // A batched reply: RamFlag 1 the RAM value, any other the committed value (the reader
  // sets the flags). Data shorter than the value change nothing.
  void SetMultValue(std::string_view Raw, std::uint8_t RamFlag) override {
    TValue value{};
    if (!BatchedValue(Raw, value)) return;
    (RamFlag == 1 ? FRAMValue : FDataCache) = value;
    if constexpr (Traits::SetsUnitSystem)
      if (this->FUPID == UnitSystemUPID) SetUnitSystemOf(this->FOwner, static_cast<std::uint16_t>(value));
  }
  void SetSafetyPar(const AnsiString& Raw, bool Login) override {
    TValue value{};
    if (!BatchedValue(Raw, value)) return;
    FDataCache = value;
    if (Login) FNewDataCache = value;
  }
  AnsiString GetSafetyPar() override { return EncodeLittleEndian(Pattern(FNewDataCache), Traits::Size); }
  bool IsSafetyParActual() override { return FDataCache == FNewDataCache; }

  // ---- Options: the first, in child order, whose value matches; none without ----
  // Reads the committed value, so it raises on an invalid directory with options.
  Child* GetSelectedChild() const { return this->FChild ? ChildOfValue(GetValue()) : nullptr; }
  Child* GetNewSelectedChild() const { return this->FChild ? ChildOfValue(GetNewValue()) : nullptr; }
  Child* GetDefaultChild() const { return ChildOfValue(FDefaultValue); }
  Child* GetSelectedRAMChild() const { return ChildOfValue(FRAMValue); }
  // Every option of the width, in child order; other children are skipped.
  void GetChildList(std::vector<TParameter*>& AList) const {
    AList.clear();
    for (TParameter* node = this->FChild; node; node = node->Next())
      if (dynamic_cast<Child*>(node)) AList.push_back(node);
  }
  Child* ChildOfValue(TValue Value) const {
    for (TParameter* node = this->FChild; node; node = node->Next())
      if (auto* child = dynamic_cast<Child*>(node); child && static_cast<TValue>(child->GetChildValue()) == Value)
        return child;
    return nullptr;
  }

  // The two's-complement pattern of a value in the width.
  static std::uint64_t Pattern(TValue Value) {
    return static_cast<std::make_unsigned_t<TValue>>(Value);
  }

 private:
  AnsiString RawText(TValue Value, const AnsiString& Mode) const {
    return RawValueText(Value, Pattern(Value), Traits::HexDigits, Mode);
  }
  // The bit directory keeps the low byte of the number, sign-extended.
  static bool BatchedValue(std::string_view Raw, TValue& Value) {
    std::uint64_t number = 0;
    if (!DecodeLittleEndian(Raw, Traits::Size, number)) return false;
    if constexpr (Traits::SignExtendLowByte)
      Value = static_cast<TValue>(static_cast<std::int8_t>(number & 0xFF));
    else
      Value = static_cast<TValue>(number);
    return true;
  }

  TValue FDefaultValue{};
  TValue FTempCache{};
  TValue FDataCache{};
  TValue FNewDataCache{};
  TValue FRAMValue{};
};

}  // namespace vt
