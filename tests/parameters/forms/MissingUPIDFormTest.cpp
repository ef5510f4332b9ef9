// The "Missing UPID" window offscreen, installed as the prompt the batched read asks:
// the message it shows, the result of each button, "Ignore all missing UPIDs" silencing
// it, and its owner taking it away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "RuntimeTestUtil.h"
#include "parameters/MissingUPIDPrompt.h"
#include "parameters/forms/MissingUPIDForm.h"

using namespace vt;

namespace {

TEST(MissingUPIDForm, AsksAndAnswersByButton) {
  TestApp();
  auto owner = std::make_unique<QObject>();
  InstallMissingUPIDWindow(owner.get());
  const struct {
    const char* button;
    bool all;
    bool aborts;
  } cases[] = {{"Btn_Abort", false, true}, {"Btn_Ignore", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    QString caption, shown, box;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->objectName(), "Missing_UPID");
      caption = dialog->windowTitle();
      shown = dialog->findChild<QLabel*>("Lbl_MissingUPID_Message")->text();
      auto* all = dialog->findChild<QCheckBox*>("CB_all");
      box = all->text();
      all->setChecked(c.all);
      if (qEnvironmentVariableIsSet("VT_SCREENSHOT_DIR"))
        dialog->grab().save(qEnvironmentVariable("VT_SCREENSHOT_DIR") + "/MissingUPID.png");
      dialog->findChild<QPushButton*>(c.button)->click();
    });
    EXPECT_EQ(MissingUPIDAborts(0x1A2B), c.aborts);
    EXPECT_EQ(caption, "Missing UPID");
    EXPECT_EQ(shown, "UPID = 1A2Bh does not exist!");
    EXPECT_EQ(box, "Ignore all missing UPIDs");
    EXPECT_EQ(MissingUPIDPrompt().IgnoreAll(), c.all);
  }
  // Ticked: not asked again until cleared (a new device).
  EXPECT_FALSE(MissingUPIDAborts(0x0042));
  MissingUPIDPrompt().ClearIgnoreAll();
  EXPECT_FALSE(MissingUPIDPrompt().IgnoreAll());
  EXPECT_EQ(MissingUPIDText(0x42), "UPID = 0042h does not exist!");

  // Gone with its owner: the message box asks again.
  owner.reset();
  SetMessageDlgHandler([](const std::u16string&, TMsgDlgType, TMsgDlgButtons) { return mrAbort; });
  EXPECT_TRUE(MissingUPIDAborts(0x0042));
  SetMessageDlgHandler(nullptr);
}

}  // namespace
