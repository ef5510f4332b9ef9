// Dictionaries; see Dictionary.h.
#include "sl/values/Dictionary.h"

#include <algorithm>
#include <memory>

#include "platform/Format.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// Up to this many entries a linear scan beats building and keeping a hash index.
constexpr std::size_t kLinearLookupLimit = 8;

AnsiString KeyPosition(const TSLObject* key, int index) {
  const TDbgInfo* info = key ? key->DbgInfo() : nullptr;
  return info ? Format("at line %d and index %d", info->GetTokLine(), index) : AnsiString();
}

}  // namespace

template <class Name>
TSLDictionary::TEntry* TSLDictionary::Find(Name AName) const {
  if (Dict.size() <= kLinearLookupLimit) {
    const TWideTextEqual same;
    for (TEntry* e : Dict)
      if (same(std::u16string_view(e->Name), AName)) return e;
    return nullptr;
  }
  if (FSlots.empty()) BuildIndex(Dict.size());
  return Probe(AName);
}

template <class Name>
TSLDictionary::TEntry*& TSLDictionary::Probe(Name AName) const {
  const TWideTextEqual same;
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t s = TWideTextHash{}(AName) & mask;; s = (s + 1) & mask) {
    TEntry*& slot = FSlots[s];
    if (!slot || same(std::u16string_view(slot->Name), AName)) return slot;
  }
}

// At most half the slots are taken, so probes stay short and always end at a free one.
void TSLDictionary::BuildIndex(std::size_t Capacity) const {
  std::size_t n = 2 * kLinearLookupLimit;
  while (n < 2 * Capacity) n *= 2;
  FSlots.assign(n, nullptr);
  for (TEntry* e : Dict) Probe(std::u16string_view(e->Name)) = e;
}

const std::vector<TSLDictionary::TEntry*>& TSLDictionary::Ordered() const {
  if (FUnordered) {
    std::sort(Dict.begin(), Dict.end(), [](const TEntry* a, const TEntry* b) { return a->Order < b->Order; });
    FUnordered = false;
  }
  return Dict;
}

int TSLDictionary::IndexOf(const TEntry* Entry) const {
  if (!Entry) return -1;
  const std::vector<TEntry*>& entries = Ordered();
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i] == Entry) return static_cast<int>(i);
  return -1;
}

TSLObject* TSLDictionary::FindObject(std::u16string_view AName) const {
  const TEntry* e = Find(AName);
  return e ? e->Value : nullptr;
}

TSLObject* TSLDictionary::FindObjectAnsi(std::string_view AName) const {
  const TEntry* e = Find(AName);
  return e ? e->Value : nullptr;
}

