// The integer parameter classes on a device in memory: markers, value texts in every
// display mode, the per-class conversions and texts, range checks, text entry, defaults,
// commits and the safety copies.
#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <limits>

#include "ParameterTreeFixture.h"
#include "parameters/IntegerParameters.h"
#include "platform/Exceptions.h"
#include "runtime/ApplicationState.h"

namespace vt::test {
namespace {

// Unit 1: raw × 0.5 + 10, in Metric times the factor of UPIDs 0x0900 and 0x0904 (2.0).
const char* const UnitAndFactor =
    "/Units [A [D /UUID 1 /UnitName 'Length' /SICaption 'm' /SIOffset 10.0 /SIScale 0.5"
    " /MetricCaption 'mm' /MetricOffset 10.0 /MetricScale 0.5 /MetricFUPID 2304"
    " /ImperialCaption 'in' /ImperialOffset 10.0 /ImperialScale 0.5]]";

class IntegerParameters : public ParameterTreeTest {
 protected:
  // An integer record of unit 1 with minimum, maximum and default.
  static std::string Int(const std::string& Type, int UPID, std::int64_t Min, std::int64_t Max, std::int64_t Def,
                         std::vector<TField> More = {}) {
    std::vector<TField> fields = {{"UUID", "1"},
                                  {"MinValue", std::to_string(Min)},
                                  {"MaxValue", std::to_string(Max)},
                                  {"DefValue", std::to_string(Def)}};
    fields.insert(fields.end(), More.begin(), More.end());
    return Record(Type, UPID, 1, "P" + std::to_string(UPID), fields);
  }
  // Loads the records beside the factor 2.0 of unit 1.
  void LoadInts(std::vector<std::string> Records) {
    const auto bits = std::bit_cast<std::uint64_t>(2.0);
    Records.push_back(Record("Value", 0x0900, 1, "Low", {{"Value", std::to_string(bits & 0xFFFFFFFF)}, {"Valid", "#1"}}));
    Records.push_back(Record("Value", 0x0904, 1, "High", {{"Value", std::to_string(bits >> 32)}, {"Valid", "#1"}}));
    Load(Records, UnitAndFactor);
    ASSERT_TRUE(Shown.empty()) << Shown.front();
  }
  TGenericIntParameter* Int(std::int32_t UPID) { return dynamic_cast<TGenericIntParameter*>(Find(UPID)); }
  // Sets and commits a value, as a read answer would.
  static void Commit(TParameter* Node, std::int64_t Value) {
    Node->Owner()->SuppressParRangeCheck = true;
    Node->SetIntValue(usMetric, Value);
    Node->CopyTempToData();
    Node->Owner()->SuppressParRangeCheck = false;
  }
  static std::string Text(TParameter* Node, const char* Mode, TUnitSystem System = usMetric) {
    TValueRec value{"old", "old"};
    Node->GetScaledValue(value, System, Mode);
    return value.ValueStr.str() + "|" + value.UnitStr.str();
  }
  static std::int64_t Pending(TParameter* Node) { return dynamic_cast<TGenericIntParameter*>(Node)->PendingValue(); }
  static std::string Raised(const std::function<void()>& Call) {
    try {
      Call();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "(nothing)";
  }
};

TEST_F(IntegerParameters, ClassesWidthsAndMarkers) {
  const char* types[] = {"UInt8", "SInt8", "UInt16", "SInt16", "UInt32", "SInt32", "UInt64", "SInt64"};
  std::vector<std::string> records;
  for (int i = 0; i < 8; ++i) records.push_back(Int(types[i], 10 + i, 0, 100, 1));
  records.push_back(Int("uint16", 20, 0, 9, 0, {{"AdditionalFunction", "'ramWriteUpid'"}}));
  records.push_back(Int("UInt16", 21, 0, 9, 0, {{"AdditionalFunction", "'Upid'"}}));
  records.push_back(Int("UInt16", 22, 0, 9, 0, {{"AdditionalFunction", "'UPIDSCALE: 4711'"}}));
  records.push_back(Int("UInt16", 23, 0, 9, 0, {{"AdditionalFunction", "'xUPIDSCALE:4711'"}}));
  LoadInts(records);
  const int sizes[] = {1, 1, 2, 2, 4, 4, 8, 8};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(types[i]);
    TGenericIntParameter* p = Int(10 + i);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetSize(), sizes[i]);
    EXPECT_EQ(p->TypeStr(), types[i]);
    EXPECT_EQ(p->PropList().FObjType, std::string(types[i]) + " Parameter");
    EXPECT_EQ(p->ClassName(), "T" + std::string(types[i]) + "Parameter");
    EXPECT_TRUE(p->IsInteger());
    EXPECT_EQ(p->IsUInt64(), i == 6);
    EXPECT_EQ(p->IsSInt64(), i == 7);
  }
  EXPECT_TRUE(Int(20)->IsUPID() && Int(20)->IsRamWriteUPID());
  EXPECT_TRUE(Int(21)->IsUPID() && !Int(21)->IsRamWriteUPID());
  EXPECT_TRUE(Int(22)->IsUPIDScaled() && !Int(22)->IsUPID());
  EXPECT_EQ(Int(22)->UPIDScaleUPID(), 4711);
  EXPECT_FALSE(Int(23)->IsUPIDScaled() || Int(23)->IsUPID());
  // A parameter holding a UPID shows it in the program's UPID mode.
  ApplicationState().UPIDDispMode = "DEC";
  EXPECT_EQ(Int(21)->GetDisplayModeStr(), "DEC");
}

TEST_F(IntegerParameters, BadRecordsAreNotBuilt) {
  Load({Int("UInt16", 30, 0, 9, 0, {{"MaxValue", ""}}), Int("UInt16", 31, 0, 9, 0)});
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_NE(Shown[0].find("MaxValue"), std::string::npos) << Shown[0];
  EXPECT_EQ(Find(30), nullptr);
  EXPECT_EQ(Find(31), nullptr);  // the module's remaining records are skipped
  Shown.clear();
  Load({Int("UInt16", 32, 0, 9, 0, {{"AdditionalFunction", "'UPIDSCALE:'"}})});
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0], "'' is not a valid integer value");
  EXPECT_EQ(Find(32), nullptr);
}

