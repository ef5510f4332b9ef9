// The "Missing UPID" window; see MissingUPIDForm.h.
#include "parameters/forms/MissingUPIDForm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/forms/ResultButton.h"

namespace vt {

TMissing_UPID::TMissing_UPID(QWidget* Parent)
    : QDialog(Parent), Lbl_MissingUPID_Message(new QLabel(this)), CB_all(new QCheckBox(this)) {
  setObjectName(QStringLiteral("Missing_UPID"));
  setWindowTitle(QStringLiteral("Missing UPID"));
  Lbl_MissingUPID_Message->setObjectName(QStringLiteral("Lbl_MissingUPID_Message"));
  Lbl_MissingUPID_Message->setMinimumWidth(300);
  CB_all->setObjectName(QStringLiteral("CB_all"));
  CB_all->setText(QStringLiteral("Ignore all missing UPIDs"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  QPushButton* ignore = ResultButton(this, "Btn_Ignore", "Ignore", mrIgnore);
  ignore->setDefault(true);
  buttons->addWidget(ignore);
  buttons->addWidget(ResultButton(this, "Btn_Abort", "Abort", mrAbort));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Lbl_MissingUPID_Message);
  layout->addSpacing(8);
  layout->addWidget(CB_all);
  layout->addSpacing(8);
  layout->addLayout(buttons);
}

bool TMissing_UPID::IgnoreAll() const { return CB_all->isChecked(); }

void TMissing_UPID::ClearIgnoreAll() { CB_all->setChecked(false); }

TModalResult TMissing_UPID::Show(const AnsiString& Message) {
  TUPIDMessage = Message;
  return static_cast<TModalResult>(exec());
}

void TMissing_UPID::showEvent(QShowEvent* Event) {
  Lbl_MissingUPID_Message->setText(QString::fromLatin1(TUPIDMessage.data(), static_cast<qsizetype>(TUPIDMessage.size())));
  QDialog::showEvent(Event);
}

// Without a parent, so that Qt centres it on the screen; it goes with its owner.
void InstallMissingUPIDWindow(QObject* Owner) {
  auto* window = new TMissing_UPID;
  SetMissingUPIDPrompt(window);
  QObject::connect(Owner, &QObject::destroyed, [window] {
    SetMissingUPIDPrompt(nullptr);
    delete window;
  });
}

}  // namespace vt
