// Property lists and their items; see PropertyList.h.
#include "devices/PropertyList.h"

#include <limits>

#include "devices/ListIndex.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/NumberText.h"

namespace vt {

namespace {

// Every occurrence of Tag (ASCII, upper case) in any letter case replaced by With.
AnsiString ReplaceAllNoCase(const AnsiString& Text, const AnsiString& Tag, const AnsiString& With) {
  const AnsiString upper = UpperCaseAnsi(Text);
  AnsiString out;
  std::size_t from = 0;
  for (std::size_t at; (at = upper.find(Tag, from)) != AnsiString::npos; from = at + Tag.size())
    out.append(Text, from, at - from).append(With);
  return out.append(Text, from);
}

}  // namespace

void RaiseNoAccessFunction(const AnsiString& AName, const char* AAccess) {
  throw Exception(Format("Property Access Error for '%s': no %s access function defined", AName, AAccess));
}

TPropertyItem::TPropertyItem(TPropertyList* AOwner, AnsiString AName) : FName(std::move(AName)), FOwner(AOwner) {}

TPropertyItem::~TPropertyItem() = default;

void TStringProperty::SetValue(TPropertyObject Obj, const AnsiString& Text) {
  CheckWriteAccess();
  if (FMaxSize > 0 && Text.size() > static_cast<std::size_t>(FMaxSize))
    throw Exception(
        Format("Property Value Error for '%s': AnsiString max size is %d AnsiCharacters", Name(), FMaxSize));
  FOnSetProp(Obj, FId, Text);
}

AnsiString TStringProperty::GetValue(TPropertyObject Obj) const {
  CheckReadAccess();
  return FOnGetProp(Obj, FId);
}

void TLongintProperty::SetValue(TPropertyObject Obj, const AnsiString& Text) {
  CheckWriteAccess();
  const std::int64_t value = StrToInt64(Text);
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    throw EConvertError(Format("'%s' is not a valid integer value", Text));
  FOnSetProp(Obj, FId, static_cast<std::int32_t>(value));
}

AnsiString TLongintProperty::GetValue(TPropertyObject Obj) const {
  CheckReadAccess();
  return IntToStr(FOnGetProp(Obj, FId));
}

void TDoubleProperty::SetValue(TPropertyObject Obj, const AnsiString& Text) {
  CheckWriteAccess();
  FOnSetProp(Obj, FId, StrToFloat(Text));
}

AnsiString TDoubleProperty::GetValue(TPropertyObject Obj) const {
  CheckReadAccess();
  return FloatToStr(FOnGetProp(Obj, FId));
}

TPropertyList::TPropertyList() = default;

TPropertyList::~TPropertyList() = default;

TPropertyItem* TPropertyList::Add(TPropertyItemClass AClass, const AnsiString& AName) {
  const AnsiString key = UpperCaseAnsi(AName);
  if (FNameList.count(key)) throw Exception(Format("Property with Name '%s' already exists", AName));
  FItemList.push_back(AClass(this, AName));
  TPropertyItem* item = FItemList.back().get();
  FNameList.emplace(key, item);
  return item;
}

TPropertyItem* TPropertyList::GetItemAtIndex(int Index) const {
  CheckListIndex(Index, GetCount());
  return FItemList[Index].get();
}

TPropertyItem* TPropertyList::GetItemWithName(const AnsiString& AName) const {
  const auto it = FNameList.find(UpperCaseAnsi(AName));
  if (it == FNameList.end()) throw Exception(Format("Property with Name '%s' not found", AName));
  return it->second;
}

void TPropertyList::AddInfoStringListItem(const AnsiString& ALanguage, const AnsiString& AText) {
  FInfoStringList.push_back({ALanguage, ReplaceAllNoCase(AText, "<BR>", "\r")});
}

void TPropertyList::SetInfoStr(const TPropertyList& AOther) {
  if (&AOther == this) return;
  ClearInfoStringList();
  for (const auto& info : AOther.FInfoStringList) AddInfoStringListItem(info.FLanguage, info.FInfoStr);
}

const AnsiString& TPropertyList::GetLanguageWithIndex(int Index) const {
  CheckListIndex(Index, GetNoOfInfoStr());
  return FInfoStringList[Index].FLanguage;
}

int TPropertyList::FindInfo(const AnsiString& ALanguage) const {
  for (int i = 0; i < GetNoOfInfoStr(); ++i)
    if (SameTextAnsi(FInfoStringList[i].FLanguage, ALanguage)) return i;
  return -1;
}

AnsiString TPropertyList::GetInfoStr(const AnsiString& ALanguage) const {
  int index = FindInfo(ALanguage);
  if (index < 0) index = FindInfo("English");
  return index < 0 ? AnsiString() : FInfoStringList[index].FInfoStr;
}

AnsiString TPropertyList::GetHtmlInfoStr(const AnsiString& ALanguage) const {
  return ReplaceAllNoCase(GetInfoStr(ALanguage), "\r", "<p>");
}

void TPropertyList::ReplaceInfoStr(const AnsiString& ALanguage, const AnsiString& AText) {
  const int index = FindInfo(ALanguage);
  if (index < 0) throw Exception(Format("Language '%s' not found", ALanguage));
  FInfoStringList[index].FInfoStr = AText;
}

}  // namespace vt
