// The close question; see CloseDialog.h.
#include "shell/forms/CloseDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "runtime/Translations.h"

namespace vt {

namespace {

constexpr int LeastHeight = 140;

QPushButton* ResultButton(QDialog* Dialog, const char* Name, int Result) {
  auto* button = new QPushButton(Dialog);
  button->setObjectName(Name);
  QObject::connect(button, &QPushButton::clicked, Dialog, [Dialog, Result] { Dialog->done(Result); });
  return button;
}

}  // namespace

TCloseDlgForm::TCloseDlgForm(QWidget* Parent) : QDialog(Parent) {
  setObjectName("CloseDlgForm");
  setMinimumHeight(LeastHeight);
  QuestionLbl = new QLabel(this);
  QuestionLbl->setObjectName("QuestionLbl");
  QuestionLbl->setWordWrap(true);
  SaveBtn = ResultButton(this, "SaveBtn", mrSave);
  YesBtn = ResultButton(this, "YesBtn", mrYes);
  CancelBtn = ResultButton(this, "CancelBtn", mrCancel);
  CancelBtn->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {SaveBtn, YesBtn, CancelBtn}) buttons->addWidget(button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(QuestionLbl, 1);
  layout->addLayout(buttons);
}

void TCloseDlgForm::showEvent(QShowEvent* Event) {
  QuestionLbl->setText(ToQString(GetInfoSysText(u"Msg_CloseWindow")));
  SaveBtn->setText(ToQString(GetInfoSysText(u"CloseWindowSave")));
  YesBtn->setText(ToQString(GetInfoSysText(u"Yes")));
  CancelBtn->setText(ToQString(GetInfoSysText(u"No")));
  setWindowTitle(ToQString(GetInfoSysText(u"CloseForm")));
  QDialog::showEvent(Event);
}

}  // namespace vt
