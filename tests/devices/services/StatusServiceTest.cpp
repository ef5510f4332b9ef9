// The status service against drivesim over a pseudo-terminal and UDP: its start beside
// its sibling services, the device icon following the drive's status word, lost and
// recovered connections, the parameter poll, the drive commands, a swapped drive, and
// the firmware install through the install script.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "LambdaProcedure.h"
#include "StandInService.h"
#include "StorageFixture.h"
#include "TalkServiceFixture.h"
#include "TestUtil.h"
#include "comm/SharedLinkState.h"
#include "devices/ConnectionLostDialog.h"
#include "devices/DeviceLimits.h"
#include "devices/DeviceManager.h"
#include "devices/services/StatusService.h"
#include "runtime/ApplicationState.h"
#include "scripting/ScriptTask.h"
#include "scripting/ScriptTaskManager.h"
#include "sl/SLLimits.h"
#include "sl/interpreter/ContextInterface.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

// The drive's firmware as the module service knows it, with the service activity and
// program start address the test gives.
class FixtureModule : public test::TStandInService, public TServiceActivity {
 public:
  using test::TStandInService::TStandInService;
  void DoGetStrVar(const AnsiString& VarName, AnsiString& Value, bool& Found) override {
    if (VarName != "ProgramStartAddr") return;
    Value = StartAddress;
    Found = true;
  }
  bool IsServiceActive(const AnsiString& AServiceName, bool ADefault) const override {
    return AServiceName == "StatusService" ? Active : ADefault;
  }
  bool Active = true;
  AnsiString StartAddress;
};

// Counts the status service's calls for a parameter poll.
class FixtureParameters : public test::TStandInService, public TParameterRefresh {
 public:
  using test::TStandInService::TStandInService;
  void RefreshParameters() override { ++Refreshes; }
  int Refreshes = 0;
};

TRef<TSLDictionary> Named(const char16_t* ClassName) {
  auto dict = MakeRef<TSLDictionary>();
  dict->AddObject(u"Name", MakeRef<TSLString>(ClassName).get());
  return dict;
}

class StatusServiceTest : public TalkServiceFixture {
 protected:
  void SetUp() override {
    TalkServiceFixture::SetUp();
    DeviceManager()->RegisterServiceClass("FixtureModule", DeviceServiceClassOf<FixtureModule>());
    DeviceManager()->RegisterServiceClass("FixtureParameters", DeviceServiceClassOf<FixtureParameters>());
    DeviceManager()->RegisterServiceClass("StatusService", DeviceServiceClassOf<TStatusService>());
    // A silent drive is noticed within a few hundred milliseconds.
    shortTimeout = 300;
    SetMaxNumberOfTries(2);
    SetConnectionLostHandler([this](const WideString& Message) {
      Dialogs.push_back(WideToUtf8(Message));
      return OnDialog ? OnDialog() : mrRetry;
    });
    SetShowMessageHandler([this](const std::u16string& Text) { Messages.push_back(WideToUtf8(Text)); });
  }
  void TearDown() override {
    SetConnectionLostHandler(nullptr);
    SetShowMessageHandler(nullptr);
    TalkServiceFixture::TearDown();
  }

  // A device on Link with talk, module, parameter and status service, started.
  TStatusService* Started(const TLink& Link, bool WithModule = true) {
    TBasicTalkService* talk = NewService(Link, "guest", "");
    Device = talk->Device();
    // The fixture records the talk service's statuses; the device must hear of them too.
    talk->FOnServiceStatusChange = [this](TDeviceService* Sender, TDeviceServiceStatus Status) {
      Statuses[Sender].push_back(Status);
      Sender->Device()->ServiceStatusChange(Sender, Status);
    };
    Device->InterfaceType = Link.Port.starts_with("ETH") ? ifEthernet : ifRS232;
    if (WithModule) Module = static_cast<FixtureModule*>(Device->CreateService("ModuleService", Named(u"FixtureModule").get()));
    Parameters = static_cast<FixtureParameters*>(Device->CreateService("ParameterService", Named(u"FixtureParameters").get()));
    Status = static_cast<TStatusService*>(Device->CreateService("StatusService", Named(u"StatusService").get()));
    return Status;
  }
  void StartDevice() {
    Device->StartUpServices([](TDevice*) {});
    ASSERT_TRUE(StepUntil([&] { return Device->State() == dstStarted || Device->State() == dstError; }));
  }
  int Image() const { return Device->Model()->ImageIndex(); }
  // The frames the drive received, and those since the mark.
  std::vector<std::string> Frames(const drivesim::TDriveSim& Sim) const { return FramesIn(Sim, Drive); }
  int Polls(const drivesim::TDriveSim& Sim) const {
    const auto frames = Frames(Sim);
    return static_cast<int>(std::count(frames.begin(), frames.end(), "03 00"));
  }
  // Steps the scheduler for a while; for checks that something does not happen.
  void StepFor(std::chrono::milliseconds Time) {
    const auto end = std::chrono::steady_clock::now() + Time;
    StepUntil([&] { return std::chrono::steady_clock::now() > end; });
  }

