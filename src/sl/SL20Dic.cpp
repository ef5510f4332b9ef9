// Dictionaries; see SL20Dic.h.
#include "SL20Dic.h"

#include "Format.h"
#include "SL20Elm.h"

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
int TSLDictionary::Lookup(Name AName) const {
  if (Dict.size() <= kLinearLookupLimit) {
    const TWideTextEqual same;
    for (std::size_t i = 0; i < Dict.size(); ++i)
      if (same(std::u16string_view(Dict[i].Name), AName)) return static_cast<int>(i);
    return -1;
  }
  if (FSlots.empty()) BuildIndex(Dict.size());
  return Probe(AName);
}

template <class Name>
std::int32_t& TSLDictionary::Probe(Name AName) const {
  const TWideTextEqual same;
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t s = TWideTextHash{}(AName) & mask;; s = (s + 1) & mask) {
    const int i = FSlots[s];
    if (i < 0 || same(std::u16string_view(Dict[i].Name), AName)) return FSlots[s];
  }
}

// At most half the slots are taken, so probes stay short and always end at a free one.
void TSLDictionary::BuildIndex(std::size_t Capacity) const {
  std::size_t n = 2 * kLinearLookupLimit;
  while (n < 2 * Capacity) n *= 2;
  FSlots.assign(n, -1);
  for (std::size_t i = 0; i < Dict.size(); ++i)
    Probe(std::u16string_view(Dict[i].Name)) = static_cast<std::int32_t>(i);
}

int TSLDictionary::IndexOf(std::u16string_view AName) const { return Lookup(AName); }
int TSLDictionary::IndexOf(std::string_view AName) const { return Lookup(AName); }

TSLObject* TSLDictionary::FindObject(std::u16string_view AName) const {
  const int i = IndexOf(AName);
  return i < 0 ? nullptr : Dict[i].Value;
}

TSLObject* TSLDictionary::FindObjectAnsi(std::string_view AName) const {
  const int i = IndexOf(AName);
  return i < 0 ? nullptr : Dict[i].Value;
}

TSLObject* TSLDictionary::GetObjAtIndex(int Index) const {
  if (Index < 0 || Index >= GetCount())
    throw Exception(Format("%s.GetObjAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  return Dict[Index].Value;
}

WideString TSLDictionary::GetNameAtIndex(int Index) const {
  if (Index < 0 || Index >= GetCount())
    throw Exception(Format("%s.GetNameAtIndex: index (%d) out of bounds (%d)", ClassName(), Index, GetCount()));
  return Dict[Index].Name;
}

int TSLDictionary::GetIndexOfObj(const TSLObject* Obj) const {
  for (std::size_t i = 0; i < Dict.size(); ++i)
    if (Dict[i].Value == Obj) return static_cast<int>(i);
  return -1;
}

void TSLDictionary::Clear() {
  std::vector<TEntry> old;
  old.swap(Dict);
  FSlots.clear();
  for (auto& e : old)
    if (e.Value) e.Value->Release();
}

TSLObject* TSLDictionary::GetObjWithName(const WideString& AName) const {
  const int i = IndexOf(AName);
  if (i < 0) throw Exception(Format("%s error: no object named %s", ClassName(), AName));
  return Dict[i].Value;
}

void TSLDictionary::SetObjWithName(const WideString& AName, TSLObject* Obj) {
  if (!TryAppend(AName, Obj))
    throw Exception(Format("%s.SetObjWithName: object with name '%s' already exists", ClassName(), AName));
}

bool TSLDictionary::TryAppend(WideString AName, TSLObject* Obj) {
  std::int32_t* slot = nullptr;
  if (Dict.size() < kLinearLookupLimit) {
    if (IndexOf(AName) >= 0) return false;
  } else {
    if (2 * (Dict.size() + 1) > FSlots.size()) BuildIndex(Dict.size() + 1);
    slot = &Probe(std::u16string_view(AName));
    if (*slot >= 0) return false;
  }
  Dict.push_back(TEntry{std::move(AName), Obj});
  if (Obj) Obj->Retain();
  if (slot) *slot = static_cast<std::int32_t>(Dict.size() - 1);
  return true;
}

void TSLDictionary::DelObjWithName(const WideString& AName) {
  const int i = IndexOf(AName);
  if (i < 0) throw Exception(Format("%s.RemoveObject: no object found with name '%s'", ClassName(), AName));
  TSLObject* old = Dict[i].Value;
  Dict.erase(Dict.begin() + i);
  FSlots.clear();
  if (old) old->Release();
}

TSLDictionary* TSLDictionary::CopyDictionary() const {
  auto* copy = new TSLDictionary(true);
  copy->AssignObject(this);
  return copy;
}

void TSLDictionary::CheckKeys(TSLCompData* CompData, int Count) const {
  for (int i = 0; i < Count; i += 2) {
    TSLObject* key = CompData->GetElementAtIndex(i);
    auto* ident = dynamic_cast<TSLIdent*>(key);
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
  for (auto& e : Dict) {
    Encoder.EncodeIdent(WideToAnsi(e.Name), false);
    Encoder.EncodeObject(e.Value);
  }
}

}  // namespace vt
