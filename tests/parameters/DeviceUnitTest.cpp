#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "ParameterFixture.h"
#include "parameters/DeviceUnit.h"
#include "parameters/DeviceUnitList.h"
#include "platform/Format.h"
#include "platform/NumberText.h"

namespace vt::test {
namespace {

constexpr double Two63 = 9223372036854775808.0;
constexpr double Two64 = 18446744073709551616.0;

// A unit record: SI and Metric scale 0.5 and offset 10 (Metric with factor UPID 2049),
// Imperial scale 2 and offset 1, no rotative groups unless Extra adds them.
std::string UnitRecord(int UUID, const std::string& Name, const std::string& Extra = "") {
  return Format(
      "[D /UUID %d /UnitName '%s' /SICaption 'm' /SIOffset 10.0 /SIScale 0.5 /SIFUpid 2049"
      " /MetricCaption 'mm' /MetricOffset 10.0 /MetricScale 0.5 /MetricFUpid 2049"
      " /ImperialCaption 'in' /ImperialOffset 1.0 /ImperialScale 2.0 %s]",
      UUID, Name, Extra);
}

class DeviceUnitTest : public ParameterTest {
 protected:
  TDeviceUnit Unit(const std::string& Extra = "") { return TDeviceUnit(&Dict(UnitRecord(7, "Position", Extra))); }
};

TEST_F(DeviceUnitTest, EverySystemPicksItsScaleOffsetCaptionAndFactor) {
  const TDeviceUnit unit = Unit();
  struct Case {
    TUnitSystem system;
    const char16_t* caption;
    std::int32_t fupid;
    double shown;  // raw 4 with factor 2
  } cases[] = {
      {usSI, u"m", NoFactorUPID, 12},           // the factor and the record's SI factor UPID are ignored
      {usMetric, u"mm", 2049, 24},              // (4 × 0.5 + 10) × 2
      {usEnglish, u"", NoFactorUPID, 8},        // the raw value times the factor
      {usImperial, u"in", NoFactorUPID, 9},     // no factor
      {usRotDegree, u"", NoFactorUPID, 8},      // group missing: scale 1, offset 0, with factor
      {usRotUmin, u"", NoFactorUPID, 4},        // group missing, no factor
      {TUnitSystem(6), u"", NoFactorUPID, 8},   // no such system: like English
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.system));
    const TUnitInfo info = unit.GetUnitInfo(c.system);
    EXPECT_EQ(info.Caption, c.caption);
    EXPECT_EQ(unit.GetUnitCaption(c.system), c.caption);
    EXPECT_EQ(info.FUPID, c.fupid);
    EXPECT_EQ(unit.IntToVal_2(4, c.system, 2, false, {}), c.shown);
    EXPECT_EQ(unit.IntToValStr(4, c.system, 2, false, {}), FloatToStr(c.shown));
    EXPECT_EQ(unit.ValToInt_2(c.shown, c.system, 2), 4);
    EXPECT_EQ(unit.ValToUInt_2(c.shown, c.system, 2), 4u);
    EXPECT_EQ(unit.ValToFloat_2(c.shown, c.system, 2), 4.0);
    EXPECT_EQ(unit.ValStrToInt_2(FloatToStr(c.shown), c.system, 2), 4);
  }
  // Without factor.
  EXPECT_EQ(unit.IntToVal(4, usMetric), 12);
  EXPECT_EQ(unit.ValToInt(12, usMetric), 4);
  EXPECT_EQ(unit.ValStrToInt("12", usSI), 4);
  EXPECT_EQ(unit.ValToUInt(9, usImperial), 4u);
}

