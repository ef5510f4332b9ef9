// Arithmetic, comparison, logic and conversion built-ins; see MathBuiltins.h.
#include "sl/builtins/MathBuiltins.h"

#include <bit>
#include <cmath>
#include <functional>

#include "platform/Format.h"
#include "platform/NumberText.h"
#include "sl/builtins/StringBuiltins.h"
#include "sl/values/Arrays.h"

namespace vt {

namespace {

// Integers wrap on overflow: the arithmetic is done on the unsigned patterns.
std::int64_t WrapAdd(std::int64_t A, std::int64_t B) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(A) + static_cast<std::uint64_t>(B));
}
std::int64_t WrapSub(std::int64_t A, std::int64_t B) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(A) - static_cast<std::uint64_t>(B));
}
std::int64_t WrapMul(std::int64_t A, std::int64_t B) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(A) * static_cast<std::uint64_t>(B));
}
std::int64_t WrapNeg(std::int64_t A) { return WrapSub(0, A); }

// The value of the operand at Depth, whose class the dispatch has already checked.
inline std::int64_t LongintAt(TSLStack* Ops, int Depth) {
  return static_cast<TSLLongint*>(Ops->GetObjAtIndex(Depth))->GetLongintValue();
}
inline double DoubleAt(TSLStack* Ops, int Depth) { return static_cast<TSLDouble*>(Ops->GetObjAtIndex(Depth))->GetDoubleValue(); }

// Replaces the Int (or Double) on top, whose class the dispatch has checked, with a
// new value of class T: F of its value.
template <class T, class F>
void OnLongint(TSLContext* Context, F f) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<T>(ops, 1, f(LongintAt(ops, 0)));
}
template <class T, class F>
void OnDouble(TSLContext* Context, F f) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<T>(ops, 1, f(DoubleAt(ops, 0)));
}

// Two numbers with an Int below: Int op Int stays an Int, a Double on top makes both Doubles.
template <class IntOp, class DoubleOp>
void MixedWithLongint(TSLContext* Context, IntOp intOp, DoubleOp doubleOp) {
  TSLStack* ops = Operands(Context);
  const std::int64_t a = LongintAt(ops, 1);
  if (auto* b = As<TSLLongint>(ops->GetObjAtIndex(0))) {
    ReplaceTop<TSLLongint>(ops, 2, intOp(a, b->GetLongintValue()));
    return;
  }
  ReplaceTop<TSLDouble>(ops, 2, doubleOp(static_cast<double>(a), DoubleOperand(ops, 0)));
}

// Two numbers with a Double below: the top (Int or Double) is taken as a Double.
template <class DoubleOp>
void MixedWithDouble(TSLContext* Context, DoubleOp doubleOp) {
  TSLStack* ops = Operands(Context);
  const double b = OperandAt<TSLNumber>(ops, 0)->GetDoubleValue();
  ReplaceTop<TSLDouble>(ops, 2, doubleOp(DoubleAt(ops, 1), b));
}

// A function of one Double on top.
template <class F>
void DoubleFunction(TSLContext* Context, F f) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLDouble>(ops, 1, f(DoubleOperand(ops, 0)));
}

// Two Ints on top replaced by F of them (the deeper first); false (nothing done) when
// they are not two Ints.
template <class F>
bool OnTopLongints(TSLStack* Ops, F f) {
  std::int64_t a = 0, b = 0;
  if (!TopLongints(Ops, a, b)) return false;
  ReplaceTopLongints(Ops, f(a, b));
  return true;
}

// A function of two Ints (deeper first) giving an Int.
template <class F>
void LongintFunction(TSLContext* Context, F f) {
  TSLStack* ops = Operands(Context);
  if (OnTopLongints(ops, f)) return;
  const std::int64_t b = LongintOperand(ops, 0);  // the operands' errors, top first
  ReplaceTop<TSLLongint>(ops, 2, f(LongintOperand(ops, 1), b));
}

// The fast path of a built-in on two Ints: replaced by Op of them (the deeper first).
template <std::int64_t (*Op)(std::int64_t, std::int64_t)>
bool OnLongints(TSLInternalProcedure*, TSLContextImplementation* Context) {
  return OnTopLongints(Operands(Context), Op);
}

// The same for the logic built-ins, whose Int operation is their Combine.
template <class T>
bool CombineLongints(TSLInternalProcedure* Self, TSLContextImplementation* Context) {
  return OnTopLongints(Operands(Context),
                       [Self](std::int64_t a, std::int64_t b) { return static_cast<T*>(Self)->T::Combine(a, b); });
}

