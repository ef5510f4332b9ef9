#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "SLTextFixture.h"
#include "sl/SLLimits.h"
#include "sl/values/Arrays.h"
#include "sl/values/Record.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class Encoding : public SLTextTest {};

TEST_F(Encoding, Scalars) {
  EXPECT_EQ(Encode(MakeRef<TSLLongint>(-7).get()), "-7 ");
  EXPECT_EQ(Encode(MakeRef<TSLBoolean>(true).get()), "#1 ");
  EXPECT_EQ(Encode(MakeRef<TSLBoolean>(false).get()), "#0 ");
  EXPECT_EQ(Encode(MakeRef<TSLIdent>("ns:go", true).get()), "ns:go ");
  EXPECT_EQ(Encode(MakeRef<TSLIdent>("name", false).get()), "/name ");
  EXPECT_EQ(Encode(nullptr), "@0 ");
  // Escapes for "'", "@", CR and LF; a tab and bytes above 127 stay as they are.
  EXPECT_EQ(Encode(MakeRef<TSLString>(u"a'b@c\rd\ne\tf\u20AC").get()), "'a@'b@@c@nd@le\tf\x80' ");
}

// The fixed format: 1 to 15 decimals, at most 17 significant digits; the general form
// beyond that range, and for small values (which the fixed format would cut to few
// digits or to 0.0).
TEST_F(Encoding, Doubles) {
  struct {
    double value;
    const char* text;
  } cases[] = {
      {1.0, "1.0"},
      {-0.5, "-0.5"},
      {3.25, "3.25"},
      {2.0, "2.0"},
      {1.0 / 3, "0.333333333333333"},
      {-2.0 / 3, "-0.666666666666667"},
      {0.1 + 0.2, "0.3"},
      {0.0, "0.0"},
      {-0.0, "0.0"},
      {12345.678, "12345.678"},
      {123456789.123456789, "123456789.12345679"},
      {1e16, "10000000000000000.0"},
      {1e17, "1E17"},
      {-1e20, "-1E20"},
      {0.00001, "0.00001"},
      {0.000012345678901234, "0.000012345678901"},
      {0.0000099, "9.9E-6"},
      {1.5e-7, "1.5E-7"},
      {4e-16, "4E-16"},
      {-1.234567890123456e-300, "-1.23456789012346E-300"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encode(MakeRef<TSLDouble>(c.value).get()), std::string(c.text) + " ") << c.value;
    // Every text reads back as a double.
    EXPECT_NE(dynamic_cast<TSLDouble*>(Decode(c.text)), nullptr) << c.text;
  }
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()})
    EXPECT_THROW(Encode(MakeRef<TSLDouble>(bad).get()), Exception);
  EXPECT_THROW_MSG(Encode(MakeRef<TSLDouble>(std::nan("")).get()),
                   "TSLStreamEncoder.EncodeDouble: NAN is no number SL text can hold");
}

TEST_F(Encoding, CheckIdent) {
  for (const char* good : {"a", "_x1", "Z9_", "a.b", "ns:name", "a.", "a.b:c"})
    EXPECT_NO_THROW(Encoder->CheckIdent(good)) << good;
  struct {
    const char* name;
    const char* message;
  } bad[] = {
      {"", "TSLStreamEncoder.CheckIdent: illegal ident ''"},
      {"1a", "TSLStreamEncoder.CheckIdent: illegal ident '1a'"},
      {"my key", "TSLStreamEncoder.CheckIdent: illegal ident 'my key'"},
      {"a.1", "TSLStreamEncoder.CheckIdent: illegal ident 'a.1'"},
      {"a..b", "TSLStreamEncoder.CheckIdent: illegal ident 'a..b'"},
      {".a", "TSLStreamEncoder.CheckIdent: illegal ident '.a'"},
      {"\xE9t\xE9", "TSLStreamEncoder.CheckIdent: illegal ident '\xC3\xA9t\xC3\xA9'"},
  };
  for (const auto& b : bad) EXPECT_THROW_MSG(Encoder->CheckIdent(b.name), b.message);
}

TEST_F(Encoding, SharedCompositesAreWrittenOnce) {
  auto info = MakeRef<TSLDictionary>();
  info->SetIdent("Info");
  info->SetIntWithName(u"a", 1);
  info->SetStrWithName(u"b", u"x");
  auto c = MakeRef<TSLArray>();
  c->SetFloatAtIndex(0, 2.5);
  c->SetBoolAtIndex(1, true);
  info->SetObjWithName(u"c", c.get());
  info->SetObjWithName(u"d", c.get());
  EXPECT_EQ(Encode(info.get()), "[D:Info /a 1 /b 'x' /c [A 2.5 #1 ] /d @2 ] ");
  // Each WriteObject numbers afresh: the second one writes everything in full again.
  EXPECT_EQ(Encode(c.get()), "[A 2.5 #1 ] ");
  auto twice = MakeRef<TSLArray>();
  twice->AddObject(c.get());
  twice->AddObject(c.get());
  EXPECT_EQ(Encode(twice.get()), "[A [A 2.5 #1 ] @2 ] ");
}

