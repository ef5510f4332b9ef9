// Cooperative tasks without stacks of their own: a task is a step handler that its
// scheduler calls once per turn; it waits by recording a wait on a task control (signal,
// semaphore, message queue) or a sleep, and its next step runs once it is released.
// Also the timers and the one timer thread "MxTimerQueue" that fires every time-out.
//
// Threads: tasks, controls, queues and ready rings are changed from any thread (a task
// of the GUI thread is released by the talk thread, time-outs come from the timer
// thread). One re-entrant lock, the task lock, guards all of them, so that every
// hand-over of a task between a control and a ring is a single step and a release can
// never slip in between a wait's test and its suspension. The timer queue has a lock
// of its own, taken after the task lock and never held while an expiry handler runs.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/TextConversion.h"
#include "runtime/RuntimeLimits.h"
#include "runtime/Threads.h"

namespace vt {

inline constexpr std::int64_t MxNoTimeout = 2147483647;  // wait without time-out
inline constexpr std::int64_t MxNoSuspend = -1;          // only try
inline constexpr int MxHighestPriority = 0;
inline constexpr int MxHighPriority = 1;
inline constexpr int MxNormalPriority = 2;
inline constexpr int MxLowPriority = 3;
inline constexpr int MxLowestPriority = 4;

enum TMxTaskState : std::uint8_t { tsCreated, tsReady, tsSuspended, tsTerminated };
enum TMxExecuteInfo : std::uint8_t { eiSuccess, eiTimeout, eiUnavailable, eiReset, eiAbort };

class TMxTask;
class TMxTaskControl;
class TMxScheduler;
class TMxTimerQueue;

using TMxTaskEvent = std::function<void(TMxTask* Sender)>;
using TMxTimerEvent = std::function<void()>;

std::recursive_mutex& MxTaskLock();

// A one-shot or cyclic timer fired on the timer thread. Start, Stop and Initialize are
// allowed from any thread in any state. Set OnExpiration before the first start.
class TMxTimer {
 public:
  TMxTimer() = default;
  // Stops the timer; when its handler runs on the timer thread, waits for the end.
  virtual ~TMxTimer();
  TMxTimer(const TMxTimer&) = delete;
  TMxTimer& operator=(const TMxTimer&) = delete;

  void Initialize(std::int64_t Interval, bool Cyclic, bool AutoStart);
  void Start();
  void Stop();
  // Milliseconds until expiry; 0 once expired.
  std::int64_t Remaining() const;
  bool Pending() const;
  // On the timer thread, inside the handler: false when a Stop or Start came after the
  // thread took this expiry, that is when the expiry no longer stands for the wait it
  // was armed for.
  bool ExpiryCurrent() const;

  TMxTimerEvent OnExpiration;

 protected:
  virtual void Expiration();

 private:
  friend class TMxTimerQueue;
  TMxTimer* Last = nullptr;
  TMxTimer* Next = nullptr;
  bool FPending = false;
  std::int64_t FExpirationTime = 0;
  std::int64_t FInterval = 0;
  bool FCyclic = false;
  std::uint64_t FStartCount = 0;  // every Start, Stop and Initialize counts
  std::uint64_t FFiredCount = 0;  // FStartCount when the thread took the expiry
};

// The timer thread: timers sorted by expiry (equal times in start order); it sleeps
// until the earliest one and runs the handlers without the queue lock.
class TMxTimerQueue : public TOurThread {
 public:
  TMxTimerQueue();
  ~TMxTimerQueue() override;

 protected:
  void Execute() override;
  void TerminatedSet() override;

 private:
  friend class TMxTimer;
  // Both with the queue lock held.
  void InsertTimer(TMxTimer* Timer);
  void RemoveTimer(TMxTimer* Timer);
  void Fire(TMxTimer* Timer, std::unique_lock<std::mutex>& Lock);

