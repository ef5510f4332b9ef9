// Index-addressed composites: arrays (any values, nil included), blocks (arrays of
// tokens the interpreter runs) and procedures (blocks with parameters and results).
#pragma once

#include <vector>

#include "sl/values/Collections.h"

namespace vt {

class TSLArray : public TSLCollection {
 public:
  VT_SL_CLASS_BIT(TSLArray, cbArray);
  explicit TSLArray(bool AutoRelease) : TSLCollection(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLArray"; }

  void SetCapacity(int N) { Arr.reserve(static_cast<std::size_t>(N)); }
  int GetCapacity() const { return static_cast<int>(Arr.capacity()); }

  void SetCount(int Count) override;
  int GetCount() const override { return static_cast<int>(Arr.size()); }
  // GetCount and GetObjAtIndex without a virtual call, for the interpreter's loops
  // (a stack still counts from its top).
  int Count() const { return static_cast<int>(Arr.size()); }
  // The element at Index without any check: the caller knows 0 <= Index < Count().
  TSLObject* UncheckedItem(int Index) const { return Arr[static_cast<std::size_t>(Index)]; }
  // The elements in place, valid while the array is not changed.
  TSLObject* const* Items() const { return Arr.data(); }
  TSLObject* ItemAt(int Index) const {
    if ((ClassBits() & cbStack) || static_cast<std::size_t>(Index) >= Arr.size()) return GetObjAtIndex(Index);
    return Arr[static_cast<std::size_t>(Index)];
  }
  TSLObject* GetObjAtIndex(int Index) const override {
    if (static_cast<std::size_t>(Index) >= Arr.size()) RaiseNoObjectAt(Index);
    return Arr[static_cast<std::size_t>(Index)];
  }
  // Index = count appends.
  void SetObjAtIndex(int Index, TSLObject* AObject) override;
  void DelObjAtIndex(int Index) override;
  void InsObjAtIndex(int Index, TSLObject* Obj) override;
  int GetIndexOfObj(const TSLObject* Obj) const override;
  void Clear() override;

  void MoveObject(int FromIndex, int ToIndex);
  // Removes every nil entry.
  void Pack();

  // Tokenizers running this array hand out its elements without holding them (see
  // TSLTokenizer). While any runs it, an element the array lets go (replaced, deleted,
  // cleared) stays alive until the last of them has ended its run.
  void StartRun() { ++FRuns; }
  void EndRun();

  TSLObject* CopyObject() const override { return CopyArray(); }
  TSLArray* CopyArray() const;
  void InitComposite(TSLCompData* CompData) override;
  void EncodeCompositeContent(TEncoderInterface& Encoder) override;
  char GetCompositeType() const override { return 'A'; }

 protected:
  ~TSLArray() override { Clear(); }
  [[noreturn]] void RaiseNoObjectAt(int Index) const;
  bool IsKindOfSelf(const TSLObject* Obj) const override { return As<TSLArray>(Obj); }
  bool IsRun() const { return FRuns != 0; }
  // Gives up the array's reference to an element it no longer holds (nil allowed).
  void LetGo(TSLObject* Obj) {
    if (!Obj) return;
    if (FRuns == 0)
      Obj->Release();
    else
      KeepUntilRunsEnd(Obj);
  }

 private:
  void KeepUntilRunsEnd(TSLObject* Obj);

  std::int32_t FRuns = 0;  // first, so it fills the padding at the end of the base

 protected:
  std::vector<TSLObject*> Arr;  // retained entries; nil allowed
};

class TSLBlock : public TSLArray {
 public:
  VT_SL_CLASS_BIT(TSLBlock, cbBlock);
  explicit TSLBlock(bool AutoRelease) : TSLArray(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLBlock"; }

  bool GetExecutable() const override { return FExecutable; }
  void SetExecutable(bool Value) override { FExecutable = Value; }
  // Pushes a tokenizer over this block; the interpreter then runs its elements.
  void Execute(TSLContext* Context) override;
  char GetCompositeType() const override { return 'B'; }

 protected:
  bool IsKindOfSelf(const TSLObject* Obj) const override { return As<TSLBlock>(Obj); }

 private:
  bool FExecutable = false;
};

// Its first element names the parameters, its last the results, the rest is the body.
class TSLProcedure : public TSLBlock {
 public:
  VT_SL_CLASS_BIT(TSLProcedure, cbProcedure);
  explicit TSLProcedure(bool AutoRelease) : TSLBlock(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLProcedure"; }
  // Pushes a procedure tokenizer, which binds the parameters from the operand stack.
  void Execute(TSLContext* Context) override;
  char GetCompositeType() const override { return 'P'; }

 protected:
  bool IsKindOfSelf(const TSLObject* Obj) const override { return As<TSLProcedure>(Obj); }
};

}  // namespace vt
