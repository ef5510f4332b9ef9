// The scalar SL values: 64-bit integers, doubles, strings, Booleans and identifiers,
// with their conversions between kinds, equality and copies, and the debug record
// that ties a decoded value to its token.
#pragma once

#include <optional>

#include "platform/Exceptions.h"
#include "sl/values/Object.h"

namespace vt {

class TElmDbgInfo : public TDbgInfo {
 public:
  std::uint32_t GetTokPos() const override { return FTokPos; }
  void SetTokPos(std::uint32_t Value) override { FTokPos = Value; }
  std::uint32_t GetTokLength() const override { return FTokLength; }
  void SetTokLength(std::uint32_t Value) override { FTokLength = Value; }
  std::uint32_t GetTokLine() const override { return FTokLine; }
  void SetTokLine(std::uint32_t Value) override { FTokLine = Value; }
  bool GetBreakpoint() const override { return FBreak; }
  void SetBreakpoint(bool Value) override { FBreak = Value; }
  std::uint16_t GetStorageID() const override { return FStorageID; }
  void SetStorageID(std::uint16_t Value) override { FStorageID = Value; }

 private:
  std::uint32_t FTokPos = 0;
  std::uint32_t FTokLength = 0;
  std::uint32_t FTokLine = 0;
  bool FBreak = false;
  std::uint16_t FStorageID = 0;
};

class TSLNumber : public TSLObject {
 public:
  VT_SL_CLASS_BIT(TSLNumber, cbNumber);
  explicit TSLNumber(bool AutoRelease) : TSLObject(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLNumber"; }

  virtual std::int64_t GetLongintValue() const = 0;
  virtual void SetLongintValue(std::int64_t Value) = 0;
  virtual double GetDoubleValue() const = 0;
  virtual void SetDoubleValue(double Value) = 0;
  virtual AnsiString GetStringValue() const = 0;
  virtual void SetStringValue(const AnsiString& Value) = 0;
  virtual bool GetBooleanValue() const = 0;
  virtual void SetBooleanValue(bool Value) = 0;
};

class TSLLongint final : public TSLNumber {
 public:
  VT_SL_CLASS_BIT(TSLLongint, cbLongint);
  TSLLongint(bool AutoRelease, std::int64_t Value) : TSLNumber(AutoRelease), FLongintValue(Value) {
    MarkClass(kClassBit);
  }
  const char* ClassName() const override { return "TSLLongint"; }

  std::int64_t GetLongintValue() const override { return FLongintValue; }
  void SetLongintValue(std::int64_t Value) override { FLongintValue = Value; }
  double GetDoubleValue() const override { return static_cast<double>(FLongintValue); }
  void SetDoubleValue(double Value) override;
  AnsiString GetStringValue() const override;
  void SetStringValue(const AnsiString& Value) override;
  bool GetBooleanValue() const override { return FLongintValue != 0; }
  void SetBooleanValue(bool Value) override { FLongintValue = Value ? -1 : 0; }

  void Encode(TEncoderInterface& Encoder) override;
  void AssignObject(const TSLObject* Obj) override;
  TSLObject* CopyObject() const override;
  bool IsEqual(const TSLObject* Obj) const override;
  TSLLongint* CopyLongint() const;

 private:
  std::int64_t FLongintValue;
};

class TSLDouble final : public TSLNumber {
 public:
  VT_SL_CLASS_BIT(TSLDouble, cbDouble);
  TSLDouble(bool AutoRelease, double Value) : TSLNumber(AutoRelease), FDoubleValue(Value) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLDouble"; }

  std::int64_t GetLongintValue() const override;
  void SetLongintValue(std::int64_t Value) override { FDoubleValue = static_cast<double>(Value); }
  double GetDoubleValue() const override { return FDoubleValue; }
  void SetDoubleValue(double Value) override { FDoubleValue = Value; }
  AnsiString GetStringValue() const override;
  void SetStringValue(const AnsiString& Value) override;
  bool GetBooleanValue() const override { return FDoubleValue != 0; }  // NaN counts as true
  void SetBooleanValue(bool Value) override { FDoubleValue = Value ? 1.0 : 0.0; }