// Copies keep their original's name, and every composite is written with its name,
// however many share it (without regard to case); reading the text back gives each its own.
TEST_F(Encoding, EveryNameIsWritten) {
  auto tab = MakeRef<TSLArray>();
  tab->SetIdent("Tab");
  tab->SetIntAtIndex(0, 1);
  auto d = MakeRef<TSLDictionary>();
  d->SetObjWithName(u"a", tab.get());
  d->SetObjWithName(u"b", tab->CopyArray());
  d->SetObjWithName(u"c", tab.get());
  auto other = MakeRef<TSLDictionary>();
  other->SetIdent("TAB");
  d->SetObjWithName(u"d", other.get());
  const std::string text = Encode(d.get());
  EXPECT_EQ(text, "[D /a [A:Tab 1 ] /b [A:Tab 1 ] /c @2 /d [D:TAB ] ] ");
  auto* back = CheckedCast<TSLDictionary>(Decode(text));
  EXPECT_TRUE(back->IsEqual(d.get()));
  const char* names[] = {"Tab", "Tab", "Tab", "TAB"};
  for (int i = 0; i < back->GetCount(); ++i)
    EXPECT_EQ(CheckedCast<TSLComposite>(back->GetObjAtIndex(i))->Ident(), names[i]) << i;
  EXPECT_NE(back->GetObjWithName(u"a"), back->GetObjWithName(u"b"));
}

// Two records of two definitions that carry the same type name keep that name.
TEST_F(Encoding, RecordsOfTwoDefinitionsOfOneNameKeepTheirTypeName) {
  auto arr = MakeRef<TSLArray>();
  for (int fields = 1; fields <= 2; ++fields) {
    auto def = MakeRef<TSLDictionary>();
    def->SetIdent("Point");
    for (int i = 0; i < fields; ++i) def->SetIntWithName(i == 0 ? u"x" : u"y", 0);
    arr->AddObject(MakeRef<TSLRecord>(def.get()).get());
  }
  auto* back = CheckedCast<TSLArray>(Decode(Encode(arr.get())));
  for (int i = 0; i < 2; ++i) {
    auto* record = CheckedCast<TSLRecord>(back->GetObjAtIndex(i));
    EXPECT_EQ(record->GetTypeName(), u"Point") << i;
    EXPECT_EQ(record->GetCount(), i + 1);
  }
}

TEST_F(Encoding, RecordsOfOneTypeShareTheDefinition) {
  auto def = MakeRef<TSLDictionary>();
  def->SetIdent("Point");
  def->SetIntWithName(u"x", 0);
  auto arr = MakeRef<TSLArray>();
  arr->AddObject(MakeRef<TSLRecord>(def.get()).get());
  arr->AddObject(MakeRef<TSLRecord>(def.get()).get());
  EXPECT_EQ(Encode(arr.get()), "[A [R [D:Point /x 0 ] [A 0 ] ] [R @3 [A 0 ] ] ] ");
}

TEST_F(Encoding, ErrorsLeaveWhatWasWritten) {
  auto d = MakeRef<TSLDictionary>();
  d->SetIntWithName(u"ok", 1);
  d->SetIntWithName(u"my key", 2);
  auto stream = MakeRef<TSLStringStream>();
  EXPECT_THROW_MSG(Encoder->WriteObject(stream.get(), d.get()), "TSLStreamEncoder.CheckIdent: illegal ident 'my key'");
  EXPECT_EQ(stream->Buffer(), "[D /ok 1 ");
  auto named = MakeRef<TSLArray>();
  named->SetIdent("9lives");
  EXPECT_THROW_MSG(Encode(named.get()), "TSLStreamEncoder.CheckIdent: illegal ident '9lives'");
}

TEST_F(Encoding, NestingIsBounded) {
  auto nested = [](int levels) {
    auto root = MakeRef<TSLArray>();
    TSLArray* inner = root.get();
    for (int i = 1; i < levels; ++i) {
      auto next = MakeRef<TSLArray>();
      inner->AddObject(next.get());
      inner = next.get();
    }
    return root;
  };
  EXPECT_EQ(Encode(nested(kMaxCompositeDepth).get()).size(), 5u * kMaxCompositeDepth);
  EXPECT_THROW_MSG(Encode(nested(kMaxCompositeDepth + 1).get()),
                   "TSLStreamEncoder.EncodeComposite: composites nested deeper than 1000 levels");
}

}  // namespace
