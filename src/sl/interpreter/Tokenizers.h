// Tokenizers: the entries of a context's execution stack. Each hands out the tokens of
// one running piece of code (a block, a procedure, a loop, a try/except/finally) one
// at a time, so control structures never recurse on the native stack: a loop or a
// call is the state of a tokenizer, and unwinding is popping tokenizers.
#pragma once

#include "sl/values/Arrays.h"
#include "sl/values/Collections.h"

namespace vt {

class TSLContextImplementation;

class TSLTokenizer : public TSLObject {
 public:
  VT_SL_CLASS_BIT(TSLTokenizer, cbTokenizer);
  explicit TSLTokenizer(bool AutoRelease) : TSLObject(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLTokenizer"; }

  // The next token, executable names resolved; the same token again while the user
  // value is not 0 or the context is continuing. Nil when nothing is left. Inline,
  // with the context (Interpreter.h): the interpreter's loop calls it for every token.
  inline TSLObject* GetToken(TSLContextImplementation* Context);
  // GetToken where the context is known to be executing (not continuing).
  inline TSLObject* GetTokenExecuting(TSLContextImplementation* Context);
  // GetToken without the lane, for a caller that has seen it end.
  TSLObject* GetTokenSlowly(TSLContextImplementation* Context);
  void ClearToken();
  virtual TSLObject* GetNextToken(TSLContextImplementation* Context);
  // Holds the current token: it must outlive what may happen before it runs (the end
  // of a slice) or runs again (a user value). The hold goes with the next pin, or
  // with the tokenizer.
  void PinToken() { FTokenHold.Assign(FToken); }

  // The lane as a window onto the array, for a loop that takes tokens itself:
  // Items[Next] to Items[End - 1] may be taken one after the other while no code runs
  // (empty while the lane is closed or the user value is set). Took records each.
  // With EndsPass the element at End (the last) ends a pass of a loop when it is
  // taken: the loop's EndPass follows Took.
  struct TLaneWindow {
    TSLObject* const* Items = nullptr;
    int Next = 0;
    int End = 0;
    bool EndsPass = false;
  };
  TLaneWindow LaneWindow() const {
    if (!FLaneArray || FUserValue != 0) return {};
    return {FLaneArray->Items(), ExecuteItem, FLaneArray->Count() - FLaneReserve, FLaneEndsPass};
  }
  void Took(int Next, TSLObject* Token) {
    ExecuteItem = Next;
    FUnresolvedToken = Token;
  }

  std::int32_t FUserValue = 0;
  // The current token, and the token as it stands in the code. Neither is held: the
  // code's array lets no element go while it runs (TSLArray::StartRun), a loop holds
  // the value that starts its pass, and a token that must live on is pinned.
  TSLObject* FToken = nullptr;
  bool FTokenIsExecutable = false;
  TSLObject* FUnresolvedToken = nullptr;

 protected:
  ~TSLTokenizer() override;

  // Runs Array: the elements are this tokenizer's tokens.
  void RunArray(TSLArray* Array);
  // The lane: while it is open, the element at ExecuteItem is handed out at once (no
  // GetNextToken) when Reserve elements follow it at least; the elements that need a
  // decision of GetNextToken lie beyond. Stacks, which count from their top, never
  // open it.
  void OpenLane(int Reserve);
  void CloseLane() { FLaneArray = nullptr; }

  TRef<TSLArray> TokenArray;
  int ExecuteItem = -1;

 private:
  TSLObject* TakeFromLane() {
    TSLArray* array = FLaneArray;
    if (!array || ExecuteItem >= array->Count() - FLaneReserve) return nullptr;
    TSLObject* token = array->UncheckedItem(ExecuteItem);
    if (token) ++ExecuteItem;  // nil ends the code: GetNextToken says so
    return token;
  }
  // Makes Token (not nil) the current token.
  inline TSLObject* SetCurrentToken(TSLObject* Token, TSLContextImplementation* Context);

  TRef<TSLObject> FTokenHold;
  TSLArray* FLaneArray = nullptr;  // TokenArray while the lane is open
  int FLaneReserve = 0;

 protected:
  bool FLaneEndsPass = false;  // a loop's, whose last element ends a pass
};

// Hands out one object once: runs a single name next, or re-raises after a finally.
class TSLObjectTokenizer : public TSLTokenizer {
 public:
  TSLObjectTokenizer(bool AutoRelease, TSLObject* Obj) : TSLTokenizer(AutoRelease), FObject(Obj) {}
  const char* ClassName() const override { return "TSLObjectTokenizer"; }
  TSLObject* GetNextToken(TSLContextImplementation* Context) override;

