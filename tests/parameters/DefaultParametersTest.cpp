// The default procedure against drivesim with fixture scripts in the test's archive:
// the reread of the defaulted instances, the rotary operating-system defaults one after
// the other's answer, a failing script, the safety service's data; the check of default
// values and the defaults of an offline device.
#include <gtest/gtest.h>

#include <filesystem>

#include "ParameterWorkListFixture.h"
#include "StandInService.h"
#include "parameters/IntegerParameterBase.h"
#include "parameters/RadioParameters.h"
#include "parameters/SafetyService.h"
#include "scripting/ScriptTask.h"
#include "scripting/ScriptTaskManager.h"

using namespace vt;
using namespace vt::test;

namespace {

// A safety service that counts the data requests it gets.
class TStandInSafetyService : public TStandInService, public TSafetyServiceInterface {
 public:
  using TStandInService::TStandInService;
  void RequestData() override { ++Requests; }
  int Requests = 0;
};
int SafetyRequests(TDevice* Device) {
  return static_cast<TStandInSafetyService*>(Device->GetService("SafetyService"))->Requests;
}

constexpr const char* Succeeding = "[B pop pop]";


// The rotary operating-system defaults, 0x0800 to 0x0808.
std::vector<std::string> RotaryFrames(int Skipped = -1) {
  std::vector<std::string> frames;
  for (int u = 0; u <= 8; ++u)
    if (u != Skipped) frames.push_back("89 03 0" + std::to_string(u) + " 08");
  return frames;
}

class DefaultParametersTest : public ParameterWorkList {
 protected:
  void SetUp() override {
    ParameterWorkList::SetUp();
    InstallScriptTaskManager(std::make_unique<TScriptTaskManager>());
    StorageManager->AnnounceScriptTaskFactory(std::make_unique<TScriptTaskFactory>());
    DeviceManager()->RegisterServiceClass("SafetyService", DeviceServiceClassOf<TStandInSafetyService>());
  }
  // The devices' script tasks go before their manager.
  void TearDown() override {
    ParameterWorkList::TearDown();
    InstallScriptTaskManager(nullptr);
  }
  // The archive's default script.
  void Script(const std::string& Text) {
    WriteFile("Archives\\ParameterService.sla", ArchiveEntryBytes("DefaultParameters.sct", Text));
  }
  // A logged-in device with a started safety service, its login frames seen.
  TDevice* Online(const drivesim::TDriveSim& Sim) {
    TDevice* device = Login(Udp4Link(Sim));
    EXPECT_EQ(device->State(), dstStarted);
    bool wait = false;
    device->CreateService("SafetyService", NamedSettings(u"SafetyService").get())->StartUp(wait);
    NewFrames(Sim, "udp4-0");
    return device;
  }
  // Runs the procedure until the service is ready with nothing left to do.
  void Default(std::uint8_t Mask) {
    Service->DefaultParameters(Mask, false);
    EXPECT_TRUE(StepUntil([&] {
      return Service->IsReady() && !Service->ReadFlag && !Service->ParameterDefaulted && !Service->DefRotFlag;
    })) << Service->State() << Service->ReadFlag << Service->ParameterDefaulted << Service->DefRotFlag;
  }
  std::size_t Reads(const std::vector<std::string>& Frames) {
    return std::count_if(Frames.begin(), Frames.end(), [](const std::string& f) { return f.starts_with("88 0"); });
  }
};

// The script takes the device's name and the mask; by the mask the instances are reread,
// the rotary defaults follow (MC without OS) one after the other's answer, and the
// safety service is asked for its data.
TEST_F(DefaultParametersTest, ByTheMask) {
  drivesim::TDriveSim sim({"--udp4", "--running=0"});
  Script("[B /Mask exch def  /Name exch def  Name 'BOX1' ne [B 'wrong device' raise] if  Mask pop]");
  TDevice* device = Online(sim);
  const std::size_t readable = Readable().size();
  TTransactionClient client(Service->Provider());
  Write(client, {{0x0801, 5}, {0x0808, 6}});
  NewFrames(sim, "udp4-0");

  const struct {
    std::uint8_t mask;
    bool rotary;
    bool reread;
    int safety;
  } cases[] = {{0x03, false, true, 0}, {0x01, false, true, 0}, {0x10, false, false, 1}, {0x12, true, true, 1}};
  int safetyRequests = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    Service->DefaultParameters(c.mask, false);
    EXPECT_EQ(Service->DefRotFlag, c.rotary);
    EXPECT_TRUE(Service->FDefaultFlag);
    Default(c.mask);
    const std::vector<std::string> frames = NewFrames(sim, "udp4-0");
    EXPECT_EQ(Reads(frames), c.reread ? readable : 0u);
    const std::vector<std::string> rotary(frames.begin() + static_cast<std::ptrdiff_t>(Reads(frames)), frames.end());
    EXPECT_EQ(rotary, c.rotary ? RotaryFrames() : std::vector<std::string>{});
    EXPECT_EQ(SafetyRequests(device), safetyRequests += c.safety);
    EXPECT_EQ(Service->OSParCounter, 0);
    EXPECT_TRUE(Messages.empty()) << Messages.front();
    EXPECT_TRUE(Questions.empty()) << Questions.front();
  }
  // The rotary defaults landed in the drive: a read brings the defaults back.
  Reread(client, {0x0801, 0x0808});
  EXPECT_EQ(Find(0x0801)->GetIntValue(), 0);
  EXPECT_EQ(Find(0x0808)->GetIntValue(), 1072693248);
}