// The texts of one value in each mode, by width and sign.
TEST_F(IntegerParameters, ValueTextsInEachMode) {
  LoadInts({Int("SInt8", 40, -128, 127, 0), Int("UInt8", 41, 0, 255, 0), Int("SInt16", 42, -32768, 32767, 0),
            Int("UInt16", 43, 0, 65535, 0), Int("SInt32", 44, -2147483648LL, 2147483647, 0),
            Int("UInt32", 45, 0, 4294967295LL, 0), Int("SInt64", 46, -9, 9, 0), Int("UInt64", 47, 0, 9, 0)});
  const struct {
    int upid;
    std::int64_t value;
    const char* mode;
    const char* text;
  } cases[] = {
      {42, -2, "HEX", "FFFEh|"},      {41, 10, "HEX", "0Ah|"},
      {44, -1, "HEX", "FFFFFFFFh|"},  {46, -1, "HEX", "FFFFFFFFFFFFFFFFh|"},
      {40, -1, "HEX", "FFh|"},        {43, 5, "BIN", "0000000000000101|"},
      {43, 5, "DEC", "5|"},           {42, -2, "DEC", "-2|"},
      {43, 0x4142, "ASCII", "AB|"},   {45, 0x41424344, "ASCII", "ABCD|"},
      {41, 0x41, "ASCII", "A|"},      {46, 0x41, "ASCII", "old|"},  // no text for 8 bytes
      {43, 5, "hex", "old|"},         // modes compare exactly
      {43, 4, "SCALED", "24|mm"},     // (4 × 0.5 + 10) × 2
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.upid) + " " + c.mode);
    Commit(Find(c.upid), c.value);
    EXPECT_EQ(Text(Find(c.upid), c.mode), c.text);
  }
  // An unsigned 64-bit value is scaled unsigned: (2^64 - 1) × 0.5 + 10, in Metric × 2.
  Commit(Find(47), -1);
  EXPECT_EQ(Text(Find(47), "SCALED"), "1.84467440737096E19|mm");
  EXPECT_EQ(Text(Find(47), "SCALED", usSI), "9.22337203685478E18|m");
  // Raw texts: "HEX" and "DEC" only; the unsigned 64-bit value 2^63 is signed there.
  Commit(Find(47), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(Find(47)->GetRawDataStr("DEC"), "-9223372036854775808");
  EXPECT_EQ(Find(47)->GetRawDataStr("SCALED"), "");
  EXPECT_EQ(Find(42)->GetRawDataStr("HEX"), "FFFEh");
}

