// Arrays, blocks and procedures; see Arrays.h.
#include "sl/values/Arrays.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/Format.h"

namespace vt {

namespace {

void RetainIf(TSLObject* o) {
  if (o) o->Retain();
}

// Elements let go by arrays that are being run, each with the array that let it go.
thread_local std::vector<std::pair<const TSLArray*, TSLObject*>> KeptForRuns;

}  // namespace

void TSLArray::KeepUntilRunsEnd(TSLObject* Obj) { KeptForRuns.emplace_back(this, Obj); }

void TSLArray::EndRun() {
  if (--FRuns > 0 || KeptForRuns.empty()) return;
  std::vector<TSLObject*> mine;
  std::erase_if(KeptForRuns, [&](const auto& kept) {
    if (kept.first != this) return false;
    mine.push_back(kept.second);
    return true;
  });
  for (TSLObject* o : mine) o->Release();
}

void TSLArray::SetCount(int Count) {
  ScopeChangedIfScope();
  while (GetCount() < Count) Arr.push_back(nullptr);
  while (GetCount() > Count) {
    TSLObject* last = Arr.back();
    Arr.pop_back();
    LetGo(last);
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
  LetGo(std::exchange(Arr[Index], AObject));
}

void TSLArray::DelObjAtIndex(int Index) {
  if (Index < 0 || Index >= GetCount())
    throw Exception(Format("%s.DelObjAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  TSLObject* old = Arr[Index];
  Arr.erase(Arr.begin() + Index);
  ScopeChangedIfScope();
  LetGo(old);
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
  for (TSLObject* o : old) LetGo(o);
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
