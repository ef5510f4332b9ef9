// Boolean parameters from small description records: entry, texts by display mode, the
// value bytes of a read and a write, commits, defaults, and the visibility flags a
// boolean switches on.
#include <gtest/gtest.h>

#include "ParameterTreeFixture.h"
#include "TestUtil.h"
#include "parameters/BoolParameters.h"

namespace vt::test {
namespace {

class BoolParameters : public ParameterTreeTest {
 protected:
  TBoolParameter* Bool(int UPID, const std::vector<TField>& Fields = {}) {
    std::vector<TField> fields = {{"DefValue", "1"}};
    fields.insert(fields.end(), Fields.begin(), Fields.end());
    Load({Record("Bool", UPID, 1, "Brake", fields)});
    EXPECT_TRUE(Shown.empty()) << Shown.front();
    return static_cast<TBoolParameter*>(Find(UPID));
  }
};

TEST_F(BoolParameters, EntryTakesTheSixWordsInAnyCase) {
  TBoolParameter* p = Bool(10);
  const struct {
    const char* text;
    bool value;
  } cases[] = {{"on", true}, {"Off", false}, {"1", true}, {"false", false}, {"TRUE", true}, {"0", false}};
  for (const auto& c : cases) {
    p->SetBoolValue(!c.value);
    p->SetScaledValue(c.text, usSI, "SCALED");
    EXPECT_EQ(p->TempCache(), c.value) << c.text;
  }
  EXPECT_THROW_MSG(p->SetScaledValue("yes", usSI, "SCALED"), "invalid boolean parameterYES");
  EXPECT_FALSE(p->TempCache());  // unchanged
  EXPECT_FALSE(p->GetValid());   // entry only sets the pending value
}

TEST_F(BoolParameters, TextsByDisplayMode) {
  TBoolParameter* p = Bool(10);
  TValueRec rec;
  // Before the first commit only the description's texts can be read.
  EXPECT_THROW_MSG(p->GetBoolValue(), "Parameter not name Brake is notvalid");
  EXPECT_THROW_MSG(p->GetRAMBoolValue(), "Parameter with name Brake is not valid");
  EXPECT_THROW_MSG(p->GetScaledValue(rec, usSI, "SCALED"), "Parameter not name Brake is notvalid");
  p->GetScaledRAMValue(rec, usSI, "SCALED");  // no RAM value on this drive
  EXPECT_EQ(rec.ValueStr.str(), "***");

  const struct {
    const char* mode;
    const char* def;
    const char* raw;
  } cases[] = {{"SCALED", "True", ""}, {"HEX", "1h", "1h"}, {"DEC", "1", "1"}, {"hex", "1", ""}, {"BIN", "1", ""}};
  p->SetDefaultValue(usSI);
  for (const auto& c : cases) {
    p->GetDefaultStr(rec, usSI, c.mode);
    EXPECT_EQ(rec.ValueStr.str(), c.def) << c.mode;
    EXPECT_EQ(p->GetRawDataStr(c.mode), c.raw) << c.mode;
  }
  p->GetScaledValue(rec, usSI, "HEX");
  EXPECT_EQ(rec.ValueStr.str(), "True");
  EXPECT_EQ(p->GetFalseValueStr("SCALED"), "False");
  EXPECT_EQ(p->GetFalseValueStr("HEX"), "0h");
  EXPECT_EQ(p->GetTrueValueStr("ASCII"), "1");
}

TEST_F(BoolParameters, ValueBytesOfReadsAndWrites) {
  TBoolParameter* p = Bool(10);
  EXPECT_FALSE(p->DecodePendingValue(std::string("\x02", 1)));  // shorter than the word
  EXPECT_FALSE(p->GetValid());
  ASSERT_TRUE(p->DecodePendingValue(std::string("\x02\x00", 2)));
  p->CommitRead();
  EXPECT_TRUE(p->GetBoolValue());  // any word but 0 is true
  EXPECT_TRUE(p->GetAttrFlag(AttrChanged));

  const struct {
    bool value;
    std::string bytes;
  } writes[] = {{true, std::string("\x01\x00", 2)}, {false, std::string("\x00\x00", 2)}};
  for (const auto& w : writes) {
    p->SetBoolValue(w.value);
    EXPECT_EQ(p->EncodePendingValue(), w.bytes);
  }

  // A commit of the value already held leaves the flags as they are.
  p->ClrAttrFlag(AttrChanged);
  p->SetBoolValue(true);
  p->CommitWrite();
  EXPECT_FALSE(p->GetAttrFlag(AttrChanged));

  // A parameter with a RAM value only takes a read as its RAM value.
  TBoolParameter* ram = Bool(11, {{"AddrUsage", "3"}});
  ASSERT_TRUE(ram->DecodePendingValue(std::string("\x01\x00", 2)));
  ram->CommitRead();
  EXPECT_TRUE(ram->RAMValue());
  EXPECT_FALSE(ram->GetValid());
}

TEST_F(BoolParameters, DefaultsCommitAndASafetyBooleanKeepsItsNewValue) {
  TBoolParameter* p = Bool(10, {{"AppFlags", "128"}});
  p->SetDefaultValue(usSI);
  EXPECT_TRUE(p->GetBoolValue());
  EXPECT_TRUE(p->GetRAMBoolValue());
  EXPECT_TRUE(p->GetNewBoolValue());
}

TEST_F(BoolParameters, RecordsThatFail) {
  Load({Record("Bool", 10, 1, "NoDefault")});
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_NE(Shown[0].find("DefValue"), std::string::npos) << Shown[0];
  EXPECT_EQ(Find(10), nullptr);

  Load({Record("Bool", 11, 1, "Unknown", {{"DefValue", "0"}, {"SetVFlag", "[A 'Missing']"}})});
  ASSERT_EQ(Shown.size(), 2u);
  EXPECT_EQ(Shown[1], "visibility flag with name 'Missing' not found");
}

// A boolean naming flags A and B switches both on while true, neither while false or
// unread; the nodes shown by those flags follow.
TEST_F(BoolParameters, VisibilityFlagsFollowTheValue) {
  Load({Record("Bool", 10, 1, "Switch", {{"DefValue", "1"}, {"SetVFlag", "[A 'A' 'B']"}}),
        Record("Directory", 20, 1, "ByA", {{"UseVFlag", "'A'"}}),
        Record("Bool", 21, 2, "ByB", {{"DefValue", "0"}, {"UseVFlag", "'B'"}})},
       "/VisibilityFlags [A [D /Type 'B' /Name 'A'] [D /Type 'B' /Name 'B']]");
  ASSERT_TRUE(Shown.empty()) << Shown.front();
  auto* p = static_cast<TBoolParameter*>(Find(10));
  EXPECT_TRUE(p->GetAttrFlag(AttrSetsFlags));
  const auto visible = [&] {
    Service->UpdateVisibility();
    return std::pair(Find(20)->GetAttrFlag(AttrVisible), Find(21)->GetAttrFlag(AttrVisible));
  };
  EXPECT_EQ(visible(), std::pair(false, false));  // unread
  p->SetDefaultValue(usSI);
  EXPECT_EQ(visible(), std::pair(true, true));
  p->SetScaledValue("off", usSI, "SCALED");
  p->CommitWrite();
  EXPECT_EQ(visible(), std::pair(false, false));
}

}  // namespace
}  // namespace vt::test