  std::mutex ProtectTimerQueue;
  std::condition_variable Event;
  bool FEventSet = false;
  TMxTimer* TimerQueue = nullptr;
  TMxTimer* FFiring = nullptr;
  std::condition_variable FFiringDone;
};

// The one timer thread, started on first use and ended when the program ends.
TMxTimerQueue& MxTimerQueue();

class TMxTask {
 public:
  TMxTask(TMxScheduler* AScheduler, AnsiString ACaption);
  // A task of the main scheduler; raises "Main Scheduler not created!" without one.
  explicit TMxTask(AnsiString ACaption);
  // Kills the task (a wait is cancelled with eiAbort). Not from inside its own step
  // (MxFreeTask is for that), and not while another thread runs its step.
  virtual ~TMxTask();
  TMxTask(const TMxTask&) = delete;
  TMxTask& operator=(const TMxTask&) = delete;

  void Start();
  // Never blocks: grants or suspends at once; the current step runs on to its end.
  void WaitFor(TMxTaskControl* ATaskControl, std::int64_t ATimeout);
  void Sleep(std::int64_t ATime);
  void Terminate();
  void Kill();
  void SetPriority(int Value);
  bool IsReady() const { return FState == tsReady; }
  bool IsActive() const { return Active; }

  const AnsiString& Caption() const { return FCaption; }
  TMxTaskState State() const { return FState; }
  TMxExecuteInfo ExecuteInfo() const;
  int Priority() const;
  TMxScheduler* Scheduler() const { return FScheduler; }

  TMxTaskEvent OnExecute;
  TMxTaskEvent OnSuspend;
  TMxTaskEvent OnResume;
  TMxTaskEvent OnTimeout;

  // Used by the controls, the scheduler and the timer (task lock held).
  bool TaskSuspend(TMxTaskControl* Control, std::int64_t Timeout);
  void TaskResume(TMxTaskControl* Control, TMxExecuteInfo Info);
  void SetTaskInfo(TMxTaskControl* Control, TMxExecuteInfo Info) { FExecuteInfo = Info; }
  void TaskExecute();
  void Timeout();
  void WakeUp();

 protected:
  virtual void Execute();

 private:
  friend class TMxScheduler;
  friend class TMxTaskControl;
  void TimerExpired();
  AnsiString StateText() const;
  static void RingAppend(TMxTask*& Head, TMxTask* Task);
  static void RingRemove(TMxTask*& Head, TMxTask* Task);

  AnsiString FCaption;
  std::atomic<TMxTaskState> FState{tsCreated};
  std::atomic<bool> Active{false};
  TMxExecuteInfo FExecuteInfo = eiSuccess;
  TMxTask* Last = nullptr;  // ring links: the ready ring or a control's waiting ring
  TMxTask* Next = nullptr;
  int FPriority = MxNormalPriority;
  std::unique_ptr<TMxTimer> Timer;
  TMxTaskControl* FSuspender = nullptr;
  bool FSleeping = false;
  TMxScheduler* const FScheduler;
};

// Base of what a task waits on; waiting tasks form a ring in arrival order.
// Destroying a control releases its waiters with eiReset.
class TMxTaskControl {
 public:
  TMxTaskControl() = default;
  virtual ~TMxTaskControl();
  TMxTaskControl(const TMxTaskControl&) = delete;
  TMxTaskControl& operator=(const TMxTaskControl&) = delete;

  // Releases one waiting task with eiAbort.
  virtual void ReleaseTask(TMxTask* Task);
  // Releases every waiting task with eiReset.
  virtual void Reset();
  // Available: eiSuccess, the task stays ready; Timeout -1: eiUnavailable; else the
  // task is suspended. Test and suspension are one step under the task lock.
  virtual void TaskWaitFor(TMxTask* Task, std::int64_t Timeout);
  int TaskCount() const;

