// Property lists: what the property inspector shows of an object (a device, a service,
// a parameter, a variable…): its type text, named properties read and written as text
// through callbacks of the object's class, and a help text per language.
//
// An item holds no value: it is bound to a getter and a setter and to an identifier that
// tells the shared callbacks which property is meant. The object the values belong to is
// handed in by the caller (the inspector keeps it beside the list) as an untyped pointer,
// since devices, services and parameters share no base; the owner's callbacks know its
// class.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

class TPropertyList;
class TPropertyItem;

using TPropertyObject = void*;

// How TPropertyList::Add makes an item of a given kind.
using TPropertyItemClass = std::unique_ptr<TPropertyItem> (*)(TPropertyList* AOwner, const AnsiString& AName);

template <class T>
std::unique_ptr<TPropertyItem> PropertyItemClassOf(TPropertyList* AOwner, const AnsiString& AName) {
  return std::make_unique<T>(AOwner, AName);
}

class TPropertyItem {
 public:
  TPropertyItem(TPropertyList* AOwner, AnsiString AName);
  virtual ~TPropertyItem();
  TPropertyItem(const TPropertyItem&) = delete;
  TPropertyItem& operator=(const TPropertyItem&) = delete;

  // Nothing is changed when these raise.
  virtual void SetValue(TPropertyObject Obj, const AnsiString& Text) = 0;
  virtual AnsiString GetValue(TPropertyObject Obj) const = 0;
  // True when the item cannot be written at all (no setter).
  virtual bool GetReadOnly() const = 0;

  const AnsiString& Name() const { return FName; }
  TPropertyList* Owner() const { return FOwner; }
  // The caption, or the name while the caption is empty.
  const AnsiString& GetCaption() const { return FCaption.empty() ? FName : FCaption; }

  AnsiString FCaption;
  // Whether the inspector lets the user change the value.
  bool FReadOnly = false;
  // "EDIT", or "COMBO" for a choice among FComboListStr (comma separated).
  AnsiString FViewer = "EDIT";
  AnsiString FComboListStr;

 private:
  const AnsiString FName;
  TPropertyList* const FOwner;
};

// Raises "Property Access Error for '%s': no %s access function defined".
[[noreturn]] void RaiseNoAccessFunction(const AnsiString& AName, const char* AAccess);

// The part the three kinds share: the identifier, the two callbacks bound to the owner's
// class and the access errors of an unbound one.
template <class TGet, class TSet>
class TBoundPropertyItem : public TPropertyItem {
 public:
  using TPropertyItem::TPropertyItem;
  // Either callback may be empty: a read-only property passes no setter.
  void Setup(TGet AOnGetProp, TSet AOnSetProp, std::int32_t AId) {
    FOnGetProp = std::move(AOnGetProp);
    FOnSetProp = std::move(AOnSetProp);
    FId = AId;
  }
  bool GetReadOnly() const override { return !FOnSetProp; }
  const TGet& OnGetProperty() const { return FOnGetProp; }
  const TSet& OnSetProperty() const { return FOnSetProp; }
  std::int32_t Id() const { return FId; }

 protected:
  void CheckWriteAccess() const {
    if (!FOnSetProp) RaiseNoAccessFunction(Name(), "write");
  }
  void CheckReadAccess() const {
    if (!FOnGetProp) RaiseNoAccessFunction(Name(), "read");
  }

  std::int32_t FId = 0;
  TSet FOnSetProp;
  TGet FOnGetProp;
};

using TGetString = std::function<AnsiString(TPropertyObject Obj, std::int32_t Id)>;
using TSetString = std::function<void(TPropertyObject Obj, std::int32_t Id, const AnsiString& Value)>;
using TGetLongint = std::function<std::int32_t(TPropertyObject Obj, std::int32_t Id)>;
using TSetLongint = std::function<void(TPropertyObject Obj, std::int32_t Id, std::int32_t Value)>;
using TGetDouble = std::function<double(TPropertyObject Obj, std::int32_t Id)>;
using TSetDouble = std::function<void(TPropertyObject Obj, std::int32_t Id, double Value)>;

