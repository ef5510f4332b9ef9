// What views show of a device beside its services: the caption of its tree node and its
// path, the info list with the motor-wizard and oscilloscope notices, and the help files
// found by article number in a Doc tree built in a temporary folder.
#include <gtest/gtest.h>

#include <fstream>

#include "DeviceModelTest.h"
#include "TempFolder.h"
#include "devices/HelpFiles.h"
#include "platform/PathResolver.h"
#include "runtime/ApplicationState.h"
#include "runtime/ProgramFolders.h"

using namespace vt;

namespace {

using DeviceInfo = DeviceTest;

TEST_F(DeviceInfo, ModelCaptions) {
  const struct {
    const char* what;
    const char* profile;
    TInterfaceType interface;
    std::uint32_t ethVersion;
    const char16_t* ipv6;
    const char* testFile;
    const char* caption;
  } cases[] = {
      {"serial", "VorlixOnline", ifRS232, 4, u"", nullptr, "Drive, ID 7 on COM3 (SERVICE)"},
      {"IPv4", "VorlixOnline", ifEthernet, 4, u"", nullptr, "Drive, IP: 192.168.1.20 (SERVICE)"},
      {"IPv6 after ::", "VorlixOnline", ifEthernet, 6, u"fe80::12:34", nullptr, "Drive, IPv6:12:34 (SERVICE)"},
      {"IPv6 one colon", "VorlixOnline", ifEthernet, 6, u"ab:cd", nullptr, "Drive, IPv6:ab:cd (SERVICE)"},
      {"IPv6 none", "VorlixOnline", ifEthernet, 6, u"abcd", nullptr, "Drive, IPv6: (SERVICE)"},
      {"online, offline interface", "VorlixOnline", ifOffline, 4, u"", nullptr, ""},
      {"offline file", "VorlixOffline", ifRS232, 4, u"", "C:\\Projects\\Axis 1.vxc",
       "Drive offline (SERVICE) Axis 1.vxc"},
      {"offline file, Linux path", "VorlixOffline", ifRS232, 4, u"", "/home/anna/Axis 2.vxc",
       "Drive offline (SERVICE) Axis 2.vxc"},
      {"offline, no file", "VorlixOffline", ifEthernet, 4, u"", "", "Drive offline (SERVICE)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TDevice* box = c.testFile ? NewDevice({{"ModuleService"}}, c.profile) : NewDevice({}, c.profile);
    if (c.testFile) Scripted(box, "ModuleService")->FileName = c.testFile;
    box->SetCaption("Drive");
    box->SetStrVar(u"UserName", u"SERVICE");
    box->SetStrVar(u"PortName", u"COM3");
    box->DeviceMACID = 7;
    box->DeviceIP = static_cast<std::int32_t>(0xC0A80114);
    box->DeviceIPv6 = c.ipv6;
    box->EthVersion = c.ethVersion;
    box->InterfaceType = c.interface;
    EXPECT_EQ(box->GetModelCaption(), c.caption);
  }
  TDevice* lost = NewDevice({});
  lost->SetCaption("Drive");
  lost->SetDeviceType(dtConnectionLost);
  lost->SetStrVar(u"PortName", u"COM1");
  EXPECT_EQ(lost->GetModelCaption(), "Drive, ID 0 on COM1 ()");
  lost->SetDeviceType(dtArchive);
  EXPECT_EQ(lost->GetModelCaption(), "");
}

TEST_F(DeviceInfo, DevicePathBelowTheModuleNode) {
  TDevice* box = NewDevice({{"ParameterService"}});
  box->SetCaption("Drive");
  box->SetStrVar(u"PortName", u"COM3");
  EXPECT_EQ(box->GetDevicePath(), "Drive, ID 0 on COM3 ()");
  box->ModuleFlag = true;
  box->ModulItem()->SetCaption("Module: 12");
  EXPECT_EQ(box->GetDevicePath(), "Module: 12\\Drive, ID 0 on COM3 ()");
  TDevice* bare = NewDevice({});
  bare->ModuleFlag = true;
  EXPECT_EQ(bare->GetDevicePath(), "");
}

TEST_F(DeviceInfo, OscilloscopeNoticeOnceAndTheShellTold) {
  TDevice* box = NewDevice({});
  int refreshed = 0;
  ApplicationState().OnUpdateInfoWindows = [&] { ++refreshed; };
  box->OsciDataFlag = true;
  box->UpdateInfoListWindow();
  EXPECT_FALSE(box->InfWinVisible());  // taken before this update's notice
  for (int i = 0; i < 2; ++i) box->UpdateInfoListWindow();
  ASSERT_EQ(box->InfoList().size(), 1u);
  EXPECT_EQ(box->InfoList()[0].InfoText, "An Oscilloscope has new data.");
  EXPECT_EQ(box->InfoList()[0].Source, "Oscilloscope");
  EXPECT_EQ(refreshed, 3);
  box->OsciDataFlag = false;
  box->UpdateInfoListWindow();
  EXPECT_TRUE(box->InfWinVisible());
  EXPECT_TRUE(box->InfoList().empty());
  // Texts are keys in any letter case.
  box->AddtoInfoList({"Note", "Test", "Info"});
  box->AddtoInfoList({"NOTE", "Test", "Info"});
  EXPECT_EQ(box->InfoList().size(), 1u);
  box->DelfromInfoList("note");
  EXPECT_TRUE(box->InfoList().empty());
}

// The motor-definition notices, due once after 101 updates, from the parameters of the
// motor wizard (6253) and the motor name (6220).
TEST_F(DeviceInfo, MotorWizardNotice) {
  const char* pnpOnly = "The MotorWizard was not used, the Motor is only defined by PnP.";
  const char* noMotor = "No motor is defined, use the MotorWizard to define a motor, or connect a PnP motor.";
  const struct {
    const char* what;
    std::map<std::uint16_t, AnsiString> parameters;
    const char* notice;
  } cases[] = {
      {"no wizard parameter", {{6220, ""}}, nullptr},
      {"wizard used", {{6253, "1"}, {6220, ""}}, nullptr},
      {"no motor name parameter", {{6253, "0"}}, pnpOnly},
      {"empty motor name", {{6253, "0"}, {6220, ""}}, noMotor},
      {"motor named", {{6253, "0"}, {6220, "LM01"}}, pnpOnly},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TDevice* box = NewDevice({{"ParameterService"}});
    Scripted(box, "ParameterService")->Parameters = c.parameters;
    box->AddtoInfoList({pnpOnly, "Motor Wizard", "Info"});
    box->AddtoInfoList({noMotor, "Motor Wizard", "Info"});
    for (int i = 0; i < 101; ++i) box->UpdateInfoListWindow();
    EXPECT_EQ(box->InfoList().size(), 2u);  // not due yet
    box->UpdateInfoListWindow();
    ASSERT_EQ(box->InfoList().size(), c.notice ? 1u : 0u);
    if (c.notice) {
      EXPECT_EQ(box->InfoList()[0].InfoText, c.notice);
    }
    box->DelfromInfoList(pnpOnly);
    box->DelfromInfoList(noMotor);
    for (int i = 0; i < 200; ++i) box->UpdateInfoListWindow();
    EXPECT_TRUE(box->InfoList().empty());  // checked once only
  }
}

class HelpDocuments : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WorkDir = PathToWide(Folder.Path()) + u"/";
  }
  void TearDown() override {
    WorkDir.clear();
    DeviceTest::TearDown();
  }
  void Touch(const std::string& Name) {
    const auto path = Folder.Path() / Name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "help";
  }
  std::string At(const std::string& Folder) const { return WideToAnsi(WorkDir) + Folder; }

