#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "RefCountedTest.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Record.h"
#include "sl/values/Scalars.h"
#include "sl/values/Stack.h"

using namespace vt;

namespace {

class Collections : public RefCountedTest {};

TEST_F(Collections, TypedSetterByNameChangesSharedValueInPlace) {
  auto dict = MakeRef<TSLDictionary>();
  auto arr = MakeRef<TSLArray>();
  dict->SetIntWithName(u"A", 5);
  TSLObject* value = dict->GetObjWithName(u"A");
  arr->AddObject(value);
  dict->SetIntWithName(u"a", 7);
  EXPECT_EQ(dict->GetCount(), 1);
  EXPECT_EQ(arr->GetIntAtIndex(0), 7);  // the same object, changed in place
  EXPECT_EQ(dict->GetObjWithName(u"A"), value);
}

TEST_F(Collections, TypedSetterNeverChangesTheClassOfAValue) {
  auto dict = MakeRef<TSLDictionary>();
  dict->SetStrWithName(u"Name", u"x");
  const int objects = RefObjManager().ObjCount();
  EXPECT_THROW_MSG(dict->SetIntWithName(u"name", 1), "TSLDictionary.SetObjWithName: object with name 'name' already exists");
  EXPECT_EQ(RefObjManager().ObjCount(), objects);  // the new value was destroyed
  EXPECT_EQ(dict->GetStrWithName(u"Name"), u"x");
}

TEST_F(Collections, TypedGettersRequireTheExactClass) {
  auto dict = MakeRef<TSLDictionary>();
  dict->SetIntWithName(u"i", 1);
  dict->SetFloatWithName(u"f", 1.5);
  dict->SetBoolWithName(u"b", true);
  dict->AddObject(u"nil", nullptr);
  EXPECT_THROW_MSG(dict->GetFloatWithName(u"i"), "Invalid class typecast");
  EXPECT_THROW_MSG(dict->GetIntWithName(u"f"), "Invalid class typecast");
  EXPECT_THROW_MSG(dict->GetStrWithName(u"b"), "Invalid class typecast");
  EXPECT_THROW_MSG(dict->GetBoolWithName(u"nil"), "Invalid class typecast");
  EXPECT_THROW_MSG(dict->GetIntWithName(u"missing"), "TSLDictionary error: no object named missing");
  EXPECT_EQ(dict->GetFloatWithName(u"F"), 1.5);
  EXPECT_TRUE(dict->GetBoolAtIndex(2));
}

TEST_F(Collections, TypedSettersByIndex) {
  auto arr = MakeRef<TSLArray>();
  arr->SetStrAtIndex(0, "a");  // count: appends
  EXPECT_EQ(arr->GetStrAtIndex(0), "a");
  EXPECT_THROW_MSG(arr->SetStrAtIndex(2, "c"), "TSLArray.SetObjAtIndex: index (2) out of bounds (1)");
  EXPECT_EQ(arr->GetCount(), 1);
  arr->SetIntAtIndex(0, 3);  // another class: replaced
  EXPECT_EQ(arr->GetIntAtIndex(0), 3);

  auto dict = MakeRef<TSLDictionary>();
  dict->SetBoolWithName(u"b", false);
  dict->SetIntWithName(u"i", 1);
  dict->SetBoolAtIndex(0, true);
  EXPECT_TRUE(dict->GetBoolWithName(u"b"));
  EXPECT_THROW_MSG(dict->SetBoolAtIndex(1, true), "TSLDictionary.SetObjAtIndex: not allowed in named collection");
  EXPECT_EQ(dict->GetIntWithName(u"i"), 1);
}

// A Boolean setter on a place that holds the shared system true (as a script's
// "d /on true put" leaves it) puts a Boolean of its own in that place and leaves the
// shared one alone.
TEST_F(Collections, BooleanSettersReplaceTheSharedSystemValues) {
  auto shared = MakeRef<TSLBoolean>(true);
  shared->MakeConstant();
  // Each holds three values, the shared one in the middle.
  auto dictionary = [&] {
    auto d = MakeRef<TSLDictionary>();
    d->SetIntWithName(u"first", 0);
    d->AddObject(u"on", shared.get());
    d->SetIntWithName(u"last", 0);
    return TRef<TSLCollection>(d);
  };
  auto record = [&] {
    auto def = MakeRef<TSLDictionary>();
    for (const char16_t* name : {u"first", u"on", u"last"}) def->SetIntWithName(name, 0);
    auto r = MakeRef<TSLRecord>(def.get());
    r->SetObjWithName(u"on", shared.get());
    return TRef<TSLCollection>(r);
  };
  auto array = [&] {
    auto a = MakeRef<TSLArray>();
    a->SetIntAtIndex(0, 0);
    a->AddObject(shared.get());
    a->SetIntAtIndex(2, 0);
    return TRef<TSLCollection>(a);
  };
  auto byName = [](TSLCollection* c, bool value) { static_cast<TSLNamedCollection*>(c)->SetBoolWithName(u"on", value); };
  auto byIndex = [](TSLCollection* c, bool value) { c->SetBoolAtIndex(1, value); };
  const struct {
    const char* what;
    std::function<TRef<TSLCollection>()> make;
    std::function<void(TSLCollection*, bool)> set;
  } cases[] = {
      {"dictionary by name", dictionary, byName}, {"dictionary by index", dictionary, byIndex},
      {"record by name", record, byName},         {"record by index", record, byIndex},
      {"array by index", array, byIndex},
  };
  for (const auto& c : cases) {
    TRef<TSLCollection> holder = c.make();
    c.set(holder.get(), false);
    TSLObject* own = holder->GetObjAtIndex(1);
    EXPECT_NE(own, shared.get()) << c.what;
    EXPECT_FALSE(holder->GetBoolAtIndex(1)) << c.what;
    EXPECT_EQ(holder->GetCount(), 3) << c.what;
    if (auto* named = As<TSLNamedCollection>(holder.get())) {
      EXPECT_EQ(named->GetNameAtIndex(1), u"on") << c.what;
    }
    c.set(holder.get(), true);  // its own value now: changed in place
    EXPECT_EQ(holder->GetObjAtIndex(1), own) << c.what;
    EXPECT_TRUE(holder->GetBoolAtIndex(1)) << c.what;
  }
  EXPECT_TRUE(shared->BooleanValue());
  EXPECT_EQ(shared->GetRefCount(), 1);  // no holder kept it
}

TEST_F(Collections, NamedCollectionsRefuseIndexChanges) {
  auto dict = MakeRef<TSLDictionary>();
  EXPECT_THROW_MSG(dict->SetCount(1), "TSLDictionary.SetCount: not allowed in named collection");
  EXPECT_THROW_MSG(dict->InsObjAtIndex(0, nullptr), "TSLDictionary.InsObjAtIndex: not allowed in named collection");
  EXPECT_THROW_MSG(dict->DelObjAtIndex(0), "TSLDictionary.DelObjAtIndex: not allowed in named collection");
  EXPECT_THROW_MSG(dict->RemoveObject(u"x"), "TSLDictionary.RemoveObject: object with name 'x' not found");
}

TEST_F(Collections, WalkIsPreOrderWithNamesAndLevels) {
  auto dict = MakeRef<TSLDictionary>();
  auto arr = MakeRef<TSLArray>();
  arr->SetIntAtIndex(0, 1);
  arr->SetIntAtIndex(1, 2);
  dict->AddObject(u"List", arr.get());
  dict->SetIntWithName(u"After", 3);
  struct Visit {
    std::string name;
    int level, index;
    bool rootParent;
  };
  std::vector<Visit> seen;
  auto record = [&](const TForEachInfo& i, bool&) {
    seen.push_back({i.Name, i.Level, i.Index, i.Parent == nullptr});
  };
  EXPECT_TRUE(dict->ForEach(record, false));
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].name, "List");
  EXPECT_EQ(seen[0].level, 0);
  EXPECT_EQ(seen[1].name, "");
  EXPECT_EQ(seen[1].level, 1);
  EXPECT_EQ(seen[2].index, 1);
  EXPECT_EQ(seen[3].name, "After");

  seen.clear();
  EXPECT_TRUE(dict->ForEach(record, true));
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_TRUE(seen[0].rootParent);
  EXPECT_EQ(seen[1].level, 1);

  int visits = 0;
  EXPECT_FALSE(dict->ForEach([&](const TForEachInfo&, bool& abort) { abort = ++visits == 2; }, false));
  EXPECT_EQ(visits, 2);
}

