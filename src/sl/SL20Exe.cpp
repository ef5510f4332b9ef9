// The execution context and the interpreter; see SL20Exe.h.
#include "SL20Exe.h"

#include <chrono>

#include "CtxIntf.h"
#include "Dialogs.h"
#include "Format.h"
#include "SL20Elm.h"
#include "SL20Prc.h"
#include "SL20Sto.h"
#include "SL20Tok.h"
#include "SLLimits.h"

namespace vt {

bool IsExecutableKind(const TSLObject* Obj) {
  return dynamic_cast<const TSLBlock*>(Obj) || dynamic_cast<const TSLInternalProcedure*>(Obj);
}

// TSLContextImplementation

TSLContextImplementation::TSLContextImplementation(bool AutoRelease)
    : TSLContext(AutoRelease),
      FOperandStack(MakeRef<TSLStack>()),
      FExecutionStack(MakeRef<TSLStack>()),
      FDictStack(MakeRef<TSLStack>()),
      FNameSpaceDict(MakeRef<TSLDictionary>()),
      FOperandStackIntf(std::make_unique<TContextStackInterface>(FOperandStack.get())),
      FExecutionStackIntf(std::make_unique<TContextStackInterface>(FExecutionStack.get())),
      FDictStackIntf(std::make_unique<TContextStackInterface>(FDictStack.get())),
      FContextIntf(std::make_unique<TContextInterfaceImplementation>(this)) {
  FOperandStackInterface = FOperandStackIntf.get();
  FExecutionStackInterface = FExecutionStackIntf.get();
  FDictStackInterface = FDictStackIntf.get();
  FContextInterface = FContextIntf.get();
}

TSLContextImplementation::~TSLContextImplementation() = default;

TSLTokenizer* TSLContextImplementation::TopTokenizer() const {
  if (FExecutionStack->GetCount() == 0) return nullptr;
  return CheckedCast<TSLTokenizer>(FExecutionStack->GetObjAtIndex(0));
}

std::int32_t TSLContextImplementation::GetUserValue() const {
  TSLTokenizer* top = TopTokenizer();
  return top ? top->FUserValue : 0;
}

void TSLContextImplementation::SetUserValue(std::int32_t Value) {
  if (TSLTokenizer* top = TopTokenizer()) top->FUserValue = Value;
}

TSLDictionary* TSLContextImplementation::TopDict() const {
  return CheckedCast<TSLDictionary>(FDictStack->GetObjAtIndex(0));
}

TSLDictionary* TSLContextImplementation::FindNameSpace(std::string_view Name) {
  if (auto* ns = dynamic_cast<TSLDictionary*>(FNameSpaceDict->FindObjectAnsi(Name))) return ns;
  // Not registered: the first string under that name in the dictionary stack is an alias.
  for (int i = FDictStack->GetCount() - 1; i >= 0; --i) {
    auto* dict = dynamic_cast<TSLDictionary*>(FDictStack->TSLArray::GetObjAtIndex(i));
    auto* alias = dict ? dynamic_cast<TSLString*>(dict->FindObjectAnsi(Name)) : nullptr;
    if (alias) return dynamic_cast<TSLDictionary*>(FNameSpaceDict->FindObject(alias->StringValue()));
  }
  return nullptr;
}

TSLObject* TSLContextImplementation::Resolve(std::string_view AName, TSLDictionary*& Parent) {
  Parent = nullptr;
  std::string_view rest = AName;
  for (;;) {
    const std::size_t colon = rest.find(':');
    if (colon != std::string_view::npos) {
      Parent = FindNameSpace(rest.substr(0, colon));
      if (!Parent) return nullptr;
      rest.remove_prefix(colon + 1);
    }
    const std::size_t dot = rest.find('.');
    const std::string_view part = rest.substr(0, dot);
    const bool more = dot != std::string_view::npos;
    TSLObject* found = nullptr;
    if (Parent) {
      found = Parent->FindObjectAnsi(part);
    } else {
      // Top first: the first dictionary holding the name wins.
      for (int i = FDictStack->GetCount() - 1; i >= 0; --i) {
        auto* dict = dynamic_cast<TSLDictionary*>(FDictStack->TSLArray::GetObjAtIndex(i));
        const int index = dict ? dict->IndexOfAnsi(part) : -1;
        if (index >= 0) {
          found = dict->GetObjAtIndex(index);
          break;
        }
      }
    }
    if (!found) {
      if (more) Parent = nullptr;
      return nullptr;
    }
    if (!more) return found;
    Parent = dynamic_cast<TSLDictionary*>(found);
    if (!Parent) return nullptr;
    rest.remove_prefix(dot + 1);
  }
}

TSLObject* TSLContextImplementation::ResolveName(const AnsiString& AName) {
  TSLDictionary* parent = nullptr;
  if (TSLObject* obj = Resolve(AName, parent)) return obj;
  throw Exception(Format("object with name '%s' not found", AnsiToUtf8(AName)));
}

void TSLContextImplementation::AddDict(TSLObject* Dict) { FDictStack->Push(CheckedCast<TSLDictionary>(Dict)); }

void TSLContextImplementation::AddNamedDict(const AnsiString& Name, TSLObject* Dict) {
  auto* dict = CheckedCast<TSLDictionary>(Dict);
  FNameSpaceDict->AddObject(AnsiToWide(Name), dict);
  FDictStack->Push(dict);
}

void TSLContextImplementation::ImportDict(const AnsiString& Name, TSLObject* Dict) {
  auto* dict = CheckedCast<TSLDictionary>(Dict);
  FNameSpaceDict->AddObject(AnsiToWide(Name), dict);
  TSLObject* constants = dict->FindObject(u"Global_Const");
  if (!constants) return;
  TSLDictionary* top = TopDict();
  if (top->NameExists(u"Global_Const")) {
    ShowMessage(u"GlobalConst already exists! Only one is allowed!");
    return;
  }
  top->AddObject(u"Global_Const", CheckedCast<TSLDictionary>(constants));
}

void TSLContextImplementation::PushBlock(TSLObject* Block) {
  if (FState != isIdle && FState != isFinished)
    throw Exception("PushBlock is only allowed in finished or idle state");
  CheckedCast<TSLBlock>(Block)->Execute(this);  // a procedure pushes its own tokenizer
  FState = isExecuting;
}

void TSLContextImplementation::Wait(void*, std::int32_t Timeout) {
  if (FState == isWaiting) throw Exception("wait called while in wait state");
  FTimeout = Timeout;
  FState = isWaiting;
}

void TSLContextImplementation::Continue(void*) {
  if (FState != isWaiting) throw Exception("continue called while not in wait state");
  FState = isContinuing;
  if (OnContinue) OnContinue(this);
}

void TSLContextImplementation::Resume(void*) {
  if (FState != isWaiting) throw Exception("resume called while not in wait state");
  FState = isContinuing;
  if (OnResume) OnResume(this);
}

void TSLContextImplementation::ResumeAfterBreakpoint(void*) {
  if (FState != isBreakpoint) throw Exception("resume called while not in wait state");
  FState = isExecuting;
}

void TSLContextImplementation::Reset() {
  FExceptionMapped = false;
  FExceptToken.reset();
}

TSLObject* TSLContextImplementation::FetchToken() {
  while (TSLTokenizer* top = TopTokenizer()) {
    if (TSLObject* token = top->GetToken(this)) return token;
    FExecutionStack->Pop(false);
  }
  return nullptr;
}

TSLObject* TSLContextImplementation::GetTokenExec(bool& Executable) const {
  TSLTokenizer* top = TopTokenizer();
  Executable = top && top->FTokenIsExecutable;
  return top ? top->FToken.get() : nullptr;
}

TSLObject* TSLContextImplementation::GetUnresolvedToken() const {
  TSLTokenizer* top = TopTokenizer();
  return top ? top->FUnresolvedToken.get() : nullptr;
}

void TSLContextImplementation::ClearToken() {
  if (TSLTokenizer* top = TopTokenizer()) top->ClearToken();
}

// TSLInterpreter

namespace {

// Turns a failure of a token into a script exception that "tryexcept" can catch: the
// message is pushed and "raisese" runs next. A failure that is already a mapped one
// passes on and ends the run.
void MapFailure(TSLContextImplementation* Context, const Exception& Failure) {
  if (Context->FExceptionMapped) throw;
  Context->FExceptionMapped = true;
  Context->SetExceptToken(Context->GetUnresolvedToken());
  ScheduleStandardException(Context, Utf8ToWide(Failure.Message()));
}

}  // namespace

bool TSLInterpreter::DoRun(TSLContextImplementation* Context, TIRunMode Mode) {
  using Clock = std::chrono::steady_clock;
  if (Context->GetState() == isIdle) throw Exception("interpreter called in idle state");
  if (Context->GetState() == isFinished) throw Exception("interpreter called in finished state");
  Context->FTimeout = kNoTimeout;
  TSLStack* execStack = Context->ExecutionStackObj();
  if (Mode == rmStepOver && Context->GetState() == isExecuting) Context->FProcCount = execStack->GetCount();
  if (Context->GetState() == isWaitZero) Context->SetState(isExecuting);
  const auto start = Clock::now();
  for (;;) {
    switch (Context->GetState()) {
      case isExecuting:
        Exec(Context);
        Fetch(Context);
        if (Mode == rmStepInto) {
          Display(Context);
        } else if (Context->GetState() == isFinished) {
          return true;
        } else if (Context->GetState() == isExecuting && CheckBreak(Context)) {
          Context->SetState(isBreakpoint);
          return false;
        }
        break;
      case isWaiting:
        throw Exception("interpreter called in wait state");
      case isContinuing:
        if (Context->GetUserValue() != 0) ExecAgain(Context);
        if (Context->GetState() == isContinuing) {
          Context->SetState(isExecuting);
          Context->ClearToken();
        }
        break;
      default:  // at a breakpoint nothing runs until the debugger resumes
        break;
    }
    const TContextState state = Context->GetState();
    if (Mode == rmStepInto) return state == isFinished;
    if (Mode == rmStepOver && (execStack->GetCount() <= Context->FProcCount || state == isWaiting)) {
      if (state != isWaiting) Display(Context);
      return state == isFinished;
    }
    if (state == isWaiting || state == isBreakpoint) return false;
    if (Clock::now() - start >= std::chrono::milliseconds(kInterpreterSliceMs)) {
      Context->SetState(isWaitZero);
      return false;
    }
  }
}

void TSLInterpreter::Exec(TSLContextImplementation* Context) {
  bool executable = false;
  TSLObject* token = Context->GetTokenExec(executable);
  if (!token) return;
  if (!executable) {
    Context->OperandStackObj()->Push(token);
    return;
  }
  if (!IsExecutableKind(token)) return;
  const TRef<TSLObject> hold(token);  // the token may drop its last other holder while it runs
  try {
    token->Execute(Context);
  } catch (const Exception& failure) {
    MapFailure(Context, failure);
  }
}

void TSLInterpreter::ExecAgain(TSLContextImplementation* Context) {
  TSLTokenizer* top = Context->TopTokenizer();
  const TRef<TSLObject> token = top->FToken;
  if (!token) return;
  try {
    token->Execute(Context);
  } catch (const Exception& failure) {
    if (Context->FExceptionMapped || Context->GetState() != isContinuing) throw;
    ScheduleStandardException(Context, Utf8ToWide(failure.Message()));
  }
}

void TSLInterpreter::Fetch(TSLContextImplementation* Context) {
  if (Context->GetState() != isExecuting) return;
  if (!Context->FetchToken()) Context->SetState(isFinished);
}

void TSLInterpreter::Display(TSLContextImplementation* Context) {
  TSLObject* token = Context->GetUnresolvedToken();
  if (!OnDbgDisplay || !token) return;
  const bool shown = dynamic_cast<TSLIdent*>(token) || dynamic_cast<TSLString*>(token) ||
                     dynamic_cast<TSLNumber*>(token);
  OnDbgDisplay(shown ? token : nullptr);
}

bool TSLInterpreter::CheckBreak(TSLContextImplementation* Context) {
  if (!OnDbgDisplay) return false;
  auto* ident = dynamic_cast<TSLIdent*>(Context->GetUnresolvedToken());
  if (!ident || !ident->DbgInfo() || !ident->DbgInfo()->GetBreakpoint()) return false;
  OnDbgDisplay(ident);
  return true;
}

// Debug positions

TDbgInfo* GetDbgInfo(const TSLObject* Obj) { return Obj ? Obj->DbgInfo() : nullptr; }

AnsiString GetDbgLine(const TSLObject* Obj) {
  const TDbgInfo* info = GetDbgInfo(Obj);
  return info ? std::to_string(info->GetTokLine()) : AnsiString();
}

AnsiString GetDbgFile(const TSLObject* Obj) {
  const TDbgInfo* info = GetDbgInfo(Obj);
  std::uint16_t id = 0;
  AnsiString name;
  if (!info || (id = info->GetStorageID()) == 0) return name;
  try {
    name = StorageIDManager().GetIDInfo(id).Name;
  } catch (const Exception&) {
    return AnsiString();  // a text whose ID is gone has no file to name
  }
  const std::size_t slash = name.find_last_of("\\/");
  return slash == AnsiString::npos ? name : name.substr(slash + 1);
}

std::string RuntimeErrorText(const TSLContextImplementation* Context, const std::string& Message) {
  const TSLObject* token = Context->FExceptToken ? Context->FExceptToken.get() : Context->GetUnresolvedToken();
  const AnsiString file = GetDbgFile(token);
  if (file.empty()) return "Runtime error: " + Message;
  return Format("[%s, %s] Runtime error: ", AnsiToUtf8(file), GetDbgLine(token)) + Message;
}

}  // namespace vt
