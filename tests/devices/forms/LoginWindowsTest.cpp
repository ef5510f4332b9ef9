// The tree dialog and the login information window (offscreen), reached through the
// handlers that the module service calls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <memory>

#include "RuntimeTestUtil.h"
#include "devices/LoginWindows.h"
#include "devices/forms/LoginInfoForm.h"
#include "devices/forms/LoginMessageForm.h"

using namespace vt;

namespace {

class LoginWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    Info = std::make_unique<TLoginInfoForm>();
    InstallLoginWindows(*Info);
  }
  void TearDown() override {
    SetTreeDialogHandler(nullptr);
    SetLoginInfoHandler(nullptr);
    SetLoginInfoAppendHandler(nullptr);
  }

  // Shows the dialog through the handler; Act runs on it once it is open.
  TTreeDialogResult Show(const TTreeDialogRequest& Request, const std::function<void(QWidget*)>& Act) {
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->objectName(), "LoginMsgForm");
      Act(dialog);
    });
    return ShowTreeDialog(Request);
  }
  template <class T>
  static T* Child(QWidget* Dialog, const char* Name) {
    T* child = Dialog->findChild<T*>(Name);
    EXPECT_NE(child, nullptr) << Name;
    return child;
  }

  std::unique_ptr<TLoginInfoForm> Info;
};

// A compatible tree: the question with Yes and No, the details shown and hidden again.
TEST_F(LoginWindows, TreeDialogAsksAndShowsDetails) {
  const TTreeDialogRequest request{u"Use compatible trees?\rNewer ones exist.", true, u"No",
                                   u"Trees:\r VXOS_VX2_V4S1_5\r\r"};
  const TTreeDialogResult result = Show(request, [](QWidget* dialog) {
    EXPECT_EQ(Child<QLabel>(dialog, "Label1")->text(), "Use compatible trees?\nNewer ones exist.");
    EXPECT_TRUE(Child<QPushButton>(dialog, "Button1")->isVisible());
    EXPECT_EQ(Child<QPushButton>(dialog, "Button2")->text(), "No");
    auto* details = Child<QPushButton>(dialog, "Button4");
    auto* panel = Child<QFrame>(dialog, "MiddlePanel");
    EXPECT_EQ(details->text(), "Show Details");
    EXPECT_FALSE(panel->isVisible());
    details->click();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(Child<QLabel>(dialog, "Label2")->text(), "Trees:\n VXOS_VX2_V4S1_5");
    details->click();
    EXPECT_FALSE(panel->isVisible());
    Child<QPushButton>(dialog, "Button1")->click();
  });
  EXPECT_EQ(result.Result, mrYes);
  EXPECT_FALSE(result.NewOldReleasesFlag);
}

// A missing tree: OK alone, which answers No; closing the window answers nothing.
TEST_F(LoginWindows, TreeDialogWithOkAlone) {
  const TTreeDialogRequest request{u"Unknown firmware.", false, u"OK", u""};
  TTreeDialogResult result = Show(request, [](QWidget* dialog) {
    EXPECT_FALSE(Child<QPushButton>(dialog, "Button1")->isVisible());
    EXPECT_EQ(Child<QPushButton>(dialog, "Button2")->text(), "OK");
    Child<QPushButton>(dialog, "Button2")->click();
  });
  EXPECT_EQ(result.Result, mrNo);
  result = Show(request, [](QWidget* dialog) { dialog->close(); });
  EXPECT_EQ(result.Result, mrNone);
}

TEST_F(LoginWindows, InfoWindowShowsTheLines) {
  EXPECT_FALSE(Info->isVisible());
  AddLoginInfoLine(u"Search for parameter trees in the drive.");
  AddLoginInfoLine(u"");
  AddLoginInfoLine(u"in2 file found: VXOS_VX2_V4S1_0.IN2");
  EXPECT_TRUE(Info->isVisible());
  EXPECT_EQ(Info->findChild<QPlainTextEdit*>("Memo1")->toPlainText(),
            "Search for parameter trees in the drive.\n\nin2 file found: VXOS_VX2_V4S1_0.IN2");
  Info->Clear();
  EXPECT_EQ(Info->Memo()->toPlainText(), "");
}

}  // namespace
