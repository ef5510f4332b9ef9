#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "platform/TextConversion.h"

using namespace vt;

namespace {

// Texts depend on the user's locale: each test fixes one and the moment.
class DateTimeTexts : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
  void TearDown() override {
    QLocale::setDefault(QLocale::system());
    SetClock(nullptr);
  }
  std::string Formatted(const char* format) { return WideToUtf8(FormatDateTime(AnsiToWide(format), Moment)); }

  // Tuesday, 5 March 2024, 14:03:07.009
  const QDateTime Moment{QDate(2024, 3, 5), QTime(14, 3, 7, 9)};
};

TEST_F(DateTimeTexts, FormatLetters) {
  const struct {
    const char* format;
    const char* text;
  } cases[] = {
      {"d.m.yy", "5.3.24"},
      {"dd.mm.yyyy", "05.03.2024"},
      {"DD/MM/YYYY", "05/03/2024"},  // letters in any case; other characters copied
      {"ddd dddd", "Di. Dienstag"},
      {"mmm mmmm", "März März"},
      {"h:n:s", "14:3:7"},
      {"hh:nn:ss.zzz", "14:03:07.009"},
      {"z", "9"},
      {"hh:mm", "14:03"},  // m after an hour is the minute
      {"hh mm", "14 03"},
      {"mm hh", "03 14"},
      {"h am/pm", "2 pm"},
      {"hh AM/PM", "02 PM"},
      {"'dd' \"mm\" dd", "dd mm 05"},
      {"'open quote", "open quote"},
      {"x-q", "x-q"},
  };
  for (const auto& c : cases) EXPECT_EQ(Formatted(c.format), c.text) << c.format;
}

TEST_F(DateTimeTexts, TwelveHourClockAroundMidnightAndNoon) {
  EXPECT_EQ(WideToUtf8(FormatDateTime(u"h am/pm", QDateTime(QDate(2024, 3, 5), QTime(0, 30)))), "12 am");
  EXPECT_EQ(WideToUtf8(FormatDateTime(u"h am/pm", QDateTime(QDate(2024, 3, 5), QTime(12, 30)))), "12 pm");
}

TEST_F(DateTimeTexts, ShortDateAndLongTimeOfTheLocale) {
  EXPECT_EQ(WideToUtf8(DateText(Moment.date())), "05.03.24");
  EXPECT_EQ(WideToUtf8(TimeText(Moment.time())), "14:03:07");  // without the time zone
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(WideToUtf8(DateText(Moment.date())), "3/5/24");
  EXPECT_EQ(WideToUtf8(TimeText(Moment.time())).substr(0, 7), "2:03:07");  // the AM/PM spacing varies by Qt
}

TEST_F(DateTimeTexts, TheClockIsReplaceable) {
  SetClock([this] { return Moment; });
  EXPECT_EQ(CurrentDateTime(), Moment);
  SetClock(nullptr);
  EXPECT_LE(std::abs(CurrentDateTime().secsTo(QDateTime::currentDateTime())), 5);
}

TEST(FileDate, PackedAndClamped) {
  EXPECT_EQ(DateTimeToFileDate(QDateTime(QDate(2024, 3, 5), QTime(14, 3, 9))),
            44u << 25 | 3u << 21 | 5u << 16 | 14u << 11 | 3u << 5 | 4u);
  EXPECT_EQ(DateTimeToFileDate(QDateTime(QDate(1970, 6, 1), QTime(12, 0))), 1u << 21 | 1u << 16);
  EXPECT_EQ(DateTimeToFileDate(QDateTime(QDate(2200, 1, 1), QTime(0, 0))),
            127u << 25 | 12u << 21 | 31u << 16 | 23u << 11 | 59u << 5 | 29u);
}

}  // namespace
