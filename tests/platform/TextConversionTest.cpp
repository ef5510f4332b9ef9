#include "platform/TextConversion.h"

#include <gtest/gtest.h>

using namespace vt;

TEST(TextConversion, AnsiRoundTripsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);
}

TEST(TextConversion, Windows1252HighRange) {
  EXPECT_EQ(AnsiToWide("\x80\x9F\xE4"), std::u16string(u"\u20AC\u0178\u00E4"));
  EXPECT_EQ(WideToAnsi(u"\u20AC\u00FC"), "\x80\xFC");
  EXPECT_EQ(WideToAnsi(u"\u4E2D"), "?");  // not in the code page
}

TEST(TextConversion, Utf8) {
  const std::u16string wide = u"a\u00E4\u20AC\U0001F600";
  EXPECT_EQ(WideToUtf8(wide), "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
  EXPECT_EQ(Utf8ToWide("\xC3"), u"\uFFFD");        // truncated sequence
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), u"\uFFFD");    // overlong form
  EXPECT_EQ(AnsiToUtf8("\xE4"), "\xC3\xA4");
  EXPECT_EQ(Utf8ToAnsi("\xC3\xA4"), "\xE4");
}

TEST(TextConversion, QString) {
  const std::u16string wide = u"Gr\u00FC\u00DFe";
  EXPECT_EQ(ToQString(wide), QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e"));
  EXPECT_EQ(FromQString(ToQString(wide)), wide);
}

TEST(TextConversion, CaseInsensitiveNames) {
  EXPECT_TRUE(SameTextWide(u"Speed", u"SPEED"));
  EXPECT_TRUE(SameTextWide(u"\u00E4rger", u"\u00C4RGER"));
  EXPECT_FALSE(SameTextWide(u"Speed", u"Speeds"));
  EXPECT_LT(CompareTextWide(u"abc", u"ABD"), 0);
  EXPECT_EQ(TWideTextHash{}(u"MaxSpeed"), TWideTextHash{}(u"maxspeed"));
  EXPECT_TRUE(SameTextAnsi("NoForm", "NOFORM"));
  EXPECT_EQ(UpperCaseAnsi("a\xE4z"), "A\xE4Z");  // 8-bit text: ASCII case only
}