// ceil (Step 1) and floor (Step -1): the truncated value's low 32 bits, stepped when
// the fraction points that way, in 32-bit arithmetic.
std::int64_t StepFromTruncated(double D, int Step) {
  std::uint32_t result = static_cast<std::uint32_t>(TruncToInt64(D));
  const double fraction = D - std::trunc(D);
  if ((Step > 0 && fraction > 0) || (Step < 0 && fraction < 0)) result += static_cast<std::uint32_t>(Step);
  return static_cast<std::int32_t>(result);
}

}  // namespace

// Functions of one number

void TSLNumberProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLLongint>(&TSLNumberProcedure::ExecuteLongint, Depth());
  RegisterProcedureForClassName<TSLDouble>(&TSLNumberProcedure::ExecuteDouble, Depth());
}

void TSLAbsProcedure::ExecuteLongint(TSLContext* Context) {
  OnLongint<TSLLongint>(Context, [](std::int64_t v) { return v < 0 ? WrapNeg(v) : v; });
}
void TSLAbsProcedure::ExecuteDouble(TSLContext* Context) { OnDouble<TSLDouble>(Context, [](double v) { return std::fabs(v); }); }

void TSLNegProcedure::ExecuteLongint(TSLContext* Context) { OnLongint<TSLLongint>(Context, WrapNeg); }
void TSLNegProcedure::ExecuteDouble(TSLContext* Context) { OnDouble<TSLDouble>(Context, [](double v) { return -v; }); }

void TSLCeilProcedure::ExecuteLongint(TSLContext* Context) {
  OnLongint<TSLLongint>(Context, [](std::int64_t v) { return StepFromTruncated(static_cast<double>(v), 1); });
}
void TSLCeilProcedure::ExecuteDouble(TSLContext* Context) {
  OnDouble<TSLLongint>(Context, [](double v) { return StepFromTruncated(v, 1); });
}

void TSLFloorProcedure::ExecuteLongint(TSLContext* Context) {
  OnLongint<TSLLongint>(Context, [](std::int64_t v) { return StepFromTruncated(static_cast<double>(v), -1); });
}
void TSLFloorProcedure::ExecuteDouble(TSLContext* Context) {
  OnDouble<TSLLongint>(Context, [](double v) { return StepFromTruncated(v, -1); });
}

void TSLRoundProcedure::ExecuteLongint(TSLContext* Context) { OnLongint<TSLLongint>(Context, std::identity()); }
void TSLRoundProcedure::ExecuteDouble(TSLContext* Context) { OnDouble<TSLLongint>(Context, RoundToInt64); }

void TSLTruncProcedure::ExecuteLongint(TSLContext* Context) { OnLongint<TSLLongint>(Context, std::identity()); }
void TSLTruncProcedure::ExecuteDouble(TSLContext* Context) { OnDouble<TSLLongint>(Context, TruncToInt64); }

void TSLSqrtProcedure::ExecuteLongint(TSLContext* Context) {
  OnLongint<TSLDouble>(Context, [](std::int64_t v) { return std::sqrt(static_cast<double>(v)); });
}
void TSLSqrtProcedure::ExecuteDouble(TSLContext* Context) { OnDouble<TSLDouble>(Context, [](double v) { return std::sqrt(v); }); }

// Arithmetic of two numbers

void TSLArithmeticProcedure::RegisterProcedures() {
  TSLNumberProcedure::RegisterProcedures();
  SetFastPath(LongintPath());
}

namespace {

// The text of two strings joined, when each 8-bit character stands for itself (ASCII):
// then joining them directly gives what the round trip through 8-bit text gives.
bool IsAscii(std::u16string_view Text) {
  for (char16_t c : Text)
    if (c >= 0x80) return false;
  return true;
}

// The fast path of add on two strings of ASCII text; apart, so that the one on Ints
// stays small.
[[gnu::noinline]] bool AddStringsFast(TSLStack* Ops) {
  auto* b = Ops->Count() > 1 ? As<TSLString>(Ops->Peek(0)) : nullptr;
  auto* a = b ? As<TSLString>(Ops->Peek(1)) : nullptr;
  if (!a || !IsAscii(a->StringValue()) || !IsAscii(b->StringValue())) return false;
  ReplaceTop<TSLString>(Ops, 2, a->StringValue() + b->StringValue());
  return true;
}

// The fast path of add: two Ints, or two strings of ASCII text.
bool AddFast(TSLInternalProcedure* Self, TSLContextImplementation* Context) {
  return OnLongints<WrapAdd>(Self, Context) || AddStringsFast(Operands(Context));
}

}  // namespace

