#include "ui/forms/IpAddressEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "RefCountedTest.h"
#include "RuntimeTestUtil.h"
#include "platform/Dialogs.h"
#include "runtime/Conversions.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/values/Scalars.h"
#include "ui/ScaleResult.h"
#include "ui/ScriptFormWait.h"

using namespace vt;

namespace {

// One key stroke as the keyboard delivers it.
struct TStroke {
  int Key;
  Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
  QString Text;
};

// Digits, letters, '.' and ' ' on the main keys.
std::vector<TStroke> Keys(std::string_view Chars) {
  std::vector<TStroke> strokes;
  for (char c : Chars) {
    const int key = c >= '0' && c <= '9'   ? Qt::Key_0 + (c - '0')
                    : c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a')
                    : c == '.'             ? Qt::Key_Period
                                           : Qt::Key_Space;
    strokes.push_back({key, Qt::NoModifier, QString(QChar(c))});
  }
  return strokes;
}

std::vector<TStroke> operator+(std::vector<TStroke> A, const std::vector<TStroke>& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

const TStroke Backspace{Qt::Key_Backspace, Qt::NoModifier, {}};
const TStroke Left{Qt::Key_Left, Qt::NoModifier, {}};
const TStroke Right{Qt::Key_Right, Qt::NoModifier, {}};

const char* const Above255 = " is not a valid entry. Please specify a value between 0 and 255 for this field.";

// A window with an IPv4 edit and one other control, shown and active; the messages
// shown meanwhile are collected.
class IP4EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageDlgHandler([this](const std::u16string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) {
      EXPECT_EQ(Type, mtError);
      EXPECT_EQ(Buttons, MsgDlgButton(mbOK));
      Messages.push_back(WideToUtf8(Text));
      return mrOk;
    });
    Edit = new TIP4Edit(&Window);
    Edit->setObjectName("IP4Edit");
    Edit->SetPosition(10, 10);
    Edit->resize(Edit->sizeHint());
    Other = new QLineEdit(&Window);
    Other->move(10, 50);
    Window.resize(200, 100);
    Window.show();
    Window.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return Window.isActiveWindow(); }));
  }
  void TearDown() override { SetMessageDlgHandler(nullptr); }

  QLineEdit* Field(int Index) const { return Window.findChild<QLineEdit*>(QString("Editor%1").arg(Index)); }
  int FocusedField() const {
    for (int i = 0; i < 4; ++i)
      if (Window.focusWidget() == Field(i)) return i;
    return -1;
  }
  std::array<QString, 4> Texts() const {
    return {Field(0)->text(), Field(1)->text(), Field(2)->text(), Field(3)->text()};
  }
  // To the control that has the focus, as the keyboard does.
  void Press(const std::vector<TStroke>& Strokes) {
    for (const TStroke& s : Strokes) {
      QWidget* target = Window.focusWidget();
      QKeyEvent press(QEvent::KeyPress, s.Key, s.Modifiers, s.Text);
      QApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, s.Key, s.Modifiers, s.Text);
      QApplication::sendEvent(target, &release);
    }
  }

  QCoreApplication& App = TestApp();  // before the window
  QWidget Window;
  TIP4Edit* Edit = nullptr;
  QLineEdit* Other = nullptr;
  std::vector<std::string> Messages;
};

