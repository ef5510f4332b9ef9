// String, array, dictionary and base-N built-ins and their text routines; see StringBuiltins.h.
#include "sl/builtins/StringBuiltins.h"

#include "platform/Format.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Record.h"

namespace vt {

// Text routines

namespace {

[[noreturn]] void InvalidChar(const char* Routine, char Ch) {
  throw Exception(Format("%s: Invalid AnsiChar '%s' in AnsiString", Routine, AnsiToUtf8(std::string(1, Ch))));
}

// The digits of Value's magnitude in Base (at least 2), with "-" for a negative
// value; the most negative value has a magnitude too, as an unsigned number.
template <class Digit>
AnsiString SignedDigits(std::int64_t Value, std::uint64_t Base, Digit digit) {
  std::uint64_t magnitude = Value < 0 ? 0 - static_cast<std::uint64_t>(Value) : static_cast<std::uint64_t>(Value);
  AnsiString digits;
  do {
    digits.insert(digits.begin(), digit(static_cast<std::int32_t>(magnitude % Base)));
    magnitude /= Base;
  } while (magnitude != 0);
  return Value < 0 ? "-" + digits : digits;
}

// Sums digit × base^(characters to its right) in wrapping arithmetic; a leading "-"
// negates. DigitOf checks each character and gives its value.
template <class DigitOf>
std::int64_t ReadDigits(std::string_view Text, std::int64_t Base, DigitOf digitOf) {
  const bool negative = !Text.empty() && Text[0] == '-';
  if (negative) Text.remove_prefix(1);
  std::uint64_t value = 0;
  for (char c : Text) value = value * static_cast<std::uint64_t>(Base) + static_cast<std::uint64_t>(digitOf(c));
  return static_cast<std::int64_t>(negative ? 0 - value : value);
}

AnsiString Padded(std::string_view Text, std::int64_t Length, char Ch, bool Leading) {
  const auto size = static_cast<std::int64_t>(Text.size());
  if (size >= Length) return AnsiString(Text);
  const AnsiString padding(static_cast<std::size_t>(Length - size), Ch);
  return Leading ? padding + AnsiString(Text) : AnsiString(Text) + padding;
}

}  // namespace

char IntToChar36(std::int32_t Value) {
  return static_cast<char>(Value < 10 ? '0' + Value : 'A' + Value - 10);
}

std::int32_t Char36ToInt(char Ch) {
  if (Ch >= '0' && Ch <= '9') return Ch - '0';
  if (Ch >= 'A' && Ch <= 'Z') return Ch - 'A' + 10;
  if (Ch >= 'a' && Ch <= 'z') return Ch - 'a' + 10;
  throw Exception("Char36ToInt: Value has to be '0'..'9', 'A'..'Z' or 'a'..'z'");
}

bool IsCharValidForBase(char Ch, std::int32_t Base) { return Char36ToInt(Ch) < Base; }

bool IsCharInArray(char Ch, std::string_view Table, std::int32_t HighIndex) {
  return Table.substr(0, static_cast<std::size_t>(HighIndex) + 1).find(Ch) != std::string_view::npos;
}

std::int32_t CharrToInt(char Ch, std::string_view Table, std::int32_t HighIndex) {
  const std::size_t i = Table.substr(0, static_cast<std::size_t>(HighIndex) + 1).find(Ch);
  if (i == std::string_view::npos) throw Exception("ChArrToInt: Value not in array");
  return static_cast<std::int32_t>(i);
}

std::int64_t IntIntPower(std::int64_t Base, std::int32_t Exponent) {
  // Squaring gives the same product as repeated multiplication modulo 2^64.
  std::uint64_t result = 1, factor = static_cast<std::uint64_t>(Base);
  for (std::uint32_t e = Exponent > 0 ? static_cast<std::uint32_t>(Exponent) : 0; e != 0; e >>= 1) {
    if (e & 1) result *= factor;
    factor *= factor;
  }
  return static_cast<std::int64_t>(result);
}

AnsiString IntToStrBaseX(std::int64_t Value, std::int32_t Base) {
  if (Base < 2 || Base > 36) throw Exception("IntToStrBaseX: Base must between 2 and 36");
  return SignedDigits(Value, static_cast<std::uint64_t>(Base), IntToChar36);
}

std::int64_t StrBaseXToInt(std::string_view Text, std::int32_t Base) {
  return ReadDigits(Text, Base, [Base](char c) {
    if (!IsCharValidForBase(c, Base)) InvalidChar("StrBaseXToInt", c);
    return Char36ToInt(c);
  });
}

AnsiString IntToStrChArr(std::int64_t Value, std::string_view Table, std::int32_t HighIndex) {
  if (HighIndex < 1 || static_cast<std::size_t>(HighIndex) >= Table.size())
    throw Exception("IntToStrChArr: the digit table needs at least two digits");
  return SignedDigits(Value, static_cast<std::uint64_t>(HighIndex) + 1, [Table](std::int32_t d) { return Table[d]; });
}

std::int64_t StrChArrToInt(std::string_view Text, std::string_view Table, std::int32_t HighIndex) {
  return ReadDigits(Text, std::int64_t{HighIndex} + 1, [=](char c) {
    if (!IsCharInArray(c, Table, HighIndex)) InvalidChar("StrChArrToInt", c);
    return CharrToInt(c, Table, HighIndex);
  });
}

AnsiString AddLeadingChars(std::string_view Text, std::int64_t Length, char Ch) { return Padded(Text, Length, Ch, true); }
AnsiString AddTrailingChars(std::string_view Text, std::int64_t Length, char Ch) {
  return Padded(Text, Length, Ch, false);
}

// Texts

namespace {

void PushText(TSLStack* Ops, const AnsiString& Text) { PushNew<TSLString>(Ops, AnsiToWide(Text)); }

}  // namespace

// The 8-bit text of a string has one character per unit of the string.
void TSLLengthProcedure::Execute(TSLContext* Context) {
  OperandAt<TSLString>(Operands(Context), 0);  // the operand's errors
  FastPath(this, Implementation(Context));
}

bool TSLLengthProcedure::FastPath(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  auto* text = ops->Count() > 0 ? As<TSLString>(ops->Peek(0)) : nullptr;
  if (!text) return false;
  ReplaceTop<TSLLongint>(ops, 1, static_cast<std::int64_t>(text->StringValue().size()));
  return true;
}

void TSLGetSubStrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const std::int64_t n = LongintOperand(ops, 0);
  const std::int64_t i = std::max<std::int64_t>(LongintOperand(ops, 1), 0);
  const AnsiString s = TextOperand(ops, 2);
  AnsiString part;
  if (i < static_cast<std::int64_t>(s.size()) && n > 0) part = s.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(n));
  Drop(ops, 3);
  PushText(ops, part);
}

void TSLPutSubStrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString t = TextOperand(ops, 0);
  const std::int64_t i = LongintOperand(ops, 1);
  auto* target = OperandAt<TSLString>(ops, 2);
  AnsiString s = WideToAnsi(target->StringValue());
  const auto length = static_cast<std::int64_t>(s.size()), count = static_cast<std::int64_t>(t.size());
  // Every position written must lie inside the string: nothing is written past its end.
  if (i < 0 || i > length - count)
    throw Exception(Format("%s.Execute: positions (%d to %d) out of bounds (%d)", ClassName(), i, i + count - 1, length));
  s.replace(static_cast<std::size_t>(i), t.size(), t);
  target->SetStringValue(AnsiToWide(s));
  Drop(ops, 2);
}

void TSLSearchProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString t = TextOperand(ops, 0);
  const AnsiString s = TextOperand(ops, 1);
  const std::size_t at = t.empty() ? AnsiString::npos : s.find(t);
  Drop(ops, 2);
  if (at == AnsiString::npos) {
    PushNew<TSLBoolean>(ops, false);
    return;
  }
  PushText(ops, s.substr(0, at));
  PushText(ops, t);
  PushText(ops, s.substr(at + t.size()));
  PushNew<TSLBoolean>(ops, true);
}

namespace {

// pad and padr: an empty pad text leaves the text as it is.
void Pad(TSLContext* Context, bool Leading) {
  TSLStack* ops = Operands(Context);
  const AnsiString c = TextOperand(ops, 0);
  const std::int64_t n = LongintOperand(ops, 1);
  const AnsiString s = TextOperand(ops, 2);
  Drop(ops, 3);
  PushText(ops, c.empty() ? s : Padded(s, n, c[0], Leading));
}

}  // namespace

void TSLPadProcedure::Execute(TSLContext* Context) { Pad(Context, true); }
void TSLPadrProcedure::Execute(TSLContext* Context) { Pad(Context, false); }

void TSLUppercaseProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  AnsiString s = TextOperand(ops, 0);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  ops->Pop(false);
  PushText(ops, s);
}

void TSLChrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const auto byte = static_cast<unsigned char>(LongintOperand(ops, 0));
  ReplaceTop<TSLString>(ops, 1, WideString(1, AnsiCharToWide(byte)));
}

void TSLOrdProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString s = TextOperand(ops, 0);
  ops->Pop(false);
  if (s.size() != 1) {
    RaiseStandardError(Context, u"operand must be of type AnsiChar (string with length 1)");
    return;
  }
  PushNew<TSLLongint>(ops, std::int64_t{static_cast<unsigned char>(s[0])});
}

// Elements of composites

