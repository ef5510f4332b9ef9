#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ParameterFixture.h"
#include "parameters/UnitManager.h"

namespace vt::test {
namespace {

constexpr const char* UnitsFile = "archive://Archives\\UnitService\\Units.stx";

class UnitManagerTest : public ParameterTest {
 protected:
  // The data folder's units archive holding Text as its entry "Units.stx".
  void WriteUnits(const std::string& Text) { WriteFile("Archives\\UnitService.sla", ArchiveEntryBytes("Units.stx", Text)); }

  TUnitManager Manager;
};

// The bundled units file, packed into its folder's archive as the program's data folder
// holds it.
TEST_F(UnitManagerTest, BundledFileHoldsTimeWithMilliseconds) {
  std::ifstream in(std::string(VT_DATA_DIR) + "/Archives/UnitService/Units.stx", std::ios::binary);
  ASSERT_TRUE(in) << "bundled units file missing";
  std::stringstream text;
  text << in.rdbuf();
  WriteUnits(text.str());

  Manager.Initialize(UnitsFile);
  EXPECT_TRUE(Shown.empty()) << Shown.front();
  const TBaseUnit* time = Manager.GetBaseUnitWithName(u"TIME");  // names in any letter case
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->Name(), u"Time");
  const TDisplayUnit* ms = time->GetUnitWithName(u"ms");
  ASSERT_NE(ms, nullptr);
  EXPECT_DOUBLE_EQ(ms->SelfToBase(12.5), 0.0125);
  EXPECT_DOUBLE_EQ(ms->BaseToSelf(0.0125), 12.5);
  EXPECT_EQ(time->GetUnitAtIndex(0).Name(), u"s");
}

TEST_F(UnitManagerTest, DisplayUnitsInFileOrder) {
  WriteUnits(
      "[D /BaseUnitsArr [A"
      " [D /Name 'Temperature' /Caption 'Temp' /DisplayUnits [A"
      "   [D /Name 'C' /Offset 273.15 /Scale 1.0 /UnitSystem 'Metric']"
      "   [D /Name 'F' /Offset 255.372 /Scale 0.5556 /UnitSystem 'English']"
      "   [D /Name 'c' /Offset 0.0 /Scale 2.0 /UnitSystem 'x'] ] ]"
      " [D /Name 'TEMPERATURE' /Caption 'again' /DisplayUnits [A] ] ] ]");
  Manager.Initialize(UnitsFile);
  ASSERT_EQ(Manager.GetNumberOfBaseUnits(), 1);  // the second name is skipped
  const TBaseUnit& temp = *Manager.GetBaseUnitWithName(u"temperature");
  EXPECT_EQ(temp.Caption(), u"Temp");
  ASSERT_EQ(temp.GetCount(), 3);
  EXPECT_EQ(temp.GetUnitAtIndex(1).Name(), u"F");
  EXPECT_EQ(temp.GetUnitAtIndex(1).UnitSystem(), u"English");
  EXPECT_EQ(temp.GetUnitWithName(u"c"), &temp.GetUnitAtIndex(0));  // the first match
  EXPECT_DOUBLE_EQ(temp.GetUnitAtIndex(0).SelfToBase(20), 293.15);
  EXPECT_EQ(temp.GetUnitWithName(u"K"), nullptr);
  EXPECT_THROW_MSG(temp.GetUnitAtIndex(3), "List index out of bounds (3)");
}

TEST_F(UnitManagerTest, FailuresAreShownAndKeepWhatWasRead) {
  const struct {
    const char* text;  // nil: no units file at all
    int baseUnits;
    const char* shown;  // nil: no message
  } cases[] = {
      {"[D /Other 1]", 0, nullptr},
      {"[A 1 2]", 0, "Invalid class typecast"},
      {"[D /BaseUnitsArr [A [D /Name 'Time' /Caption 'Time' /DisplayUnits [A] ]"
       " [D /Name 'Length' /Caption 'L' /DisplayUnits [A [D /Name 'mm' /Offset 0.0 /Scale 1 /UnitSystem 'SI'] ] ]"
       " [D /Name 'Speed' /Caption 'v' /DisplayUnits [A] ] ] ]",
       1, "Invalid class typecast"},  // an integer scale ends the loading
      {"[D /BaseUnitsArr [A [D /Name 'Time' /DisplayUnits [A] ] ] ]", 0, "TSLDictionary error: no object named Caption"},
      {nullptr, 0, "object 'Archives\\UnitService\\Units.stx' not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "no file");
    TUnitManager manager;
    Shown.clear();
    RefObjManager().PurgeAutoReleasePool();  // lets the archive of the last case go
    if (c.text) WriteUnits(c.text);
    else std::filesystem::remove(Folder / "Archives" / "UnitService.sla");
    manager.Initialize(UnitsFile);
    EXPECT_EQ(manager.GetNumberOfBaseUnits(), c.baseUnits);
    EXPECT_EQ(Shown, c.shown ? std::vector<std::string>{c.shown} : std::vector<std::string>{});
  }
  EXPECT_EQ(Manager.GetBaseUnitWithName(u"Time"), nullptr);
}

TEST_F(UnitManagerTest, DisplayUnitOfScaleZeroCannotConvertFromBase) {
  WriteUnits("[D /BaseUnitsArr [A [D /Name 'Time' /Caption 'Time' /DisplayUnits [A"
             " [D /Name 'none' /Offset 0.0 /Scale 0.0 /UnitSystem 'SI'] ] ] ] ]");
  Manager.Initialize(UnitsFile);
  EXPECT_THROW_MSG(Manager.GetBaseUnitWithName(u"Time")->GetUnitAtIndex(0).BaseToSelf(1),
                   "TDisplayUnit.BaseToSelf: division by zero in unit 'none'");
}

}  // namespace
}  // namespace vt::test
