#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <set>

#include "TempFolder.h"
#include "platform/TextConversion.h"
#include "platform/forms/QtDialogs.h"

using namespace vt;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "test_platform";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static auto* app = new QApplication(argc, argv);
  return *app;
}

// What the open dialog showed; Press names the button the test clicks.
struct TSeen {
  QString Name, Title, Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  std::set<QString> Buttons;
};

// Waits for the modal dialog, records it and clicks the button named Press (or closes
// the dialog when Press is empty).
void AnswerNextDialog(TSeen& Seen, const QString& Press) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, &Seen, Press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll->stop();
    poll->deleteLater();
    Seen.Name = box->objectName();
    Seen.Title = box->windowTitle();
    Seen.Text = box->text();
    Seen.Icon = box->icon();
    for (QAbstractButton* b : box->buttons()) Seen.Buttons.insert(b->objectName());
    if (Press.isEmpty())
      box->reject();
    else
      box->findChild<QAbstractButton*>(Press)->click();
  });
  poll->start(5);
}

// Waits for the save dialog, records its filters and default suffix and chooses Name,
// as typed by the user (relative to the dialog's folder), or cancels when Name is empty.
void AnswerNextSaveDialog(QStringList& Filters, QString& Suffix, const QString& Folder, const QString& Name) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [=, &Filters, &Suffix] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll->stop();
    poll->deleteLater();
    EXPECT_EQ(dialog->objectName(), "SaveDialog");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    Filters = dialog->nameFilters();
    Suffix = dialog->defaultSuffix();
    if (Name.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->setDirectory(Folder);
    // The dialog leaves alone a name that is being typed into it.
    if (QWidget* typing = dialog->focusWidget()) typing->clearFocus();
    dialog->selectFile(Name);
    static_cast<QDialog*>(dialog)->accept();  // its "Save" button
  });
  poll->start(5);
}

class Dialogs : public ::testing::Test {
 protected:
  void TearDown() override {
    SetShowMessageHandler(nullptr);
    SetMessageDlgHandler(nullptr);
    SetSaveDialogHandler(nullptr);
    SetBeepHandler(nullptr);
    SetMessageWindowFactory(nullptr);
  }
};

QMessageBox* ShownMessageWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "MessageWindow" && w->isVisible()) return qobject_cast<QMessageBox*>(w);
  return nullptr;
}

TEST_F(Dialogs, WithoutAWindowNoButtonIsChosen) {
  EXPECT_EQ(MessageDlg(u"headless", mtConfirmation, MsgDlgButton(mbYes) | MsgDlgButton(mbNo)), mrNone);
  TMsgDlgType type = mtCustom;
  TMsgDlgButtons buttons = 0;
  SetMessageDlgHandler([&](const std::u16string& text, TMsgDlgType t, TMsgDlgButtons b) {
    type = t, buttons = b;
    return text == u"go" ? mrRetry : mrAbort;
  });
  EXPECT_EQ(MessageDlg(u"go", mtWarning, MsgDlgButton(mbRetry) | MsgDlgButton(mbAbort)), mrRetry);
  EXPECT_EQ(type, mtWarning);
  EXPECT_EQ(buttons, 0x30u);
  int beeps = 0;
  SetBeepHandler([&] { ++beeps; });
  Beep();
  EXPECT_EQ(beeps, 1);
}

TEST_F(Dialogs, ButtonsGiveTheirResults) {
  const std::pair<TMsgDlgBtn, TModalResult> cases[] = {{mbYes, mrYes},     {mbNo, mrNo},       {mbOK, mrOk},
                                                       {mbCancel, mrCancel}, {mbAbort, mrAbort}, {mbRetry, mrRetry},
                                                       {mbIgnore, mrIgnore}};
  for (const auto& [button, result] : cases) EXPECT_EQ(ButtonResult(button), result) << button;
}

