// The whole program in a child process of a test, offscreen, on a program folder of the
// staged data whose drives (drivesim) already run, and the steps that drive it.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

namespace vt::test {

namespace fs = std::filesystem;

// The staged data linked into Dir; the program's path there. The program finds its folder
// through its own file, so it is linked hard (copied across file systems) when it is to run.
inline fs::path ProgramFolder(const fs::path& Dir, bool WithProgram = false) {
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

inline bool Started(const char* Name) {
  TDeviceManager* manager = DeviceManager();
  return manager->DeviceExists(Name) && manager->GetDevice(Name)->State() == dstStarted;
}

inline bool Shows(const TMainForm& Form, const char* Text) {
  return Form.LoginInfoForm->Memo1->toPlainText().contains(QString::fromUtf8(Text));
}

// The program's main window in the child, on a program folder whose drives already run,
// with every message box's text kept in Errors, and the steps that drive it.
class TChildProgram {
 public:
  TChildProgram(const TempFolder& Home, const TempFolder& Dir, const fs::path& Program)
      : FHome(Home.Path()), FDir(Dir.Path()), App(Home.Path()), Form(PathToWide(Program), {}) {
    Form.FormCreate();
    SetMessageDlgHandler([this](const std::u16string& Text, TMsgDlgType, TMsgDlgButtons) {
      Errors.push_back(WideToUtf8(Text));
      return mrOk;
    });
  }

  // Ends the child: 0 when every step was seen, else the number of the step that was not.
  [[noreturn]] void Finish(int Code) {
    std::fprintf(stderr, "step %d, memo: %s\n", Step, Form.LoginInfoForm->Memo1->toPlainText().toUtf8().constData());
    for (const std::string& error : Errors) std::fprintf(stderr, "error box: %s\n", error.c_str());
    const TModelItem* root = DeviceManager()->ModelManager().Root();
    for (int i = 0; i < root->GetChildCount(); ++i)
      std::fprintf(stderr, "tree entry: %s\n", root->GetChild(i)->Caption().c_str());
    std::error_code ec;
    fs::remove_all(FDir, ec);
    fs::remove_all(FHome, ec);
    std::fflush(stderr);
    std::_Exit(Code);
  }

  void Login() {
    QTimer::singleShot(0, [this] { Form.CreateDevice(nullptr, "VorlixOnline"); });
  }

  // The dialog as a user fills it: Ethernet, IPv4 127.0.0.1 on Port, GUEST; false while
  // it is not shown.
  bool FillDialog(std::uint16_t Port) {
    TDeviceLoginDialog* dialog = Form.DeviceLoginDialog.get();
    if (!dialog->isVisible()) return false;
    dialog->findChild<QRadioButton*>("ETHRadio")->setChecked(true);
    dialog->findChild<TToggleSwitch*>("EthVersionSwitch")->SetState(tssOff);
    dialog->findChild<TIP4Edit*>("IP4Edit")->SetIPValue(0x7F000001);
    dialog->findChild<QCheckBox*>("DefPortChkBox")->setChecked(false);
    dialog->findChild<QLineEdit*>("IPPortEdit")->setText(QString::number(Port));
    dialog->findChild<QLineEdit*>("UserEdt")->setText("GUEST");
    dialog->findChild<QPushButton*>("OKBtn")->click();
    return true;
  }

  // Runs the program with Tick called every 20 ms; Tick finishes the child, else the
  // deadline or the program's end does (with EndCode, or what AtEnd says then).
  [[noreturn]] void Drive(const std::function<void()>& Tick) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
      if (std::chrono::steady_clock::now() > deadline) Finish(Step);
      Tick();
    });
    driver.start(20);
    Form.Run();
    Finish(AtEnd ? AtEnd() : EndCode);
  }

 private:
  const fs::path FHome, FDir;

 public:
  const TOffscreenApp App;
  TMainForm Form;
  std::vector<std::string> Errors;
  int Step = 1;
  // The child's code when the program ends by itself.
  int EndCode = 100;
  std::function<int()> AtEnd;
};

}  // namespace vt::test
