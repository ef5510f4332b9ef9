// The commander window's decisions without a window: selector, close question, enabling
// rules, decimal-places hints, image sizes and the option window's edit ranges.
#include "shell/CommanderRules.h"

#include <gtest/gtest.h>

using namespace vt;

namespace {

TEST(CommanderRules, SelectorListsOnlineAndOfflineDevicesWithTheLastOnesSuffix) {
  const TSelectorItems items = SelectorItems({{"A", dtOnline, true},
                                              {"B", dtArchive, false},
                                              {"C", dtConnectionLost, false},
                                              {"D", dtUnknown, true}});
  EXPECT_EQ(items.Captions, (std::vector<AnsiString>{"A", "C"}));
  EXPECT_EQ(items.Suffix, "\\Parameters");
  EXPECT_EQ(SelectorItems({{"A", dtOnline, false}, {"B", dtOnline, true}}).Suffix, "\\Control Panel");
  EXPECT_EQ(SelectorItems({{"A", dtOnline, true}, {"O", dtOffline, false}}).Suffix, "");
}

TEST(CommanderRules, SelectorIndexAfterARebuild) {
  const struct {
    bool pending;
    int oldIndex, oldCount, newCount, expected;
  } cases[] = {
      {true, 0, 1, 2, 1},    // a new device: the last
      {true, 0, 2, 2, 0},    // a caption changed: the old one
      {true, -1, 2, 2, 1},   // nothing chosen: the last
      {false, 0, 1, 2, 0},   // no update pending: the old one
      {false, 1, 2, 1, -1},  // which no longer exists
  };
  for (const auto& c : cases)
    EXPECT_EQ(SelectorIndex(c.pending, c.oldIndex, c.oldCount, c.newCount), c.expected)
        << c.pending << " " << c.oldIndex << " " << c.oldCount << " " << c.newCount;
}

TEST(CommanderRules, ChoosingAnotherDeviceKeepsTheSubPath) {
  EXPECT_EQ(PathForDevice("Project:\\\\A\\Variables\\Section 1", "B"), "Project:\\\\B\\Variables\\Section 1");
  EXPECT_EQ(PathForDevice("Project:\\\\A", "B"), "Project:\\\\B");
  EXPECT_EQ(PathForDevice("", "B"), "Project:\\\\B");
}

TEST(CommanderRules, DropDownMakesRoomForTheScrollBarFromNineItems) {
  EXPECT_EQ(DropDownWidth(100, 8, 1.0, 1.0), 104);
  EXPECT_EQ(DropDownWidth(100, 9, 1.0, 1.0), 122);
  EXPECT_EQ(DropDownWidth(100, 9, 1.5, 1.0), 183);  // 150 + 33
}

TEST(CommanderRules, CloseQuestionOnlyForTheLastCommanderWithDevicesAndTheWarningOn) {
  for (int commanders : {1, 2})
    for (int devices : {0, 1})
      for (int warning : {0, 1})
        EXPECT_EQ(NeedsCloseQuestion(commanders, devices, warning), commanders == 1 && devices == 1 && warning == 1)
            << commanders << devices << warning;
}

TEST(CommanderRules, EnablingByLevelAndReading) {
  TCommanderState state;
  state.DeviceSelected = true;
  state.Online = true;
  state.Type = dtOnline;
  state.State = dstStarted;
  state.Services = {"PARAMETERSERVICE", "STATUSSERVICE"};
  const struct {
    std::int32_t level;
    bool reading;
    bool exportRaw, importRawShown, advancedShown, logout, motorWizard, firmware;
  } cases[] = {
      {LevelGuest, false, false, false, false, true, false, false},
      {LevelUser, false, true, false, false, true, true, true},
      {LevelService, false, true, true, false, true, true, true},
      {LevelDeveloper, false, true, true, true, true, true, true},
      {LevelService, true, true, true, false, false, false, true},
  };
  for (const auto& c : cases) {
    state.Level = c.level;
    state.Reading = c.reading;
    EXPECT_EQ(RuleHolds(arParameterNotGuest, state), c.exportRaw) << c.level << c.reading;
    EXPECT_EQ(RuleHolds(arServiceOrDeveloper, state), c.importRawShown) << c.level;
    EXPECT_EQ(RuleHolds(arDeveloper, state), c.advancedShown) << c.level;
    for (TActionRule reading : {arLogout, arImport, arExport, arGoOffline})
      EXPECT_EQ(RuleHolds(reading, state), c.logout) << int(reading) << c.level << c.reading;
    EXPECT_EQ(RuleHolds(arMotorWizard, state), c.motorWizard) << c.level << c.reading;
    EXPECT_EQ(RuleHolds(arSelectedOnlineNotGuest, state), c.firmware) << c.level;
  }
  // Show-service commands need the service and a selected device.
  EXPECT_TRUE(RuleHolds(arParameters, state));
  EXPECT_FALSE(RuleHolds(arVariables, state));
  state.DeviceSelected = false;
  EXPECT_FALSE(RuleHolds(arParameters, state));
  EXPECT_TRUE(RuleHolds(arParameterService, state));  // the current parameter service alone
}

TEST(CommanderRules, ZeroHintsCutTheSampleText) {
  const struct {
    std::int32_t zeros;
    const char *more, *less;
  } cases[] = {{3, "More (X.1234)", "Less (X.12)"}, {1, "More (X.12)", "Less (X)"}, {0, "More (X.1)", "Less (X)"},
               {10, "More (X.1234567890)", "Less (X.123456789)"}};
  for (const auto& c : cases) {
    const TZeroHints hints = ZeroHints("More", "Less", c.zeros, "X.1234567890");
    EXPECT_EQ(hints.More, c.more) << c.zeros;
    EXPECT_EQ(hints.Less, c.less) << c.zeros;
  }
}

TEST(CommanderRules, ImageSizesByScale) {
  const struct {
    double scale;
    int list, toolBar;
  } cases[] = {{1.0, 16, 28}, {1.25, 20, 32}, {1.5, 24, 36}, {1.51, 28, 40}, {3.0, 48, 72}, {5.0, 80, 80}};
  for (const auto& c : cases) {
    const auto sizes = ImageSizesForScale(c.scale);
    ASSERT_TRUE(sizes) << c.scale;
    EXPECT_EQ(sizes->List, c.list) << c.scale;
    EXPECT_EQ(sizes->ToolBar, c.toolBar) << c.scale;
  }
  EXPECT_FALSE(ImageSizesForScale(5.01));
  EXPECT_EQ(TreeItemHeight(24), 28);
  EXPECT_EQ(TreeItemHeight(16), 18);
  EXPECT_EQ(TopPanelHeight(1.25), 50);
}

TEST(CommanderRules, EditRangesClampOrRestore) {
  EXPECT_EQ(ClampedNumberText("300", 2, 255, 100), "255");
  EXPECT_EQ(ClampedNumberText("1", 2, 255, 100), "2");
  EXPECT_EQ(ClampedNumberText("abc", 2, 255, 100), "100");
  EXPECT_EQ(ClampedNumberText("", 64, 250, 124), "124");
  EXPECT_EQ(ClampedNumberText("$FF", 64, 250, 124), "250");
  EXPECT_EQ(ClampedNumberText("100", 64, 250, 124), "100");
}

}  // namespace
