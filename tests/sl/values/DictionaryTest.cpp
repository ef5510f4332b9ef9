#include <gtest/gtest.h>

#include <vector>

#include "RefCountedTest.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Record.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

// The decoded elements of one composite, as the text decoder hands them over.
class TElements : public TSLCompData {
 public:
  explicit TElements(bool AutoRelease) : TSLCompData(AutoRelease) {}
  void Add(TSLObject* o, int line = 0) {
    if (o && line) {
      auto info = std::make_unique<TElmDbgInfo>();
      info->SetTokLine(line);
      o->SetDbgInfo(std::move(info));
    }
    FItems.emplace_back(o);
  }
  int GetElementCount() override { return static_cast<int>(FItems.size()); }
  TSLObject* GetFirstElement() override { return FItems[FNext = 0].get(); }
  TSLObject* GetNextElement() override { return FItems[FNext++].get(); }
  TSLObject* GetElementAtIndex(int Index) override { return FItems.at(Index).get(); }

 private:
  std::vector<TRef<TSLObject>> FItems;
  std::size_t FNext = 0;
};

TSLObject* Key(const char* name, bool executable = false) { return new TSLIdent(false, name, executable); }
TSLObject* Int(std::int64_t v) { return new TSLLongint(false, v); }

class Dictionaries : public RefCountedTest {};

TEST_F(Dictionaries, NamesIgnoreCaseAndKeepTheirSpelling) {
  auto d = MakeRef<TSLDictionary>();
  d->SetIntWithName(u"Speed", 10);
  EXPECT_TRUE(d->NameExists(u"SPEED"));
  EXPECT_EQ(d->GetIntWithName(u"SPEED"), 10);
  EXPECT_EQ(d->GetNameAtIndex(0), u"Speed");
  EXPECT_THROW_MSG(d->AddObject(u"speed", nullptr), "TSLDictionary.AddObject: object with name 'speed' already exists");
  EXPECT_THROW_MSG(d->SetObjWithName(u"SPEED", nullptr),
                   "TSLDictionary.SetObjWithName: object with name 'SPEED' already exists");
}

TEST_F(Dictionaries, InsertionOrderAndDeletion) {
  auto d = MakeRef<TSLDictionary>();
  // Enough entries for the hashed look-up, which must follow deletions too.
  for (int i = 0; i < 20; ++i) d->SetIntWithName(u"n" + AnsiToWide(std::to_string(i)), i);
  d->DelObjWithName(u"N3");
  d->SetIntWithName(u"n3", 33);  // moves to the end
  EXPECT_EQ(d->GetNameAtIndex(19), u"n3");
  EXPECT_EQ(d->GetNameAtIndex(3), u"n4");
  EXPECT_EQ(d->GetIntWithName(u"N4"), 4);
  EXPECT_EQ(d->GetIntWithName(u"N3"), 33);
  EXPECT_EQ(d->GetIndexOfName(u"N19"), 18);
  d->Delete(0);
  EXPECT_EQ(d->GetIndexOfName(u"n1"), 0);
  EXPECT_THROW_MSG(d->DelObjWithName(u"n0"), "TSLDictionary.RemoveObject: no object found with name 'n0'");
  EXPECT_THROW_MSG(d->GetObjAtIndex(19), "TSLDictionary.GetObjAtIndex: index (19) out of bounds (19)");
  EXPECT_THROW_MSG(d->GetObjAtIndex(-1), "TSLDictionary.GetObjAtIndex: index (-1) out of bounds (19)");
  EXPECT_THROW_MSG(d->GetNameAtIndex(19), "TSLDictionary.GetNameAtIndex: index (19) out of bounds (19)");
}

TEST_F(Dictionaries, EightBitNamesFindWideEntries) {
  for (int size : {3, 30}) {  // a scanned and a hashed dictionary
    auto d = MakeRef<TSLDictionary>();
    for (int i = 0; i < size - 1; ++i) d->SetIntWithName(u"k" + AnsiToWide(std::to_string(i)), i);
    d->SetIntWithName(u"\u00C4rger", 99);
    EXPECT_EQ(d->IndexOfAnsi("K1"), 1) << size;
    EXPECT_EQ(d->IndexOfAnsi("\xE4RGER"), size - 1) << size;  // Windows-1252 a-umlaut, other case
    EXPECT_EQ(d->FindObjectAnsi("missing"), nullptr) << size;
  }
}

TEST_F(Dictionaries, FilledFromDecodedPairs) {
  auto e = MakeRef<TElements>();
  e->Add(Key("a"));
  e->Add(Int(1));
  e->Add(Key("B"));
  e->Add(nullptr);
  auto d = MakeRef<TSLDictionary>();
  d->InitComposite(e.get());
  EXPECT_EQ(d->GetCount(), 2);
  EXPECT_EQ(d->GetIntWithName(u"A"), 1);
  EXPECT_EQ(d->GetObjWithName(u"b"), nullptr);
}

