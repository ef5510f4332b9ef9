// The "Connection Lost" dialog offscreen, installed as the handler the services call:
// its message, and the result of each button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "RuntimeTestUtil.h"
#include "devices/ConnectionLostDialog.h"
#include "devices/forms/ConnectionLostForm.h"

using namespace vt;

namespace {

TEST(ConnectionLostForm, ShowsTheMessageAndAnswersByButton) {
  TestApp();
  InstallConnectionLostDialog();
  const struct {
    const char* button;
    TModalResult result;
  } cases[] = {{"GoOfflineBtn", mrCancel}, {"RetryBtn", mrRetry}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    QString caption, shown;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->objectName(), "ConnectionLostDlg");
      caption = dialog->windowTitle();
      shown = dialog->findChild<QLabel*>("MsgLabel")->text();
      if (qEnvironmentVariableIsSet("VT_SCREENSHOT_DIR"))
        dialog->grab().save(qEnvironmentVariable("VT_SCREENSHOT_DIR") + "/ConnectionLostDlg.png");
      dialog->findChild<QPushButton*>(c.button)->click();
    });
    EXPECT_EQ(ShowConnectionLostDialog(u"/dev/pts/7: Device has changed! Please reconnect the original device."),
              c.result);
    EXPECT_EQ(caption, "Connection Lost");
    EXPECT_EQ(shown, "/dev/pts/7: Device has changed! Please reconnect the original device.");
  }
  SetConnectionLostHandler(nullptr);
}

}  // namespace
