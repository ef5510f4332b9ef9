// Execute controls and execute stacks; see ExecuteControls.h.
#include "runtime/ExecuteControls.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

// ---- Execute control ----

TExecuteControl::TExecuteControl(const void* AWaitingObject)
    : WorkTask(std::make_unique<TMxTask>("ExecuteControl")), FWaitingObject(AWaitingObject) {
  WorkTask->OnExecute = [this](TMxTask*) { Work(); };
  WorkSignal.SetReady(!AWaitingObject);
  WorkTask->Start();
}

TExecuteControl::~TExecuteControl() { WorkTask.reset(); }

void TExecuteControl::Work() {
  if (FWaitingObject) {
    // Waiting for an object (the creator at the first turn): nothing runs until Continue.
    WorkSignal.SetReady(false);
  } else if (FWorkState == wsIdle) {
    if (FOnIdle) FOnIdle(this);
    // Without an idle handler there is nothing to do until Execute or SetOnIdle: the
    // task sleeps instead of being called at every turn.
    if (FWaitingObject || !FOnIdle) WorkSignal.SetReady(false);
  } else {
    if (OnExecute) OnExecute(this);
    if (FWaitingObject) WorkSignal.SetReady(false);
    if (FStatus == 0) FWorkState = wsIdle;
  }
  WorkTask->WaitFor(&WorkSignal, MxNoTimeout);
}

void TExecuteControl::SetOnIdle(TExecuteEvent Value) {
  FOnIdle = std::move(Value);
  if (FOnIdle && FWorkState == wsIdle && !FWaitingObject) WorkSignal.SetReady(true);
}

void TExecuteControl::Execute(const void* Sender) {
  if (FWorkState != wsIdle) throw Exception(Format("%s.Execute: not in idle state", ClassName()));
  if (FWaitingObject) Continue(Sender);
  FWorkState = wsExec;
  FStatus = 0;
  WorkSignal.SetReady(true);
}

void TExecuteControl::Wait(const void* Sender) {
  if (FWaitingObject) throw Exception(Format("%s.Wait: already in wait state", ClassName()));
  if (!Sender) throw Exception(Format("%s.Wait: need a valid object reference", ClassName()));
  FWaitingObject = Sender;
}

void TExecuteControl::Continue(const void* Sender) {
  if (!FWaitingObject) throw Exception(Format("%s.Continue: not in wait state", ClassName()));
  if (Sender != FWaitingObject) throw Exception(Format("%s.Continue: waiting object missmatch", ClassName()));
  FWaitingObject = nullptr;
  WorkSignal.SetReady(true);
}

void TExecuteControl::LogMessage(const AnsiString& Msg) {
  if (OnMessage) OnMessage(Msg);
}

// ---- Execute stack ----

namespace {

void InternalError() { throw Exception("internal error"); }

}  // namespace

TExecuteContext::TExecuteContext(TExecuteStack* AOwner, TExecEvent AExecuteEvent, void* AData)
    : FOwner(AOwner), FData(AData), FExecuteEvent(std::move(AExecuteEvent)) {}

void TExecuteContext::Check(bool Condition) const {
  if (!Condition) InternalError();
}

void TExecuteContext::Wait(std::int64_t Timeout) {
  Check(FStatus == esActive);
  FStatus = esWaiting;
  ExecuteManager().AddWaitingContext(this);
  FOwner->ContextWait(this, Timeout);
}

void TExecuteContext::Execute(TExecEvent ExecuteEvent, void* ExecuteData) {
  Check(FStatus == esActive);
  FStatus = esBuried;
  FOwner->ContextExecute(this, std::move(ExecuteEvent), ExecuteData);
}

void TExecuteContext::Terminate() {
  Check(FStatus == esActive);
  FStatus = esTerminated;
  FOwner->ContextTerminate(this);
}

TExecuteStack::~TExecuteStack() {
  // Unlike DestroyExecuteContext this frees contexts in any state: a destructor cannot
  // refuse.
  for (TExecuteContext* c : Queue) {
    ExecuteManager().Forget(c);
    delete c;
  }
  for (auto it = Stack.rbegin(); it != Stack.rend(); ++it) {
    ExecuteManager().Forget(*it);
    delete *it;
  }
}

TExecuteContext* TExecuteStack::CreateContext(TExecEvent ExecuteEvent, void* ExecuteData) {
  return ExecuteManager().CreateExecuteContext(this, std::move(ExecuteEvent), ExecuteData);
}

void TExecuteStack::Execute(TExecEvent ExecuteEvent, void* ExecuteData) {
  TExecuteContext* context = CreateContext(std::move(ExecuteEvent), ExecuteData);
  if (FCurrentContext) {
    Queue.push_back(context);
    return;
  }
  Stack.push_back(context);
  FCurrentContext = context;
  FWorkSignal.SetReady(true);
}

void TExecuteStack::CheckCurrent(TExecuteContext* Context) const {
  if (Context != FCurrentContext) InternalError();
}

void TExecuteStack::ContextWait(TExecuteContext* Context, std::int64_t Timeout) {
  CheckCurrent(Context);
  if (Timeout != EcNoTimeout) throw Exception("timeout not yet supported");
  FWorkSignal.SetReady(false);
}

void TExecuteStack::ContextExecute(TExecuteContext* Context, TExecEvent ExecuteEvent, void* ExecuteData) {
  CheckCurrent(Context);
  TExecuteContext* child = CreateContext(std::move(ExecuteEvent), ExecuteData);
  Stack.push_back(child);
  FCurrentContext = child;
}

void TExecuteStack::ContextTerminate(TExecuteContext* Context) { CheckCurrent(Context); }

TExecuteContext* TExecuteManager::CreateExecuteContext(TExecuteStack* Owner, TExecEvent ExecuteEvent,
                                                       void* ExecuteData) {
  return new TExecuteContext(Owner, std::move(ExecuteEvent), ExecuteData);
}

void TExecuteManager::DestroyExecuteContext(TExecuteContext* Context) {
  if (Context->FStatus != esTerminated || Context->FWaitHandle != 0) InternalError();
  delete Context;
}

void TExecuteManager::AddWaitingContext(TExecuteContext* Context) {
  Context->FWaitHandle = ++FWaitHandleCounter;
  FWaitingContexts.push_back(Context);
}

void TExecuteManager::Forget(TExecuteContext* Context) {
  FWaitingContexts.erase(std::remove(FWaitingContexts.begin(), FWaitingContexts.end(), Context),
                         FWaitingContexts.end());
}

TExecuteManager& ExecuteManager() {
  static TExecuteManager manager;
  return manager;
}

}  // namespace vt
