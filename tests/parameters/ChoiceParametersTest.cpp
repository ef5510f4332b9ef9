// Radio and enumeration parameters from small description records: the width tables,
// option look-ups, selection through an option, the RAM copy, texts, value bytes, the
// unit system set by a batched value, and records that fail.
#include <gtest/gtest.h>

#include "ParameterTreeFixture.h"
#include "TestUtil.h"
#include "parameters/EnumParameters.h"
#include "parameters/RadioParameters.h"

namespace vt::test {
namespace {

class ChoiceParameters : public ParameterTreeTest {
 protected:
  // A directory of the type with options of the child type (caption and value each),
  // committed to Value unless Value is negative. Each call takes UPIDs of its own.
  template <class Directory>
  Directory* Choice(const std::string& DirType, const std::string& ChildType,
                    const std::vector<std::pair<std::string, int>>& Options, int Value,
                    const std::vector<TField>& Fields = {}) {
    std::vector<TField> fields = {{"DefValue", "0"}};
    fields.insert(fields.end(), Fields.begin(), Fields.end());
    Base += 10;
    std::vector<std::string> records = {Record(DirType, Base, 1, "Mode", fields)};
    int upid = Base + 1;
    for (const auto& [caption, value] : Options)
      records.push_back(Record(ChildType, upid++, 2, caption, {{"ChildValue", std::to_string(value)}}));
    Load(records);
    EXPECT_TRUE(Shown.empty()) << Shown.front();
    auto* directory = dynamic_cast<Directory*>(Find(Base));
    if (directory && Value >= 0) {
      directory->SetValue(Value);
      directory->CopyTempToData();
    }
    return directory;
  }
  // The option at Index of the last directory made.
  TParameter* Option(int Index) const { return Find(Base + 1 + Index); }

