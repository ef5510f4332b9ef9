// Tokenizers; see Tokenizers.h.
#include "sl/interpreter/Tokenizers.h"

#include "platform/Format.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/Procedures.h"
#include "sl/values/Scalars.h"

namespace vt {

// Running a block or a procedure means pushing its tokenizer; the interpreter runs it.
void TSLBlock::Execute(TSLContext* Context) {
  auto tokenizer = MakeRef<TSLBlockTokenizer>();
  tokenizer->InitWithBlock(this);
  Context->ExecutionStack()->Push(tokenizer.get());
}

void TSLProcedure::Execute(TSLContext* Context) {
  auto tokenizer = MakeRef<TSLProcTokenizer>();
  tokenizer->Init(this);
  Context->ExecutionStack()->Push(tokenizer.get());
}

// TSLTokenizer

TSLTokenizer::~TSLTokenizer() {
  if (TokenArray) TokenArray->EndRun();
}

void TSLTokenizer::RunArray(TSLArray* Array) {
  Array->StartRun();
  if (TokenArray) TokenArray->EndRun();
  TokenArray = TRef<TSLArray>(Array);
}

void TSLTokenizer::OpenLane(int Reserve) {
  if (TokenArray->ClassBits() & cbStack) return;
  FLaneArray = TokenArray.get();
  FLaneReserve = Reserve;
}

TSLObject* TSLTokenizer::GetTokenSlowly(TSLContextImplementation* Context) {
  if (FUserValue != 0 || Context->GetState() == isContinuing) return FToken;
  TSLObject* token = GetNextToken(Context);
  if (!token) {
    ClearToken();
    return nullptr;
  }
  return SetCurrentToken(token, Context);
}

void TSLTokenizer::ClearToken() {
  FToken = nullptr;
  FTokenIsExecutable = false;
  FUnresolvedToken = nullptr;
  FTokenHold.reset();
}

TSLObject* TSLTokenizer::GetNextToken(TSLContextImplementation*) { RaiseMethodNotImplementedException("GetNextToken"); }

// TSLObjectTokenizer

TSLObject* TSLObjectTokenizer::GetNextToken(TSLContextImplementation*) {
  if (FHandedOut) return nullptr;
  FHandedOut = true;
  return FObject.get();
}

// TSLBlockTokenizer and its try, except and finally kinds

void TSLBlockTokenizer::InitWithBlock(TSLArray* Block) {
  RunArray(Block);
  ExecuteItem = 0;
  OpenLane(0);
}

TSLObject* TSLBlockTokenizer::GetNextToken(TSLContextImplementation*) {
  if (ExecuteItem < 0) throw Exception(Format("%s.GetNextToken: ProcTokenizer not initialized", ClassName()));
  if (ExecuteItem >= TokenArray->Count()) return nullptr;
  return TokenArray->ItemAt(ExecuteItem++);
}

void TSLTryTokenizer::RecordStacks(TSLContextImplementation* Context) {
  FOpStackCount = Context->OperandStackObj()->GetCount();
  FDictStackCount = Context->DictStackObj()->GetCount();
}

namespace {

void CutStack(TSLStack* Stack, int Count) {
  while (Stack->GetCount() > Count) Stack->Pop(false);
}

}  // namespace

void TSLTryTokenizer::CleanupStacks(TSLContextImplementation* Context) {
  CutStack(Context->OperandStackObj(), FOpStackCount);
  CutStack(Context->DictStackObj(), FDictStackCount);
}

void TSLExceptTokenizer::InitWithBlock(TSLArray* Block) {
  TSLBlockTokenizer::InitWithBlock(Block);
  CloseLane();  // until an exception arms it
}

void TSLExceptTokenizer::Arm() {
  FArmed = true;
  OpenLane(0);
}

TSLObject* TSLExceptTokenizer::GetNextToken(TSLContextImplementation* Context) {
  return FArmed ? TSLBlockTokenizer::GetNextToken(Context) : nullptr;
}

void TSLFinallyTokenizer::Arm(TSLObject* ExceptObj) {
  FState = ftExecuteArmed;
  FExceptObj = TRef<TSLObject>(ExceptObj);
}

TSLObject* TSLFinallyTokenizer::GetNextToken(TSLContextImplementation* Context) {
  if (FState == ftFinished) return nullptr;
  TSLObject* token = TSLBlockTokenizer::GetNextToken(Context);
  if (token || FState == ftExecute) return token;
  // The block is done and an exception passed: raise it again right after this.
  Context->OperandStackObj()->Push(FExceptObj.get());
  auto reraise = MakeRef<TSLObjectTokenizer>(MakeRef<TSLIdent>("raise", true).get());
  Context->ExecutionStackObj()->InsObjAtIndex(0, reraise.get());
  FState = ftFinished;
  CloseLane();
  return nullptr;
}

// TSLProcTokenizer

void TSLProcTokenizer::Init(TSLProcedure* Proc) {
  const int n = Proc->GetCount();
  if (n == 0 || !As<TSLArray>(Proc->GetObjAtIndex(0)))
    throw Exception(Format("%s.Init: Invalid Procedure(first object is not of type TSLArray)", ClassName()));
  if (!As<TSLArray>(Proc->GetObjAtIndex(n - 1)))
    throw Exception(Format("%s.Init: Invalid Procedure(last object is not of type TSLArray)", ClassName()));
  RunArray(Proc);
  ExecuteItem = 0;
}

void TSLProcTokenizer::BindParameters(TSLContextImplementation* Context) {
  FDictStackCount = Context->DictStackObj()->GetCount();
  auto locals = MakeRef<TSLDictionary>();
  Context->DictStackObj()->Push(locals.get());
  ExecuteItem = 1;  // from here on the dictionary is ours to remove
  OpenLane(1);      // the last element names the results
  // Code that ran since Init may have changed the procedure.
  auto* names = CheckedCast<TSLArray>(TokenArray->GetObjAtIndex(0));
  TSLStack* operands = Context->OperandStackObj();
  // The last parameter receives the top of the stack.
  for (int i = names->GetCount() - 1; i >= 0; --i) {
    auto* name = CheckedCast<TSLIdent>(names->GetObjAtIndex(i));
    locals->AddObject(AnsiToWide(name->IdentValue()), operands->GetObjAtIndex(0));
    operands->Pop(false);
  }
  FOpStackCount = operands->GetCount();
}

void TSLProcTokenizer::PushResults(TSLContextImplementation* Context) {
  TSLStack* operands = Context->OperandStackObj();
  CutStack(operands, FOpStackCount);
  // The body may have changed its procedure: an array in the last place names the
  // results, anything else (or an emptied procedure) none.
  const int n = TokenArray->Count();
  auto* names = n > 0 ? As<TSLArray>(TokenArray->UncheckedItem(n - 1)) : nullptr;
  TSLDictionary* locals = Context->TopDict();
  for (int i = 0; names && i < names->GetCount(); ++i) {
    auto* name = CheckedCast<TSLIdent>(names->GetObjAtIndex(i));
    operands->Push(locals->GetObjWithName(AnsiToWide(name->IdentValue())));
  }
  CutStack(Context->DictStackObj(), FDictStackCount);
}

TSLObject* TSLProcTokenizer::GetNextToken(TSLContextImplementation* Context) {
  if (ExecuteItem < 0) throw Exception(Format("%s.GetNextToken: ProcTokenizer not initialized", ClassName()));
  if (ExecuteItem == 0) BindParameters(Context);
  const int last = TokenArray->Count() - 1;
  if (ExecuteItem >= last) {
    // The body is done, also when it shrank its procedure below this point.
    if (!FResultsDelivered) PushResults(Context);
    FResultsDelivered = true;
    CloseLane();
    return nullptr;
  }
  return TokenArray->ItemAt(ExecuteItem++);
}

void TSLProcTokenizer::Exit() {
  // Only a running body can be left; bound parameters and delivered results stay as they are.
  const int last = TokenArray ? TokenArray->Count() - 1 : -1;
  if (ExecuteItem > 0 && ExecuteItem < last) ExecuteItem = last;
}

// Loops

void TSLLoopTokenizer::InitBody(TSLArray* Body) {
  RunArray(Body);
  ExecuteItem = 0;
}

void TSLRepeatTokenizer::InitWithBlock(TSLArray* Block, std::int32_t RepeatCount) {
  InitBody(Block);
  FRepeatCount = RepeatCount;
  UpdateLane();
}

void TSLRepeatTokenizer::UpdateLane() {
  if (FRepeatCount > 0 || FRepeatCount == -1)
    OpenLane(0);
  else
    CloseLane();
}

TSLObject* TSLRepeatTokenizer::GetNextToken(TSLContextImplementation*) {
  if (ExecuteItem < 0) throw Exception(Format("%s.GetNextToken: ProcTokenizer not initialized", ClassName()));
  if (FRepeatCount <= 0 && FRepeatCount != -1) return nullptr;
  const int n = TokenArray->Count();
  if (ExecuteItem == n) {
    if (FRepeatCount == -1) {
      ExecuteItem = 0;
    } else {
      if (FRepeatCount > 1) ExecuteItem = 0;
      --FRepeatCount;
      UpdateLane();
    }
  }
  return ExecuteItem < n ? TokenArray->ItemAt(ExecuteItem++) : nullptr;
}

template <class Loop>
TSLObject* TSLPassTokenizer::NextOfPass(Loop* Self, TSLContextImplementation* Context) {
  if (ExecuteItem < 0) throw Exception(Format("%s.GetNextToken: ProcTokenizer not initialized", ClassName()));
  if (ExecuteItem == 0) {
    if (Self->CheckTerminate()) return nullptr;
    if (!PushDone) return StartPass(Self, Context);
  }
  const int n = TokenArray->Count();
  TSLObject* token = ExecuteItem < n ? TokenArray->ItemAt(ExecuteItem++) : nullptr;
  if (ExecuteItem >= n) {
    EndPassOf(Self);
    if (!token && !Self->CheckTerminate()) return StartPass(Self, Context);  // an empty body: straight to the next value
    return token;
  }
  OpenLane(1);  // the last element completes the pass
  return token;
}

template <class Loop>
void TSLPassTokenizer::EndPassOf(Loop* Self) {
  ExecuteItem = 0;
  Self->Advance();
  PushDone = false;
  CloseLane();
}

template <class Loop>
TSLObject* TSLPassTokenizer::StartPass(Loop* Self, TSLContextImplementation* Context) {
  PushDone = true;
  // The first element may follow through the lane unless code running in between
  // could end the loop before it.
  if (Loop::kEndIsOwnState) OpenLane(1);
  return Self->PushValue(Context);
}

TSLObject* TSLForTokenizer::GetNextToken(TSLContextImplementation* Context) { return NextOfPass(this, Context); }
TSLObject* TSLForallTokenizer::GetNextToken(TSLContextImplementation* Context) { return NextOfPass(this, Context); }
void TSLForTokenizer::EndPass() { EndPassOf(this); }
void TSLForallTokenizer::EndPass() { EndPassOf(this); }

void TSLForTokenizer::InitLongint(std::int64_t Initial, std::int64_t Increment, std::int64_t Limit, TSLArray* Body) {
  InitBody(Body);
  Mode = feLongint;
  IntActual = Initial, IntIncrement = Increment, IntLimit = Limit;
}

void TSLForTokenizer::InitDouble(double Initial, double Increment, double Limit, TSLArray* Body) {
  InitBody(Body);
  Mode = feDouble;
  RealActual = Initial, RealIncrement = Increment, RealLimit = Limit;
}

TSLObject* TSLForTokenizer::PushValue(TSLContextImplementation* Context) {
  // The value of the last pass is used again when nothing but this tokenizer holds it
  // any more: nobody can tell it from a new one.
  const bool unshared = Value && Value->GetRefCount() == 1;
  if (Mode == feLongint) {
    if (auto* v = As<TSLLongint>(Value.get()); v && unshared) {
      v->SetLongintValue(IntActual);
      return v;
    }
    Value = Context->OperandStackObj()->NewLongint(IntActual);
  } else {
    if (auto* v = As<TSLDouble>(Value.get()); v && unshared) {
      v->SetDoubleValue(RealActual);
      return v;
    }
    Value = MakeRef<TSLDouble>(RealActual);
  }
  return Value.get();
}

void TSLForallTokenizer::Init(TSLCollection* ACollection, TSLArray* Body) {
  InitBody(Body);
  Collection = TRef<TSLCollection>(ACollection);
  Index = 0;
}

bool TSLForallTokenizer::CheckTerminate() const { return Index >= Collection->GetCount(); }

TSLObject* TSLForallTokenizer::PushValue(TSLContextImplementation*) {
  if (auto* named = As<TSLNamedCollection>(Collection.get()))
    Value = MakeRef<TSLIdent>(WideToAnsi(named->GetNameAtIndex(Index)), false);
  else
    Value = TRef<TSLObject>(Collection->GetObjAtIndex(Index));
  return Value.get();
}

}  // namespace vt
