// The login information window and the installation of the login windows; see
// LoginInfoForm.h.
#include "devices/forms/LoginInfoForm.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

#include "devices/LoginWindows.h"
#include "devices/forms/LoginMessageForm.h"

namespace vt {

TLoginInfoForm::TLoginInfoForm(QWidget* Parent) : QWidget(Parent, Qt::Tool) {
  setObjectName(QStringLiteral("LoginInfoForm"));
  setWindowTitle(QStringLiteral("Login Information"));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(Memo1);
  resize(480, 260);
}

void TLoginInfoForm::AddLine(const WideString& Line) {
  if (isHidden()) show();
  Memo1->appendPlainText(ToQString(Line));
}

void TLoginInfoForm::AppendText(const WideString& Text) {
  if (isHidden()) show();
  QTextCursor cursor(Memo1->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(ToQString(Text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
}

void TLoginInfoForm::Clear() { Memo1->clear(); }

void InstallLoginWindows(TLoginInfoForm& InfoWindow) {
  SetTreeDialogHandler([](const TTreeDialogRequest& Request) {
    TLoginMsgForm form;
    form.Setup(Request);
    const TModalResult result = form.ShowModal();
    return TTreeDialogResult{result, form.FNewOldReleasesFlag};
  });
  SetLoginInfoHandler([&InfoWindow](const WideString& Line) { InfoWindow.AddLine(Line); });
  SetLoginInfoAppendHandler([&InfoWindow](const WideString& Text) { InfoWindow.AppendText(Text); });
}

}  // namespace vt
