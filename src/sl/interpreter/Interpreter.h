// The execution context of a script (three stacks, name spaces, state, the failing
// token) and the one interpreter that runs contexts in slices of about 10 ms, so that
// the cooperative task owning a script can yield to the rest of the program.
#pragma once

#include <memory>

#include "sl/interpreter/Tokenizers.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"
#include "sl/values/Stack.h"

namespace vt {

class TSLIdent;
class TSLTokenizer;
class TSliceEnd;
class TScriptTaskInterface;
struct TContextInterfaceImplementation;

// A stack as built-ins see it: forwards one to one to the stack it holds.
class TContextStackInterface : public TStackInterface {
 public:
  explicit TContextStackInterface(TSLStack* AStack) : Stack(AStack) {}
  TSLObject* GetObjAtIndex(int Index) override { return Stack->GetObjAtIndex(Index); }
  void SetObjAtIndex(int Index, TSLObject* Obj) override { Stack->SetObjAtIndex(Index, Obj); }
  int GetCount() override { return Stack->GetCount(); }
  void Clear() override { Stack->Clear(); }
  void AddObject(TSLObject* Obj) override { Stack->AddObject(Obj); }
  void InsertObject(int Index, TSLObject* Obj) override { Stack->InsertObject(Index, Obj); }
  void RemoveObject(int Index) override { Stack->RemoveObject(Index); }
  void Push(TSLObject* Obj) override { Stack->Push(Obj); }
  TSLObject* Pop(bool ReturnResult) override { return Stack->Pop(ReturnResult); }

 private:
  TRef<TSLStack> Stack;
};

class TSLContextImplementation final : public TSLContext {
 public:
  VT_SL_CLASS_BIT(TSLContextImplementation, cbContext);
  explicit TSLContextImplementation(bool AutoRelease);
  ~TSLContextImplementation() override;
  const char* ClassName() const override { return "TSLContextImplementation"; }

  TContextState GetState() const override { return FState; }
  // The user value is that of the tokenizer on top of the execution stack.
  std::int32_t GetUserValue() const override;
  void SetUserValue(std::int32_t Value) override;
  TSLObject* ResolveName(const AnsiString& AName) override;
  // ResolveName for a name token, through its cache when that is still valid.
  TSLObject* ResolveIdent(const TSLIdent* Ident) {
    TSLIdent::TNameCache& cache = Ident->NameCache();
    if (cache.Context == this && ScopeStillHolds(cache.Stamp, cache.NameHash))
      if (TSLObject* value = static_cast<TSLDictionary::TEntry*>(cache.Entry)->Value) return value;
    return ResolveIdentAfresh(Ident);
  }
  void AddDict(TSLObject* Dict) override;
  void AddNamedDict(const AnsiString& Name, TSLObject* Dict) override;
  void ImportDict(const AnsiString& Name, TSLObject* Dict) override;
  void PushBlock(TSLObject* Block) override;
  void Wait(void* Sender, std::int32_t Timeout) override;
  void Continue(void* Sender) override;
  void Resume(void* Sender) override;
  void ResumeAfterBreakpoint(void* Sender);
  void Reset();

  // The object a (possibly qualified: "ns:a.b") name stands for, nil when none.
  // Parent tells in which dictionary the name (or its missing last part) lives.
  TSLObject* Resolve(std::string_view AName, TSLDictionary*& Parent);
  // The dictionary registered as name space under Name (also through a string alias).
  TSLDictionary* FindNameSpace(std::string_view Name);
  // The entry of a plain name in the first dictionary of the dictionary stack that holds
  // it (top first), nil when none does; the dictionaries searched become scopes. Holder
  // tells which dictionary that is.
  TSLDictionary::TEntry* FindOnDictStack(std::string_view Name, TSLDictionary** Holder = nullptr);
  // def of the name /Ident below the value on top of the operand stack: takes both
  // off and defines the name in the dictionary on top of the dictionary stack
  // through the name's cache, while that still stands for an entry of that
  // dictionary, and unless a procedure would go (it might be the one that is
  // running); false (nothing done) otherwise.
  bool DefineCached(const TSLIdent* Ident) {
    TSLIdent::TNameCache& cache = Ident->NameCache();
    if (cache.Context != this || !ScopeStillHolds(cache.Stamp, cache.NameHash)) return false;
    if (FDictStack->Count() == 0 || cache.Dict != FDictStack->Peek(0)) return false;
    auto* entry = static_cast<TSLDictionary::TEntry*>(cache.Entry);
    if (entry->Value && (entry->Value->ClassBits() & cbInternalProcedure)) return false;
    // The value's reference moves from the stack to the entry, the old one's back.
    TSLObject* old = static_cast<TSLDictionary*>(FDictStack->Peek(0))->RedefineEntry(entry, FOperandStack->TakeTop());
    FOperandStack->TakeBack(old);
    FOperandStack->Pop(false);  // the name
    return true;
  }
  // Defines the plain name of Ident in the dictionary on top of the dictionary stack,
  // and lets the name's cache hold its entry.
  void DefineInTopDict(const TSLIdent* Ident, TSLObject* Value);

