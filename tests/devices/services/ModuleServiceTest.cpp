// The module service: devices of the bundled profiles log in to drivesim over a
// pseudo-terminal and UDP and identify the sample firmware's trees; drives with trees
// that have only compatible or no descriptions ask through the tree dialog (and the
// relogin question); offline devices identify the trees of configurations and load
// description files that the test writes.
#include <gtest/gtest.h>

#include <algorithm>

#include "StandInService.h"
#include "StorageFixture.h"
#include "TalkServiceFixture.h"
#include "comm/SharedLinkState.h"
#include "devices/ConnectionLostDialog.h"
#include "devices/DeviceLimits.h"
#include "devices/DeviceManager.h"
#include "devices/LoginWindows.h"
#include "devices/services/ModuleService.h"
#include "devices/services/StatusService.h"
#include "runtime/ProgramFolders.h"
#include "runtime/SettingsTree.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

TSLDictionary* Dict(TSLObject* Obj) { return CheckedCast<TSLDictionary>(Obj); }

class ModuleServiceTest : public TalkServiceFixture, public test::TStorageEnvironment {
 protected:
  void SetUp() override {
    TalkServiceFixture::SetUp();
    Start();
    UseBundledProfiles(*this);
    DeviceManager()->RegisterServiceClass("ModuleService", DeviceServiceClassOf<TModuleService>());
    DeviceManager()->RegisterServiceClass("StatusService", RealStatusService
                                                               ? DeviceServiceClassOf<TStatusService>()
                                                               : DeviceServiceClassOf<test::TStandInService>());
    WorkDir = AnsiToWide(VT_DATA_DIR) + u"/";
    AppDataDir.clear();
    SetLoginInfoHandler([this](const WideString& Line) { Lines.push_back(WideToUtf8(Line)); });
    SetTreeDialogHandler([this](const TTreeDialogRequest& Request) {
      Dialogs.push_back(Request);
      return TreeAnswer;
    });
    SetShowMessageHandler([this](const std::u16string& Text) { Messages.push_back(WideToUtf8(Text)); });
    SetMessageDlgHandler([this](const std::u16string& Text, TMsgDlgType, TMsgDlgButtons Buttons) {
      Questions.push_back(WideToUtf8(Text));
      return Buttons == (MsgDlgButton(mbYes) | MsgDlgButton(mbNo)) ? QuestionAnswer : mrNone;
    });
  }
  void TearDown() override {
    SetLoginInfoHandler(nullptr);
    SetTreeDialogHandler(nullptr);
    SetShowMessageHandler(nullptr);
    SetOfflineTreeChoice(nullptr);
    ClearProgramVariables();
    FreeDeviceManager();
    ProgramRegistry.reset();
    Stop();
    TalkServiceFixture::TearDown();
  }

  TDevice* NewDevice(const char* Profile) {
    return DeviceManager()->CreateDevice("BOX" + std::to_string(++Devices), Profile);
  }
  // Devices of the bundled profiles with their services, which take the link from the
  // device's variables.
  TDevice* NewOnline(const TLink& Link) {
    TDevice* device = NewDevice("VorlixOnline");
    device->SetStrVar(u"PortName", AnsiToWide(Link.Port));
    device->SetStrVar(u"UserName", u"GUEST");
    device->InterfaceType = Link.Port == "ETH" ? ifEthernet : ifRS232;
    device->DeviceIP = Link.IPv4;
    device->DevicePort = Link.UdpPort;
    device->CreateServices();
    return device;
  }
  TDevice* NewOffline(const std::string& ConfigFile) {
    TDevice* device = NewDevice("VorlixOffline");
    device->SetStrVar(u"ConfigFile", AnsiToWide(ConfigFile));
    device->CreateServices();
    return device;
  }
  static TModuleService* Module(TDevice* Device) {
    return static_cast<TModuleService*>(Device->GetService("ModuleService"));
  }
  // Starts the device; its module service.
  TModuleService* Started(TDevice* Device) {
    bool done = false;
    Device->StartUpServices([&](TDevice*) { done = true; });
    EXPECT_TRUE(StepUntil([&] { return done; }));
    return Module(Device);
  }

  static std::vector<std::string> ModuleNames(const TModuleService* Service) {
    std::vector<std::string> names;
    for (int i = 0; i < Service->GetModuleCount(); ++i) names.push_back(WideToUtf8(Service->GetModule(i)->Name()));
    return names;
  }

