// The commander window in the whole program, offscreen, with the automatically logged-in
// drive on a pseudo-terminal and a second one logged in over UDP through Ctrl+L: its
// controls, the tree following the device selector, captions, enabling and keys, a
// second commander, and the exit question. Screenshots go to the build's screenshots folder.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ChildProgram.h"
#include "Launcher.h"
#include "devices/EntryTree.h"
#include "devices/forms/ModelTreeWidget.h"
#include "shell/forms/CloseDialog.h"
#include "shell/forms/CommanderWindow.h"
#include "shell/forms/OptionWindow.h"
#include "ui/forms/NamedControl.h"

using namespace vt;
using namespace vt::test;

namespace {

void Screenshot(QWidget* Window, const char* Name) {
  fs::create_directories(VT_SCREENSHOT_DIR);
  Window->grab().save(QString(VT_SCREENSHOT_DIR) + "/" + Name);
}

std::vector<TTreeAppForm*> Commanders() {
  std::vector<TTreeAppForm*> found;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* commander = dynamic_cast<TTreeAppForm*>(w); commander && commander->isVisible()) found.push_back(commander);
  return found;
}

AnsiString PathOf(const TTreeAppForm* Commander) { return Commander->EntryManager()->GetPathStr(); }

AnsiString ParametersOf(const char* Device) {
  return "Project:\\\\" + DeviceManager()->GetDevice(Device)->GetModelCaption() + "\\Parameters";
}

// The controls of the window, each by the name its users know.
bool HasControls(TTreeAppForm* Commander) {
  for (const char* name : {"TopPanel", "MainPanel", "LeftPanel", "RightPanel", "Panel", "HelpWindow", "BottomPanel"})
    if (!Commander->findChild<QWidget*>(name)) return false;
  return Commander->findChild<QToolBar*>("ToolBar1") && Commander->findChild<QComboBox*>("DeviceCbo") &&
         Commander->findChild<TModelTreeWidget*>("MainTreeView") && Commander->findChild<QSplitter*>("Splitter") &&
         Commander->findChild<QTreeWidget*>("InfoListView") && Commander->findChild<QStatusBar*>("StatusBar1") &&
         Commander->findChild<QMenu*>("TreePopup") && Commander->menuBar()->objectName() == "MainMenu1";
}

// A USER logged in to a drive with parameters only: what is offered and what is not.
bool UserActions(TTreeAppForm* Commander) {
  Commander->ActionListUpdate();
  const auto on = [&](const char* Name) { return Commander->Action(Name)->isEnabled(); };
  const auto shown = [&](const char* Name) { return Commander->Action(Name)->isVisible(); };
  return on("ShowParameterService") && !on("ShowVariableService") && on("LoginAct") && on("NewCommanderAct") &&
         !shown("ImportRawData_Act") && !shown("AdvancedSave") && !shown("RawDataDispModeASCIIMenuItem") &&
         shown("SwitchUser") && on("ObjectInspectorAct") == false && !on("LogoutAct") && !on("CreateUPIDList");
}

// The information strip lists the device's messages once each, drops those that went,
// and hides when switched off.
bool InfoWindowFollowsTheDevice(TTreeAppForm* Commander, TMainForm& Form) {
  TDevice* device = DeviceManager()->GetDevice("Box1");
  const auto lines = [&] {
    QStringList texts;
    for (int i = 0; i < Commander->InfoListView->topLevelItemCount(); ++i)
      if (Commander->InfoListView->topLevelItem(i)->text(1) == "Test")  // the device may add its own
        texts << Commander->InfoListView->topLevelItem(i)->text(2);
    return texts;
  };
  const QAction* button = Commander->Action("InfoWindowAct");
  device->AddtoInfoList({"First", "Test", "Info"});
  device->AddtoInfoList({"Second", "Test", "Info"});
  device->UpdateInfoListWindow();
  device->UpdateInfoListWindow();
  const bool listed = lines() == QStringList{"First", "Second"} && !Commander->HelpWindow->isHidden() &&
                      button->property("ImageIndex").toInt() == 116;
  device->DelfromInfoList("First");
  device->UpdateInfoListWindow();
  const bool dropped = lines() == QStringList{"Second"};
  Form.Settings.HelpWindowVisiFlag = false;
  Form.UpdateInfowindows();
  const bool off = Commander->HelpWindow->isHidden() && button->property("ImageIndex").toInt() == 184;
  Form.Settings.HelpWindowVisiFlag = true;
  device->DelfromInfoList("Second");
  device->UpdateInfoListWindow();  // the device's visibility follows its list
  return listed && dropped && off && lines().isEmpty();
}

// Whether a debug log file below Home holds Text.
bool DebugLogHolds(const fs::path& Home, const std::string& Text) {
  for (const auto& entry : fs::recursive_directory_iterator(Home)) {
    if (entry.path().filename().string().rfind("DbWinLog_", 0) != 0) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (text.str().find(Text) != std::string::npos) return true;
  }
  return false;
}

