// TSLStack: an array seen from its top (index 0 is the last array entry); the
// interpreter's operand, execution and dictionary stacks are stacks.
#pragma once

#include "SL20Arr.h"

namespace vt {

class TSLStack : public TSLArray {
 public:
  using TSLArray::TSLArray;
  const char* ClassName() const override { return "TSLStack"; }

  TSLObject* GetObjAtIndex(int Index) const override;
  // Index = count puts Obj at the bottom, so AddObject adds at the bottom.
  void SetObjAtIndex(int Index, TSLObject* AObject) override;
  void DelObjAtIndex(int Index) override;
  // Obj lands directly below the object at Index and gets index Index + 1.
  void InsObjAtIndex(int Index, TSLObject* Obj) override;
  int GetIndexOfObj(const TSLObject* Obj) const override;

  void Push(TSLObject* Obj) { TSLArray::SetObjAtIndex(TSLArray::GetCount(), Obj); }
  // With ReturnResult the popped object is handed out retained and autoreleased.
  TSLObject* Pop(bool ReturnResult);
  void PushLongint(std::int64_t Value);
  void PushDouble(std::int64_t Value);
  void PushString(const AnsiString& Value);
  std::int64_t PopLongint();
  double PopDouble();
  AnsiString PopString();

  TSLObject* CopyObject() const override;
  char GetCompositeType() const override { return 'S'; }

 protected:
  bool IsKindOfSelf(const TSLObject* Obj) const override { return dynamic_cast<const TSLStack*>(Obj); }

 private:
  int ArrayIndex(int Index) const { return GetCount() - 1 - Index; }
};

}  // namespace vt
