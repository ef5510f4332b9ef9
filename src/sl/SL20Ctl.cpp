// Exceptions and exits; see SL20Ctl.h.
#include "SL20Ctl.h"

#include "CtxIntf.h"
#include "SL20Dic.h"
#include "SL20Elm.h"
#include "SL20Exe.h"
#include "SL20Tok.h"

namespace vt {

TSLContextImplementation* Implementation(TSLContext* Context) {
  return CheckedCast<TSLContextImplementation>(Context);
}

namespace {

// The message a script exception ends the script with when nothing catches it.
std::string UncaughtMessage(TSLObject* Obj) {
  if (auto* dict = dynamic_cast<TSLDictionary*>(Obj); dict && dict->NameExists(u"Msg"))
    return WideToUtf8(dict->GetStrWithName(u"Msg"));
  if (auto* text = dynamic_cast<TSLString*>(Obj)) return WideToUtf8(text->StringValue());
  return "exception object is not a dictionary";
}

// Pops the top tokenizer without running anything of it. A procedure whose body is
// left this way takes its dictionary with it, so its locals do not stay visible.
void PopTokenizer(TSLContextImplementation* Context) {
  TSLStack* exec = Context->ExecutionStackObj();
  if (auto* proc = dynamic_cast<TSLProcTokenizer*>(exec->GetObjAtIndex(0)); proc && proc->DictPushed()) {
    TSLStack* dicts = Context->DictStackObj();
    while (dicts->GetCount() > proc->DictStackCount()) dicts->Pop(false);
  }
  exec->Pop(false);
}

void Unwind(TSLContextImplementation* Context) {
  TSLStack* exec = Context->ExecutionStackObj();
  const TRef<TSLObject> thrown(Context->OperandStackObj()->GetObjAtIndex(0));
  Context->OperandStackObj()->Pop(false);
  if (!Context->FExceptionMapped) Context->SetExceptToken(Context->GetUnresolvedToken());
  while (exec->GetCount() > 0 && !dynamic_cast<TSLTryTokenizer*>(exec->GetObjAtIndex(0))) exec->Pop(false);
  if (exec->GetCount() == 0) {
    Context->FExceptionMapped = true;  // passes out of the interpreter unmapped
    throw Exception(UncaughtMessage(thrown.get()));
  }
  const TRef<TSLTryTokenizer> guard(static_cast<TSLTryTokenizer*>(exec->GetObjAtIndex(0)));
  guard->CleanupStacks(Context);
  exec->Pop(false);
  if (exec->GetCount() == 0) return;
  TSLObject* handler = exec->GetObjAtIndex(0);
  if (auto* except = dynamic_cast<TSLExceptTokenizer*>(handler)) {
    except->Arm();
    Context->OperandStackObj()->Push(thrown.get());
    // Handled: a later failure in the same run is a new script exception.
    Context->FExceptionMapped = false;
  } else if (auto* finally = dynamic_cast<TSLFinallyTokenizer*>(handler)) {
    finally->Arm(thrown.get());
  }
}

template <class Handler>
void PushTry(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  auto* handlerBlock = CheckedCast<TSLBlock>(ops->GetObjAtIndex(0));
  auto* tryBlock = CheckedCast<TSLBlock>(ops->GetObjAtIndex(1));
  auto guard = MakeRef<TSLTryTokenizer>();
  guard->InitWithBlock(tryBlock);
  auto handler = MakeRef<Handler>();
  handler->InitWithBlock(handlerBlock);
  ops->Pop(false);
  ops->Pop(false);
  guard->RecordStacks(ctx);
  ctx->ExecutionStackObj()->Push(handler.get());
  ctx->ExecutionStackObj()->Push(guard.get());
}

// Pops tokenizers up to and including the first for which Stop is true; false when
// the execution stack ran empty first.
template <class Stop>
bool PopThrough(TSLContextImplementation* Context, Stop stop) {
  TSLStack* exec = Context->ExecutionStackObj();
  while (exec->GetCount() > 0) {
    const bool last = stop(exec->GetObjAtIndex(0));
    PopTokenizer(Context);
    if (last) return true;
  }
  return false;
}

}  // namespace

void TSLIfProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Implementation(Context)->OperandStackObj();
  TRef<TSLBlock> block(CheckedCast<TSLBlock>(ops->GetObjAtIndex(0)));
  const bool condition = CheckedCast<TSLBoolean>(ops->GetObjAtIndex(1))->BooleanValue();
  ops->Pop(false);
  ops->Pop(false);
  if (condition) block->Execute(Context);
}

void TSLIfElseProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Implementation(Context)->OperandStackObj();
  TRef<TSLBlock> otherwise(CheckedCast<TSLBlock>(ops->GetObjAtIndex(0)));
  TRef<TSLBlock> then(CheckedCast<TSLBlock>(ops->GetObjAtIndex(1)));
  const bool condition = CheckedCast<TSLBoolean>(ops->GetObjAtIndex(2))->BooleanValue();
  for (int i = 0; i < 3; ++i) ops->Pop(false);
  (condition ? then : otherwise)->Execute(Context);
}