int DriveTheCommander() {
  TempFolder home, dir;
  const fs::path program = ProgramFolder(dir.Path());
  drivesim::TDriveSim sim({"--pty=" + (dir.Path() / "drive1.pty").string(), "--udp4", "--user-password="});
  TChildProgram run(home, dir, program);
  TMainForm& form = run.Form;
  int& step = run.Step;
  TTreeAppForm* first = nullptr;
  AnsiString subPath;
  QLineEdit* edit = nullptr;

  run.Drive([&] {
    switch (step) {
      case 1:  // the automatic login: the selector lists the drive and the tree shows its parameters
        if (!Started("Box1") || form.MainState != stReady || Commanders().size() != 1) return;
        first = Commanders().front();
        if (PathOf(first) != ParametersOf("Box1")) return;
        if (!HasControls(first) || first->DeviceCbo->count() != 1 || !first->StatusClientConnected()) run.Finish(step);
        if (first->Action("LoginAct")->shortcut() != QKeySequence("Ctrl+L") ||
            first->Action("LoginAct")->text() != "&Login..." ||
            first->findChild<QMenu*>("FileMenuItem")->title() != "&File")
          run.Finish(101);
        if (!UserActions(first)) run.Finish(102);
        // Raw data as text is for developers only.
        form.Settings.RawDataDispMode = "ASCII";
        first->ActionListUpdate();
        if (form.Settings.RawDataDispMode != "HEX" || !first->Action("RawDataDispModeHexMenuItem")->isChecked())
          run.Finish(103);
        if (!InfoWindowFollowsTheDevice(first, form)) run.Finish(108);
        Screenshot(first, "commander.png");
        // Ctrl+X in an edit cuts; the window stays.
        edit = new QLineEdit("cut me", first->Panel);
        edit->show();
        first->activateWindow();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
        if (!edit->text().isEmpty() || !first->isVisible()) run.Finish(104);
        delete edit;
        ++step;
        QTimer::singleShot(0, [&] {
          first->activateWindow();
          if (!QTest::qWaitForWindowActive(first)) run.Finish(107);
          QTest::keyClick(first->MainTreeView, Qt::Key_L, Qt::ControlModifier);
        });
        return;
      case 2:  // Ctrl+L opened the login dialog
        if (!form.DeviceLoginDialog->isVisible()) return;
        Screenshot(form.DeviceLoginDialog.get(), "login.png");
        run.FillDialog(sim.Udp4Ports().at(0));
        ++step;
        return;
      case 3:  // the new drive is the selector's last item and the tree shows its parameters
        if (!Started("BOX2") || form.MainState != stReady || PathOf(first) != ParametersOf("BOX2")) return;
        if (first->DeviceCbo->count() != 2 || first->DeviceCbo->currentIndex() != 1) run.Finish(step);
        {
          // A sub-entry of the parameters stays chosen when the selector goes to the other drive.
          TTreeNode* parameters = first->MainTreeView->Selected();
          parameters->Expand();
          if (parameters->Count() == 0) run.Finish(105);
          subPath = "\\Parameters\\" + parameters->Item(0)->Text();
          first->EntryManager()->SetPathStr(ParametersOf("BOX2") + "\\" + parameters->Item(0)->Text());
        }
        first->DeviceCbo->setCurrentIndex(0);
        first->DeviceCboChange();
        if (PathOf(first) != "Project:\\\\" + DeviceManager()->GetDevice("Box1")->GetModelCaption() + subPath)
          run.Finish(106);
        ++step;
        QTimer::singleShot(0, [&] { first->Action("NewCommanderAct")->trigger(); });
        return;
      case 4:  // the second commander opened at the first one's entry; it closes without a question
        if (Commanders().size() != 2) return;
        for (TTreeAppForm* other : Commanders())
          if (other != first) {
            if (PathOf(other) != PathOf(first) || form.NumberOfCommander != 2) run.Finish(step);
            other->close();
          }
        ++step;
        return;
      case 5:
        if (Commanders().size() != 1 || form.NumberOfCommander != 1) return;
        first->Action("OpenOptionWindowMenu")->trigger();
        if (auto* options = ChildOf<TOptionWindow>(first); options && options->isVisible()) {
          options->close();
        } else {
          run.Finish(step);
        }
        ++step;
        QTimer::singleShot(0, [&] { first->close(); });
        return;
      case 6:  // devices are open: the question; No keeps the window
        if (auto* question = ChildOf<TCloseDlgForm>(first); question && question->isVisible()) {
          if (question->YesBtn->text() != "&Yes" || question->windowTitle() != "Close Program") run.Finish(step);
          Screenshot(question, "exit-question.png");
          question->CancelBtn->click();
          ++step;
        }
        return;
      case 7:
        if (!first->isVisible() || ChildOf<TCloseDlgForm>(first)) run.Finish(step);
        ++step;
        QTimer::singleShot(0, [&] { first->close(); });
        return;
      case 8:  // Yes closes the last commander and so ends the program, which saves the debug log
        if (auto* question = ChildOf<TCloseDlgForm>(first); question && question->isVisible()) {
          run.AtEnd = [&] { return DebugLogHolds(home.Path(), "Box1") ? 0 : step; };
          question->YesBtn->click();
          ++step;
        }
        return;
    }
  });
}

TEST(CommanderWindow, SelectorTreeActionsAndTheExitQuestionWithTwoDrives) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(DriveTheCommander()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
