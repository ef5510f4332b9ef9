// The drive login windows offscreen: the workspace login window's reuse of user and
// password, the user and password window, and the login time-out window's choices and
// their effect on the drive link's time-outs.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "OnlineDevicesFixture.h"
#include "comm/SharedLinkState.h"
#include "shell/forms/PasswordDialog.h"
#include "shell/forms/TimeoutSettingsForm.h"
#include "shell/forms/WorkspaceLoginForm.h"

using namespace vt;

namespace {

// Clicks OK of the next modal window Form shows, after typing User and Password.
void AnswerOnce(TPWDialogForm& Form, const char* User, const char* Password) {
  QTimer::singleShot(0, [&Form, User, Password] {
    Form.UsernameEdit->setText(User);
    Form.PasswordEdit->setText(Password);
    Form.OKBtn->click();
  });
}

class LoginDialogs : public OnlineDevicesTest {
 protected:
  void SetUp() override {
    OnlineDevicesTest::SetUp();
    TestApp();
  }
  void TearDown() override {
    ResetTimeouts();
    OnlineDevicesTest::TearDown();
  }
  TDevice* Drive(const char* Name, const char16_t* Port) {
    TDevice* device = DeviceManager()->CreateDevice(Name, "VorlixOnline");
    device->SetStrVar(u"PortName", Port);
    return device;
  }
  TMessageCatcher Messages;
};

TEST_F(LoginDialogs, WorkspaceLoginAsksOnceThenReusesTheValues) {
  TPWDialogForm form;
  EXPECT_EQ(form.windowTitle(), "Login");
  EXPECT_EQ(form.UseforallChBox->text(), "Use same User/Pass for all drives");
  form.firstFlag = true;
  TDevice* first = Drive("BOX1", u"ETH");
  first->DeviceIP = 0xC0A80A05;
  form.Device = first;
  AnswerOnce(form, "SERVICE", "two");
  form.Start();
  EXPECT_EQ(form.DeviceInfo->text(), "ETH 192.168.10.5");
  EXPECT_TRUE(form.UseforallChBox->isChecked());
  EXPECT_FALSE(form.firstFlag);
  EXPECT_EQ(first->GetStrVar(u"UserName"), u"SERVICE");
  EXPECT_EQ(first->GetStrVar(u"Password"), u"two");
  // The next drive takes the same values without a window.
  TDevice* second = Drive("BOX2", u"ttyS0");
  form.Device = second;
  form.Start();
  EXPECT_EQ(second->GetStrVar(u"UserName"), u"SERVICE");
  EXPECT_EQ(second->GetStrVar(u"Password"), u"two");
  // Unticked again, each drive is asked.
  form.UseforallChBox->setChecked(false);
  AnswerOnce(form, "USER", "one");
  form.Start();
  EXPECT_EQ(form.DeviceInfo->text(), "ttyS0");
  EXPECT_EQ(second->GetStrVar(u"UserName"), u"USER");
  EXPECT_FALSE(form.UseforallChBox->isChecked());
}

TEST_F(LoginDialogs, PasswordWindowEmptiesThePasswordAndShowsTheChecksumOnRequest) {
  TPasswordDlg dialog;
  EXPECT_EQ(dialog.windowTitle(), "Switch User");
  dialog.SetUserName(u"SERVICE");
  dialog.PasswordEdt->setText("old");
  dialog.SetPassStringLength(4);
  dialog.SetCRCEditVisibility(false);
  dialog.show();
  EXPECT_EQ(dialog.GetPassword(), u"");
  EXPECT_EQ(dialog.GetUserName(), u"SERVICE");
  EXPECT_FALSE(dialog.CRCEdt->isVisible());
  EXPECT_FALSE(dialog.CRCLbl->isVisible());
  dialog.PasswordEdt->setText("longer");
  EXPECT_EQ(dialog.GetPassword(), u"long");
  dialog.SetCRCEditVisibility(true);
  dialog.SetCRCText(u"1A2B");
  EXPECT_TRUE(dialog.CRCEdt->isVisible());
  EXPECT_EQ(dialog.CRCLbl->text(), "Checksum:");
  EXPECT_EQ(dialog.CRCEdt->text(), "1A2B");
}

TEST_F(LoginDialogs, TimeoutWindowChoices) {
  TTimeout_Settings window;
  EXPECT_EQ(window.windowTitle(), "Timeout Settings");
  // The link's time-out chooses the button when the window is shown.
  const struct {
    std::int32_t login;
    QRadioButton* TTimeout_Settings::*chosen;
  } shown[] = {{250, &TTimeout_Settings::DefaultTimeout},
               {2000, &TTimeout_Settings::Timeout_2s},
               {5000, &TTimeout_Settings::TimeoutCustom}};
  for (const auto& s : shown) {
    ApplyLoginTimeout(s.login);
    window.Beforshow();
    EXPECT_TRUE((window.*s.chosen)->isChecked()) << s.login;
    EXPECT_EQ(window.Value, s.login);
  }
  EXPECT_EQ(window.TimeoutEdit->text(), "5000");

  // Too short a custom value is refused when the edit is left.
  window.TimeoutEdit->setText("1500");
  emit window.TimeoutEdit->editingFinished();
  EXPECT_EQ(Messages.Messages, std::vector<std::string>{"The value shout be a number greater or equal than 2000"});
  EXPECT_EQ(window.TimeoutEdit->text(), "2000");
  EXPECT_EQ(window.Value, 2000);
  window.TimeoutEdit->setText("fast");
  window.TimeoutCustom->click();
  EXPECT_EQ(Messages.Messages.back(), "The value shout be a number greater equal than 2000");
  EXPECT_EQ(window.Value, 2000);
  window.TimeoutEdit->setText("4000");
  window.TimeoutCustom->click();
  window.OKBtn->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(loginTimeout, 4000);
  EXPECT_EQ(shortTimeout, 4000);
  EXPECT_EQ(extendedTimeout, 25000);

  // "Default 250ms": the login time-out 250, the others at least 2000 and unchanged.
  window.Beforshow();
  window.DefaultTimeout->click();
  EXPECT_EQ(window.Value, 250);
  window.OKBtn->click();
  EXPECT_EQ(loginTimeout, 250);
  EXPECT_EQ(shortTimeout, 2000);
  EXPECT_EQ(extendedTimeout, 25000);

  // Cancel changes nothing.
  window.Beforshow();
  window.Timeout_2s->click();
  window.CancelBtn->click();
  EXPECT_EQ(loginTimeout, 250);
}

}  // namespace
