// The script-side face of native classes: TSLClass (a dictionary of method procedures
// over one native object), the two kinds of method procedure, and the factory that a
// class name stands for in the "Create" dictionary.
#pragma once

#include <functional>
#include <memory>

#include "sl/interpreter/Procedures.h"
#include "sl/interpreter/ScriptClass.h"
#include "sl/values/Dictionary.h"

namespace vt {

// Base of native objects a TSLClass owns.
class TNativeObject {
 public:
  virtual ~TNativeObject() = default;
};

class TSLClass : public TSLDictionary {
 public:
  using TExecuteEvent = std::function<void(TNativeObject* Data, TContextInterface* Context)>;

  explicit TSLClass(bool AutoRelease) : TSLDictionary(AutoRelease) {}
  const char* ClassName() const override { return "TSLClass"; }

  // Creates the native object and adds one method procedure per method name.
  void InitWithClass(TScriptClass* ScriptClass, TContextInterface* Context);
  void AddMethod(TExecuteEvent Method, const WideString& Name);
  // Copies share the instance: the same object, retained and autoreleased.
  TSLObject* CopyObject() const override;

  TNativeObject* Data() const { return FData.get(); }
  void SetData(std::unique_ptr<TNativeObject> Data) { FData = std::move(Data); }
  TScriptClass* ScriptClass() const { return FScriptClass; }
  std::int64_t ScrObjHandle() const { return FScrObjHandle; }

  // The weak link through which methods reach their instance: it says nil once the
  // instance is gone, wherever the methods are by then (a method taken out of the
  // dictionary and kept elsewhere outlives it).
  using TLink = std::shared_ptr<TSLClass*>;
  const TLink& Link() const { return FLink; }

 protected:
  ~TSLClass() override;

 private:
  TLink FLink = std::make_shared<TSLClass*>(this);
  std::unique_ptr<TNativeObject> FData;
  TScriptClass* FScriptClass = nullptr;  // not owned
  std::int64_t FScrObjHandle = 0;
  bool FHasObject = false;
};

// Common part of method procedures: the owner is not retained but reached through its
// weak link, so a method kept longer than its owner fails instead of reaching freed memory.
class TSLMethodProcedure : public TSLInternalProcedure {
 public:
  TSLMethodProcedure(bool AutoRelease, TSLClass* Owner) : TSLInternalProcedure(AutoRelease), FOwner(Owner->Link()) {}

 protected:
  TSLClass* LiveOwner() const;

 private:
  TSLClass::TLink FOwner;
};

class TSLScrObjMethod : public TSLMethodProcedure {
 public:
  TSLScrObjMethod(bool AutoRelease, TSLClass* Owner, std::int32_t MethodId)
      : TSLMethodProcedure(AutoRelease, Owner), FMethodId(MethodId) {}
  const char* ClassName() const override { return "TSLScrObjMethod"; }
  void Execute(TSLContext* Context) override;

 private:
  std::int32_t FMethodId;
};

class TSLClassMethod : public TSLMethodProcedure {
 public:
  TSLClassMethod(bool AutoRelease, TSLClass* Owner, TSLClass::TExecuteEvent Method)
      : TSLMethodProcedure(AutoRelease, Owner), FOnExecute(std::move(Method)) {}
  const char* ClassName() const override { return "TSLClassMethod"; }
  bool GetExecutable() const override { return static_cast<bool>(FOnExecute); }
  void Execute(TSLContext* Context) override;

 private:
  TSLClass::TExecuteEvent FOnExecute;
};

// What a registered class name stands for: executing it pushes a new instance.
class TSLScriptClassFactory : public TSLInternalProcedure {
 public:
  TSLScriptClassFactory(bool AutoRelease, TScriptClass* ScriptClass, AnsiString AClassName, std::int32_t Version)
      : TSLInternalProcedure(AutoRelease),
        FScriptClass(ScriptClass),
        FClassVersion(Version),
        FClassName(std::move(AClassName)) {}
  const char* ClassName() const override { return "TSLScriptClassFactory"; }
  void Execute(TSLContext* Context) override;
  std::int32_t ClassVersion() const { return FClassVersion; }
  const AnsiString& ScriptClassName() const { return FClassName; }

 private:
  TScriptClass* FScriptClass;
  std::int32_t FClassVersion;
  AnsiString FClassName;
};

}  // namespace vt