TEST_F(DeviceUnitTest, RecordKeys) {
  const TDeviceUnit rot = Unit("/RotDegreeCaption 'deg' /RotDegreeFUPID 2051 /RotDegreeOffset 0.0 /RotDegreeScale 0.1 "
                               "/RotUminCaption 'rpm' /RotUminFUpid 2052 /RotUminOffset 0.0 /RotUminScale 60.0");
  EXPECT_EQ(rot.UUID(), 7);
  EXPECT_EQ(rot.Name(), u"Position");
  EXPECT_EQ(rot.GetUnitInfo(usRotDegree).FUPID, 2051);
  EXPECT_EQ(rot.GetUnitInfo(usRotUmin).FUPID, NoFactorUPID);  // no factor in Rotative Umin
  EXPECT_EQ(rot.GetUnitCaption(usRotUmin), u"rpm");
  EXPECT_DOUBLE_EQ(rot.IntToVal_2(40, usRotDegree, 2, false, {}), 8);
  EXPECT_EQ(TDeviceUnit(&Dict("[D /UUID 1 /UnitName 'x' /SICaption '' /SIOffset 0.0 /SIScale 1.0 /MetricCaption ''"
                              " /MetricOffset 0.0 /MetricScale 1.0 /ImperialCaption '' /ImperialOffset 0.0"
                              " /ImperialScale 1.0 ]"))
                .GetUnitInfo(usMetric)
                .FUPID,
            NoFactorUPID);  // a missing factor UPID

  EXPECT_THROW_MSG(Unit("/RotDegreeCaption 'deg' /RotDegreeFUPID 2051 /RotDegreeOffset 0.0"),
                   "TSLDictionary error: no object named RotDegreeScale");
  EXPECT_THROW_MSG(TDeviceUnit(&Dict("[D /UUID 1 /UnitName 'x' /SICaption 'm' /SIOffset 0.0 /SIScale 1 ]")),
                   "Invalid class typecast");  // an integer where a real must be
  EXPECT_THROW_MSG(TDeviceUnit(&Dict("[D /UUID 1 /SICaption 'm' ]")), "TSLDictionary error: no object named UnitName");

  const TDeviceUnit empty(nullptr);  // every field zero
  EXPECT_EQ(empty.GetUnitInfo(usSI).Scale, 0);
  EXPECT_EQ(empty.UUID(), 0);
}

TEST_F(DeviceUnitTest, RawValuesRoundHalfToEven) {
  const TDeviceUnit& plain = TDeviceUnit::Neutral();  // scale 1, offset 0
  const struct {
    double value;
    std::int64_t raw;
  } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {2.4999, 2}, {-9.2e18, -9200000000000000000}};
  for (const auto& c : cases) {
    EXPECT_EQ(plain.ValToInt(c.value, usSI), c.raw) << c.value;
    EXPECT_EQ(plain.ValToInt_2(c.value, usMetric, 1), c.raw) << c.value;
  }
  EXPECT_EQ(plain.ValToUInt_2(2.5, usMetric, 1), 2u);

  const struct {
    double value;
    std::uint64_t raw;
  } unsignedCases[] = {
      {-5, 0}, {0, 0}, {Two63 + 4096, (1ULL << 63) + 4096}, {Two64, UINT64_MAX}, {Two64 * 2, UINT64_MAX}};
  for (const auto& c : unsignedCases) {
    EXPECT_EQ(plain.ValToUInt_2(c.value, usMetric, 1), c.raw) << c.value;
    EXPECT_EQ(plain.ValToUInt(c.value, usMetric), c.raw) << c.value;
  }
  EXPECT_EQ(plain.ValStrToUInt_2("-5", usSI, 1), 0u);
}