TSLInternalProcedure::TFastPath TSLAddProcedure::LongintPath() const { return &AddFast; }
TSLInternalProcedure::TFastPath TSLSubProcedure::LongintPath() const { return &OnLongints<WrapSub>; }
TSLInternalProcedure::TFastPath TSLMulProcedure::LongintPath() const { return &OnLongints<WrapMul>; }

void TSLAddProcedure::RegisterProcedures() {
  TSLArithmeticProcedure::RegisterProcedures();
  RegisterProcedureForClassName<TSLString>(&TSLAddProcedure::ExecuteString, 1);
  RegisterProcedureForClassName<TSLArray>(&TSLAddProcedure::ExecuteArray, 1);
}

void TSLAddProcedure::ExecuteLongint(TSLContext* Context) {
  MixedWithLongint(Context, WrapAdd, [](double a, double b) { return a + b; });
}
void TSLAddProcedure::ExecuteDouble(TSLContext* Context) {
  MixedWithDouble(Context, [](double a, double b) { return a + b; });
}

void TSLAddProcedure::ExecuteString(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString b = WideToAnsi(OperandAt<TSLString>(ops, 0)->StringValue());
  const AnsiString a = WideToAnsi(static_cast<TSLString*>(ops->GetObjAtIndex(1))->StringValue());
  ReplaceTop<TSLString>(ops, 2, AnsiToWide(a + b));
}

void TSLAddProcedure::ExecuteArray(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  static_cast<TSLArray*>(ops->GetObjAtIndex(1))->AddObject(ops->GetObjAtIndex(0));
  Drop(ops, 2);
}

void TSLSubProcedure::ExecuteLongint(TSLContext* Context) {
  MixedWithLongint(Context, WrapSub, [](double a, double b) { return a - b; });
}
void TSLSubProcedure::ExecuteDouble(TSLContext* Context) {
  MixedWithDouble(Context, [](double a, double b) { return a - b; });
}

void TSLMulProcedure::ExecuteLongint(TSLContext* Context) {
  MixedWithLongint(Context, WrapMul, [](double a, double b) { return a * b; });
}
void TSLMulProcedure::ExecuteDouble(TSLContext* Context) {
  MixedWithDouble(Context, [](double a, double b) { return a * b; });
}

void TSLDivProcedure::ExecuteLongint(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const double b = OperandAt<TSLNumber>(ops, 0)->GetDoubleValue();
  ReplaceTop<TSLDouble>(ops, 2, static_cast<double>(LongintAt(ops, 1)) / b);
}
void TSLDivProcedure::ExecuteDouble(TSLContext* Context) {
  MixedWithDouble(Context, [](double a, double b) { return a / b; });
}

namespace {

// idiv and mod. The one quotient outside the 64-bit range (the most negative value
// divided by -1) wraps like every other integer result instead of trapping.
std::int64_t Divide(std::int64_t A, std::int64_t B, bool Remainder) {
  if (B == 0) throw Exception("Division by zero");
  if (B == -1) return Remainder ? 0 : WrapNeg(A);
  return Remainder ? A % B : A / B;
}

// The fast path of idiv and mod: two Ints, not a division by zero.
bool DivideLongints(TSLContextImplementation* Context, bool Remainder) {
  TSLStack* ops = Operands(Context);
  std::int64_t a = 0, b = 0;
  if (!TopLongints(ops, a, b) || b == 0) return false;
  ReplaceTopLongints(ops, Divide(a, b, Remainder));
  return true;
}

}  // namespace

void TSLIDivProcedure::Execute(TSLContext* Context) {
  LongintFunction(Context, [](std::int64_t a, std::int64_t b) { return Divide(a, b, false); });
}
void TSLModProcedure::Execute(TSLContext* Context) {
  LongintFunction(Context, [](std::int64_t a, std::int64_t b) { return Divide(a, b, true); });
}
bool TSLIDivProcedure::FastPath(TSLInternalProcedure*, TSLContextImplementation* Context) { return DivideLongints(Context, false); }
bool TSLModProcedure::FastPath(TSLInternalProcedure*, TSLContextImplementation* Context) { return DivideLongints(Context, true); }
void TSLPowerProcedure::Execute(TSLContext* Context) {
  LongintFunction(Context, [](std::int64_t a, std::int64_t b) { return IntIntPower(Low32(a), Low32(b)); });
}

void TSLExpProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const double y = DoubleOperand(ops, 0);
  ReplaceTop<TSLDouble>(ops, 2, std::pow(DoubleOperand(ops, 1), y));
}

void TSLLnProcedure::Execute(TSLContext* Context) { DoubleFunction(Context, [](double x) { return std::log(x); }); }
void TSLLog2Procedure::Execute(TSLContext* Context) { DoubleFunction(Context, [](double x) { return std::log2(x); }); }
void TSLLog10Procedure::Execute(TSLContext* Context) {
  DoubleFunction(Context, [](double x) { return std::log10(x); });
}
void TSLSinProcedure::Execute(TSLContext* Context) { DoubleFunction(Context, [](double x) { return std::sin(x); }); }
void TSLCosProcedure::Execute(TSLContext* Context) { DoubleFunction(Context, [](double x) { return std::cos(x); }); }

void TSLLogXProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const double x = Low32(LongintOperand(ops, 0));
  const double base = Low32(LongintOperand(ops, 1));
  // The quotient is kept in single precision, which is what makes 10 1000 logx exactly 3.
  ReplaceTop<TSLDouble>(ops, 2, static_cast<double>(static_cast<float>(std::log(x) / std::log(base))));
}

void TSLAtanProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const double x = DoubleOperand(ops, 0);
  ReplaceTop<TSLDouble>(ops, 2, std::atan2(DoubleOperand(ops, 1), x));
}

// Logic

void TSLLogicProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLLongint>(&TSLLogicProcedure::ExecuteLongint, 1);
  RegisterProcedureForClassName<TSLBoolean>(&TSLLogicProcedure::ExecuteBoolean, 1);
  SetFastPath(LongintPath());
}

void TSLLogicProcedure::ExecuteLongint(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const std::int64_t b = LongintOperand(ops, 0);
  ReplaceTop<TSLLongint>(ops, 2, Combine(LongintAt(ops, 1), b));
}

void TSLLogicProcedure::ExecuteBoolean(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const bool b = OperandAt<TSLBoolean>(ops, 0)->BooleanValue();
  ReplaceTop<TSLBoolean>(ops, 2, Combine(static_cast<TSLBoolean*>(ops->GetObjAtIndex(1))->BooleanValue(), b));
}

std::int64_t TSLAndProcedure::Combine(std::int64_t A, std::int64_t B) const { return A & B; }
bool TSLAndProcedure::Combine(bool A, bool B) const { return A && B; }
std::int64_t TSLOrProcedure::Combine(std::int64_t A, std::int64_t B) const { return A | B; }
bool TSLOrProcedure::Combine(bool A, bool B) const { return A || B; }
std::int64_t TSLXorProcedure::Combine(std::int64_t A, std::int64_t B) const { return A ^ B; }
bool TSLXorProcedure::Combine(bool A, bool B) const { return A != B; }
TSLInternalProcedure::TFastPath TSLAndProcedure::LongintPath() const { return &CombineLongints<TSLAndProcedure>; }
TSLInternalProcedure::TFastPath TSLOrProcedure::LongintPath() const { return &CombineLongints<TSLOrProcedure>; }
TSLInternalProcedure::TFastPath TSLXorProcedure::LongintPath() const { return &CombineLongints<TSLXorProcedure>; }

void TSLNotProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLLongint>(&TSLNotProcedure::ExecuteLongint, 0);
  RegisterProcedureForClassName<TSLBoolean>(&TSLNotProcedure::ExecuteBoolean, 0);
}

void TSLNotProcedure::ExecuteLongint(TSLContext* Context) {
  OnLongint<TSLLongint>(Context, [](std::int64_t v) { return ~v; });
}

void TSLNotProcedure::ExecuteBoolean(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLBoolean>(ops, 1, !static_cast<TSLBoolean*>(ops->GetObjAtIndex(0))->BooleanValue());
}

