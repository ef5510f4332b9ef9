// Natively written procedures: TSLInternalProcedure (always executable; built-ins,
// script-class factories and methods) and TSLPolymorphProcedure, which dispatches on
// the class of one operand through a small table of handlers.
#pragma once

#include <array>
#include <functional>

#include "SL20Bas.h"
#include "SLLimits.h"

namespace vt {

class TSLInternalProcedure : public TSLObject {
 public:
  explicit TSLInternalProcedure(bool AutoRelease) : TSLObject(AutoRelease) {}
  const char* ClassName() const override { return "TSLInternalProcedure"; }
  bool GetExecutable() const override { return true; }
};

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

}  // namespace vt
