#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestUtil.h"
#include "platform/Format.h"

using namespace vt;

TEST(NumberText, IntegerTexts) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> value;
  } cases[] = {
      {"123", 123},
      {"  -12", -12},
      {"+7", 7},
      {"$ff", 255},
      {"$FF", 255},
      {"x1A", 26},
      {"X1a", 26},
      {"0x10", 16},
      {"0X10", 16},
      {"-$10", -16},
      {"$FFFFFFFFFFFFFFFF", -1},
      {"$8000000000000000", std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775808", std::nullopt},   // 2^63 does not fit
      {"$10000000000000000", std::nullopt},    // 17 hex digits
      {"12 ", std::nullopt},                   // nothing may follow
      {"", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"1.5", std::nullopt},
      {" - 1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TryStrToInt64(c.text), c.value) << '"' << c.text << '"';
  EXPECT_THROW_MSG(StrToInt64("12 "), "'12 ' is not a valid integer value");
}

TEST(NumberText, FloatTexts) {
  struct Case {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"1.5", 1.5}, {"-2", -2.0}, {"+3.25", 3.25}, {"1E20", 1e20}, {"1e-5", 1e-5},
      {"2.5E+3", 2500.0}, {".5", 0.5}, {"1e-400", 0.0}, {"0.1", 0.1},
      {"1,5", std::nullopt}, {"INF", std::nullopt}, {"nan", std::nullopt}, {"0x10", std::nullopt},
      {"1e400", std::nullopt}, {"", std::nullopt}, {"abc", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TryStrToFloat(c.text), c.value) << '"' << c.text << '"';
  EXPECT_THROW_MSG(StrToFloat("1,5"), "'1,5' is not a valid floating point value");
}

TEST(NumberText, GeneralFloatForm) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {1.5, "1.5"}, {2.0, "2"}, {0.0001, "0.0001"}, {1e20, "1E20"}, {0.00001, "1E-5"}, {0.1, "0.1"},
      {-2.5, "-2.5"}, {0.0, "0"}, {1.0 / 3.0, "0.333333333333333"}, {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"}, {1.5e-7, "1.5E-7"}, {100.0, "100"}, {-1e-10, "-1E-10"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text) << c.value;
}

TEST(NumberText, RoundingHalfToEvenAndTruncation) {
  EXPECT_EQ(RoundToInt64(2.5), 2);
  EXPECT_EQ(RoundToInt64(3.5), 4);
  EXPECT_EQ(RoundToInt64(-2.5), -2);
  EXPECT_EQ(RoundToInt64(2.6), 3);
  EXPECT_EQ(TruncToInt64(-2.7), -2);
  EXPECT_EQ(TruncToInt64(2.7), 2);
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {std::nan(""), inf, -inf, 1e19, -1e19}) {
    EXPECT_THROW_MSG(RoundToInt64(bad), "Invalid floating point operation");
    EXPECT_THROW_MSG(TruncToInt64(bad), "Invalid floating point operation");
  }
}

TEST(Format, Placeholders) {
  EXPECT_EQ(Format("%s.%s: method not implemented", "TSLString", "Execute"),
            "TSLString.Execute: method not implemented");
  EXPECT_EQ(Format("index (%d) out of bounds (%d)", -1, 0), "index (-1) out of bounds (0)");
  EXPECT_EQ(Format("[%.4x] %s", 0x1AB, "text"), "[01AB] text");
  EXPECT_EQ(Format("%x", -1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%s", std::u16string(u"\u00E4")), "\xC3\xA4");
  EXPECT_EQ(Format("%5d|%-3s|", 42, "a"), "   42|a  |");
  EXPECT_EQ(Format("100%% %f", 1.5), "100% 1.50");
}

TEST(Format, StrictFormatsRaiseWhenTheArgumentsDoNotFit) {
  const FormatArg text{std::string("a")}, integer{std::int64_t{-3}}, unsigned_{std::uint64_t{3}}, real{1.5};
  const struct {
    const char* fmt;
    std::vector<FormatArg> args;
    const char* result;  // nullptr: raises
  } cases[] = {
      {"%s has %d lines, %u, %x, %.1f", {text, integer, unsigned_, integer, real}, "a has -3 lines, 3, FFFFFFFFFFFFFFFD, 1.5"},
      {"100%% %s", {text, integer}, "100% a"},  // an argument too many is left over
      {"%s %d", {text}, nullptr},               // one too few
      {"%d", {text}, nullptr},
      {"%s", {integer}, nullptr},
      {"%f", {integer}, nullptr},
      {"%d", {real}, nullptr},
      {"%q", {text}, nullptr},  // no such conversion
      {"50%", {}, nullptr},     // a lone percent sign at the end
      {"%-5", {integer}, nullptr},
  };
  for (const auto& c : cases) {
    if (c.result)
      EXPECT_EQ(FormatArgsStrict(c.fmt, c.args.data(), c.args.size()), c.result) << c.fmt;
    else
      EXPECT_THROW_MSG(FormatArgsStrict(c.fmt, c.args.data(), c.args.size()),
                       "Format '" + std::string(c.fmt) + "' does not fit its arguments");
    // The lenient form never raises.
    EXPECT_NO_THROW(FormatArgs(c.fmt, c.args.data(), c.args.size())) << c.fmt;
  }
}
