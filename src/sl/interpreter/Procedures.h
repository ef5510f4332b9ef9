// Natively written procedures: TSLInternalProcedure (always executable; built-ins,
// script-class factories and methods) and TSLPolymorphProcedure, which dispatches on
// the class of one operand through a small table of handlers. Also the operand
// helpers every built-in uses.
#pragma once

#include <array>
#include <functional>
#include <type_traits>

#include "sl/SLLimits.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/values/Object.h"
#include "sl/values/Scalars.h"
#include "sl/values/Stack.h"

namespace vt {

class TSLInternalProcedure : public TSLObject {
 public:
  VT_SL_CLASS_BIT(TSLInternalProcedure, cbInternalProcedure);
  // A quick procedure only works on values and stacks (no files, dialogs, libraries or
  // waits), so it never takes long: the interpreter reads its slice clock only now and
  // then after one.
  explicit TSLInternalProcedure(bool AutoRelease, bool Quick = false) : TSLObject(AutoRelease), FQuick(Quick) {
    MarkClass(kClassBit);
  }
  const char* ClassName() const override { return "TSLInternalProcedure"; }
  bool GetExecutable() const override { return true; }

  // What the interpreter calls: Execute, or the procedure's own plain function for it.
  void Run(TSLContext* Context) { FRun(this, Context); }
  bool IsQuick() const { return FQuick; }
  // The fast path: does the work at once and answers true when that needs no more than
  // the operands (and the top dictionary) and cannot fail; otherwise answers false
  // with nothing done, and the procedure is run. A fast path never lets go of a
  // procedure, runs code, waits, or touches a tokenizer or an array being run, so the
  // interpreter calls it without holding the procedure or recording the token.
  bool TryFastPath(TSLContextImplementation* Context) { return FFastPath && FFastPath(this, Context); }

 protected:
  using TRunFunction = void (*)(TSLInternalProcedure* Self, TSLContext* Context);
  using TFastPath = bool (*)(TSLInternalProcedure* Self, TSLContextImplementation* Context);
  void SetRunFunction(TRunFunction Function) { FRun = Function; }
  void SetFastPath(TFastPath Function) { FFastPath = Function; }
  // Execute of class T without the virtual call.
  template <class T>
  static void RunExecuteOf(TSLInternalProcedure* Self, TSLContext* Context) {
    static_cast<T*>(Self)->T::Execute(Context);
  }

 private:
  static void RunExecute(TSLInternalProcedure* Self, TSLContext* Context) { Self->Execute(Context); }

  TRunFunction FRun = &RunExecute;
  TFastPath FFastPath = nullptr;
  bool FQuick;
};

// Declares a built-in with one behaviour: its own class (the name appears in
// messages) and its Execute, called directly. VT_SL_BUILTIN declares a quick one,
// VT_SL_SLOW_BUILTIN one that may take long (files, dialogs, loading, waiting).
#define VT_SL_BUILTIN_CLASS(Name, Quick)                                        \
  class Name final : public TSLInternalProcedure {                              \
   public:                                                                      \
    explicit Name(bool AutoRelease) : TSLInternalProcedure(AutoRelease, Quick) { \
      SetRunFunction(&RunExecuteOf<Name>);                                      \
    }                                                                           \
    const char* ClassName() const override { return #Name; }                    \
    void Execute(TSLContext* Context) override;                                 \
  }
#define VT_SL_BUILTIN(Name) VT_SL_BUILTIN_CLASS(Name, true)
#define VT_SL_SLOW_BUILTIN(Name) VT_SL_BUILTIN_CLASS(Name, false)
// A quick built-in with a fast path of its own (see TryFastPath).
#define VT_SL_FAST_BUILTIN(Name)                                                 \
  class Name final : public TSLInternalProcedure {                              \
   public:                                                                      \
    explicit Name(bool AutoRelease) : TSLInternalProcedure(AutoRelease, true) { \
      SetRunFunction(&RunExecuteOf<Name>);                                      \
      SetFastPath(&FastPath);                                                   \
    }                                                                           \
    const char* ClassName() const override { return #Name; }                    \
    void Execute(TSLContext* Context) override;                                 \
                                                                                \
   private:                                                                     \
    static bool FastPath(TSLInternalProcedure* Self, TSLContextImplementation* Context); \
  }

class TSLPolymorphProcedure;

// Declares a polymorphic built-in: its class, its RegisterProcedures and one handler
// per operand class it serves, named after that class (VT_SL_HANDLER(Longint)
// declares ExecuteLongint).
#define VT_SL_HANDLER(Class) void Execute##Class(TSLContext* Context);
#define VT_SL_POLYMORPH_BUILTIN(Name, Handlers)               \
  class Name : public TSLPolymorphProcedure {                 \
   public:                                                    \
    using TSLPolymorphProcedure::TSLPolymorphProcedure;       \
    const char* ClassName() const override { return #Name; }  \
                                                              \
   protected:                                                 \
    void RegisterProcedures() override;                       \
                                                              \
   private:                                                   \
    Handlers                                                  \
  }

class TSLPolymorphProcedure : public TSLInternalProcedure {
 public:
  // A handler: a method of the procedure taking the context.
  using TPolyProcRef = void (TSLPolymorphProcedure::*)(TSLContext* Context);
  // Whether an operand belongs to the handler's class (that class or a descendant).
  using TClassTest = bool (*)(const TSLObject* Obj);

