// Stack, dictionary and control built-ins; see ControlBuiltins.h.
#include "sl/builtins/ControlBuiltins.h"

#include "platform/Format.h"
#include "sl/builtins/StringBuiltins.h"
#include "sl/interpreter/ContextInterface.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/interpreter/Tokenizers.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

namespace vt {

// Operands

void TSLPopProcedure::Execute(TSLContext* Context) { Operands(Context)->Pop(false); }

bool TSLPopProcedure::FastPath(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  if (ops->Count() < 1) return false;
  ops->Pop(false);
  return true;
}

namespace {

// Pushes a copy of Obj; the stack keeps it, so the pool need not.
void PushCopy(TSLStack* Ops, const TSLObject* Obj) {
  // Numbers, copied most, are made for the stack alone.
  if (auto* i = As<TSLLongint>(Obj)) return PushNew<TSLLongint>(Ops, i->GetLongintValue());
  if (auto* d = As<TSLDouble>(Obj)) return PushNew<TSLDouble>(Ops, d->GetDoubleValue());
  TSLObject* copy = CopyOrNil(Obj);
  Ops->Push(copy);
  if (copy) RefObjManager().TakeBackAutoRelease(copy);
}

}  // namespace

void TSLDupProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  PushCopy(ops, ops->GetObjAtIndex(0));
}

bool TSLDupProcedure::FastPath(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  TSLObject* top = ops->Count() > 0 ? ops->Peek(0) : nullptr;
  if (!top || !(top->ClassBits() & (cbLongint | cbDouble))) return false;  // a copy of others may fail
  PushCopy(ops, top);
  return true;
}

void TSLExchProcedure::Execute(TSLContext* Context) { Operands(Context)->Exchange(); }

bool TSLExchProcedure::FastPath(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  if (ops->Count() < 2) return false;
  ops->Exchange();
  return true;
}

void TSLIndexProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> n = PopHeld(ops);
  PushCopy(ops, ops->GetObjAtIndex(Low32(CheckedCast<TSLLongint>(n.get())->GetLongintValue())));
}

void TSLAssignProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  AnyOperandAt(ops, 1)->AssignObject(ops->GetObjAtIndex(0));
  ops->Pop(false);  // the target stays on the stack
}

// Names, dictionaries and name spaces

bool TSLDefProcedure::FastPath(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  if (ops->Count() < 2) return false;
  auto* ident = As<TSLIdent>(ops->Peek(1));
  return ident && ctx->DefineCached(ident);
}

void TSLDefProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  TSLObject* value = ops->GetObjAtIndex(0);
  const TSLIdent* ident = OperandAt<TSLIdent>(ops, 1);
  const AnsiString& name = ident->IdentValue();
  const std::size_t colon = name.find(':');
  if (colon == AnsiString::npos) {
    ctx->DefineInTopDict(ident, value);
    Drop(ops, 2);
    return;
  }
  // A qualified name lands in the dictionary that holds (or would hold) its last part.
  TSLDictionary* target = nullptr;
  ctx->Resolve(name, target);
  if (!target) {
    const WideString message = Utf8ToWide(Format("namespace '%s' not found", AnsiToUtf8(name)));
    Drop(ops, 2);
    RaiseStandardError(Context, message);
    return;
  }
  std::string_view last = std::string_view(name).substr(colon + 1);
  if (const std::size_t dot = last.rfind('.'); dot != std::string_view::npos) last.remove_prefix(dot + 1);
  DefineName(target, AnsiToWide(last), value);
  Drop(ops, 2);
}

void TSLUndefProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> name = PopHeld(ops), dict = PopHeld(ops);
  const WideString key = AnsiToWide(CheckedCast<TSLIdent>(name.get())->IdentValue());
  auto* target = CheckedCast<TSLDictionary>(dict.get());
  if (target->NameExists(key)) target->RemoveObject(key);
}

bool TSLDictProcedure::FastPath(TSLInternalProcedure*, TSLContextImplementation* Context) {
  TSLStack* ops = Operands(Context);
  if (ops->Count() < 1 || !As<TSLLongint>(ops->Peek(0))) return false;
  ops->Pop(false);
  PushNew<TSLDictionary>(ops);
  return true;
}

void TSLDictProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> n = PopHeld(ops);
  CheckedCast<TSLLongint>(n.get());  // the size is only checked, a dictionary grows as needed
  PushNew<TSLDictionary>(ops);
}

void TSLCurrentdictProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  ctx->OperandStackObj()->Push(ctx->TopDict());
}

void TSLBeginProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  ctx->DictStackObj()->Push(OperandAt<TSLDictionary>(ctx->OperandStackObj(), 0));
  ctx->OperandStackObj()->Pop(false);
}

void TSLEndProcedure::Execute(TSLContext* Context) {
  TSLStack* dicts = Implementation(Context)->DictStackObj();
  if (dicts->GetCount() < 3) {
    RaiseStandardError(Context, u"tried to delete global dictionary");
    return;
  }
  dicts->Pop(false);
}

void TSLKnownProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> name = PopHeld(ops), dict = PopHeld(ops);
  const AnsiString& key = CheckedCast<TSLIdent>(name.get())->IdentValue();
  PushNew<TSLBoolean>(ops, CheckedCast<TSLDictionary>(dict.get())->IndexOfAnsi(key) >= 0);
}

void TSLGKnownProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  TSLDictionary* parent = nullptr;
  const bool known = ctx->Resolve(OperandAt<TSLIdent>(ops, 0)->IdentValue(), parent) != nullptr;
  ops->Pop(false);
  PushNew<TSLBoolean>(ops, known);
}

void TSLNKnownProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  const bool known = ctx->FindNameSpace(WideToAnsi(OperandAt<TSLString>(ops, 0)->StringValue())) != nullptr;
  ops->Pop(false);
  PushNew<TSLBoolean>(ops, known);
}

void TSLCreateNamespaceProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  ctx->ImportDict(WideToAnsi(OperandAt<TSLString>(ops, 0)->StringValue()), MakeRef<TSLDictionary>().get());
  ops->Pop(false);
}

void TSLImportProcedure::Execute(TSLContext* Context) {
  const TRef<TSLObject> name = PopHeld(Operands(Context));
  const AnsiString text = WideToAnsi(CheckedCast<TSLString>(name.get())->StringValue());
  if (!StorageManager) throw Exception("TSLImportProcedure.Execute: there is no storage manager");
  StorageManager->ImportIntoContext(text, Context);
}

namespace {

// The message a script exception ends the script with when nothing catches it.
std::string UncaughtMessage(TSLObject* Obj) {
  if (auto* dict = As<TSLDictionary>(Obj); dict && dict->NameExists(u"Msg"))
    return WideToUtf8(dict->GetStrWithName(u"Msg"));
  if (auto* text = As<TSLString>(Obj)) return WideToUtf8(text->StringValue());
  return "exception object is not a dictionary";
}

// Pops the top tokenizer without running anything of it. A procedure whose body is
// left this way takes its dictionary with it, so its locals do not stay visible.
void PopTokenizer(TSLContextImplementation* Context) {
  TSLStack* exec = Context->ExecutionStackObj();
  if (auto* proc = As<TSLProcTokenizer>(exec->GetObjAtIndex(0)); proc && proc->DictPushed()) {
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
  while (exec->GetCount() > 0 && !As<TSLTryTokenizer>(exec->GetObjAtIndex(0))) exec->Pop(false);
  if (exec->GetCount() == 0) {
    Context->FExceptionMapped = true;  // passes out of the interpreter unmapped
    throw Exception(UncaughtMessage(thrown.get()));
  }
  const TRef<TSLTryTokenizer> guard(static_cast<TSLTryTokenizer*>(exec->GetObjAtIndex(0)));
  guard->CleanupStacks(Context);
  exec->Pop(false);
  if (exec->GetCount() == 0) return;
  TSLObject* handler = exec->GetObjAtIndex(0);
  if (auto* except = As<TSLExceptTokenizer>(handler)) {
    except->Arm();
    Context->OperandStackObj()->Push(thrown.get());
    // Handled: a later failure in the same run is a new script exception, and one that
    // ends the run is reported at its own token.
    Context->FExceptionMapped = false;
    Context->FExceptToken.reset();
  } else if (auto* finally = As<TSLFinallyTokenizer>(handler)) {
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

// Control flow

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

// A loop bound given as a number in the integer loop: a Double is truncated.
std::int64_t IntegerOperand(TSLObject* Obj) { return CheckedCast<TSLNumber>(Obj)->GetLongintValue(); }

}  // namespace

void TSLForProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  const TRef<TSLObject> proc = PopHeld(ops), limit = PopHeld(ops), increment = PopHeld(ops), initial = PopHeld(ops);
  auto* body = CheckedCast<TSLArray>(proc.get());
  auto loop = MakeRef<TSLForTokenizer>();
  if (auto* intLimit = As<TSLLongint>(limit.get())) {
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
    : TSLInternalProcedure(AutoRelease, true),
      FCreateDict(MakeRef<TSLCreateDictProcedure>()),
      FRaise(MakeRef<TSLRaiseProcedure>()) {}

TSLRaiseSEProcedure::~TSLRaiseSEProcedure() = default;

void TSLRaiseSEProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const TRef<TSLObject> text(OperandAt<TSLString>(ops, 0));
  ops->Pop(false);
  PushNew<TSLIdent>(ops, "Msg", false);
  ops->Push(text.get());
  PushNew<TSLLongint>(ops, 1);
  FCreateDict->Execute(Context);
  FRaise->Execute(Context);
}

void TSLTryExceptProcedure::Execute(TSLContext* Context) { PushTry<TSLExceptTokenizer>(Context); }
void TSLTryFinallyProcedure::Execute(TSLContext* Context) { PushTry<TSLFinallyTokenizer>(Context); }

void TSLExitBlockProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  auto isBlockOrLoop = [](TSLObject* t) {
    return As<TSLBlockTokenizer>(t) || As<TSLLoopTokenizer>(t);
  };
  if (!PopThrough(ctx, isBlockOrLoop))
    ScheduleStandardException(ctx, u"exitblock called without enclosing block");
}

void TSLExitLoopProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  if (!PopThrough(ctx, [](TSLObject* t) { return As<TSLLoopTokenizer>(t) != nullptr; }))
    ScheduleStandardException(ctx, u"exitloop called without enclosing loop");
}

void TSLExitProcProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* exec = ctx->ExecutionStackObj();
  while (exec->GetCount() > 0) {
    if (auto* proc = As<TSLProcTokenizer>(exec->GetObjAtIndex(0))) {
      proc->Exit();
      return;
    }
    PopTokenizer(ctx);
  }
  ScheduleStandardException(ctx, u"exitproc called without enclosing procedure");
}

