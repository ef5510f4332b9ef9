// The parameter service's tree: loading modules with the level rule and its errors,
// nodes that fail to build, the indexes, class lists and look-ups, the visibility
// update, and the service's start and stop as far as the tree goes.
#include <gtest/gtest.h>

#include "ParameterTreeFixture.h"
#include "TestUtil.h"
#include "comm/BasicTalkService.h"
#include "devices/ModelTree.h"
#include "sl/values/Scalars.h"

namespace vt::test {
namespace {

using ParameterService = ParameterTreeTest;

TEST_F(ParameterService, LevelRule) {
  // A record of level 1 after one of level 3 goes to the root.
  Load({Record("Directory", 1, 1, "A"), Record("Directory", 2, 2, "B"), Record("Value", 3, 3, "C", {{"Value", "0"}}),
        Record("Directory", 4, 1, "D"), Record("Value", 5, 2, "E", {{"Value", "0"}})});
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(Find(3)->Parent(), Find(2));
  EXPECT_EQ(Find(4)->Parent(), Service->TreeRoot());
  EXPECT_EQ(Find(5)->Parent(), Find(4));
  EXPECT_EQ(Find(5)->Level(), 2);

  // A jump of two levels: shown, the rest of that module skipped, the nodes before it
  // kept, and the next module loads normally.
  Load({Record("Directory", 10, 1, "F"), Record("Value", 11, 3, "Deep", {{"Value", "0"}}),
        Record("Directory", 12, 1, "G")},
       "", "Second");
  Load({Record("Value", 20, 2, "First", {{"Value", "0"}})}, "", "Third");
  Load({Record("Value", 21, 0, "Zero", {{"Value", "0"}})}, "", "Fourth");
  Load({Record("Directory", 30, 1, "H")}, "", "Fifth");
  EXPECT_EQ(Shown, (std::vector<std::string>{"TParameterService.LoadTree: can't insert parameter 'Deep' at level 3",
                                             "TParameterService.LoadTree: can't insert parameter 'First' at level 2",
                                             "TParameterService.LoadTree: can't insert parameter 'Zero' at level 0"}));
  EXPECT_NE(Find(10), nullptr);
  for (int refused : {11, 12, 20, 21}) EXPECT_EQ(Find(refused), nullptr) << refused;
  EXPECT_EQ(Find(30)->Parent(), Service->TreeRoot());
  EXPECT_EQ(Service->TreeList(), (std::vector<AnsiString>{"Tree", "Second", "Third", "Fourth", "Fifth"}));
  EXPECT_EQ(Find(30)->GetTree(), "Fifth");
  // Every node placed knows its position, also those of a module that failed.
  EXPECT_EQ(Find(10)->GetUPID(), 10);
}

// A record missing a key of its own class fails after the common part: the node is
// freed and no index keeps it (AddressSanitizer watches the walks below).
TEST_F(ParameterService, NodesThatFailToBuild) {
  const int entries = Service->ParameterList().Count();
  Load({Record("Directory", 1, 1, "A"), Record("Value", 2, 2, "NoValue"), Record("Directory", 3, 1, "B")});
  Load({Record("CapDir", 4, 1, "NoDefault", {{"MaxSize", "8"}})}, "", "Second");
  Load({Record("Directory", 5, 1, "NoPermission", {{"Permission", ""}})}, "", "Third");
  Load({Record("Xyz", 6, 1, "Unknown")}, "", "Fourth");
  Load({Record("Directory", 7, 1, "BadFlag", {{"UseVFlag", "'Missing'"}})}, "", "Fifth");
  EXPECT_EQ(Shown, (std::vector<std::string>{"TSLRecord.GetObjWithName: object with name 'Value' not found",
                                             "TSLRecord.GetObjWithName: object with name 'DefValue' not found",
                                             "TSLRecord.GetObjWithName: object with name 'Permission' not found",
                                             "TParameterManager.GetParameterClass: parameter class with name Xyz doesn't exist",
                                             "visibility flag with name 'Missing' not found"}));
  EXPECT_EQ(Service->ParameterList().Count(), entries + 1);
  EXPECT_EQ(Service->DevParameterList().Count(), 1);
  for (int missing : {2, 3, 4, 5, 6, 7}) {
    EXPECT_EQ(Find(missing), nullptr) << missing;
    EXPECT_EQ(Service->FindParameterWithDeviceUPID(missing), nullptr) << missing;
  }
  int nodes = 0;
  Service->ForEachParameter([&](TParameter* Node, bool&) { nodes += Node->Caption() == "A"; });
  EXPECT_EQ(nodes, 1);
  EXPECT_EQ(Service->FindNextWithCaption(nullptr, "o"), nullptr);
}

TEST_F(ParameterService, RepeatedKeysFirstMatchWins) {
  Load({Record("Value", 7, 1, "First", {{"Value", "1"}, {"DEVICE_UPID", "70"}}),
        Record("Value", 7, 1, "Second", {{"Value", "2"}, {"DEVICE_UPID", "70"}})});
  EXPECT_EQ(Find(7)->Caption(), "First");
  EXPECT_EQ(Service->FindParameterWithDeviceUPID(70)->Caption(), "First");
  EXPECT_EQ(Find(7)->GetArrayNext()->Caption(), "Second");
  // The root holds the main index's first place but no UPID finds it.
  EXPECT_EQ(Service->ParameterList().At(0).Node, Service->TreeRoot());
  EXPECT_EQ(Find(0), nullptr);
}

TEST_F(ParameterService, ClassesAndCaptionSearch) {
  Load({Record("Directory", 1, 1, "Motion"), Record("Value", 2, 2, "Max Speed", {{"Value", "0"}}),
        Record("ClassDir", 3, 1, "Drive"), Record("Directory", 4, 2, "Sub"),
        Record("Directory", 5, 1, "Safety", {{"AppFlags", "128"}}),
        Record("Value", 6, 2, "Speed Limit", {{"Value", "0"}, {"DEVICE_UPID", "60"}}),
        Record("Value", 7, 2, "speed filter", {{"Value", "0"}})});
  ASSERT_EQ(Service->GetClassCount(), 2);  // plain folders at level 1
  EXPECT_EQ(Service->GetClassRoot(0), Find(1));
  EXPECT_EQ(Service->GetClassRoot(1), Find(5));
  EXPECT_EQ(Service->FindClassRoot("Motion"), Find(1));
  EXPECT_EQ(Service->FindClassRoot("motion"), nullptr);
  EXPECT_EQ(Service->FindClassRoot("Drive"), nullptr);
  TParameterClassList list;
  Service->GetClassList(list);
  EXPECT_EQ(list, (TParameterClassList{{"Drive", Find(3)}}));
  Service->GetSafetyClassList(list);
  EXPECT_EQ(list, (TParameterClassList{{"Safety", Find(5)}}));
  EXPECT_EQ(Find(6)->Index(), 6);

  // In the device index, any letter case, after or before the node's entry.
  EXPECT_EQ(Service->FindNextWithCaption(nullptr, "speed"), Find(2));
  EXPECT_EQ(Service->FindNextWithCaption(Find(2), "SPEED"), Find(6));
  EXPECT_EQ(Service->FindNextWithCaption(Find(6), "speed"), Find(7));
  EXPECT_EQ(Service->FindNextWithCaption(Find(7), "speed"), nullptr);
  EXPECT_EQ(Service->FindPreviousWithCaption(nullptr, "Speed"), Find(7));
  EXPECT_EQ(Service->FindPreviousWithCaption(Find(6), "Speed"), Find(2));
  EXPECT_EQ(Service->FindPreviousWithCaption(Find(2), "Speed"), nullptr);
  EXPECT_EQ(Service->FindPreviousWithCaption(Service->TreeRoot(), "Speed"), nullptr);  // not in the index
}

// Flags Alpha (set by a parameter) and Beta, and Gamma = not (Alpha and Beta): the nodes
// follow their flags.
TEST_F(ParameterService, VisibilityFollowsTheFlags) {
  const std::string flags =
      "/VisibilityFlags [A [D /Type 'B' /Name 'Alpha'] [D /Type 'B' /Name 'Beta'] "
      "[D /Type 'C' /Name 'Gamma' /Equation [A 'Alpha' 'Beta' '&' '!']]]";
  Load({Record("Value", 1, 1, "SetsAlpha", {{"Value", "1"}, {"SetVFlag", "'Alpha'"}}),
        Record("Value", 2, 1, "SetsBeta", {{"Value", "0"}, {"SetVFlag", "'Beta'"}}),
        Record("Value", 3, 1, "ByAlpha", {{"Value", "0"}, {"UseVFlag", "'Alpha'"}}),
        Record("Value", 4, 1, "ByGamma", {{"Value", "0"}, {"UseVFlag", "'Gamma'"}})},
       flags);
  ASSERT_TRUE(Shown.empty()) << Shown.front();
  Service->UpdateVisibility();
  for (int upid : {1, 2, 3, 4}) EXPECT_TRUE(Find(upid)->GetAttrFlag(AttrVisible)) << upid;

  static_cast<TValueParameter*>(Find(2))->Value = 1;
  Service->UpdateVisibility();
  EXPECT_TRUE(Find(3)->GetAttrFlag(AttrVisible));
  EXPECT_FALSE(Find(4)->GetAttrFlag(AttrVisible));

  static_cast<TValueParameter*>(Find(1))->Value = 0;
  Service->UpdateVisibility();
  EXPECT_FALSE(Find(3)->GetAttrFlag(AttrVisible));
  EXPECT_TRUE(Find(4)->GetAttrFlag(AttrVisible));

  // A flag that flips in every round never settles.
  Load({Record("Value", 5, 1, "Flipper", {{"Value", "0"}, {"SetVFlag", "'Alpha'"}, {"Toggle", "#1"}})}, "",
       "Second");
  EXPECT_THROW_MSG(Service->UpdateVisibility(), "Visibility update needs to many recursions!");
}

// Folders are shown to the levels that may read them; a guest sees the device's
// parameters only when parameter 3274 says so.
TEST_F(ParameterService, FoldersPerUserLevel) {
  Load({Record("Directory", 1, 1, "Everyone"), Record("Directory", 2, 1, "Service", {{"Permission", "12"}}),
        Record("Directory", 3, 2, "Developer", {{"Permission", "48"}}), Record("Directory", 4, 1, "Guest", {{"Permission", "64"}})});
  const auto shown = [&] {
    std::vector<int> upids;
    for (int upid : {1, 2, 3, 4})
      if (static_cast<TGenericDirParameter*>(Find(upid))->Model()->GetVisible()) upids.push_back(upid);
    return upids;
  };
  TModelItem* root = Service->TreeRoot()->Model();
  root->Hide();
  SetUser(u"SERVICE");
  Service->UpdateVisibility();
  EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
  EXPECT_TRUE(root->GetVisible());
  // Each level has its own bits: the developer's are not the service's.
  SetUser(u"developer");
  Service->UpdateVisibility();
  EXPECT_EQ(shown(), (std::vector<int>{1, 3}));
  EXPECT_EQ(static_cast<TGenericDirParameter*>(Find(3))->Model()->UserType, TUserTypeSet{utDevelop});

  SetUser(u"GUEST");
  Service->UpdateVisibility();
  EXPECT_EQ(shown(), (std::vector<int>{1, 4}));
  EXPECT_TRUE(root->GetVisible());  // no 3274: left as it was
  Load({Record("Value", 3274, 1, "GuestView", {{"Value", "0"}})}, "", "Second");
  Service->UpdateVisibility();
  EXPECT_FALSE(root->GetVisible());
  static_cast<TValueParameter*>(Find(3274))->Value = 1;
  Service->UpdateVisibility();
  EXPECT_TRUE(root->GetVisible());
}

TEST_F(ParameterService, TreeRootBelowTheDevice) {
  TModelItem* root = Service->TreeRoot()->Model();
  EXPECT_EQ(root->Parent(), Device->Model());
  EXPECT_EQ(root->Caption(), "Parameters");
  EXPECT_FALSE(root->GetVisible());  // the settings have no "Visible"
  EXPECT_EQ(root->ImageIndex(), RootFolderImage);
  EXPECT_EQ(Service->TreeRoot()->Permission(), 0x55);

  // Units and flags of a module go to the unit service and the controller before its
  // parameters look them up.
  Load({Record("Value", 1, 1, "P", {{"Value", "0"}, {"UseVFlag", "'Shown'"}})},
       "/Units [A [D /UUID 9 /UnitName 'mm' /SICaption 'm' /SIOffset 0.0 /SIScale 0.001 /MetricCaption 'mm' "
       "/MetricOffset 0.0 /MetricScale 1.0 /ImperialCaption 'in' /ImperialOffset 0.0 /ImperialScale 25.4]] "
       "/VisibilityFlags [A [D /Type 'B' /Name 'Shown']]");
  ASSERT_TRUE(Shown.empty()) << Shown.front();
  EXPECT_EQ(Units->GetUnitWithUUID(9).Name(), u"mm");
  EXPECT_EQ(Find(1)->UseVFlag(), Service->VisibilityController().GetFlag(u"Shown"));

  EXPECT_TRUE(Service->ParameterExists(1));
  EXPECT_FALSE(Service->ParameterExists(2));
  EXPECT_EQ(Service->GetIntValue(1), 0);
  EXPECT_THROW_MSG(Service->GetIntValue(2), "TParameterService.GetIntValue: parameter 2 not found");
}

// Start needs the talk, module, unit and status services; a started service that
// stops takes its tree out of the device's node.
TEST_F(ParameterService, StartAndStop) {
  DeviceManager()->RegisterServiceClass("TalkService", DeviceServiceClassOf<TBasicTalkService>());
  const auto settings = [](const char16_t* ClassName) {
    auto dict = MakeRef<TSLDictionary>();
    dict->AddObject(u"Name", new TSLString(false, ClassName));
    return dict;
  };
  TDevice* box = DeviceManager()->CreateDevice("BOX2", "VorlixOnline");
  box->CreateService("TalkService", settings(u"TalkService").get());
  box->CreateService("ModuleService", settings(u"FixtureTalk").get());
  box->CreateService("StatusService", settings(u"FixtureTalk").get());
  auto* service = static_cast<TParameterService*>(box->CreateService("ParameterService", settings(u"ParameterService").get()));
  EXPECT_TRUE(service->OnLine());
  bool wait = false;
  service->StartUp(wait);
  EXPECT_EQ(service->ServiceStatus(), dsError);
  EXPECT_EQ(LogLines().back(), "***ERROR: couldn't start parameter service: a required service is missing");

  service->SetServiceStatus(dsStopped);
  box->CreateService("UnitService", settings(u"UnitService").get());
  service->StartUp(wait);
  EXPECT_EQ(service->ServiceStatus(), dsStarting);
  EXPECT_FALSE(wait);

  service->SetServiceStatus(dsStarted);
  service->ShutDown(wait);
  EXPECT_EQ(service->ServiceStatus(), dsStopped);
  EXPECT_EQ(service->TreeRoot()->Model()->Parent(), nullptr);
}

}  // namespace
}  // namespace vt::test
