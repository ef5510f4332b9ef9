// The numeric and logical built-ins: integer and floating-point arithmetic (integers
// wrap, doubles follow IEEE 754 without raising), mathematical functions, bitwise and
// Boolean logic, equality and ordering, conversions between numbers, text and names,
// and integer handles of objects.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "sl/interpreter/Procedures.h"

namespace vt {

// Declares a polymorphic built-in over numbers (Int or Double) on the given base.
#define VT_SL_NUMBER_BUILTIN(Name, Base)                      \
  class Name : public Base {                                  \
   public:                                                    \
    using Base::Base;                                         \
    const char* ClassName() const override { return #Name; }  \
                                                              \
   protected:                                                 \
    void ExecuteLongint(TSLContext* Context) override;        \
    void ExecuteDouble(TSLContext* Context) override;         \
  }

// Base of the polymorphic built-ins that take an Int or a Double at Depth.
class TSLNumberProcedure : public TSLPolymorphProcedure {
 public:
  using TSLPolymorphProcedure::TSLPolymorphProcedure;

 protected:
  // The depth of the deciding operand: 0 for functions of one number, 1 for the
  // arithmetic of two (decided by the deeper one).
  virtual int Depth() const { return 0; }
  void RegisterProcedures() override;
  virtual void ExecuteLongint(TSLContext* Context) = 0;
  virtual void ExecuteDouble(TSLContext* Context) = 0;
};

// a → |a|, −a; the Int results wrap
VT_SL_NUMBER_BUILTIN(TSLAbsProcedure, TSLNumberProcedure);
VT_SL_NUMBER_BUILTIN(TSLNegProcedure, TSLNumberProcedure);
// a → Int: the low 32 bits of the truncated value, then stepped up or down
VT_SL_NUMBER_BUILTIN(TSLCeilProcedure, TSLNumberProcedure);
VT_SL_NUMBER_BUILTIN(TSLFloorProcedure, TSLNumberProcedure);
// a → Int: halves to the even neighbour; toward zero
VT_SL_NUMBER_BUILTIN(TSLRoundProcedure, TSLNumberProcedure);
VT_SL_NUMBER_BUILTIN(TSLTruncProcedure, TSLNumberProcedure);
// a → Double
VT_SL_NUMBER_BUILTIN(TSLSqrtProcedure, TSLNumberProcedure);

// a b → a op b, decided by the deeper operand; Ints mix with Doubles to a Double. Two
// Ints take a path of their own, without the dispatch.
class TSLArithmeticProcedure : public TSLNumberProcedure {
 public:
  using TSLNumberProcedure::TSLNumberProcedure;

 protected:
  int Depth() const override { return 1; }
  void RegisterProcedures() override;
  // The fast path of two Ints; nil where they take the dispatch (div).
  virtual TFastPath LongintPath() const { return nullptr; }
};

#define VT_SL_ARITHMETIC_BUILTIN(Name)                        \
  class Name : public TSLArithmeticProcedure {                \
   public:                                                    \
    using TSLArithmeticProcedure::TSLArithmeticProcedure;     \
    const char* ClassName() const override { return #Name; }  \
                                                              \
   protected:                                                 \
    void ExecuteLongint(TSLContext* Context) override;        \
    void ExecuteDouble(TSLContext* Context) override;         \
    TFastPath LongintPath() const override;                   \
  }

VT_SL_ARITHMETIC_BUILTIN(TSLSubProcedure);
VT_SL_ARITHMETIC_BUILTIN(TSLMulProcedure);
VT_SL_NUMBER_BUILTIN(TSLDivProcedure, TSLArithmeticProcedure);  // always a Double

// a b → sum; s t → s t joined; array obj → (obj appended to the array)
class TSLAddProcedure : public TSLArithmeticProcedure {
 public:
  using TSLArithmeticProcedure::TSLArithmeticProcedure;
  const char* ClassName() const override { return "TSLAddProcedure"; }

