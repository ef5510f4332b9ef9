// The script task, its factory, the debugger seam, the auto-free holder and "log";
// see ScriptTask.h.
#include "scripting/ScriptTask.h"

#include <algorithm>

#include "platform/Dialogs.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "scripting/ScriptTaskManager.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

TScriptDebuggerFactory::TCreator& DebuggerCreator() {
  static TScriptDebuggerFactory::TCreator creator;
  return creator;
}

// Adds "log" to the top dictionary of the context unless the caller put one there.
void AddLogProcedure(TSLContextImplementation* Context) {
  TSLDictionary* top = Context->TopDict();
  if (!top->NameExists(u"log")) top->AddObject(u"log", MakeRef<TSLScriptLogProcedure>().get());
}

}  // namespace

// TScriptDebuggerFactory

void TScriptDebuggerFactory::Announce(TCreator Creator) { DebuggerCreator() = std::move(Creator); }

std::unique_ptr<TScriptDebuggerInterface> TScriptDebuggerFactory::CreateScriptDebugger() {
  if (!DebuggerCreator()) throw Exception("no script debugger available");
  return DebuggerCreator()();
}

// TSLScriptLogProcedure

void TSLScriptLogProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString text = WideToAnsi(OperandAt<TSLString>(ops, 0)->StringValue());
  ops->Pop(false);
  LogInfo(text);
}

// TScriptTask

TScriptTask::TScriptTask()
    : ScriptTask(std::make_unique<TMxTask>("ScriptTask")),
      ScriptSignal(std::make_unique<TMxSignal>()),
      FManager(&TheScriptTaskManager()) {
  ScriptTask->Start();
  ScriptTask->WaitFor(ScriptSignal.get(), MxNoTimeout);
  ScriptTask->OnExecute = [this](TMxTask*) { Work(); };
  FTaskID = FManager->AnnounceCreation(this);
}

TScriptTask::~TScriptTask() {
  // The task leaves the scheduler before the signal it may wait on goes.
  ScriptTask.reset();
  ScriptSignal.reset();
  FScriptDebugger.reset();
  Clear();
  FManager->AnnounceDestruction(this);
  if (StorageManager) StorageManager->ForgetScriptTask(this);
}

void TScriptTask::SetContext(TSLContext* Context) {
  if (!Context) throw Exception(Format("%s.SetContext: no context", ClassName()));
  TRef<TSLContextImplementation> context(CheckedCast<TSLContextImplementation>(Context));
  ReleaseContext();
  FContext = std::move(context);
  FContext->OnContinue = [this](TSLContext* Sender) { Continue(Sender); };
}

// A context that lives on elsewhere must not call back into a task that let it go.
void TScriptTask::ReleaseContext() {
  if (!FContext) return;
  FContext->OnContinue = nullptr;
  if (FContext->FScriptTask == this) FContext->FScriptTask = nullptr;
  FContext.reset();
}

void TScriptTask::Clear() {
  FScript.reset();
  ReleaseContext();
  FErrorMsg.clear();
}

TSLContextImplementation* TScriptTask::RequireContext(const char* Operation) const {
  if (!FContext) throw Exception(Format("%s.%s: Context not initialized", ClassName(), Operation));
  return FContext.get();
}

void TScriptTask::PushParameter(TSLObject* Obj) { Operands(RequireContext("PushParameter"))->Push(Obj); }

TSLObject* TScriptTask::PopResult() { return Operands(RequireContext("PopResult"))->Pop(true); }

void TScriptTask::LoadScript(const AnsiString& Name) {
  TRef<TSLStorageObject> object(TheStorageManager().GetObject(Name, saRead, FDebug));
  SetScript(CheckedCast<TSLBlock>(object->GetData()));
  TRef<TSLContextImplementation> context(TheStorageManager().CreateContext(false));
  SetContext(context.get());
  FContext->FScriptName = Name;
}