  TempFolder Folder;
};

TEST_F(HelpDocuments, ArticlesByAreaLanguageAndVersion) {
  Touch("Doc/English/Interface/0185-1234_E_1V2_Manual.chm");
  Touch("Doc/English/Interface/0185-1234_E_1V5_Manual.chm");
  Touch("Doc/English/Interface/0185-1234_E_2V0_Manual.chm");  // the highest version
  Touch("Doc/English/Interface/0185-9999_E_9V9_Other.chm");
  Touch("Doc/German/Interface/0185-1234_D_1V0_Handbuch.chm");
  Touch("Doc/English/MotionControl/0185-5678_E_1V0_Motion.chm");
  Touch("Doc/Italian/MotionControl/0185-5678_I_1V0_Moto.chm");
  Touch("Doc/German/Application/0185-4321_D_1V0_Programm.chm");  // not in "Appllication"
  TDevice* box = NewDevice({});
  box->SetHTMLHelp("\\Interface\\0185-1234*");
  box->SetHTMLHelp("\\MotionControl\\0185-5678_*");
  box->SetHTMLHelp("\\Application\\0185-4321_*");
  box->SetHTMLHelp("\\Elsewhere\\0185-0000*");  // no area: nothing

  EXPECT_EQ(box->GetHTMLHelp(1, "English"), At("Doc\\English\\Interface\\0185-1234_E_2V0_Manual.chm"));
  EXPECT_EQ(box->GetHTMLHelp(1, "Deutsch"), At("Doc\\German\\Interface\\0185-1234_D_1V0_Handbuch.chm"));
  EXPECT_EQ(box->GetHTMLHelp(1, "French"), At("Doc\\English\\Interface\\0185-1234_E_2V0_Manual.chm"));
  EXPECT_EQ(box->GetHTMLHelp(0, "Italiano"), At("Doc\\Italian\\MotionControl\\0185-5678_I_1V0_Moto.chm"));
  EXPECT_EQ(box->GetHTMLHelp(0, "Deutsch"), At("Doc\\English\\MotionControl\\0185-5678_E_1V0_Motion.chm"));
  EXPECT_EQ(box->GetHTMLHelp(3, "English"), "");
  // German application help only: without the English entry there is none.
  EXPECT_EQ(box->GetHTMLHelp(2, "Deutsch"), "");
  Touch("Doc/English/Application/0185-4321_E_1V0_Program.chm");
  TDevice* later = NewDevice({});
  later->SetHTMLHelp("\\Application\\0185-4321_*");
  EXPECT_EQ(later->GetHTMLHelp(2, "Deutsch"), At("Doc\\German\\Application\\0185-4321_D_1V0_Programm.chm"));
}

TEST_F(HelpDocuments, FileChoice) {
  Touch("Doc/a/0185-1_x.chm");
  Touch("Doc/a/0185-1_y.chm");  // no versions: the first listed
  Touch("Doc/b/0185-2_E_3V1_x.chm");
  Touch("Doc/b/0185-2_E_3V10_x.chm");
  Touch("Doc/b/0185-2_E_3V2_x.pdf");
  EXPECT_EQ(GetHelpPathWithArtNr("0185-1", At("Doc\\a\\")), At("Doc\\a\\0185-1_x.chm"));
  EXPECT_EQ(GetHelpPathWithArtNr("0185-2", At("Doc\\b\\")), At("Doc\\b\\0185-2_E_3V10_x.chm"));
  EXPECT_EQ(GetHelpPathWithArtNr("0185-3", At("Doc\\b\\")), "");
  EXPECT_EQ(GetHelpPathWithArtNr("", At("Doc\\b\\")), "");  // would match any file
  EXPECT_EQ(GetHelpPathWithArtNr("0185-1", At("Doc\\missing\\")), "");
}

}  // namespace
