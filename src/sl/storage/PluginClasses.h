// Script classes from plug-in libraries: the built-in "loadclass" loads a library found
// like a file and announces each class it names; TDLLScriptClass forwards the script-
// class operations to the library's exports, class index first. A library is loaded
// only from below the program's folder, never from the current folder or elsewhere.
//
// The exports a plug-in library provides (C linkage):
//   const char* GetClassName(int32_t Index);      an empty name ends the list
//   int64_t CreateObject(int32_t ClassIndex, TContextInterface* Context);
//   void DestroyObject(int32_t ClassIndex, int64_t Handle);
//   void ExecuteMethod(int32_t ClassIndex, int64_t Handle, int64_t MethodId, TContextInterface* Context);
//   const char* GetMethodName(int32_t ClassIndex, int32_t Index);
#pragma once

#include "sl/interpreter/Procedures.h"
#include "sl/interpreter/ScriptClass.h"

namespace vt {

class TDLLScriptClass : public TScriptClass {
 public:
  // Loads the library and resolves its exports; a missing one raises.
  TDLLScriptClass(const AnsiString& Library, std::int32_t ClassIndex);
  ~TDLLScriptClass() override;
  std::int64_t CreateObject(TContextInterface* Context) override;
  void DestroyObject(std::int64_t Handle) override;
  void ExecuteMethod(std::int64_t Handle, std::int64_t MethodId, TContextInterface* Context) override;
  AnsiString GetMethodName(std::int32_t Index) override;

 private:
  void* FHandle = nullptr;
  std::int32_t FClassIndex;
  std::int64_t (*FCreateObject)(std::int32_t, TContextInterface*) = nullptr;
  void (*FDestroyObject)(std::int32_t, std::int64_t) = nullptr;
  void (*FExecuteMethod)(std::int32_t, std::int64_t, std::int64_t, TContextInterface*) = nullptr;
  const char* (*FGetMethodName)(std::int32_t, std::int32_t) = nullptr;
};

// name → : loads the library and announces its classes (version 1) with the storage manager.
class TSLLoadClassProcedure : public TSLInternalProcedure {
 public:
  using TSLInternalProcedure::TSLInternalProcedure;
  const char* ClassName() const override { return "TSLLoadClassProcedure"; }
  void Execute(TSLContext* Context) override;
};

}  // namespace vt
