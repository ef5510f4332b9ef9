// Timers, tasks, task controls and schedulers; see Tasks.h.
#include "runtime/Tasks.h"

#include <algorithm>
#include <chrono>

#include "platform/Exceptions.h"
#include "runtime/DebugLog.h"
#include "runtime/ProcessGlobal.h"
#include "runtime/TickTimer.h"

namespace vt {

namespace {

using TTaskLock = std::lock_guard<std::recursive_mutex>;

TMxGlobal<TMxScheduler> GMainScheduler;

TMxScheduler* MainSchedulerOrRaise() {
  TMxScheduler* s = GMainScheduler.Get();
  if (!s) throw Exception("Main Scheduler not created!");
  return s;
}

}  // namespace

std::recursive_mutex& MxTaskLock() {
  static std::recursive_mutex lock;
  return lock;
}

// ---- Timers ----

TMxTimer::~TMxTimer() {
  TMxTimerQueue& q = MxTimerQueue();
  std::unique_lock lock(q.ProtectTimerQueue);
  if (FPending) q.RemoveTimer(this);
  ++FStartCount;
  // A handler running on the timer thread must not outlive its timer.
  q.FFiringDone.wait(lock, [&] { return q.FFiring != this || q.IsCurrentThread(); });
}

void TMxTimer::Initialize(std::int64_t Interval, bool Cyclic, bool AutoStart) {
  TMxTimerQueue& q = MxTimerQueue();
  std::lock_guard lock(q.ProtectTimerQueue);
  if (FPending) q.RemoveTimer(this);
  FInterval = Interval;
  FCyclic = Cyclic;
  ++FStartCount;
  if (AutoStart) q.InsertTimer(this);
}

void TMxTimer::Start() {
  TMxTimerQueue& q = MxTimerQueue();
  std::lock_guard lock(q.ProtectTimerQueue);
  if (FPending) q.RemoveTimer(this);
  ++FStartCount;
  q.InsertTimer(this);
}

void TMxTimer::Stop() {
  TMxTimerQueue& q = MxTimerQueue();
  std::lock_guard lock(q.ProtectTimerQueue);
  if (FPending) q.RemoveTimer(this);
  ++FStartCount;
}

std::int64_t TMxTimer::Remaining() const {
  std::lock_guard lock(MxTimerQueue().ProtectTimerQueue);
  return std::max<std::int64_t>(0, FExpirationTime - MyGetTickCount());
}

bool TMxTimer::Pending() const {
  std::lock_guard lock(MxTimerQueue().ProtectTimerQueue);
  return FPending;
}

bool TMxTimer::ExpiryCurrent() const {
  std::lock_guard lock(MxTimerQueue().ProtectTimerQueue);
  return FFiredCount == FStartCount;
}

void TMxTimer::Expiration() {
  if (OnExpiration) OnExpiration();
}

TMxTimerQueue::TMxTimerQueue() {
  SetThreadName("MxTimerQueue");
  Start();
}

TMxTimerQueue::~TMxTimerQueue() { ShutdownThread(); }

TMxTimerQueue& MxTimerQueue() {
  static TMxTimerQueue queue;
  return queue;
}

// Behind every timer that expires at the same time or earlier; a new head wakes the
// thread, whose wait is then for a later time.
void TMxTimerQueue::InsertTimer(TMxTimer* Timer) {
  Timer->FExpirationTime = TickAfter(Timer->FInterval);
  Timer->FPending = true;
  TMxTimer* prev = nullptr;
  TMxTimer* cur = TimerQueue;
  while (cur && cur->FExpirationTime <= Timer->FExpirationTime) {
    prev = cur;
    cur = cur->Next;
  }
  Timer->Last = prev;
  Timer->Next = cur;
  if (cur) cur->Last = Timer;
  if (prev) {
    prev->Next = Timer;
  } else {
    TimerQueue = Timer;
    FEventSet = true;
    Event.notify_one();
  }
}

void TMxTimerQueue::RemoveTimer(TMxTimer* Timer) {
  if (Timer->Last)
    Timer->Last->Next = Timer->Next;
  else
    TimerQueue = Timer->Next;
  if (Timer->Next) Timer->Next->Last = Timer->Last;
  Timer->Last = Timer->Next = nullptr;
  Timer->FPending = false;
}

void TMxTimerQueue::TerminatedSet() {
  std::lock_guard lock(ProtectTimerQueue);
  FEventSet = true;
  Event.notify_one();
}

void TMxTimerQueue::Execute() {
  std::unique_lock lock(ProtectTimerQueue);
  while (!GetIsTerminated()) {
    TMxTimer* head = TimerQueue;
    const std::int64_t now = MyGetTickCount();
    if (head && head->FExpirationTime <= now) {
      Fire(head, lock);
      continue;
    }
    // Cleared under the same lock that guards the queue: an insertion at the head after
    // this look sets it again, so the wait below cannot miss it.
    FEventSet = false;
    // At most the idle wait: the thread looks again then, and a far expiry never
    // reaches the clock's limits.
    const std::int64_t wait = head ? std::min(head->FExpirationTime - now, MxTimerQueueIdleWait) : MxTimerQueueIdleWait;
    Event.wait_for(lock, std::chrono::milliseconds(wait), [this] { return FEventSet || GetIsTerminated(); });
  }
}

void TMxTimerQueue::Fire(TMxTimer* Timer, std::unique_lock<std::mutex>& Lock) {
  RemoveTimer(Timer);
  if (Timer->FCyclic) InsertTimer(Timer);  // counted from now: the period drifts by the handling time
  Timer->FFiredCount = Timer->FStartCount;
  FFiring = Timer;
  Lock.unlock();
  // A failing handler must not stop every later time-out.
  try {
    Timer->Expiration();
  } catch (...) {
    LogError("MxTimerQueue: " + CurrentExceptionText());
  }
  Lock.lock();
  FFiring = nullptr;
  FFiringDone.notify_all();
}

// ---- Tasks ----

TMxTask::TMxTask(TMxScheduler* AScheduler, AnsiString ACaption)
    : FCaption(std::move(ACaption)), Timer(std::make_unique<TMxTimer>()), FScheduler(AScheduler) {
  Timer->OnExpiration = [this] { TimerExpired(); };
}

TMxTask::TMxTask(AnsiString ACaption) : TMxTask(MainSchedulerOrRaise(), std::move(ACaption)) {}

TMxTask::~TMxTask() {
  try {
    Kill();
  } catch (...) {
  }
  Timer.reset();  // without the task lock: a time-out in progress needs it to finish
}

AnsiString TMxTask::StateText() const {
  static const char* const names[] = {"Created", "Ready", "Suspended", "Terminated"};
  return AnsiString("Actual State = ") + names[FState];
}

TMxExecuteInfo TMxTask::ExecuteInfo() const {
  TTaskLock lock(MxTaskLock());
  return FExecuteInfo;
}

int TMxTask::Priority() const {
  TTaskLock lock(MxTaskLock());
  return FPriority;
}

void TMxTask::Start() {
  TTaskLock lock(MxTaskLock());
  if (FState != tsCreated && FState != tsTerminated) throw Exception("Can not start task");
  FState = tsReady;
  FScheduler->InsertTask(this);
}

void TMxTask::WaitFor(TMxTaskControl* ATaskControl, std::int64_t ATimeout) {
  if (!ATaskControl) throw Exception("TMxTask.WaitFor: no task control");
  ATaskControl->TaskWaitFor(this, ATimeout);
}

void TMxTask::Sleep(std::int64_t ATime) {
  TTaskLock lock(MxTaskLock());
  if (FState != tsReady) {
    LogInfo("Task Sleep Error");
    throw Exception("Task Sleep Error");
  }
  TaskSuspend(nullptr, MxNoTimeout);
  FSleeping = true;
  Timer->Initialize(ATime, false, true);
}

void TMxTask::Terminate() {
  TTaskLock lock(MxTaskLock());
  switch (FState) {
    case tsCreated:
    case tsTerminated:
      throw Exception("Task Terminate Error: " + StateText());
    case tsReady:
      FState = tsTerminated;
      FScheduler->RemoveTask(this);
      break;
    case tsSuspended:
      // Leaves its wait without being released: no ExecuteInfo, no OnResume.
      if (FSuspender) FSuspender->Unlink(this);
      Timer->Stop();
      FSuspender = nullptr;
      FSleeping = false;
      FState = tsTerminated;
      break;
  }
}

void TMxTask::Kill() {
  TTaskLock lock(MxTaskLock());
  if (FState == tsSuspended && FSuspender) FSuspender->ReleaseTask(this);
  if (FState == tsReady || FState == tsSuspended) Terminate();
}

void TMxTask::SetPriority(int Value) {
  TTaskLock lock(MxTaskLock());
  if (FState == tsReady) throw Exception("Task Set Priority Error");
  if (Value < 0 || Value >= MxPriorityCount) throw Exception("Invalid Priority Value");
  FPriority = Value;
}

bool TMxTask::TaskSuspend(TMxTaskControl* Control, std::int64_t Timeout) {
  TTaskLock lock(MxTaskLock());
  switch (FState) {
    case tsCreated:
    case tsTerminated:
      throw Exception("Task Suspend Error! " + StateText() + " " + FCaption);
    case tsSuspended:
      return false;  // already waiting: it joins no second ring
    case tsReady:
      break;
  }
  FState = tsSuspended;
  FSuspender = Control;
  FSleeping = false;
  FScheduler->RemoveTask(this);
  if (Timeout != MxNoTimeout) Timer->Initialize(Timeout, false, true);
  if (OnSuspend) OnSuspend(this);
  return true;
}

void TMxTask::TaskResume(TMxTaskControl* Control, TMxExecuteInfo Info) {
  TTaskLock lock(MxTaskLock());
  if (FState != tsSuspended) throw Exception("Task Resume Error");
  if (FSuspender != Control) throw Exception("Task Resume Error2");
  FState = tsReady;
  FSuspender = nullptr;
  FSleeping = false;
  FExecuteInfo = Info;
  Timer->Stop();
  FScheduler->InsertTask(this);
  if (OnResume) OnResume(this);
}

void TMxTask::TaskExecute() {
  if (FState != tsReady) return;  // ended by another thread after the scheduler picked it
  Active = true;
  try {
    Execute();
  } catch (...) {
    const AnsiString failure = CurrentExceptionText();
    try {
      Kill();
    } catch (...) {
    }
    LogInfo(failure + " - " + FCaption);
  }
  Active = false;
}

void TMxTask::Execute() {
  if (OnExecute) OnExecute(this);
}

// On the timer thread. An expiry that a release, a stop or a new wait overtook is
// dropped: it belongs to a wait that is over.
void TMxTask::TimerExpired() {
  TTaskLock lock(MxTaskLock());
  if (!Timer->ExpiryCurrent()) return;
  if (FSleeping)
    WakeUp();
  else
    Timeout();
}

void TMxTask::Timeout() {
  TTaskLock lock(MxTaskLock());
  if (!FSuspender) throw Exception("Task Timeout Error");
  if (OnTimeout) OnTimeout(this);
  FSuspender->ReleaseWithInfo(this, eiTimeout);
}

void TMxTask::WakeUp() { TaskResume(nullptr, eiSuccess); }

// Rings are circular and doubly linked through the tasks; the head is the oldest entry
// (the next to run, or the oldest waiter) and a new entry goes just before it.
void TMxTask::RingAppend(TMxTask*& Head, TMxTask* Task) {
  if (!Head) {
    Task->Next = Task->Last = Task;
    Head = Task;
    return;
  }
  TMxTask* tail = Head->Last;
  tail->Next = Task;
  Task->Last = tail;
  Task->Next = Head;
  Head->Last = Task;
}

void TMxTask::RingRemove(TMxTask*& Head, TMxTask* Task) {
  if (Task->Next == Task) {
    Head = nullptr;
  } else {
    Task->Last->Next = Task->Next;
    Task->Next->Last = Task->Last;
    if (Head == Task) Head = Task->Next;
  }
  Task->Next = Task->Last = nullptr;
}

// ---- Task controls ----

TMxTaskControl::~TMxTaskControl() { ReleaseAll(eiReset); }

void TMxTaskControl::ReleaseTask(TMxTask* Task) { ReleaseWithInfo(Task, eiAbort); }

void TMxTaskControl::Reset() { ReleaseAll(eiReset); }

void TMxTaskControl::ReleaseAll(TMxExecuteInfo Info) {
  TTaskLock lock(MxTaskLock());
  while (FWaitingTasks) ResumeTask(FWaitingTasks, Info);
}

void TMxTaskControl::TaskWaitFor(TMxTask* Task, std::int64_t Timeout) {
  TTaskLock lock(MxTaskLock());
  if (TryGrant(Task))
    Task->SetTaskInfo(this, eiSuccess);
  else if (Timeout == MxNoSuspend)
    Task->SetTaskInfo(this, eiUnavailable);
  else
    SuspendTask(Task, Timeout);
}

int TMxTaskControl::TaskCount() const {
  TTaskLock lock(MxTaskLock());
  return FTaskCount;
}

void TMxTaskControl::ReleaseWithInfo(TMxTask* Task, TMxExecuteInfo Info) {
  TTaskLock lock(MxTaskLock());
  if (!Task || Task->FState != tsSuspended || Task->FSuspender != this) throw Exception("Release Task Error");
  ResumeTask(Task, Info);
}

void TMxTaskControl::SuspendTask(TMxTask* Task, std::int64_t Timeout) {
  TTaskLock lock(MxTaskLock());
  if (!Task->TaskSuspend(this, Timeout)) return;
  TMxTask::RingAppend(FWaitingTasks, Task);
  ++FTaskCount;
}

void TMxTaskControl::ResumeTask(TMxTask* Task, TMxExecuteInfo Info) {
  TTaskLock lock(MxTaskLock());
  Unlink(Task);
  Task->TaskResume(this, Info);
}

void TMxTaskControl::Unlink(TMxTask* Task) {
  TMxTask::RingRemove(FWaitingTasks, Task);
  --FTaskCount;
}

void TMxSignal::SetReady(bool Value) {
  TTaskLock lock(MxTaskLock());
  FReady = Value;
  if (Value) ReleaseAll(eiSuccess);
}

bool TMxSignal::Ready() const {
  TTaskLock lock(MxTaskLock());
  return FReady;
}

bool TMxSemaphore::TryGrant(TMxTask* Task) {
  if (ActualTask) return false;
  ActualTask = Task;
  return true;
}

void TMxSemaphore::Release(TMxTask* Sender) {
  TTaskLock lock(MxTaskLock());
  if (Sender != ActualTask) {
    LogInfo("Semaphore Release Error");
    throw Exception("Semaphore Release Error");
  }
  ActualTask = OldestWaiting();
  if (ActualTask) ResumeTask(ActualTask, eiSuccess);
}

bool TMxSemaphore::IsOwner(TMxTask* Sender) const {
  TTaskLock lock(MxTaskLock());
  return Sender == ActualTask;
}

// ---- Schedulers ----

TMxSchedulerThread::TMxSchedulerThread(TMxScheduler* AOwner, const AnsiString& ThreadName) : FOwner(AOwner) {
  SetThreadName(ThreadName);
  SetPriority(tpLower);
  Start();
}

TMxSchedulerThread::~TMxSchedulerThread() { ShutdownThread(); }

void TMxSchedulerThread::Execute() {
  if (MainFormExitRequest) return;
  while (!GetIsTerminated()) FOwner->Execute();
}

// Ends the wait for a ready task for good; nothing else would set it at shutdown.
void TMxSchedulerThread::TerminatedSet() { FOwner->TaskReady.Close(); }

TMxScheduler::TMxScheduler() : FThreaded(false) {}

TMxScheduler::TMxScheduler(const AnsiString& ThreadName) : FThreaded(true) {
  FTaskThread = std::make_unique<TMxSchedulerThread>(this, ThreadName);
}

TMxScheduler::~TMxScheduler() {
  FTaskThread.reset();
  // Tasks still ready lose their scheduler: they end here, so that nothing reaches it.
  TTaskLock lock(MxTaskLock());
  for (TMxTask*& head : ReadyTasks)
    while (TMxTask* t = head) {
      TMxTask::RingRemove(head, t);
      t->FState = tsTerminated;
    }
}

void TMxScheduler::Execute() {
  if (FBusy) return;
  FBusy = true;
  TMxTask* task = nullptr;
  {
    TTaskLock lock(MxTaskLock());
    for (TMxTask*& head : ReadyTasks)
      if (head) {
        task = head;
        head = task->Next;  // round robin within the ring
        break;
      }
  }
  if (task)
    task->TaskExecute();
  else if (FThreaded)
    TaskReady.WaitFor();
  FRetired.clear();
  FBusy = false;
}

bool TMxScheduler::AppIdleExecute() {
  if (FTaskCount > 0) Execute();
  return FTaskCount == 0;
}

void TMxScheduler::InsertTask(TMxTask* Task) {
  TTaskLock lock(MxTaskLock());
  TMxTask::RingAppend(ReadyTasks[Task->FPriority], Task);
  if (FTaskCount++ == 0) {
    if (FThreaded)
      TaskReady.SetEvent();
    else if (FOnWake)
      FOnWake();
  }
}

void TMxScheduler::RemoveTask(TMxTask* Task) {
  TTaskLock lock(MxTaskLock());
  TMxTask::RingRemove(ReadyTasks[Task->FPriority], Task);
  if (--FTaskCount == 0 && FThreaded) TaskReady.ResetEvent();
}

void TMxScheduler::SetOnWake(std::function<void()> OnWake) {
  TTaskLock lock(MxTaskLock());
  FOnWake = std::move(OnWake);
}

void TMxScheduler::Wake() {
  TTaskLock lock(MxTaskLock());
  if (FOnWake) FOnWake();
}

void MxFreeTask(std::unique_ptr<TMxTask> Task) {
  if (!Task || !Task->IsActive()) return;
  Task->Kill();
  TMxScheduler* scheduler = Task->Scheduler();
  scheduler->FRetired.push_back(std::move(Task));
}

TMxScheduler* MxScheduler() { return GMainScheduler.Get(); }

void MxCreateMainScheduler() { GMainScheduler.Create("MxCreateMainScheduler: main scheduler already exists"); }

void MxFreeMainScheduler() { GMainScheduler.Free(); }

}  // namespace vt