// The shift count is taken modulo 64, so a negative count shifts by 64 minus its size.
void TSLShlProcedure::Execute(TSLContext* Context) {
  LongintFunction(Context, [](std::int64_t i, std::int64_t n) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(i) << (n & 63));
  });
}
void TSLShrProcedure::Execute(TSLContext* Context) {
  LongintFunction(Context, [](std::int64_t i, std::int64_t n) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(i) >> (n & 63));
  });
}

// Equality and order

namespace {

bool TopIsEqual(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  return AnyOperandAt(ops, 0)->IsEqual(ops->GetObjAtIndex(1));
}

}  // namespace

void TSLEqProcedure::Execute(TSLContext* Context) { ReplaceTop<TSLBoolean>(Operands(Context), 2, TopIsEqual(Context)); }
void TSLNeProcedure::Execute(TSLContext* Context) { ReplaceTop<TSLBoolean>(Operands(Context), 2, !TopIsEqual(Context)); }

namespace {

// Compares two texts with only the letters a to z upper-cased, unit by unit; the
// shorter of two texts that agree up to its length is the smaller.
int CompareUpperAZ(const WideString& A, const WideString& B) {
  auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
  const std::size_t n = std::min(A.size(), B.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t a = up(A[i]), b = up(B[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return A.size() < B.size() ? -1 : A.size() > B.size() ? 1 : 0;
}

}  // namespace

void TSLCompare::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  TSLObject* top = ops->GetObjAtIndex(0);
  bool result = false;
  if (auto* b = As<TSLNumber>(top))
    result = CompareNumbers(OperandAt<TSLNumber>(ops, 1)->GetDoubleValue(), b->GetDoubleValue());
  else
    result = CompareStrings(OperandAt<TSLString>(ops, 1)->StringValue(), CheckedCast<TSLString>(top)->StringValue());
  ReplaceTop<TSLBoolean>(ops, 2, result);
}

// Every comparison with NaN is false, as the IEEE operators give it.
bool TSLLtProcedure::CompareNumbers(double Op1, double Op2) const { return Op1 < Op2; }
bool TSLLeProcedure::CompareNumbers(double Op1, double Op2) const { return Op1 <= Op2; }
bool TSLGtProcedure::CompareNumbers(double Op1, double Op2) const { return Op1 > Op2; }
bool TSLGeProcedure::CompareNumbers(double Op1, double Op2) const { return Op1 >= Op2; }
bool TSLLtProcedure::CompareStrings(const WideString& Op1, const WideString& Op2) const {
  return CompareUpperAZ(Op1, Op2) < 0;
}
bool TSLLeProcedure::CompareStrings(const WideString& Op1, const WideString& Op2) const {
  return CompareUpperAZ(Op1, Op2) <= 0;
}
bool TSLGtProcedure::CompareStrings(const WideString& Op1, const WideString& Op2) const {
  return CompareUpperAZ(Op1, Op2) > 0;
}
bool TSLGeProcedure::CompareStrings(const WideString& Op1, const WideString& Op2) const {
  return CompareUpperAZ(Op1, Op2) >= 0;
}

// Conversions

namespace {

std::int64_t ParseLongint(const AnsiString& Text) {
  if (auto v = TryStrToInt64(Text)) return *v;
  throw EConvertError(Format("'%s' is not a valid integer value", AnsiToUtf8(Text)));
}

double ParseDouble(const AnsiString& Text) {
  if (auto v = TryStrToFloat(Text)) return *v;
  throw EConvertError(Format("'%s' is not a valid floating point value", AnsiToUtf8(Text)));
}

}  // namespace

void TSLCviProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLDouble>(&TSLCviProcedure::ExecuteDouble, 0);
  RegisterProcedureForClassName<TSLLongint>(&TSLCviProcedure::ExecuteLongint, 0);
  RegisterProcedureForClassName<TSLString>(&TSLCviProcedure::ExecuteString, 0);
}

void TSLCviProcedure::ExecuteDouble(TSLContext* Context) { OnDouble<TSLLongint>(Context, TruncToInt64); }
void TSLCviProcedure::ExecuteLongint(TSLContext*) {}  // already an Int: left as it is
void TSLCviProcedure::ExecuteString(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLLongint>(ops, 1, ParseLongint(TextOperand(ops, 0)));
}

void TSLCvrProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLDouble>(&TSLCvrProcedure::ExecuteDouble, 0);
  RegisterProcedureForClassName<TSLLongint>(&TSLCvrProcedure::ExecuteLongint, 0);
  RegisterProcedureForClassName<TSLString>(&TSLCvrProcedure::ExecuteString, 0);
}