  // Token access for the interpreter; all act on the tokenizer on top.
  TSLTokenizer* TopTokenizer() const {
    return FExecutionStack->GetCount() == 0 ? nullptr : CheckedCast<TSLTokenizer>(FExecutionStack->GetObjAtIndex(0));
  }
  TSLObject* FetchToken();
  TSLObject* GetTokenExec(bool& Executable) const {
    TSLTokenizer* top = TopTokenizer();
    Executable = top && top->FTokenIsExecutable;
    return top ? top->FToken : nullptr;
  }
  TSLObject* GetUnresolvedToken() const {
    TSLTokenizer* top = TopTokenizer();
    return top ? top->FUnresolvedToken : nullptr;
  }
  void ClearToken();
  // Holds the token fetched last until it has run (see TSLTokenizer::PinToken).
  void PinToken() {
    if (TSLTokenizer* top = TopTokenizer()) top->PinToken();
  }
  // After a failure that ended the run: the token that was running is not run again
  // (it may be gone); the token as it stands in the code stays for the report.
  void ForgetRunToken() {
    if (TSLTokenizer* top = TopTokenizer()) {
      top->FToken = nullptr;
      top->FTokenIsExecutable = false;
    }
  }
  void SetExceptToken(TSLObject* Token) { FExceptToken = TRef<TSLObject>(Token); }

  TSLStack* OperandStackObj() const { return FOperandStack.get(); }
  TSLStack* ExecutionStackObj() const { return FExecutionStack.get(); }
  TSLStack* DictStackObj() const { return FDictStack.get(); }
  TSLDictionary* NameSpaceDict() const { return FNameSpaceDict.get(); }
  TSLDictionary* TopDict() const;
  void SetState(TContextState State) { FState = State; }

  std::int32_t FProcCount = 0;
  bool FDebug = false;
  TScriptTaskInterface* FScriptTask = nullptr;
  TRef<TSLObject> FExceptToken;
  // Set when a failure was turned into a script exception that is still on its way.
  bool FExceptionMapped = false;

 private:
  TSLObject* ResolveIdentAfresh(const TSLIdent* Ident);