TEST_F(IntegerParameters, CopiesThatDoNotExistShowStars) {
  LoadInts({Int("UInt16", 50, 0, 9, 0, {{"AddrUsage", "1"}}), Int("UInt16", 51, 0, 9, 0, {{"AddrUsage", "1"}, {"AppFlags", "128"}}),
            Int("UInt16", 52, 0, 9, 0, {{"AddrUsage", "5"}})});
  for (int upid : {50, 51, 52}) Commit(Find(upid), 3);
  EXPECT_EQ(Text(Find(50), "DEC"), "***|");  // no ROM value
  EXPECT_EQ(Text(Find(51), "DEC"), "3|");    // a safety parameter shows its value
  TValueRec ram{"old", "old"};
  Find(52)->GetScaledRAMValue(ram, usMetric, "DEC");  // old drives: RAM only without ROM
  EXPECT_EQ(ram.ValueStr.str() + "|" + ram.UnitStr.str(), "***|");
  Find(50)->GetScaledRAMValue(ram, usMetric, "DEC");
  EXPECT_EQ(ram.ValueStr.str(), "0");
}

// Each class's texts for a value that is not valid, and the getters that raise them.
TEST_F(IntegerParameters, NotValidTextsPerClass) {
  LoadInts({Int("UInt8", 60, 0, 9, 0), Int("SInt8", 61, 0, 9, 0), Int("UInt16", 62, 0, 9, 0),
            Int("SInt32", 63, 0, 9, 0), Int("UInt64", 64, 0, 9, 0)});
  const struct {
    int upid;
    const char* value;
    const char* newValue;
    const char* asDouble;
    const char* limits;
  } cases[] = {
      {60, "Parameter with P60 is not valid", "Parameter with P60 is not valid", "Parameter with P60 is not valid",
       "Parameter not valid"},
      {61, "Parameter with name P61 is not valid", "Parameter not valid", "Parameter not valid", "Parameter not valid"},
      {62, "Parameter with name: P62 not valid", "Parameter not valid", "Parameter with name: P62 not valid",
       "Parameter with name: P62 not valid"},
      {63, "Parameter not valid", "Parameter not valid", "Parameter not valid", "Parameter not valid"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.upid);
    auto* p = Int(c.upid);
    EXPECT_EQ(Raised([&] { p->GetIntValue(); }), c.value);
    EXPECT_EQ(Raised([&] { p->GetRAMIntValue(); }), c.value);
    EXPECT_EQ(Raised([&] { p->GetNewIntValue(); }), c.newValue);
    EXPECT_EQ(Raised([&] { p->GetValue(usSI); }), c.asDouble);
    EXPECT_EQ(Raised([&] { p->GetMinValueDouble(usSI); }), c.limits);
    EXPECT_EQ(Raised([&] { p->GetMaxValueInt(); }), c.limits);
    EXPECT_EQ(Raised([&] { p->GetRawDataStr("DEC"); }), c.value);
    // Default and limit texts and the default never raise.
    TValueRec value;
    p->GetDefaultStr(value, usSI, "DEC");
    EXPECT_EQ(value.ValueStr.str(), "0");
    EXPECT_EQ(p->GetDefaultValue(), 0);
  }
  EXPECT_EQ(Raised([&] { Find(64)->GetUIntValue(); }), "Parameter not valid");
  EXPECT_EQ(Raised([&] { Find(62)->GetUIntValue(); }), "Abstract Error");
}

// Value 4, minimum 4, maximum 4 of unit 1 (× 0.5 + 10, Metric factor 2): "factor" gives 24,
// "plain" 12, as each class's table says.
TEST_F(IntegerParameters, ConversionsPerClass) {
  const char* types[] = {"UInt8", "SInt8", "UInt16", "SInt16", "UInt32", "SInt32", "UInt64", "SInt64"};
  std::vector<std::string> records;
  for (int i = 0; i < 8; ++i) records.push_back(Int(types[i], 70 + i, 4, 4, 4));
  LoadInts(records);
  // GetValue, GetDefaultValueDouble, GetMinValueDouble (and Max).
  const double expected[8][3] = {{12, 24, 24}, {24, 24, 24}, {24, 24, 24}, {12, 12, 12},
                                 {24, 24, 24}, {24, 12, 24}, {24, 24, 24}, {24, 12, 24}};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(types[i]);
    auto* p = Int(70 + i);
    Commit(p, 4);
    EXPECT_EQ(p->GetValue(usMetric), expected[i][0]);
    EXPECT_EQ(p->GetDefaultValueDouble(usMetric), expected[i][1]);
    EXPECT_EQ(p->GetMinValueDouble(usMetric), expected[i][2]);
    EXPECT_EQ(p->GetMaxValueDouble(usMetric), expected[i][2]);
    EXPECT_EQ(p->GetBaseScaledValue(), 12);
  }
}