void TScriptTask::Start() {
  if (ScriptState != scIdle) throw Exception(Format("%s.Start: script task not idle", ClassName()));
  TSLContextImplementation* context = RequireContext("Start");
  // The debugger comes first: a debug start without one changes nothing.
  if (FDebug && !FScriptDebugger) FScriptDebugger = TScriptDebuggerFactory::CreateScriptDebugger();
  context->PushBlock(FScript.get());
  context->Reset();
  AddLogProcedure(context);
  context->FScriptTask = this;
  if (FDebug) {
    StartDebugging(context);
    ScriptState = scStartStepInto;
  } else {
    ScriptState = scStartRun;
  }
  ScriptSignal->SetReady(true);
}

void TScriptTask::StartDebugging(TSLContextImplementation* Context) {
  FScriptDebugger->SetContext(Context);
  Context->FDebug = true;
  FScriptDebugger->Clear();
  std::uint16_t id = 0;
  if (!Context->FScriptName.empty() && StorageIDManager().NameExist(Context->FScriptName, id))
    FScriptDebugger->AddScript(Context->FScriptName, id);
  FScriptDebugger->WaitForKey();
  FScriptDebugger->SetScriptTask(this);
}

void TScriptTask::Abort() {
  const TScriptState state = ScriptState;
  if (state == scIdle || state == scFinished || state == scAborted) return;
  ScriptState = scAborted;
  FErrorMsg = "script task aborted";
  // A task in a slice or a zero wait comes back by itself; a waiting one is woken.
  const TContextState context = FContext ? FContext->GetState() : isIdle;
  if (state == scStepInto || state == scStepOver || context == isWaiting || context == isBreakpoint)
    ScriptSignal->SetReady(true);
}

void TScriptTask::Continue(void*) {
  const TScriptState state = ScriptState;
  if (state == scRun || state == scStepInto || state == scStepOver) ScriptSignal->SetReady(true);
}

void TScriptTask::Step(TScriptState State) {
  ScriptState = State;
  ScriptSignal->SetReady(true);
}

void TScriptTask::Run() {
  Step(scRun);
  if (FScriptDebugger) FScriptDebugger->Run();
}

void TScriptTask::StepInto() {
  Step(scStepInto);
  if (FScriptDebugger) FScriptDebugger->WaitForStep();
}

void TScriptTask::StepOver() {
  Step(scStepOver);
  if (FScriptDebugger) FScriptDebugger->WaitForStep();
}

void TScriptTask::Work() {
  const TScriptState state = ScriptState;
  if (state == scAborted) {
    EndAborted();
    return;
  }
  try {
    switch (state) {
      case scIdle:
        ScriptSignal->SetReady(false);
        ScriptTask->WaitFor(ScriptSignal.get(), MxNoTimeout);
        break;
      case scStartRun:
      case scStartStepInto:
        if (OnStart) OnStart(this);
        // An abort from OnStart stands.
        if (ScriptState == state) ScriptState = state == scStartRun ? scRun : scStepInto;
        break;
      case scFinished:
        EndFinished();
        break;
      default:
        ExecRun(state);
        break;
    }
  } catch (const Exception& failure) {
    Fail(failure);
  }
}

void TScriptTask::EndFinished() {
  Result = 0;
  ScriptState = scIdle;
  if (OnFinished) OnFinished(this);
  if (FDebug && FScriptDebugger) {
    FScriptDebugger->SetStatusLine("Script Finished!");
    FScriptDebugger->DeselectNextInstruction();
  }
  if (FAutoFree) DoAutoFree();
}

// Failures of the callbacks here are dropped: the task has already ended.
void TScriptTask::EndAborted() {
  Result = 1;
  ScriptState = scIdle;
  try {
    if (OnFinished) OnFinished(this);
  } catch (const Exception&) {
  }
  if (FAutoFree) DoAutoFree();
}

