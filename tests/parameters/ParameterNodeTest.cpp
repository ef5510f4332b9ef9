// Parameter nodes from small description records: the keys and their defaults, rights
// per user level, the RAM-value rule, tree walks, arrays, paths, property texts and the
// unit factor.
#include <gtest/gtest.h>

#include <bit>

#include "ParameterTreeFixture.h"
#include "TestUtil.h"
#include "runtime/ApplicationState.h"

namespace vt::test {
namespace {

using ParameterNode = ParameterTreeTest;

TEST_F(ParameterNode, KeysAndTheirDefaults) {
  const std::string caption70(70, 'c');
  Load({Record("Value", 100, 1, caption70, {{"Value", "1"}}),
        Record("Value", 101, 1, "Full",
               {{"Value", "1"},
                {"DEVICE_UPID", "900"},
                {"HelpKeyWord", "'Speed'"},
                {"AppFlags", "128"},
                {"DisplayMode", "'HEX'"},
                {"SafetyParameterPosition", "7"},
                {"SafetyParameterID", "3"},
                {"WizardUPIDList", "[A 5 6]"},
                {"HelpTextDict", "[D /English 'Top<BR>speed' /German '']"}}),
        Record("Value", 102, 1, "Plain", {{"Value", "1"}, {"SafetyParameterID", "3"}, {"WizardUPIDList", "[A]"}})});
  ASSERT_TRUE(Shown.empty()) << Shown.front();

  TParameter* plain = Find(100);
  EXPECT_EQ(plain->Caption(), caption70.substr(0, 63));
  EXPECT_EQ(plain->UPID(), 100);
  EXPECT_EQ(plain->HelpKeyWord(), "0");
  EXPECT_EQ(plain->AppFlags(), 0);
  EXPECT_EQ(plain->GetDisplayModeStr(), "");
  EXPECT_EQ(plain->UseVFlag(), nullptr);
  EXPECT_EQ(plain->PropList().FObjType, "Parameter");
  EXPECT_EQ(plain->GetTree(), "Tree");

  // The device UPID goes on the wire; the master UPID names the parameter.
  TParameter* full = Find(101);
  EXPECT_EQ(full->UPID(), 900);
  EXPECT_EQ(Service->FindParameterWithDeviceUPID(900), full);
  EXPECT_EQ(Find(900), nullptr);
  EXPECT_EQ(Service->FindParameterWithDeviceUPID(101), nullptr);
  EXPECT_EQ(full->HelpKeyWord(), "Speed");
  EXPECT_EQ(full->GetDisplayModeStr(), "HEX");
  EXPECT_TRUE(full->IsSafetyParameter());
  EXPECT_EQ(full->SafetyParPosition(), 7);
  EXPECT_EQ(full->SafetyParIndex(), 3);
  ASSERT_TRUE(full->HasWizardUPIDList());
  EXPECT_EQ(full->GetWizardUPIDCount(), 2);
  EXPECT_EQ(full->GetWizardUPID(1), 6);
  EXPECT_EQ(full->PropList().GetInfoStr("English"), "Top\rspeed");
  EXPECT_EQ(full->PropList().GetNoOfInfoStr(), 1);  // empty texts are skipped

  // Safety keys count only on safety parameters; an empty wizard list is none.
  TParameter* other = Find(102);
  EXPECT_EQ(other->SafetyParIndex(), 0);
  EXPECT_FALSE(other->HasWizardUPIDList());
}

TEST_F(ParameterNode, RightsPerUserLevel) {
  const struct {
    const char16_t* user;
    std::uint8_t mask;
  } users[] = {{u"USER", 0x03}, {u"service", 0x0C}, {u"Developer", 0x30}, {u"GUEST", 0x40}, {u"", 0x40}, {u"ADMIN", 0x40}};
  for (const auto& u : users) EXPECT_EQ(UserLevelMask(u.user), u.mask) << WideToUtf8(u.user);

  const struct {
    int permission;
    std::uint8_t mask;
    bool read, write;
  } cases[] = {// The guest's mask holds no write bit: a guest never writes.
               {0x01, UserMask, true, false},      {0x02, UserMask, false, true},     {0x55, UserMask, true, false},
               {0x55, DeveloperMask, true, false}, {0x55, GuestMask, true, false},    {0xAA, ServiceMask, false, true},
               {0x0C, UserMask, false, false},     {0x80, GuestMask, false, false},    {0x30, DeveloperMask, true, true}};
  std::vector<std::string> records;
  for (const auto& c : cases)
    records.push_back(Record("Value", 200 + static_cast<int>(records.size()), 1, "P",
                             {{"Value", "0"}, {"Permission", std::to_string(c.permission)}}));
  Load(records);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const TParameter* node = Find(200 + static_cast<int>(i));
    EXPECT_EQ(node->CanRead(cases[i].mask), cases[i].read) << i;
    EXPECT_EQ(node->CanWrite(cases[i].mask), cases[i].write) << i;
  }
}

// Newer drives say which parameters have a RAM value; with older ones it is there
// exactly where no ROM value is.
TEST_F(ParameterNode, RamValueFromTheDriveVersions) {
  const struct {
    std::uint8_t protocol, commandSet;
    int addrUsage;
    bool ram;
  } cases[] = {{0x60, 3, 0x01, true},  {0x60, 3, 0x04, false}, {0x60, 2, 0x05, false}, {0x60, 2, 0x01, true},
               {0x55, 2, 0x05, true},  {0x55, 1, 0x00, true},  {0x80, 3, 0x04, false}, {0x4F, 9, 0x01, true}};
  int upid = 300;
  for (const auto& c : cases) {
    TFixtureTalkService::Protocol = c.protocol;
    TFixtureTalkService::CommandSet = c.commandSet;
    Load({Record("Value", upid, 1, "P", {{"Value", "0"}, {"AddrUsage", std::to_string(c.addrUsage)}})});
    EXPECT_EQ(Find(upid)->RAMValueExists(), c.ram) << upid;
    EXPECT_EQ(Find(upid)->ROMValueExists(), (c.addrUsage & AddrRomRead) != 0) << upid;
    ++upid;
  }
}

TEST_F(ParameterNode, WalksPathsAndArrays) {
  Load({Record("ClassDir", 10, 1, "Motion"), Record("Directory", 11, 2, "Limits"),
        Record("Value", 12, 3, "Speed", {{"Value", "0"}}), Record("Value", 12, 3, "Speed", {{"Value", "1"}}),
        Record("Directory", 13, 2, ""), Record("Value", 14, 3, "Force", {{"Value", "2"}})});
  TParameter* speed = Find(12);
  EXPECT_EQ(speed->GetPath(), "Motion\\Limits\\Speed");
  EXPECT_EQ(Find(14)->GetPath(), "Motion\\Force");  // an empty caption adds nothing
  EXPECT_EQ(Find(10)->GetPath(), "Motion");
  EXPECT_EQ(speed->GetClassRoot(), Find(10));
  EXPECT_EQ(Find(10)->GetClassRoot(), nullptr);

  // The array of UPID 12: both nodes, in index order; the last entry has no successor.
  TParameter* second = speed->GetArrayNext();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(static_cast<TValueParameter*>(second)->Value, 1);
  EXPECT_EQ(second->GetArrayFirst(), speed);
  EXPECT_EQ(second->GetArrayCount(), 2);
  EXPECT_EQ(second->GetUPID(), 12);
  EXPECT_EQ(Find(14)->GetArrayNext(), nullptr);
  EXPECT_EQ(Find(14)->GetArrayCount(), 1);
  EXPECT_EQ(Find(13)->GetArrayNext(), nullptr);

  // Pre-order, and a stop ends the walk.
  std::vector<std::int32_t> order;
  Service->ForEachParameter([&](TParameter* Node, bool&) { order.push_back(Node->MasterUPID()); });
  EXPECT_EQ(order, (std::vector<std::int32_t>{10, 11, 12, 12, 13, 14}));
  order.clear();
  Find(10)->ForEach([&](TParameter* Node, bool& Stop) {
    order.push_back(Node->MasterUPID());
    Stop = Node->MasterUPID() == 11;
  }, true);
  EXPECT_EQ(order, (std::vector<std::int32_t>{10, 11}));
  order.clear();
  Find(10)->ForEachChild([&](TParameter* Node, bool&) { order.push_back(Node->MasterUPID()); });
  EXPECT_EQ(order, (std::vector<std::int32_t>{11, 13}));
  EXPECT_EQ(Find(11)->Level(), 2);
  EXPECT_EQ(Find(11)->Parent(), Find(10));
}

TEST_F(ParameterNode, PropertyTexts) {
  Load({Record("CapDir", 4660, 1, "Axis", {{"DefValue", "'X'"}, {"MaxSize", "16"}}),
        Record("Value", 5, 2, "Child", {{"Value", "0"}})});
  TParameter* folder = Find(4660);
  TParameter* child = Find(5);
  EXPECT_EQ(folder->GetStrVarProp(folder, 1), "Axis");
  EXPECT_EQ(folder->GetStrVarProp(folder, 2), "1234h");
  EXPECT_EQ(folder->GetStrVarProp(child, 3), "1234h");
  EXPECT_EQ(folder->GetStrVarProp(child, 5), "Axis");
  EXPECT_EQ(folder->GetStrVarProp(child, 6), "");
  EXPECT_EQ(folder->PropList().GetItemWithName("UPID")->GetValue(folder), "1234h");
  ApplicationState().UPIDDispMode = "DEC";
  EXPECT_EQ(folder->GetStrVarProp(folder, 2), "4660");
  // Read-only in effect: the text is dropped.
  folder->PropList().GetItemWithName("Name")->SetValue(folder, "Other");
  EXPECT_EQ(folder->Caption(), "Axis");
}

// The factor of a unit: the double whose low half is the value of F and whose high half
// that of F + 4, then the gear ratio and the rotary correction.
class UnitFactor : public ParameterTreeTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(Shown, std::vector<std::string>{});  // every fixture loaded
    ParameterTreeTest::TearDown();
  }
  // Factor UPIDs F, F + 4 holding Factor, valid.
  static std::vector<std::string> Factor(int F, double Factor) {
    const auto bits = std::bit_cast<std::uint64_t>(Factor);
    return {Record("Value", F, 1, "Low", {{"Value", std::to_string(bits & 0xFFFFFFFF)}, {"Valid", "#1"}}),
            Record("Value", F + 4, 1, "High", {{"Value", std::to_string(bits >> 32)}, {"Valid", "#1"}})};
  }
  static std::string Value(int UPID, std::int64_t Value, const std::vector<TField>& More = {}) {
    std::vector<TField> fields = {{"Value", std::to_string(Value)}, {"Valid", "#1"}};
    fields.insert(fields.end(), More.begin(), More.end());
    return Record("Value", UPID, 1, "V", fields);
  }
  double FactorOf(int F, std::int32_t UUID = 0, TParameter* Node = nullptr) {
    TUnitInfo info;
    info.FUPID = F;
    return (Node ? Node : Find(1))->GetUPIDFactor(info, UUID);
  }
};

