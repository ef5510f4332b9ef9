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

TSLObject* TSLTokenizer::GetToken(TSLContextImplementation* Context) {
  if (FUserValue != 0 || Context->GetState() == isContinuing) return FToken.get();
  TSLObject* token = GetNextToken(Context);
  if (!token) {
    ClearToken();
    return nullptr;
  }
  FUnresolvedToken.Assign(token);
  if (auto* ident = As<TSLIdent>(token)) {
    FTokenIsExecutable = ident->IsExecutable();
    if (FTokenIsExecutable) {
      token = Context->ResolveIdent(ident);
      FTokenIsExecutable = IsExecutableKind(token);
    }
  } else {
    FTokenIsExecutable = token->GetExecutable();
  }
  FToken.Assign(token);
  return token;
}

void TSLTokenizer::ClearToken() {
  FToken.reset();
  FTokenIsExecutable = false;
  FUnresolvedToken.reset();
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
  TokenArray = TRef<TSLArray>(Block);
  ExecuteItem = 0;
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
  return nullptr;
}

// TSLProcTokenizer

void TSLProcTokenizer::Init(TSLProcedure* Proc) {
  const int n = Proc->GetCount();
  if (n == 0 || !As<TSLArray>(Proc->GetObjAtIndex(0)))
    throw Exception(Format("%s.Init: Invalid Procedure(first object is not of type TSLArray)", ClassName()));
  if (!As<TSLArray>(Proc->GetObjAtIndex(n - 1)))
    throw Exception(Format("%s.Init: Invalid Procedure(last object is not of type TSLArray)", ClassName()));
  TokenArray = TRef<TSLProcedure>(Proc);
  ExecuteItem = 0;
}

void TSLProcTokenizer::BindParameters(TSLContextImplementation* Context) {
  FDictStackCount = Context->DictStackObj()->GetCount();
  auto locals = MakeRef<TSLDictionary>();
  Context->DictStackObj()->Push(locals.get());
  ExecuteItem = 1;  // from here on the dictionary is ours to remove
  auto* names = static_cast<TSLArray*>(TokenArray->GetObjAtIndex(0));
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
  auto* names = static_cast<TSLArray*>(TokenArray->GetObjAtIndex(TokenArray->Count() - 1));
  TSLDictionary* locals = Context->TopDict();
  for (int i = 0; i < names->GetCount(); ++i) {
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
    if (ExecuteItem == last) PushResults(Context);
    ExecuteItem = last + 1;  // results are delivered once
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
  TokenArray = TRef<TSLArray>(Body);
  ExecuteItem = 0;
}

void TSLRepeatTokenizer::InitWithBlock(TSLArray* Block, std::int32_t RepeatCount) {
  InitBody(Block);
  FRepeatCount = RepeatCount;
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
    }
  }
  return ExecuteItem < n ? TokenArray->ItemAt(ExecuteItem++) : nullptr;
}

TSLObject* TSLPassTokenizer::GetNextToken(TSLContextImplementation*) {
  if (ExecuteItem < 0) throw Exception(Format("%s.GetNextToken: ProcTokenizer not initialized", ClassName()));
  if (ExecuteItem == 0) {
    if (CheckTerminate()) return nullptr;
    if (!PushDone) {
      PushDone = true;
      return PushValue();
    }
  }
  const int n = TokenArray->Count();
  TSLObject* token = ExecuteItem < n ? TokenArray->ItemAt(ExecuteItem++) : nullptr;
  if (ExecuteItem >= n) {  // the pass is complete
    ExecuteItem = 0;
    Advance();
    PushDone = false;
    if (!token && !CheckTerminate()) {  // an empty body: straight to the next value
      PushDone = true;
      return PushValue();
    }
  }
  return token;
}

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

bool TSLForTokenizer::CheckTerminate() const {
  if (Mode == feLongint)
    return (IntIncrement > 0 && IntActual > IntLimit) || (IntIncrement < 0 && IntActual < IntLimit);
  return (RealIncrement > 0 && RealActual > RealLimit) || (RealIncrement < 0 && RealActual < RealLimit);
}

TSLObject* TSLForTokenizer::PushValue() {
  // Owned by nobody until the token takes it, right after this returns.
  if (Mode == feLongint) return new TSLLongint(false, IntActual);
  return new TSLDouble(false, RealActual);
}

void TSLForTokenizer::Advance() {
  if (Mode == feLongint)  // integers wrap on overflow
    IntActual = static_cast<std::int64_t>(static_cast<std::uint64_t>(IntActual) + static_cast<std::uint64_t>(IntIncrement));
  else
    RealActual += RealIncrement;
}

void TSLForallTokenizer::Init(TSLCollection* ACollection, TSLArray* Body) {
  InitBody(Body);
  Collection = TRef<TSLCollection>(ACollection);
  Index = 0;
}

bool TSLForallTokenizer::CheckTerminate() const { return Index >= Collection->GetCount(); }

TSLObject* TSLForallTokenizer::PushValue() {
  if (auto* named = As<TSLNamedCollection>(Collection.get()))
    return new TSLIdent(false, WideToAnsi(named->GetNameAtIndex(Index)), false);
  return Collection->GetObjAtIndex(Index);
}

}  // namespace vt
