// The debug window; see DebugWindow.h.
#include "runtime/forms/DebugWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTextBlock>
#include <QVBoxLayout>

#include "platform/Dialogs.h"

namespace vt {

namespace {

// A panel whose controls stand in a row, left to right.
QHBoxLayout* NewPanel(QWidget* Parent, const char* Name) {
  auto* panel = new QWidget(Parent);
  panel->setObjectName(QString::fromLatin1(Name));
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(4, 4, 4, 4);
  return row;
}

template <class Control>
Control* AddControl(QHBoxLayout* Row, const char* Name, const char* Caption) {
  auto* control = new Control(QString::fromLatin1(Caption), Row->parentWidget());
  control->setObjectName(QString::fromLatin1(Name));
  Row->addWidget(control);
  return control;
}

}  // namespace

TDebugWindow::TDebugWindow() : QWidget(nullptr, Qt::Window) {
  setObjectName("DebugWindow");
  setWindowTitle("Debug Window");
  setProperty("HelpKeyword", QStringLiteral("Debug Window"));
  resize(720, 480);

  QHBoxLayout* top = NewPanel(this, "TopPanel");
  struct TButton {
    const char* Name;
    const char* Caption;
    void (TDebugWindow::*Click)();
  };
  const TButton buttons[] = {{"Button1", "Clear", &TDebugWindow::Button1Click},
                             {"BtSave", "Save...", &TDebugWindow::BtSaveClick},
                             {"Button5", "Go to Top", &TDebugWindow::Button5Click},
                             {"Button4", "Go to Bottom", &TDebugWindow::Button4Click},
                             {"Button7", "Show/Hide Status Request", &TDebugWindow::BtFilterClick}};
  for (const TButton& b : buttons)
    connect(AddControl<QPushButton>(top, b.Name, b.Caption), &QPushButton::clicked, this, b.Click);
  FCheckBox1 = AddControl<QCheckBox>(top, "CheckBox1", "Enable Debug Mode");
  connect(FCheckBox1, &QCheckBox::clicked, this, &TDebugWindow::CheckBox1Click);
  top->addStretch();

  FDebugOutput1 = new QPlainTextEdit(this);
  FDebugOutput1->setObjectName("DebugOutput1");
  FDebugOutput1->setReadOnly(true);
  FDebugOutput1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FDebugOutput1->setPlainText("Debug Window");

  QHBoxLayout* bottom = NewPanel(this, "BottomPanel");
  FStayOnTopChkBox = AddControl<QCheckBox>(bottom, "StayOnTopChkBox", "Stay on Top");
  connect(FStayOnTopChkBox, &QCheckBox::clicked, this, &TDebugWindow::StayOnTopChkBoxClick);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(top->parentWidget());
  layout->addWidget(FDebugOutput1, 1);
  layout->addWidget(bottom->parentWidget());

  if (TDebugManager* manager = DebugManager()) manager->SetDebugMemo(this);
}

TDebugWindow::~TDebugWindow() {
  TDebugManager* manager = DebugManager();
  if (manager && manager->DebugMemo() == this) manager->SetDebugMemo(nullptr);
}

int TDebugWindow::LineCount() const {
  return FDebugOutput1->document()->isEmpty() ? 0 : FDebugOutput1->document()->blockCount();
}

void TDebugWindow::DeleteOldestLines(int Count) {
  QTextCursor cursor(FDebugOutput1->document());
  cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, Count);
  cursor.removeSelectedText();
}

void TDebugWindow::AppendLine(const AnsiString& Line) { FDebugOutput1->appendPlainText(ToQString(AnsiToWide(Line))); }

void TDebugWindow::MoveToLine(int Line) {
  QTextCursor cursor(FDebugOutput1->document()->findBlockByNumber(Line));
  FDebugOutput1->setTextCursor(cursor);
  FDebugOutput1->ensureCursorVisible();
}

void TDebugWindow::showEvent(QShowEvent* Event) {
  if (TDebugManager* manager = DebugManager()) FCheckBox1->setChecked(manager->DebugingEnabled());
  QWidget::showEvent(Event);
}

void TDebugWindow::Button1Click() { FDebugOutput1->clear(); }

void TDebugWindow::BtSaveClick() {
  const WideString fileName = ExecuteSaveDialog(u"Debug Text (*.txt)|*.txt", u"txt");
  if (!fileName.empty()) SaveLines(ToQString(fileName));
}

// The shown lines in the 8-bit code page, each ended by CR LF. Written aside and then
// put in place, so that a failure leaves an existing file as it was.
void TDebugWindow::SaveLines(const QString& FileName) {
  AnsiString text;
  if (LineCount() > 0)
    for (QTextBlock block = FDebugOutput1->document()->begin(); block.isValid(); block = block.next())
      text.append(WideToAnsi(FromQString(block.text()))).append("\r\n");
  QSaveFile file(FileName);
  if (file.open(QIODevice::WriteOnly) && file.write(text.data(), static_cast<qint64>(text.size())) >= 0 &&
      file.commit())
    return;
  ShowMessage(FromQString(QString("Cannot create file \"%1\". %2").arg(FileName, file.errorString())));
}

void TDebugWindow::Button5Click() { MoveToLine(0); }

void TDebugWindow::Button4Click() { MoveToLine(FDebugOutput1->document()->blockCount() - 1); }

void TDebugWindow::BtFilterClick() {
  if (TDebugManager* manager = DebugManager()) manager->Filters().DenyAllowStatusFilter();
}

void TDebugWindow::CheckBox1Click() {
  if (TDebugManager* manager = DebugManager()) manager->SetDebugingEnabled(FCheckBox1->isChecked());
}

void TDebugWindow::StayOnTopChkBoxClick() {
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, FStayOnTopChkBox->isChecked());
  // Changing a window flag hides the window.
  if (shown) show();
}

}  // namespace vt
