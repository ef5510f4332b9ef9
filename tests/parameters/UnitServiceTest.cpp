// The unit service on a device: units of several modules, the first naming a UUID
// winning, the neutral unit for an unknown UUID, and its hidden node "Units".
#include <gtest/gtest.h>

#include "ParameterTreeFixture.h"
#include "devices/ModelTree.h"

namespace vt::test {
namespace {

using UnitService = ParameterTreeTest;

std::string Unit(int UUID, const std::string& Name, double MetricScale) {
  return "[D /UUID " + std::to_string(UUID) + " /UnitName '" + Name +
         "' /SICaption 'm' /SIOffset 0.0 /SIScale 1.0 /MetricCaption '" + Name + "' /MetricOffset 0.0 /MetricScale " +
         std::to_string(MetricScale) + " /ImperialCaption 'in' /ImperialOffset 0.0 /ImperialScale 25.4]";
}

TEST_F(UnitService, FirstModuleNamingAUnitWins) {
  Units->Init(Dict("[D /Units [A " + Unit(1, "mm", 0.5) + " " + Unit(2, "um", 0.001) + "]]"));
  Units->Init(Dict("[D /Units [A " + Unit(2, "other", 7.0) + " " + Unit(3, "deg", 2.0) + "]]"));
  Units->Init(Dict("[D /Other 1]"));
  EXPECT_EQ(Units->GetNumberOfUnits(), 3);
  EXPECT_EQ(Units->GetUnitWithUUID(2).Name(), u"um");
  EXPECT_EQ(Units->GetUnitWithUUID(2).GetUnitInfo(usMetric).Scale, 0.001);
  const TUnitInfo none = Units->GetUnitWithUUID(99).GetUnitInfo(usMetric);
  EXPECT_EQ(none.Caption, u"");
  EXPECT_EQ(none.Scale, 1.0);
  EXPECT_EQ(none.FUPID, NoFactorUPID);

  // A malformed record keeps the units before it.
  EXPECT_THROW(Units->Init(Dict("[D /Units [A " + Unit(4, "ok", 1.0) + " [D /UUID 5]]]")), Exception);
  EXPECT_EQ(Units->GetNumberOfUnits(), 4);

  EXPECT_EQ(Units->GetUnitSystem(), usMetric);
  Units->SetUnitSystemfromInt(1);
  EXPECT_EQ(Units->GetUnitSystem(), usSI);
  Units->SetUnitSystem(usImperial);
  EXPECT_EQ(Units->GetUnitSystem(), usImperial);
}

TEST_F(UnitService, NodeBelowTheDeviceWhileStarted) {
  const auto unitsNode = [&]() -> TModelItem* {
    for (int i = 0; i < Device->Model()->GetChildCount(); ++i)
      if (Device->Model()->GetChild(i)->Caption() == "Units") return Device->Model()->GetChild(i);
    return nullptr;
  };
  bool wait = false;
  Units->ShutDown(wait);  // not started: nothing
  EXPECT_EQ(Units->ServiceStatus(), dsStopped);
  Units->StartUp(wait);
  EXPECT_EQ(Units->ServiceStatus(), dsStarted);
  EXPECT_FALSE(wait);
  ASSERT_NE(unitsNode(), nullptr);
  EXPECT_FALSE(unitsNode()->GetVisible());
  Units->StartUp(wait);  // started already: not added twice
  Units->ShutDown(wait);
  EXPECT_EQ(Units->ServiceStatus(), dsStopped);
  EXPECT_EQ(unitsNode(), nullptr);
  EXPECT_EQ(Units->Provider().Name(), "UnitService");
}

}  // namespace
}  // namespace vt::test