// Minimum 10, maximum 100: out-of-range values are set to the limit after a box naming
// UPID, limit and unit; suppressed checks cut the value to the width.
TEST_F(IntegerParameters, RangeCheckBoxes) {
  LoadInts({Int("UInt16", 0x1234, 10, 100, 50), Int("SInt8", 0x0ABC, 10, 100, 50),
            Int("UInt64", 0x1235, 10, 100, 50), Int("UInt16", 0x1236, 200, 100, 50)});
  auto* u16 = Find(0x1234);
  u16->SetIntValue(usMetric, 5);
  EXPECT_EQ(Pending(u16), 10);
  u16->SetIntValue(usMetric, 500);
  EXPECT_EQ(Pending(u16), 100);
  // The UInt16 box names its limit without the factor (× 0.5 + 10: 15 and 60); the SInt8 box with it.
  Find(0x0ABC)->SetIntValue(usMetric, 5);
  // The 64-bit classes name the UPID in eight digits; -1 is below any minimum there.
  Find(0x1235)->SetIntValue(usMetric, -1);
  EXPECT_EQ(Pending(Find(0x1235)), 10);
  // A minimum above the maximum: both boxes, and the maximum.
  Find(0x1236)->SetIntValue(usMetric, 150);
  EXPECT_EQ(Pending(Find(0x1236)), 100);
  EXPECT_EQ(Shown, (std::vector<std::string>{
                       "UPID: 0x1234 Value is too small. The parameter will be set to the minimum value of 15 mm.",
                       "UPID: 0x1234 Value is too big. The parameter will be set to the maximum value of 60 mm.",
                       "UPID: 0x0ABC Value is too small. The parameter will be set to the minimum value of 30 mm.",
                       "UPID: 0x00001235 Value is too small. The parameter will be set to the minimum value of 30 mm.",
                       "UPID: 0x1236 Value is too small. The parameter will be set to the minimum value of 110 mm.",
                       "UPID: 0x1236 Value is too big. The parameter will be set to the maximum value of 60 mm.",
                   }));
  Shown.clear();
  Service->SuppressParRangeCheck = true;
  u16->SetIntValue(usMetric, 70000);
  EXPECT_EQ(Pending(u16), 4464);
  EXPECT_TRUE(Shown.empty());
  // Nothing is committed by an entry.
  EXPECT_FALSE(u16->GetValid());
}

// Entered texts: what each class takes, and the refusals that change nothing.
TEST_F(IntegerParameters, TextEntry) {
  LoadInts({Int("UInt16", 80, 0, 65535, 7), Int("SInt16", 81, -100, 100, 7), Int("SInt8", 82, -128, 127, 7),
            Int("UInt32", 83, 0, 4294967295LL, 7), Int("UInt64", 84, 0, 9223372036854775807LL, 7),
            Int("UInt8", 85, 0, 255, 7)});
  for (int upid : {80, 81, 82, 83, 84, 85}) Find(upid)->SetDefaultValue(usMetric);
  const struct {
    int upid;
    bool suppress;
    const char* text;
    const char* mode;
    const char* error;  // empty: taken
    std::int64_t pending;
  } cases[] = {
      {80, false, "70000", "DEC", "Value out of range of UInt16 type!", 7},
      {80, true, "70000", "DEC", "Value out of range of UInt16 type!", 7},
      {80, false, "***", "DEC", "", 7},  // a value not shown changes nothing
      {80, false, "$ABCD", "HEX", "", 0xABCD},
      {80, false, "0x10", "HEX", "", 16},
      {80, false, "ABCDh", "HEX", "'ABCDh' is not a valid integer value", 7},
      {80, false, "101", "BIN", "", 5},
      {80, false, "24", "SCALED", "", 4},  // (24 / 2 - 10) / 0.5
      {80, false, "x", "SCALED", "'x' is not a valid floating point value", 7},
      {80, false, "AB", "ASCII", "Values of type UInt16 can't be entered in display mode 'ASCII'!", 7},
      {80, false, "5", "Dec", "Values of type UInt16 can't be entered in display mode 'Dec'!", 7},
      {81, false, "***", "DEC", "'***' is not a valid integer value", 7},
      {81, false, "-5", "DEC", "", -5},
      {82, false, "11111111", "BIN", "Value out of range of SInt8 type!", 7},
      {82, false, "-1", "DEC", "", -1},
      {82, false, "$FFFFFFFF", "HEX", "", -1},  // the 32-bit pattern of -1
      {82, false, "$100000000", "HEX", "'$100000000' is not a valid integer value", 7},
      {82, false, "4294967296", "DEC", "'4294967296' is not a valid integer value", 7},
      {83, false, "ABCDE", "ASCII", "String too long! Maximal AnsiString length is 4", 7},
      {83, false, "AB", "ASCII", "", 0x41420000},
      {83, false, "4294967296", "DEC", "Value out of range of UInt32 type!", 7},
      {84, false, "18446744073709551615", "DEC", "", 9223372036854775807LL},  // above the maximum
      {84, false, "-1", "DEC", "'-1' is not a valid integer value", 7},
      {84, false, "AB", "ASCII", "", 0x4142000000000000LL},
      {85, false, "***", "DEC", "'***' is not a valid integer value", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.upid) + " '" + c.text + "' " + c.mode);
    TParameter* p = Find(c.upid);
    p->SetIntValue(usMetric, 7);
    Service->SuppressParRangeCheck = c.suppress;
    EXPECT_EQ(Raised([&] { p->SetScaledValue(c.text, usMetric, c.mode); }), *c.error ? c.error : "(nothing)");
    Service->SuppressParRangeCheck = false;
    EXPECT_EQ(Pending(p), c.pending);
  }
  Shown.clear();
  // The new value is entered alike, without the "***" exception.
  EXPECT_EQ(Raised([&] { Find(80)->SetScaledNewValue("***", usMetric, "DEC"); }), "'***' is not a valid integer value");
  Find(82)->SetScaledNewValue("-3", usMetric, "DEC");
  EXPECT_EQ(Find(82)->GetNewIntValue(), -3);
}