  bool RealStatusService = false;  // else the stand-in, which never polls
  int Devices = 0;
  std::vector<std::string> Lines;
  std::vector<TTreeDialogRequest> Dialogs;
  std::vector<std::string> Messages;
  std::vector<std::string> Questions;
  TTreeDialogResult TreeAnswer{mrYes, false};
  TModalResult QuestionAnswer = mrYes;
};

// ---- Online ----

const std::vector<std::string> SampleTrees{"VXOS_VX2_V4S1_0", "VXMC_VX2_V4S1_0", "VXIFETH_VX2_V2S0_0",
                                           "VXAPSERVO_VX2_V3S2_0"};
// The login window's lines while the sample firmware is identified.
const std::vector<std::string> SampleLoginLines{
    "Search for parameter trees in the drive.",
    "Parameter tree found: VXOS_VX2_V4S1_0.IN2",
    "Parameter tree found: VXMC_VX2_V4S1_0.IN2",
    "Parameter tree found: VXIFETH_VX2_V2S0_0.IN2",
    "Parameter tree found: VXAPSERVO_VX2_V3S2_0.IN2",
    "",
    "Search disk for the requested in2 files: ",
    "in2 file found: VXOS_VX2_V4S1_0.IN2",
    "in2 file found: VXMC_VX2_V4S1_0.IN2",
    "in2 file found: VXIFETH_VX2_V2S0_0.IN2",
    "in2 file found: VXAPSERVO_VX2_V3S2_0.IN2",
};

// A drive of the bundled profile: the module service walks its info nodes, shows its
// lines, and loads the four bundled descriptions, one per tree level, with their
// switches and memory descriptions; the program node gives the start address.
TEST_F(ModuleServiceTest, OnlineIdentifiesAndLoadsTheSampleFirmware) {
  drivesim::TDriveSim sim({"--pty", "--udp4"});
  for (const bool serial : {true, false}) {
    SCOPED_TRACE(serial ? "pty" : "udp4");
    Lines.clear();
    TModuleService* module = Started(NewOnline(serial ? PtyLink(sim) : Udp4Link(sim)));
    EXPECT_EQ(module->Device()->State(), dstStarted);
    ASSERT_EQ(module->ServiceStatus(), dsStarted);
    EXPECT_EQ(Lines, SampleLoginLines);
    EXPECT_EQ(ModuleNames(module), SampleTrees);
    for (int i = 0; i < module->GetModuleCount(); ++i) {
      EXPECT_NE(module->GetModule(i)->Data(), nullptr);
      EXPECT_EQ(module->GetModule(i)->TreeLevel(), i + 1);
    }
    EXPECT_EQ(module->GetModule(3)->BaseName(), u"VXAPSERVO");
    EXPECT_EQ(module->GetModule(3)->Version(), 3);
    EXPECT_EQ(module->GetModule(3)->SubVersion(), 2);
    EXPECT_EQ(module->OSModuleInfo()->GetStrWithName(u"BaseName"), u"VXOS");
    EXPECT_EQ(module->ApplModuleInfo()->GetStrWithName(u"BaseName"), u"VXAPSERVO");
    EXPECT_EQ(module->TwoSModuleInfo(), nullptr);
    EXPECT_TRUE(module->IsServiceActive("StatusService", false));
    EXPECT_FALSE(module->IsServiceActive("SafetyService", true));
    EXPECT_TRUE(module->IsServiceActive("CurveService", true));
    EXPECT_EQ(module->CurveInfo()->GetIntWithName(u"MaxNumberOfCurves"), 16);
    EXPECT_EQ(module->CurveInfo()->GetIntWithName(u"CurveBlockStartAddr"), 1179648);
    EXPECT_EQ(module->OsciInfo()->GetIntWithName(u"NumberOfSampling"), 1000);
    EXPECT_EQ(module->StartAddrOfCmdTabEntries(), 1310720);
    EXPECT_EQ(module->MDFFileExt(), u"mdf");
    EXPECT_EQ(module->GetStrVar("ProgramStartAddr"), std::to_string(0x00104000));
    EXPECT_TRUE(Dialogs.empty());
    EXPECT_TRUE(Messages.empty());
  }
}

// A drive logged in with the bundled profile and its real status service: the module
// service identifies and loads the sample firmware, the device icon follows the drive's
// status word, and a drive falling silent and answering again loses and recovers the
// connection without asking anything.
class SampleFirmwareLogin : public ModuleServiceTest {
 protected:
  SampleFirmwareLogin() { RealStatusService = true; }
};

