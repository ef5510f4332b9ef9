// Collections: composites addressed by index (TSLCollection) or by name
// (TSLNamedCollection), with the typed accessors through which the whole program reads
// and writes its settings and descriptions, and the depth-first walk.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "sl/values/Composite.h"

namespace vt {

class TSLCollection;

// Copy->AssignObject(Source), the way every copy of a collection is filled. Inside a
// copy it waits in a list that the outermost copy works off, so copying nested data
// never recurses, however deep it nests. Data that holds itself raises.
void FillCopy(TSLCollection* Copy, const TSLCollection* Source);

struct TForEachInfo {
  TSLObject* Obj = nullptr;
  AnsiString Name;  // the element's name when its collection is a named one
  int Level = 0;
  TSLCollection* Parent = nullptr;  // nil for the root
  int Index = 0;
};
using TForEachCallback = std::function<void(const TForEachInfo& Info, bool& Abort)>;

class TSLCollection : public TSLComposite {
 public:
  VT_SL_CLASS_BIT(TSLCollection, cbCollection);
  explicit TSLCollection(bool AutoRelease) : TSLComposite(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLCollection"; }

  virtual void SetCount(int Count) = 0;
  virtual int GetCount() const = 0;
  virtual TSLObject* GetObjAtIndex(int Index) const = 0;
  virtual void SetObjAtIndex(int Index, TSLObject* AObject) = 0;
  virtual void DelObjAtIndex(int Index) = 0;
  virtual void InsObjAtIndex(int Index, TSLObject* Obj) = 0;
  virtual int GetIndexOfObj(const TSLObject* Obj) const = 0;  // identity; -1 when absent
  virtual void Clear() = 0;
  // Puts Obj in place of the existing element at Index; a named collection allows it
  // too (the name and its place stay).
  virtual void ReplaceObjAtIndex(int Index, TSLObject* Obj) { SetObjAtIndex(Index, Obj); }

  void AddObject(TSLObject* Obj) { SetObjAtIndex(GetCount(), Obj); }
  void InsertObject(int Index, TSLObject* Obj) { InsObjAtIndex(Index, Obj); }
  void RemoveObject(int Index) { DelObjAtIndex(Index); }
  int IndexOfObject(const TSLObject* Obj) const { return GetIndexOfObj(Obj); }

  // Each requires exactly the matching class; anything else is "Invalid class typecast".
  AnsiString GetStrAtIndex(int Index) const;
  std::int64_t GetIntAtIndex(int Index) const;
  double GetFloatAtIndex(int Index) const;
  bool GetBoolAtIndex(int Index) const;
  // Change a value of the matching class in place, else put a new value at Index.
  void SetStrAtIndex(int Index, const AnsiString& AString);
  void SetIntAtIndex(int Index, std::int64_t ALongint);
  void SetFloatAtIndex(int Index, double ADouble);
  void SetBoolAtIndex(int Index, bool ABoolean);

  // Pre-order walk; true when no callback aborted.
  bool ForEach(const TForEachCallback& Callback, bool IncludeRoot);
  bool ForEachLevel(const TForEachCallback& Callback, int Level);

  void AssignObject(const TSLObject* Obj) override;
  // Equal kind (Obj's class is this one's or derives from it), count, names in named
  // collections and elements, however deep they nest.
  bool IsEqual(const TSLObject* Obj) const override;

 protected:
  using TComparePair = std::pair<const TSLCollection*, const TSLCollection*>;
  using TComparePairs = std::vector<TComparePair>;
  // This collection against Other without going into the collections they hold: those
  // pairs are added to Todo.
  bool SameShape(const TSLCollection* Other, TComparePairs& Todo) const;
  // Whether Obj is an instance of this object's class or of a subclass of it.
  virtual bool IsKindOfSelf(const TSLObject* Obj) const = 0;
  // Name of element Index for the walk; empty in collections without names.
  virtual AnsiString WalkNameAtIndex(int Index) const { return {}; }
};

class TSLNamedCollection : public TSLCollection {
 public:
  VT_SL_CLASS_BIT(TSLNamedCollection, cbNamedCollection);
  explicit TSLNamedCollection(bool AutoRelease) : TSLCollection(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLNamedCollection"; }

  virtual TSLObject* GetObjWithName(const WideString& AName) const = 0;
  virtual void SetObjWithName(const WideString& AName, TSLObject* Obj) = 0;
  virtual void DelObjWithName(const WideString& AName) = 0;
  virtual WideString GetNameAtIndex(int Index) const = 0;
  virtual bool GetNameExists(const WideString& AName) const = 0;
  virtual int GetIndexOfName(const WideString& AName) const = 0;

  // Index-based changes are not allowed in a named collection.
  void SetCount(int Count) override;
  void SetObjAtIndex(int Index, TSLObject* AObject) override;
  void DelObjAtIndex(int Index) override;
  void InsObjAtIndex(int Index, TSLObject* Obj) override;

  WideString NameAtIndex(int Index) const { return GetNameAtIndex(Index); }
  bool NameExists(const WideString& AName) const { return GetNameExists(AName); }
  int IndexOfName(const WideString& AName) const { return GetIndexOfName(AName); }
  void AddObject(const WideString& AName, TSLObject* Obj);
  void InsertObject(const WideString& AName, TSLObject* Obj) { AddObject(AName, Obj); }
  void RemoveObject(const WideString& AName);

  WideString GetStrWithName(const WideString& Name) const;
  std::int64_t GetIntWithName(const WideString& Name) const;
  double GetFloatWithName(const WideString& Name) const;
  bool GetBoolWithName(const WideString& Name) const;
  // Change a value of the matching class in place, else SetObjWithName a new value.
  void SetStrWithName(const WideString& Name, const WideString& AString);
  void SetIntWithName(const WideString& Name, std::int64_t ALongint);
  void SetFloatWithName(const WideString& Name, double ADouble);
  void SetBoolWithName(const WideString& Name, bool ABoolean);

  void AssignObject(const TSLObject* Obj) override;

 protected:
  AnsiString WalkNameAtIndex(int Index) const override { return WideToAnsi(GetNameAtIndex(Index)); }
};

}  // namespace vt