TEST_F(IntegerParameters, DefaultAndLimitTexts) {
  LoadInts({Int("UInt8", 90, 3, 200, 9), Int("SInt8", 91, -5, 5, -1), Int("UInt32", 92, 0, 4294967295LL, 0)});
  const struct {
    int upid;
    const char* what;
    const char* mode;
    const char* text;
  } cases[] = {
      {90, "min", "BIN", "00000011|"}, {90, "max", "DEC", "200|"},    {91, "def", "HEX", "FFh|"},
      {91, "def", "DEC", "-1|"},       {91, "def", "BIN", "11111111|"}, {91, "min", "SCALED", "15|mm"},
      {92, "max", "DEC", "4294967295|"}, {92, "max", "HEX", "FFFFFFFFh|"}, {91, "def", "ASCII", "old|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.upid) + " " + c.what + " " + c.mode);
    auto* p = Int(c.upid);
    TValueRec value{"old", "old"};
    const std::string what = c.what;
    if (what == "min") p->GetMinValueStr(value, usMetric, c.mode);
    if (what == "max") p->GetMaxValueStr(value, usMetric, c.mode);
    if (what == "def") p->GetDefaultStr(value, usMetric, c.mode);
    EXPECT_EQ(value.ValueStr.str() + "|" + value.UnitStr.str(), c.text);
  }
}

// Commits, offline writes and the safety copies.
TEST_F(IntegerParameters, CommitsAndSafetyCopies) {
  LoadInts({Int("SInt16", 100, -10, 10, 3, {{"AppFlags", "128"}}), Int("UInt16", 101, 0, 9, 0, {{"AddrUsage", "271"}})});
  auto* safety = Find(100);
  safety->SetDefaultValue(usMetric);
  EXPECT_EQ(safety->GetIntValue(), 3);
  EXPECT_EQ(safety->GetNewIntValue(), 3);
  EXPECT_TRUE(safety->GetAttrFlag(AttrChanged) && safety->GetValid());
  EXPECT_TRUE(safety->IsSafetyParActual());
  safety->SetSafetyPar(std::string("\xFE\xFF", 2), false);
  EXPECT_EQ(safety->GetIntValue(), -2);
  EXPECT_FALSE(safety->IsSafetyParActual());
  EXPECT_EQ(safety->GetSafetyPar(), std::string("\x03\x00", 2));
  safety->SetSafetyPar(std::string("\x05", 1), true);  // a short string: what it holds
  EXPECT_EQ(safety->GetNewIntValue(), 5);

  // An offline write commits at once; the same value again leaves the flags. A parameter
  // writable while the drive runs has its RAM copy follow the pending value.
  auto* running = Find(101);
  running->SetIntValue(usMetric, 7);
  running->ProcessModify(nullptr, nullptr, dtUnknown);
  EXPECT_FALSE(running->GetValid());
  running->ProcessModify(nullptr, nullptr, dtOffline);
  EXPECT_EQ(running->GetIntValue(), 7);
  EXPECT_EQ(running->GetRAMIntValue(), 7);
  running->ClrAttrFlag(AttrChanged);
  running->ProcessModify(nullptr, nullptr, dtOffline);
  EXPECT_FALSE(running->GetAttrFlag(AttrChanged));
}

}  // namespace
}  // namespace vt::test
