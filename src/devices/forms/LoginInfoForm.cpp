// The login information window and the installation of the login windows; see
// LoginInfoForm.h.
#include "devices/forms/LoginInfoForm.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "devices/LoginWindows.h"
#include "devices/forms/LoginMessageForm.h"

namespace vt {

TLoginInfoForm::TLoginInfoForm(QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("LoginInfoForm"));
  setWindowTitle(QStringLiteral("Login Info "));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  AbortBtn = new QPushButton(QStringLiteral("Abort"), this);
  AbortBtn->setObjectName(QStringLiteral("AbortBtn"));
  CloseBtn = new QPushButton(QStringLiteral("Close"), this);
  CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
  connect(AbortBtn, &QPushButton::clicked, this, [this] {
    if (OnAbort) OnAbort();
  });
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(AbortBtn);
  buttons->addWidget(CloseBtn);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(Memo1);
  layout->addLayout(buttons);
  resize(480, 280);
}

void TLoginInfoForm::AddString(const WideString& AStr) {
  if (isHidden()) show();
  Memo1->appendPlainText(ToQString(AStr));
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
  SetLoginInfoHandler([&InfoWindow](const WideString& Line) { InfoWindow.AddString(Line); });
  SetLoginInfoAppendHandler([&InfoWindow](const WideString& Text) { InfoWindow.AppendText(Text); });
}

}  // namespace vt
