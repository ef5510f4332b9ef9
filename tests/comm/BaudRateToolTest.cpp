#include "comm/BaudRateTool.h"

#include <gtest/gtest.h>

#include "runtime/Conversions.h"

using namespace vt;

namespace {

// The set request of each rate: sum, then the rate's code low byte first.
TEST(BaudRateTool, Frames) {
  EXPECT_EQ(TBaudRateTool::QueryFrame(), "A5 02 0F 0F 00");
  const struct {
    std::uint32_t baud;
    const char* frame;
  } cases[] = {{9600, "A5 04 91 0F 02 80 00"},
               {38400, "A5 04 15 0F 02 00 04"},
               {57600, "A5 04 19 0F 02 00 08"},
               {921600, "A5 04 91 0F 02 00 80"}};
  for (const auto& c : cases) EXPECT_EQ(TBaudRateTool::SetFrame(TBaudRateTool::RateCode(c.baud)), c.frame) << c.baud;
  EXPECT_EQ(TBaudRateTool::RateCode(56000), 0);
  EXPECT_EQ(TBaudRateTool::RatesOfMask(0x8001), (std::vector<AnsiString>{"300", "921600"}));
}

// Answers come byte by byte: a frame is complete with its length + 3 bytes (the start
// byte unchecked), one of length 0 never, and the next frame starts afresh.
TEST(BaudRateTool, AnswerCollector) {
  const struct {
    const char* what;
    const char* bytes;
    std::vector<std::string> answers;  // sum and payload of each complete one
  } cases[] = {
      {"query answer", "A5 04 15 0F 00 00 06", {"15 0F 00 00 06 "}},
      {"two in a row, any start byte", "A5 02 0F 0F 00 00 02 8F 0F 80", {"0F 0F 00 ", "8F 0F 80 "}},
      {"length 0 swallows the rest", "A5 00 0F 00 A5 04 15 0F 00 00 06 A5 02 0F 0F 00", {}},
      {"incomplete", "A5 04 15 0F 00", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TBaudAnswerCollector collector;
    std::vector<std::string> answers;
    for (char byte : BufToStr(c.bytes))
      if (const auto answer = collector.Add(static_cast<std::uint8_t>(byte))) answers.push_back(StrToBuf(*answer));
    EXPECT_EQ(answers, c.answers);
  }
  // A query starts a frame, whatever came before.
  TBaudAnswerCollector collector;
  for (char byte : BufToStr("A5 04 15")) collector.Add(static_cast<std::uint8_t>(byte));
  collector.Reset();
  std::optional<std::string> answer;
  for (char byte : BufToStr("A5 02 0F 0F 00")) answer = collector.Add(static_cast<std::uint8_t>(byte));
  ASSERT_TRUE(answer);
  EXPECT_EQ(StrToBuf(*answer), "0F 0F 00 ");
}

}  // namespace
