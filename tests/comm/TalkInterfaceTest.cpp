// The talk interface end to end against drivesim: logged in as every user over every
// kind of link, words and parameters read and written; the frame of every command; one
// command at a time; results kept when an answer carries none; the login values; the
// factory and its registry entry.
#include "comm/TalkInterface.h"

#include <gtest/gtest.h>

#include <functional>

#include "CommTestUtil.h"
#include "TalkServiceFixture.h"
#include "TestUtil.h"
#include "comm/SharedLinkState.h"
#include "devices/DeviceManager.h"
#include "runtime/ObjectRegistry.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

const std::vector<TDeviceServiceStatus> Started{dsStarting, dsStarted};

class TalkInterfaceTest : public TalkServiceFixture {
 protected:
  void SetUp() override {
    TalkServiceFixture::SetUp();
    if (!TalkInterfaceFactory()) InitTalkInterfaceServer();  // once per program, as at start-up
  }
  // An interface for the device of a logged-in service.
  std::unique_ptr<TTalkInterface> Interface(TBasicTalkService* Service) {
    auto talk = TalkInterfaceFactory()->CreateTalkInterface(Service->Device()->Name());
    talk->OnResponse = [this](TTalkInterface*) { ++Responses; };
    return talk;
  }
  // Runs a command and steps until its answer is in.
  void Await(const std::function<void()>& Command) {
    const int before = Responses;
    Command();
    EXPECT_TRUE(StepUntil([&] { return Responses > before; }));
  }

  int Responses = 0;
};

// Every user over every kind of link: log in, a word and a parameter written and read
// back, log out and close.
TEST_F(TalkInterfaceTest, EveryUserOnEveryLink) {
  drivesim::TDriveSim sim({"--pty", "--udp4", "--udp6"});
  const struct {
    TLink link;
    const char* drive;
  } links[] = {{PtyLink(sim), "pty0"}, {Udp4Link(sim), "udp4-1"}, {Udp6Link(sim), "udp6-2"}};
  const struct {
    const char* user;
    const char* password;
  } users[] = {{"GUEST", ""}, {"USER", "user"}, {"SERVICE", "service"}, {"DEVELOPER", DeveloperPassword}};
  std::int32_t value = 0x10203040;
  for (const auto& l : links)
    for (const auto& u : users) {
      SCOPED_TRACE(std::string(l.drive) + " " + u.user);
      TBasicTalkService* service = NewService(l.link, u.user, u.password);
      StartUp(service, Started);
      auto talk = Interface(service);
      ++value;
      Await([&] { talk->WriteMemory(0x40, value); });
      EXPECT_EQ(talk->Error(), 0);
      Await([&] { talk->ReadMemory(0x40); });
      EXPECT_EQ(talk->Error(), 0);
      EXPECT_EQ(talk->Data(), value);
      EXPECT_EQ(talk->Address(), 0x40);
      const std::string parameter{static_cast<char>(value & 0xFF), 0x00};
      Await([&] { talk->SetParWithUPID(Bytes({0x02, 0x00, 0x10}) + parameter); });
      EXPECT_EQ(talk->Error(), 0);
      Await([&] { talk->GetParWithUPID(Bytes({0x01, 0x00, 0x10})); });
      EXPECT_EQ(talk->Error(), 0);
      EXPECT_EQ(Hex(talk->DataStr()), Hex(parameter));
      TalkInterfaceFactory()->ReleaseTalkInterface(std::move(talk));
      ShutDown(service, {dsStopping, dsStopped});
      EXPECT_EQ(FramesIn(sim, l.drive).back(), "02");
      EXPECT_FALSE(LinkOpen(service));
    }
  EXPECT_TRUE(Boxes.empty());
}

