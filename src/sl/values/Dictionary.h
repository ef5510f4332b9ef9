// TSLDictionary: an ordered map from names to values, the program's universal record
// (settings, profiles, descriptions, namespaces). Names are unique without regard to
// case and keep the case they were added with; entries keep insertion order.
#pragma once

#include <vector>

#include "sl/values/Collections.h"

namespace vt {

class TSLDictionary : public TSLNamedCollection {
 public:
  VT_SL_CLASS_BIT(TSLDictionary, cbDictionary);
  explicit TSLDictionary(bool AutoRelease) : TSLNamedCollection(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLDictionary"; }

  // One name and its value. Entries stay where they are in memory while they exist
  // (even when their position in the order changes), so the name cache can hold them.
  struct TEntry {
    WideString Name;
    TSLObject* Value;  // retained; nil allowed
    std::uint64_t Order = 0;  // entries with higher numbers come later
    // Entries come and go with the values of scripts, as SL objects do.
    static void* operator new(std::size_t Size) { return TSLObject::operator new(Size); }
    static void operator delete(void* Block, std::size_t Size) { TSLObject::operator delete(Block, Size); }
  };

  int GetCount() const override { return static_cast<int>(Dict.size()); }
  TSLObject* GetObjAtIndex(int Index) const override;
  int GetIndexOfObj(const TSLObject* Obj) const override;
  void Clear() override;
  void ReplaceObjAtIndex(int Index, TSLObject* Obj) override;

  // Raises "%s error: no object named %s" for a missing name.
  TSLObject* GetObjWithName(const WideString& AName) const override;
  // Adds at the end; never replaces ("already exists").
  void SetObjWithName(const WideString& AName, TSLObject* Obj) override;
  // Adds at the end when the name is new; false (nothing done) when it exists.
  bool AddIfNew(WideString AName, TSLObject* Obj) { return TryAppend(std::move(AName), Obj); }
  void DelObjWithName(const WideString& AName) override;
  WideString GetNameAtIndex(int Index) const override;
  bool GetNameExists(const WideString& AName) const override { return Find(std::u16string_view(AName)) != nullptr; }
  int GetIndexOfName(const WideString& AName) const override { return IndexOf(Find(std::u16string_view(AName))); }
  void Delete(int Index) { DelObjWithName(GetNameAtIndex(Index)); }

  // Defines AName as Value: the same as removing an entry of that name and adding it
  // again (it moves to the end of the order), but the entry itself stays.
  void DefineObject(const WideString& AName, TSLObject* Value);
  // The same for an 8-bit name (an identifier), converted only when it is new; the
  // entry that holds it.
  TEntry* DefineObjectAnsi(std::string_view AName, TSLObject* Value);
  // Defines the name of Entry, an entry of this dictionary, again as Value, whose
  // reference the caller hands over, and hands out the former value with the
  // reference the entry had on it (nil when none).
  [[nodiscard]] TSLObject* RedefineEntry(TEntry* Entry, TSLObject* Value) {
    if (Dict.back() != Entry) FUnordered = true;
    Entry->Order = ++FLastOrder;
    return std::exchange(Entry->Value, Value);
  }

  // The value under AName, nil when the name is missing (no exception on the way).
  TSLObject* FindObject(std::u16string_view AName) const;
  // Look-ups by an 8-bit name (an identifier) without converting it.
  int IndexOfAnsi(std::string_view AName) const { return IndexOf(Find(AName)); }
  TSLObject* FindObjectAnsi(std::string_view AName) const;
  TEntry* FindEntryAnsi(std::string_view AName) const { return Find(AName); }

  // Renews the cached resolutions of every name this dictionary holds: it enters or
  // leaves a dictionary stack.
  void NamesChanged() const;

  TSLObject* CopyObject() const override { return CopyDictionary(); }
  TSLDictionary* CopyDictionary() const;
  void InitComposite(TSLCompData* CompData) override;
  void EncodeCompositeContent(TEncoderInterface& Encoder) override;
  char GetCompositeType() const override { return 'D'; }

 protected:
  ~TSLDictionary() override { Clear(); }
  bool IsKindOfSelf(const TSLObject* Obj) const override { return As<TSLDictionary>(Obj); }

 private:
  template <class Name>
  TEntry* Find(Name AName) const;
  int IndexOf(const TEntry* Entry) const;
  // Gives an existing entry a new value (the old one is released last).
  static void SetEntryValue(TEntry* Entry, TSLObject* Value);
  // Gives an existing entry a new value and moves it to the end of the order.
  void Redefine(TEntry* Entry, TSLObject* Value);
  void CheckKeys(TSLCompData* CompData, int Count) const;
  // Adds the entry at the end unless the name exists (false then).
  bool TryAppend(WideString AName, TSLObject* Obj);
  void BuildIndex(std::size_t Capacity) const;
  // The entries in their order. A name defined again takes the last place only by its
  // order number (scripts define the same names over and over); the list is sorted
  // when a position is asked for.
  const std::vector<TEntry*>& Ordered() const;
  // The slot that holds AName's entry, or the free slot where it would go.
  template <class Name>
  TEntry*& Probe(Name AName) const;

  mutable std::vector<TEntry*> Dict;  // owned, in order unless FUnordered
  mutable bool FUnordered = false;
  std::uint64_t FLastOrder = 0;
  // The entries by name hash (open addressing, nil free), built on demand for larger
  // dictionaries and dropped when an entry goes. It holds no copies of the names.
  mutable std::vector<TEntry*> FSlots;
};

}  // namespace vt
