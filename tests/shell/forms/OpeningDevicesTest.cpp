// The whole program in a child process of the test, offscreen, on a program folder whose
// serial port "drive1.pty" is drivesim's pseudo-terminal: the automatic login of the
// settings, a login through the login dialog over UDP, one to a drive that has gone
// silent, and two axes of one module.
#include <QApplication>
#include <QCheckBox>
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
#include "TempFolder.h"
#include "comm/forms/DeviceLoginDialog.h"
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

TEST(OpeningDevices, AutomaticLoginThenTheDialogOverUdpThenASilentDrive) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(OpenDevices()), ::testing::ExitedWithCode(0), "");
}

TEST(OpeningDevices, TwoAxesOfOneModuleThenAFailedStart) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(OpenModuleAxes()), ::testing::ExitedWithCode(0), "");
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