// The frame each command sends through the device's standard patterns (A 4, D 4).
TEST_F(TalkInterfaceTest, CommandFrames) {
  drivesim::TDriveSim sim({"--udp4"});
  TBasicTalkService* service = NewService(Udp4Link(sim), "GUEST", "");
  StartUp(service, Started);
  auto talk = Interface(service);
  TTalkInterface& t = *talk;
  const struct {
    std::function<void()> command;
    const char* frame;
  } cases[] = {
      {[&] { t.ReadMemory(0x10); }, "10 10 00 00 00"},
      {[&] { t.WriteMemory(0x10, 5); }, "11 10 00 00 00 05 00 00 00"},
      {[&] { t.WriteFlash(0x10, 5); }, "12 10 00 00 00 05 00 00 00"},
      {[&] { t.StartProgram(); }, "20"},
      {[&] { t.StopProgram(); }, "21"},
      {[&] { t.OldStartProgram(0x10); }, "20 10 00 00 00"},
      {[&] { t.EraseFlash(0x10); }, "23 10 00 00 00"},
      {[&] { t.EraseFlashAll(); }, "27"},
      {[&] { t.EraseSWInstance(3); }, "89 0A 03"},
      {[&] { t.ResetDevice(); }, "22"},
      {[&] { t.RebootDevice(1); }, "22 01"},
      {[&] { t.DeviceLogin("pw"); }, "01 70 77"},
      {[&] { t.DeviceLogout(); }, "02"},
      {[&] { t.CopyRamToFlash(1, 2, 3); }, "33 01 00 00 00 02 00 00 00 03 00"},
      {[&] { t.GetFirstEmptyAddr(0x100, 0x200); }, "26 00 01 00 00 00 02 00 00"},
      {[&] { t.BlinkDevice(Bytes({0x01})); }, "05 01"},
      {[&] { t.SetParWithUPID(Bytes({0x03, 0x00, 0x10})); }, "89 03 00 10"},
      {[&] { t.GetParWithUPID(Bytes({0x00, 0x00, 0x10})); }, "88 00 00 10"},
      {[&] { t.ClearInstancePar(1); }, "89 06 01"},
      {[&] { t.ClearInstanceAll(1); }, "89 09 01"},
      {[&] { t.SetInstanceDefPar(1); }, "89 08 01"},
      {[&] { t.GetInstanceTreeName(2); }, "88 10 02"},
      {[&] { t.UpdateUPIDList(); }, "89 07 00"},
      {[&] { t.EraseMemory(); }, "89 0A"},
      {[&] { t.CurveSaveRamToFlash(); }, "90 0D"},
      {[&] { t.CTSaveRamToFlash(); }, "94 08"},
      {[&] { t.GenericCmd(Bytes({0x88, 0x10, 0x01})); }, "88 10 01"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame);
    Await(c.command);
    EXPECT_EQ(FramesIn(sim, "udp4-0").back(), c.frame);
    EXPECT_EQ(t.Error(), 0);
  }
  EXPECT_EQ(t.SWIndex(), 3);
  EXPECT_EQ(t.Address(), 0x10);
  EXPECT_EQ(t.Data(), 0x100);  // the first empty address
  // The answer after command and status: the generic command's, the tree name before it.
  EXPECT_EQ(Hex(t.DataStr()), Hex(Bytes({0x05, 'T', 'r', 'e', 'e', '1'})));
  Await([&] { t.GetInstanceTreeName(2); });
  EXPECT_EQ(t.DataStr(), "Tree2");
}

TEST_F(TalkInterfaceTest, OneCommandAtATime) {
  drivesim::TDriveSim sim({"--udp4"});
  TBasicTalkService* service = NewService(Udp4Link(sim), "GUEST", "");
  StartUp(service, Started);
  auto talk = Interface(service);
  auto* impl = static_cast<TTalkInterfaceImplementation*>(talk.get());
  talk->ReadMemory(0x10);
  EXPECT_EQ(impl->State(), TTalkInterfaceImplementation::stRead);
  EXPECT_THROW_MSG(talk->ReadMemory(0x20), "TalkInterface.ReadMemory: interface not ready");
  EXPECT_THROW_MSG(talk->DeviceLogin(""), "TalkInterface.LoginDevice: interface not ready");
  EXPECT_THROW_MSG(talk->SetBlockUPID(""), "TalkInterface.SetBlockUPID: interface not ready");
  EXPECT_EQ(talk->Address(), 0x10);  // a refused command changes nothing
  EXPECT_TRUE(StepUntil([&] { return Responses == 1; }));
  EXPECT_EQ(impl->State(), TTalkInterfaceImplementation::stIdle);
  Await([&] { talk->ReadMemory(0x20); });
  // No pattern serves blocks by UPID: refused, and the interface stays idle.
  EXPECT_THROW_MSG(talk->SetBlockUPID(Bytes({0x01})), "TalkInterface.SetBlockUPID: not supported");
  EXPECT_THROW_MSG(talk->GetBlockUPID(Bytes({0x01})), "TalkInterface.GetBlockUPID: not supported");
  EXPECT_EQ(impl->State(), TTalkInterfaceImplementation::stIdle);
  // OnResponse may send the next command at once.
  int chained = 0;
  talk->OnResponse = [&](TTalkInterface* Sender) {
    if (++chained == 1) Sender->ReadMemory(0x30);
  };
  talk->ReadMemory(0x20);
  EXPECT_TRUE(StepUntil([&] { return chained == 2; }));
  // Released while its command is on the wire: the late answer goes nowhere.
  talk->ReadMemory(0x40);
  talk.reset();
  auto next = Interface(service);
  Await([&] { next->ReadMemory(0x50); });
  EXPECT_EQ(next->Error(), 0);
}

