// TSLStack: an array seen from its top (index 0 is the last array entry); the
// interpreter's operand, execution and dictionary stacks are stacks. Reading, pushing
// and popping are inline: every token of a script does them a few times.
#pragma once

#include <array>

#include "sl/SLLimits.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

namespace vt {

class TSLStack : public TSLArray {
 public:
  VT_SL_CLASS_BIT(TSLStack, cbStack);
  explicit TSLStack(bool AutoRelease) : TSLArray(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLStack"; }

  TSLObject* GetObjAtIndex(int Index) const final {
    const std::size_t n = Arr.size();
    if (static_cast<std::size_t>(Index) >= n) RaiseNoObjectAt(ArrayIndex(Index));
    return Arr[n - 1 - static_cast<std::size_t>(Index)];
  }
  // Index = count puts Obj at the bottom, so AddObject adds at the bottom.
  void SetObjAtIndex(int Index, TSLObject* AObject) override;
  void DelObjAtIndex(int Index) override;
  // Obj lands directly below the object at Index and gets index Index + 1.
  void InsObjAtIndex(int Index, TSLObject* Obj) override;
  int GetIndexOfObj(const TSLObject* Obj) const override;

  // Inlined always: a call would pay for the rare growth of the stack on every push.
  [[gnu::always_inline]] void Push(TSLObject* Obj) {
    Arr.push_back(Obj);  // first, so a failure leaves no count behind
    if (Obj) Obj->Retain();
    if (IsScope()) ScopeEntered(Obj);
  }
  // The object at Depth (0 = top) without a check: the caller knows it is there.
  TSLObject* Peek(int Depth) const { return Arr[Arr.size() - 1 - static_cast<std::size_t>(Depth)]; }
  // Removes the object below the top one, which the caller knows is there.
  void DropBelowTop() {
    TSLObject* below = Arr[Arr.size() - 2];
    Arr[Arr.size() - 2] = Arr.back();
    Arr.pop_back();
    if (IsScope()) ScopeChanged();
    Discard(below);
  }
  // Puts Obj (nil allowed) in place of the two top objects, which the caller knows are there.
  void ReplaceTopTwo(TSLObject* Obj) {
    if (Obj) Obj->Retain();  // first: it may be held by one of them alone
    ReplaceTopTwoHeld(Obj);
  }
  // The same with a new Int (see PushLongint).
  void ReplaceTopTwoWithLongint(std::int64_t Value) { ReplaceTopTwoHeld(HeldLongint(Value)); }
  // Swaps the two top objects (the stack's index error when there are fewer).
  void Exchange() {
    const std::size_t n = Arr.size();
    if (n < 2) RaiseNoObjectAt(ArrayIndex(n == 0 ? 0 : 1));
    std::swap(Arr[n - 1], Arr[n - 2]);
    ScopeChangedIfScope();
  }
  // With ReturnResult the popped object is handed out retained and autoreleased.
  TSLObject* Pop(bool ReturnResult) {
    if (Arr.empty()) return PopEmpty(ReturnResult);
    TSLObject* top = Arr.back();
    if (ReturnResult && top) top->RetainAndAutoRelease();
    Arr.pop_back();
    if (IsScope()) ScopeLeft(top);
    Discard(top);
    return ReturnResult ? top : nullptr;
  }
  // Takes the top object off and hands the stack's reference on it to the caller
  // (the caller knows there is one).
  [[nodiscard]] TSLObject* TakeTop() {
    TSLObject* top = Arr.back();
    Arr.pop_back();
    if (IsScope()) ScopeLeft(top);
    return top;
  }
  // Pushes a new Int; one the stack let go of earlier (see Discard) when it has one.
  // Inlined always, the making of a new one apart: it is the end of most built-ins.
  [[gnu::always_inline]] void PushLongint(std::int64_t Value) {
    if (FSpareCount == 0 || IsScope()) return PushMadeLongint(Value);
    TSLLongint* spare = FSpares[FSpareCount - 1];
    Arr.push_back(spare);  // first, so a failure keeps it as a spare; its reference moves over
    --FSpareCount;
    spare->SetLongintValue(Value);
  }
  // A new Int held once, for the caller: one the stack kept when it has one.
  [[gnu::always_inline]] TSLLongint* HeldLongint(std::int64_t Value) {
    if (FSpareCount == 0) return MadeLongint(Value);
    TSLLongint* spare = FSpares[--FSpareCount];
    spare->SetLongintValue(Value);
    return spare;
  }
  // A new Int for the caller to hold, one kept by the stack when it has one.
  TRef<TSLLongint> NewLongint(std::int64_t Value);
  // Takes over a reference that its holder gives up (nil allowed): an Int that
  // nothing else holds is kept as Discard keeps it, anything else released.
  void TakeBack(TSLObject* Obj) { Discard(Obj); }
  void PushDouble(std::int64_t Value);
  void PushString(const AnsiString& Value);
  std::int64_t PopLongint();
  double PopDouble();
  AnsiString PopString();

  TSLObject* CopyObject() const override;
  char GetCompositeType() const override { return 'S'; }

 protected:
  ~TSLStack() override;
  bool IsKindOfSelf(const TSLObject* Obj) const override { return As<TSLStack>(Obj); }

 private:
  int ArrayIndex(int Index) const { return GetCount() - 1 - Index; }
  // Lets go of an object the stack no longer holds. An Int that nothing else holds
  // (no debug record, the stack not being run) is kept for the next new Int instead
  // of destroyed: scripts make and drop Ints all the time, and nobody can tell a kept
  // one from a new one.
  void Discard(TSLObject* Obj) {
    if (Obj && Obj->GetRefCount() == 1 && (Obj->ClassBits() & cbLongint) && FSpareCount < kSpareLongints &&
        !Obj->DbgInfo() && !IsRun()) {
      FSpares[FSpareCount++] = static_cast<TSLLongint*>(Obj);
      return;
    }
    LetGo(Obj);
  }
  // A dictionary pushed onto or popped off a dictionary stack (a scope stack) changes
  // the resolution of its own names only. One pushed becomes a scope itself: the names
  // it gains from now on must renew their resolutions too.
  void ScopeEntered(TSLObject* Obj);
  void ScopeLeft(TSLObject* Obj);
  // Raises the error that the empty stack gives for this pop.
  [[noreturn]] TSLObject* PopEmpty(bool ReturnResult);
  [[gnu::noinline]] void PushMadeLongint(std::int64_t Value);
  [[gnu::noinline]] static TSLLongint* MadeLongint(std::int64_t Value);
  // ReplaceTopTwo with an object held once for the stack.
  void ReplaceTopTwoHeld(TSLObject* Obj) {
    TSLObject* top = Arr.back();
    Arr.pop_back();
    TSLObject* below = std::exchange(Arr.back(), Obj);
    if (IsScope()) ScopeChanged();
    Discard(top);
    Discard(below);
  }

  std::array<TSLLongint*, kSpareLongints> FSpares{};  // each held once, by the stack
  int FSpareCount = 0;
};

}  // namespace vt