TEST_F(Dictionaries, DecodedKeyErrors) {
  struct Case {
    std::vector<std::pair<TSLObject*, int>> elements;  // element, source line (0: none)
    const char* message;
  };
  Case cases[] = {
      {{{Key("a"), 0}, {Int(1), 0}, {Int(2), 7}, {Int(3), 0}}, "illegal key (TSLLongint) in dictionary at line 7 and index 2"},
      {{{Int(2), 0}, {Int(3), 0}}, "illegal key (TSLLongint) in dictionary "},
      {{{nullptr, 0}, {Int(3), 0}}, "illegal key (nil) in dictionary "},
      {{{Key("a", true), 4}, {Int(1), 0}}, "executable key 'a' in dictionary at line 4 and index 0"},
      {{{Key("a"), 3}}, "odd number of objects in dictionary starting at line 3 "},
      {{{Key("a"), 0}}, "odd number of objects in dictionary "},
      {{{Key("a"), 0}, {Int(1), 0}, {Key("A"), 0}, {Int(2), 0}},
       "TSLDictionary.AddObject: object with name 'A' already exists"},
  };
  for (auto& c : cases) {
    auto e = MakeRef<TElements>();
    for (auto [obj, line] : c.elements) e->Add(obj, line);
    EXPECT_THROW_MSG(MakeRef<TSLDictionary>()->InitComposite(e.get()), c.message);
  }
}

class Records : public RefCountedTest {
 protected:
  void SetUp() override {
    RefCountedTest::SetUp();
    def = MakeRef<TSLDictionary>();
    def->SetIdent("Point");
    def->SetIntWithName(u"X", 1);
    def->SetIntWithName(u"Y", 2);
    def->SetStrWithName(u"Label", u"none");
  }
  void TearDown() override {
    def.reset();
    RefCountedTest::TearDown();
  }
  TRef<TSLDictionary> def;
};

TEST_F(Records, NewRecordHoldsCopiesOfTheDefaults) {
  auto r = MakeRef<TSLRecord>(def.get());
  EXPECT_EQ(r->GetCount(), 3);
  EXPECT_EQ(r->GetTypeName(), u"Point");
  EXPECT_EQ(r->GetIntWithName(u"x"), 1);
  r->SetIntWithName(u"X", 10);
  EXPECT_EQ(def->GetIntWithName(u"X"), 1);  // the definition is untouched
  r->Clear();
  EXPECT_EQ(r->GetIntWithName(u"X"), 1);
  EXPECT_EQ(r->GetNameAtIndex(2), u"Label");
}

TEST_F(Records, FieldsStayWhenDeleted) {
  auto r = MakeRef<TSLRecord>(def.get());
  r->DelObjWithName(u"Y");
  EXPECT_TRUE(r->GetNameExists(u"Y"));
  EXPECT_EQ(r->GetObjWithName(u"Y"), nullptr);
  EXPECT_THROW_MSG(r->GetObjWithName(u"Z"), "TSLRecord.GetObjWithName: object with name 'Z' not found");
  EXPECT_THROW_MSG(r->SetObjWithName(u"Z", nullptr), "TSLRecord.SetObjWithName: object with name 'Z' not found");
  EXPECT_THROW_MSG(r->GetNameAtIndex(3), "TSLRecord.GetNameAtIndex: index (3) out of bounds (3)");
  EXPECT_THROW_MSG(r->GetObjAtIndex(3), "TSLArray.ObjectAtIndex: no object to fetch at index 3");
  EXPECT_THROW_MSG(r->SetCount(0), "TSLRecord.SetCount: not allowed in named collection");
}

TEST_F(Records, CopiesShareTheDefinition) {
  auto r = MakeRef<TSLRecord>(def.get());
  r->SetStrWithName(u"Label", u"origin");
  TSLRecord* copy = r->CopyRecord();
  EXPECT_EQ(copy->RecDef(), def.get());
  EXPECT_TRUE(copy->IsEqual(r.get()));
  copy->SetStrWithName(u"Label", u"moved");
  EXPECT_EQ(r->GetStrWithName(u"Label"), u"origin");
  EXPECT_FALSE(copy->IsEqual(r.get()));
}

TEST_F(Records, FilledFromDefinitionAndData) {
  auto data = MakeRef<TSLArray>();
  data->SetIntAtIndex(0, 5);
  data->SetIntAtIndex(1, 6);
  data->SetStrAtIndex(2, "p");
  auto e = MakeRef<TElements>();
  e->Add(def.get());
  e->Add(data.get());
  auto r = MakeRef<TSLRecord>();
  r->InitComposite(e.get());
  EXPECT_EQ(r->RecDef(), def.get());
  EXPECT_EQ(r->GetIntWithName(u"Y"), 6);

  auto bad = MakeRef<TElements>();
  bad->Add(data.get());
  bad->Add(def.get());
  EXPECT_THROW_MSG(MakeRef<TSLRecord>()->InitComposite(bad.get()), "Invalid class typecast");
}

TEST_F(Records, AssignIntoARecordFindsEveryNameTaken) {
  auto r = MakeRef<TSLRecord>(def.get());
  EXPECT_THROW_MSG(r->AssignObject(MakeRef<TSLRecord>(def.get()).get()),
                   "TSLRecord.AddObject: object with name 'X' already exists");
}

}  // namespace