 protected:
  void RegisterProcedures() override;
  void ExecuteLongint(TSLContext* Context) override;
  void ExecuteDouble(TSLContext* Context) override;
  TFastPath LongintPath() const override;

 private:
  void ExecuteString(TSLContext* Context);
  void ExecuteArray(TSLContext* Context);
};

VT_SL_FAST_BUILTIN(TSLIDivProcedure);  // i j → quotient toward zero
VT_SL_FAST_BUILTIN(TSLModProcedure);   // i j → remainder with the sign of i
VT_SL_BUILTIN(TSLPowerProcedure);  // i j → i to the j (low 32 bits each; j ≤ 0 gives 1)
VT_SL_BUILTIN(TSLExpProcedure);    // x y → x to the y
VT_SL_BUILTIN(TSLLnProcedure);
VT_SL_BUILTIN(TSLLog2Procedure);
VT_SL_BUILTIN(TSLLog10Procedure);
VT_SL_BUILTIN(TSLLogXProcedure);  // i j → logarithm of j to the base i, in single precision
VT_SL_BUILTIN(TSLSinProcedure);
VT_SL_BUILTIN(TSLCosProcedure);
VT_SL_BUILTIN(TSLAtanProcedure);  // y x → the angle of the point (x, y)

// Base of and, or, xor (Ints bitwise, Booleans logically) decided by the deeper operand;
// two Ints take a path of their own, without the dispatch.
class TSLLogicProcedure : public TSLPolymorphProcedure {
 public:
  using TSLPolymorphProcedure::TSLPolymorphProcedure;
  virtual std::int64_t Combine(std::int64_t A, std::int64_t B) const = 0;
  virtual bool Combine(bool A, bool B) const = 0;

 protected:
  void RegisterProcedures() override;
  virtual TFastPath LongintPath() const = 0;

 private:
  void ExecuteLongint(TSLContext* Context);
  void ExecuteBoolean(TSLContext* Context);
};

#define VT_SL_LOGIC_BUILTIN(Name)                                              \
  class Name : public TSLLogicProcedure {                                      \
   public:                                                                     \
    using TSLLogicProcedure::TSLLogicProcedure;                                \
    const char* ClassName() const override { return #Name; }                   \
    std::int64_t Combine(std::int64_t A, std::int64_t B) const override;      \
    bool Combine(bool A, bool B) const override;                               \
                                                                               \
   protected:                                                                  \
    TFastPath LongintPath() const override;                                    \
  }

VT_SL_LOGIC_BUILTIN(TSLAndProcedure);
VT_SL_LOGIC_BUILTIN(TSLOrProcedure);
VT_SL_LOGIC_BUILTIN(TSLXorProcedure);

// i → complement; p → negation
VT_SL_POLYMORPH_BUILTIN(TSLNotProcedure, VT_SL_HANDLER(Longint) VT_SL_HANDLER(Boolean));

VT_SL_BUILTIN(TSLShlProcedure);  // i n → i shifted left by n mod 64
VT_SL_BUILTIN(TSLShrProcedure);  // i n → i shifted right by n mod 64, zeros shifted in
VT_SL_BUILTIN(TSLEqProcedure);   // u v → Boolean
VT_SL_BUILTIN(TSLNeProcedure);

// Base of lt, le, gt, ge: numbers compare as Doubles, strings upper-cased (a to z
// only) unit by unit on their full text; anything else cannot be ordered.
class TSLCompare : public TSLInternalProcedure {
 public:
  explicit TSLCompare(bool AutoRelease) : TSLInternalProcedure(AutoRelease, true) {}
  void Execute(TSLContext* Context) override;
  virtual bool CompareNumbers(double Op1, double Op2) const = 0;
  virtual bool CompareStrings(const WideString& Op1, const WideString& Op2) const = 0;

