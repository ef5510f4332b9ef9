// Drive configurations end to end against drivesim: every parameter class of one drive is
// read into a configuration file through the module service's data interfaces and loaded
// into another drive, of the same release or of the older one, whose differences become
// import warnings and the import log; and the checks a configuration passes before any
// data interface runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ParameterDriveFixture.h"
#include "devices/ImportWarnings.h"
#include "parameters/ParameterTreeData.h"
#include "runtime/ApplicationState.h"
#include "runtime/Conversions.h"
#include "sl/values/Arrays.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

class ConfigurationTransfer : public ParameterDriveFixture {
 protected:
  void SetUp() override {
    ParameterDriveFixture::SetUp();
    // The bundled folder itself: its older release lies below it.
    WorkDir = AnsiToWide(VT_DATA_DIR) + u"/";
    AppDataDir = AnsiToWide((Folder / "user").string()) + u"/";
    SetShowMessageHandler([this](const std::u16string& Text) { Messages.push_back(WideToUtf8(Text)); });
    SetMessageDlgHandler([this](const std::u16string& Text, TMsgDlgType, TMsgDlgButtons Buttons) {
      Questions.push_back(WideToUtf8(Text));
      if (Buttons & MsgDlgButton(mbYes)) return Answer == mrOk ? mrYes : Answer;
      return Answer;
    });
    ApplicationState().ParaRefreshFlag = 1;
    ImportWarnings().Clear();
  }
  void TearDown() override {
    SetShowMessageHandler(nullptr);
    SetMessageDlgHandler(nullptr);
    SetConfigPasswordHandler(nullptr);
    ImportWarnings().Clear();
    ParameterDriveFixture::TearDown();
  }

  TDevice* Login(const TLink& Link, const WideString& User = u"GUEST") {
    TDevice* device = LoginDevice(Link, User);
    EXPECT_EQ(device->State(), dstStarted);
    return device;
  }
  static TModuleService* Module(TDevice* Device) { return Device->Sibling<TModuleService>("ModuleService"); }
  static TParameterService* Parameters(TDevice* Device) {
    return Device->Sibling<TParameterService>("ParameterService");
  }
  void Run(TModuleService* Module, std::int32_t Command) {
    for (int i = 0; Module->ExecuteDataItem(i, Command);)
      ASSERT_TRUE(StepUntil([&] { return Module->ExecuteIdle(); }));
  }
  // Every data object of every interface into the file, as a save of everything does.
  void Save(TDevice* Device, const std::string& File) {
    TModuleService* module = Module(Device);
    module->ClearDataItems();
    for (int i = 0; i < module->GetInterfaceCount(); ++i)
      for (int d = 0; d < module->GetInterface(i)->GetDataCount(); ++d) {
        auto item = std::make_unique<TDataItem>();
        item->CreateDataDict();
        module->GetInterface(i)->GetDataInfo(d, item.get());
        module->AddDataItem(std::move(item));
      }
    Run(module, dcGetData);
    module->SetAdvSaveFlag(true);
    module->SetFileName(File);
    module->SaveToFile();
  }
  // The checks, then the accepted items prepared and put; false when refused.
  bool Load(TDevice* Device, const std::string& File) {
    TModuleService* module = Module(Device);
    module->SetFileName(File);
    module->LoadFromFile();
    if (!module->ActionSuccess()) return false;
    Run(module, dcPrepareImport);
    Run(module, dcPutData);
    return true;
  }
  std::string Value(TDevice* Device, std::int32_t UPID) {
    TValueRec value;
    Parameters(Device)->FindParameter(UPID)->GetScaledValue(value, usSI, "DEC");
    return value.ValueStr.str();
  }
  std::vector<std::string> Warnings() const {
    std::vector<std::string> lines;
    for (const TImpWarnItem& item : ImportWarnings().Items()) lines.push_back(TImportWarnings::LogLine(item));
    return lines;
  }