TEST_F(DeviceUnitTest, DisplayRoundingOnlyWhenAskedFor) {
  const TDeviceUnit& plain = TDeviceUnit::Neutral();
  const TDisplayRounding on{true, 3};
  EXPECT_EQ(plain.FloatToVal_2(1.23456, usMetric, 1, false, on), 1.235);
  EXPECT_EQ(plain.FloatToVal_2(1.23456, usSI, 1, false, on), 1.23456);     // SI is never rounded
  EXPECT_EQ(plain.FloatToVal_2(1.23456, usMetric, 1, true, on), 1.23456);  // SaveFlag: the exact value
  EXPECT_EQ(plain.FloatToVal_2(1.23456, usMetric, 1, false, {false, 3}), 1.23456);
  EXPECT_EQ(plain.IntToVal_2(2, usEnglish, 1.23456, false, on), 2.469);
  EXPECT_EQ(plain.IntToUValStr(5, usEnglish, 0.25, false, {true, 1}), "1.2");  // 1.25: half to even
  EXPECT_EQ(plain.IntToUValStr(7, usEnglish, 0.25, false, {true, 1}), "1.8");

  // Too large for 64 bits with 3 decimals: 1E23 is divided five times before rounding,
  // and the result divided by the single-precision 1E-2.
  EXPECT_EQ(plain.FloatToValStr(1e20, usMetric, 1, false, on), "1.00000002235174E20");
  EXPECT_EQ(plain.FloatToValStr(-1e20, usMetric, 1, false, on), "-1.00000002235174E20");
  EXPECT_EQ(plain.FloatToValStr(1e100, usMetric, 1, false, on), "1E100");
  // Decimals outside the view's range 0 … 10 count as its nearer end.
  EXPECT_EQ(plain.FloatToVal_2(1.23456789012345, usMetric, 1, false, {true, 50}), 1.2345678901);
  EXPECT_EQ(plain.FloatToVal_2(2.5, usMetric, 1, false, {true, -4}), 2);
}

TEST_F(DeviceUnitTest, ValueTexts) {
  const TDeviceUnit& plain = TDeviceUnit::Neutral();
  EXPECT_EQ(plain.FloatToValStr(0.1, usSI, 1, true, {}), "0.1");
  EXPECT_EQ(plain.FloatToValStr(1e20, usSI, 1, true, {}), "1E20");
  EXPECT_EQ(plain.FloatToValStr(1e-5, usSI, 1, true, {}), "1E-5");
  EXPECT_EQ(plain.IntToUValStr(UINT64_MAX, usSI, 1, true, {}), "1.84467440737096E19");
  EXPECT_EQ(plain.ValStrToFloat_2("1E-5", usSI, 1), 1e-5);
  EXPECT_EQ(plain.ValStrToInt("-3.5", usSI), -4);
  EXPECT_THROW_MSG(plain.ValStrToInt_2("1,5", usMetric, 1), "'1,5' is not a valid floating point value");
  EXPECT_THROW(plain.ValStrToFloat_2("", usMetric, 1), EConvertError);
}

TEST_F(DeviceUnitTest, ConversionsThatHaveNoRawValueFail) {
  const TDeviceUnit unit = Unit();
  const TDeviceUnit zero(nullptr);  // scale 0 in every system
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    std::function<void()> call;
    const char* message;
  } cases[] = {
      {[&] { zero.ValToInt(1, usSI); }, "TDeviceUnit.ValToInt: division by zero in unit ''"},
      {[&] { zero.ValToUInt(1, usSI); }, "TDeviceUnit.ValToUInt: division by zero in unit ''"},
      {[&] { zero.ValToFloat_2(1, usSI, 1); }, "TDeviceUnit.ValToFloat_2: division by zero in unit ''"},
      {[&] { unit.ValToInt_2(24, usMetric, 0); }, "TDeviceUnit.ValToInt_2: division by zero in unit 'Position'"},
      {[&] { unit.ValToUInt_2(24, usMetric, 0); }, "TDeviceUnit.ValToUInt_2: division by zero in unit 'Position'"},
      {[&] { unit.ValToInt(1e300, usMetric); }, "TDeviceUnit.ValToInt: 2E300 is out of range in unit 'Position'"},
      {[&] { TDeviceUnit::Neutral().ValToInt_2(Two63, usSI, 1); },
       "TDeviceUnit.ValToInt_2: 9.22337203685478E18 is out of range in unit ''"},
      {[&] { unit.ValToInt_2(1e308, usMetric, 1e-10); },
       "TDeviceUnit.ValToInt_2: INF is out of range in unit 'Position'"},
      {[&] { unit.FloatToVal_2(nan, usMetric, 1, true, {}); },
       "TDeviceUnit.FloatToVal_2: NAN is out of range in unit 'Position'"},
      {[&] { unit.FloatToValStr(1e308, usMetric, 10, true, {}); },
       "TDeviceUnit.FloatToVal_2: INF is out of range in unit 'Position'"},
  };
  for (const auto& c : cases) EXPECT_THROW_MSG(c.call(), c.message);
  EXPECT_THROW(zero.ValToInt(1, usSI), EConvertError);
  EXPECT_EQ(unit.ValToInt_2(12, usSI, 0), 4);  // SI ignores the factor, even 0
}