TSLObject* TSLDictionary::GetObjAtIndex(int Index) const {
  if (Index < 0 || Index >= GetCount())
    throw Exception(Format("%s.GetObjAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  return Ordered()[Index]->Value;
}

void TSLDictionary::ReplaceObjAtIndex(int Index, TSLObject* Obj) {
  if (Index < 0 || Index >= GetCount())
    throw Exception(Format("%s.ReplaceObjAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  SetEntryValue(Ordered()[Index], Obj);
}

WideString TSLDictionary::GetNameAtIndex(int Index) const {
  if (Index < 0 || Index >= GetCount())
    throw Exception(Format("%s.GetNameAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  return Ordered()[Index]->Name;
}

int TSLDictionary::GetIndexOfObj(const TSLObject* Obj) const {
  const std::vector<TEntry*>& entries = Ordered();
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i]->Value == Obj) return static_cast<int>(i);
  return -1;
}

void TSLDictionary::Clear() {
  // Only the names it held change: a dictionary freed after it left the stack renews
  // nothing else.
  if (IsScope()) NamesChanged();
  std::vector<TEntry*> old;
  old.swap(Dict);
  FUnordered = false;
  FSlots.clear();
  for (TEntry* e : old) {
    std::unique_ptr<TEntry> entry(e);
    if (entry->Value) entry->Value->Release();
  }
}

TSLObject* TSLDictionary::GetObjWithName(const WideString& AName) const {
  const TEntry* e = Find(std::u16string_view(AName));
  if (!e) throw Exception(Format("%s error: no object named %s", ClassName(), AName));
  return e->Value;
}

void TSLDictionary::SetObjWithName(const WideString& AName, TSLObject* Obj) {
  if (!TryAppend(AName, Obj))
    throw Exception(Format("%s.SetObjWithName: object with name '%s' already exists", ClassName(), AName));
}

bool TSLDictionary::TryAppend(WideString AName, TSLObject* Obj) {
  TEntry** slot = nullptr;
  if (Dict.size() < kLinearLookupLimit) {
    if (Find(std::u16string_view(AName))) return false;
  } else {
    if (2 * (Dict.size() + 1) > FSlots.size()) BuildIndex(Dict.size() + 1);
    slot = &Probe(std::u16string_view(AName));
    if (*slot) return false;
  }
  Dict.reserve(Dict.size() + 1);
  auto* entry = new TEntry{std::move(AName), Obj, ++FLastOrder};
  Dict.push_back(entry);
  if (slot) *slot = entry;
  if (Obj) Obj->Retain();
  NameScopeChangedIfScope(entry->Name);
  return true;
}

void TSLDictionary::DelObjWithName(const WideString& AName) {
  TEntry* e = Find(std::u16string_view(AName));
  if (!e) throw Exception(Format("%s.RemoveObject: no object found with name '%s'", ClassName(), AName));
  Dict.erase(Dict.begin() + IndexOf(e));
  FSlots.clear();  // open addressing cannot just forget one entry
  std::unique_ptr<TEntry> entry(e);
  NameScopeChangedIfScope(entry->Name);
  if (entry->Value) entry->Value->Release();
}

void TSLDictionary::SetEntryValue(TEntry* Entry, TSLObject* Value) {
  // Retain before release: the new value may be the old one.
  if (Value) Value->Retain();
  if (TSLObject* old = std::exchange(Entry->Value, Value)) old->Release();
}

void TSLDictionary::Redefine(TEntry* Entry, TSLObject* Value) {
  if (Value) Value->Retain();
  if (TSLObject* old = RedefineEntry(Entry, Value)) old->Release();
}

void TSLDictionary::DefineObject(const WideString& AName, TSLObject* Value) {
  if (TEntry* e = Find(std::u16string_view(AName)))
    Redefine(e, Value);
  else
    SetObjWithName(AName, Value);
}

TSLDictionary::TEntry* TSLDictionary::DefineObjectAnsi(std::string_view AName, TSLObject* Value) {
  if (TEntry* e = Find(AName)) {
    Redefine(e, Value);
    return e;
  }
  SetObjWithName(AnsiToWide(AName), Value);
  return Dict.back();
}

void TSLDictionary::NamesChanged() const {
  if (Dict.size() > static_cast<std::size_t>(kScopeNamesOneByOne)) {
    ScopeChanged();
    return;
  }
  for (const TEntry* e : Dict) NameScopeChanged(TWideTextHash{}(std::u16string_view(e->Name)));
}

TSLDictionary* TSLDictionary::CopyDictionary() const {
  auto* copy = new TSLDictionary(true);
  FillCopy(copy, this);
  return copy;
}

void TSLDictionary::CheckKeys(TSLCompData* CompData, int Count) const {
  for (int i = 0; i < Count; i += 2) {
    TSLObject* key = CompData->GetElementAtIndex(i);
    auto* ident = As<TSLIdent>(key);
    if (!ident)
      throw Exception(Format("illegal key %sin dictionary %s", Format("(%s) ", key ? key->ClassName() : "nil"),
                             KeyPosition(key, i)));
    if (ident->GetExecutable())
      throw Exception(Format("executable key %sin dictionary %s", Format("'%s' ", AnsiToUtf8(ident->IdentValue())),
                             KeyPosition(key, i)));
  }
  if (Count % 2 != 0) {
    const TSLObject* first = CompData->GetElementAtIndex(0);
    const TDbgInfo* info = first ? first->DbgInfo() : nullptr;
    throw Exception(Format("odd number of objects in dictionary %s",
                           info ? Format("starting at line %d ", info->GetTokLine()) : AnsiString()));
  }
}

void TSLDictionary::InitComposite(TSLCompData* CompData) {
  const int n = CompData->GetElementCount();
  CheckKeys(CompData, n);
  Dict.reserve(n / 2);
  for (int i = 0; i < n / 2; ++i) {
    auto* key = static_cast<TSLIdent*>(CompData->GetNextElement());
    // AddObject's rule, with one look-up and without copying the name.
    if (!TryAppend(AnsiToWide(key->IdentValue()), CompData->GetNextElement()))
      throw Exception(Format("%s.AddObject: object with name '%s' already exists", ClassName(),
                             AnsiToUtf8(key->IdentValue())));
  }
}

void TSLDictionary::EncodeCompositeContent(TEncoderInterface& Encoder) {
  for (const TEntry* e : Ordered()) {
    Encoder.EncodeIdent(WideToAnsi(e->Name), false);
    Encoder.EncodeObject(e->Value);
  }
}

}  // namespace vt
