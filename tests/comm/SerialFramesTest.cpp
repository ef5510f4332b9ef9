#include "comm/SerialFrames.h"

#include <gtest/gtest.h>

#include <vector>

#include "CommTestUtil.h"
#include "comm/CommLimits.h"

using namespace vt;

namespace {

// Reads as the serial port does: each read takes at most what the assembler asks for.
struct TFeed {
  TFeed() {
    Assembler.OnFrame = [this](const std::string& P) { Frames.push_back(P); };
    Assembler.OnChecksumError = [this](std::uint8_t R, std::uint8_t C) { Errors.push_back({R, C}); };
  }
  void Bytes(const std::string& B, std::int64_t At) {
    for (std::string_view rest = B; !rest.empty();) {
      const std::size_t n = std::min<std::size_t>(rest.size(), Assembler.NextSize());
      Assembler.Receive(rest.substr(0, n), At);
      rest.remove_prefix(n);
    }
  }
  TRsFrameAssembler Assembler;
  std::vector<std::string> Frames;
  std::vector<std::pair<int, int>> Errors;
};

TEST(SerialFrames, FrameOfAPayload) {
  EXPECT_EQ(RsFrame(Bytes({0x01, 0x02})), Bytes({0xA5, 0x02, 0x03, 0x01, 0x02}));
  EXPECT_EQ(RsFrame(""), Bytes({0xA5, 0x00, 0x00}));
  const std::string big(255, '\x01');
  EXPECT_EQ(RsFrame(big).substr(0, 3), Bytes({0xA5, 0xFF, 0xFF}));
  EXPECT_EQ(Checksum(Bytes({0xFF, 0x02})), 0x01);
}

// Pieces of bytes, each with its arrival time in ms, and what must come out.
TEST(SerialFrames, AssemblerCases) {
  const std::string big(255, '\x07');
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::int64_t>> pieces;
    std::vector<std::string> frames;
    std::vector<std::pair<int, int>> errors;
  } cases[] = {
      {"plain", {{Bytes({0xA5, 0x02, 0x03, 0x01, 0x02}), 0}}, {Bytes({0x01, 0x02})}, {}},
      {"noise before", {{Bytes({0x00, 0xA5, 0x02, 0x03, 0x01, 0x02}), 0}}, {Bytes({0x01, 0x02})}, {}},
      {"three pieces",
       {{Bytes({0xA5, 0x03, 0x06}), 0}, {Bytes({0x01}), 5}, {Bytes({0x02, 0x03}), 10}},
       {Bytes({0x01, 0x02, 0x03})},
       {}},
      {"sum off by one, then a good one",
       {{Bytes({0xA5, 0x02, 0x04, 0x01, 0x02, 0xA5, 0x01, 0x09, 0x09}), 0}},
       {Bytes({0x09})},
       {{4, 3}}},
      {"255 bytes", {{RsFrame(big), 0}}, {big}, {}},
      {"zero length is complete at once", {{Bytes({0xA5, 0x00, 0x00, 0xA5, 0x01, 0x05, 0x05}), 0}}, {"", "\x05"}, {}},
      {"stray start, gap, good frame",
       {{Bytes({0xA5}), 0}, {RsFrame(Bytes({0x01, 0x00})), RsFrameGap + 1}},
       {Bytes({0x01, 0x00})},
       {}},
      {"stray start without gap swallows the frame",
       {{Bytes({0xA5}), 0}, {RsFrame(Bytes({0x01, 0x00})), RsFrameGap}},
       {},
       {}},
  };
  for (const auto& c : cases) {
    TFeed feed;
    for (const auto& [bytes, at] : c.pieces) feed.Bytes(bytes, at);
    EXPECT_EQ(feed.Frames, c.frames) << c.name;
    EXPECT_EQ(feed.Errors, c.errors) << c.name;
  }
}

TEST(SerialFrames, NextSizeNeverReachesIntoTheNextFrame) {
  TFeed feed;
  EXPECT_EQ(feed.Assembler.NextSize(), 1);
  feed.Bytes(Bytes({0xA5, 0x04, 0x00}), 0);
  EXPECT_EQ(feed.Assembler.NextSize(), 4);
  feed.Bytes(Bytes({0x00}), 0);
  EXPECT_EQ(feed.Assembler.NextSize(), 3);
  feed.Bytes(Bytes({0x00, 0x00, 0x00}), 0);
  EXPECT_EQ(feed.Assembler.NextSize(), 1);
  EXPECT_EQ(feed.Frames.size(), 1u);
}

}  // namespace