  void Encode(TEncoderInterface& Encoder) override;
  void AssignObject(const TSLObject* Obj) override;
  TSLObject* CopyObject() const override;
  bool IsEqual(const TSLObject* Obj) const override;
  TSLDouble* CopyDouble() const;

 private:
  double FDoubleValue;
};

class TSLString final : public TSLObject {
 public:
  VT_SL_CLASS_BIT(TSLString, cbString);
  TSLString(bool AutoRelease, WideString Value) : TSLObject(AutoRelease), FStringValue(std::move(Value)) {
    MarkClass(kClassBit);
  }
  const char* ClassName() const override { return "TSLString"; }

  const WideString& StringValue() const { return FStringValue; }
  void SetStringValue(WideString Value) { FStringValue = std::move(Value); }
  std::int64_t GetLongintValue() const;
  void SetLongintValue(std::int64_t Value);
  double GetDoubleValue() const;
  void SetDoubleValue(double Value);
  bool GetBooleanValue() const;
  void SetBooleanValue(bool Value);

  void Encode(TEncoderInterface& Encoder) override;
  void AssignObject(const TSLObject* Obj) override;
  TSLObject* CopyObject() const override;
  bool IsEqual(const TSLObject* Obj) const override;
  TSLString* CopyString() const;

 private:
  WideString FStringValue;
};

class TSLBoolean final : public TSLObject {
 public:
  VT_SL_CLASS_BIT(TSLBoolean, cbBoolean);
  TSLBoolean(bool AutoRelease, bool Value) : TSLObject(AutoRelease), FBooleanValue(Value) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLBoolean"; }

  bool BooleanValue() const { return FBooleanValue; }
  void SetBooleanValue(bool Value);
  AnsiString GetStringValue() const { return FBooleanValue ? "true" : "false"; }
  void SetStringValue(const AnsiString& Value);

  // The shared system values true and false: every script sees the same two objects,
  // so changing one in place would change it for all; they refuse every change.
  void MakeConstant() { FConstant = true; }
  bool IsConstant() const { return FConstant; }

  void Encode(TEncoderInterface& Encoder) override;
  void AssignObject(const TSLObject* Obj) override;
  TSLObject* CopyObject() const override;
  bool IsEqual(const TSLObject* Obj) const override;
  TSLBoolean* CopyBoolean() const;

 private:
  void CheckChangeable(const char* Operation) const;

  bool FBooleanValue;
  bool FConstant = false;
};

// A name: literal (written /name, stands for itself) or executable (looked up and run).
class TSLIdent final : public TSLObject {
 public:
  VT_SL_CLASS_BIT(TSLIdent, cbIdent);
  TSLIdent(bool AutoRelease, AnsiString Value, bool Executable)
      : TSLObject(AutoRelease), FIdentValue(std::move(Value)), FExecutable(Executable) {
    MarkClass(kClassBit);
  }
  const char* ClassName() const override { return "TSLIdent"; }

  const AnsiString& IdentValue() const { return FIdentValue; }
  void SetIdentValue(AnsiString Value) {
    FIdentValue = std::move(Value);
    FNameCache = {};
  }
  bool GetExecutable() const override { return FExecutable; }
  bool IsExecutable() const { return FExecutable; }
  void SetExecutable(bool Value) override { FExecutable = Value; }

  void Encode(TEncoderInterface& Encoder) override;
  void AssignObject(const TSLObject* Obj) override;
  TSLObject* CopyObject() const override;
  bool IsEqual(const TSLObject* Obj) const override;
  TSLIdent* CopyIdent() const;

  // Where this name token was last resolved or defined (the context fills and reads
  // it): valid in the context it was filled in while the scopes of its name are
  // unchanged since Stamp. Entry is the dictionary entry that holds the name, Dict the
  // dictionary that holds the entry.
  struct TNameCache {
    std::uint64_t Stamp = 0;
    std::size_t NameHash = 0;
    const void* Context = nullptr;
    void* Entry = nullptr;
    const void* Dict = nullptr;
  };
  TNameCache& NameCache() const { return FNameCache; }

 private:
  AnsiString FIdentValue;
  bool FExecutable;
  mutable TNameCache FNameCache;
};

// "TRUE"/"FALSE" in any ASCII case; nullopt for other texts.
std::optional<bool> ParseBooleanText(std::u16string_view s);

}  // namespace vt