 protected:
  // The fast path: two Ints compared without the virtual calls.
  template <class T>
  static bool CompareLongints(TSLInternalProcedure* Self, TSLContextImplementation* Context);
};

#define VT_SL_COMPARE_BUILTIN(Name)                                                    \
  class Name final : public TSLCompare {                                               \
   public:                                                                             \
    explicit Name(bool AutoRelease) : TSLCompare(AutoRelease) { SetFastPath(&CompareLongints<Name>); } \
    const char* ClassName() const override { return #Name; }                           \
    bool CompareNumbers(double Op1, double Op2) const override;                        \
    bool CompareStrings(const WideString& Op1, const WideString& Op2) const override;  \
  }

template <class T>
bool TSLCompare::CompareLongints(TSLInternalProcedure* Self, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  std::int64_t a = 0, b = 0;
  if (!TopLongints(ops, a, b)) return false;
  // Numbers compare as Doubles, Ints too.
  const bool result = static_cast<T*>(Self)->T::CompareNumbers(static_cast<double>(a), static_cast<double>(b));
  ReplaceTop<TSLBoolean>(ops, 2, result);
  return true;
}

VT_SL_COMPARE_BUILTIN(TSLLtProcedure);
VT_SL_COMPARE_BUILTIN(TSLLeProcedure);
VT_SL_COMPARE_BUILTIN(TSLGtProcedure);
VT_SL_COMPARE_BUILTIN(TSLGeProcedure);

// a → Int: a Double toward zero, an Int stays, a string is parsed
VT_SL_POLYMORPH_BUILTIN(TSLCviProcedure, VT_SL_HANDLER(Double) VT_SL_HANDLER(Longint) VT_SL_HANDLER(String));

// a → Double: a Double stays, an Int from its low 32 bits, a string is parsed
VT_SL_POLYMORPH_BUILTIN(TSLCvrProcedure, VT_SL_HANDLER(Double) VT_SL_HANDLER(Longint) VT_SL_HANDLER(String));

// a → text of the number; /name → the name
VT_SL_POLYMORPH_BUILTIN(TSLCvsProcedure, VT_SL_HANDLER(Longint) VT_SL_HANDLER(Double) VT_SL_HANDLER(Ident));

VT_SL_BUILTIN(TSLCvnProcedure);        // s → /name
VT_SL_BUILTIN(TSLChkiProcedure);       // s → whether cvi would parse it
VT_SL_BUILTIN(TSLChkrProcedure);       // s → whether cvr would parse it
VT_SL_BUILTIN(TSLCf32iProcedure);      // x → the bits of x as a single, as a signed Int
VT_SL_BUILTIN(TSLCif32Procedure);      // i → the low 32 bits of i read as a single
VT_SL_BUILTIN(TSLObjToIntProcedure);   // obj → handle
VT_SL_BUILTIN(TSLIntToObjProcedure);   // handle → obj

// The handles objtoint hands out. A handle keeps one reference to its object until
// it is given back, so a handle never stands for a freed object; handles are serial
// numbers, never addresses, so a handle given back is never valid again, and a
// number that was never handed out is refused. GUI thread only, like all SL objects.
class TSLObjectHandles {
 public:
  // A handle of Obj (the same one while Obj holds one); takes one more reference.
  std::int64_t Acquire(TSLObject* Obj);
  // The object of a live handle; raises for any other number.
  TSLObject* Find(std::int64_t Handle) const;
  // Gives one reference taken by Acquire back; the handle ends with the last one.
  void GiveBack(std::int64_t Handle);

 private:
  struct TEntry {
    TSLObject* Obj;
    int References;
  };
  std::unordered_map<std::int64_t, TEntry> FEntries;
  std::unordered_map<const TSLObject*, std::int64_t> FHandleOf;
  std::int64_t FLastHandle = 0;
};

// The one handle table of the process.
TSLObjectHandles& ObjectHandles();

}  // namespace vt
