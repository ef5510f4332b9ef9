// The Qt message boxes; see QtDialogs.h.
#include "platform/forms/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <memory>

#include "platform/Dialogs.h"
#include "platform/TextConversion.h"

namespace vt {

namespace {

struct TButtonInfo {
  TMsgDlgBtn Button;
  QMessageBox::StandardButton Standard;
  const char* Name;
};

// The fixed order in which the buttons stand, whatever order a caller names them in.
constexpr TButtonInfo kButtons[] = {
    {mbYes, QMessageBox::Yes, "Yes"},          {mbNo, QMessageBox::No, "No"},
    {mbOK, QMessageBox::Ok, "OK"},             {mbCancel, QMessageBox::Cancel, "Cancel"},
    {mbAbort, QMessageBox::Abort, "Abort"},    {mbRetry, QMessageBox::Retry, "Retry"},
    {mbIgnore, QMessageBox::Ignore, "Ignore"},
};

QMessageBox::Icon KindIcon(TMsgDlgType Type) {
  switch (Type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    case mtCustom: break;
  }
  return QMessageBox::NoIcon;
}

QString KindCaption(TMsgDlgType Type) {
  switch (Type) {
    case mtWarning: return QStringLiteral("Warning");
    case mtError: return QStringLiteral("Error");
    case mtInformation: return QStringLiteral("Information");
    case mtConfirmation: return QStringLiteral("Confirm");
    case mtCustom: break;
  }
  return QApplication::applicationDisplayName();
}

// A box without a parent: Qt centres it on the screen.
TModalResult RunDialog(const std::u16string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) {
  QMessageBox box(KindIcon(Type), KindCaption(Type), ToQString(Text));
  box.setObjectName(QStringLiteral("MessageDlg"));
  std::vector<std::pair<QAbstractButton*, TMsgDlgBtn>> shown;
  for (const TButtonInfo& info : kButtons) {
    if (!(Buttons & MsgDlgButton(info.Button))) continue;
    QAbstractButton* button = box.addButton(info.Standard);
    button->setObjectName(QString::fromLatin1(info.Name));
    shown.emplace_back(button, info.Button);
  }
  box.exec();
  for (const auto& [button, id] : shown)
    if (box.clickedButton() == button) return ButtonResult(id);
  return mrNone;
}

// A message box without buttons that stays open beside the other windows until the
// program hides it; the user cannot close it with a button.
class TQtMessageWindowFace : public TMessageWindow::TFace {
 public:
  explicit TQtMessageWindowFace(const TMessageWindow& Window)
      : FBox(KindIcon(Window.Type()), KindCaption(Window.Type()), ToQString(Window.Text()), QMessageBox::NoButton) {
    FBox.setObjectName(QStringLiteral("MessageWindow"));
    FBox.setWindowModality(Qt::NonModal);
    FBox.setStandardButtons(QMessageBox::NoButton);  // else Qt adds an OK button when shown
  }
  void SetVisible(bool Visible) override { FBox.setVisible(Visible); }

 private:
  QMessageBox FBox;
};

// "Caption|*.a;*.b|..." as Qt's "Caption (*.a *.b)" entries; a caption that shows its
// masks already ("Debug Text (*.txt)") is not given them twice.
QStringList QtNameFilters(const std::u16string& Filter) {
  const QStringList parts = ToQString(Filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString caption = parts[i].trimmed();
    if (caption.endsWith(')') && caption.contains('(')) caption.truncate(caption.lastIndexOf('('));
    filters << QString("%1 (%2)").arg(caption.trimmed(), parts[i + 1].split(';').join(' '));
  }
  return filters;
}

std::u16string RunSaveDialog(const std::u16string& Filter, const std::u16string& DefaultExt) {
  QFileDialog dialog;
  dialog.setObjectName(QStringLiteral("SaveDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(QtNameFilters(Filter));
  dialog.setDefaultSuffix(ToQString(DefaultExt));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return FromQString(dialog.selectedFiles().first());
}

}  // namespace

void InstallQtDialogs() {
  SetShowMessageHandler([](const std::u16string& Text) { RunDialog(Text, mtCustom, MsgDlgButton(mbOK)); });
  SetMessageDlgHandler(RunDialog);
  SetSaveDialogHandler(RunSaveDialog);
  SetMessageWindowFactory([](const TMessageWindow& Window) -> std::unique_ptr<TMessageWindow::TFace> {
    return std::make_unique<TQtMessageWindowFace>(Window);
  });
  SetBeepHandler([] { QApplication::beep(); });
}

}  // namespace vt
