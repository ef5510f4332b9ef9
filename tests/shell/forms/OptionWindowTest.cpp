// The option window on its own settings: what it shows, the edits' ranges, "Close and
// Save" in its order with a field that is not a number, and "Close".
#include "shell/forms/OptionWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include "RuntimeTestUtil.h"
#include "comm/SharedLinkState.h"
#include "platform/Dialogs.h"
#include "platform/TextConversion.h"
#include "shell/ViewSettings.h"

using namespace vt;

namespace {

class OptionWindowTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TestApp();
    SetShowMessageHandler([this](const std::u16string& Text) { Messages.push_back(WideToUtf8(Text)); });
    Settings.ManualBufferSize = 100;
    Settings.MultiReadSize = 124;
    Settings.MaxNumberOfTries = 5;
    Window = std::make_unique<TOptionWindow>(Settings);
    Window->show();
  }
  void TearDown() override {
    Window.reset();
    SetShowMessageHandler(nullptr);
    RuntimeTest::TearDown();
  }

  TViewSettings Settings;
  std::unique_ptr<TOptionWindow> Window;
  std::vector<std::string> Messages;
};

TEST_F(OptionWindowTest, ShowsTheSettingsAndHidesTheRestartWarning) {
  EXPECT_EQ(Window->MaxBufferSizeEdt->text(), "100");
  EXPECT_EQ(Window->MultiReadEdt->text(), "124");
  EXPECT_EQ(Window->MaxNumEdt->text(), "5");
  EXPECT_GT(Window->ComboBox2->count(), 0);  // the screen's fonts
  EXPECT_TRUE(Window->RestartLbl->isHidden());
  Window->ComboBox1->setCurrentIndex(2);
  emit Window->ComboBox1->activated(2);
  EXPECT_FALSE(Window->RestartLbl->isHidden());
  EXPECT_FALSE(Window->WarningImage->isHidden());
  EXPECT_EQ(Window->RestartLbl->text(), "For the change to take effect the program must be restarted!");
  Window->findChild<QTabWidget*>("PageControl")->setCurrentIndex(1);
  std::filesystem::create_directories(VT_SCREENSHOT_DIR);
  Window->grab().save(QString(VT_SCREENSHOT_DIR) + "/options.png");
}

TEST_F(OptionWindowTest, LeavingTheEditsClampsOrRestores) {
  const struct {
    QLineEdit* edit;
    void (TOptionWindow::*exit)();
    const char *typed, *shown;
  } cases[] = {
      {Window->MaxBufferSizeEdt, &TOptionWindow::MaxBufferSizeEdtExit, "300", "255"},
      {Window->MaxBufferSizeEdt, &TOptionWindow::MaxBufferSizeEdtExit, "1", "2"},
      {Window->MaxBufferSizeEdt, &TOptionWindow::MaxBufferSizeEdtExit, "abc", "100"},
      {Window->MultiReadEdt, &TOptionWindow::MultiReadEdtExit, "251", "250"},
      {Window->MultiReadEdt, &TOptionWindow::MultiReadEdtExit, "63", "64"},
      {Window->MultiReadEdt, &TOptionWindow::MultiReadEdtExit, "x", "124"},
  };
  for (const auto& c : cases) {
    c.edit->setText(c.typed);
    (Window.get()->*c.exit)();
    EXPECT_EQ(c.edit->text(), c.shown) << c.typed;
  }
}

TEST_F(OptionWindowTest, CloseAndSaveStopsAtTheFirstFieldThatIsNotANumber) {
  Window->CheckSumChkBox->setChecked(true);
  Window->MaxNumEdt->setText("7x");
  Window->MaxBufferSizeEdt->setText("50");
  Window->CloseAndSaveBtn->click();
  EXPECT_EQ(Messages, std::vector<std::string>{"There is a value that is not a number"});
  EXPECT_TRUE(Settings.RepeatChecksum);  // stored before the repetitions
  EXPECT_EQ(Settings.MaxNumberOfTries, 5);
  EXPECT_EQ(Settings.ManualBufferSize, 100);
  EXPECT_TRUE(Window->isVisible());

  Window->MaxNumEdt->setText("9");
  Window->ComboBox3->setCurrentIndex(1);
  Window->MultiReadEdt->setText("200");
  Window->CloseAndSaveBtn->click();
  EXPECT_EQ(Settings.MaxNumberOfTries, 9);
  EXPECT_EQ(Settings.ManualBufferSize, 50);
  EXPECT_EQ(Settings.SkiaGraphRender, 1);
  EXPECT_EQ(Settings.MultiReadSize, 200);
  EXPECT_EQ(MaxNumberOfTries(), 9);  // in force for the drive link at once
  EXPECT_FALSE(Window->isVisible());
}

TEST_F(OptionWindowTest, CloseStoresNothing) {
  Window->MaxNumEdt->setText("9");
  Window->CancelBtn->click();
  EXPECT_EQ(Settings.MaxNumberOfTries, 5);
  EXPECT_FALSE(Window->isVisible());
}

}  // namespace