// The value is the text itself; FMaxSize > 0 limits its length in bytes.
class TStringProperty : public TBoundPropertyItem<TGetString, TSetString> {
 public:
  using TBoundPropertyItem::TBoundPropertyItem;
  void SetValue(TPropertyObject Obj, const AnsiString& Text) override;
  AnsiString GetValue(TPropertyObject Obj) const override;

  std::int32_t FMaxSize = 0;
};

// A 32-bit signed value as a decimal integer.
class TLongintProperty : public TBoundPropertyItem<TGetLongint, TSetLongint> {
 public:
  using TBoundPropertyItem::TBoundPropertyItem;
  void SetValue(TPropertyObject Obj, const AnsiString& Text) override;
  AnsiString GetValue(TPropertyObject Obj) const override;
};

// A double as its shortest text of up to 15 significant digits, "." as the decimal
// separator ("0.1", "1E20").
class TDoubleProperty : public TBoundPropertyItem<TGetDouble, TSetDouble> {
 public:
  using TBoundPropertyItem::TBoundPropertyItem;
  void SetValue(TPropertyObject Obj, const AnsiString& Text) override;
  AnsiString GetValue(TPropertyObject Obj) const override;
};

// One help text for one language; lines end in single carriage returns.
struct TInfoStringListItem {
  AnsiString FLanguage;
  AnsiString FInfoStr;
};

class TPropertyList {
 public:
  TPropertyList();
  ~TPropertyList();
  TPropertyList(const TPropertyList&) = delete;
  TPropertyList& operator=(const TPropertyList&) = delete;

  // A new item of the kind AClass, appended (the display order) and entered by name.
  // Raises "Property with Name '%s' already exists" for a name present in any letter
  // case. The item stays the list's.
  TPropertyItem* Add(TPropertyItemClass AClass, const AnsiString& AName);
  template <class T>
  T* Add(const AnsiString& AName) {
    return static_cast<T*>(Add(&PropertyItemClassOf<T>, AName));
  }

  int GetCount() const { return static_cast<int>(FItemList.size()); }
  // Raise "List index out of bounds (%d)".
  TPropertyItem* GetItemAtIndex(int Index) const;
  const AnsiString& GetNameAtIndex(int Index) const { return GetItemAtIndex(Index)->Name(); }
  // Any letter case. Raises "Property with Name '%s' not found".
  TPropertyItem* GetItemWithName(const AnsiString& AName) const;

  // Every "<BR>", in any letter case, becomes one carriage return. A second text for a
  // language is appended too; look-ups find the first.
  void AddInfoStringListItem(const AnsiString& ALanguage, const AnsiString& AText);
  void ClearInfoStringList() { FInfoStringList.clear(); }
  // This list's texts become copies of AOther's, in its order.
  void SetInfoStr(const TPropertyList& AOther);
  int GetNoOfInfoStr() const { return static_cast<int>(FInfoStringList.size()); }
  // Raises "List index out of bounds (%d)".
  const AnsiString& GetLanguageWithIndex(int Index) const;
  // The first text of the language (any letter case), else the first "English" one,
  // else empty.
  AnsiString GetInfoStr(const AnsiString& ALanguage) const;
  // GetInfoStr with every carriage return as "<p>".
  AnsiString GetHtmlInfoStr(const AnsiString& ALanguage) const;
  // The text of the language's first entry, kept in its place and taken as given (no
  // "<BR>" conversion). Raises "Language '%s' not found" when the language has none.
  void ReplaceInfoStr(const AnsiString& ALanguage, const AnsiString& AText);

  // The object's type text ("Service", "String Parameter"…), set by the owner.
  AnsiString FObjType;

 private:
  // The index of the language's first text, -1 when it has none.
  int FindInfo(const AnsiString& ALanguage) const;

  std::vector<std::unique_ptr<TPropertyItem>> FItemList;  // display order
  std::map<AnsiString, TPropertyItem*> FNameList;         // by upper-cased name
  std::vector<TInfoStringListItem> FInfoStringList;       // order added
};

}  // namespace vt