  TDevice* Device = nullptr;
  FixtureModule* Module = nullptr;
  FixtureParameters* Parameters = nullptr;
  TStatusService* Status = nullptr;
  std::string Drive;  // the drive's name in drivesim's log: "pty0", "udp4-0"
  std::vector<std::string> Dialogs;
  std::vector<std::string> Messages;
  std::function<TModalResult()> OnDialog;
};

// Without the module service nothing starts; a firmware that switches the service off,
// and an offline device, start it without a single request.
TEST_F(StatusServiceTest, StartsBesideItsSiblings) {
  // One drive for each device: a link is one device's.
  drivesim::TDriveSim sim({"--udp4", "--udp4", "--udp4"});
  {
    SCOPED_TRACE("no module service");
    Started(Udp4Link(sim, 0), false);
    StartDevice();
    EXPECT_EQ(Status->ServiceStatus(), dsError);
    EXPECT_TRUE(Logged("couldn't start status service: a required device service is missing"));
  }
  for (const bool offline : {false, true}) {
    SCOPED_TRACE(offline ? "offline device" : "service switched off");
    const int drive = offline ? 2 : 1;
    Drive = "udp4-" + std::to_string(drive);
    Started(Udp4Link(sim, drive));
    Module->Active = offline;
    if (offline) Device->SetDeviceType(dtOffline);
    StartDevice();
    EXPECT_EQ(Status->ServiceStatus(), offline ? dsStarted : dsDisabled);
    StepFor(std::chrono::milliseconds(3 * StatusPollInterval));
    EXPECT_EQ(Polls(sim), 0);
    EXPECT_EQ(Image(), DeviceImage);
  }
}

// The icon follows the status word; a silent drive loses the connection and shows 88,
// the drive answering again recovers it. The provider tells its clients of each change,
// and a module group node shows its error form while its device's controller is in error.
TEST_F(StatusServiceTest, DeviceIconFollowsTheDriveThroughSilenceAndResumption) {
  drivesim::TDriveSim sim({"--pty", "--udp4"});
  for (const bool serial : {true, false}) {
    SCOPED_TRACE(serial ? "pty" : "udp4");
    Drive = serial ? "pty0" : "udp4-1";
    sim.Set("status-word=0x8009");
    Started(serial ? PtyLink(sim) : Udp4Link(sim));
    TModelItem* group = Device->ModulItem();
    group->ModulCode = 2;
    group->AddChild(Device->Model());
    TServiceClient client;
    int updates = 0;
    client.OnUpdate = [&](TServiceClient*) { ++updates; };
    client.Connect(&Status->Provider());
    StartDevice();
    ASSERT_EQ(Status->ServiceStatus(), dsStarted);
    const struct {
      const char* word;
      int image;
      int groupImage;
    } cases[] = {
        {"0x8001", DriveRunningImage, ModuleGroupImage},
        {"0x8000", DriveStoppedImage, ModuleGroupImage},
        {"0x8401", ControllerStartingImage, ModuleGroupImage},
        {"0xA001", ControllerErrorImage, ModuleGroupErrorImage},
        {"0x8001", DriveRunningImage, ModuleGroupImage},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.word);
      sim.Set(std::string("status-word=") + c.word);
      const int seen = updates;
      EXPECT_TRUE(StepUntil([&] { return Image() == c.image && updates > seen; })) << Image();
      EXPECT_EQ(group->ImageIndex(), c.groupImage);
    }
    sim.Set("silent=1");
    ASSERT_TRUE(StepUntil([&] { return Device->DeviceType() == dtConnectionLost; }));
    EXPECT_EQ(Image(), ConnectionLostImage);
    EXPECT_EQ(Status->MainState(), TStatusService::StateRequestFailed);
    sim.Set("silent=0");
    ASSERT_TRUE(StepUntil([&] { return Device->DeviceType() == dtOnline; }));
    EXPECT_TRUE(StepUntil([&] { return Image() == DriveRunningImage; }));
    EXPECT_EQ(Status->MainState(), 0x8001u);
    EXPECT_TRUE(Dialogs.empty());
  }
}