TEST_F(Dialogs, QtDialogShowsKindAndButtonsAndAnswersWithThePressedOne) {
  App();
  InstallQtDialogs();
  TSeen seen;
  AnswerNextDialog(seen, "No");
  EXPECT_EQ(MessageDlg(u"Continue?", mtConfirmation, MsgDlgButton(mbYes) | MsgDlgButton(mbNo)), mrNo);
  EXPECT_EQ(seen.Name, "MessageDlg");
  EXPECT_EQ(seen.Title, "Confirm");
  EXPECT_EQ(seen.Text, "Continue?");
  EXPECT_EQ(seen.Icon, QMessageBox::Question);
  EXPECT_EQ(seen.Buttons, (std::set<QString>{"Yes", "No"}));

  TSeen all;
  AnswerNextDialog(all, "Ignore");
  EXPECT_EQ(MessageDlg(u"x", mtError, 0x7F), mrIgnore);
  EXPECT_EQ(all.Title, "Error");
  EXPECT_EQ(all.Buttons, (std::set<QString>{"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore"}));

  // Closed without a button that the dialog knows as its escape: no result.
  TSeen closed;
  AnswerNextDialog(closed, "");
  EXPECT_EQ(MessageDlg(u"x", mtWarning, MsgDlgButton(mbRetry)), mrNone);
  EXPECT_EQ(closed.Icon, QMessageBox::Warning);
}

TEST_F(Dialogs, QtMessageBoxWaitsForItsOkButton) {
  App();
  InstallQtDialogs();
  TSeen seen;
  AnswerNextDialog(seen, "OK");
  ShowMessage(u"ROS with version 2.0");
  EXPECT_EQ(seen.Text, "ROS with version 2.0");
  EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.Buttons, (std::set<QString>{"OK"}));
}

TEST_F(Dialogs, MessageWindowShowsWithoutButtonsUntilHidden) {
  App();
  TMessageWindow headless(u"Reading", mtInformation);
  headless.Show();
  EXPECT_TRUE(headless.Visible());
  EXPECT_EQ(ShownMessageWindow(), nullptr);

  // Made before the window layer exists, the window gets its face at its first Show.
  TMessageWindow window(u"Please wait", mtInformation);
  InstallQtDialogs();
  window.Show();
  QMessageBox* box = ShownMessageWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), "Please wait");
  EXPECT_EQ(box->windowTitle(), "Information");
  EXPECT_FALSE(box->isModal());
  QApplication::processEvents();
  for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) EXPECT_FALSE(b->isVisible()) << b->text().toStdString();
  window.Hide();
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(ShownMessageWindow(), nullptr);
  window.Show();
  EXPECT_EQ(ShownMessageWindow(), box);
}

TEST_F(Dialogs, WithoutAWindowNoFileIsChosen) {
  EXPECT_EQ(ExecuteSaveDialog(u"Text (*.txt)|*.txt", u"txt"), u"");
  SetSaveDialogHandler([](const std::u16string& Filter, const std::u16string& DefaultExt) { return Filter + DefaultExt; });
  EXPECT_EQ(ExecuteSaveDialog(u"A|*.a", u"a"), u"A|*.aa");
}

TEST_F(Dialogs, QtSaveDialogShowsTheFiltersAndAddsTheDefaultExtension) {
  App();
  InstallQtDialogs();
  TempFolder dir;
  const QString folder = QString::fromStdString(dir.Path().string());
  QStringList filters;
  QString suffix;
  AnswerNextSaveDialog(filters, suffix, folder, "session");
  EXPECT_EQ(ExecuteSaveDialog(u"Debug Text (*.txt)|*.txt|All files|*.log;*.txt", u"txt"),
            FromQString(folder + "/session.txt"));
  EXPECT_EQ(filters, (QStringList{"Debug Text (*.txt)", "All files (*.log *.txt)"}));
  EXPECT_EQ(suffix, "txt");

  AnswerNextSaveDialog(filters, suffix, folder, "");
  EXPECT_EQ(ExecuteSaveDialog(u"Debug Text (*.txt)|*.txt", u"txt"), u"");
}

}  // namespace
