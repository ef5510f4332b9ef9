// The start in window mode, in a child process of the test on the staged data, offscreen:
// the feature managers exist, devices logging in show the login windows and the
// connection-lost dialog, and oscilloscope defaults the user changed are saved at exit.
// Without windows the non-interactive handlers stay.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "OffscreenApp.h"
#include "TempFolder.h"
#include "curves/CurveManager.h"
#include "curves/ObjectLoaderManager.h"
#include "devices/ConnectionLostDialog.h"
#include "devices/LoginWindows.h"
#include "motorwizard/MotorWizardManager.h"
#include "oscilloscope/OscilloscopeManager.h"
#include "platform/TextConversion.h"
#include "shell/forms/MainForm.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

QWidget* TopLevel(const char* Name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == Name) return w;
  return nullptr;
}

// Runs in the child; 0 when all holds, else the number of the first check that failed.
int StartWithWindows(const fs::path& Home) {
  const TOffscreenApp app(Home);
  TMainForm form(Utf8ToWide(VT_PROGRAM), {"-NoAuto"});
  form.FormCreate();
  if (!OsciManager || !ObjLoaderManager || !ObjLoaderManager->GetObjLdrInfo() || !MotWizardManager) return 2;
  if (!CurveManager || CurveManager->GetWizardCount() != 14 || !CurveManager->GetCurveTypeArray()) return 3;

  AddLoginInfoLine(u"Tree VXOS_VX2_V4S1_0 found");
  QWidget* info = TopLevel("LoginInfoForm");
  if (!info || !info->isVisible()) return 4;
  if (!info->findChild<QPlainTextEdit*>("Memo1")->toPlainText().contains("VXOS_VX2_V4S1_0")) return 5;

  QString shown;
  QTimer::singleShot(0, [&] {
    if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog->objectName() == "ConnectionLostDlg") {
      shown = dialog->objectName();
      dialog->findChild<QPushButton*>("RetryBtn")->click();
    }
  });
  if (ShowConnectionLostDialog(u"Drive BOX1 does not answer.") != mrRetry || shown.isEmpty()) return 6;

  OsciManager->FActiveSettings = MakeRef<TSLDictionary>();
  OsciManager->FActiveSettings->SetStrWithName(u"Comment", u"user defaults");
  OsciManager->FDefaultSettingsModifiedByUser = true;
  form.FormClose();
  std::ifstream in(Home / "Vorlix/Vorlix-Talk/ViewConfig.ini");
  std::stringstream text;
  text << in.rdbuf();
  const std::string saved = text.str();
  const auto defaults = saved.find("/DefaultSettings");
  if (defaults == std::string::npos || saved.find("'user defaults'", defaults) == std::string::npos) return 7;
  form.FormDestroy();
  return 0;
}

int StartWithoutWindows(const fs::path& Home) {
  ::setenv("XDG_DATA_HOME", Home.c_str(), 1);
  TMainForm form(Utf8ToWide(VT_PROGRAM), {"-NoForm", "-NoAuto"});
  form.FormCreate();
  // Nobody can click: the default answers at once.
  return ShowConnectionLostDialog(u"Drive BOX1 does not answer.") == mrNone ? 0 : 2;
}

TEST(StartWindows, WindowModeInstallsTheLoginWindows) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempFolder home;
  EXPECT_EXIT(std::_Exit(StartWithWindows(home.Path())), ::testing::ExitedWithCode(0), "");
}

TEST(StartWindows, WithoutFormsTheHandlersStayNonInteractive) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempFolder home;
  EXPECT_EXIT(std::_Exit(StartWithoutWindows(home.Path())), ::testing::ExitedWithCode(0), "");
}

}  // namespace
