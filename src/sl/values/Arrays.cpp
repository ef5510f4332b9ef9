// Arrays, blocks and procedures; see Arrays.h.
#include "sl/values/Arrays.h"

#include <algorithm>

#include "platform/Format.h"

namespace vt {

namespace {

void RetainIf(TSLObject* o) {
  if (o) o->Retain();
}
void ReleaseIf(TSLObject* o) {
  if (o) o->Release();
}

}  // namespace

void TSLArray::SetCount(int Count) {
  ScopeChangedIfScope();
  while (GetCount() < Count) Arr.push_back(nullptr);
  while (GetCount() > Count) {
    TSLObject* last = Arr.back();
    Arr.pop_back();
    ReleaseIf(last);
  }
}

void TSLArray::RaiseNoObjectAt(int Index) const {
  throw Exception(Format("%s.ObjectAtIndex: no object to fetch at index %d", ClassName(), Index));
}

void TSLArray::SetObjAtIndex(int Index, TSLObject* AObject) {
  ScopeChangedIfScope();
  if (Index == GetCount()) {
    Arr.push_back(AObject);  // first, so that a failed allocation retains nothing
    RetainIf(AObject);
    return;
  }
  if (Index < 0 || Index > GetCount())
    throw Exception(Format("%s.SetObjAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  // Retain before release, so putting an object in its own place is harmless.
  RetainIf(AObject);
  ReleaseIf(std::exchange(Arr[Index], AObject));
}

void TSLArray::DelObjAtIndex(int Index) {
  if (Index < 0 || Index >= GetCount())
    throw Exception(Format("%s.DelObjAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  TSLObject* old = Arr[Index];
  Arr.erase(Arr.begin() + Index);
  ScopeChangedIfScope();
  ReleaseIf(old);
}

void TSLArray::InsObjAtIndex(int Index, TSLObject* Obj) {
  if (Index < 0 || Index > GetCount())
    throw Exception(Format("%s.InsObjAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  Arr.insert(Arr.begin() + Index, Obj);
  RetainIf(Obj);
  ScopeChangedIfScope();
}

int TSLArray::GetIndexOfObj(const TSLObject* Obj) const {
  auto it = std::find(Arr.begin(), Arr.end(), Obj);
  return it == Arr.end() ? -1 : static_cast<int>(it - Arr.begin());
}

void TSLArray::Clear() {
  // Taken out first: releasing may run destructors that look at this array.
  std::vector<TSLObject*> old;
  old.swap(Arr);
  if (!old.empty()) ScopeChangedIfScope();
  for (TSLObject* o : old) ReleaseIf(o);
}

void TSLArray::MoveObject(int FromIndex, int ToIndex) {
  const int n = GetCount();
  if (FromIndex < 0 || FromIndex >= n || ToIndex < 0 || ToIndex >= n)
    throw Exception(Format("%s.MoveObject: Index out of bounds (Elements: %d FromIndex: %d ToIndex: %d)", ClassName(),
                           n, FromIndex, ToIndex));
  TSLObject* moved = Arr[FromIndex];
  Arr.erase(Arr.begin() + FromIndex);
  Arr.insert(Arr.begin() + ToIndex, moved);
  ScopeChangedIfScope();
}

void TSLArray::Pack() {
  Arr.erase(std::remove(Arr.begin(), Arr.end(), nullptr), Arr.end());
  ScopeChangedIfScope();
}

TSLArray* TSLArray::CopyArray() const {
  auto* copy = new TSLArray(true);
  FillCopy(copy, this);
  return copy;
}

void TSLArray::InitComposite(TSLCompData* CompData) {
  const int n = CompData->GetElementCount();
  Arr.reserve(Arr.size() + n);
  for (int i = 0; i < n; ++i) AddObject(CompData->GetNextElement());
}

// Through GetObjAtIndex, as InitComposite fills through AddObject: a stack is written top
// first and so reads back in the same order.
void TSLArray::EncodeCompositeContent(TEncoderInterface& Encoder) {
  for (int i = 0; i < GetCount(); ++i) Encoder.EncodeObject(GetObjAtIndex(i));
}

}  // namespace vt
