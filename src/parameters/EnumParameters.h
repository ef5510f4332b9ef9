// Enumeration parameters: a numeric value that is one of a fixed set of named choices.
// The enumeration directory owns the value and its drive UPID; each enumeration child
// carries one choice's number and caption, and passes reads and writes on to its
// directory. Three widths: 8, 16 and 32 bits, unsigned. Unlike radio directories, these
// are plain nodes, not folders of the model tree.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "parameters/ChoiceParameters.h"

namespace vt {

struct TEnum8Traits {
  using Value = std::uint8_t;
  static constexpr int Size = 1;
  static constexpr int HexDigits = 2;
  static constexpr const char* TypeStr = "UInt8 Enumerator";
  static constexpr const char* ObjType = "UInt8 Enumerator Parameter";
  static constexpr const char* ChildTypeStr = "UInt8";
  static constexpr const char* ChildObjType = "UInt8 EnumChild";
  static constexpr bool DefaultRequired = true;
  static constexpr TInvalidText ValueInvalid = TInvalidText::WithName;
  static constexpr TInvalidText RAMInvalid = TInvalidText::WithName;
  static constexpr TEmptyEntry EmptyEntry = TEmptyEntry::Nothing;
  static constexpr bool SetsUnitSystem = false;
  static constexpr bool SignExtendLowByte = false;
};

struct TEnum16Traits : TEnum8Traits {
  using Value = std::uint16_t;
  static constexpr int Size = 2;
  static constexpr int HexDigits = 4;
  static constexpr const char* TypeStr = "UInt16 Enumerator";
  static constexpr const char* ObjType = "UInt16 Enumerator Parameter";
  static constexpr const char* ChildTypeStr = "UInt16";
  static constexpr const char* ChildObjType = "EnumChild16";
  static constexpr TInvalidText ValueInvalid = TInvalidText::NotValid;
  static constexpr TInvalidText RAMInvalid = TInvalidText::NotValid;
};

struct TEnum32Traits : TEnum8Traits {
  using Value = std::uint32_t;
  static constexpr int Size = 4;
  static constexpr int HexDigits = 4;
  static constexpr const char* TypeStr = "UInt32 Enumerator";
  static constexpr const char* ObjType = "UInt32 Enumerator Parameter";
  static constexpr const char* ChildTypeStr = "UInt32";
  static constexpr const char* ChildObjType = "EnumChild32";
  // Without "DefValue" the default is 0.
  static constexpr bool DefaultRequired = false;
};

template <class Traits>
class TEnumChildParameterOf;

template <class Traits>
using TEnumDirParameterOf = TChoiceDirParameter<TParameter, Traits, TEnumChildParameterOf<Traits>>;

template <class Traits>
class TEnumChildParameterOf : public TParameter {
 public:
  using TDirectory = TEnumDirParameterOf<Traits>;

  // Reads "ChildValue" (required).
  TEnumChildParameterOf(TParameterService* AOwner, const TSLNamedCollection* ARecord) : TParameter(AOwner, ARecord) {
    FTypeStr = Traits::ChildTypeStr;
    FChildValue = static_cast<typename Traits::Value>(ReadChildValue(*ARecord));
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

  AnsiString GetChildValueStr(const AnsiString& Mode) override {
    return ChildValueText(FChildValue, FChildValue, Traits::HexDigits, Mode, FCaption);
  }
  // The directory carries the default.
  void SetDefaultValue(TUnitSystem System) override {}
  // An online child that sets visibility flags makes its directory one that does.
  void Initialize(bool Online) override {
    if (Online && GetAttrFlag(AttrSetsFlags)) Directory()->SetAttrFlag(AttrSetsFlags);
  }
  bool GetValid() const override { return Directory()->GetValid(); }
  std::int32_t GetChildValue() override { return static_cast<std::int32_t>(FChildValue); }

 private:
  typename Traits::Value FChildValue{};
};

class TEnumDir8Parameter final : public TEnumDirParameterOf<TEnum8Traits> {
 public:
  using TChoiceDirParameter::TChoiceDirParameter;
  const char* ClassName() const override { return "TEnumDir8Parameter"; }
};
class TEnumDir16Parameter final : public TEnumDirParameterOf<TEnum16Traits> {
 public:
  using TChoiceDirParameter::TChoiceDirParameter;
  const char* ClassName() const override { return "TEnumDir16Parameter"; }
};
class TEnumDir32Parameter final : public TEnumDirParameterOf<TEnum32Traits> {
 public:
  using TChoiceDirParameter::TChoiceDirParameter;
  const char* ClassName() const override { return "TEnumDir32Parameter"; }
};

class TEnumChild8Parameter final : public TEnumChildParameterOf<TEnum8Traits> {
 public:
  using TEnumChildParameterOf::TEnumChildParameterOf;
  const char* ClassName() const override { return "TEnumChild8Parameter"; }
};
class TEnumChild16Parameter final : public TEnumChildParameterOf<TEnum16Traits> {
 public:
  using TEnumChildParameterOf::TEnumChildParameterOf;
  const char* ClassName() const override { return "TEnumChild16Parameter"; }
};
class TEnumChild32Parameter final : public TEnumChildParameterOf<TEnum32Traits> {
 public:
  using TEnumChildParameterOf::TEnumChildParameterOf;
  const char* ClassName() const override { return "TEnumChild32Parameter"; }
};

}  // namespace vt
