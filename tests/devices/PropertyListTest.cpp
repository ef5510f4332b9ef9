// Property lists: items bound to callbacks of an object, their text forms and errors,
// and help texts per language.
#include <gtest/gtest.h>

#include <map>

#include "TestUtil.h"
#include "devices/PropertyList.h"

using namespace vt;

namespace {

// The object the callbacks read and write: one value of each kind per identifier.
struct TFixtureObject {
  std::map<std::int32_t, AnsiString> Strings;
  std::map<std::int32_t, std::int32_t> Longints;
  std::map<std::int32_t, double> Doubles;
  int Writes = 0;
};

TFixtureObject& Of(TPropertyObject Obj) { return *static_cast<TFixtureObject*>(Obj); }

const TGetString GetString = [](TPropertyObject Obj, std::int32_t Id) { return Of(Obj).Strings[Id]; };
const TSetString SetString = [](TPropertyObject Obj, std::int32_t Id, const AnsiString& V) {
  Of(Obj).Strings[Id] = V;
  ++Of(Obj).Writes;
};
const TGetLongint GetLongint = [](TPropertyObject Obj, std::int32_t Id) { return Of(Obj).Longints[Id]; };
const TSetLongint SetLongint = [](TPropertyObject Obj, std::int32_t Id, std::int32_t V) {
  Of(Obj).Longints[Id] = V;
  ++Of(Obj).Writes;
};
const TGetDouble GetDouble = [](TPropertyObject Obj, std::int32_t Id) { return Of(Obj).Doubles[Id]; };
const TSetDouble SetDouble = [](TPropertyObject Obj, std::int32_t Id, double V) {
  Of(Obj).Doubles[Id] = V;
  ++Of(Obj).Writes;
};

TEST(PropertyList, ItemsByPositionAndByNameInAnyCase) {
  TPropertyList list;
  EXPECT_EQ(list.FObjType, "");
  auto* name = list.Add<TStringProperty>("Name");
  TPropertyItem* upid = list.Add(&PropertyItemClassOf<TLongintProperty>, "UPID");
  list.Add<TDoubleProperty>("Gain");
  EXPECT_NE(dynamic_cast<TLongintProperty*>(upid), nullptr);
  EXPECT_EQ(upid->Owner(), &list);

  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetItemAtIndex(0), name);
  EXPECT_EQ(list.GetNameAtIndex(1), "UPID");  // the order added, not the sorted one
  EXPECT_EQ(list.GetNameAtIndex(2), "Gain");
  EXPECT_EQ(list.GetItemWithName("name"), name);
  EXPECT_EQ(list.GetItemWithName("GAIN"), list.GetItemAtIndex(2));

  EXPECT_THROW_MSG(list.GetItemWithName("Caption"), "Property with Name 'Caption' not found");
  EXPECT_THROW_MSG(list.Add<TStringProperty>("upid"), "Property with Name 'upid' already exists");
  EXPECT_THROW_MSG(list.GetItemAtIndex(3), "List index out of bounds (3)");
  EXPECT_EQ(list.GetCount(), 3);

  // A fresh item: editable text box, labelled by its name until it has a caption.
  EXPECT_EQ(name->FViewer, "EDIT");
  EXPECT_FALSE(name->FReadOnly);
  EXPECT_EQ(name->GetCaption(), "Name");
  name->FCaption = "Parameter Name";
  EXPECT_EQ(name->GetCaption(), "Parameter Name");
}

TEST(PropertyList, ValuesAsTextThroughTheCallbacks) {
  TFixtureObject object{{{1, "Drive"}}, {{2, -42}}, {{3, 0.1}, {4, 1e20}, {5, 1.0 / 3}, {6, 123456789012345678.0}}};
  TPropertyList list;
  auto* text = list.Add<TStringProperty>("Text");
  auto* number = list.Add<TLongintProperty>("Number");
  text->Setup(GetString, SetString, 1);
  number->Setup(GetLongint, SetLongint, 2);
  EXPECT_EQ(text->GetValue(&object), "Drive");
  EXPECT_EQ(number->GetValue(&object), "-42");

  // Doubles: the shortest text of up to 15 significant digits, "." whatever the locale.
  const struct {
    std::int32_t id;
    const char* text;
  } doubles[] = {{3, "0.1"}, {4, "1E20"}, {5, "0.333333333333333"}, {6, "1.23456789012346E17"}};
  for (const auto& c : doubles) {
    TDoubleProperty item(&list, "Value");
    item.Setup(GetDouble, nullptr, c.id);
    EXPECT_EQ(item.GetValue(&object), c.text);
  }

  text->SetValue(&object, "Axis");
  number->SetValue(&object, "2147483647");
  auto* gain = list.Add<TDoubleProperty>("Gain");
  gain->Setup(GetDouble, SetDouble, 7);
  gain->SetValue(&object, "2.5E-3");
  EXPECT_EQ(object.Strings[1], "Axis");
  EXPECT_EQ(object.Longints[2], 2147483647);
  EXPECT_EQ(object.Doubles[7], 0.0025);
}

