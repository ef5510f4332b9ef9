// Floating-point parameters from small description records: raw patterns and their
// texts, rounding to single, the range check and its message boxes, entry by display
// mode, value bytes, and the unit factor that booleans and floats now feed.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "ParameterTreeFixture.h"
#include "TestUtil.h"
#include "parameters/BoolParameters.h"
#include "parameters/FloatParameters.h"

namespace vt::test {
namespace {

std::string Pattern32(float Value) { return std::to_string(std::bit_cast<std::uint32_t>(Value)); }
std::string Pattern64(double Value) { return std::to_string(std::bit_cast<std::int64_t>(Value)); }

class FloatParameters : public ParameterTreeTest {
 protected:
  // A single at UPID 0x0123 ranging from -10 to 10, and a double at 0x0124 likewise.
  void SetUp() override {
    ParameterTreeTest::SetUp();
    Load({Record("FLOATIEEE754", 0x0123, 1, "Gain",
                 {{"UUID", "0"}, {"MinValue", Pattern32(-10)}, {"MaxValue", Pattern32(10)}, {"DefValue", Pattern32(1)}}),
          Record("DOUBLEIEEE754", 0x0124, 1, "Ratio",
                 {{"UUID", "0"}, {"MinValue", Pattern64(-10)}, {"MaxValue", Pattern64(10)}, {"DefValue", Pattern64(-1)}})});
    ASSERT_TRUE(Shown.empty()) << Shown.front();
    Single = static_cast<TGenericFloatParameter*>(Find(0x0123));
    Double = static_cast<TGenericFloatParameter*>(Find(0x0124));
  }
  AnsiString Text(TGenericFloatParameter* P, const char* Mode) {
    TValueRec rec;
    P->GetScaledValue(rec, usSI, Mode);
    return rec.ValueStr;
  }

  TGenericFloatParameter* Single = nullptr;
  TGenericFloatParameter* Double = nullptr;
};

TEST_F(FloatParameters, TypesAndTextsOfTheDefault) {
  EXPECT_EQ(Single->TypeStr(), "FloatIEEE754");
  EXPECT_EQ(Double->TypeStr(), "DoubleEEE754");
  EXPECT_EQ(Double->PropList().FObjType, "DoubleIEEE754 Parameter");
  EXPECT_TRUE(Single->IsFloat32());
  EXPECT_FALSE(Double->IsFloat32());
  EXPECT_THROW_MSG(Single->GetIntValue(), "Parameter not valid");
  EXPECT_THROW_MSG(Single->GetMinValueRAWDouble(), "Parameter not valid");

  for (TGenericFloatParameter* p : {Single, Double}) p->SetDefaultValue(usSI);
  EXPECT_EQ(Text(Single, "HEX"), "3F800000h");
  EXPECT_EQ(Text(Single, "SCALED"), "1");
  EXPECT_EQ(Text(Single, "ASCII"), AnsiString("\x3F\x80\x00\x00", 4));
  EXPECT_EQ(Text(Single, "BIN"), "00111111100000000000000000000000");
  EXPECT_DOUBLE_EQ(Single->GetFloatValue(), 1.0);
  EXPECT_EQ(Text(Double, "HEX"), "BFF0000000000000h");
  EXPECT_EQ(Single->GetRawDataStr("HEX"), "3F800000h");
  EXPECT_EQ(Single->GetRawDataStr("SCALED"), "");

  // The description's values show unsigned, the value copies signed.
  TValueRec rec;
  Double->GetDefaultStr(rec, usSI, "DEC");
  EXPECT_EQ(rec.ValueStr.str(), "13830554455654793216");
  EXPECT_EQ(Text(Double, "DEC"), "-4616189618054758400");
  Single->GetMinValueStr(rec, usSI, "BIN");
  EXPECT_EQ(rec.ValueStr.str(), "11000001001000000000000000000000");
  rec.ValueStr = "kept";
  Double->GetScaledValue(rec, usSI, "ASCII");  // writes no text
  EXPECT_EQ(rec.ValueStr.str(), "kept");
}

TEST_F(FloatParameters, RoundingToSingleTiesToEven) {
  constexpr double LargestSingle = std::numeric_limits<float>::max();
  const struct {
    double value;
    float single;
  } cases[] = {{1.0 + 0x1p-24, 1.0f},                       // halfway: to the even neighbour
               {1.0 + 3 * 0x1p-24, 1.0f + 0x1p-22f},         // halfway: up to the even one
               {0.1, 0.1f},
               {LargestSingle + 0x1p102, std::numeric_limits<float>::max()},  // just past the largest
               {LargestSingle + 0x1p103, std::numeric_limits<float>::infinity()},  // halfway to 2^128
               {1e39, std::numeric_limits<float>::infinity()},
               {-1e39, -std::numeric_limits<float>::infinity()}};
  for (const auto& c : cases) EXPECT_EQ(RoundToSingle(c.value), c.single) << c.value;
  EXPECT_EQ(Single->FloatToInt(-1.0), static_cast<std::int32_t>(0xBF800000));  // sign-extended
}

TEST_F(FloatParameters, RangeCheckClampsAfterAMessage) {
  Single->SetIntValue(usSI, Single->FloatToInt(-1.0));
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(Single->TempCache(), 0xBF800000);

  Single->SetIntValue(usSI, Single->FloatToInt(-20.0));
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0],
            "UPID: 0x0123 Value is too small. The parameter will be set to the minimum value of -10 .");
  EXPECT_EQ(Single->TempCache(), std::bit_cast<std::uint32_t>(-10.0f));
  Double->SetNewIntValue(usSI, Double->FloatToInt(20.0));
  ASSERT_EQ(Shown.size(), 2u);
  EXPECT_NE(Shown[1].find("Value is too big. The parameter will be set to the maximum value of 10"), std::string::npos);

