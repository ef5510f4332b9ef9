#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "FuzzEntries.h"
#include "RefCountedTest.h"

namespace {

namespace fs = std::filesystem;

// The committed seeds of each target, replayed through its entry function.
class FuzzSeeds : public RefCountedTest {
 protected:
  void Replay(const char* Target, int (*Entry)(const std::uint8_t*, std::size_t)) {
    int count = 0;
    for (const auto& file : fs::directory_iterator(fs::path(VT_FUZZ_CORPUS) / Target)) {
      std::ifstream in(file.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      EXPECT_NO_THROW(Entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) << file.path();
      ++count;
    }
    EXPECT_GT(count, 0) << "no seeds for " << Target;
  }
};

TEST_F(FuzzSeeds, SLText) { Replay("sl_text", vt::FuzzSLText); }
TEST_F(FuzzSeeds, SerialFrames) { Replay("serial_frames", vt::FuzzSerialFrames); }
TEST_F(FuzzSeeds, Archive) { Replay("archive", vt::FuzzArchive); }
TEST_F(FuzzSeeds, EncipheredFile) { Replay("enciphered_file", vt::FuzzEncipheredFile); }
TEST_F(FuzzSeeds, TelegramAnswers) { Replay("telegram_answers", vt::FuzzTelegramAnswers); }
TEST_F(FuzzSeeds, InfoNode) { Replay("info_node", vt::FuzzInfoNode); }
TEST_F(FuzzSeeds, ParameterTree) { Replay("parameter_tree", vt::FuzzParameterTree); }

}  // namespace