namespace {

// Pops the top operand and hands it out held, so its class can be checked afterwards.
TRef<TSLObject> PopHeld(TSLStack* Ops) {
  TRef<TSLObject> top(Ops->GetObjAtIndex(0));
  Ops->Pop(false);
  return top;
}

// A loop bound given as a number in the integer loop: a Double is truncated.
std::int64_t IntegerOperand(TSLObject* Obj) { return CheckedCast<TSLNumber>(Obj)->GetLongintValue(); }

}  // namespace

void TSLForProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  const TRef<TSLObject> proc = PopHeld(ops), limit = PopHeld(ops), increment = PopHeld(ops), initial = PopHeld(ops);
  auto* body = CheckedCast<TSLArray>(proc.get());
  auto loop = MakeRef<TSLForTokenizer>();
  if (auto* intLimit = dynamic_cast<TSLLongint*>(limit.get())) {
    loop->InitLongint(IntegerOperand(initial.get()), IntegerOperand(increment.get()), intLimit->GetLongintValue(), body);
  } else {
    loop->InitDouble(CheckedCast<TSLDouble>(initial.get())->GetDoubleValue(),
                     CheckedCast<TSLDouble>(increment.get())->GetDoubleValue(),
                     CheckedCast<TSLDouble>(limit.get())->GetDoubleValue(), body);
  }
  ctx->ExecutionStackObj()->Push(loop.get());
}

void TSLForallProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  const TRef<TSLObject> proc = PopHeld(ops), collection = PopHeld(ops);
  auto loop = MakeRef<TSLForallTokenizer>();
  loop->Init(CheckedCast<TSLCollection>(collection.get()), CheckedCast<TSLArray>(proc.get()));
  ctx->ExecutionStackObj()->Push(loop.get());
}

namespace {

void PushRepeat(TSLContextImplementation* Context, TSLObject* Block, std::int32_t Count) {
  auto loop = MakeRef<TSLRepeatTokenizer>();
  loop->InitWithBlock(CheckedCast<TSLBlock>(Block), Count);
  Context->ExecutionStackObj()->Push(loop.get());
}

}  // namespace

void TSLLoopProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  const TRef<TSLObject> block = PopHeld(ctx->OperandStackObj());
  PushRepeat(ctx, block.get(), -1);
}

void TSLRepeatProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  const TRef<TSLObject> block = PopHeld(ctx->OperandStackObj()), count = PopHeld(ctx->OperandStackObj());
  // The count is taken by its low 32 bits.
  PushRepeat(ctx, block.get(), static_cast<std::int32_t>(CheckedCast<TSLLongint>(count.get())->GetLongintValue()));
}

void TSLWaitProcedure::Execute(TSLContext* Context) {
  if (Context->GetUserValue() != 0) return;
  TSLStack* ops = Implementation(Context)->OperandStackObj();
  const auto ms = static_cast<std::int32_t>(CheckedCast<TSLLongint>(ops->GetObjAtIndex(0))->GetLongintValue());
  ops->Pop(false);
  Context->Wait(this, ms);
}

void TSLTestProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  const std::int32_t phase = ctx->GetUserValue();
  const std::int64_t ms = 100 * (phase + 1);
  ctx->OperandStackObj()->PushLongint(ms);
  ctx->OperandStackObj()->PushLongint(ms);
  ctx->SetUserValue(phase == 2 ? 0 : phase + 1);
  ScheduleName(ctx, "wait");
}

void TSLRaiseProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  try {
    Unwind(ctx);
  } catch (const Exception&) {
    ctx->FExceptionMapped = true;
    throw;
  }
}

TSLRaiseSEProcedure::TSLRaiseSEProcedure(bool AutoRelease)
    : TSLInternalProcedure(AutoRelease), FRaise(MakeRef<TSLRaiseProcedure>()) {}

void TSLRaiseSEProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Implementation(Context)->OperandStackObj();
  const WideString text = CheckedCast<TSLString>(ops->GetObjAtIndex(0))->StringValue();
  ops->Pop(false);
  auto exception = MakeRef<TSLDictionary>();
  exception->SetStrWithName(u"Msg", text);
  ops->Push(exception.get());
  FRaise->Execute(Context);
}

void TSLTryExceptProcedure::Execute(TSLContext* Context) { PushTry<TSLExceptTokenizer>(Context); }
void TSLTryFinallyProcedure::Execute(TSLContext* Context) { PushTry<TSLFinallyTokenizer>(Context); }

void TSLExitBlockProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  auto isBlockOrLoop = [](TSLObject* t) {
    return dynamic_cast<TSLBlockTokenizer*>(t) || dynamic_cast<TSLLoopTokenizer*>(t);
  };
  if (!PopThrough(ctx, isBlockOrLoop))
    ScheduleStandardException(ctx, u"exitblock called without enclosing block");
}

void TSLExitLoopProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  if (!PopThrough(ctx, [](TSLObject* t) { return dynamic_cast<TSLLoopTokenizer*>(t) != nullptr; }))
    ScheduleStandardException(ctx, u"exitloop called without enclosing loop");
}

void TSLExitProcProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* exec = ctx->ExecutionStackObj();
  while (exec->GetCount() > 0) {
    if (auto* proc = dynamic_cast<TSLProcTokenizer*>(exec->GetObjAtIndex(0))) {
      proc->Exit();
      return;
    }
    PopTokenizer(ctx);
  }
  ScheduleStandardException(ctx, u"exitproc called without enclosing procedure");
}

}  // namespace vt