void TScriptTask::ExecRun(TScriptState State) {
  TSLContextImplementation* context = RequireContext("ExecRun");
  if (context->GetState() == isBreakpoint) context->ResumeAfterBreakpoint(this);
  if (ScriptTask->ExecuteInfo() == eiTimeout && context->GetState() == isWaiting) {
    context->Resume(this);
    if (State == scStepInto && FScriptDebugger) FScriptDebugger->StepDone();
  }
  // Cleared before the slice, not after it: a Continue from a driver thread that comes
  // once the slice has returned still finds the signal set when the task begins its wait.
  ScriptSignal->SetReady(false);
  const bool finished = Interpret(State, context);
  // Aborted from inside the slice (the built-in "abort", a script class): the end of
  // the slice does not turn that into a normal end, nor a wait into a hang.
  if (ScriptState == scAborted) return;
  if (finished) {
    if (FDebug && FScriptDebugger) FScriptDebugger->RunDone();
    ScriptState = scFinished;
    return;
  }
  WaitByContext(context);
}

bool TScriptTask::Interpret(TScriptState State, TSLContextImplementation* Context) {
  TSLInterpreter* interpreter = TheStorageManager().Interpreter();
  // The interpreter is shared by every task: only this task's calls display to its debugger.
  struct TDisplayScope {
    TSLInterpreter* Interpreter;
    ~TDisplayScope() { Interpreter->OnDbgDisplay = nullptr; }
  } scope{interpreter};
  if (FDebug && FScriptDebugger) interpreter->OnDbgDisplay = [this](TSLObject* Token) { DbgEvent(Token); };
  switch (State) {
    case scRun:
      return interpreter->Run(Context);
    case scStepInto:
      return interpreter->StepInto(Context);
    case scStepOver:
      return interpreter->StepOver(Context);
    default:
      throw Exception(Format("%s.ExecRun: internal error", ClassName()));
  }
}

void TScriptTask::WaitByContext(TSLContextImplementation* Context) {
  switch (Context->GetState()) {
    case isExecuting:
    case isBreakpoint:
      ScriptTask->WaitFor(ScriptSignal.get(), MxNoTimeout);
      if (FDebug && FScriptDebugger) FScriptDebugger->StepDone();
      break;
    case isWaiting:
      // A negative time-out would only try the signal and leave the context waiting.
      ScriptTask->WaitFor(ScriptSignal.get(), std::max<std::int64_t>(Context->FTimeout, 0));
      break;
    case isWaitZero:
      ScriptTask->WaitFor(ScriptSignal.get(), 0);
      break;
    case isContinuing:
      break;  // continued since the slice returned: run again at once
    default:
      throw Exception("invalid interpreter state");
  }
}

void TScriptTask::Fail(const Exception& Failure) {
  ScriptState = scAborted;
  FErrorMsg = FailureText(Failure.Message());
  LogError(FErrorMsg);
  if (FDebug && FScriptDebugger) FScriptDebugger->SetStatusLine(FErrorMsg);
  Beep();
}

AnsiString TScriptTask::FailureText(const AnsiString& Message) {
  AnsiString text = "Runtime error: internal error";
  try {
    if (!FContext) return "Runtime error: " + Message;
    text = RuntimeErrorText(FContext.get(), Message);
    const TSLObject* failing = FailingToken(FContext.get());
    if (FDebug && FScriptDebugger && GetDbgInfo(failing)) {
      SelectInstruction(failing);
      FScriptDebugger->RefreshDbgViews();
    }
  } catch (const Exception&) {
  }
  return text;
}

void TScriptTask::DbgEvent(TSLObject* Token) {
  const TDbgInfo* info = GetDbgInfo(Token);
  if (info && info->GetTokPos() != 0)
    SelectInstruction(Token);
  else
    FScriptDebugger->DeselectNextInstruction();
}

void TScriptTask::SelectInstruction(const TSLObject* Token) {
  const TDbgInfo* info = GetDbgInfo(Token);
  FScriptDebugger->SelectNextInstruction(info->GetStorageID(), static_cast<std::int32_t>(info->GetTokPos()),
                                         static_cast<std::int32_t>(info->GetTokLength()));
}

// The holder frees the task at the next purge of the autorelease pool, never inside
// its own step.
void TScriptTask::DoAutoFree() { new TAutoFree(true, this); }

}  // namespace vt