// A failing script: its message, no reread, no rotary defaults, the service ready; the
// same task runs the next script. A missing script fails alike.
TEST_F(DefaultParametersTest, AFailingScript) {
  drivesim::TDriveSim sim({"--udp4"});
  Script("[B /Mask exch def  pop  Mask 16 and 0 ne [B 'refused' raise] if]");
  TDevice* device = Online(sim);
  const auto fails = [&] {
    Questions.clear();
    Default(0x12);
    EXPECT_EQ(Questions, std::vector<std::string>{"An error occured during the default parameter procedure!"});
    EXPECT_TRUE(NewFrames(sim, "udp4-0").empty());
    EXPECT_FALSE(Service->DefRotFlag);
    EXPECT_EQ(SafetyRequests(device), 0);
  };
  fails();
  Questions.clear();
  Default(0x08);
  EXPECT_TRUE(Questions.empty());
  EXPECT_EQ(Reads(NewFrames(sim, "udp4-0")), Readable().size());
  std::filesystem::remove(Folder / "Archives" / "ParameterService.sla");
  fails();
}

// A busy service or an offline device keeps only the mask.
TEST_F(DefaultParametersTest, OnlyTheMaskWhenBusy) {
  drivesim::TDriveSim sim({"--udp4"});
  Script(Succeeding);
  Online(sim);
  TTransactionClient client(Service->Provider());
  Transaction(client, [&](TServiceClient* C) {
    Service->PrepareModify(C);
    Service->DefaultParameters(0x02, false);
    EXPECT_EQ(Service->State(), stModify);
    EXPECT_EQ(Service->SelInstancesToBeDefaulted, 0x02);
    EXPECT_FALSE(Service->DefRotFlag);
    Service->ExecuteModify(C);
  });
}

// A rotary parameter the tree lacks sends nothing and the next one follows.
TEST_F(DefaultParametersTest, AMissingRotaryNodeIsSkipped) {
  const std::string name = "Firmware\\VXOS_VX2_V4S1_0.IN2";
  std::string tree = ReadFile(name);
  const std::size_t record = tree.find("  [R [D:UInt32 /UPID 2051 ");
  ASSERT_NE(record, std::string::npos);
  tree.erase(record, tree.find("  [R", record + 1) - record);
  WriteFile(name, tree);
  drivesim::TDriveSim sim({"--udp4"});
  Script(Succeeding);
  Online(sim);
  ASSERT_EQ(Find(0x0803), nullptr);
  Default(0x02);
  const std::vector<std::string> frames = NewFrames(sim, "udp4-0");
  EXPECT_EQ(std::vector<std::string>(frames.end() - 8, frames.end()), RotaryFrames(3));
}

}  // namespace

namespace {

// Every value at its default, then one value changed: which masks still see defaults
// only. Floats and parameters without a writable stored value are not compared; the
// safety bit plays no part.
TEST_F(DefaultParametersTest, AllDefaultValuesByClassAndMask) {
  drivesim::TDriveSim sim({"--udp4"});
  TDevice* device = Online(sim);
  device->SetDeviceType(dtOffline);
  const struct {
    const char* name;
    std::function<void()> change;
    std::uint8_t differing, same;
  } cases[] = {
      {"integer", [&] { Find(4096)->SetIntValue(usSI, 1); }, 0x02, 0x0D},
      {"boolean", [&] { Find(4131)->SetBoolValue(!Find(4131)->GetBoolValue()); }, 0x02, 0x01},
      {"string", [&] { Find(1000)->SetStrValue("other"); }, 0x01, 0x02},
      {"caption folder", [&] { Find(272)->SetStrValue("other"); }, 0x01, 0x02},
      {"radio folder", [&] { dynamic_cast<TRadioDir16Parameter*>(Find(2048))->SetValue(1); }, 0x01, 0x0E},
      {"float", [&] { Find(4505)->SetIntValue(usSI, 0x40000000); }, 0x00, 0x0F},
      {"without a writable stored value", [&] { Find(4130)->SetIntValue(usSI, 5); }, 0x00, 0x0F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Service->DefaultParameterOffline(0x1F);
    EXPECT_TRUE(Service->AreAllDefaultValues(0x0F));
    c.change();
    Service->ForEachParameter([](TParameter* Node, bool&) { Node->CopyTempToData(); });
    if (c.differing) {
      EXPECT_FALSE(Service->AreAllDefaultValues(c.differing));
    }
    EXPECT_TRUE(Service->AreAllDefaultValues(c.same));
    EXPECT_TRUE(Service->AreAllDefaultValues(0x10));
  }
}

// The offline defaults: the software instances by the mask for parameters with a
// writable stored value; the safety range by bit 0x10 whatever the address usage.
TEST_F(DefaultParametersTest, OfflineDefaultsByMask) {
  // Safety parameters of both address usages.
  CopyFirmware(ExtraRecord(16384, 0x80) + ExtraRecord(16385, 0x80, "UInt16", 1));
  drivesim::TDriveSim sim({"--udp4"});
  TDevice* device = Online(sim);
  device->SetDeviceType(dtOffline);
  const struct {
    std::uint8_t mask;
    bool mc, safetyWritable, safetyReadOnly;
  } cases[] = {{0x02, true, false, false}, {0x0D, false, false, false}, {0x10, false, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    for (const std::int32_t upid : {4096, 16384, 16385}) {
      Find(upid)->SetIntValue(usSI, 3);
      Find(upid)->CopyTempToData();
    }
    Service->DefaultParameterOffline(c.mask);
    EXPECT_EQ(Find(4096)->GetIntValue(), c.mc ? 1000 : 3);
    EXPECT_EQ(Find(16384)->GetIntValue(), c.safetyWritable ? 7 : 3);
    EXPECT_EQ(Find(16385)->GetIntValue(), c.safetyReadOnly ? 7 : 3);
  }
  EXPECT_TRUE(NewFrames(sim, "udp4-0").empty());
}

}  // namespace