TEST_F(SampleFirmwareLogin, IdentifiesLoadsAndFollowsTheDrive) {
  drivesim::TDriveSim sim({"--pty", "--udp4"});
  shortTimeout = 300;  // a silent drive is noticed within a second
  SetMaxNumberOfTries(2);
  std::vector<std::string> lost;
  SetConnectionLostHandler([&](const WideString& Message) {
    lost.push_back(WideToUtf8(Message));
    return mrRetry;
  });
  for (const bool serial : {true, false}) {
    SCOPED_TRACE(serial ? "pty" : "udp4");
    Lines.clear();
    sim.Set("status-word=0x8001");
    TModuleService* module = Started(NewOnline(serial ? PtyLink(sim) : Udp4Link(sim)));
    TDevice* device = module->Device();
    ASSERT_EQ(device->State(), dstStarted);
    EXPECT_EQ(Lines, SampleLoginLines);
    EXPECT_EQ(ModuleNames(module), SampleTrees);
    EXPECT_EQ(device->GetService("StatusService")->ServiceStatus(), dsStarted);
    const auto image = [&] { return device->Model()->ImageIndex(); };
    EXPECT_TRUE(StepUntil([&] { return image() == DriveRunningImage; })) << image();
    sim.Set("status-word=0x8000");
    EXPECT_TRUE(StepUntil([&] { return image() == DriveStoppedImage; })) << image();

    sim.Set("silent=1");
    ASSERT_TRUE(StepUntil([&] { return device->DeviceType() == dtConnectionLost; }));
    EXPECT_EQ(image(), ConnectionLostImage);
    sim.Set("silent=0");
    ASSERT_TRUE(StepUntil([&] { return device->DeviceType() == dtOnline; }));
    EXPECT_TRUE(StepUntil([&] { return image() == DriveStoppedImage; })) << image();
    EXPECT_TRUE(Dialogs.empty());
    EXPECT_TRUE(lost.empty());
  }
  SetConnectionLostHandler(nullptr);
}

