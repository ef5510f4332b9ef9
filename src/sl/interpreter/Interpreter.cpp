// The execution context and the interpreter; see Interpreter.h.
#include "sl/interpreter/Interpreter.h"

#include <time.h>

#include <new>

#include "platform/Dialogs.h"
#include "platform/Format.h"
#include "sl/SLLimits.h"
#include "sl/interpreter/ContextInterface.h"
#include "sl/interpreter/Procedures.h"
#include "sl/interpreter/Tokenizers.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace vt {

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
  FDictStack->MarkScope();
  MarkClass(kClassBit);
}

TSLContextImplementation::~TSLContextImplementation() = default;

std::int32_t TSLContextImplementation::GetUserValue() const {
  TSLTokenizer* top = TopTokenizer();
  return top ? top->FUserValue : 0;
}

void TSLContextImplementation::SetUserValue(std::int32_t Value) {
  TSLTokenizer* top = TopTokenizer();
  if (!top) return;
  top->FUserValue = Value;
  if (Value != 0) top->PinToken();  // it runs again later
}

TSLDictionary* TSLContextImplementation::TopDict() const {
  return CheckedCast<TSLDictionary>(FDictStack->GetObjAtIndex(0));
}

TSLDictionary* TSLContextImplementation::FindNameSpace(std::string_view Name) {
  if (auto* ns = As<TSLDictionary>(FNameSpaceDict->FindObjectAnsi(Name))) return ns;
  // Not registered: the first string under that name in the dictionary stack is an alias.
  for (int i = FDictStack->GetCount() - 1; i >= 0; --i) {
    auto* dict = As<TSLDictionary>(FDictStack->TSLArray::GetObjAtIndex(i));
    auto* alias = dict ? As<TSLString>(dict->FindObjectAnsi(Name)) : nullptr;
    if (alias) return As<TSLDictionary>(FNameSpaceDict->FindObject(alias->StringValue()));
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
    } else if (const TSLDictionary::TEntry* entry = FindOnDictStack(part)) {
      found = entry->Value;
    }
    if (!found) {
      if (more) Parent = nullptr;
      return nullptr;
    }
    if (!more) return found;
    Parent = As<TSLDictionary>(found);
    if (!Parent) return nullptr;
    rest.remove_prefix(dot + 1);
  }
}

TSLDictionary::TEntry* TSLContextImplementation::FindOnDictStack(std::string_view Name, TSLDictionary** Holder) {
  // Top first: the first dictionary holding the name wins.
  for (int i = FDictStack->GetCount() - 1; i >= 0; --i) {
    auto* dict = As<TSLDictionary>(FDictStack->TSLArray::GetObjAtIndex(i));
    if (!dict) continue;
    dict->MarkScope();
    if (TSLDictionary::TEntry* entry = dict->FindEntryAnsi(Name)) {
      if (Holder) *Holder = dict;
      return entry;
    }
  }
  return nullptr;
}

TSLObject* TSLContextImplementation::ResolveIdentAfresh(const TSLIdent* Ident) {
  TSLIdent::TNameCache& cache = Ident->NameCache();
  const AnsiString& name = Ident->IdentValue();
  if (name.find_first_of(":.") != AnsiString::npos) return ResolveName(name);
  // A plain name depends only on the dictionary stack and the names of the scopes
  // searched, so its entry stays right until a scope of that name changes.
  const std::uint64_t stamp = ScopeStamp();
  TSLDictionary* holder = nullptr;
  TSLDictionary::TEntry* entry = FindOnDictStack(name, &holder);
  if (!entry || !entry->Value) throw Exception(Format("object with name '%s' not found", AnsiToUtf8(name)));
  cache = {stamp, TWideTextHash{}(std::string_view(name)), this, entry, holder};
  return entry->Value;
}

