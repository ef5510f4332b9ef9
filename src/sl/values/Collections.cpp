// Typed accessors, the walk, assignment and equality of collections; see Collections.h.
#include "sl/values/Collections.h"

#include <set>
#include <unordered_set>

#include "platform/Format.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

void SetValue(TSLString* v, const WideString& x) { v->SetStringValue(x); }
void SetValue(TSLLongint* v, std::int64_t x) { v->SetLongintValue(x); }
void SetValue(TSLDouble* v, double x) { v->SetDoubleValue(x); }
void SetValue(TSLBoolean* v, bool x) { v->SetBooleanValue(x); }

// The shared system values true and false refuse to change: a setter that meets one
// puts a value of its own in that place instead.
bool IsSharedConstant(const TSLObject* Obj) {
  const auto* b = As<TSLBoolean>(Obj);
  return b && b->IsConstant();
}

// The typed setters' common path: change an existing value of class T in place, or
// construct a new one (owned by nobody) and hand it to Put, or to Replace when it takes
// the place of a shared constant; when that raises, the new value is destroyed and the
// collection stays as it was.
template <class T, class Value, class Put, class Replace>
void SetTyped(TSLObject* existing, const Value& value, Put put, Replace replace) {
  auto* t = As<T>(existing);
  if (t && !IsSharedConstant(t)) {
    SetValue(t, value);
    return;
  }
  auto* fresh = new T(false, value);
  try {
    if (t)
      replace(fresh);
    else
      put(fresh);
  } catch (...) {
    fresh->Free();
    throw;
  }
}

template <class T, class Value>
void SetAtIndex(TSLCollection& c, int Index, const Value& value) {
  TSLObject* existing = Index < c.GetCount() ? c.GetObjAtIndex(Index) : nullptr;
  SetTyped<T>(
      existing, value, [&](TSLObject* o) { c.SetObjAtIndex(Index, o); },
      [&](TSLObject* o) { c.ReplaceObjAtIndex(Index, o); });
}

template <class T, class Value>
void SetWithName(TSLNamedCollection& c, const WideString& Name, const Value& value) {
  TSLObject* existing = c.NameExists(Name) ? c.GetObjWithName(Name) : nullptr;
  SetTyped<T>(
      existing, value, [&](TSLObject* o) { c.SetObjWithName(Name, o); },
      [&](TSLObject* o) { c.ReplaceObjAtIndex(c.IndexOfName(Name), o); });
}

// The copy in progress on this thread: the collections whose filling waits, with how
// deep each lies below the collection the copy began with, and every collection met
// as a source. A path through the data as long as more collections than were met
// must pass one twice: that data holds itself, and its copy would never end.
struct TPendingFill {
  TRef<TSLCollection> Copy;
  TRef<TSLCollection> Source;  // only read
  std::size_t Level;
};
struct TCopyWork {
  const TSLCollection* Root = nullptr;
  std::size_t Level = 0;  // of the collection being filled now
  std::vector<TPendingFill> Pending;
  std::unordered_set<const TSLCollection*> Sources;  // filled from the first wait on
};
thread_local TCopyWork CopyWork;

}  // namespace

void FillCopy(TSLCollection* Copy, const TSLCollection* Source) {
  TCopyWork& work = CopyWork;
  if (work.Root) {
    if (work.Sources.empty()) work.Sources.insert(work.Root);
    work.Sources.insert(Source);
    const std::size_t level = work.Level + 1;
    if (level >= work.Sources.size())
      throw Exception(Format("%s.CopyObject: a collection that holds itself cannot be copied", Source->ClassName()));
    auto* source = const_cast<TSLCollection*>(Source);
    work.Pending.push_back(TPendingFill{TRef<TSLCollection>(Copy), TRef<TSLCollection>(source), level});
    return;
  }
  struct TDone {
    TCopyWork& Work;
    ~TDone() {
      Work.Root = nullptr;
      Work.Level = 0;
      Work.Pending.clear();
      Work.Sources = {};
    }
  } done{work};
  work.Root = Source;
  Copy->AssignObject(Source);
  // Fillings append while this runs, so the list is walked by index.
  for (std::size_t i = 0; i < work.Pending.size(); ++i) {
    const TPendingFill fill = work.Pending[i];
    work.Level = fill.Level;
    fill.Copy->AssignObject(fill.Source.get());
  }
}