// An answer that carries no data leaves the results as they were.
TEST_F(TalkInterfaceTest, TimeOutKeepsResults) {
  drivesim::TDriveSim sim({"--udp4"});
  TBasicTalkService* service = NewService(Udp4Link(sim), "GUEST", "");
  StartUp(service, Started);
  auto talk = Interface(service);
  Await([&] { talk->WriteMemory(0x10, 7); });
  Await([&] { talk->ReadMemory(0x10); });
  Await([&] { talk->GetParWithUPID(Bytes({0x00, 0x00, 0x10})); });
  shortTimeout = 50;
  SetMaxNumberOfTries(1);
  sim.Set("silent-next=2");
  Await([&] { talk->ReadMemory(0x10); });
  EXPECT_EQ(talk->Error(), 0xB2);
  EXPECT_EQ(talk->Data(), 7);
  Await([&] { talk->GetParWithUPID(Bytes({0x00, 0x00, 0x10})); });
  EXPECT_EQ(talk->Error(), 0xB2);
  EXPECT_EQ(Hex(talk->DataStr()), Hex(Bytes({0xE8, 0x03})));
  // A drive error without data: the same.
  Await([&] { talk->GetParWithUPID(Bytes({0x00, 0x99, 0x99})); });
  EXPECT_EQ(talk->Error(), 0xC0);
  EXPECT_EQ(Hex(talk->DataStr()), Hex(Bytes({0xE8, 0x03})));
}

// The drive's field sizes go to the talk service, whose patterns use them at once; a
// refused login gives none.
TEST_F(TalkInterfaceTest, DeviceLoginSetsTheSizes) {
  drivesim::TDriveSim sim({"--udp4", "--addr-size=3", "--data-size=2", "--increment=2"});
  TBasicTalkService* service = NewService(Udp4Link(sim), "GUEST", "");
  service->Device()->SetStrVar(u"LoginData", u"04040140");  // sizes the drive does not have
  service->Initialize();
  StartUp(service, Started);
  auto talk = Interface(service);
  sim.Set("another-instance=1");
  Await([&] { talk->DeviceLogin(""); });
  EXPECT_EQ(talk->Error(), 0xB3);
  EXPECT_EQ(service->AddrFieldSize(), 4);
  sim.Set("another-instance=0");
  Await([&] { talk->DeviceLogin(""); });
  EXPECT_EQ(talk->Error(), 0);
  EXPECT_EQ(service->ProtocolVersion(), 0x80);
  EXPECT_EQ(service->AddrFieldSize(), 3);
  EXPECT_EQ(service->DataFieldSize(), 2);
  EXPECT_EQ(service->AddrIncrement(), 2);
  EXPECT_EQ(service->FlashBaseAddr(), 0x100000);
  EXPECT_EQ(service->MaxBufferSize(), 64);  // not the drive's
  Await([&] { talk->WriteMemory(0x12, 0x1234); });
  EXPECT_EQ(FramesIn(sim, "udp4-0").back(), "11 12 00 00 34 12");
  Await([&] { talk->ReadMemory(0x12); });
  EXPECT_EQ(talk->Data(), 0x1234);
}

TEST_F(TalkInterfaceTest, Factory) {
  const TObjectRegistryItem& entry = ObjectRegistryManager().GetObject("TalkInterfaceFactory");
  EXPECT_EQ(entry.Item(), TalkInterfaceFactory());
  EXPECT_EQ(entry.ObjectType(), "TalkInterfaceFactory");
  EXPECT_EQ(entry.Version(), 1);
  EXPECT_EQ(entry.Revision(), 0);
  EXPECT_THROW_MSG(InitTalkInterfaceServer(), "InitTalkInterfaceServer: talk interface factory already exists");
  EXPECT_THROW_MSG(TalkInterfaceFactory()->CreateTalkInterface("NONE"),
                   "TDeviceManager.GetDevice: device with name 'NONE' not found");
  // A device whose "TalkService" is of another class.
  struct TOtherService : TDeviceService {
    using TDeviceService::TDeviceService;
    void StartUp(bool&) override {}
    void ShutDown(bool&) override {}
    void Kill() override {}
  };
  DeviceManager()->RegisterServiceClass("OtherService", DeviceServiceClassOf<TOtherService>());
  TDevice* device = DeviceManager()->CreateDevice("OTHER", "VorlixOnline");
  auto settings = MakeRef<TSLDictionary>();
  settings->AddObject(u"Name", new TSLString(false, u"OtherService"));
  device->CreateService("TalkService", settings.get());
  EXPECT_THROW_MSG(TalkInterfaceFactory()->CreateTalkInterface("other"), "Invalid class typecast");
}

}  // namespace
