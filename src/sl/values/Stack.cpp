// Stacks; see Stack.h.
#include "sl/values/Stack.h"

#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

namespace vt {

TSLStack::~TSLStack() {
  for (int i = 0; i < FSpareCount; ++i) FSpares[i]->Release();
}

void TSLStack::PushMadeLongint(std::int64_t Value) { Push(new TSLLongint(false, Value)); }

TSLLongint* TSLStack::MadeLongint(std::int64_t Value) {
  auto* made = new TSLLongint(false, Value);
  made->Retain();
  return made;
}

TRef<TSLLongint> TSLStack::NewLongint(std::int64_t Value) {
  TRef<TSLLongint> made(HeldLongint(Value));
  made->Release();  // the reference HeldLongint gave, now the handle's
  return made;
}

void TSLStack::SetObjAtIndex(int Index, TSLObject* AObject) {
  if (Index == GetCount())
    TSLArray::InsObjAtIndex(0, AObject);
  else
    TSLArray::SetObjAtIndex(ArrayIndex(Index), AObject);
}

void TSLStack::DelObjAtIndex(int Index) { TSLArray::DelObjAtIndex(ArrayIndex(Index)); }
void TSLStack::InsObjAtIndex(int Index, TSLObject* Obj) { TSLArray::InsObjAtIndex(ArrayIndex(Index), Obj); }

int TSLStack::GetIndexOfObj(const TSLObject* Obj) const {
  const int i = TSLArray::GetIndexOfObj(Obj);
  return i < 0 ? -1 : ArrayIndex(i);
}

void TSLStack::ScopeEntered(TSLObject* Obj) {
  auto* dict = As<TSLDictionary>(Obj);
  if (!dict) {
    ScopeChanged();
    return;
  }
  dict->MarkScope();
  dict->NamesChanged();
}

void TSLStack::ScopeLeft(TSLObject* Obj) {
  if (auto* dict = As<TSLDictionary>(Obj))
    dict->NamesChanged();
  else
    ScopeChanged();
}

TSLObject* TSLStack::PopEmpty(bool ReturnResult) {
  if (ReturnResult) GetObjAtIndex(0);
  DelObjAtIndex(0);
  throw Exception("TSLStack.Pop: stack is empty");  // not reached: both calls above raise
}

void TSLStack::PushDouble(std::int64_t Value) { Push(new TSLDouble(false, static_cast<double>(Value))); }
void TSLStack::PushString(const AnsiString& Value) { Push(new TSLString(false, AnsiToWide(Value))); }

std::int64_t TSLStack::PopLongint() {
  const std::int64_t v = GetIntAtIndex(0);
  Pop(false);
  return v;
}

double TSLStack::PopDouble() {
  const double v = GetFloatAtIndex(0);
  Pop(false);
  return v;
}

AnsiString TSLStack::PopString() {
  AnsiString v = GetStrAtIndex(0);
  Pop(false);
  return v;
}

TSLObject* TSLStack::CopyObject() const {
  auto* copy = new TSLStack(true);
  FillCopy(copy, this);
  return copy;
}

}  // namespace vt