// TSLCollection

AnsiString TSLCollection::GetStrAtIndex(int Index) const {
  return WideToAnsi(CheckedCast<TSLString>(GetObjAtIndex(Index))->StringValue());
}
std::int64_t TSLCollection::GetIntAtIndex(int Index) const {
  return CheckedCast<TSLLongint>(GetObjAtIndex(Index))->GetLongintValue();
}
double TSLCollection::GetFloatAtIndex(int Index) const {
  return CheckedCast<TSLDouble>(GetObjAtIndex(Index))->GetDoubleValue();
}
bool TSLCollection::GetBoolAtIndex(int Index) const {
  return CheckedCast<TSLBoolean>(GetObjAtIndex(Index))->BooleanValue();
}

void TSLCollection::SetStrAtIndex(int Index, const AnsiString& AString) {
  SetAtIndex<TSLString>(*this, Index, AnsiToWide(AString));
}
void TSLCollection::SetIntAtIndex(int Index, std::int64_t ALongint) { SetAtIndex<TSLLongint>(*this, Index, ALongint); }
void TSLCollection::SetFloatAtIndex(int Index, double ADouble) { SetAtIndex<TSLDouble>(*this, Index, ADouble); }
void TSLCollection::SetBoolAtIndex(int Index, bool ABoolean) { SetAtIndex<TSLBoolean>(*this, Index, ABoolean); }

bool TSLCollection::ForEach(const TForEachCallback& Callback, bool IncludeRoot) {
  if (IncludeRoot) {
    bool abort = false;
    Callback(TForEachInfo{this, {}, 0, nullptr, 0}, abort);
    if (abort) return false;
  }
  return ForEachLevel(Callback, IncludeRoot ? 1 : 0);
}

bool TSLCollection::ForEachLevel(const TForEachCallback& Callback, int Level) {
  for (int i = 0; i < GetCount(); ++i) {
    TSLObject* obj = GetObjAtIndex(i);
    bool abort = false;
    Callback(TForEachInfo{obj, WalkNameAtIndex(i), Level, this, i}, abort);
    if (abort) return false;
    if (auto* sub = As<TSLCollection>(obj))
      if (!sub->ForEachLevel(Callback, Level + 1)) return false;
  }
  return true;
}

void TSLCollection::AssignObject(const TSLObject* Obj) {
  auto* source = CheckedCast<TSLCollection>(Obj);
  if (source == this) return;  // clearing first would leave nothing to copy
  Clear();
  FIdent = source->FIdent;
  for (int i = 0; i < source->GetCount(); ++i) AddObject(CopyOrNil(source->GetObjAtIndex(i)));
}

bool TSLCollection::IsEqual(const TSLObject* Obj) const {
  if (!IsKindOfSelf(Obj)) return false;
  // Pairs of collections still to compare wait in a list, so nesting costs no stack. A
  // pair met again counts as equal: it is being compared already (a cycle) or was
  // found equal (a shared part); any difference ends the comparison at once.
  TComparePairs todo{{this, static_cast<const TSLCollection*>(Obj)}};
  std::set<TComparePair> seen;
  while (!todo.empty()) {
    const TComparePair pair = todo.back();
    todo.pop_back();
    if (seen.insert(pair).second && !pair.first->SameShape(pair.second, todo)) return false;
  }
  return true;
}