 private:
  TRef<TSLObject> FObject;
  bool FHandedOut = false;
};

// The elements of an array, in order.
class TSLBlockTokenizer : public TSLTokenizer {
 public:
  VT_SL_CLASS_BIT(TSLBlockTokenizer, cbBlockTokenizer);
  explicit TSLBlockTokenizer(bool AutoRelease) : TSLTokenizer(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLBlockTokenizer"; }
  void InitWithBlock(TSLArray* Block);
  TSLObject* GetNextToken(TSLContextImplementation* Context) override;
};

// The protected block of tryexcept/tryfinally; remembers the stack depths to restore.
class TSLTryTokenizer : public TSLBlockTokenizer {
 public:
  VT_SL_CLASS_BIT(TSLTryTokenizer, cbTryTokenizer);
  explicit TSLTryTokenizer(bool AutoRelease) : TSLBlockTokenizer(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLTryTokenizer"; }
  void RecordStacks(TSLContextImplementation* Context);
  void CleanupStacks(TSLContextImplementation* Context);

 private:
  int FOpStackCount = 0;
  int FDictStackCount = 0;
};

// The handler of tryexcept: runs only when an exception armed it.
class TSLExceptTokenizer : public TSLBlockTokenizer {
 public:
  VT_SL_CLASS_BIT(TSLExceptTokenizer, cbExceptTokenizer);
  explicit TSLExceptTokenizer(bool AutoRelease) : TSLBlockTokenizer(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLExceptTokenizer"; }
  void InitWithBlock(TSLArray* Block);
  void Arm();
  TSLObject* GetNextToken(TSLContextImplementation* Context) override;

 private:
  bool FArmed = false;
};

// The handler of tryfinally: always runs; armed with an exception it raises it again.
class TSLFinallyTokenizer : public TSLBlockTokenizer {
 public:
  enum TFinallyState { ftExecute, ftExecuteArmed, ftFinished };
  VT_SL_CLASS_BIT(TSLFinallyTokenizer, cbFinallyTokenizer);
  explicit TSLFinallyTokenizer(bool AutoRelease) : TSLBlockTokenizer(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLFinallyTokenizer"; }
  void Arm(TSLObject* ExceptObj);
  TSLObject* GetNextToken(TSLContextImplementation* Context) override;

 private:
  TFinallyState FState = ftExecute;
  TRef<TSLObject> FExceptObj;
};

// A procedure: binds parameters in a new dictionary, runs the body, pushes results.
class TSLProcTokenizer : public TSLTokenizer {
 public:
  VT_SL_CLASS_BIT(TSLProcTokenizer, cbProcTokenizer);
  explicit TSLProcTokenizer(bool AutoRelease) : TSLTokenizer(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLProcTokenizer"; }
  void Init(TSLProcedure* Proc);
  TSLObject* GetNextToken(TSLContextImplementation* Context) override;
  // Finish at once: the next token request delivers the results.
  void Exit();
  // Whether the procedure has pushed its dictionary, and the depth below it.
  bool DictPushed() const { return ExecuteItem > 0; }
  int DictStackCount() const { return FDictStackCount; }

 private:
  void BindParameters(TSLContextImplementation* Context);
  void PushResults(TSLContextImplementation* Context);

  int FOpStackCount = 0;
  int FDictStackCount = 0;
  bool FResultsDelivered = false;
};

// The common base by which exitloop recognises loops.
class TSLLoopTokenizer : public TSLTokenizer {
 public:
  VT_SL_CLASS_BIT(TSLLoopTokenizer, cbLoopTokenizer);
  explicit TSLLoopTokenizer(bool AutoRelease) : TSLTokenizer(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLLoopTokenizer"; }

 protected:
  void InitBody(TSLArray* Body);
};

// repeat (a count) and loop (-1: without end).
class TSLRepeatTokenizer : public TSLLoopTokenizer {
 public:
  explicit TSLRepeatTokenizer(bool AutoRelease) : TSLLoopTokenizer(AutoRelease) {}
  const char* ClassName() const override { return "TSLRepeatTokenizer"; }
  void InitWithBlock(TSLArray* Block, std::int32_t RepeatCount);
  TSLObject* GetNextToken(TSLContextImplementation* Context) override;

