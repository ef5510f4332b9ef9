// The whole program in a child process of the test, offscreen, on a program folder whose
// serial port "drive1.pty" is drivesim's pseudo-terminal: the automatic login of the
// settings, a login through the login dialog over UDP, one to a drive that has gone
// silent, two axes of one module, and devices created offline from firmware scripts.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ChildProgram.h"
#include "Launcher.h"
#include "OffscreenApp.h"
#include "ParameterValues.h"
#include "TempFolder.h"
#include "comm/forms/DeviceLoginDialog.h"
#include "config/forms/ConfWizard.h"
#include "devices/DeviceManager.h"
#include "devices/forms/LoginInfoForm.h"
#include "parameters/forms/MissingUPIDForm.h"
#include "platform/Dialogs.h"
#include "platform/PathResolver.h"
#include "shell/forms/MainForm.h"
#include "ui/forms/IpAddressEdit.h"
#include "ui/forms/ToggleSwitch.h"

using namespace vt;
using namespace vt::test;
namespace fs = std::filesystem;

namespace {

int OpenDevices() {
  TempFolder home, dir;
  const fs::path program = ProgramFolder(dir.Path());
  // The second UDP drive falls silent before it is logged in to.
  // The automatic login is USER without a password: the drive has none for USER.
  drivesim::TDriveSim sim({"--pty=" + (dir.Path() / "drive1.pty").string(), "--udp4", "--udp4", "--user-password="});
  TChildProgram run(home, dir, program);
  TMainForm& form = run.Form;
  int& step = run.Step;

  // The offline files: each refused with its text, or (no text) a project container.
  const auto write = [&](const char* Name, const char* Text) {
    std::ofstream(dir.Path() / Name) << Text;
    return dir.Path() / Name;
  };
  const struct {
    fs::path file;
    std::string error;
  } offline[] = {
      {dir.Path() / "none.vxc2", "The configuration file " + (dir.Path() / "none.vxc2").string() + " was not found."},
      {write("old.vxc2", "[D /Info [D /Type 'Vorlix configuration' /Version 2 ] ]\r\n"),
       "Login aborted!\r Old configuration format version! This configuration cannot be opened!"},
      {write("newer.vxc2", "[D /Info [D /Type 'Vorlix configuration' /Version 4 /FirmwareRelease '6.5' ] ]\r\n"),
       "Login aborted!\rThis configuration was set up with the software version: 6.5 and cannot be opened.\r"
       "Please update Vorlix-Talk available from https://vorlix.example."},
      {write("guarded.vxc2", "[D /Info [D /Type 'Vorlix configuration' /Version 3 /L1PW 'secret' ] ]\r\n"),
       "Wrong password!"},
      {write("project.vxc2", "[D /Info [D /Type 'Vorlix project' ] /Items [A ] ]\r\n"), ""},
  };
  std::size_t offlineCase = 0;
  std::vector<std::string>& errors = run.Errors;
  int containers = 0;
  form.OpenOffline = [&](TSLDictionary&) { ++containers; };

  run.Drive([&] {
    const TModelItem* root = DeviceManager()->ModelManager().Root();
    switch (step) {
      case 1:  // the automatic login started "Box1" and filed it under the root
        if (!Started("Box1") || form.MainState != stReady) return;
        if (DeviceManager()->GetDevice("Box1")->Model()->Parent() != root) run.Finish(step);
        // "Ignore all missing UPIDs" holds until the next device is created.
        dynamic_cast<TMissing_UPID&>(MissingUPIDPrompt()).findChild<QCheckBox*>("CB_all")->setChecked(true);
        run.Login();
        ++step;
        return;
      case 2:
      case 5:
        if (run.FillDialog(sim.Udp4Ports().at(step == 2 ? 0 : 1))) ++step;
        return;
      case 3:  // BOX2 started; the window showed the wait text and the success, and closed
        if (!Started("BOX2") || form.MainState != stReady || !Shows(form, "Login process successfull completed!"))
          return;
        if (!Shows(form, "Please wait, the login is in progress...") || form.LoginInfoForm->isVisible())
          run.Finish(step);
        if (DeviceManager()->GetDevice("BOX2")->Model()->Parent() != root) run.Finish(step);
        if (MissingUPIDPrompt().IgnoreAll()) run.Finish(step);
        sim.Set("2 silent=1");
        ++step;
        run.Login();
        ++step;
        return;
      case 6:  // the silent drive's device is gone; the window stays with Close enabled
        if (!Shows(form, "An error has occurred during the login process!") ||
            DeviceManager()->DeviceExists("BOX3") || form.MainState != stReady)
          return;
        if (!form.LoginInfoForm->isVisible() || !form.LoginInfoForm->CloseBtn->isEnabled()) run.Finish(step);
        form.LoginInfoForm->CloseBtn->click();
        errors.clear();  // the silent drive's own box
        run.Login();
        ++step;
        return;
      case 7:  // offline, from the file of the current case
        if (!form.DeviceLoginDialog->isVisible()) return;
        form.DeviceLoginDialog->findChild<QRadioButton*>("OfflineRadio")->setChecked(true);
        form.DeviceLoginDialog->findChild<QLineEdit*>("OfflineEdit")->setText(
            QString::fromStdString(offline[offlineCase].file.string()));
        form.DeviceLoginDialog->findChild<QLineEdit*>("UserEdt")->setText("USER");
        form.DeviceLoginDialog->findChild<QPushButton*>("OKBtn")->click();
        ++step;
        return;
      case 8:  // refused with its text, or handed to the open-project dialog; no device left
        if (form.MainState != stReady || (errors.empty() && !containers)) return;
        if (DeviceManager()->DeviceExists("BOX3")) run.Finish(step);
        if (offline[offlineCase].error.empty() ? containers != 1 || !errors.empty()
                                               : errors != std::vector<std::string>{offline[offlineCase].error})
          run.Finish(100 + int(offlineCase));
        errors.clear();
        if (++offlineCase == std::size(offline)) run.Finish(0);
        run.Login();
        step = 7;
    }
  });
}

// The drive options of one axis of the module 12.3.7 named Name.
std::vector<std::string> ModuleAxis(const char* Name, std::vector<std::string> Drives) {
  for (const char* option : {"--parameter=6338,2,4,12", "--parameter=6339,2,4,3", "--parameter=6340,2,4,7"})
    Drives.emplace_back(option);
  Drives.push_back(std::string("--text-parameter=1000,16,0x0F,") + Name);
  return Drives;
}

// Two drives of one module, the automatic login's AXIS1 and AXIS2 through the dialog, are
// filed under one entry that names both; a drive whose reads fail three times while it
// starts fails the login, leaves no device and joins no entry.
int OpenModuleAxes() {
  TempFolder home, dir;
  const fs::path program = ProgramFolder(dir.Path());
  drivesim::TDriveSim first(
      ModuleAxis("AXIS1", {"--pty=" + (dir.Path() / "drive1.pty").string(), "--user-password="}));
  drivesim::TDriveSim second(ModuleAxis("AXIS2", {"--udp4", "--udp4"}));
  TChildProgram run(home, dir, program);
  const TModelItem* group = nullptr;
  // The module's one entry below the root, captioned Caption, with both axes below it.
  const auto filed = [&](const char* Caption) {
    const TModelItem* root = DeviceManager()->ModelManager().Root();
    int modules = 0;
    for (int i = 0; i < root->GetChildCount(); ++i) modules += root->GetChild(i)->Caption().starts_with("Module: ");
    return modules == 1 && group->Parent() == root && group->Caption() == Caption && group->GetChildCount() == 2 &&
           DeviceManager()->GetDevice("BOX2")->Model()->Parent() == group;
  };

  run.Drive([&] {
    switch (run.Step) {
      case 1:
        if (!Started("Box1") || run.Form.MainState != stReady) return;
        group = DeviceManager()->GetDevice("Box1")->Model()->Parent();
        run.Login();
        ++run.Step;
        return;
      case 2:
      case 4:
        if (run.FillDialog(second.Udp4Ports().at(run.Step == 2 ? 0 : 1))) ++run.Step;
        return;
      case 3:  // AXIS2 joined AXIS1's entry; the next drive of the module fails its reads
        if (!Started("BOX2") || run.Form.MainState != stReady) return;
        if (!group || !filed("Module: 12.3.007: AXIS1 / AXIS2")) run.Finish(run.Step);
        second.Set("1 fail-reads=4096:3");
        run.Login();
        ++run.Step;
        return;
      case 5:  // the failed start leaves no device and the module's entry as it was
        if (!Shows(run.Form, "An error has occurred during the login process!") ||
            DeviceManager()->DeviceExists("BOX3") || run.Form.MainState != stReady)
          return;
        if (!run.Form.LoginInfoForm->CloseBtn->isEnabled() || !filed("Module: 12.3.007: AXIS1 / AXIS2"))
          run.Finish(run.Step);
        run.Finish(0);
    }
  });
}

// A firmware script of Version whose catalogue offers one drive type "VX2 Test" with an
// operating system only (no motion control, interface or application), release 6.12 B7.
std::string TestFirmwareScript(int Version) {
  return "[D /FirmwareScriptVer " + std::to_string(Version) +
         " /Init [B /Controllers [A [D /Name 'VX2 Test' /TypeSupported 1 /VxTypeExt 'T1' ] ]"
         " /OSInfoDict [D /T1 [D /TreeFileName 'EVXTOS_' /TreeVersion 1 /TreeSubVersion 0 /TreeBetaInfo '0'"
         " /SWVersion 1 /SWSubVersion 5 /SWBetaInfo '' ] ] /MCInfoDict [D ]"
         " /RelInfoDict [D /T1 [D /RelVersion 6 /RelSubVersion 12 /RelBuildInfo 'B7' /RelString 'Test 6.12' ] ] ] ]\r\n";
}

// The description of that operating system: every module's identification, each
// starting at a value nothing writes ('keep', 77).
std::string TestOSTree() {
  std::string records =
      "[R [D:Directory /UPID 65537 /Level 1 /Caption 'System' /Permission 255 /AddrUsage 0 /UseVFlag '' ]"
      " [A 65537 1 'System' 255 0 '' ] ]\r\n";
  for (int upid : {1300, 1320, 1325, 1332, 1340, 1360, 1458, 1482, 1060, 1000, 1020})
    records += "[R [D:String /UPID " + std::to_string(upid) +
               " /Level 2 /Caption 'T' /Permission 85 /AddrUsage 4 /UseVFlag '' /DefValue 'keep' /MaxSize 32 ]"
               " [A " + std::to_string(upid) + " 2 'T' 85 4 '' 'keep' 32 ] ]\r\n";
  for (int upid : {1337, 1330, 1331, 1370, 1371, 1377, 1492, 1493, 1410, 1450, 52, 53})
    records += "[R [D:UInt16 /UPID " + std::to_string(upid) +
               " /Level 2 /Caption 'N' /Permission 85 /AddrUsage 4 /UseVFlag '' /UUID 4 /MinValue 0"
               " /MaxValue 65535 /DefValue 77 /DisplayMode 'DEC' ] [A " + std::to_string(upid) +
               " 2 'N' 85 4 '' 4 0 65535 77 'DEC' ] ]\r\n";
  return "[D /ModuleInfo [D /FileName 'VXTOS_T1_V1S0_0' /BaseName 'VXTOS' /SubName 'T1' /BetaInfo '0' /Version 1"
         " /SubVersion 0 /TreeID 9 /TreeLevel 1 ] /ParameterArray [A\r\n" + records + "] ]\r\n";
}

// Configurations created offline: from the installed firmware script, whose choice gives
// the identification the simulated drive reports; from a chosen script without motion
// control, which leaves the motion control's and the safety's parameters alone; and a
// script of version 5 refused on both paths, as no catalogue of it can be named.
int CreateOffline() {
  TempFolder home, dir;
  const fs::path program = ProgramFolder(dir.Path());
  // A firmware folder of its own, so that a script can join the bundled ones.
  const fs::path firmware = dir.Path() / "Firmware";
  const fs::path bundled = fs::read_symlink(firmware);
  fs::remove(firmware);
  fs::create_directory(firmware);
  for (const auto& entry : fs::directory_iterator(bundled))
    fs::create_symlink(entry.path(), firmware / entry.path().filename());
  drivesim::TDriveSim sim({"--pty=" + (dir.Path() / "drive1.pty").string(), "--user-password="});
  TChildProgram run(home, dir, program);
  TMainForm& form = run.Form;
  std::vector<std::string>& errors = run.Errors;
  const std::string unknown = "Unknown firmware script version! Create offline function disabled!";
  SetConfWizardHandler([](TConfWizard& Dialog) { Dialog.OKBtn->click(); });
  fs::path chosen;
  const auto createOffline = [&](const char* Profile) {
    QTimer::singleShot(0, [&form, Profile] { form.CreateDevice(nullptr, Profile); });
  };
  // The open dialog of the older-release path, answered with the chosen file as typed.
  const auto answerFileDialog = [&] {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QFileDialog*>(window); dialog && dialog->isVisible()) {
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(chosen.string()));
        static_cast<QDialog*>(dialog)->accept();
      }
  };
  const auto newest = [] {
    TDeviceManager* manager = DeviceManager();
    return manager->GetDeviceAtIndex(manager->GetDeviceCount() - 1);
  };
  const auto created = [&](int Count) {
    return DeviceManager()->GetDeviceCount() == Count && newest()->State() == dstStarted &&
           form.MainState == stReady;
  };

  run.Drive([&] {
    switch (run.Step) {
      case 1:
        if (!Started("Box1") || form.MainState != stReady) return;
        createOffline("VorlixCreateOffline");
        ++run.Step;
        return;
      case 2: {  // the installed script's choice: what the drive itself reports
        if (!created(2)) return;
        const TDevice* online = DeviceManager()->GetDevice("Box1");
        const TDevice* offline = newest();
        if (offline->DeviceType() != dtOffline || !Shows(form, "Login process successfull completed!"))
          run.Finish(run.Step);
        for (int upid : {52,   53,   1300, 1320, 1325, 1330, 1331, 1332, 1337, 1340, 1360, 1365, 1370, 1371, 1372,
                         1377, 1380, 1400, 1405, 1410, 1411, 1412, 1417, 1420, 1440, 1445, 1450, 1451, 1452, 1457})
          if (ValueText(offline, upid) != ValueText(online, upid) || ValueText(online, upid) == "missing") {
            std::fprintf(stderr, "%d: %s, the drive's %s\n", upid, ValueText(offline, upid).c_str(),
                         ValueText(online, upid).c_str());
            run.Finish(200 + upid);
          }
        if (ValueText(offline, 1060) != "4.1 Sim" || ValueText(offline, 1000) != "VX2 Servo" ||
            ValueText(offline, 1020) != "VX2 Servo")
          run.Finish(run.Step);
        std::ofstream(dir.Path() / "VXTOS_T1_V1S0_0.IN2") << TestOSTree();
        std::ofstream(dir.Path() / "older.stx") << TestFirmwareScript(4);
        std::ofstream(dir.Path() / "newer.stx") << TestFirmwareScript(5);
        chosen = dir.Path() / "older.stx";
        createOffline("VorlixCreateOfflineOldRel");
        ++run.Step;
        return;
      }
      case 3: {  // the chosen script: no motion control, no safety module
        answerFileDialog();
        if (!created(3)) return;
        const TDevice* device = newest();
        const std::pair<int, const char*> expected[] = {
            {1300, "VXTOS_T1_V1S0_0"}, {1320, "VXTOS"}, {1325, "T1"}, {1332, "0"}, {1337, "9"}, {1330, "1"},
            {1331, "5"}, {1340, "keep"}, {1360, "keep"}, {1370, "77"}, {1371, "77"}, {1377, "77"},
            {1458, "keep"}, {1482, "keep"}, {1492, "77"}, {1493, "77"}, {1410, "0"}, {1450, "0"},
            {1060, "6.12 B7"}, {52, "6"}, {53, "12"}, {1000, "VX2 Test"}, {1020, "VX2 Test"}};
        for (const auto& [upid, value] : expected)
          if (ValueText(device, upid) != value) {
            std::fprintf(stderr, "%d: %s\n", upid, ValueText(device, upid).c_str());
            run.Finish(300 + upid);
          }
        if (!errors.empty()) run.Finish(run.Step);
        chosen = dir.Path() / "newer.stx";
        createOffline("VorlixCreateOfflineOldRel");
        ++run.Step;
        return;
      }
      case 4:  // version 5 chosen: refused before the dialog
      case 5:  // version 5 installed (first by name): refused by the dialog
        answerFileDialog();
        if (errors.empty() || form.MainState != stReady) return;
        if (errors != std::vector<std::string>{unknown} || DeviceManager()->GetDeviceCount() != 3)
          run.Finish(run.Step);
        errors.clear();
        if (run.Step == 5) run.Finish(0);
        std::ofstream(firmware / "Firmware_A.stx") << TestFirmwareScript(5);
        createOffline("VorlixCreateOffline");
        ++run.Step;
    }
  });
}

