// The workspace login window; see WorkspaceLoginForm.h.
#include "shell/forms/WorkspaceLoginForm.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "devices/Device.h"
#include "runtime/Conversions.h"

namespace vt {

TPWDialogForm::TPWDialogForm(QWidget* Parent) : QDialog(Parent) {
  setObjectName("PWDialogForm");
  setWindowTitle("Login");
  DeviceInfo = new QLabel(this);
  DeviceInfo->setObjectName("DeviceInfo");
  UsernameEdit = new QLineEdit("User", this);
  UsernameEdit->setObjectName("UsernameEdit");
  PasswordEdit = new QLineEdit(this);
  PasswordEdit->setObjectName("PasswordEdit");
  PasswordEdit->setEchoMode(QLineEdit::Password);
  PasswordEdit->setStyleSheet("lineedit-password-character: 42");  // '*'
  UseforallChBox = new QCheckBox("Use same User/Pass for all drives", this);
  UseforallChBox->setObjectName("UseforallChBox");
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, [this] { SavePW(); });
  auto* fields = new QFormLayout;
  fields->addRow("User:", UsernameEdit);
  fields->addRow("Password:", PasswordEdit);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DeviceInfo);
  layout->addLayout(fields);
  layout->addWidget(UseforallChBox);
  layout->addWidget(OKBtn, 0, Qt::AlignRight);
  setFixedWidth(300);
}

void TPWDialogForm::Start() {
  if (UseforallChBox->isChecked()) return SavePW();
  if (firstFlag) {
    UseforallChBox->setChecked(true);
    firstFlag = false;
  }
  exec();
}

void TPWDialogForm::SavePW() {
  if (Device) {
    Device->SetStrVar(u"UserName", FromQString(UsernameEdit->text()));
    Device->SetStrVar(u"Password", FromQString(PasswordEdit->text()));
  }
  accept();
}

void TPWDialogForm::showEvent(QShowEvent* Event) {
  if (Device) {
    const WideString port = Device->GetStrVar(u"PortName");
    DeviceInfo->setText(port == u"ETH" ? "ETH " + QString::fromStdString(IntToIPStr(static_cast<std::uint32_t>(Device->DeviceIP)))
                                       : ToQString(port));
  }
  QDialog::showEvent(Event);
}

}  // namespace vt