void TSLContextImplementation::DefineInTopDict(const TSLIdent* Ident, TSLObject* Value) {
  TSLDictionary* top = TopDict();
  const AnsiString& name = Ident->IdentValue();
  TSLDictionary::TEntry* entry = top->DefineObjectAnsi(name, Value);
  // The top dictionary holds the name now, so its entry is what the name stands for.
  // A plain name only: a dotted one is resolved otherwise.
  if (top->IsScope() && name.find('.') == AnsiString::npos)
    Ident->NameCache() = {ScopeStamp(), TWideTextHash{}(std::string_view(name)), this, entry, top};
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

// The end of a slice on a coarse monotonic clock, which costs next to nothing to read;
// its resolution of a few ms is as coarse as the system tick counter's.
class TSliceEnd {
 public:
  explicit TSliceEnd(int Ms) {
    clock_gettime(CLOCK_MONOTONIC_COARSE, &FEnd);
    FEnd.tv_nsec += static_cast<long>(Ms) * 1000000;
    FEnd.tv_sec += FEnd.tv_nsec / 1000000000;
    FEnd.tv_nsec %= 1000000000;
  }
  bool Reached() const {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return now.tv_sec > FEnd.tv_sec || (now.tv_sec == FEnd.tv_sec && now.tv_nsec >= FEnd.tv_nsec);
  }

 private:
  timespec FEnd{};
};

namespace {

// Whether Token is an internal procedure whose fast path did its work.
inline bool RanFastPath(TSLContextImplementation* Context, TSLObject* Token) {
  return (Token->ClassBits() & cbInternalProcedure) && static_cast<TSLInternalProcedure*>(Token)->TryFastPath(Context);
}

// Runs an executable token whose fast path (if any) declined: a block or procedure
// pushes its tokenizer, an internal procedure does its work. A failure becomes a
// script exception.
inline void RunToken(TSLContextImplementation* Context, TSLObject* Token) {
  try {
    if (Token->ClassBits() & cbInternalProcedure) {
      const TRef<TSLObject> hold(Token);  // it may drop its last other holder while it runs
      static_cast<TSLInternalProcedure*>(Token)->Run(Context);
    } else {
      Token->Execute(Context);
    }
  } catch (const Exception& failure) {
    MapFailure(Context, failure);
  }
}

// Calls never recurse on the native stack, but each level holds a tokenizer (and a
// procedure a dictionary): endless recursion would take all memory. It ends the run.
inline void CheckDepth(const TSLStack* ExecStack) {
  if (ExecStack->Count() > kMaxExecutionDepth)
    throw Exception(Format("calls nested deeper than %d levels", kMaxExecutionDepth));
}

inline TSLTokenizer* TopOf(TSLStack* ExecStack) {
  return ExecStack->Count() == 0 ? nullptr : CheckedCast<TSLTokenizer>(ExecStack->GetObjAtIndex(0));
}

// Whether running Token cannot take long: a block or procedure only pushes its
// tokenizer, a quick built-in works on values.
inline bool IsQuietToken(const TSLObject* Token) {
  return !(Token->ClassBits() & cbInternalProcedure) || static_cast<const TSLInternalProcedure*>(Token)->IsQuick();
}

inline TSLTokenizer::TLaneWindow LaneOf(const TSLTokenizer* Tokenizer) {
  return Tokenizer ? Tokenizer->LaneWindow() : TSLTokenizer::TLaneWindow{};
}

}  // namespace

bool TSLInterpreter::Exec(TSLContextImplementation* Context) {
  bool executable = false;
  TSLObject* token = Context->GetTokenExec(executable);
  if (!token) return true;
  if (!executable) {
    Context->OperandStackObj()->Push(token);
    return true;
  }
  if (!IsExecutableKind(token) || RanFastPath(Context, token)) return true;
  const bool quiet = IsQuietToken(token);
  RunToken(Context, token);
  return quiet;
}

void TSLInterpreter::Fetch(TSLContextImplementation* Context) {
  if (Context->GetState() != isExecuting) return;
  CheckDepth(Context->ExecutionStackObj());
  if (!Context->FetchToken()) Context->SetState(isFinished);
  // Whatever happens before it runs, the token must live until then.
  Context->PinToken();
}

// Exec and Fetch as the general loop does them, fused: the lane of the top tokenizer
// is held in locals while no code runs (pushing a value changes no array), so a token
// is taken, told apart and run inline; the tokenizer itself decides only at the ends
// of its lane. The token stands in the tokenizer as it would in the general loop
// whenever anything could look: before code runs, and at the end of a slice.
void TSLInterpreter::RunQuickly(TSLContextImplementation* Context, const TSliceEnd& SliceEnd) {
  TSLStack* exec = Context->ExecutionStackObj();
  TSLStack* ops = Context->OperandStackObj();
  CheckDepth(exec);
  // A step that only pushed a value or ran a quick built-in cannot have taken long:
  // the clock is read after every other step, and after every
  // kQuietStepsBetweenTicks quiet ones. This counts the steps left until the next read.
  int stepsToTick = Exec(Context) ? kQuietStepsBetweenTicks : 1;  // the token fetched before this call
  if (Context->GetState() != isExecuting) return;
  TSLTokenizer* top = TopOf(exec);
  TSLTokenizer::TLaneWindow lane = LaneOf(top);
  for (;;) {
    // Fetch. The last element of a loop's pass is taken here too: the loop's EndPass
    // then does what its GetNextToken does when it hands that element out.
    TSLObject* token = nullptr;
    bool executable = false;
    const bool endsPass = lane.Next >= lane.End && lane.EndsPass && lane.Next == lane.End;
    if ((lane.Next < lane.End || endsPass) && (token = lane.Items[lane.Next]) != nullptr) {
      top->Took(++lane.Next, token);
      if (endsPass) {
        static_cast<TSLPassTokenizer*>(top)->EndPass();
        lane = {};
      }
      token = ResolveToken(Context, token, executable);
    } else {
      // The end of the lane: the tokenizer decides, and one with nothing left goes.
      token = top ? top->GetTokenSlowly(Context) : nullptr;
      while (top && !token) {
        exec->Pop(false);
        top = TopOf(exec);
        if (top) token = top->GetTokenExecuting(Context);
      }
      if (!top) {
        Context->SetState(isFinished);
        return;
      }
      executable = top->FTokenIsExecutable;
      lane = top->LaneWindow();
    }
    if (--stepsToTick == 0) {
      stepsToTick = kQuietStepsBetweenTicks;
      if (SliceEnd.Reached()) {
        top->FToken = token;
        top->FTokenIsExecutable = executable;
        top->PinToken();
        Context->SetState(isWaitZero);
        return;
      }
    }
    // Exec.
    if (!executable) {
      ops->Push(token);
      continue;
    }
    if (!IsExecutableKind(token)) continue;
    if (RanFastPath(Context, token)) continue;  // it touched the operands and a dictionary at most
    top->FToken = token;
    top->FTokenIsExecutable = true;
    if (!IsQuietToken(token)) stepsToTick = 1;
    RunToken(Context, token);
    if (Context->GetState() != isExecuting) return;
    // The code may have pushed or popped tokenizers, and changed any array.
    if (exec->Count() == 0 || exec->Peek(0) != top) top = TopOf(exec);
    CheckDepth(exec);
    lane = LaneOf(top);
  }
}

bool TSLInterpreter::DoRun(TSLContextImplementation* Context, TIRunMode Mode) {
  // Only the system's exceptions leave the interpreter: anything else (the heap
  // exhausted, a library's failure) ends the run as one of them. The token that was
  // running may be gone by now: it is not run again.
  try {
    try {
      return RunSlices(Context, Mode);
    } catch (...) {
      Context->ForgetRunToken();
      throw;
    }
  } catch (const Exception&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw Exception("Out of memory");
  } catch (const std::exception& e) {
    throw Exception(e.what());
  }
}

bool TSLInterpreter::RunSlices(TSLContextImplementation* Context, TIRunMode Mode) {
  if (Context->GetState() == isIdle) throw Exception("interpreter called in idle state");
  if (Context->GetState() == isFinished) throw Exception("interpreter called in finished state");
  if (Context->GetState() == isWaiting) throw Exception("interpreter called in wait state");
  Context->FTimeout = kNoTimeout;
  TSLStack* execStack = Context->ExecutionStackObj();
  if (Mode == rmStepOver && Context->GetState() == isExecuting) Context->FProcCount = execStack->GetCount();
  if (Context->GetState() == isWaitZero) Context->SetState(isExecuting);
  const TSliceEnd sliceEnd(kInterpreterSliceMs);
  for (;;) {
    // The common case, a run without a debugger: nothing to display, no breakpoint.
    if (Mode == rmRun && !OnDbgDisplay && Context->GetState() == isExecuting) {
      RunQuickly(Context, sliceEnd);
      switch (Context->GetState()) {
        case isFinished:
          return true;
        case isWaitZero:
        case isWaiting:
          return false;
        default:
          break;
      }
    }
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
    if (sliceEnd.Reached()) {
      Context->SetState(isWaitZero);
      return false;
    }
  }
}

void TSLInterpreter::ExecAgain(TSLContextImplementation* Context) {
  TSLTokenizer* top = Context->TopTokenizer();
  const TRef<TSLObject> token(top->FToken);
  if (!token) return;
  try {
    token->Execute(Context);
  } catch (const Exception& failure) {
    if (Context->FExceptionMapped || Context->GetState() != isContinuing) throw;
    ScheduleStandardException(Context, Utf8ToWide(failure.Message()));
  }
}

void TSLInterpreter::Display(TSLContextImplementation* Context) {
  TSLObject* token = Context->GetUnresolvedToken();
  if (!OnDbgDisplay || !token) return;
  const bool shown = As<TSLIdent>(token) || As<TSLString>(token) || As<TSLNumber>(token);
  OnDbgDisplay(shown ? token : nullptr);
}

bool TSLInterpreter::CheckBreak(TSLContextImplementation* Context) {
  if (!OnDbgDisplay) return false;
  auto* ident = As<TSLIdent>(Context->GetUnresolvedToken());
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
  const TSLObject* token = FailingToken(Context);
  const AnsiString file = GetDbgFile(token);
  if (file.empty()) return "Runtime error: " + Message;
  return Format("[%s, %s] Runtime error: ", AnsiToUtf8(file), GetDbgLine(token)) + Message;
}

}  // namespace vt