bool TSLCollection::SameShape(const TSLCollection* Other, TComparePairs& Todo) const {
  if (!IsKindOfSelf(Other) || Other->GetCount() != GetCount()) return false;
  const auto* named = As<TSLNamedCollection>(this);
  for (int i = 0; i < GetCount(); ++i) {
    if (named && named->GetNameAtIndex(i) != static_cast<const TSLNamedCollection*>(Other)->GetNameAtIndex(i))
      return false;
    const TSLObject* a = GetObjAtIndex(i);
    const TSLObject* b = Other->GetObjAtIndex(i);
    if (!a || !b) {
      if (a != b) return false;
    } else if (auto* c = As<TSLCollection>(a); c && As<TSLCollection>(b)) {
      Todo.emplace_back(c, static_cast<const TSLCollection*>(b));
    } else if (!a->IsEqual(b)) {
      return false;
    }
  }
  return true;
}

// TSLNamedCollection

void TSLNamedCollection::SetCount(int) {
  throw Exception(Format("%s.SetCount: not allowed in named collection", ClassName()));
}
void TSLNamedCollection::SetObjAtIndex(int, TSLObject*) {
  throw Exception(Format("%s.SetObjAtIndex: not allowed in named collection", ClassName()));
}
void TSLNamedCollection::DelObjAtIndex(int) {
  throw Exception(Format("%s.DelObjAtIndex: not allowed in named collection", ClassName()));
}
void TSLNamedCollection::InsObjAtIndex(int, TSLObject*) {
  throw Exception(Format("%s.InsObjAtIndex: not allowed in named collection", ClassName()));
}

void TSLNamedCollection::AddObject(const WideString& AName, TSLObject* Obj) {
  if (NameExists(AName))
    throw Exception(Format("%s.AddObject: object with name '%s' already exists", ClassName(), AName));
  SetObjWithName(AName, Obj);
}

void TSLNamedCollection::RemoveObject(const WideString& AName) {
  if (!NameExists(AName))
    throw Exception(Format("%s.RemoveObject: object with name '%s' not found", ClassName(), AName));
  DelObjWithName(AName);
}

WideString TSLNamedCollection::GetStrWithName(const WideString& Name) const {
  return CheckedCast<TSLString>(GetObjWithName(Name))->StringValue();
}
std::int64_t TSLNamedCollection::GetIntWithName(const WideString& Name) const {
  return CheckedCast<TSLLongint>(GetObjWithName(Name))->GetLongintValue();
}
double TSLNamedCollection::GetFloatWithName(const WideString& Name) const {
  return CheckedCast<TSLDouble>(GetObjWithName(Name))->GetDoubleValue();
}
bool TSLNamedCollection::GetBoolWithName(const WideString& Name) const {
  return CheckedCast<TSLBoolean>(GetObjWithName(Name))->BooleanValue();
}

void TSLNamedCollection::SetStrWithName(const WideString& Name, const WideString& AString) {
  SetWithName<TSLString>(*this, Name, AString);
}
void TSLNamedCollection::SetIntWithName(const WideString& Name, std::int64_t ALongint) {
  SetWithName<TSLLongint>(*this, Name, ALongint);
}
void TSLNamedCollection::SetFloatWithName(const WideString& Name, double ADouble) {
  SetWithName<TSLDouble>(*this, Name, ADouble);
}
void TSLNamedCollection::SetBoolWithName(const WideString& Name, bool ABoolean) {
  SetWithName<TSLBoolean>(*this, Name, ABoolean);
}

void TSLNamedCollection::AssignObject(const TSLObject* Obj) {
  auto* source = CheckedCast<TSLNamedCollection>(Obj);
  if (source == this) return;  // clearing first would leave nothing to copy
  Clear();
  FIdent = source->FIdent;
  for (int i = 0; i < source->GetCount(); ++i)
    AddObject(source->GetNameAtIndex(i), CopyOrNil(source->GetObjAtIndex(i)));
}

}  // namespace vt