namespace {

WideString NameOf(TSLObject* Ident) { return AnsiToWide(CheckedCast<TSLIdent>(Ident)->IdentValue()); }

// get on a dictionary or record: pops the name and the collection first.
void GetNamed(TSLStack* Ops) {
  const TRef<TSLObject> name = PopHeld(Ops), collection = PopHeld(Ops);
  Ops->Push(static_cast<TSLNamedCollection*>(collection.get())->GetObjWithName(NameOf(name.get())));
}

// The name and dictionary operands of get and put, at Depth and below, when they
// are an identifier and a dictionary.
TSLDictionary* NamedDictionary(TSLStack* Ops, int Depth, const TSLIdent*& Name) {
  if (Ops->Count() < Depth + 2) return nullptr;
  Name = As<TSLIdent>(Ops->Peek(Depth));
  return Name ? As<TSLDictionary>(Ops->Peek(Depth + 1)) : nullptr;
}

// The fast path of get: a dictionary that holds the name.
bool GetFromDictionary(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  const TSLIdent* name = nullptr;
  TSLDictionary* dict = NamedDictionary(ops, 0, name);
  const TSLDictionary::TEntry* entry = dict ? dict->FindEntryAnsi(name->IdentValue()) : nullptr;
  if (!entry) return false;
  ops->ReplaceTopTwo(entry->Value);
  return true;
}

// The fast path of put: a dictionary that does not hold the name yet.
bool PutIntoDictionary(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  const TSLIdent* name = nullptr;
  TSLDictionary* dict = NamedDictionary(ops, 1, name);
  if (!dict || !dict->AddIfNew(AnsiToWide(name->IdentValue()), ops->Peek(0))) return false;
  Drop(ops, 3);
  return true;
}

}  // namespace

void TSLGetProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLArray>(&TSLGetProcedure::ExecuteArray, 1);
  RegisterProcedureForClassName<TSLDictionary>(&TSLGetProcedure::ExecuteDictionary, 1);
  RegisterProcedureForClassName<TSLRecord>(&TSLGetProcedure::ExecuteRecord, 1);
  SetFastPath(&GetFromDictionary);
}

void TSLGetProcedure::ExecuteArray(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> index = PopHeld(ops), array = PopHeld(ops);
  const std::int32_t i = Low32(CheckedCast<TSLLongint>(index.get())->GetLongintValue());
  ops->Push(static_cast<TSLArray*>(array.get())->GetObjAtIndex(i));
}

void TSLGetProcedure::ExecuteDictionary(TSLContext* Context) { GetNamed(Operands(Context)); }
void TSLGetProcedure::ExecuteRecord(TSLContext* Context) { GetNamed(Operands(Context)); }

void TSLPutProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLArray>(&TSLPutProcedure::ExecuteArray, 2);
  RegisterProcedureForClassName<TSLDictionary>(&TSLPutProcedure::ExecuteDictionary, 2);
  RegisterProcedureForClassName<TSLRecord>(&TSLPutProcedure::ExecuteRecord, 2);
  SetFastPath(&PutIntoDictionary);
}

void TSLPutProcedure::ExecuteArray(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> value = PopHeld(ops), index = PopHeld(ops), array = PopHeld(ops);
  const std::int32_t i = Low32(CheckedCast<TSLLongint>(index.get())->GetLongintValue());
  static_cast<TSLArray*>(array.get())->SetObjAtIndex(i, value.get());
}

void TSLPutProcedure::ExecuteDictionary(TSLContext* Context) {
  // Only new names: a name the dictionary holds is "already exists" (puts replaces).
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> value = PopHeld(ops), name = PopHeld(ops), dict = PopHeld(ops);
  static_cast<TSLDictionary*>(dict.get())->AddObject(NameOf(name.get()), value.get());
}

void TSLPutProcedure::ExecuteRecord(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> value = PopHeld(ops), name = PopHeld(ops), record = PopHeld(ops);
  static_cast<TSLRecord*>(record.get())->SetObjWithName(NameOf(name.get()), value.get());
}

void TSLPutsProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  TSLObject* value = ops->GetObjAtIndex(0);
  const WideString name = NameOf(ops->GetObjAtIndex(1));
  DefineName(OperandAt<TSLDictionary>(ops, 2), name, value);
  Drop(ops, 3);
}

void TSLDelProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLArray>(&TSLDelProcedure::ExecuteArray, 1);
  RegisterProcedureForClassName<TSLDictionary>(&TSLDelProcedure::ExecuteDictionary, 1);
}

void TSLDelProcedure::ExecuteArray(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  static_cast<TSLArray*>(ops->GetObjAtIndex(1))->DelObjAtIndex(Low32(LongintOperand(ops, 0)));
  Drop(ops, 2);
}

