// The user and password window; see PasswordDialog.h.
#include "shell/forms/PasswordDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt {

TPasswordDlg::TPasswordDlg(QWidget* Parent) : QDialog(Parent) {
  setObjectName("PasswordDlg");
  setWindowTitle("Switch User");
  InfoMsg = new QLabel(this);
  InfoMsg->setObjectName("InfoMsg");
  InfoMsg->setWordWrap(true);
  UserEdt = new QLineEdit(this);
  UserEdt->setObjectName("UserEdt");
  PasswordEdt = new QLineEdit(this);
  PasswordEdt->setObjectName("PasswordEdt");
  PasswordEdt->setEchoMode(QLineEdit::Password);
  PasswordEdt->setStyleSheet("lineedit-password-character: 42");  // '*'
  CRCLbl = new QLabel("Checksum:", this);
  CRCLbl->setObjectName("CRCLbl");
  CRCEdt = new QLineEdit(this);
  CRCEdt->setObjectName("CRCEdt");
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setObjectName("CancelBtn");
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  auto* fields = new QFormLayout;
  fields->addRow("User:", UserEdt);
  fields->addRow("Password:", PasswordEdt);
  fields->addRow(CRCLbl, CRCEdt);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(InfoMsg);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  setFixedWidth(320);
}

WideString TPasswordDlg::GetUserName() const { return FromQString(UserEdt->text()); }
void TPasswordDlg::SetUserName(const WideString& Value) { UserEdt->setText(ToQString(Value)); }
WideString TPasswordDlg::GetPassword() const { return FromQString(PasswordEdt->text()); }
void TPasswordDlg::SetUserStringLength(int Length) { UserEdt->setMaxLength(Length); }
void TPasswordDlg::SetPassStringLength(int Length) { PasswordEdt->setMaxLength(Length); }

void TPasswordDlg::SetCRCEditVisibility(bool Visible) {
  CRCEdt->setVisible(Visible);
  CRCLbl->setVisible(Visible);
}

void TPasswordDlg::SetCRCText(const WideString& Text) { CRCEdt->setText(ToQString(Text)); }

void TPasswordDlg::showEvent(QShowEvent* Event) {
  PasswordEdt->clear();
  QDialog::showEvent(Event);
}

}  // namespace vt
