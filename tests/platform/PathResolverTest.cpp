#include "platform/PathResolver.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/TextConversion.h"

namespace fs = std::filesystem;
using namespace vt;

namespace {

class PathResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("vt-paths-" + std::to_string(::getpid()));
    fs::create_directories(root / "Archives" / "Config");
    std::ofstream(root / "Archives" / "Config" / "Quorvel.ini") << "x";
    fs::create_directories(root / "Firmware");
    std::ofstream(root / "Firmware" / "TypeDefinitions.stx") << "x";
  }
  void TearDown() override { fs::remove_all(root); }
  std::u16string Wide(const fs::path& p) { return PathToWide(p); }
  fs::path root;
};

TEST_F(PathResolverTest, BackslashesAndCaseAreMapped) {
  struct Case {
    std::u16string name;
    fs::path expected;
  } cases[] = {
      {u"\\Archives\\Config\\Quorvel.ini", root / "Archives/Config/Quorvel.ini"},
      {u"\\archives\\CONFIG\\quorvel.INI", root / "Archives/Config/Quorvel.ini"},
      {u"/firmware/typedefinitions.stx", root / "Firmware/TypeDefinitions.stx"},
      // A missing file keeps its spelling below the resolved folders.
      {u"\\ARCHIVES\\config\\New.stx", root / "Archives/Config/New.stx"},
      {u"\\Missing\\Config\\x", root / "Missing/Config/x"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolvePath(Wide(root) + c.name), c.expected) << WideToUtf8(c.name);
}

TEST_F(PathResolverTest, RelativeNamesResolveFromTheCurrentFolder) {
  const fs::path cwd = fs::current_path();
  fs::current_path(root);
  EXPECT_EQ(ResolvePath(u"archives\\config"), fs::path("Archives/Config"));
  fs::current_path(cwd);
}

TEST_F(PathResolverTest, SeveralCaseVariantsPickTheFirstSortedName) {
  fs::create_directories(root / "data");
  fs::create_directories(root / "Data");
  EXPECT_EQ(ResolvePath(Wide(root) + u"/DATA"), root / "Data");
  EXPECT_EQ(ResolvePath(Wide(root) + u"/data"), root / "data");  // the exact name wins
}

}  // namespace