 private:
  // Open while passes remain.
  void UpdateLane();

  std::int32_t FRepeatCount = 1;
};

// The for and forall loops: before each pass a control value, then the body.
class TSLPassTokenizer : public TSLLoopTokenizer {
 public:
  explicit TSLPassTokenizer(bool AutoRelease) : TSLLoopTokenizer(AutoRelease) { FLaneEndsPass = true; }
  // What GetNextToken does after it handed out the last element of a pass, for the
  // loop that took that element from the lane itself.
  virtual void EndPass() = 0;

 protected:
  // GetNextToken of a loop of class Loop, whose CheckTerminate, PushValue (the token
  // that starts a pass, held in Value; null only when a value is nil; the context's
  // operand stack may supply a new Int) and Advance are called directly.
  // Loop::kEndIsOwnState tells whether CheckTerminate depends on the loop alone: then
  // nothing that runs between the value and the first element of a pass can end the
  // loop there.
  template <class Loop>
  TSLObject* NextOfPass(Loop* Self, TSLContextImplementation* Context);
  template <class Loop>
  void EndPassOf(Loop* Self);

  // The value of the pass: it exists only as this token and as an operand.
  TRef<TSLObject> Value;

 private:
  template <class Loop>
  TSLObject* StartPass(Loop* Self, TSLContextImplementation* Context);

  bool PushDone = false;
};

class TSLForTokenizer : public TSLPassTokenizer {
 public:
  enum TForMode { feLongint, feDouble };
  static constexpr bool kEndIsOwnState = true;
  explicit TSLForTokenizer(bool AutoRelease) : TSLPassTokenizer(AutoRelease) {}
  const char* ClassName() const override { return "TSLForTokenizer"; }
  void InitLongint(std::int64_t Initial, std::int64_t Increment, std::int64_t Limit, TSLArray* Body);
  void InitDouble(double Initial, double Increment, double Limit, TSLArray* Body);
  TSLObject* GetNextToken(TSLContextImplementation* Context) override;
  void EndPass() override;
  // Inline, as Advance: once per pass.
  bool CheckTerminate() const {
    if (Mode == feLongint)
      return (IntIncrement > 0 && IntActual > IntLimit) || (IntIncrement < 0 && IntActual < IntLimit);
    return (RealIncrement > 0 && RealActual > RealLimit) || (RealIncrement < 0 && RealActual < RealLimit);
  }
  TSLObject* PushValue(TSLContextImplementation* Context);
  void Advance() {
    if (Mode == feLongint)  // integers wrap on overflow
      IntActual = static_cast<std::int64_t>(static_cast<std::uint64_t>(IntActual) + static_cast<std::uint64_t>(IntIncrement));
    else
      RealActual += RealIncrement;
  }

 private:
  TForMode Mode = feLongint;
  std::int64_t IntActual = 0, IntIncrement = 0, IntLimit = 0;
  double RealActual = 0, RealIncrement = 0, RealLimit = 0;
};

class TSLForallTokenizer : public TSLPassTokenizer {
 public:
  // Code run by an executable element may shrink the collection.
  static constexpr bool kEndIsOwnState = false;
  explicit TSLForallTokenizer(bool AutoRelease) : TSLPassTokenizer(AutoRelease) {}
  const char* ClassName() const override { return "TSLForallTokenizer"; }
  void Init(TSLCollection* ACollection, TSLArray* Body);
  TSLObject* GetNextToken(TSLContextImplementation* Context) override;
  void EndPass() override;
  bool CheckTerminate() const;
  TSLObject* PushValue(TSLContextImplementation* Context);
  void Advance() { ++Index; }

 private:
  TRef<TSLCollection> Collection;
  int Index = 0;
};

}  // namespace vt
