// The tree dialog; see LoginMessageForm.h.
#include "devices/forms/LoginMessageForm.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vt {

namespace {

QString Lines(const WideString& Text) {
  QString s = ToQString(Text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar(u'\r'), QChar(u'\n'));
  return s.trimmed();
}

QLabel* NewLabel(const char* Name, QWidget* Parent) {
  auto* label = new QLabel(Parent);
  label->setObjectName(QString::fromLatin1(Name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QPushButton* NewButton(const char* Name, const QString& Caption, QWidget* Parent) {
  auto* button = new QPushButton(Caption, Parent);
  button->setObjectName(QString::fromLatin1(Name));
  return button;
}

}  // namespace

TLoginMsgForm::TLoginMsgForm(QWidget* Parent) : QDialog(Parent) {
  setObjectName(QStringLiteral("LoginMsgForm"));
  setWindowTitle(QStringLiteral("Parameter Trees"));

  auto* icon = new QLabel(this);
  const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(size, size));
  icon->setAlignment(Qt::AlignTop);
  Label1 = NewLabel("Label1", this);
  // A wrapped label takes the narrowest width it can; the texts are a few sentences.
  Label1->setMinimumWidth(420);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(Label1, 1);

  MiddlePanel = new QFrame(this);
  MiddlePanel->setObjectName(QStringLiteral("MiddlePanel"));
  MiddlePanel->setFrameShape(QFrame::StyledPanel);
  Label2 = NewLabel("Label2", MiddlePanel);
  auto* middle = new QVBoxLayout(MiddlePanel);
  middle->addWidget(Label2);
  MiddlePanel->hide();

  Button4 = NewButton("Button4", QStringLiteral("Show Details"), this);
  Button1 = NewButton("Button1", QStringLiteral("Yes"), this);
  Button2 = NewButton("Button2", QStringLiteral("No"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button4);
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(MiddlePanel, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(Button1, &QPushButton::clicked, this, [this] { done(mrYes); });
  connect(Button2, &QPushButton::clicked, this, [this] { done(mrNo); });
  connect(Button4, &QPushButton::clicked, this, [this] { ToggleDetails(); });
}

void TLoginMsgForm::Setup(const TTreeDialogRequest& Request) {
  Label1->setText(Lines(Request.TopText));
  Label2->setText(Lines(Request.Details));
  Button1->setVisible(Request.FirstButtonVisible);
  Button2->setText(ToQString(Request.SecondButton));
  (Request.FirstButtonVisible ? Button1 : Button2)->setDefault(true);
}

TModalResult TLoginMsgForm::ShowModal() {
  const int result = exec();
  return result == mrYes || result == mrNo ? static_cast<TModalResult>(result) : mrNone;
}

void TLoginMsgForm::ToggleDetails() {
  const bool show = MiddlePanel->isHidden();
  MiddlePanel->setVisible(show);
  Button4->setText(show ? QStringLiteral("Hide Details") : QStringLiteral("Show Details"));
}

}  // namespace vt
