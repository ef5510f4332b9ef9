// Index-addressed composites: arrays (any values, nil included), blocks (arrays of
// tokens the interpreter runs) and procedures (blocks with parameters and results).
#pragma once

#include <vector>

#include "SL20Col.h"

namespace vt {

class TSLArray : public TSLCollection {
 public:
  explicit TSLArray(bool AutoRelease) : TSLCollection(AutoRelease) {}
  const char* ClassName() const override { return "TSLArray"; }

  void SetCapacity(int N) { Arr.reserve(static_cast<std::size_t>(N)); }
  int GetCapacity() const { return static_cast<int>(Arr.capacity()); }

  void SetCount(int Count) override;
  int GetCount() const override { return static_cast<int>(Arr.size()); }
  TSLObject* GetObjAtIndex(int Index) const override;
  // Index = count appends.
  void SetObjAtIndex(int Index, TSLObject* AObject) override;
  void DelObjAtIndex(int Index) override;
  void InsObjAtIndex(int Index, TSLObject* Obj) override;
  int GetIndexOfObj(const TSLObject* Obj) const override;
  void Clear() override;

  void MoveObject(int FromIndex, int ToIndex);
  // Removes every nil entry.
  void Pack();

  TSLObject* CopyObject() const override { return CopyArray(); }
  TSLArray* CopyArray() const;
  void InitComposite(TSLCompData* CompData) override;
  void EncodeCompositeContent(TEncoderInterface& Encoder) override;
  char GetCompositeType() const override { return 'A'; }

 protected:
  ~TSLArray() override { Clear(); }
  bool IsKindOfSelf(const TSLObject* Obj) const override { return dynamic_cast<const TSLArray*>(Obj); }

  std::vector<TSLObject*> Arr;  // retained entries; nil allowed
};

class TSLBlock : public TSLArray {
 public:
  using TSLArray::TSLArray;
  const char* ClassName() const override { return "TSLBlock"; }

  bool GetExecutable() const override { return FExecutable; }
  void SetExecutable(bool Value) override { FExecutable = Value; }
  // Pushes a tokenizer over this block; the interpreter then runs its elements.
  void Execute(TSLContext* Context) override;
  char GetCompositeType() const override { return 'B'; }

 protected:
  bool IsKindOfSelf(const TSLObject* Obj) const override { return dynamic_cast<const TSLBlock*>(Obj); }

 private:
  bool FExecutable = false;
};

// Its first element names the parameters, its last the results, the rest is the body.
class TSLProcedure : public TSLBlock {
 public:
  using TSLBlock::TSLBlock;
  const char* ClassName() const override { return "TSLProcedure"; }
  // Pushes a procedure tokenizer, which binds the parameters from the operand stack.
  void Execute(TSLContext* Context) override;
  char GetCompositeType() const override { return 'P'; }

 protected:
  bool IsKindOfSelf(const TSLObject* Obj) const override { return dynamic_cast<const TSLProcedure*>(Obj); }
};

}  // namespace vt