  TModalResult Answer = mrOk;
  std::vector<std::string> Messages;
  std::vector<std::string> Questions;
};

// A drive's configuration in a file: "Info" in its order and from the drive's parameters,
// one "Parameters" item per class, UPID-valued data as master UPIDs; loaded into another
// drive of the same release, every stored value arrives there, without a warning.
TEST_F(ConfigurationTransfer, SaveAndLoadIntoAnotherDrive) {
  // The monitored UPID names parameter 0x1014 by its device UPID 0x1514; the release
  // text ends in blanks.
  drivesim::TDriveSim source({"--udp4", "--parameter=0x1020,2,0x0F,5396", "--text-parameter=0x0424,16,4,VX2 4.1.0   ",
                              "--parameter=0x3000,2,0x0F,650"});
  drivesim::TDriveSim target({"--udp4", "--running=0"});
  TDevice* from = Login(Udp4Link(source));
  TDevice* to = Login(Udp4Link(target));
  const std::string file = (Folder / "drive.vxc").string();
  Save(from, file);
  ASSERT_FALSE(Module(from)->SaveAbort());
  EXPECT_TRUE(Messages.empty()) << Messages.front();

  TRef<TSLStorageObject> stored(StorageManager->GetObject(file));
  auto* dict = CheckedCast<TSLDictionary>(stored->GetData());
  auto* info = CheckedCast<TSLDictionary>(dict->GetObjWithName(u"Info"));
  std::vector<std::string> keys;
  for (int i = 0; i < info->GetCount(); ++i) keys.push_back(WideToUtf8(info->GetNameAtIndex(i)));
  EXPECT_EQ(keys, (std::vector<std::string>{"Type", "Version", "Trees", "DeviceType", "ControllerType",
                                            "ControllerVersion", "Software", "Port", "L1PW", "L2PW",
                                            "FirmwareRelease"}));
  EXPECT_EQ(info->GetStrWithName(u"Type"), u"Vorlix configuration");
  EXPECT_EQ(info->GetIntWithName(u"Version"), 3);
  EXPECT_EQ(info->GetStrWithName(u"DeviceType"), u"VX2 Servo");
  EXPECT_EQ(info->GetIntWithName(u"ControllerType"), 3073);
  EXPECT_EQ(WideToUtf8(info->GetStrWithName(u"Port")), "ETH " + IntToIPStr(static_cast<std::uint32_t>(from->DeviceIP)));
  EXPECT_EQ(info->GetStrWithName(u"L1PW"), u"user");
  EXPECT_EQ(info->GetStrWithName(u"FirmwareRelease"), u"VX2 4.1.0");
  EXPECT_EQ(Text(info->GetObjWithName(u"Software")),
            Text(Sl("[D /OS_Info [D /SoftwareName 'VX2 OS 4.1' /TreeName 'VXOS_VX2_V4S1_0'] /MC_Info [D /SoftwareName "
                    "'VX2 MC 4.1' /TreeName 'VXMC_VX2_V4S1_0'] /INTF_Info [D /SoftwareName 'VX2 ETH 2.0' /TreeName "
                    "'VXIFETH_VX2_V2S0_0'] /APP_Info [D /SoftwareName 'VX2 Servo 3.2' /TreeName "
                    "'VXAPSERVO_VX2_V3S2_0']]")));
  auto* items = CheckedCast<TSLArray>(dict->GetObjWithName(u"Items"));
  ASSERT_EQ(items->GetCount(), Parameters(from)->GetClassCount());
  TDataItem first(CheckedCast<TSLDictionary>(items->GetObjAtIndex(0)));
  EXPECT_EQ(first.GetTypeName(), u"Parameters");
  EXPECT_EQ(first.GetVersion(), 2);
  EXPECT_EQ(WideToAnsi(first.GetDataName()), Parameters(from)->GetClassRoot(0)->Caption());
  EXPECT_EQ(first.GetDataPath(), u"Configuration");
  EXPECT_NE(ReadText(file).find("Monitored UPID' /Data '4116'"), std::string::npos) << ReadText(file);

  ASSERT_TRUE(Load(to, file));
  EXPECT_TRUE(Questions.empty()) << Questions.front();
  EXPECT_TRUE(Warnings().empty()) << Warnings().front();
  int compared = 0;
  Parameters(from)->ForEachParameter([&](TParameter* Node, bool&) {
    if (Node->UPID() > 0xFFFF || !(Node->AddrUsage() & AddrRomWrite) || Node->IsSafetyParameter()) return;
    EXPECT_EQ(Value(to, Node->MasterUPID()), Value(from, Node->MasterUPID())) << Node->GetPath();
    ++compared;
  });
  EXPECT_GT(compared, 30);
  EXPECT_EQ(Value(to, 12288), "650");
  EXPECT_EQ(Value(to, 4128), "5396");
}

}  // namespace

