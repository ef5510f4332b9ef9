// The IPv4 and IPv6 address edits; see IpAddressEdit.h.
#include "ui/forms/IpAddressEdit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <optional>

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "ui/ScaleResult.h"
#include "ui/ScriptFormWait.h"

namespace vt {

namespace {

// The script form's wait ends as a click on its button with this tag would end it.
constexpr std::int64_t ExitButtonTag = 1;

// A field's number: decimal digits only, so that a field never shows one address and
// stands for another (a sign or a hexadecimal prefix would).
std::optional<int> FieldNumber(const QString& Text) {
  if (Text.isEmpty() || Text.size() > IP4FieldDigits) return std::nullopt;
  int value = 0;
  for (QChar c : Text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  return value;
}

// The caret's position as the fields see it: the start of a selection.
int SelStart(const QLineEdit* Field) {
  return Field->hasSelectedText() ? Field->selectionStart() : Field->cursorPosition();
}

bool IsDigitKey(int Key) { return Key >= Qt::Key_0 && Key <= Qt::Key_9; }

// '.', space and the keypad's decimal key (a comma on some layouts) move to the next field.
bool IsNextFieldKey(const QKeyEvent* Event) {
  const int key = Event->key();
  return key == Qt::Key_Period || key == Qt::Key_Space ||
         (key == Qt::Key_Comma && (Event->modifiers() & Qt::KeypadModifier));
}

}  // namespace

// ---- The panel ----

TIPEditPanel::TIPEditPanel(QWidget* AOwner) : QFrame(AOwner), FOwner(AOwner) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* Old, QWidget* Now) {
    // Another window (a message box) or another program taking the focus is no exit.
    if (Old && Now && isAncestorOf(Old) && !isAncestorOf(Now) && Now->window() == window()) IPEditOnExit();
  });
}