// Trees of the drive that have only a compatible description, or none: the tree dialog
// asks, and after a refusal the device does not start; after a missing tree a newer
// description downloaded from the dialog brings the relogin question.
TEST_F(ModuleServiceTest, OnlineDialogAndReloginQuestion) {
  const struct {
    const char* name;
    const char* node;
    TTreeDialogResult answer;
    TModalResult question;
    TDeviceServiceStatus status;
    const char* second;  // the dialog's second button, "" for no dialog
    bool reloginAsked;
    bool relogin;
  } cases[] = {
      {"compatible, Yes", "VXOS_VX2_V4S1_5", {mrYes, false}, mrYes, dsStarted, "No", false, false},
      {"compatible, No", "VXOS_VX2_V4S1_5", {mrNo, false}, mrYes, dsError, "No", false, false},
      {"none", "VXNONE_VX2_V1S0_0", {mrNo, false}, mrYes, dsError, "OK", false, false},
      {"none, new firmware, relogin", "VXNONE_VX2_V1S0_0", {mrNo, true}, mrYes, dsError, "OK", true, true},
      {"none, new firmware, no relogin", "VXNONE_VX2_V1S0_0", {mrNo, true}, mrNo, dsError, "OK", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    drivesim::TDriveSim sim({"--udp4", std::string("--node=5,3,140,") + c.node});
    Lines.clear();
    Dialogs.clear();
    Questions.clear();
    TreeAnswer = c.answer;
    QuestionAnswer = c.question;
    TDevice* device = NewOnline(Udp4Link(sim));
    DeviceManager()->FReloginFlag = true;  // the tree dialog of a missing tree clears it
    TModuleService* module = Started(device);
    EXPECT_EQ(module->ServiceStatus(), c.status);
    EXPECT_EQ(module->Device()->State(), c.status == dsStarted ? dstStarted : dstError);
    ASSERT_EQ(Dialogs.size(), 1u);
    const TTreeDialogRequest& dialog = Dialogs[0];
    EXPECT_EQ(WideToUtf8(dialog.SecondButton), c.second);
    EXPECT_EQ(dialog.FirstButtonVisible, std::string(c.second) == "No");
    const std::string top = WideToUtf8(dialog.TopText);
    EXPECT_NE(top.find("firmware VX2 4.1.0 Sim on this drive"), top.npos) << top;
    EXPECT_NE(top.find(dialog.FirstButtonVisible ? "Compatible descriptions were found" : "is missing"), top.npos)
        << top;
    const std::string details = WideToUtf8(dialog.Details);
    EXPECT_EQ(details.rfind("Parameter trees on the drive:\r VXOS_VX2_V4S1_0\r", 0), 0u) << details;
    EXPECT_NE(details.find(std::string(" ") + c.node + "\r"), details.npos);
    EXPECT_EQ(Questions.size(), c.reloginAsked ? 1u : 0u);
    if (c.reloginAsked) {
      EXPECT_EQ(Questions[0], "A new firmware was found, the login should be possible. Do you want to login again?");
    }
    EXPECT_EQ(DeviceManager()->FReloginFlag, dialog.FirstButtonVisible || c.relogin);
    if (dialog.FirstButtonVisible) {
      EXPECT_NE(std::find(Lines.begin(), Lines.end(), "Compatible in2 file found: VXOS_VX2_V4S1_0.IN2"), Lines.end());
      EXPECT_NE(details.find("Descriptions found:\r VXOS_VX2_V4S1_0.IN2\r"), details.npos);
    }
    if (c.status == dsStarted) {
      EXPECT_EQ(module->GetModuleCount(), 5);
    }
  }
}

// A tree that the drive names twice is taken once, with a message.
TEST_F(ModuleServiceTest, OnlineTreeNamedTwiceIsTakenOnce) {
  drivesim::TDriveSim sim({"--pty", "--node=5,1,140,VXOS_VX2_V4S1_0"});
  TModuleService* module = Started(NewOnline(PtyLink(sim)));
  EXPECT_EQ(module->ServiceStatus(), dsStarted);
  EXPECT_EQ(ModuleNames(module), SampleTrees);
  EXPECT_EQ(Messages, std::vector<std::string>{"VXOS_VX2_V4S1_0 already exists in the module list"});
}

// Without a status service, or on a device of no known type, the service does not start.
TEST_F(ModuleServiceTest, StartRefusedWithoutStatusServiceOrDeviceType) {
  const struct {
    const char* deviceType;
    bool statusService;
    const char* error;
  } cases[] = {
      {"Online", false, "couldn't start module service: a required service is missing"},
      {"Unknown", true, "couldn't start module service: unknown device type"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.deviceType);
    TSLDictionary* profiles = ProgramRegistry->GetDictKey("Devices\\Profiles");
    const WideString profile = AnsiToWide(std::string("Test") + c.deviceType);
    auto dict = MakeRef<TSLDictionary>();
    dict->SetStrWithName(u"DeviceType", AnsiToWide(c.deviceType));
    profiles->SetObjWithName(profile, dict.get());
    TDevice* device = DeviceManager()->CreateDevice("BOX" + std::to_string(++Devices), WideToAnsi(profile));
    for (const char* name : {"TalkService", "ModuleService", "StatusService"}) {
      if (std::string(name) == "StatusService" && !c.statusService) continue;
      auto settings = MakeRef<TSLDictionary>();
      settings->SetStrWithName(u"Name", AnsiToWide(name));
      device->CreateService(name, settings.get());
    }
    auto* module = static_cast<TModuleService*>(device->GetService("ModuleService"));
    bool wait = false;
    module->StartUp(wait);
    EXPECT_EQ(module->ServiceStatus(), dsError);
    EXPECT_FALSE(wait);
    EXPECT_TRUE(Logged(c.error));
  }
}

// ---- Offline ----

class ModuleServiceOffline : public ModuleServiceTest {
 protected:
  void SetUp() override {
    ModuleServiceTest::SetUp();
    WorkDir = AnsiToWide(Root());
    WriteFile("Firmware\\VXOS_VX2_V4S1_0.IN2",
              "[D /ModuleInfo [D /BaseName 'VXOS' /TreeLevel 1 ]"
              " /InstanceInfoDict [D /Probe #1 /NumberOfSampling 500 /Ch_1_Var 'Speed' /Document_1 'Guide.chm' ] ]");
    WriteFile("Firmware\\VXMC_VX2_V4S1_0.IN2",
              "[D /ModuleInfo [D /BaseName 'VXMC' /TreeLevel 2 ]"
              " /InstanceInfoDict [D /Probe #0 /Other #0 /NumOfCurves 8 /MCDataFile 'Moves.stx'"
              " /Document_2 'GUIDE.CHM' /Document_3 'Tuning.chm' ] ]");
    WriteFile("Firmware\\VXBAD_VX2_V1S0_0.IN2", "[A 1 2 ]");
    WriteFile("Firmware\\VXDUP_VX2_V1S0_0.IN2", "[D /InstanceInfoDict [D /Ch_1_Var 'Force' ] ]");
  }
  // A configuration file: its "Info" entries and its trees ("" for none).
  std::string Config(const std::string& Info, const std::vector<std::string>& Trees, bool WithTrees = true) {
    std::string text = "[D /Info [D " + Info + " ]";
    if (WithTrees) {
      text += " /Trees [A";
      for (const std::string& t : Trees) text += " [D /TreeName '" + t + "' ]";
      text += " ]";
    }
    WriteFile("Device.cfg", text + " ]");
    return At("Device.cfg");
  }
};

const std::string V3 = "/Version 3 /FirmwareRelease 'VX2 9.9'";

// Configurations whose trees have exact, compatible or no descriptions, configurations
// that cannot be opened, and descriptions that cannot be loaded.
TEST_F(ModuleServiceOffline, ConfigurationTable) {
  const struct {
    const char* name;
    std::string info;
    std::vector<std::string> trees;
    bool withTrees;
    TModalResult answer;
    TDeviceServiceStatus status;
    const char* second;   // the tree dialog's second button, "" for none
    const char* message;  // a message box, or a log line, "" for none
  } cases[] = {
      {"exact", V3, {"VXOS_VX2_V4S1_0", "VXMC_VX2_V4S1_0"}, true, mrNone, dsStarted, "", ""},
      {"compatible, Yes", V3, {"VXOS_VX2_V4S1_9"}, true, mrYes, dsStarted, "No", ""},
      {"compatible, No", V3, {"VXOS_VX2_V4S1_9"}, true, mrNo, dsError, "No", ""},
      {"none", V3, {"VXOS_VX2_V4S1_0", "VXNONE_VX2_V1S0_0"}, true, mrNo, dsError, "OK", ""},
      {"no trees", V3, {}, false, mrNo, dsError, "OK", ""},
      {"old version", "/Version 2", {"VXOS_VX2_V4S1_0"}, true, mrNone, dsError, "",
       "Old configuration format version! This configuration cannot be imported!"},
      {"newer version", "/Version 4", {"VXOS_VX2_V4S1_0"}, true, mrNone, dsError, "",
       "Unknown configuration format version! This configuration cannot be imported!"},
      {"unreadable description", V3, {"VXOS_VX2_V4S1_0", "VXBAD_VX2_V1S0_0"}, true, mrNone, dsError, "",
       "couldn't load module 'VXBAD_VX2_V1S0_0' (Invalid class typecast)"},
      {"channel named twice", V3, {"VXOS_VX2_V4S1_0", "VXDUP_VX2_V1S0_0"}, true, mrNone, dsError, "",
       "couldn't load module 'VXDUP_VX2_V1S0_0' ("},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Dialogs.clear();
    Messages.clear();
    TreeAnswer = {c.answer, true};
    TModuleService* module = Started(NewOffline(Config(c.info, c.trees, c.withTrees)));
    EXPECT_EQ(module->ServiceStatus(), c.status);
    EXPECT_EQ(module->Device()->State(), c.status == dsStarted ? dstStarted : dstError);
    EXPECT_TRUE(Questions.empty());  // an offline device is not logged in again
    if (*c.message) {
      const bool shown = !Messages.empty() && Messages[0] == c.message;
      EXPECT_TRUE(shown || Logged(c.message)) << c.message;
    } else {
      EXPECT_TRUE(Messages.empty());
    }
    if (std::string(c.message).rfind("couldn't", 0) == 0) {
      EXPECT_EQ(module->GetModuleCount(), 0);
    }
    ASSERT_EQ(Dialogs.size(), *c.second ? 1u : 0u);
    if (!*c.second) continue;
    const TTreeDialogRequest& dialog = Dialogs[0];
    EXPECT_EQ(WideToUtf8(dialog.SecondButton), c.second);
    EXPECT_EQ(dialog.FirstButtonVisible, std::string(c.second) == "No");
    const std::string top = WideToUtf8(dialog.TopText);
    EXPECT_EQ(top.rfind("The configuration was saved from the firmware VX2 9.9,", 0), 0u) << top;
    EXPECT_NE(top.find(dialog.FirstButtonVisible ? "Compatible descriptions were found" : "is missing"), top.npos)
        << top;
  }
}

// A configuration that cannot be opened shows why, and the device does not start.
TEST_F(ModuleServiceOffline, MissingConfigurationShowsTheReason) {
  const std::string file = At("Missing.cfg");
  TModuleService* module = Started(NewOffline(file));
  EXPECT_EQ(module->ServiceStatus(), dsError);
  EXPECT_EQ(module->Device()->State(), dstError);
  EXPECT_EQ(Messages, std::vector<std::string>{"TStorageManager.GetObject: object with name '" + file + "' not found"});
  EXPECT_TRUE(Dialogs.empty());
}

// The details list the configuration's trees and the files found for them.
TEST_F(ModuleServiceOffline, DialogDetails) {
  TreeAnswer = {mrNo, false};
  Started(NewOffline(Config(V3, {"VXOS_VX2_V4S1_9", "VXMC_VX2_V4S1_0"})));
  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(WideToUtf8(Dialogs[0].Details),
            "Parameter trees in the configuration:\r VXOS_VX2_V4S1_9\r VXMC_VX2_V4S1_0\r\r"
            "Descriptions found:\r VXOS_VX2_V4S1_0.IN2\r VXMC_VX2_V4S1_0.IN2\r\r");
}

class TTestWizard : public TOfflineTreeChoice {
 public:
  int GetNumberOfIniFile() const override { return 2; }
  AnsiString GetNameAtIndex(int Index) const override { return Index == 0 ? "EVXOS_VX2_V4S1_0" : "VXMC_VX2_V4S1_0"; }
  AnsiString FirmwareRelease() const override { return "VX2 9.9"; }
};

// The same trees from a configuration file, from a dictionary handed over, and from the
// offline-configuration wizard: the module data of both descriptions, the first
// module's switch counting, documents listed once.
TEST_F(ModuleServiceOffline, ModuleDataFromEachSource) {
  TTestWizard wizard;
  SetOfflineTreeChoice(&wizard);
  const std::string file = Config(V3, {"VXOS_VX2_V4S1_0", "VXMC_VX2_V4S1_0"});
  TRef<TSLDictionary> dict(Dict(Sl("[D /Info [D " + V3 + " ] /Trees [A [D /TreeName 'VXOS_VX2_V4S1_0' ]"
                                   " [D /TreeName 'VXMC_VX2_V4S1_0' ] ] ]")));
  for (const std::string& source : {file, std::string("DataDict"), std::string("CREATEOFFLINE")}) {
    SCOPED_TRACE(source);
    TDevice* device = NewOffline(source);
    Module(device)->SetDataDict(dict.get());  // read only for "DataDict"
    TModuleService* module = Started(device);
    ASSERT_EQ(module->ServiceStatus(), dsStarted);
    EXPECT_EQ(module->FileName(), source);
    EXPECT_EQ(ModuleNames(module), (std::vector<std::string>{"VXOS_VX2_V4S1_0", "VXMC_VX2_V4S1_0"}));
    EXPECT_EQ(module->OSModuleInfo()->GetStrWithName(u"BaseName"), u"VXOS");
    EXPECT_EQ(module->MCModuleInfo()->GetStrWithName(u"BaseName"), u"VXMC");
    EXPECT_EQ(module->IntfModuleInfo(), nullptr);
    EXPECT_TRUE(module->IsServiceActive("Probe", false));
    EXPECT_FALSE(module->IsServiceActive("Other", true));
    EXPECT_TRUE(module->IsServiceActive("Absent", true));
    EXPECT_FALSE(module->IsServiceActive("Absent", false));
    EXPECT_EQ(module->OsciInfo()->GetIntWithName(u"NumberOfSampling"), 500);
    EXPECT_EQ(module->OsciInfo()->GetStrWithName(u"Ch_1_Var"), u"Speed");
    EXPECT_EQ(module->CurveInfo()->GetIntWithName(u"MaxNumberOfCurves"), 8);
    ASSERT_EQ(module->GetNumberOfMotioncmdListFiles(), 1);
    EXPECT_EQ(module->GetMotionCmdListFileName(0), u"Moves.stx");
    ASSERT_EQ(module->GetNumberOfDocuments(), 2);
    EXPECT_EQ(module->GetDocAtIndex(0), u"Guide.chm");
    EXPECT_EQ(module->GetDocAtIndex(1), u"Tuning.chm");
    EXPECT_EQ(module->StartAddrOfCmdTabEntries(), -1);
    EXPECT_EQ(module->ADFFileExt(), u"adf");
    // No program node: the variable is not answered.
    EXPECT_EQ(module->GetStrVar("ProgramStartAddr"), "");
  }
  EXPECT_TRUE(Dialogs.empty());
}

}  // namespace
