// Scalar SL values; see Scalars.h.
#include "sl/values/Scalars.h"

#include "platform/Format.h"
#include "platform/NumberText.h"

namespace vt {

std::optional<bool> ParseBooleanText(std::u16string_view s) {
  if (SameTextWide(s, u"TRUE")) return true;
  if (SameTextWide(s, u"FALSE")) return false;
  return std::nullopt;
}

// TSLLongint

void TSLLongint::SetDoubleValue(double Value) { FLongintValue = RoundToInt64(Value); }
AnsiString TSLLongint::GetStringValue() const { return IntToStr(FLongintValue); }
void TSLLongint::SetStringValue(const AnsiString& Value) { FLongintValue = StrToInt64(Value); }
void TSLLongint::Encode(TEncoderInterface& Encoder) { Encoder.EncodeLongint(FLongintValue); }
void TSLLongint::AssignObject(const TSLObject* Obj) { FLongintValue = CheckedCast<TSLLongint>(Obj)->FLongintValue; }
TSLObject* TSLLongint::CopyObject() const { return CopyLongint(); }
TSLLongint* TSLLongint::CopyLongint() const { return new TSLLongint(true, FLongintValue); }

bool TSLLongint::IsEqual(const TSLObject* Obj) const {
  if (auto* i = As<TSLLongint>(Obj)) return FLongintValue == i->FLongintValue;
  // An integer equals a double whose integer part it is (5 = 5.7); a double that is
  // no integer at all (NaN, infinity, out of range) equals no integer.
  if (auto* d = As<TSLDouble>(Obj)) {
    try {
      return FLongintValue == d->GetLongintValue();
    } catch (const Exception&) {
      return false;
    }
  }
  return false;
}

// TSLDouble

std::int64_t TSLDouble::GetLongintValue() const { return TruncToInt64(FDoubleValue); }
AnsiString TSLDouble::GetStringValue() const { return FloatToStr(FDoubleValue); }
void TSLDouble::SetStringValue(const AnsiString& Value) { FDoubleValue = StrToFloat(Value); }
void TSLDouble::Encode(TEncoderInterface& Encoder) { Encoder.EncodeDouble(FDoubleValue); }
void TSLDouble::AssignObject(const TSLObject* Obj) { FDoubleValue = CheckedCast<TSLDouble>(Obj)->FDoubleValue; }
TSLObject* TSLDouble::CopyObject() const { return CopyDouble(); }
TSLDouble* TSLDouble::CopyDouble() const { return new TSLDouble(true, FDoubleValue); }

bool TSLDouble::IsEqual(const TSLObject* Obj) const {
  if (auto* n = As<TSLNumber>(Obj)) return FDoubleValue == n->GetDoubleValue();
  return false;
}

// TSLString

std::int64_t TSLString::GetLongintValue() const { return StrToInt64(WideToAnsi(FStringValue)); }
void TSLString::SetLongintValue(std::int64_t Value) { FStringValue = AnsiToWide(IntToStr(Value)); }
double TSLString::GetDoubleValue() const { return StrToFloat(WideToAnsi(FStringValue)); }
void TSLString::SetDoubleValue(double Value) { FStringValue = AnsiToWide(FloatToStr(Value)); }

bool TSLString::GetBooleanValue() const {
  if (auto b = ParseBooleanText(FStringValue)) return *b;
  throw Exception(Format("%s.GetBooleanValue: can't convert '%s' to boolean value", ClassName(), FStringValue));
}

void TSLString::SetBooleanValue(bool Value) { FStringValue = Value ? u"true" : u"false"; }
void TSLString::Encode(TEncoderInterface& Encoder) { Encoder.EncodeString(WideToAnsi(FStringValue)); }
void TSLString::AssignObject(const TSLObject* Obj) { FStringValue = CheckedCast<TSLString>(Obj)->FStringValue; }
TSLObject* TSLString::CopyObject() const { return CopyString(); }
TSLString* TSLString::CopyString() const { return new TSLString(true, FStringValue); }

bool TSLString::IsEqual(const TSLObject* Obj) const {
  auto* s = As<TSLString>(Obj);
  return s && s->FStringValue == FStringValue;
}

// TSLBoolean

void TSLBoolean::CheckChangeable(const char* Operation) const {
  if (FConstant)
    throw Exception(Format("%s.%s: the system value %s cannot be changed", ClassName(), Operation, GetStringValue()));
}

void TSLBoolean::SetBooleanValue(bool Value) {
  CheckChangeable("SetBooleanValue");
  FBooleanValue = Value;
}

void TSLBoolean::SetStringValue(const AnsiString& Value) {
  CheckChangeable("SetStringValue");
  if (auto b = ParseBooleanText(AnsiToWide(Value))) {
    FBooleanValue = *b;
    return;
  }
  throw Exception(Format("%s.SetStringValue: wrong value: %s", ClassName(), AnsiToUtf8(Value)));
}

void TSLBoolean::Encode(TEncoderInterface& Encoder) { Encoder.EncodeBoolean(FBooleanValue); }

void TSLBoolean::AssignObject(const TSLObject* Obj) {
  const bool value = CheckedCast<TSLBoolean>(Obj)->FBooleanValue;
  CheckChangeable("AssignObject");
  FBooleanValue = value;
}
TSLObject* TSLBoolean::CopyObject() const { return CopyBoolean(); }
TSLBoolean* TSLBoolean::CopyBoolean() const { return new TSLBoolean(true, FBooleanValue); }

bool TSLBoolean::IsEqual(const TSLObject* Obj) const {
  auto* b = As<TSLBoolean>(Obj);
  return b && b->FBooleanValue == FBooleanValue;
}

// TSLIdent

void TSLIdent::Encode(TEncoderInterface& Encoder) { Encoder.EncodeIdent(FIdentValue, FExecutable); }
void TSLIdent::AssignObject(const TSLObject* Obj) { SetIdentValue(CheckedCast<TSLIdent>(Obj)->FIdentValue); }
TSLObject* TSLIdent::CopyObject() const { return CopyIdent(); }
TSLIdent* TSLIdent::CopyIdent() const { return new TSLIdent(true, FIdentValue, FExecutable); }

bool TSLIdent::IsEqual(const TSLObject* Obj) const {
  auto* i = As<TSLIdent>(Obj);
  return i && i->FIdentValue == FIdentValue;
}

}  // namespace vt
