// Step machines on tasks: the execute control runs one long operation (save or load a
// configuration item, open a project) as a task of its own, one handler call per step;
// the execute stack holds nested step contexts, a context waiting buried under the
// child it started. The stack's driver is left out: nothing in the system starts a
// context on it, so its contexts change state only through the operations below.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/TextConversion.h"
#include "runtime/Tasks.h"

namespace vt {

enum TWorkState : std::uint8_t { wsIdle, wsExec };
enum TExecuteStatus : std::uint8_t { esReady, esActive, esWaiting, esBuried, esTerminated };

class TExecuteControl;
class TExecuteContext;
class TExecuteStack;

using TExecuteEvent = std::function<void(TExecuteControl* ExecCtrl)>;
using TExecEvent = std::function<void(TExecuteContext* ExecuteContext)>;
using TMessageEvent = std::function<void(const AnsiString& Msg)>;

inline constexpr std::int64_t EcNoTimeout = 2147483647;  // the only wait a context accepts

// An operation's handler sees Status 0 at its first step, sets the number of its next
// step before returning and leaves 0 at its last. A step that calls Wait is followed by
// the next only after Continue. Objects are compared by identity only.
class TExecuteControl {
 public:
  // With AWaitingObject the control waits for it: nothing runs until Continue with it.
  explicit TExecuteControl(const void* AWaitingObject = nullptr);
  ~TExecuteControl();
  TExecuteControl(const TExecuteControl&) = delete;
  TExecuteControl& operator=(const TExecuteControl&) = delete;

  const char* ClassName() const { return "TExecuteControl"; }
  // Raises "%s.Execute: not in idle state"; a control still waiting is continued with
  // Sender first.
  void Execute(const void* Sender);
  void Wait(const void* Sender);
  void Continue(const void* Sender);
  void LogMessage(const AnsiString& Msg);

  std::int32_t Command() const { return FCommand; }
  void SetCommand(std::int32_t Value) { FCommand = Value; }
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  std::int32_t Status() const { return FStatus; }
  void SetStatus(std::int32_t Value) { FStatus = Value; }
  TWorkState WorkState() const { return FWorkState; }
  const void* WaitingObject() const { return FWaitingObject; }
  TMxTask& Task() { return *WorkTask; }

  // Called at every turn while idle and not waiting. Assigning it wakes an idle control,
  // whose task sleeps while it has no idle handler.
  const TExecuteEvent& OnIdle() const { return FOnIdle; }
  void SetOnIdle(TExecuteEvent Value);
  TExecuteEvent OnExecute;
  TMessageEvent OnMessage;

 private:
  void Work();

  TExecuteEvent FOnIdle;
  std::int32_t FCommand = 0;
  void* FData = nullptr;
  std::int32_t FStatus = 0;
  TMxSignal WorkSignal;
  std::unique_ptr<TMxTask> WorkTask;
  TWorkState FWorkState = wsIdle;
  const void* FWaitingObject = nullptr;
};

// Every check that fails raises "internal error".
class TExecuteContext {
 public:
  void Wait(std::int64_t Timeout);
  void Execute(TExecEvent ExecuteEvent, void* ExecuteData);
  void Terminate();

  TExecuteStack* Owner() const { return FOwner; }
  TExecuteStatus Status() const { return FStatus; }
  // The driver's switch: a context runs its steps while esActive.
  void SetStatus(TExecuteStatus Value) { FStatus = Value; }
  TMxTask* Task() const { return FTask; }
  std::int32_t Step() const { return FStep; }
  void SetStep(std::int32_t Value) { FStep = Value; }
  void* Data() const { return FData; }
  std::int32_t WaitHandle() const { return FWaitHandle; }
  const TExecEvent& ExecuteEvent() const { return FExecuteEvent; }

 private:
  friend class TExecuteManager;
  TExecuteContext(TExecuteStack* AOwner, TExecEvent AExecuteEvent, void* AData);
  void Check(bool Condition) const;

  TExecuteStack* FOwner;
  TExecuteStatus FStatus = esReady;
  TMxTask* FTask = nullptr;
  std::int32_t FStep = 0;
  void* FData;
  TExecEvent FExecuteEvent;
  std::int32_t FWaitHandle = 0;
};

class TExecuteStack {
 public:
  TExecuteStack() = default;
  // Frees every context, queued and started, innermost first.
  ~TExecuteStack();
  TExecuteStack(const TExecuteStack&) = delete;
  TExecuteStack& operator=(const TExecuteStack&) = delete;

  // With a current context the new one queues; else it becomes current.
  void Execute(TExecEvent ExecuteEvent, void* ExecuteData);
  TExecuteContext* CreateContext(TExecEvent ExecuteEvent, void* ExecuteData);
  void ContextWait(TExecuteContext* Context, std::int64_t Timeout);
  void ContextExecute(TExecuteContext* Context, TExecEvent ExecuteEvent, void* ExecuteData);
  void ContextTerminate(TExecuteContext* Context);

  TExecuteContext* CurrentContext() const { return FCurrentContext; }
  int QueueCount() const { return static_cast<int>(Queue.size()); }
  int StackDepth() const { return static_cast<int>(Stack.size()); }
  TMxSignal& WorkSignal() { return FWorkSignal; }

  std::function<void(TExecuteStack* Sender)> OnFinished;

 private:
  void CheckCurrent(TExecuteContext* Context) const;

  std::deque<TExecuteContext*> Queue;
  std::vector<TExecuteContext*> Stack;  // innermost last
  TMxSignal FWorkSignal;
  TExecuteContext* FCurrentContext = nullptr;
};

class TExecuteManager {
 public:
  TExecuteContext* CreateExecuteContext(TExecuteStack* Owner, TExecEvent ExecuteEvent, void* ExecuteData);
  // Only a terminated context without wait handle.
  void DestroyExecuteContext(TExecuteContext* Context);
  // Gives the context the next wait handle and lists it.
  void AddWaitingContext(TExecuteContext* Context);

 private:
  friend class TExecuteStack;
  void Forget(TExecuteContext* Context);
  std::int32_t FWaitHandleCounter = 0;
  std::vector<TExecuteContext*> FWaitingContexts;
};

TExecuteManager& ExecuteManager();

}  // namespace vt