  Service->SuppressParRangeCheck = true;
  Single->SetIntValue(usSI, Single->FloatToInt(-20.0));
  EXPECT_EQ(Shown.size(), 2u);
  EXPECT_EQ(Single->TempCache(), std::bit_cast<std::uint32_t>(-20.0f));
}

TEST_F(FloatParameters, EntryByDisplayMode) {
  Single->SetScaledValue("2.5", usSI, "DEC");
  EXPECT_EQ(Single->TempCache(), std::bit_cast<std::uint32_t>(2.5f));
  Single->SetScaledValue("***", usSI, "SCALED");
  EXPECT_EQ(Single->TempCache(), std::bit_cast<std::uint32_t>(2.5f));

  // Texts that give no number are refused, NaN among them; nothing changes.
  const struct {
    const char* text;
    const char* mode;
  } refused[] = {{"abc", "DEC"}, {"1", "BIN"}, {"1", "Scaled"}, {"NaN", "SCALED"}, {"\xFF\xFF\xFF\xFF", "ASCII"}};
  for (const auto& r : refused) {
    EXPECT_THROW(Single->SetScaledValue(r.text, usSI, r.mode), EConvertError) << r.mode;
    EXPECT_EQ(Single->TempCache(), std::bit_cast<std::uint32_t>(2.5f));
  }
  EXPECT_TRUE(Shown.empty());

  Service->SuppressParRangeCheck = true;  // the packed patterns lie far outside the range
  Single->SetScaledValue("AB", usSI, "ASCII");
  EXPECT_EQ(Single->TempCache(), 0x41420000);
  EXPECT_THROW_MSG(Single->SetScaledValue("ABCDE", usSI, "ASCII"), "String too long! Maximal AnsiString length is 4");
  Double->SetScaledNewValue("ABCDEFGH", usSI, "ASCII");
  EXPECT_EQ(Double->NewDataCache(), 0x4142434445464748);

  // The raw new value: within 32 bits on the single, any 64 bits on the double.
  EXPECT_THROW_MSG(Single->SetScaledNewValue("$1FFFFFFFF", usSI, "HEX"), "Value out of range of UInt32 type!");
  Double->SetScaledNewValue("$1FFFFFFFF", usSI, "HEX");
  EXPECT_EQ(Double->NewDataCache(), 0x1FFFFFFFF);
  Single->SetScaledNewValue("-2", usSI, "SCALED");
  EXPECT_EQ(Single->NewDataCache(), std::bit_cast<std::uint32_t>(-2.0f));
}

TEST_F(FloatParameters, ValueBytes) {
  EXPECT_FALSE(Single->DecodePendingValue(std::string("\x00\x00\x80", 3)));
  ASSERT_TRUE(Single->DecodePendingValue(std::string("\x00\x00\x80\x3F", 4)));
  Single->CommitRead();
  EXPECT_DOUBLE_EQ(Single->GetFloatValue(), 1.0);
  EXPECT_DOUBLE_EQ(Single->GetValue(usSI), 1.0);
  EXPECT_EQ(Single->EncodePendingValue(), std::string("\x00\x00\x80\x3F", 4));
  Double->SetIntValue(usSI, Double->FloatToInt(1.0));
  EXPECT_EQ(Double->EncodePendingValue(), std::string("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8));
  Double->SetSafetyPar(Double->EncodePendingValue(), true);
  EXPECT_EQ(Double->GetSafetyPar(), Double->EncodePendingValue());
}

// The unit factor with real parameters: the gear switched by boolean 2059, the rotary
// correction by float 4505.
TEST_F(FloatParameters, UnitFactorFromBooleansAndFloats) {
  const std::int64_t bits = std::bit_cast<std::int64_t>(4.0);
  Load({Record("Value", 0x0801, 1, "Low", {{"Value", std::to_string(bits & 0xFFFFFFFF)}, {"Valid", "#1"}}),
        Record("Value", 0x0805, 1, "High", {{"Value", std::to_string(bits >> 32)}, {"Valid", "#1"}}),
        Record("Bool", 2059, 1, "Gear", {{"DefValue", "1"}}), Record("Value", 2058, 1, "Out", {{"Value", "3"}}),
        Record("Value", 2057, 1, "In", {{"Value", "2"}}), Record("Value", 4504, 1, "On", {{"Value", "1"}, {"Valid", "#1"}}),
        Record("FLOATIEEE754", 4505, 1, "Rotary",
               {{"UUID", "0"}, {"MinValue", "0"}, {"MaxValue", Pattern32(100)}, {"DefValue", Pattern32(0.5)}}),
        Record("FLOATIEEE754", 4506, 1, "Partner",
               {{"UUID", "0"}, {"MinValue", "0"}, {"MaxValue", "0"}, {"DefValue", "0"}})});
  ASSERT_TRUE(Shown.empty()) << Shown.front();
  TUnitInfo info;
  info.FUPID = 0x0801;
  Find(2059)->SetDefaultValue(usSI);
  Find(4505)->SetDefaultValue(usSI);
  Single->SetDefaultValue(usSI);
  EXPECT_DOUBLE_EQ(Single->GetUPIDFactor(info, 30), 4.0 / 1.5);
  EXPECT_TRUE(Single->GearUsed());
  EXPECT_DOUBLE_EQ(Single->GetUPIDFactor(info, 5), 4.0 / 1.5 * 0.5);

  Find(2059)->SetScaledValue("off", usSI, "SCALED");
  Find(2059)->CommitWrite();
  EXPECT_DOUBLE_EQ(Single->GetUPIDFactor(info, 17), 4.0 / 0.5);
  EXPECT_FALSE(Single->GearUsed());
}

}  // namespace
}  // namespace vt::test