void TSLDelProcedure::ExecuteDictionary(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  TSLObject* key = ops->GetObjAtIndex(0);
  auto* text = As<TSLString>(key);  // the key is a string or a name
  static_cast<TSLDictionary*>(ops->GetObjAtIndex(1))->RemoveObject(text ? text->StringValue() : NameOf(key));
  Drop(ops, 2);
}

void TSLCountProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLArray>(&TSLCountProcedure::ExecuteArray, 0);
  RegisterProcedureForClassName<TSLDictionary>(&TSLCountProcedure::ExecuteDictionary, 0);
}

void TSLCountProcedure::ExecuteArray(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLLongint>(ops, 1, std::int64_t{static_cast<TSLCollection*>(ops->GetObjAtIndex(0))->GetCount()});
}

void TSLCountProcedure::ExecuteDictionary(TSLContext* Context) { ExecuteArray(Context); }

void TSLGetSubArrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const std::int32_t n = Low32(LongintOperand(ops, 0));
  const std::int32_t i = Low32(LongintOperand(ops, 1));
  auto* array = OperandAt<TSLArray>(ops, 2);
  auto part = MakeRef<TSLArray>();
  for (std::int32_t k = 0; k < n; ++k) part->AddObject(array->GetObjAtIndex(i + k));
  Drop(ops, 3);
  ops->Push(part.get());
}

void TSLPutSubArrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  auto* source = OperandAt<TSLArray>(ops, 0);
  const std::int32_t i = Low32(LongintOperand(ops, 1));
  auto* target = OperandAt<TSLArray>(ops, 2);
  const int count = source->GetCount();  // fixed first: source may be the target itself
  for (int k = 0; k < count; ++k) target->SetObjAtIndex(i + k, source->GetObjAtIndex(k));
  Drop(ops, 2);
}

void TSLInsertProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  TSLObject* x = ops->GetObjAtIndex(0);
  const std::int32_t i = Low32(LongintOperand(ops, 1));
  OperandAt<TSLArray>(ops, 2)->InsObjAtIndex(i, x);
  Drop(ops, 3);
}

// Builders

namespace {

// Pops the count operand of the builders (its low 32 bits).
std::int32_t PopCount(TSLStack* Ops) {
  const TRef<TSLObject> n = PopHeld(Ops);
  return Low32(CheckedCast<TSLLongint>(n.get())->GetLongintValue());
}

}  // namespace

void TSLCreateArrayProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const std::int32_t n = PopCount(ops);
  auto array = MakeRef<TSLArray>();
  for (std::int32_t depth = n - 1; depth >= 0; --depth) array->AddObject(ops->GetObjAtIndex(depth));
  Drop(ops, n);
  ops->Push(array.get());
}

void TSLCreateDictProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const std::int32_t n = PopCount(ops);
  auto dict = MakeRef<TSLDictionary>();
  for (std::int32_t pair = n - 1; pair >= 0; --pair)
    dict->AddObject(NameOf(ops->GetObjAtIndex(2 * pair + 1)), ops->GetObjAtIndex(2 * pair));
  Drop(ops, 2 * n);
  ops->Push(dict.get());
}

void TSLCreateRecordProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  auto record = MakeRef<TSLRecord>(OperandAt<TSLDictionary>(ops, 0));
  ops->Pop(false);
  const std::int32_t n = PopCount(ops);
  // The pairs are applied from the top one down.
  for (std::int32_t pair = 0; pair < n; ++pair) {
    record->SetObjWithName(NameOf(ops->GetObjAtIndex(1)), ops->GetObjAtIndex(0));
    Drop(ops, 2);
  }
  ops->Push(record.get());
}

void TSLGetCompositeIdentProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLIdent>(ops, 1, OperandAt<TSLComposite>(ops, 0)->Ident(), false);
}

void TSLGetRecordTypeProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLIdent>(ops, 1, WideToAnsi(OperandAt<TSLRecord>(ops, 0)->GetTypeName()), false);
}

// Number bases

void TSLCvriProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const std::int32_t base = Low32(LongintOperand(ops, 0));
  ReplaceTop<TSLLongint>(ops, 2, StrBaseXToInt(TextOperand(ops, 1), base));
}

void TSLCvrsProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const std::int32_t base = Low32(LongintOperand(ops, 0));
  ReplaceTop<TSLString>(ops, 2, AnsiToWide(IntToStrBaseX(LongintOperand(ops, 1), base)));
}

void TSLCvrliProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLLongint>(ops, 1, StrChArrToInt(TextOperand(ops, 0), kBase35Digits, kBase35Digits.size() - 1));
}

void TSLCvrlsProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLString>(ops, 1, AnsiToWide(IntToStrChArr(LongintOperand(ops, 0), kBase35Digits, kBase35Digits.size() - 1)));
}

}  // namespace vt