TEST_F(IP4EditTest, Typing) {
  struct TCase {
    const char* Name;
    const char* Start;  // the address before
    int Field;          // focused before
    int Caret;          // -1: its whole text selected
    std::vector<TStroke> Strokes;
    std::array<QString, 4> Fields;
    int Focus;  // after
    QString Selected;
    std::vector<std::string> Messages;
  };
  const TCase cases[] = {
      {"typing runs on", "0.0.0.0", 0, -1, Keys("19216801"), {"192", "168", "01", "0"}, 2, "", {}},
      {"above 255", "0.0.0.0", 0, -1, Keys("300"), {"255", "0", "0", "0"}, 0, "255", {std::string("300") + Above255}},
      {"backspace at the start walks back",
       "192.168.1.23",
       2,
       0,
       std::vector<TStroke>{Backspace} + Keys("9"),
       {"192", "169", "1", "23"},
       2,
       "1",
       {}},
      {"letters and held modifiers insert nothing, keypad digits do",
       "0.0.0.0",
       0,
       -1,
       Keys("a") + std::vector<TStroke>{{Qt::Key_1, Qt::ShiftModifier, "!"},
                                        {Qt::Key_1, Qt::ControlModifier, "1"},
                                        {Qt::Key_1, Qt::AltModifier, "1"},
                                        {Qt::Key_7, Qt::KeypadModifier, "7"}},
       {"7", "0", "0", "0"},
       0,
       "",
       {}},
      {"'.', space and the keypad's decimal key walk on",
       "0.0.0.0",
       0,
       -1,
       Keys("1. ") + std::vector<TStroke>{{Qt::Key_Comma, Qt::KeypadModifier, ","}} + Keys(".4"),
       {"1", "0", "0", "4"},
       3,
       "",
       {}},
      {"an empty field stays on '.'",
       "0.0.0.0",
       0,
       -1,
       std::vector<TStroke>{Backspace} + Keys(".5"),
       {"5", "0", "0", "0"},
       0,
       "",
       {}},
      {"arrows walk at the ends only",
       "10.20.30.40",
       1,
       2,
       {Right, Left, Left, Right, Right},
       {"10", "20", "30", "40"},
       1,
       "20",
       {}},
      {"no field after the last", "10.20.30.40", 3, 2, {Right}, {"10", "20", "30", "40"}, 3, "", {}},
      {"no field before the first", "10.20.30.40", 0, 0, {Backspace, Left}, {"10", "20", "30", "40"}, 0, "", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Messages.clear();
    Edit->SetIPValue(IPStrToInt(c.Start));
    QLineEdit* start = Field(c.Field);
    start->setFocus();
    if (c.Caret < 0)
      start->selectAll();
    else
      start->setCursorPosition(c.Caret);
    Press(c.Strokes);
    EXPECT_EQ(Texts(), c.Fields);
    EXPECT_EQ(FocusedField(), c.Focus);
    EXPECT_EQ(Field(c.Focus)->selectedText(), c.Selected);
    EXPECT_EQ(Messages, c.Messages);
  }
}

// Pasting bypasses the keys: what is no number becomes a selected '0', even three
// characters that would otherwise run on.
TEST_F(IP4EditTest, PastedText) {
  const struct {
    const char* Clipboard;
    QString Field;
    int Focus;
    std::vector<std::string> Messages;
  } cases[] = {
      {"ab", "0", 1, {}},
      {"abc", "0", 1, {}},
      {"-1", "0", 1, {}},
      {"12", "12", 1, {}},
      {"999", "255", 1, {std::string("999") + Above255}},
      {"123", "123", 2, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Clipboard);
    Messages.clear();
    Edit->SetIPValue(0);
    Field(1)->setFocus();
    Field(1)->selectAll();
    QApplication::clipboard()->setText(c.Clipboard);
    Field(1)->paste();
    EXPECT_EQ(Field(1)->text(), c.Field);
    EXPECT_EQ(FocusedField(), c.Focus);
    EXPECT_EQ(Messages, c.Messages);
  }
}

TEST_F(IP4EditTest, AddressValue) {
  for (const char* address : {"10.0.0.1", "192.168.1.255", "255.255.255.255", "0.0.0.0"}) {
    Edit->SetIPValue(IPStrToInt(address));
    EXPECT_EQ(IntToIPStr(Edit->GetIPValue()), address);
  }
  Edit->SetIPValue(IPStrToInt("10.0.0.1"));
  EXPECT_EQ(Texts(), (std::array<QString, 4>{"10", "0", "0", "1"}));
  // Field 0 is the high byte.
  EXPECT_EQ(Edit->GetIPValue(), 0x0A000001u);
  Field(2)->setText("");
  EXPECT_THROW_MSG(Edit->GetIPValue(), "'' is not a valid integer value");
  EXPECT_EQ(Field(2)->text(), "");
}

TEST_F(IP4EditTest, VisibilityAndLayout) {
  Edit->SetVisibility(false);
  EXPECT_FALSE(Edit->isVisible());
  EXPECT_FALSE(Edit->isEnabled());
  Edit->SetVisibility(true);
  EXPECT_TRUE(Edit->isVisible());
  EXPECT_TRUE(Edit->isEnabled());
  Edit->SetSize(15, 118);
  EXPECT_EQ(Edit->size(), QSize(118, 15));
  EXPECT_EQ(Edit->pos(), QPoint(10, 10));
  // Sizes grow with the main window's scaling, rounded up; a font too wide for them
  // widens the fields, never the gaps.
  QFont small = Window.font();
  small.setPixelSize(9);
  QFont large = Window.font();
  large.setPixelSize(30);
  const struct {
    double Scale;
    QFont Font;
    int Width, Gap, Dot;  // Width 0: three digits of the font, whatever that takes
  } cases[] = {{1.0, small, 25, 5, 5}, {1.1, small, 28, 5, 6}, {1.5, small, 38, 7, 8}, {1.0, large, 0, 5, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Scale);
    SetScaleResult(c.Scale);
    Window.setFont(c.Font);
    TIP4Edit edit(&Window);
    const QLineEdit* first = edit.findChild<QLineEdit*>("Editor0");
    const int width = first->width();
    if (c.Width) {
      EXPECT_EQ(width, c.Width);
    }
    EXPECT_GE(width, first->fontMetrics().horizontalAdvance("888") + 4);
    for (int i = 0; i < 4; ++i) {
      const QLineEdit* field = edit.findChild<QLineEdit*>(QString("Editor%1").arg(i));
      EXPECT_EQ(field->geometry().topLeft(), QPoint(i * (width + c.Gap) + 1, 2));
      EXPECT_EQ(field->width(), width);
      EXPECT_EQ(field->text(), "0");
      EXPECT_EQ(field->alignment(), Qt::AlignCenter);
      EXPECT_EQ(field->maxLength(), 3);
      if (i == 3) continue;
      const QLabel* dot = edit.findChild<QLabel*>(QString("Separator%1").arg(i));
      EXPECT_EQ(dot->text(), ".");
      EXPECT_EQ(dot->geometry().topLeft(), QPoint(field->x() + width, 2));
      EXPECT_EQ(dot->width(), c.Dot);
    }
  }
  SetScaleResult(1.0);
}

// ---- Script forms ----

class TTestScriptForm : public QWidget, public TScriptFormWait {};

class ScriptFormTest : public RefCountedTest {
 protected:
  void SetUp() override {
    RefCountedTest::SetUp();
    TestApp();
  }
};

// Leaving a control that a script form made, while the form waits for a button, goes on
// with the script as its button 1 would; nothing else does.
TEST_F(ScriptFormTest, LeavingAScriptMadeEditEndsTheFormsWait) {
  const struct {
    const char* Name;
    bool Ip6, ScriptFlag, Waiting, Continued;
    bool ContextWaits = true;
    std::vector<std::string> Shown = {};
  } cases[] = {
      {"IPv4, waiting", false, true, true, true},
      {"IPv6, waiting", true, true, true, true},
      {"IPv4, not waiting", false, true, false, false},
      {"IPv6, not made by the script", true, false, true, false},
      // A form that believes its script waits, when the script does not: shown, not raised.
      {"IPv4, the script not in its wait", false, true, true, false, false, {"continue called while not in wait state"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMessageCatcher shown;
    auto context = MakeRef<TSLContextImplementation>();
    if (c.ContextWaits) context->Wait(nullptr, -1);
    TTestScriptForm form;
    form.WaitForButton = c.Waiting;
    form.WaitingContext = context->ContextInterface();
    TIPEditPanel* edit = c.Ip6 ? static_cast<TIPEditPanel*>(new TIP6Edit(&form)) : new TIP4Edit(&form);
    if (c.ScriptFlag) edit->SetScriptFlag();
    auto* other = new QLineEdit(&form);
    other->move(0, 40);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return form.isActiveWindow(); }));
    QWidget* first = edit->findChildren<QLineEdit*>().first();
    first->setFocus();
    // Between the fields of one control the focus stays inside.
    edit->findChildren<QLineEdit*>().last()->setFocus();
    const TContextState before = context->GetState();
    EXPECT_EQ(before, c.ContextWaits ? isWaiting : isIdle);
    other->setFocus();
    EXPECT_EQ(context->GetState(), c.Continued ? isContinuing : before);
    EXPECT_EQ(form.WaitForButton, c.Waiting && !c.Continued && c.ContextWaits);
    EXPECT_EQ(shown.Messages, c.Shown);
    ASSERT_EQ(context->OperandStack()->GetCount(), c.Continued ? 1 : 0);
    if (c.Continued) {
      EXPECT_EQ(CheckedCast<TSLLongint>(context->OperandStack()->GetObjAtIndex(0))->GetLongintValue(), 1);
    }
    // Once continued, leaving again changes nothing.
    first->setFocus();
    other->setFocus();
    EXPECT_EQ(context->OperandStack()->GetCount(), c.Continued ? 1 : 0);
  }
}

TEST(IP6Edit, HoldsItsTextAsItIs) {
  TestApp();
  QWidget window;
  TIP6Edit edit(&window);
  EXPECT_EQ(edit.width(), 15);
  auto* field = edit.findChild<QLineEdit*>("Edit");
  ASSERT_NE(field, nullptr);
  for (const char16_t* text : {u"fe80::0200:5eff:fe00:5301", u"  not an address ", u""}) {
    edit.SetStrVal(text);
    EXPECT_EQ(field->text(), QString::fromUtf16(text));
    EXPECT_EQ(edit.GetStrVal(), text);
  }
  field->setText("::1");
  EXPECT_EQ(edit.GetStrVal(), u"::1");
}

}  // namespace
