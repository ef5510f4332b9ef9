// TSLDictionary: an ordered map from names to values, the program's universal record
// (settings, profiles, descriptions, namespaces). Names are unique without regard to
// case and keep the case they were added with; entries keep insertion order.
#pragma once

#include <vector>

#include "SL20Col.h"

namespace vt {

class TSLDictionary : public TSLNamedCollection {
 public:
  explicit TSLDictionary(bool AutoRelease) : TSLNamedCollection(AutoRelease) {}
  const char* ClassName() const override { return "TSLDictionary"; }

  int GetCount() const override { return static_cast<int>(Dict.size()); }
  TSLObject* GetObjAtIndex(int Index) const override;
  int GetIndexOfObj(const TSLObject* Obj) const override;
  void Clear() override;

  // Raises "%s error: no object named %s" for a missing name.
  TSLObject* GetObjWithName(const WideString& AName) const override;
  // Adds at the end; never replaces ("already exists").
  void SetObjWithName(const WideString& AName, TSLObject* Obj) override;
  void DelObjWithName(const WideString& AName) override;
  WideString GetNameAtIndex(int Index) const override;
  bool GetNameExists(const WideString& AName) const override { return IndexOf(AName) >= 0; }
  int GetIndexOfName(const WideString& AName) const override { return IndexOf(AName); }
  void Delete(int Index) { DelObjWithName(GetNameAtIndex(Index)); }

  // The value under AName, nil when the name is missing (no exception on the way).
  TSLObject* FindObject(std::u16string_view AName) const;
  // Look-ups by an 8-bit name (an identifier) without converting it.
  int IndexOfAnsi(std::string_view AName) const { return IndexOf(AName); }
  TSLObject* FindObjectAnsi(std::string_view AName) const;

  TSLObject* CopyObject() const override { return CopyDictionary(); }
  TSLDictionary* CopyDictionary() const;
  void InitComposite(TSLCompData* CompData) override;
  void EncodeCompositeContent(TEncoderInterface& Encoder) override;
  char GetCompositeType() const override { return 'D'; }

 protected:
  ~TSLDictionary() override { Clear(); }
  bool IsKindOfSelf(const TSLObject* Obj) const override { return dynamic_cast<const TSLDictionary*>(Obj); }

 private:
  struct TEntry {
    WideString Name;
    TSLObject* Value;  // retained; nil allowed
  };
  int IndexOf(std::u16string_view AName) const;
  int IndexOf(std::string_view AName) const;
  template <class Name>
  int Lookup(Name AName) const;
  void CheckKeys(TSLCompData* CompData, int Count) const;
  // Adds the entry at the end unless the name exists (false then).
  bool TryAppend(WideString AName, TSLObject* Obj);
  void BuildIndex(std::size_t Capacity) const;
  // The slot that holds AName's entry index, or the free slot where it would go.
  template <class Name>
  std::int32_t& Probe(Name AName) const;

  std::vector<TEntry> Dict;
  // Entry indexes by name hash (open addressing, -1 free), built on demand for larger
  // dictionaries and dropped when indexes shift. It holds no copies of the names.
  mutable std::vector<std::int32_t> FSlots;
};

}  // namespace vt