  TRef<TSLStack> FOperandStack;
  TRef<TSLStack> FExecutionStack;
  TRef<TSLStack> FDictStack;
  TRef<TSLDictionary> FNameSpaceDict;
  TContextState FState = isIdle;
  std::unique_ptr<TContextStackInterface> FOperandStackIntf, FExecutionStackIntf, FDictStackIntf;
  std::unique_ptr<TContextInterfaceImplementation> FContextIntf;
};

// Whether the interpreter executes an object met as an executable token.
// (blocks, procedures and internal procedures: built-ins, script-class methods).
inline bool IsExecutableKind(const TSLObject* Obj) {
  return Obj && (Obj->ClassBits() & (cbBlock | cbInternalProcedure));
}

inline TSLObject* TSLTokenizer::GetToken(TSLContextImplementation* Context) {
  return Context->GetState() != isContinuing ? GetTokenExecuting(Context) : GetTokenSlowly(Context);
}

inline TSLObject* TSLTokenizer::GetTokenExecuting(TSLContextImplementation* Context) {
  if (FUserValue == 0)
    if (TSLObject* token = TakeFromLane()) return SetCurrentToken(token, Context);
  return GetTokenSlowly(Context);
}

// A token (not nil) as it is met: an executable name stands for the object it is
// resolved to. Executable tells whether the interpreter runs the result.
inline TSLObject* ResolveToken(TSLContextImplementation* Context, TSLObject* Token, bool& Executable) {
  const std::uint32_t bits = Token->ClassBits();
  if (bits & cbIdent) {
    Executable = static_cast<TSLIdent*>(Token)->IsExecutable();
    if (Executable) {
      Token = Context->ResolveIdent(static_cast<TSLIdent*>(Token));
      Executable = IsExecutableKind(Token);
    }
  } else {
    // Numbers, strings and Booleans are data; other values say it themselves.
    Executable = !(bits & (cbNumber | cbString | cbBoolean)) && Token->GetExecutable();
  }
  return Token;
}

inline TSLObject* TSLTokenizer::SetCurrentToken(TSLObject* Token, TSLContextImplementation* Context) {
  FUnresolvedToken = Token;
  // Until the name is resolved: nothing to run should that fail.
  FToken = nullptr;
  FTokenIsExecutable = false;
  bool executable = false;
  Token = ResolveToken(Context, Token, executable);
  FTokenIsExecutable = executable;
  FToken = Token;
  return Token;
}

// The context a built-in runs in, as the one implementation.
inline TSLContextImplementation* Implementation(TSLContext* Context) {
  return CheckedCast<TSLContextImplementation>(Context);
}
inline TSLContextImplementation* Implementation(TSLContextImplementation* Context) { return Context; }
// The operand stack of the context.
inline TSLStack* Operands(TSLContext* Context) { return Implementation(Context)->OperandStackObj(); }
inline TSLStack* Operands(TSLContextImplementation* Context) { return Context->OperandStackObj(); }

class TSLInterpreter : public TSLObject {
 public:
  enum TIRunMode { rmRun, rmStepOver, rmStepInto };
  using TDbgDisplayEvent = std::function<void(TSLObject* Token)>;

  explicit TSLInterpreter(bool AutoRelease) : TSLObject(AutoRelease) {}
  const char* ClassName() const override { return "TSLInterpreter"; }

  // Each returns true when the context has finished.
  bool Run(TSLContextImplementation* Context) { return DoRun(Context, rmRun); }
  bool StepOver(TSLContextImplementation* Context) { return DoRun(Context, rmStepOver); }
  bool StepInto(TSLContextImplementation* Context) { return DoRun(Context, rmStepInto); }

  // The debugger hook; unassigned outside debug runs.
  TDbgDisplayEvent OnDbgDisplay;

 private:
  bool DoRun(TSLContextImplementation* Context, TIRunMode Mode);
  bool RunSlices(TSLContextImplementation* Context, TIRunMode Mode);
  // Runs contexts without a debugger: Exec and Fetch fused into one loop, which
  // returns when the context leaves isExecuting (finished, waiting, slice used up).
  void RunQuickly(TSLContextImplementation* Context, const TSliceEnd& SliceEnd);
  // Runs the current token; false when that ran code that may have taken long.
  bool Exec(TSLContextImplementation* Context);
  void ExecAgain(TSLContextImplementation* Context);
  void Fetch(TSLContextImplementation* Context);
  void Display(TSLContextImplementation* Context);
  bool CheckBreak(TSLContextImplementation* Context);
};

// Debug positions of tokens: the record, its line as text, the name of its file.
TDbgInfo* GetDbgInfo(const TSLObject* Obj);
AnsiString GetDbgLine(const TSLObject* Obj);
AnsiString GetDbgFile(const TSLObject* Obj);

// The token a failure that ended the run is reported at: the failing one, or else the
// one being resolved.
inline const TSLObject* FailingToken(const TSLContextImplementation* Context) {
  return Context->FExceptToken ? Context->FExceptToken.get() : Context->GetUnresolvedToken();
}

// The text with which the owner of a script reports a failure that ended the run:
// "[file, line] Runtime error: " and the message, or "Runtime error: " and the message
// when the failing token (or else the unresolved one) has no file.
std::string RuntimeErrorText(const TSLContextImplementation* Context, const std::string& Message);

}  // namespace vt