namespace {

// Into a drive of the older release: after the newer-firmware question and the tree
// message, every difference is reported with its type, values are clamped, a missing
// option and a new parameter defaulted, and the import log holds the warnings.
TEST_F(ConfigurationTransfer, LoadIntoTheOlderRelease) {
  drivesim::TDriveSim source({"--udp4"});
  drivesim::TDriveSim older({"--udp4", "--running=0", "--firmware=older"});
  TDevice* from = Login(Udp4Link(source));
  TDevice* to = Login(Udp4Link(older));
  const std::string file = (Folder / "newer.vxc").string();
  Save(from, file);
  ASSERT_TRUE(Load(to, file));
  ASSERT_EQ(Questions.size(), 2u);
  EXPECT_NE(Questions[1].find("Compatible parameter trees: \r   VXOS_VX2_V4S1_0\r"), std::string::npos) << Questions[1];
  const std::vector<std::string> expected{
      "Warning,3000h, Servo\\Gains\\Position gain, Parameter was set to default value in the source system. The "
      "default value in the destination system is not the same! This will impact the pvl list.",
      "Info,3000h, Servo\\Gains\\Position gain, Maximal value has changed!",
      "Change,3000h, Servo\\Gains\\Position gain, Parameter value too big! It has been set to the maximal value!",
      "Info,3003h, Servo\\Current\\Current limit, Unit changed!",
      "Warning,3017h, Servo\\Current\\Friction coefficient, Parameter does not exist in the destination system!",
      "Change,3016h, Servo\\Commutation, The selected child in the source system does not exist in the destination "
      "system! The parameter has been set to default!",
      "Change,300Bh, Servo\\Gains\\Brake delay, The parameter exists in the destination system but not in the source "
      "system. The parameter has been set to default!",
  };
  const std::vector<std::string> warnings = Warnings();
  for (const std::string& line : expected)
    EXPECT_NE(std::find(warnings.begin(), warnings.end(), line), warnings.end()) << line;
  EXPECT_EQ(Value(to, 12288), "400");
  EXPECT_EQ(Value(to, 12310), "0");
  EXPECT_EQ(Value(to, 12299), "100");

  ImportWarnings().SetFileName(file);
  ImportWarnings().SaveWarnings(false);
  const std::string log = ImportWarnings().FileName();
  ASSERT_EQ(log.rfind((Folder / "user" / "LOG" / "ImpLog_").string(), 0), 0u) << log;
  std::ifstream in(log, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("\r\nConfiguration File Name: " + file + "\r\n\r\nType of Message, UPID, Path, Message\r\n\r\n"),
            std::string::npos)
      << text.str();
  for (const std::string& line : expected) EXPECT_NE(text.str().find(line + "\r\n"), std::string::npos) << line;
}

}  // namespace

