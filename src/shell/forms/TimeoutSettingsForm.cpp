// The login time-out window; see TimeoutSettingsForm.h.
#include "shell/forms/TimeoutSettingsForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "comm/SharedLinkState.h"
#include "platform/Dialogs.h"
#include "platform/NumberText.h"
#include "platform/TextConversion.h"

namespace vt {

namespace {

constexpr std::int32_t DefaultLogin = 250;
constexpr std::int32_t TwoSeconds = 2000;
// The least custom time-out: the drive link's shortest answer time-out.
constexpr std::int32_t LeastCustom = 2000;

}  // namespace

TTimeout_Settings::TTimeout_Settings(QWidget* Parent) : QDialog(Parent) {
  setObjectName("Timeout_Settings");
  setWindowTitle("Timeout Settings");
  DefaultTimeout = new QRadioButton("Default 250ms", this);
  DefaultTimeout->setObjectName("DefaultTimeout");
  Timeout_2s = new QRadioButton("2s", this);
  Timeout_2s->setObjectName("Timeout_2s");
  TimeoutCustom = new QRadioButton("Custom Timeout [ms]", this);
  TimeoutCustom->setObjectName("TimeoutCustom");
  TimeoutEdit = new QLineEdit("5000", this);
  TimeoutEdit->setObjectName("TimeoutEdit");
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setObjectName("CancelBtn");
  connect(DefaultTimeout, &QRadioButton::clicked, this, [this] { Value = DefaultLogin; });
  connect(Timeout_2s, &QRadioButton::clicked, this, [this] { Value = TwoSeconds; });
  connect(TimeoutCustom, &QRadioButton::clicked, this, [this] { CustomClick(); });
  connect(TimeoutEdit, &QLineEdit::editingFinished, this, [this] { TimeoutEditExit(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::hide);
  auto* choices = new QGridLayout;
  choices->addWidget(DefaultTimeout, 0, 0);
  choices->addWidget(Timeout_2s, 1, 0);
  choices->addWidget(TimeoutCustom, 2, 0);
  choices->addWidget(TimeoutEdit, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(choices);
  layout->addLayout(buttons);
}

void TTimeout_Settings::Beforshow() {
  Value = loginTimeout;
  if (Value == DefaultLogin) {
    DefaultTimeout->setChecked(true);
  } else if (Value == TwoSeconds) {
    Timeout_2s->setChecked(true);
  } else {
    TimeoutCustom->setChecked(true);
    TimeoutEdit->setText(QString::number(Value));
  }
  show();
}

void TTimeout_Settings::CustomClick() {
  if (const auto number = TryStrToInt64(WideToAnsi(FromQString(TimeoutEdit->text())))) {
    Value = static_cast<std::int32_t>(*number);
    return;
  }
  ShowMessage(u"The value shout be a number greater equal than 2000");
}

void TTimeout_Settings::TimeoutEditExit() {
  const auto number = TryStrToInt64(WideToAnsi(FromQString(TimeoutEdit->text())));
  if (number && *number >= LeastCustom && *number <= INT32_MAX) {
    Value = static_cast<std::int32_t>(*number);
    return;
  }
  ShowMessage(u"The value shout be a number greater or equal than 2000");
  Value = LeastCustom;
  TimeoutEdit->setText(QString::number(LeastCustom));
}

void TTimeout_Settings::OKClick() {
  ApplyLoginTimeout(Value);
  hide();
}

}  // namespace vt