// Bits 15 and 6 together ask the parameter service to poll on every answer, also while
// the status word stays the same; bit 6 without bit 15, or neither, never.
TEST_F(StatusServiceTest, ChangedParametersAreRefreshedOnEveryAnswer) {
  drivesim::TDriveSim sim({"--udp4", "--status-word=0x8041"});
  Drive = "udp4-0";
  Started(Udp4Link(sim));
  StartDevice();
  const int polls = Polls(sim);
  ASSERT_TRUE(StepUntil([&] { return Polls(sim) >= polls + 3 && Parameters->Refreshes >= 4; }));
  EXPECT_EQ(Status->MainState(), 0x8041u);
  for (const char* word : {"0x8001", "0x0041"}) {
    SCOPED_TRACE(word);
    sim.Set(std::string("status-word=") + word);
    ASSERT_TRUE(StepUntil([&] { return Status->MainState() == std::stoul(word, nullptr, 16); }));
    const int refreshes = Parameters->Refreshes;
    const int now = Polls(sim);
    ASSERT_TRUE(StepUntil([&] { return Polls(sim) >= now + 3; }));
    EXPECT_EQ(Parameters->Refreshes, refreshes);
  }
}

// A stop asked while a poll is out goes out before the next poll.
TEST_F(StatusServiceTest, StopDuringAPollGoesOutNext) {
  drivesim::TDriveSim sim({"--udp4", "--delay=150"});
  Drive = "udp4-0";
  Started(Udp4Link(sim));
  StartDevice();
  ASSERT_TRUE(StepUntil([&] { return Image() == DriveRunningImage; }));
  // Once the drive holds the outstanding poll.
  int received = 0;
  ASSERT_TRUE(StepUntil([&] {
    if (Status->WorkState() != TStatusService::wsWait) return false;
    const int n = static_cast<int>(Frames(sim).size());
    if (received == 0) received = n;
    return n > received;
  }));
  received = static_cast<int>(Frames(sim).size());
  Status->StopDevice();
  ASSERT_TRUE(StepUntil([&] { return Image() == DriveStoppedImage; }));
  const auto frames = Frames(sim);
  ASSERT_GE(frames.size(), received + 2u);
  EXPECT_EQ(frames[received], "21");
  EXPECT_EQ(frames[received + 1], "03 00");
}

// Start, reset and blink go out as their telegrams; a start sets "controller starting"
// at once, a reset clears "running" with its answer. A drive without an instance or a
// program start address has nothing to start: the user is told and nothing is sent.
TEST_F(StatusServiceTest, DriveCommands) {
  drivesim::TDriveSim sim({"--pty", "--status-word=0x8008"});
  Drive = "pty0";
  Started(PtyLink(sim));
  StartDevice();
  ASSERT_TRUE(StepUntil([&] { return Image() == DriveStoppedImage; }));
  Status->StartDevice();
  EXPECT_TRUE(StepUntil([&] { return Image() == ControllerStartingImage; }));
  EXPECT_TRUE(StepUntil([&] { return Image() == DriveRunningImage; }));
  Status->ResetDevice();
  EXPECT_TRUE(StepUntil([&] { return Image() == DriveStoppedImage; }));
  Status->BlinkDevice();
  EXPECT_TRUE(StepUntil([&] {
    const auto frames = Frames(sim);
    return std::find(frames.begin(), frames.end(), "05 FF FF 01") != frames.end();
  }));
  auto frames = Frames(sim);
  EXPECT_EQ(std::count(frames.begin(), frames.end(), "20"), 1);
  EXPECT_EQ(std::count(frames.begin(), frames.end(), "22"), 1);

  sim.Set("status-word=0x8000");
  ASSERT_TRUE(StepUntil([&] { return Status->MainState() == 0x8000u; }));
  Status->StartDevice();
  ASSERT_TRUE(StepUntil([&] { return !Messages.empty(); }));
  EXPECT_EQ(Messages[0], "There is no executable firmware on the drive!\rInstall a firmware before you start the drive.");
  EXPECT_TRUE(Logged("There is not executable firmware on the drive!"));
  Module->StartAddress = "00104000";
  Status->StartDevice();
  EXPECT_TRUE(StepUntil([&] {
    frames = Frames(sim);
    return std::count(frames.begin(), frames.end(), "20") == 2;
  }));
  EXPECT_EQ(Messages.size(), 1u);
}