TEST_F(UnitFactor, FromTheFactorUPIDs) {
  std::vector<std::string> records = Factor(0x0900, 2.5);
  records.push_back(Value(1, 0));
  records.push_back(Record("Value", 0x0A00, 1, "Low", {{"Value", "0"}}));  // not valid
  records.push_back(Value(0x0A04, 0));
  Load(records);
  EXPECT_DOUBLE_EQ(FactorOf(0x0900), 2.5);
  EXPECT_DOUBLE_EQ(FactorOf(0x0A00), 1.0);  // not valid
  EXPECT_DOUBLE_EQ(FactorOf(0x0B00), 1.0);  // missing
  EXPECT_DOUBLE_EQ(FactorOf(NoFactorUPID), 1.0);
}

TEST_F(UnitFactor, GearRatio) {
  // 2059 switches the gear on for valid nodes; 2058 / 2057 = 3 / 2.
  std::vector<std::string> records;
  for (int f : {0x0801, 0x0803, 0x0804, 0x0900})
    for (const std::string& r : Factor(f, 4.0)) records.push_back(r);
  for (const std::string& r : {Value(1, 0), Value(2059, 1), Value(2058, 3), Value(2057, 2)}) records.push_back(r);
  Load(records);
  TParameter* node = Find(1);
  EXPECT_DOUBLE_EQ(FactorOf(0x0801), 4.0 / 1.5);
  EXPECT_TRUE(node->GearUsed());
  EXPECT_DOUBLE_EQ(FactorOf(0x0803), 4.0 * 1.5);
  EXPECT_DOUBLE_EQ(FactorOf(0x0804), 4.0 * 2.25);
  EXPECT_DOUBLE_EQ(FactorOf(0x0900), 4.0);  // other factors keep it
  EXPECT_TRUE(node->GearUsed());

  static_cast<TValueParameter*>(Find(2058))->Value = 2;  // ratio 1
  EXPECT_DOUBLE_EQ(FactorOf(0x0801), 4.0);
  EXPECT_FALSE(node->GearUsed());

  // A gear of 0 on the motor side gives no ratio, not an infinite one.
  static_cast<TValueParameter*>(Find(2058))->Value = 3;
  static_cast<TValueParameter*>(Find(2057))->Value = 0;
  EXPECT_DOUBLE_EQ(FactorOf(0x0801), 4.0);
  EXPECT_FALSE(node->GearUsed());

  // A gear switch not read yet is off.
  static_cast<TValueParameter*>(Find(2057))->Value = 2;
  Find(2059)->ClrAttrFlag(AttrValid);
  EXPECT_DOUBLE_EQ(FactorOf(0x0803), 4.0);

  // The gear off: only nodes scaled by the gear (application flag 0x800) take the ratio.
  static_cast<TValueParameter*>(Find(2059))->Value = 0;
  EXPECT_DOUBLE_EQ(FactorOf(0x0803), 4.0);
  Load({Record("Value", 3, 1, "Geared", {{"Value", "0"}, {"AppFlags", "2048"}})});
  EXPECT_DOUBLE_EQ(FactorOf(0x0803, 0, Find(3)), 6.0);
}