TEST(OpeningDevices, AutomaticLoginThenTheDialogOverUdpThenASilentDrive) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(OpenDevices()), ::testing::ExitedWithCode(0), "");
}

TEST(OpeningDevices, TwoAxesOfOneModuleThenAFailedStart) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(OpenModuleAxes()), ::testing::ExitedWithCode(0), "");
}

TEST(OpeningDevices, CreatedOfflineFromTheInstalledAndAChosenFirmwareScript) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(CreateOffline()), ::testing::ExitedWithCode(0), "");
}

// Without windows the program logs in at once and ends with the script's result when the
// login is over.
TEST(OpeningDevices, WithoutWindowsTheAutomaticLoginRunsBeforeTheEnd) {
  TempFolder home, dir;
  const fs::path program = ProgramFolder(dir.Path(), true);
  drivesim::TDriveSim sim({"--pty=" + (dir.Path() / "drive1.pty").string(), "--user-password="});
  const fs::path script = dir.Path() / "result.sct";
  std::ofstream(script) << "[B 7 ]\r\n";
  const std::string command = "XDG_DATA_HOME=" + home.Path().string() + " QT_QPA_PLATFORM= DISPLAY= " +
                              program.string() + " -NoForm -NoAuto -script:" + script.string() + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = ::pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status)) << output;
  EXPECT_EQ(WEXITSTATUS(status), 7) << output;
  EXPECT_EQ(output.find("rror"), std::string::npos) << output;
  // Logged in, its trees searched to the end (the search's last answer, 25 80), polled.
  std::string frames;
  for (const std::string& line : sim.LogLines()) frames += line + "\n";
  EXPECT_NE(frames.find("pty0 in: 01\n"), std::string::npos) << frames;
  EXPECT_NE(frames.find("pty0 out: 25 80\n"), std::string::npos) << frames;
  EXPECT_NE(frames.find("pty0 in: 03"), std::string::npos) << frames;
}

}  // namespace