void TIPEditPanel::IPEditOnExit() {
  auto* form = dynamic_cast<TScriptFormWait*>(FOwner);
  if (!FScriptFlag || !form) return;
  // A failure cannot leave a window's event handler: it is shown instead.
  try {
    form->ContinueWaitingScript(ExitButtonTag);
  } catch (const std::exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
}

// ---- IPv4 ----

// One number field: the owner decides per key whether it may insert anything; the field
// is read-only for that key stroke only, so that arrows still move the caret.
class TIP4Field : public QLineEdit {
 public:
  TIP4Field(TIP4Edit* Owner, int Index) : QLineEdit(Owner), FOwner(Owner), FIndex(Index) {}

 protected:
  void keyPressEvent(QKeyEvent* Event) override {
    setReadOnly(FOwner->IP4EditKeyDown(FIndex, Event));
    QLineEdit::keyPressEvent(Event);
    setReadOnly(false);
  }

 private:
  TIP4Edit* const FOwner;
  const int FIndex;
};

TIP4Edit::TIP4Edit(QWidget* AOwner) : TIPEditPanel(AOwner) {
  const double s = ScaleResult();
  // A font wider than the one the sizes were made for widens the fields (never the gaps),
  // so that three digits are never cut.
  int digit = 0;
  for (char c = '0'; c <= '9'; ++c) digit = std::max(digit, fontMetrics().horizontalAdvance(QChar(c)));
  const int width = std::max(ScaleUp(IP4FieldWidth, s), IP4FieldDigits * digit + IP4FieldTextMargins);
  const int pitch = width + ScaleUp(IP4FieldPitch, s) - ScaleUp(IP4FieldWidth, s);
  for (int i = 0; i < IP4FieldCount; ++i) {
    auto* field = new TIP4Field(this, i);
    field->setObjectName(QString("Editor%1").arg(i));
    field->setFrame(false);
    field->setAlignment(Qt::AlignCenter);
    field->setMaxLength(IP4FieldDigits);
    field->setText("0");
    field->setGeometry(i * pitch + 1, IPEditFieldTop, width, FieldHeight());
    connect(field, &QLineEdit::textEdited, this, [this, i] { IP4EditChange(i); });
    Editor[i] = field;
  }
  for (int i = 0; i < IP4FieldCount - 1; ++i) {
    auto* dot = new QLabel(".", this);
    dot->setObjectName(QString("Separator%1").arg(i));
    dot->setGeometry(Editor[i]->x() + width, IPEditFieldTop, ScaleUp(IP4SeparatorWidth, s), FieldHeight());
    Separator[i] = dot;
  }
}

void TIP4Edit::SetVisibility(bool AVisible) {
  setVisible(AVisible);
  setEnabled(AVisible);
}

void TIP4Edit::SetIPValue(std::uint32_t IPValue) {
  for (int i = 0; i < IP4FieldCount; ++i) Editor[i]->setText(QString::number((IPValue >> (24 - 8 * i)) & 0xFF));
}

std::uint32_t TIP4Edit::GetIPValue() const {
  std::uint32_t value = 0;
  for (int i = 0; i < IP4FieldCount; ++i) {
    const QString text = Editor[i]->text();
    const auto number = FieldNumber(text);
    if (!number) throw EConvertError(Format("'%s' is not a valid integer value", text.toStdString()));
    value |= static_cast<std::uint32_t>(*number) << (24 - 8 * i);
  }
  return value;
}

QSize TIP4Edit::sizeHint() const {
  const QLineEdit* last = Editor.back();
  return {last->x() + last->width() + 1, fontMetrics().height() + 2 * IPEditFieldTop + 2};
}

int TIP4Edit::FieldHeight() const { return std::max(0, height() - 2 * IPEditFieldTop); }

void TIP4Edit::resizeEvent(QResizeEvent* Event) {
  TIPEditPanel::resizeEvent(Event);
  for (QWidget* w : Editor) w->resize(w->width(), FieldHeight());
  for (QWidget* w : Separator) w->resize(w->width(), FieldHeight());
}

void TIP4Edit::SelectField(int Index) {
  Editor[Index]->setFocus();
  Editor[Index]->selectAll();
}

bool TIP4Edit::IP4EditKeyDown(int Index, const QKeyEvent* Event) {
  const int key = Event->key();
  if (key == Qt::Key_Shift || key == Qt::Key_Control) return false;
  QLineEdit* field = Editor[Index];
  const int caret = SelStart(field);
  const bool last = Index == IP4FieldCount - 1;
  if (key == Qt::Key_Right && !last && caret == field->text().size()) {
    SelectField(Index + 1);
  } else if (key == Qt::Key_Left && Index > 0 && caret == 0) {
    SelectField(Index - 1);
  } else if (key == Qt::Key_Backspace && Index > 0 && caret == 0 && !field->hasSelectedText()) {
    QLineEdit* previous = Editor[Index - 1];
    QString text = previous->text();
    text.chop(1);
    previous->setFocus();
    previous->setText(text);  // the caret goes to the end
  } else if (IsNextFieldKey(Event) && !field->text().isEmpty() && !last) {
    SelectField(Index + 1);
  }
  const bool held = (Event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier)) ||
                    (QGuiApplication::mouseButtons() & Qt::LeftButton);
  return held || !(IsDigitKey(key) || key == Qt::Key_Backspace || key == Qt::Key_Delete);
}

void TIP4Edit::IP4EditChange(int Index) {
  QLineEdit* field = Editor[Index];
  const QString text = field->text();
  if (text.isEmpty()) return;
  const auto number = FieldNumber(text);
  // Pasted text: checked before the run-on below, so that it never stays behind.
  if (!number) {
    field->setText("0");
    field->selectAll();
    return;
  }
  if (*number > IP4FieldMax) {
    field->setText(QString::number(IP4FieldMax));
    field->selectAll();
    MessageDlg(FromQString(text) + u" is not a valid entry. Please specify a value between 0 and 255 for this field.",
               mtError, MsgDlgButton(mbOK));
    return;
  }
  // Typing runs on into the next field.
  if (Index < IP4FieldCount - 1 && text.size() == IP4FieldDigits && field->cursorPosition() == IP4FieldDigits)
    SelectField(Index + 1);
}

// ---- IPv6 ----

TIP6Edit::TIP6Edit(QWidget* AOwner) : TIPEditPanel(AOwner), Edit(new QLineEdit(this)) {
  Edit->setObjectName("Edit");
  Edit->setFrame(false);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Edit);
  resize(IP6EditInitialWidth, height());
}

void TIP6Edit::SetStrVal(const WideString& StrValue) { Edit->setText(ToQString(StrValue)); }

WideString TIP6Edit::GetStrVal() const { return FromQString(Edit->text()); }

}  // namespace vt