TEST_F(UnitFactor, RotaryCorrection) {
  std::vector<std::string> records = Factor(0x0900, 2.0);
  for (const std::string& r : {Value(1, 0), Value(4504, 1), Value(4505, 4, {{"Float", "#1"}}),
                               Value(4506, 0, {{"Float", "#1"}})})
    records.push_back(r);
  Load(records);
  EXPECT_DOUBLE_EQ(FactorOf(0x0900, 5), 8.0);
  EXPECT_DOUBLE_EQ(FactorOf(0x0900, 84), 8.0);
  EXPECT_DOUBLE_EQ(FactorOf(0x0900, 17), 0.5);
  EXPECT_DOUBLE_EQ(FactorOf(0x0900, 30), 2.0);
  EXPECT_DOUBLE_EQ(FactorOf(NoFactorUPID, 24), 0.25);  // without a factor from 1

  // A rotary value of 0 corrects nothing where it would divide.
  static_cast<TValueParameter*>(Find(4505))->Value = 0;
  EXPECT_DOUBLE_EQ(FactorOf(0x0900, 17), 2.0);
  EXPECT_DOUBLE_EQ(FactorOf(0x0900, 5), 0.0);

  static_cast<TValueParameter*>(Find(4504))->Value = 2;  // correction off
  EXPECT_DOUBLE_EQ(FactorOf(0x0900, 5), 2.0);
  static_cast<TValueParameter*>(Find(4504))->Value = 1;
  static_cast<TValueParameter*>(Find(4506))->Float = false;
  EXPECT_THROW_MSG(FactorOf(0x0900, 5), "Invalid class typecast");
}

}  // namespace
}  // namespace vt::test