  int Base = 0;
};

TEST_F(ChoiceParameters, WidthTables) {
  const struct {
    const char *dirType, *childType, *typeStr, *dirObj, *childTypeStr, *childObj, *dirClass, *childClass;
    int size;
  } cases[] = {
      {"RadioDir8", "RadioChild8", "UInt8", "UInt8 RadioDir Parameter", "UInt8", "UInt8 RadioChild",
       "TRadioDir8Parameter", "TRadioChild8Parameter", 1},
      {"RadioDir16", "RadioChild", "UInt16", "UInt16 RadioDir Parameter", "UInt16", "UInt16 RadioChild",
       "TRadioDir16Parameter", "TRadioChild16Parameter", 2},
      {"RadioDir32", "RadioChild32", "UInt32", "UInt32 RadioDir Parameter", "UInt32", "UInt32 RadioChild",
       "TRadioDir32Parameter", "TRadioChild32Parameter", 4},
      {"RadioDirBit", "RadioChildBit", "Bit", "Bit RadioDir Parameter", "Bit", "Bit RadioChild",
       "TRadioDirBitParameter", "TRadioChildBitParameter", 2},
      {"EnumDir8", "EnumChild8", "UInt8 Enumerator", "UInt8 Enumerator Parameter", "UInt8", "UInt8 EnumChild",
       "TEnumDir8Parameter", "TEnumChild8Parameter", 1},
      {"EnumDir16", "EnumChild16", "UInt16 Enumerator", "UInt16 Enumerator Parameter", "UInt16", "EnumChild16",
       "TEnumDir16Parameter", "TEnumChild16Parameter", 2},
      {"EnumDir32", "EnumChild32", "UInt32 Enumerator", "UInt32 Enumerator Parameter", "UInt32", "EnumChild32",
       "TEnumDir32Parameter", "TEnumChild32Parameter", 4},
  };
  int upid = 100;
  for (const auto& c : cases) {
    Load({Record(c.dirType, upid, 1, "Dir", {{"DefValue", "0"}}),
          Record(c.childType, upid + 1, 2, "Option", {{"ChildValue", "1"}})});
    ASSERT_TRUE(Shown.empty()) << Shown.front();
    TParameter* dir = Find(upid);
    TParameter* child = Find(upid + 1);
    EXPECT_STREQ(dir->ClassName(), c.dirClass);
    EXPECT_STREQ(child->ClassName(), c.childClass);
    EXPECT_EQ(dir->TypeStr(), c.typeStr);
    EXPECT_EQ(dir->PropList().FObjType, c.dirObj);
    EXPECT_EQ(child->TypeStr(), c.childTypeStr);
    EXPECT_EQ(child->PropList().FObjType, c.childObj);
    EXPECT_EQ(dir->GetSize(), c.size) << c.dirType;
    EXPECT_TRUE(child->IsChild());
    upid += 2;
  }
}

TEST_F(ChoiceParameters, RadioOptionsFollowTheWholeValue) {
  auto* dir = Choice<TRadioDir16Parameter>("RadioDir16", "RadioChild", {{"Off", 0}, {"On", 1}, {"Also on", 1}}, 1);
  TParameter* off = Option(0);
  TParameter* on = Option(1);
  EXPECT_EQ(dir->GetSelectedChild(), on);  // the first of equal values
  EXPECT_TRUE(on->GetBoolValue());
  EXPECT_TRUE(Option(2)->GetBoolValue());
  EXPECT_FALSE(off->GetBoolValue());
  std::vector<TParameter*> options;
  dir->GetChildList(options);
  EXPECT_EQ(options.size(), 3u);

  // Selecting Off sets the pending value only; the write sends it.
  off->SetScaledValue("true", usSI, "SCALED");
  EXPECT_EQ(dir->TempCache(), 0);
  EXPECT_EQ(dir->GetValue(), 1);
  EXPECT_EQ(dir->EncodePendingValue(), std::string("\x00\x00", 2));
  on->SetBoolValue(false);  // an option is never deselected on its own
  EXPECT_EQ(dir->TempCache(), 0);

  dir->SetValue(5);
  dir->CopyTempToData();
  EXPECT_EQ(dir->GetSelectedChild(), nullptr);
  EXPECT_FALSE(on->GetBoolValue());
  EXPECT_FALSE(off->GetBoolValue());
}

TEST_F(ChoiceParameters, RadioRAMCopyOfAnOptionWrittenWhileRunning) {
  // 0x10F: writable while the drive runs. The 8-bit directory copies its committed value.
  auto* dir8 = Choice<TRadioDir8Parameter>("RadioDir8", "RadioChild8", {{"Off", 0}}, 1, {{"AddrUsage", "271"}});
  Option(0)->SetBoolValue(true);
  EXPECT_EQ(dir8->RAMValue(), 1);
  EXPECT_EQ(dir8->TempCache(), 0);

  auto* dir16 = Choice<TRadioDir16Parameter>("RadioDir16", "RadioChild", {{"Off", 0}}, 1, {{"AddrUsage", "271"}});
  Option(0)->SetBoolValue(true);
  EXPECT_EQ(dir16->RAMValue(), 0);
}

TEST_F(ChoiceParameters, RadioTexts) {
  auto* dir32 = Choice<TRadioDir32Parameter>("RadioDir32", "RadioChild32", {{"Ten", 10}}, 10);
  EXPECT_EQ(dir32->GetRawDataStr("HEX"), "000Ah");
  EXPECT_EQ(dir32->GetRawDataStr("DEC"), "10");
  EXPECT_EQ(dir32->GetRawDataStr("SCALED"), "");
  TParameter* ten = Option(0);
  EXPECT_EQ(ten->GetChildValueStr("SCALED"), "Ten");
  EXPECT_EQ(ten->GetChildValueStr("HEX"), "000Ah");
  dir32->SetValue(-1);
  dir32->CopyTempToData();
  EXPECT_EQ(dir32->GetRawDataStr("HEX"), "FFFFFFFFh");
  EXPECT_EQ(dir32->GetIntValue(), -1);
  dir32->SetScaledValue("", usSI, "DEC");  // does nothing
  EXPECT_EQ(dir32->TempCache(), -1);

  auto* bit = Choice<TRadioDirBitParameter>("RadioDirBit", "RadioChildBit", {{"Released", 0}, {"Engaged", 1}}, 1);
  TValueRec rec;
  Option(0)->GetScaledValue(rec, usSI, "SCALED");
  EXPECT_EQ(rec.ValueStr.str(), "");  // not selected
  Option(1)->GetScaledValue(rec, usSI, "DEC");
  EXPECT_EQ(rec.ValueStr.str(), "1");
  Option(1)->GetScaledValue(rec, usSI, "SCALED");
  EXPECT_EQ(rec.ValueStr.str(), "Engaged");
  EXPECT_EQ(bit->GetBitSetValueStr("SCALED"), "Engaged");
  EXPECT_EQ(bit->GetBitClearedValueStr("SCALED"), "Released");
  EXPECT_EQ(bit->GetBitClearedValueStr("HEX"), "0h");
  EXPECT_THROW(bit->SetScaledValue("", usSI, "DEC"), EConvertError);

  auto* lone = Choice<TRadioDirBitParameter>("RadioDirBit", "RadioChildBit", {{"Engaged", 1}}, 1);
  EXPECT_EQ(lone->GetBitClearedValueStr("SCALED"), "Bit Cleared");
}

TEST_F(ChoiceParameters, NotValidTextsPerWidth) {
  const struct {
    const char *dirType, *value, *ram;
  } cases[] = {{"RadioDir8", "Parameter not valid", "Parameternot valid"},
               {"RadioDir16", "Parameter not valid", "Parameter not valid"},
               {"RadioDir32", "Parameter with name Mode is not valid", "Parameter with name Mode is not valid"},
               {"EnumDir8", "Parameter with name Mode is not valid", "Parameter with name Mode is not valid"},
               {"EnumDir16", "Parameter not valid", "Parameter not valid"}};
  int upid = 100;
  for (const auto& c : cases) {
    Load({Record(c.dirType, upid, 1, "Mode", {{"DefValue", "0"}})});
    TParameter* dir = Find(upid);
    EXPECT_THROW_MSG(dir->GetIntValue(), c.value);
    EXPECT_THROW_MSG(dir->GetRAMIntValue(), c.ram);
    EXPECT_THROW_MSG(dir->GetRawNewDataStr("DEC"), "Parameter not valid");
    upid += 1;
  }
}

TEST_F(ChoiceParameters, RadioValueBytesAndBatchedValues) {
  auto* dir8 = Choice<TRadioDir8Parameter>("RadioDir8", "RadioChild8", {}, -1);
  EXPECT_FALSE(dir8->DecodePendingValue(""));
  ASSERT_TRUE(dir8->DecodePendingValue("\x07\x09"));
  dir8->CommitRead();
  EXPECT_EQ(dir8->GetValue(), 7);

  // The unit system's directory sets the device's system from its batched value.
  Units->SetUnitSystem(usMetric);
  Load({Record("RadioDir16", 2048, 1, "Units", {{"DefValue", "2"}})});
  Find(2048)->SetMultValue(std::string("\x01\x00", 2), 0);
  EXPECT_EQ(Units->GetUnitSystem(), usSI);
  EXPECT_EQ(static_cast<TRadioDir16Parameter*>(Find(2048))->DataCache(), 1);

  // The bit directory keeps the low byte, sign-extended.
  auto* bit = Choice<TRadioDirBitParameter>("RadioDirBit", "RadioChildBit", {}, -1);
  bit->SetMultValue(std::string("\xFF\x01", 2), 1);
  EXPECT_EQ(bit->RAMValue(), 0xFFFF);
  bit->SetMultValue(std::string("\x01", 1), 1);  // too short: nothing
  EXPECT_EQ(bit->RAMValue(), 0xFFFF);
}

// Every width keeps a new value for the safety module, not only the 8-bit one.
TEST_F(ChoiceParameters, SafetyValuesOfEveryRadioWidth) {
  auto* dir32 = Choice<TRadioDir32Parameter>("RadioDir32", "RadioChild32", {{"Five", 5}}, 5, {{"AppFlags", "128"}});
  dir32->SetScaledNewValue("5", usSI, "DEC");
  EXPECT_EQ(dir32->GetSafetyPar(), std::string("\x05\x00\x00\x00", 4));
  EXPECT_TRUE(dir32->IsSafetyParActual());
  EXPECT_TRUE(Option(0)->GetNewBoolValue());
  dir32->SetSafetyPar(std::string("\x06\x00\x00\x00", 4), true);
  EXPECT_EQ(dir32->GetNewValue(), 6);
  EXPECT_EQ(dir32->GetValue(), 6);
}

TEST_F(ChoiceParameters, EnumerationEntryAndTexts) {
  auto* dir = Choice<TEnumDir16Parameter>("EnumDir16", "EnumChild16", {{"Zero", 0}, {"Ten", 10}}, 10);
  EXPECT_EQ(dir->GetSelectedChild(), Option(1));
  EXPECT_EQ(dir->GetDefaultChild(), Option(0));
  EXPECT_EQ(dir->GetRawDataStr("HEX"), "000Ah");
  EXPECT_EQ(dir->GetRawDataStr("DEC"), "10");
  EXPECT_EQ(dir->GetRawDataStr("SCALED"), "");
  EXPECT_EQ(Option(1)->GetChildValueStr("SCALED"), "Ten");
  EXPECT_EQ(Option(1)->GetChildValueStr("HEX"), "000Ah");
  EXPECT_TRUE(Option(1)->GetValid());  // the directory's

  dir->SetScaledValue("70000", usSI, "DEC");  // modulo the width
  EXPECT_EQ(dir->TempCache(), 4464);
  dir->SetScaledValue("", usSI, "DEC");
  EXPECT_EQ(dir->TempCache(), 4464);
  EXPECT_THROW(dir->SetScaledValue("ten", usSI, "DEC"), EConvertError);

  // A commit of the value already held leaves the flags as they are.
  dir->ClrAttrFlag(AttrChanged);
  dir->SetValue(10);
  dir->CopyTempToData();
  EXPECT_FALSE(dir->GetAttrFlag(AttrChanged));

  auto* dir32 = Choice<TEnumDir32Parameter>("EnumDir32", "EnumChild32", {{"Big", -2}}, -1, {{"DefValue", ""}});
  EXPECT_EQ(dir32->DefaultValue(), 0u);  // optional for 32 bits
  dir32->SetValue(0xFFFFFFFE);
  dir32->CopyTempToData();
  EXPECT_EQ(dir32->GetSelectedChild(), Option(0));
  EXPECT_EQ(dir32->EncodePendingValue(), std::string("\xFE\xFF\xFF\xFF", 4));
}

TEST_F(ChoiceParameters, RecordsThatFail) {
  for (const char* type : {"EnumDir16", "EnumDir8", "RadioDir16"}) {
    Shown.clear();
    Load({Record(type, 10, 1, "NoDefault")});
    ASSERT_EQ(Shown.size(), 1u) << type;
    EXPECT_NE(Shown[0].find("DefValue"), std::string::npos) << Shown[0];
  }
  Shown.clear();
  Load({Record("EnumDir8", 20, 1, "Dir", {{"DefValue", "0"}}), Record("EnumChild8", 21, 2, "NoValue")});
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_NE(Shown[0].find("ChildValue"), std::string::npos) << Shown[0];
  // An option below a directory of another width cannot reach it.
  Shown.clear();
  Load({Record("RadioDir8", 30, 1, "Dir", {{"DefValue", "0"}}), Record("RadioChild", 31, 2, "Other", {{"ChildValue", "0"}})});
  EXPECT_THROW_MSG(Find(31)->GetBoolValue(), "Invalid class typecast");
}

}  // namespace
}  // namespace vt::test