  // Every polymorphic built-in works on values: it is quick.
  explicit TSLPolymorphProcedure(bool AutoRelease) : TSLInternalProcedure(AutoRelease, true) {
    SetRunFunction(&RunExecuteOf<TSLPolymorphProcedure>);
  }
  // Constructs a polymorphic procedure of class T and lets it register its handlers.
  template <class T>
  static TRef<T> Create() {
    TRef<T> p(new T(false));
    static_cast<TSLPolymorphProcedure*>(p.get())->RegisterProcedures();
    return p;
  }
  const char* ClassName() const override { return "TSLPolymorphProcedure"; }

  // Runs the first handler whose class the operand at its index belongs to.
  void Execute(TSLContext* Context) final;

  // Registration order is priority: a base class registered first hides its descendants.
  template <class T, class Self>
  void RegisterProcedureForClassName(void (Self::*Handler)(TSLContext*), int Index) {
    TEntry entry;
    if constexpr (OwnsClassBit<T>)
      entry.Bits = T::kClassBit;
    else
      entry.Belongs = [](const TSLObject* o) { return As<T>(o) != nullptr; };
    entry.Index = Index;
    entry.Handler = static_cast<TPolyProcRef>(Handler);
    Register(entry);
  }

 protected:
  // Called once by Create; every concrete procedure registers its handlers here.
  virtual void RegisterProcedures();

 private:
  struct TEntry {
    std::uint32_t Bits = 0;           // the class's bit, when it has one
    TClassTest Belongs = nullptr;     // else the test
    int Index = 0;
    TPolyProcRef Handler = nullptr;
    bool Matches(const TSLObject* Obj) const { return Bits ? Obj && (Obj->ClassBits() & Bits) : Belongs(Obj); }
  };
  void Register(const TEntry& Entry);