// One item of each kind, bound by the test.
class PropertyItems : public ::testing::Test {
 protected:
  TFixtureObject Object;
  TPropertyList List;
  TStringProperty* Text = List.Add<TStringProperty>("Text");
  TLongintProperty* Number = List.Add<TLongintProperty>("Number");
  TDoubleProperty* Gain = List.Add<TDoubleProperty>("Gain");
};

TEST_F(PropertyItems, RefusedTextsReachNoSetter) {
  Text->Setup(GetString, SetString, 1);
  Number->Setup(GetLongint, SetLongint, 2);
  Gain->Setup(GetDouble, SetDouble, 3);

  Text->FMaxSize = 16;
  Text->SetValue(&Object, AnsiString(16, 'x'));
  EXPECT_THROW_MSG(Text->SetValue(&Object, AnsiString(17, 'x')),
                   "Property Value Error for 'Text': AnsiString max size is 16 AnsiCharacters");
  Text->FMaxSize = 0;
  Text->SetValue(&Object, AnsiString(1000, 'y'));
  EXPECT_EQ(Object.Writes, 2);

  EXPECT_THROW_MSG(Number->SetValue(&Object, "12a"), "'12a' is not a valid integer value");
  EXPECT_THROW_MSG(Number->SetValue(&Object, "2147483648"), "'2147483648' is not a valid integer value");
  EXPECT_THROW_MSG(Gain->SetValue(&Object, "1,5"), "'1,5' is not a valid floating point value");
  EXPECT_EQ(Object.Writes, 2);
  EXPECT_TRUE(Object.Longints.empty());
  EXPECT_TRUE(Object.Doubles.empty());
}

TEST_F(PropertyItems, UnboundCallbacksAndReadOnly) {
  Text->Setup(GetString, nullptr, 1);
  Number->Setup(nullptr, SetLongint, 2);
  EXPECT_TRUE(Text->GetReadOnly());
  EXPECT_FALSE(Number->GetReadOnly());
  EXPECT_TRUE(Gain->GetReadOnly());

  EXPECT_THROW_MSG(Text->SetValue(&Object, "x"), "Property Access Error for 'Text': no write access function defined");
  EXPECT_THROW_MSG(Number->GetValue(&Object), "Property Access Error for 'Number': no read access function defined");
  EXPECT_THROW_MSG(Gain->GetValue(&Object), "Property Access Error for 'Gain': no read access function defined");
  EXPECT_THROW_MSG(Gain->SetValue(&Object, "1"), "Property Access Error for 'Gain': no write access function defined");
  EXPECT_EQ(Object.Writes, 0);
}

TEST(PropertyList, InfoTextsPerLanguage) {
  TPropertyList list;
  EXPECT_EQ(list.GetInfoStr("German"), "");

  list.AddInfoStringListItem("English", "a<br>b<BR>c<Br>");
  EXPECT_EQ(list.GetInfoStr("English"), "a\rb\rc\r");
  EXPECT_EQ(list.GetHtmlInfoStr("ENGLISH"), "a<p>b<p>c<p>");
  EXPECT_EQ(list.GetInfoStr("German"), "a\rb\rc\r");  // English stands in

  list.AddInfoStringListItem("German", "Hallo");
  list.AddInfoStringListItem("german", "zweiter");
  EXPECT_EQ(list.GetInfoStr("German"), "Hallo");  // the first of a language counts
  EXPECT_EQ(list.GetNoOfInfoStr(), 3);
  EXPECT_EQ(list.GetLanguageWithIndex(2), "german");
  EXPECT_THROW_MSG(list.GetLanguageWithIndex(3), "List index out of bounds (3)");

  // A replaced text keeps its place and is taken as given.
  list.ReplaceInfoStr("GERMAN", "neu<BR>");
  EXPECT_EQ(list.GetLanguageWithIndex(1), "German");
  EXPECT_EQ(list.GetInfoStr("German"), "neu<BR>");
  EXPECT_THROW_MSG(list.ReplaceInfoStr("French", "x"), "Language 'French' not found");

  TPropertyList copy;
  copy.AddInfoStringListItem("French", "gone");
  copy.SetInfoStr(list);
  ASSERT_EQ(copy.GetNoOfInfoStr(), 3);
  EXPECT_EQ(copy.GetLanguageWithIndex(0), "English");
  EXPECT_EQ(copy.GetInfoStr("German"), "neu\r");  // copies pass through the "<BR>" conversion
  EXPECT_EQ(copy.GetInfoStr("French"), "a\rb\rc\r");

  copy.ClearInfoStringList();
  EXPECT_EQ(copy.GetNoOfInfoStr(), 0);
  EXPECT_EQ(copy.GetInfoStr("English"), "");
}

}  // namespace
