// The whole program in a child process of the test, offscreen, on a program folder whose
// serial port "drive1.pty" is drivesim's pseudo-terminal: the automatic login of the
// settings, a login through the login dialog over UDP, and one to a drive that has gone
// silent.
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
#include <string>
#include <vector>

#include "Launcher.h"
#include "OffscreenApp.h"
#include "TempFolder.h"
#include "comm/forms/DeviceLoginDialog.h"
#include "devices/DeviceManager.h"
#include "devices/forms/LoginInfoForm.h"
#include "platform/Dialogs.h"
#include "platform/PathResolver.h"
#include "shell/forms/MainForm.h"
#include "ui/forms/IpAddressEdit.h"
#include "ui/forms/ToggleSwitch.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

// The staged data linked into Dir; the program's path there. The program finds its folder
// through its own file, so it is linked hard (copied across file systems) when it is to run.
fs::path ProgramFolder(const fs::path& Dir, bool WithProgram = false) {
  const fs::path staged = fs::path(VT_PROGRAM).parent_path();
  for (const auto& entry : fs::directory_iterator(staged)) {
    const std::string name = entry.path().filename().string();
    if (name != "vorlixtalk" && name != "drive1.pty") fs::create_symlink(entry.path(), Dir / name);
  }
  if (WithProgram) {
    std::error_code ec;
    fs::create_hard_link(VT_PROGRAM, Dir / "vorlixtalk", ec);
    if (ec) fs::copy_file(VT_PROGRAM, Dir / "vorlixtalk");
  }
  return Dir / "vorlixtalk";
}

bool Started(const char* Name) {
  TDeviceManager* manager = DeviceManager();
  return manager->DeviceExists(Name) && manager->GetDevice(Name)->State() == dstStarted;
}

bool Shows(const TMainForm& Form, const char* Text) {
  return Form.LoginInfoForm->Memo1->toPlainText().contains(QString::fromUtf8(Text));
}

// Runs in the child: 0 when every step was seen, else the number of the step that was not.
int OpenDevices() {
  TempFolder home, dir;
  const fs::path program = ProgramFolder(dir.Path());
  // The second UDP drive falls silent before it is logged in to.
  // The automatic login is USER without a password: the drive has none for USER.
  drivesim::TDriveSim sim({"--pty=" + (dir.Path() / "drive1.pty").string(), "--udp4", "--udp4", "--user-password="});
  const TOffscreenApp app(home.Path());
  TMainForm form(PathToWide(program), {});
  form.FormCreate();

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
  std::vector<std::string> errors;
  int containers = 0;
  SetMessageDlgHandler([&](const std::u16string& Text, TMsgDlgType, TMsgDlgButtons) {
    errors.push_back(WideToUtf8(Text));
    return mrOk;
  });
  form.OpenOffline = [&](TSLDictionary&) { ++containers; };

  int step = 1;
  const auto finish = [&](int Code) {
    std::fprintf(stderr, "step %d, memo: %s\n", step,
                 form.LoginInfoForm->Memo1->toPlainText().toUtf8().constData());
    for (const std::string& error : errors) std::fprintf(stderr, "error box: %s\n", error.c_str());
    std::error_code ec;
    fs::remove_all(dir.Path(), ec);
    fs::remove_all(home.Path(), ec);
    std::fflush(stderr);
    std::_Exit(Code);
  };
  const auto login = [&] { QTimer::singleShot(0, [&] { form.CreateDevice(nullptr, "VorlixOnline"); }); };
  // The dialog as a user fills it: Ethernet, IPv4 127.0.0.1 on the UDP drive's port, GUEST.
  const auto fillDialog = [&](int Drive) {
    TDeviceLoginDialog* dialog = form.DeviceLoginDialog.get();
    if (!dialog->isVisible()) return false;
    dialog->findChild<QRadioButton*>("ETHRadio")->setChecked(true);
    dialog->findChild<TToggleSwitch*>("EthVersionSwitch")->SetState(tssOff);
    dialog->findChild<TIP4Edit*>("IP4Edit")->SetIPValue(0x7F000001);
    dialog->findChild<QCheckBox*>("DefPortChkBox")->setChecked(false);
    dialog->findChild<QLineEdit*>("IPPortEdit")->setText(QString::number(sim.Udp4Ports().at(Drive)));
    dialog->findChild<QLineEdit*>("UserEdt")->setText("GUEST");
    dialog->findChild<QPushButton*>("OKBtn")->click();
    return true;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (std::chrono::steady_clock::now() > deadline) finish(step);
    const TModelItem* root = DeviceManager()->ModelManager().Root();
    switch (step) {
      case 1:  // the automatic login started "Box1" and filed it under the root
        if (!Started("Box1") || form.MainState != stReady) return;
        if (DeviceManager()->GetDevice("Box1")->Model()->Parent() != root) finish(step);
        login();
        ++step;
        return;
      case 2:
      case 5:
        if (fillDialog(step == 2 ? 0 : 1)) ++step;
        return;
      case 3:  // BOX2 started; the window showed the wait text and the success, and closed
        if (!Started("BOX2") || form.MainState != stReady || !Shows(form, "Login process successfull completed!"))
          return;
        if (!Shows(form, "Please wait, the login is in progress...") || form.LoginInfoForm->isVisible()) finish(step);
        if (DeviceManager()->GetDevice("BOX2")->Model()->Parent() != root) finish(step);
        sim.Set("2 silent=1");
        ++step;
        login();
        ++step;
        return;
      case 6:  // the silent drive's device is gone; the window stays with Close enabled
        if (!Shows(form, "An error has occurred during the login process!") ||
            DeviceManager()->DeviceExists("BOX3") || form.MainState != stReady)
          return;
        if (!form.LoginInfoForm->isVisible() || !form.LoginInfoForm->CloseBtn->isEnabled()) finish(step);
        form.LoginInfoForm->CloseBtn->click();
        errors.clear();  // the silent drive's own box
        login();
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
        if (DeviceManager()->DeviceExists("BOX3")) finish(step);
        if (offline[offlineCase].error.empty() ? containers != 1 || !errors.empty()
                                               : errors != std::vector<std::string>{offline[offlineCase].error})
          finish(100 + int(offlineCase));
        errors.clear();
        if (++offlineCase == std::size(offline)) finish(0);
        login();
        step = 7;
    }
  });
  driver.start(20);
  form.Run();
  finish(100);
  return 100;
}

TEST(OpeningDevices, AutomaticLoginThenTheDialogOverUdpThenASilentDrive) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(OpenDevices()), ::testing::ExitedWithCode(0), "");
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
