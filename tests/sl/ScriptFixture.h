// Builds SL code in C++ (blocks, procedures, names) and runs it on a context whose
// System dictionary holds every built-in and a few test procedures.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "LambdaProcedure.h"
#include "RefCountedTest.h"
#include "sl/builtins/ControlBuiltins.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"
#include "sl/values/Stack.h"

namespace vt::test {

using Obj = TRef<TSLObject>;

inline Obj I(std::int64_t v) { return Obj(new TSLLongint(false, v)); }
inline Obj D(double v) { return Obj(new TSLDouble(false, v)); }
inline Obj S(const char* text) { return Obj(new TSLString(false, AnsiToWide(text))); }
inline Obj X(const char* name) { return Obj(new TSLIdent(false, name, true)); }   // executable name
inline Obj L(const char* name) { return Obj(new TSLIdent(false, name, false)); }  // literal /name

template <class T>
TRef<T> Fill(std::initializer_list<Obj> items) {
  auto c = MakeRef<T>();
  for (const Obj& o : items) c->AddObject(o.get());
  return c;
}
inline Obj A(std::initializer_list<Obj> items) { return Obj(Fill<TSLArray>(items)); }
inline Obj B(std::initializer_list<Obj> items) { return Obj(Fill<TSLBlock>(items)); }
// A procedure: parameter names, body, result names.
inline Obj P(std::initializer_list<Obj> params, std::initializer_list<Obj> body, std::initializer_list<Obj> results) {
  auto p = MakeRef<TSLProcedure>();
  p->AddObject(Fill<TSLArray>(params).get());
  for (const Obj& o : body) p->AddObject(o.get());
  p->AddObject(Fill<TSLArray>(results).get());
  return Obj(p);
}

// A script task that a context can name as its owner: it counts aborts and hands out
// the debugger it is given.
class TFakeScriptTask : public TScriptTaskInterface {
 public:
  TSLBlock* GetScript() override { return nullptr; }
  void SetScript(TSLBlock*) override {}
  TSLContext* GetContext() override { return nullptr; }
  void SetContext(TSLContext*) override {}
  bool GetAutoFree() override { return false; }
  void SetAutoFree(bool) override {}
  bool GetDebug() override { return false; }
  void SetDebug(bool) override {}
  AnsiString GetErrorMsg() override { return {}; }
  bool GetRunning() override { return true; }
  int GetTaskID() override { return 1; }
  TScriptDebuggerInterface* GetScriptDebugger() override { return Debugger; }
  void Clear() override {}
  void PushParameter(TSLObject*) override {}
  TSLObject* PopResult() override { return nullptr; }
  void LoadScript(const AnsiString&) override {}
  void Start() override {}
  void Abort() override { ++Aborts; }
  void Continue(void*) override {}
  int Aborts = 0;
  TScriptDebuggerInterface* Debugger = nullptr;
};

class ScriptTest : public RefCountedTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  void Define(const char* name, std::function<void(TSLContext*)> f) {
    System->AddObject(AnsiToWide(name), MakeRef<TLambdaProc>(std::move(f)).get());
  }
  // Runs the block to its end; waits end at once (Resume) unless OnWait says otherwise.
  // Returns the number of interpreter calls it took.
  int RunBlock(const Obj& block);
  // A new context over the same dictionaries (a failed run leaves its context as it was).
  void NewContext();
  // Runs and expects the run to end with a failure of exactly this text; then starts
  // over with a new context.
  void ExpectRunFails(const Obj& block, const std::string& message);
  // The operand stack from bottom to top, one value per entry as text.
  std::string Operands() const;

  TRef<TSLDictionary> System, Global;
  TRef<TSLDictionary> Create;  // script-class factories, searched between System and Global
  TRef<TSLContextImplementation> Ctx;
  TRef<TSLContextImplementation> FailedContext;  // the context of the last failed run
  TRef<TSLInterpreter> Interp;
  std::function<void()> OnWait;
};

}  // namespace vt::test