TEST_F(DeviceUnitTest, UnitListKeepsTheFirstUnitOfEachUUID) {
  TDeviceUnitList units;
  units.Init(Dict("[D /Units [A " + UnitRecord(7, "Position") + UnitRecord(8, "Speed") + "] ]"));
  units.Init(Dict("[D /Units [A " + UnitRecord(7, "Other") + UnitRecord(9, "Force") + "] ]"));
  units.Init(Dict("[D /Caption 'no units']"));
  EXPECT_EQ(units.GetNumberOfUnits(), 3);
  EXPECT_EQ(units.GetUnitWithUUID(7).Name(), u"Position");
  EXPECT_EQ(units.GetUnitWithUUID(9).Name(), u"Force");

  // A malformed record fails the module; the units before it stay.
  EXPECT_THROW_MSG(units.Init(Dict("[D /Units [A " + UnitRecord(10, "Torque") + "[D /UUID 11 ] ] ]")),
                   "TSLDictionary error: no object named UnitName");
  EXPECT_EQ(units.GetNumberOfUnits(), 4);
  EXPECT_THROW_MSG(units.Init(Dict("[D /Units 5 ]")), "Invalid class typecast");

  // A UUID naming no unit converts through the neutral unit.
  const TDeviceUnit& none = units.GetUnitWithUUID(42);
  EXPECT_EQ(&none, &TDeviceUnit::Neutral());
  const TUnitInfo info = none.GetUnitInfo(usMetric);
  EXPECT_EQ(info.Caption, u"");
  EXPECT_EQ(info.Offset, 0);
  EXPECT_EQ(info.Scale, 1);
  EXPECT_EQ(info.FUPID, NoFactorUPID);
  EXPECT_EQ(none.IntToVal_2(5, usMetric, 2, false, {}), 10);
  EXPECT_EQ(none.ValToInt_2(10, usMetric, 2), 5);
}

TEST(UnitSystems, FromDriveCodeAndFromName) {
  TDeviceUnitList units;
  EXPECT_EQ(units.GetUnitSystem(), usMetric);
  const struct {
    std::uint16_t code;
    TUnitSystem system;
  } codes[] = {{0, usMetric}, {1, usSI},        {2, usMetric},   {3, usImperial},
               {4, usRotDegree}, {5, usRotUmin}, {6, usMetric}, {0xFFFF, usMetric}};
  for (const auto& c : codes) {
    units.SetUnitSystem(usEnglish);
    units.SetUnitSystemfromInt(c.code);
    EXPECT_EQ(units.GetUnitSystem(), c.system) << c.code;
  }

  for (int i = 0; i < UnitSystemCount; ++i) EXPECT_EQ(StrToUnitSystem(UnitSystemStr[i]), i);
  EXPECT_EQ(StrToUnitSystem("Metric"), usMetric);
  EXPECT_THROW_MSG(StrToUnitSystem("metric"), "StrToUnitSystem: unit system with ID 'metric' not found");
  EXPECT_THROW_MSG(StrToUnitSystem("ME"), "StrToUnitSystem: unit system with ID 'ME' not found");
}

}  // namespace
}  // namespace vt::test