TEST_F(Collections, EqualityComparesOrderAndExactNames) {
  auto make = [](std::vector<std::u16string> names) {
    auto d = MakeRef<TSLDictionary>();
    for (std::size_t i = 0; i < names.size(); ++i) d->SetIntWithName(names[i], 1);
    return d;
  };
  EXPECT_TRUE(make({u"a", u"b"})->IsEqual(make({u"a", u"b"}).get()));
  EXPECT_FALSE(make({u"a", u"b"})->IsEqual(make({u"b", u"a"}).get()));
  EXPECT_FALSE(make({u"a"})->IsEqual(make({u"A"}).get()));
  EXPECT_FALSE(make({u"a"})->IsEqual(MakeRef<TSLArray>().get()));
}

TEST_F(Collections, DeepCopyOfNestedComposites) {
  auto inner = MakeRef<TSLDictionary>();
  inner->SetStrWithName(u"s", u"text");
  auto arr = MakeRef<TSLArray>();
  arr->AddObject(inner.get());
  arr->AddObject(nullptr);
  auto outer = MakeRef<TSLDictionary>();
  outer->SetIdent("Outer");
  outer->AddObject(u"arr", arr.get());

  TSLDictionary* copy = outer->CopyDictionary();
  EXPECT_TRUE(copy->IsEqual(outer.get()));
  EXPECT_EQ(copy->Ident(), "Outer");
  auto* copiedArr = CheckedCast<TSLArray>(copy->GetObjWithName(u"arr"));
  EXPECT_NE(copiedArr, arr.get());
  EXPECT_EQ(copiedArr->GetObjAtIndex(1), nullptr);
  auto* copiedInner = CheckedCast<TSLDictionary>(copiedArr->GetObjAtIndex(0));
  copiedInner->SetStrWithName(u"s", u"changed");
  EXPECT_EQ(inner->GetStrWithName(u"s"), u"text");
}

TEST_F(Collections, AssignReplacesContentAndIntoItselfKeepsIt) {
  auto a = MakeRef<TSLArray>();
  a->SetIntAtIndex(0, 1);
  a->SetIntAtIndex(1, 2);
  a->AssignObject(a.get());
  EXPECT_EQ(a->GetCount(), 2);
  auto d = MakeRef<TSLDictionary>();
  d->SetIntWithName(u"x", 1);
  d->AssignObject(d.get());
  EXPECT_EQ(d->GetIntWithName(u"x"), 1);

  auto b = MakeRef<TSLArray>();
  b->SetStrAtIndex(0, "old");
  b->AssignObject(a.get());
  EXPECT_TRUE(b->IsEqual(a.get()));
  EXPECT_NE(b->GetObjAtIndex(0), a->GetObjAtIndex(0));
  EXPECT_THROW_MSG(d->AssignObject(a.get()), "Invalid class typecast");  // an array has no names
  b->AssignObject(d.get());  // any collection gives its values by index
  EXPECT_EQ(b->GetIntAtIndex(0), 1);
}

}  // namespace
