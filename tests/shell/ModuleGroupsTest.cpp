// The module groups of the project tree: devices whose parameter services hold the same
// module identity go under one entry that names each axis; anything else is top-level.
#include <gtest/gtest.h>

#include "ParameterTreeFixture.h"
#include "devices/ModelTree.h"
#include "shell/ModuleGroups.h"

namespace vt::test {
namespace {

class ModuleGroups : public ParameterTreeTest {
 protected:
  // A further device like the fixture's, with its own parameter service.
  TParameterService* AddDevice(const AnsiString& Name) {
    TDevice* device = DeviceManager()->CreateDevice(Name, "VorlixOnline");
    device->CreateService("TalkService", Settings("[D /Name 'FixtureTalk' ]"));
    device->CreateService("UnitService", Settings("[D /Name 'UnitService' ]"));
    return static_cast<TParameterService*>(
        device->CreateService("ParameterService", Settings("[D /Name 'ParameterService' /Caption 'Parameters' ]")));
  }
  TSLDictionary* Settings(const std::string& Text) { return CheckedCast<TSLDictionary>(Sl(Text));
  }
  static void Read(TParameter* P, const std::string& Data) {
    ASSERT_TRUE(P->DecodePendingValue(Data));
    P->CommitRead();
  }
  static std::string Le16(int Value) { return {char(Value & 0xFF), char(Value >> 8)}; }
  // The identity parameters with values; a negative part is left out, an empty name too.
  void Identity(TParameterService* Into, int First, int Second, int Third, const std::string& Name,
                const std::string& Kind = "") {
    Service = Into;
    std::vector<std::string> records;
    const std::pair<int, int> parts[] = {{6338, First}, {6339, Second}, {6340, Third}};
    for (const auto& [upid, value] : parts)
      if (value >= 0) records.push_back(Record("UInt16", upid, 1, "Id" + std::to_string(upid),
                                  {{"UUID", "0"}, {"MinValue", "0"}, {"MaxValue", "65535"}, {"DefValue", "0"}}));
    if (!Name.empty()) records.push_back(Record("String", 1000, 1, "Name", {{"DefValue", "''"}, {"MaxSize", "16"}}));
    if (!Kind.empty()) records.push_back(Record("String", 6341, 1, "Kind", {{"DefValue", "''"}, {"MaxSize", "16"}}));
    Load(records);
    for (const auto& [upid, value] : parts)
      if (value >= 0) Read(Into->FindParameter(upid), Le16(value));
    if (!Name.empty()) Read(Into->FindParameter(1000), Name);
    if (!Kind.empty()) Read(Into->FindParameter(6341), Kind);
  }
  TModelItem* Root() const { return DeviceManager()->ModelManager().Root(); }
  TDevice* Box(const char* Name) const { return DeviceManager()->GetDevice(Name); }
  void File(const char* Name, bool ModulFunction = true) {
    ModulCheck(*Box(Name), DeviceManager()->ModelManager(), ModulFunction);
  }
};

TEST_F(ModuleGroups, AxesOfOneModuleShareOneEntry) {
  Identity(Service, 12, 3, 7, "AXIS1", "A-Type");
  Identity(AddDevice("BOX2"), 12, 3, 7, "AXIS2");
  Identity(AddDevice("BOX3"), 12, 3, 7, "AXIS3");
  File("BOX1");
  File("BOX2");
  ASSERT_EQ(Root()->GetChildCount(), 1);
  TModelItem* group = Root()->GetChild(0);
  EXPECT_EQ(group->Caption(), "Module: 12.3.007: AXIS1 / AXIS2");
  EXPECT_EQ(group->ModulCode, 1);  // the first axis's kind begins with "A"
  EXPECT_EQ(Box("BOX1")->Model()->Parent(), group);
  EXPECT_EQ(Box("BOX2")->Model()->Parent(), group);
  EXPECT_TRUE(Box("BOX2")->ModuleFlag);
  File("BOX3");
  EXPECT_EQ(group->Caption(), "Module: 12.3.007: AXIS1 / AXIS2 / AXIS3");
  EXPECT_EQ(Box("BOX3")->ModulItem()->Caption(), group->Caption());
  EXPECT_EQ(group->GetChildCount(), 3);
}

TEST_F(ModuleGroups, IdentitiesThatDoNotGroup) {
  const struct {
    int first, second, third;
    bool modulFunction;
    const char* caption;  // of the group; "" for the device's own entry
  } cases[] = {
      {12, 35, 7, true, "Module: 12.10.007: AX"},  // base 35
      {12, 3, 1234, true, "Module: 12.3.1234: AX"},
      {12, 3, 7, false, ""},
      {0, 3, 7, true, ""},
      {65535, 3, 7, true, ""},
      {12, -1, 7, true, ""},
  };
  int n = 1;
  for (const auto& c : cases) {
    const AnsiString name = "BOX" + std::to_string(++n);
    Identity(AddDevice(name), c.first, c.second, c.third, "AX");
    const int before = Root()->GetChildCount();
    ModulCheck(*Box(name.c_str()), DeviceManager()->ModelManager(), c.modulFunction);
    ASSERT_EQ(Root()->GetChildCount(), before + 1) << c.first;
    TModelItem* entry = Root()->GetChild(before);
    if (c.caption[0] == 'M')
      EXPECT_EQ(entry->Caption(), c.caption);
    else
      EXPECT_EQ(entry, Box(name.c_str())->Model()) << c.first << "." << c.second << "." << c.third;
    EXPECT_EQ(Box(name.c_str())->ModuleFlag, c.caption[0] == 'M') << c.caption;
    if (c.caption[0] == 'M') {
      EXPECT_EQ(entry->ModulCode, 2);
    }
  }
}

TEST_F(ModuleGroups, ADeviceWithoutParametersIsTopLevel) {
  TDevice* plain = DeviceManager()->CreateDevice("BOX2", "VorlixOnline");
  ModulCheck(*plain, DeviceManager()->ModelManager(), true);
  EXPECT_EQ(plain->Model()->Parent(), Root());
  EXPECT_FALSE(plain->ModuleFlag);
}

}  // namespace
}  // namespace vt::test
