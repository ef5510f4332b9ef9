// The import-log dialog; see ImportLogDialog.h.
#include "runtime/forms/ImportLogDialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"

namespace vt {

namespace {

constexpr int ButtonGap = 2;    // from the bottom panel's middle to each button
constexpr int PanelMargin = 8;  // above and below the buttons

}  // namespace

TShowWarnForm::TShowWarnForm() : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("ShowWarnForm");
  setWindowTitle("Import Log");
  resize(420, 150);

  FMsgLabel = new QLabel(this);
  FMsgLabel->setObjectName("MsgLabel");
  FMsgLabel->setWordWrap(true);
  FMsgLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  FBottomPanel = new QWidget(this);
  FBottomPanel->setObjectName("BottomPanel");
  FCloseBtn = new QPushButton("&OK", FBottomPanel);
  FCloseBtn->setObjectName("CloseBtn");
  FCloseBtn->setDefault(true);
  connect(FCloseBtn, &QPushButton::clicked, this, [this] { done(mrCancel); });
  FShowBtn = new QPushButton("&Show Details", FBottomPanel);
  FShowBtn->setObjectName("ShowBtn");
  connect(FShowBtn, &QPushButton::clicked, this, [this] { done(mrOk); });
  FBottomPanel->setFixedHeight(FCloseBtn->sizeHint().height() + 2 * PanelMargin);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FMsgLabel, 1);
  layout->addWidget(FBottomPanel);
  FMsgLabel->setContentsMargins(12, 12, 12, 4);
}

// The title bar's close button: as "&OK".
void TShowWarnForm::reject() { done(mrCancel); }

void TShowWarnForm::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier)
    FShowBtn->click();
  else
    QDialog::keyPressEvent(Event);
}

void TShowWarnForm::resizeEvent(QResizeEvent* Event) {
  QDialog::resizeEvent(Event);
  FormResize();
}

// The bottom panel spans the dialog, so its middle is the dialog's; the layout may not
// have resized the panel yet.
void TShowWarnForm::FormResize() {
  const int middle = width() / 2;
  for (QPushButton* button : {FCloseBtn, FShowBtn}) button->resize(button->sizeHint());
  const int top = (FBottomPanel->height() - FCloseBtn->height()) / 2;
  FCloseBtn->move(middle - ButtonGap - FCloseBtn->width(), top);
  FShowBtn->move(middle + ButtonGap, top);
}

}  // namespace vt
