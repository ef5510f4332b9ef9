#include "runtime/forms/ImportLogDialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

#include "RuntimeTestUtil.h"
#include "platform/Dialogs.h"

using namespace vt;

namespace {

void PressKey(QWidget* Dialog, int Key) {
  QWidget* target = Dialog->focusWidget() ? Dialog->focusWidget() : Dialog;
  QKeyEvent press(QEvent::KeyPress, Key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

TEST(ImportLog, ShowsTheCallersTextsCentredOnTheScreen) {
  TestApp();
  TShowWarnForm form;
  form.MsgLabel()->setText("Import of drive1.vxc2 finished with warnings.");
  form.ShowBtn()->setText("Show log file");
  form.show();
  EXPECT_EQ(form.windowTitle(), "Import Log");
  EXPECT_TRUE(form.isWindow());
  EXPECT_EQ(form.findChild<QLabel*>("MsgLabel"), form.MsgLabel());
  EXPECT_TRUE(form.MsgLabel()->wordWrap());
  auto* ok = form.findChild<QPushButton*>("CloseBtn");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "&OK");
  EXPECT_TRUE(ok->isDefault());
  EXPECT_EQ(form.findChild<QPushButton*>("ShowBtn"), form.ShowBtn());
  const QPoint offset = form.frameGeometry().center() - form.screen()->availableGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 2);
}

TEST(ImportLog, EnterGivesCancelAndEscapeGivesOk) {
  TestApp();
  struct TCase {
    const char* Name;
    std::function<void(TShowWarnForm&)> Act;
    TModalResult Result;
  };
  const TCase cases[] = {
      {"Enter", [](TShowWarnForm& f) { PressKey(&f, Qt::Key_Return); }, mrCancel},
      {"Escape", [](TShowWarnForm& f) { PressKey(&f, Qt::Key_Escape); }, mrOk},
      {"&OK", [](TShowWarnForm& f) { f.findChild<QPushButton*>("CloseBtn")->click(); }, mrCancel},
      {"&Show Details", [](TShowWarnForm& f) { f.ShowBtn()->click(); }, mrOk},
      {"title bar close", [](TShowWarnForm& f) { f.close(); }, mrCancel},
  };
  for (const TCase& c : cases) {
    TShowWarnForm form;
    QTimer::singleShot(0, &form, [&] { c.Act(form); });
    EXPECT_EQ(form.exec(), c.Result) << c.Name;
  }
}

TEST(ImportLog, ButtonsStayBesideThePanelsMiddleAfterEveryResize) {
  TestApp();
  TShowWarnForm form;
  form.show();
  auto* panel = form.findChild<QWidget*>("BottomPanel");
  auto* ok = form.findChild<QPushButton*>("CloseBtn");
  ASSERT_TRUE(panel && ok);
  for (int width : {300, 421, 800}) {
    form.resize(width, 200);
    QCoreApplication::processEvents();
    const int middle = panel->width() / 2;
    EXPECT_EQ(ok->x() + ok->width(), middle - 2) << width;
    EXPECT_EQ(form.ShowBtn()->x(), middle + 2) << width;
  }
}

}  // namespace