namespace {

// The body of the first key of Cases that Matches (identifiers stand for the value
// they resolve to), else Otherwise.
template <class Matches>
TSLBlock* ChooseCase(TSLContextImplementation* Context, TSLBlock* Cases, TSLBlock* Otherwise, Matches matches) {
  for (int i = 0; i < Cases->GetCount() / 2; ++i) {
    TSLObject* key = Cases->GetObjAtIndex(2 * i);
    if (auto* name = As<TSLIdent>(key)) key = Context->ResolveName(name->IdentValue());
    if (matches(key)) return CheckedCast<TSLBlock>(Cases->GetObjAtIndex(2 * i + 1));
  }
  return Otherwise;
}

template <class Matches>
void RunCase(TSLContext* Context, Matches matches) {
  TSLContextImplementation* ctx = Implementation(Context);
  TSLStack* ops = ctx->OperandStackObj();
  auto* otherwise = OperandAt<TSLBlock>(ops, 0);
  auto* cases = OperandAt<TSLBlock>(ops, 1);
  ChooseCase(ctx, cases, otherwise, matches)->Execute(ctx);  // its tokenizer holds the block
  Drop(ops, 3);
}

}  // namespace

void TSLCaseProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLLongint>(&TSLCaseProcedure::ExecuteLongint, 2);
  RegisterProcedureForClassName<TSLString>(&TSLCaseProcedure::ExecuteString, 2);
}

void TSLCaseProcedure::ExecuteLongint(TSLContext* Context) {
  const std::int64_t value = static_cast<TSLLongint*>(Operands(Context)->GetObjAtIndex(2))->GetLongintValue();
  RunCase(Context, [&](TSLObject* key) { return CheckedCast<TSLLongint>(key)->GetLongintValue() == value; });
}

void TSLCaseProcedure::ExecuteString(TSLContext* Context) {
  // Keys match on their 8-bit text, byte for byte.
  const AnsiString value = WideToAnsi(static_cast<TSLString*>(Operands(Context)->GetObjAtIndex(2))->StringValue());
  RunCase(Context, [&](TSLObject* key) { return WideToAnsi(CheckedCast<TSLString>(key)->StringValue()) == value; });
}

void TSLExecProcedure::RegisterProcedures() {
  RegisterProcedureForClassName<TSLIdent>(&TSLExecProcedure::ExecuteIdent, 0);
  RegisterProcedureForClassName<TSLBlock>(&TSLExecProcedure::ExecuteBlock, 0);
  RegisterProcedureForClassName<TSLProcedure>(&TSLExecProcedure::ExecuteProcedure, 0);
}

void TSLExecProcedure::ExecuteIdent(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  // Runs as if the name stood in the script: a literal /name becomes a call.
  const AnsiString name = static_cast<TSLIdent*>(ctx->OperandStackObj()->GetObjAtIndex(0))->IdentValue();
  ctx->OperandStackObj()->Pop(false);
  ScheduleName(ctx, name);
}

void TSLExecProcedure::ExecuteBlock(TSLContext* Context) {
  // A procedure's own Execute pushes a procedure tokenizer, a block's a block tokenizer.
  PopHeld(Operands(Context))->Execute(Context);
}

void TSLExecProcedure::ExecuteProcedure(TSLContext* Context) { ExecuteBlock(Context); }

// Task control

void TSLAbortProcedure::Execute(TSLContext* Context) {
  TSLContextImplementation* ctx = Implementation(Context);
  if (ctx->FScriptTask) {
    ctx->FScriptTask->Abort();  // the task ends the script at its next step
    return;
  }
  // Nobody would end a script that runs without a task: end the run here, past any try.
  ctx->FExceptionMapped = true;
  throw Exception("script task aborted");
}

}  // namespace vt