// Another drive answering in place of the one logged in to: over a serial line the dialog
// opens at once, over Ethernet at the third such answer in a row; "Retry" polls on with
// the service's state showing the swap, "Go Offline" takes the device offline without
// logging out. The other drive's status word is never taken for this device's.
TEST_F(StatusServiceTest, SwappedDriveAsksAndGoesOfflineWithoutLogout) {
  drivesim::TDriveSim sim({"--pty", "--udp4"});
  const struct {
    bool serial;
    int answersPerDialog;
  } cases[] = {{true, 1}, {false, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial ? "pty" : "udp4");
    Drive = c.serial ? "pty0" : "udp4-1";
    sim.Set("serial=0x00011234 status-word=0x8009");
    Started(c.serial ? PtyLink(sim) : Udp4Link(sim));
    StartDevice();
    // The identity comes from the first poll's answer (after the start's request): the
    // third request goes out once that is in.
    ASSERT_TRUE(StepUntil([&] { return Polls(sim) >= 3; }));
    Dialogs.clear();
    const std::string swapped = "1 2 3073";  // serial low and high, part number
    const int before = LoggedCount(swapped);
    std::vector<int> answersAtDialog;
    OnDialog = [&] {
      answersAtDialog.push_back(LoggedCount(swapped) - before);
      EXPECT_EQ(Status->MainState(), TStatusService::StateOtherDrive);
      EXPECT_EQ(Image(), ConnectionLostImage);
      return answersAtDialog.size() == 1 ? mrRetry : mrCancel;
    };
    sim.Set("serial=0x00020001 status-word=0x8001");
    ASSERT_TRUE(StepUntil([&] { return Device->DeviceType() == dtOffline && Device->State() == dstStarted; }));
    EXPECT_EQ(answersAtDialog, (std::vector<int>{c.answersPerDialog, 2 * c.answersPerDialog}));
    const std::string link = c.serial ? sim.Ptys()[0] + ": " : "IP Address: 127.0.0.1: ";
    EXPECT_EQ(Dialogs[0], link + "Device has changed! Please reconnect the original device.");
    EXPECT_FALSE(Status->GetOnline());
    EXPECT_TRUE(StepUntil([&] { return Image() == DeviceImage && !LinkOpen(Device->Sibling<TBasicTalkService>("TalkService")); }));
    const auto frames = Frames(sim);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "02"), 0) << "logged out";
  }
}

TEST_F(StatusServiceTest, SetupRefusesUnknownExtensions) {
  drivesim::TDriveSim sim({"--udp4"});
  Started(Udp4Link(sim));
  for (const char* name : {"C:\\fw\\drive.hex", "firmware.hx2\\drive"})
    EXPECT_THROW_MSG(Status->SetupDevice(name, false),
                     std::string("TStatusService.Setup: unknown file extension ") + (name[0] == 'C' ? ".HEX" : ""));
}

// The install script finds the device's name and its stack, and the service sends
// nothing while it runs; the polls go on after its end.
TEST_F(StatusServiceTest, SetupRunsTheInstallScript) {
  test::TStorageEnvironment storage;
  storage.Start();
  StorageManager->AnnounceScriptTaskFactory(std::make_unique<TScriptTaskFactory>());
  InstallScriptTaskManager(std::make_unique<TScriptTaskManager>());
  std::string seen;
  TSLContext* waiting = nullptr;
  auto define = [](const char* Name, std::function<void(TSLContext*)> F) {
    StorageManager->AnnounceSystemProcedure(Name, MakeRef<test::TLambdaProc>(std::move(F)).get());
  };
  define("checkstack", [&](TSLContext* C) {
    seen = std::to_string(C->OperandStack()->GetCount()) + ":";
    TContextInterface* ci = C->ContextInterface();
    seen += PopString(ci) + "|";
    seen += PopString(ci) + "|";
    seen += std::to_string(PopLongint(ci));
  });
  define("waitinstall", [&](TSLContext* C) {
    waiting = C;
    Wait(C->ContextInterface(), nullptr, kNoTimeout);
  });
  storage.WriteCwdFile("PackInst/Load.sct", "[B\r\n  DeviceName checkstack\r\n  waitinstall\r\n]\r\n");

  drivesim::TDriveSim sim({"--udp4"});
  Drive = "udp4-0";
  Started(Udp4Link(sim));
  StartDevice();
  Status->SetupDevice("/firmware/VX2_4_1.Hx3", false);
  ASSERT_TRUE(StepUntil([&] { return waiting && waiting->GetState() == isWaiting; }));
  EXPECT_EQ(seen, "3:" + Device->Name() + "|/firmware/VX2_4_1.Hx3|1");
  const int polls = Polls(sim);
  StepFor(std::chrono::milliseconds(3 * StatusPollInterval));
  EXPECT_EQ(Polls(sim), polls);
  EXPECT_EQ(Status->WorkState(), TStatusService::wsWait);
  Continue(waiting->ContextInterface(), nullptr);
  EXPECT_TRUE(StepUntil([&] { return Polls(sim) >= polls + 2; }));

  // The ended script task is freed with the storage's autorelease pool, before its manager.
  FreeDeviceManager();
  storage.Stop();
  InstallScriptTaskManager(nullptr);
}

}  // namespace
