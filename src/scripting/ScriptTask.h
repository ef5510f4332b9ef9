// The script task: one SL script run in one interpreter context as a cooperative task
// of the main scheduler ("ScriptTask"), in slices of about 10 ms between waits, so that
// a script can wait for a drive, a window or a timer without blocking the GUI thread.
// Also its factory (announced to the storage manager), the holder that frees a task
// at the next autorelease purge, the seam through which the debugger window's library
// supplies debuggers, and the built-in "log".
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "runtime/Tasks.h"
#include "sl/interpreter/Procedures.h"
#include "sl/interpreter/ScriptTask.h"

namespace vt {

class TScriptTaskManager;

enum TScriptState : std::uint8_t {
  scIdle,
  scStartRun,
  scStartStepInto,
  scRun,
  scStepInto,
  scStepOver,
  scFinished,
  scAborted
};

// Every method runs on the GUI thread except Continue, which a script class may call
// from a driver thread through its context: it only reads the state and sets the signal.
// A task is never freed inside its own callbacks: a caller that does not keep it sets
// AutoFree.
class TScriptTask : public TScriptTaskInterface {
 public:
  TScriptTask();
  ~TScriptTask() override;
  const char* ClassName() const { return "TScriptTask"; }

  TSLBlock* GetScript() override { return FScript.get(); }
  void SetScript(TSLBlock* Script) override { FScript = TRef<TSLBlock>(Script); }
  TSLContext* GetContext() override { return FContext.get(); }
  // Makes the task the context's continue handler; nil is refused.
  void SetContext(TSLContext* Context) override;
  bool GetAutoFree() override { return FAutoFree; }
  void SetAutoFree(bool Value) override { FAutoFree = Value; }
  bool GetDebug() override { return FDebug; }
  void SetDebug(bool Value) override { FDebug = Value; }
  AnsiString GetErrorMsg() override { return FErrorMsg; }
  bool GetRunning() override { return ScriptState != scIdle; }
  int GetTaskID() override { return FTaskID; }
  TScriptDebuggerInterface* GetScriptDebugger() override { return FScriptDebugger.get(); }
  void Clear() override;
  void PushParameter(TSLObject* Obj) override;
  // The top operand, retained and autoreleased (valid until the next purge).
  TSLObject* PopResult() override;
  // Reads the script (with debug positions when Debug is set) into a new context.
  void LoadScript(const AnsiString& Name) override;
  void Start() override;
  void Abort() override;
  void Continue(void* Sender) override;

  // The debugger window's keys.
  void Run();
  void StepInto();
  void StepOver();

  TScriptState State() const { return ScriptState; }

 private:
  TSLContextImplementation* RequireContext(const char* Operation) const;
  void StartDebugging(TSLContextImplementation* Context);
  void Work();
  void ExecRun(TScriptState State);
  // One interpreter call in the mode of State; true when the script has finished.
  bool Interpret(TScriptState State, TSLContextImplementation* Context);
  void WaitByContext(TSLContextImplementation* Context);
  void EndFinished();
  void EndAborted();
  void Fail(const Exception& Failure);
  AnsiString FailureText(const AnsiString& Message);
  void DbgEvent(TSLObject* Token);
  void SelectInstruction(const TSLObject* Token);
  void Step(TScriptState State);
  void DoAutoFree();
  void ReleaseContext();

  std::unique_ptr<TMxTask> ScriptTask;
  std::atomic<TScriptState> ScriptState{scIdle};
  std::unique_ptr<TMxSignal> ScriptSignal;
  std::unique_ptr<TScriptDebuggerInterface> FScriptDebugger;
  TRef<TSLBlock> FScript;
  TRef<TSLContextImplementation> FContext;
  bool FAutoFree = false;
  bool FDebug = false;
  AnsiString FErrorMsg;
  std::int32_t FTaskID = 0;
  TScriptTaskManager* const FManager;
};

class TScriptTaskFactory : public TScriptTaskFactoryInterface {
 public:
  TScriptTaskInterface* CreateScriptTask() override { return new TScriptTask(); }
};

// Debuggers come from the debugger window's library, which announces its creator at
// start-up; without one a task cannot be started in debug mode.
class TScriptDebuggerFactory {
 public:
  using TCreator = std::function<std::unique_ptr<TScriptDebuggerInterface>()>;
  static void Announce(TCreator Creator);
  // Raises "no script debugger available" when no creator was announced.
  static std::unique_ptr<TScriptDebuggerInterface> CreateScriptDebugger();
};

// Frees its object when the autorelease pool lets it go: created with auto-release,
// it frees the object at the next purge.
class TAutoFree : public TRefObj {
 public:
  TAutoFree(bool AutoRelease, TScriptTaskInterface* Obj) : TRefObj(AutoRelease), FObj(Obj) {}
  const char* ClassName() const override { return "TAutoFree"; }

 protected:
  ~TAutoFree() override { delete FObj; }

 private:
  TScriptTaskInterface* const FObj;
};

// "log": pops a string and writes it to the debug log as an information line.
VT_SL_BUILTIN(TSLScriptLogProcedure);

}  // namespace vt