void TSLCvrProcedure::ExecuteDouble(TSLContext*) {}  // already a Double: left as it is
void TSLCvrProcedure::ExecuteLongint(TSLContext* Context) {
  // Only the low 32 bits count, taken as a signed 32-bit value.
  OnLongint<TSLDouble>(Context, [](std::int64_t v) { return static_cast<double>(Low32(v)); });
}
void TSLCvrProcedure::ExecuteString(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLDouble>(ops, 1, ParseDouble(TextOperand(ops, 0)));
}

namespace {

// The fast path of cvs: an Int.
bool LongintText(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  auto* value = ops->Count() > 0 ? As<TSLLongint>(ops->Peek(0)) : nullptr;
  if (!value) return false;
  ReplaceTop<TSLString>(ops, 1, AnsiToWide(IntToStr(value->GetLongintValue())));
  return true;
}

}  // namespace

void TSLCvsProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLLongint>(&TSLCvsProcedure::ExecuteLongint, 0);
  RegisterProcedureForClassName<TSLDouble>(&TSLCvsProcedure::ExecuteDouble, 0);
  RegisterProcedureForClassName<TSLIdent>(&TSLCvsProcedure::ExecuteIdent, 0);
  SetFastPath(&LongintText);
}

void TSLCvsProcedure::ExecuteLongint(TSLContext* Context) { LongintText(this, Implementation(Context)); }
void TSLCvsProcedure::ExecuteDouble(TSLContext* Context) {
  OnDouble<TSLString>(Context, [](double v) { return AnsiToWide(FloatToStr(v)); });
}
void TSLCvsProcedure::ExecuteIdent(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLString>(ops, 1, AnsiToWide(static_cast<TSLIdent*>(ops->GetObjAtIndex(0))->IdentValue()));
}

void TSLCvnProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> text = PopHeld(ops);
  PushNew<TSLIdent>(ops, WideToAnsi(CheckedCast<TSLString>(text.get())->StringValue()), false);
}

void TSLChkiProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLBoolean>(ops, 1, TryStrToInt64(TextOperand(ops, 0)).has_value());
}

void TSLChkrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLBoolean>(ops, 1, TryStrToFloat(TextOperand(ops, 0)).has_value());
}

void TSLCf32iProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const auto single = static_cast<float>(DoubleOperand(ops, 0));
  ReplaceTop<TSLLongint>(ops, 1, std::int64_t{std::bit_cast<std::int32_t>(single)});
}

void TSLCif32Procedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const auto single = std::bit_cast<float>(static_cast<std::uint32_t>(LongintOperand(ops, 0)));
  ReplaceTop<TSLDouble>(ops, 1, static_cast<double>(single));
}

// Object handles

std::int64_t TSLObjectHandles::Acquire(TSLObject* Obj) {
  std::int64_t handle = 0;
  if (auto it = FHandleOf.find(Obj); it != FHandleOf.end()) {
    handle = it->second;
    ++FEntries.at(handle).References;
  } else {
    handle = ++FLastHandle;
    FEntries.emplace(handle, TEntry{Obj, 1});
    FHandleOf.emplace(Obj, handle);
  }
  Obj->Retain();
  return handle;
}

TSLObject* TSLObjectHandles::Find(std::int64_t Handle) const {
  auto it = FEntries.find(Handle);
  if (it == FEntries.end()) throw Exception(Format("TSLObjectHandles.Find: no object with handle %d", Handle));
  return it->second.Obj;
}

void TSLObjectHandles::GiveBack(std::int64_t Handle) {
  auto it = FEntries.find(Handle);
  if (it == FEntries.end()) throw Exception(Format("TSLObjectHandles.GiveBack: no object with handle %d", Handle));
  TSLObject* obj = it->second.Obj;
  if (--it->second.References == 0) {
    FHandleOf.erase(obj);
    FEntries.erase(it);
  }
  obj->Release();
}

TSLObjectHandles& ObjectHandles() {
  static TSLObjectHandles handles;
  return handles;
}

void TSLObjToIntProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  ReplaceTop<TSLLongint>(ops, 1, ObjectHandles().Acquire(AnyOperandAt(ops, 0)));
}

void TSLIntToObjProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  TSLObject* obj = ObjectHandles().Find(LongintOperand(ops, 0));
  ops->Pop(false);
  ops->Push(obj);
}

}  // namespace vt
