// The application's state from the view settings: missing keys are added with their
// defaults, stored values are taken.
#include "runtime/ApplicationState.h"

#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "runtime/SettingsTree.h"

using namespace vt;

namespace {

using ApplicationStateTest = RefCountedTest;

TEST_F(ApplicationStateTest, ViewSettingsWithTheirDefaults) {
  TProgramRegistry view;
  view.AddIntKey("ViewConfig\\MultiRead", 0);
  view.AddIntKey("ViewConfig\\MultiReadSize", 60);
  view.AddStrKey("ViewConfig\\UPIDDispMode", "DEC");
  TApplicationState state;
  state.ReadViewSettings(view);
  EXPECT_FALSE(state.MultiReadActive);
  EXPECT_EQ(state.MultiReadSize, 60);
  EXPECT_EQ(state.UPIDDispMode, "DEC");
  // The rest were added with their defaults, to be written back with the settings.
  const struct {
    const char* key;
    std::int64_t value;
  } added[] = {{"ParameterRefreshFlag", 1}, {"BeautifulView", 0}, {"BeautifulViewZeros", 3},
               {"ModulFunction", 1},        {"LastBaudrate", 38400}};
  for (const auto& a : added) EXPECT_EQ(view.GetIntKey(std::string("ViewConfig\\") + a.key), a.value) << a.key;
  EXPECT_EQ(view.GetStrKey("ViewConfig\\RawDataDispMode"), "HEX");
  EXPECT_EQ(state.ParaRefreshFlag, 1);
  EXPECT_EQ(state.LastBaudrate, 38400);

  TProgramRegistry empty;
  TApplicationState fresh;
  fresh.ReadViewSettings(empty);
  EXPECT_TRUE(fresh.MultiReadActive);
  EXPECT_EQ(empty.GetIntKey("ViewConfig\\MultiReadSize"), 124);
  EXPECT_EQ(empty.GetIntKey("ViewConfig\\MultiRead"), 1);
}

TEST_F(ApplicationStateTest, LostPorts) {
  TLostList lost;
  lost.Add("ttyS0");
  lost.Add("ttyS1");
  lost.Add("ttyS0");
  lost.RemoveFirst("ttyS0");
  EXPECT_EQ(lost.Items(), (std::vector<AnsiString>{"ttyS1", "ttyS0"}));
  EXPECT_TRUE(lost.Contains("ttyS0"));
  lost.Remove("ttyS0");
  EXPECT_FALSE(lost.Contains("ttyS0"));
}

}  // namespace
