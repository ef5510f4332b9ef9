// Natively written procedures: TSLInternalProcedure (always executable; built-ins,
// script-class factories and methods) and TSLPolymorphProcedure, which dispatches on
// the class of one operand through a small table of handlers. Also the operand
// helpers every built-in uses.
#pragma once

#include <array>
#include <functional>

#include "SL20Bas.h"
#include "SL20Elm.h"
#include "SL20Stk.h"
#include "SLLimits.h"

namespace vt {

class TSLContextImplementation;

class TSLInternalProcedure : public TSLObject {
 public:
  explicit TSLInternalProcedure(bool AutoRelease) : TSLObject(AutoRelease) {}
  const char* ClassName() const override { return "TSLInternalProcedure"; }
  bool GetExecutable() const override { return true; }
};

// Declares a built-in with one behaviour: its own class (the name appears in
// messages) and its Execute.
#define VT_SL_BUILTIN(Name)                                  \
  class Name : public TSLInternalProcedure {                 \
   public:                                                   \
    using TSLInternalProcedure::TSLInternalProcedure;        \
    const char* ClassName() const override { return #Name; } \
    void Execute(TSLContext* Context) override;              \
  }

class TSLPolymorphProcedure : public TSLInternalProcedure {
 public:
  using TPolyProcRef = std::function<void(TSLContext* Context)>;
  // Whether an operand belongs to the handler's class (that class or a descendant).
  using TClassTest = bool (*)(const TSLObject* Obj);

  explicit TSLPolymorphProcedure(bool AutoRelease) : TSLInternalProcedure(AutoRelease) {}
  // Constructs a polymorphic procedure of class T and lets it register its handlers.
  template <class T>
  static TRef<T> Create() {
    TRef<T> p(new T(false));
    static_cast<TSLPolymorphProcedure*>(p.get())->RegisterProcedures();
    return p;
  }
  const char* ClassName() const override { return "TSLPolymorphProcedure"; }

  // Runs the first handler whose class the operand at its index belongs to.
  void Execute(TSLContext* Context) override;

  // Registration order is priority: a base class registered first hides its descendants.
  template <class T>
  void RegisterProcedureForClassName(TPolyProcRef Handler, int Index) {
    Register(Handler, [](const TSLObject* o) { return dynamic_cast<const T*>(o) != nullptr; }, Index);
  }

 protected:
  // Called once by Create; every concrete procedure registers its handlers here.
  virtual void RegisterProcedures();

 private:
  struct TEntry {
    TClassTest Belongs = nullptr;
    int Index = 0;
    TPolyProcRef Handler;
  };
  void Register(TPolyProcRef Handler, TClassTest Belongs, int Index);

  std::array<TEntry, kPolymorphHandlers> ProcedureArray;
  int ProcedureCount = 0;
};

// The context a built-in runs in, as the one implementation.
TSLContextImplementation* Implementation(TSLContext* Context);
// The operand stack of the context.
TSLStack* Operands(TSLContext* Context);

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
void Drop(TSLStack* Ops, int Count);
// Pops the top operand and hands it out held, so that it can be checked afterwards.
TRef<TSLObject> PopHeld(TSLStack* Ops);
// Pushes a new value of class T; the stack is its only holder.
template <class T, class... A>
void PushNew(TSLStack* Ops, A&&... Args) {
  Ops->Push(new T(false, std::forward<A>(Args)...));
}

// Replaces the Count top operands, already read, with one new value of class T made
// from Values; they are taken by value, so that they outlive the operands they came from.
template <class T, class... V>
void ReplaceTop(TSLStack* Ops, int Count, V... Values) {
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