  std::array<TEntry, kPolymorphHandlers> ProcedureArray;
  int ProcedureCount = 0;
};


// The operand at Depth (0 = top) as class T, or "Invalid class typecast"; a missing
// operand raises the stack's index error.
template <class T>
T* OperandAt(TSLStack* Ops, int Depth) {
  return CheckedCast<T>(Ops->GetObjAtIndex(Depth));
}
// The operand at Depth of any class; nil (a nil array element that was pushed) is
// "Invalid class typecast", since nothing can be done with it.
TSLObject* AnyOperandAt(TSLStack* Ops, int Depth);
// Removes Count operands from the top.
inline void Drop(TSLStack* Ops, int Count) {
  for (int i = 0; i < Count; ++i) Ops->Pop(false);
}
// Pops the top operand and hands it out held, so that it can be checked afterwards.
TRef<TSLObject> PopHeld(TSLStack* Ops);
// Pushes a new value of class T; the stack is its only holder.
template <class T, class... A>
void PushNew(TSLStack* Ops, A&&... Args) {
  if constexpr (std::is_same_v<T, TSLLongint>)
    Ops->PushLongint(std::forward<A>(Args)...);
  else
    Ops->Push(new T(false, std::forward<A>(Args)...));
}

// The values of the two top operands, the deeper first, when both are Ints: the fast
// path of the integer built-ins. False (nothing read) otherwise.
inline bool TopLongints(const TSLStack* Ops, std::int64_t& Deeper, std::int64_t& Top) {
  if (Ops->Count() < 2) return false;
  const TSLObject* b = Ops->Peek(0);
  const TSLObject* a = Ops->Peek(1);
  if (!a || !b || !(a->ClassBits() & b->ClassBits() & cbLongint)) return false;
  Deeper = static_cast<const TSLLongint*>(a)->GetLongintValue();
  Top = static_cast<const TSLLongint*>(b)->GetLongintValue();
  return true;
}

// Gives an unshared value of class T a new value in place.
inline void Revalue(TSLLongint* Obj, std::int64_t Value) { Obj->SetLongintValue(Value); }
inline void Revalue(TSLDouble* Obj, double Value) { Obj->SetDoubleValue(Value); }
inline void Revalue(TSLBoolean* Obj, bool Value) { Obj->SetBooleanValue(Value); }
inline void Revalue(TSLString* Obj, WideString Value) { Obj->SetStringValue(std::move(Value)); }

// Whether Obj is a T that nothing but the stack holds: it may take a result in place.
template <class T>
T* Unshared(TSLObject* Obj) {
  auto* t = As<T>(Obj);
  return t && t->GetRefCount() == 1 ? t : nullptr;
}

template <class T, class V>
void TakeResult(T* Obj, V Value) {
  Revalue(Obj, std::move(Value));
  if (Obj->DbgInfo()) Obj->SetDbgInfo(nullptr);
}

// ReplaceTop of two Ints on top, which TopLongints has seen. Inlined always: it is
// most of the work of an integer built-in.
[[gnu::always_inline]] inline void ReplaceTopLongints(TSLStack* Ops, std::int64_t Value) {
  auto* deeper = static_cast<TSLLongint*>(Ops->Peek(1));
  auto* top = static_cast<TSLLongint*>(Ops->Peek(0));
  if (deeper->GetRefCount() == 1) {
    TakeResult(deeper, Value);
    Ops->Pop(false);
  } else if (top->GetRefCount() == 1) {
    TakeResult(top, Value);
    Ops->DropBelowTop();
  } else {
    Ops->ReplaceTopTwoWithLongint(Value);
  }
}

// Replaces the Count top operands, already read, with one new value of class T made
// from Values; they are taken by value, so that they outlive the operands they came
// from. When the deepest of those operands, or else the top one, is a T that nothing
// but the stack holds, it takes the value in place instead: no other holder can tell
// it from a new object, and a script makes one such value per operation.
template <class T, class... V>
void ReplaceTop(TSLStack* Ops, int Count, V... Values) {
  if constexpr (sizeof...(V) == 1 && requires(T* t, V... v) { Revalue(t, std::move(v)...); }) {
    static_assert(std::is_final_v<T>, "a T is then exactly of class T");
    if (T* deepest = Unshared<T>(Ops->GetObjAtIndex(Count - 1))) {
      TakeResult(deepest, std::move(Values)...);
      Drop(Ops, Count - 1);
      return;
    }
    if (T* top = Count > 1 ? Unshared<T>(Ops->Peek(0)) : nullptr) {
      TakeResult(top, std::move(Values)...);
      for (int i = 1; i < Count; ++i) Ops->DropBelowTop();
      return;
    }
  }
  Drop(Ops, Count);
  PushNew<T>(Ops, std::move(Values)...);
}

// The value of the Int, Double or string at Depth ("Invalid class typecast" for
// another class); a string is read as 8-bit text, the form built-ins work on.
std::int64_t LongintOperand(TSLStack* Ops, int Depth);
double DoubleOperand(TSLStack* Ops, int Depth);
AnsiString TextOperand(TSLStack* Ops, int Depth);

// Integer operands of built-ins that take only their low 32 bits (array indexes too).
inline std::int32_t Low32(std::int64_t Value) { return static_cast<std::int32_t>(Value); }

class TSLDictionary;
// Defines Name in Dict: an entry of that name is removed first, so a name defined
// again moves to the end of the dictionary's order.
void DefineName(TSLDictionary* Dict, const WideString& Name, TSLObject* Value);

// Reports a failure as a script exception (the text is pushed and "raisese" runs
// next); the built-in must return right after.
void RaiseStandardError(TSLContext* Context, const std::u16string& Message);

}  // namespace vt
