// The "Connection Lost" dialog; see ConnectionLostForm.h.
#include "devices/forms/ConnectionLostForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "devices/ConnectionLostDialog.h"
#include "ui/forms/ResultButton.h"

namespace vt {

TConnectionLostDlg::TConnectionLostDlg(QWidget* Parent) : QDialog(Parent), MsgLabel(new QLabel(this)) {
  setObjectName(QStringLiteral("ConnectionLostDlg"));
  setWindowTitle(QStringLiteral("Connection Lost"));
  MsgLabel->setObjectName(QStringLiteral("MsgLabel"));
  MsgLabel->setText(QStringLiteral("Connection Lost!"));
  MsgLabel->setWordWrap(true);
  MsgLabel->setMinimumWidth(320);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ResultButton(this, "GoOfflineBtn", "Go Offline", mrCancel));
  QPushButton* retry = ResultButton(this, "RetryBtn", "Retry", mrRetry);
  retry->setDefault(true);
  buttons->addWidget(retry);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MsgLabel);
  layout->addSpacing(8);
  layout->addLayout(buttons);
}

void TConnectionLostDlg::SetMessage(const WideString& Text) { MsgLabel->setText(ToQString(Text)); }

// Without a parent: Qt centres the dialog on the screen.
void InstallConnectionLostDialog() {
  SetConnectionLostHandler([](const WideString& Message) {
    TConnectionLostDlg dialog;
    dialog.SetMessage(Message);
    return static_cast<TModalResult>(dialog.exec());
  });
}

}  // namespace vt