namespace {

// The checks before any data interface runs: format versions, the password by user
// level, with the answers of a scripted password window.
TEST_F(ConfigurationTransfer, VersionAndPasswordChecks) {
  drivesim::TDriveSim sim({"--udp4", "--running=0"});
  TDevice* device = Login(Udp4Link(sim));
  const std::string file = (Folder / "checks.vxc").string();
  Save(device, file);
  int asked = 0;
  WideString typedUser, typedPassword;
  bool cancel = false;
  SetConfigPasswordHandler([&](const WideString& Caption, const WideString&, WideString& User, WideString& Password) {
    ++asked;
    EXPECT_EQ(Caption, u"Configuration Password");
    User = typedUser;
    Password = typedPassword;
    return !cancel;
  });
  const struct {
    const char* name;
    std::string info;  // SL entries replacing the saved ones
    const char16_t* user;
    const char16_t* loginPassword;
    const char16_t* typed[2];
    bool cancel;
    bool accepted;
    int asked;
    const char* box;         // the error box, if any
    const char16_t* userAfter;
  } cases[] = {
      {"old version", "/Version 2", u"GUEST", u"", {}, false, false, 0, "Import aborted!\rOld configuration format version!", u"GUEST"},
      {"unknown version", "/Version 4 /FirmwareRelease ''", u"GUEST", u"", {}, false, false, 0,
       "Import aborted!\rUnknown configuration format version!", u"GUEST"},
      {"newer version", "/Version 4", u"GUEST", u"", {}, false, false, 0,
       "Import aborted!\rThis configuration was set up with the software version: VX2 4.1.0 Sim and cannot be imported.\r"
       "Please update ",
       u"GUEST"},
      {"guest not asked", "/L1PW 'secret'", u"GUEST", u"", {}, false, true, 0, nullptr, u"GUEST"},
      {"user with the login password", "/L1PW 'secret'", u"USER", u"secret", {}, false, true, 0, nullptr, u"USER"},
      {"user asked, becomes service", "/L1PW 'secret' /L2PW 'boss'", u"USER", u"user", {u"service", u"boss"}, false,
       true, 1, nullptr, u"SERVICE"},
      {"wrong password", "/L1PW 'secret'", u"USER", u"user", {u"USER", u"guess"}, false, false, 1,
       "Import aborted!\rWrong password!", u"USER"},
      {"cancelled", "/L1PW 'secret'", u"USER", u"user", {u"USER", u"secret"}, true, false, 1, nullptr, u"USER"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRef<TSLStorageObject> stored(StorageManager->GetObject(file));
    auto* dict = CheckedCast<TSLDictionary>(stored->GetData());
    auto* info = CheckedCast<TSLDictionary>(dict->GetObjWithName(u"Info"));
    auto* changes = CheckedCast<TSLDictionary>(Sl("[D " + c.info + " ]"));
    for (int i = 0; i < changes->GetCount(); ++i) {
      const WideString key = changes->GetNameAtIndex(i);
      if (info->NameExists(key)) info->RemoveObject(key);
      info->SetObjWithName(key, changes->GetObjAtIndex(i));
    }
    device->SetStrVar(u"UserName", c.user);
    device->SetStrVar(u"Password", c.loginPassword);
    asked = 0;
    typedUser = c.typed[0] ? c.typed[0] : u"";
    typedPassword = c.typed[1] ? c.typed[1] : u"";
    cancel = c.cancel;
    Questions.clear();
    Module(device)->LoadFromDict(dict);
    EXPECT_EQ(Module(device)->ActionSuccess(), c.accepted);
    EXPECT_EQ(Module(device)->ImportAborted(), !c.accepted);
    EXPECT_EQ(Module(device)->GetDataItemCount() > 0, c.accepted);
    EXPECT_EQ(asked, c.asked);
    if (c.box) {
      ASSERT_EQ(Questions.size(), 1u);
      EXPECT_EQ(Questions[0].rfind(c.box, 0), 0u) << Questions[0];
    } else {
      EXPECT_TRUE(Questions.empty()) << Questions.front();
    }
    EXPECT_EQ(device->GetStrVar(u"UserName"), c.userAfter);
  }
}

}  // namespace