 protected:
  // Under the task lock: grants the control to Task when it is available.
  virtual bool TryGrant(TMxTask* Task) = 0;
  void ReleaseWithInfo(TMxTask* Task, TMxExecuteInfo Info);
  void SuspendTask(TMxTask* Task, std::int64_t Timeout);
  void ResumeTask(TMxTask* Task, TMxExecuteInfo Info);
  void ReleaseAll(TMxExecuteInfo Info);
  // The oldest waiting task, or none.
  TMxTask* OldestWaiting() const { return FWaitingTasks; }

 private:
  friend class TMxTask;
  void Unlink(TMxTask* Task);

  TMxTask* FWaitingTasks = nullptr;
  int FTaskCount = 0;
};

// A level signal: while ready, every wait on it is granted at once.
class TMxSignal : public TMxTaskControl {
 public:
  // Setting releases every waiting task with eiSuccess, the oldest first.
  void SetReady(bool Value);
  bool Ready() const;

 protected:
  bool TryGrant(TMxTask* Task) override { return FReady; }

 private:
  bool FReady = false;
};

// An owner semaphore: a free one is granted and belongs to that task until it releases.
class TMxSemaphore : public TMxTaskControl {
 public:
  // Ownership passes to the oldest waiting task. Raises "Semaphore Release Error"
  // (and logs it) when Sender is not the owner.
  void Release(TMxTask* Sender);
  bool IsOwner(TMxTask* Sender) const;

 protected:
  bool TryGrant(TMxTask* Task) override;

 private:
  TMxTask* ActualTask = nullptr;
};

class TMxSchedulerThread : public TOurThread {
 public:
  TMxSchedulerThread(TMxScheduler* AOwner, const AnsiString& ThreadName);
  ~TMxSchedulerThread() override;

 protected:
  void Execute() override;
  void TerminatedSet() override;

 private:
  TMxScheduler* const FOwner;
};

// Five ready rings, strict priority between them, round robin within each. The main
// scheduler is stepped by the GUI thread (TMxQtBridge) or the plain loop; a threaded
// scheduler drives a thread of its own. Tasks must be destroyed before their scheduler.
class TMxScheduler {
 public:
  TMxScheduler();
  explicit TMxScheduler(const AnsiString& ThreadName);
  ~TMxScheduler();
  TMxScheduler(const TMxScheduler&) = delete;
  TMxScheduler& operator=(const TMxScheduler&) = delete;

  // One step of one ready task; returns at once while a step is in progress on this
  // scheduler (a step that runs a modal dialog re-enters the event loop).
  void Execute();
  // One step when a task is ready; true ("Done") when none is ready afterwards.
  bool AppIdleExecute();
  void InsertTask(TMxTask* Task);
  void RemoveTask(TMxTask* Task);

  int TaskCount() const { return FTaskCount; }
  bool Threaded() const { return FThreaded; }
  bool Busy() const { return FBusy; }
  TMxSchedulerThread* TaskThread() const { return FTaskThread.get(); }
  // The thread-safe wake of the thread that steps an unthreaded scheduler: called,
  // under the task lock, when the first task becomes ready, and by Wake.
  void SetOnWake(std::function<void()> OnWake);
  void Wake();

 private:
  friend class TMxSchedulerThread;
  std::array<TMxTask*, MxPriorityCount> ReadyTasks{};
  bool FBusy = false;
  std::atomic<int> FTaskCount{0};
  const bool FThreaded;
  TEvent TaskReady;
  std::function<void()> FOnWake;
  std::unique_ptr<TMxSchedulerThread> FTaskThread;
  // Tasks freed from inside their own step; the step's end frees them.
  friend void MxFreeTask(std::unique_ptr<TMxTask> Task);
  std::vector<std::unique_ptr<TMxTask>> FRetired;
};

// Frees Task. A task running its step on the calling thread (an owner that its own step
// destroys) is killed now and freed once that step has returned.
void MxFreeTask(std::unique_ptr<TMxTask> Task);

// The main scheduler (none until created); the shell creates it once at start-up.
TMxScheduler* MxScheduler();
void MxCreateMainScheduler();
void MxFreeMainScheduler();

}  // namespace vt
