// The property inspector (offscreen, at a scale factor of 1.5): the rows an object's list
// fills and where the help text goes, values typed and chosen and written on Enter or on
// leaving, refused values reloaded, the help text by language, "More..." opening the
// device's help file, and the switch kept in the application state.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QKeyEvent>
#include <QTextEdit>

#include <filesystem>
#include <fstream>

#include "DeviceModelTest.h"
#include "TempFolder.h"
#include "TestUtil.h"
#include "ViewHostWindow.h"
#include "devices/forms/PropertyInspector.h"
#include "platform/Exceptions.h"
#include "platform/OpenDocument.h"
#include "platform/PathResolver.h"
#include "runtime/ApplicationState.h"
#include "runtime/ProgramFolders.h"

using namespace vt;

namespace {

// The object the lists below describe.
struct TGadget {
  AnsiString Name = "Axis";
  std::int32_t Gain = 5;
  AnsiString Mode = "HEX";
  int Writes = 0;
};

TGadget& GadgetOf(TPropertyObject Obj) { return *static_cast<TGadget*>(Obj); }

// Name (text), Gain (integer; more than 100 refused), Serial (read-only text), Mode (a
// choice), Locked (a read-only choice).
class TGadgetList : public TPropertyList {
 public:
  TGadgetList() {
    FObjType = "Gadget";
    const TGetString getText = [](TPropertyObject Obj, std::int32_t Id) {
      return Id == 1 ? GadgetOf(Obj).Name : Id == 3 ? AnsiString("SN-7") : GadgetOf(Obj).Mode;
    };
    const TSetString setText = [](TPropertyObject Obj, std::int32_t Id, const AnsiString& Value) {
      ++GadgetOf(Obj).Writes;
      (Id == 1 ? GadgetOf(Obj).Name : GadgetOf(Obj).Mode) = Value;
    };
    Add<TStringProperty>("Name")->Setup(getText, setText, 1);
    auto* gain = Add<TLongintProperty>("Gain");
    gain->FCaption = "Gain factor";
    gain->Setup([](TPropertyObject Obj, std::int32_t) { return GadgetOf(Obj).Gain; },
                [](TPropertyObject Obj, std::int32_t, std::int32_t Value) {
                  if (Value > 100) throw Exception("Gain too high");
                  ++GadgetOf(Obj).Writes;
                  GadgetOf(Obj).Gain = Value;
                },
                2);
    auto* serial = Add<TStringProperty>("Serial");
    serial->Setup(getText, setText, 3);
    serial->FReadOnly = true;
    for (const char* name : {"Mode", "Locked"}) {
      auto* mode = Add<TStringProperty>(name);
      mode->Setup(getText, setText, 4);
      mode->FViewer = "COMBO";
      mode->FComboListStr = "SCALED,DEC,HEX,BIN";
      mode->FReadOnly = AnsiString(name) == "Locked";
    }
    AddInfoStringListItem("English", "Moves the axis.<br>Second line.");
    AddInfoStringListItem("Deutsch", "Bewegt die Achse.");
  }
};

class PropertyInspectorTest : public DeviceTest {
 protected:
  void SetUp() override {
    TestApp();
    DeviceTest::SetUp();
    ApplicationState().ScaleFactor = 1.5;
    ApplicationState().LanguageName = "English";
    CreatePropertyInspector();
    Inspector = PropertyInspector();
    Inspector->show();
    QApplication::setActiveWindow(Inspector);
    ASSERT_TRUE(WaitUntil([&] { return Inspector->isActiveWindow(); }));
    SetShowMessageHandler([this](const std::u16string& Text) { Messages.push_back(WideToUtf8(Text)); });
  }
  void TearDown() override {
    SetShowMessageHandler(nullptr);
    SetOpenDocumentHandler(nullptr);
    FreePropertyInspector();
    ApplicationState().ScaleFactor = 1.0;
    ApplicationState().LanguageName = "English";
    ApplicationState().ShowObjectInspector = true;
    DeviceTest::TearDown();
  }

  // The rows shown: "caption=value" for a text box, "caption=[value]" for a choice.
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (const auto& row : Inspector->EditBoxList) {
      if (row.InfoLabel->isHidden()) continue;
      const std::string value = !row.Edit->isHidden()    ? row.Edit->text().toStdString()
                                : !row.Combo->isHidden() ? "[" + row.Combo->currentText().toStdString() + "]"
                                                         : "";
      rows.push_back(row.InfoLabel->text().toStdString() + "=" + value);
    }
    return rows;
  }
  static void Key(QWidget* Target, int AKey, const QString& Text = {}) {
    QKeyEvent press(QEvent::KeyPress, AKey, Qt::NoModifier, Text);
    QApplication::sendEvent(Target, &press);
    QKeyEvent release(QEvent::KeyRelease, AKey, Qt::NoModifier, Text);
    QApplication::sendEvent(Target, &release);
  }
  // Focus into Edit, its text selected, then Text typed key by key.
  static void TypeInto(QLineEdit* Edit, const QString& Text) {
    Edit->setFocus();
    Edit->selectAll();
    for (const QChar c : Text) Key(Edit, c.unicode(), QString(c));
  }

  TPropertyInspector* Inspector = nullptr;
  TGadget Gadget;
  TGadgetList List;
  std::vector<std::string> Messages;
};

TEST_F(PropertyInspectorTest, RowsAndTheHelpTextBelowTheLastOne) {
  Inspector->EditObjectProperties(&Gadget, &List);
  EXPECT_EQ(Inspector->ObjTypeEditBox.Edit->text(), "Gadget");
  EXPECT_TRUE(Inspector->ObjTypeEditBox.Edit->isReadOnly());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Name=Axis", "Gain factor=5", "Serial=SN-7", "Mode=[HEX]",
                                              "Locked=[HEX]"}));
  // Rows 25 apart from 10 on, times 1.5 rounded up; the text box and label of row 4 to
  // 10 hidden.
  EXPECT_EQ(Inspector->EditBoxList[0].InfoLabel->y(), 53);
  EXPECT_EQ(Inspector->EditBoxList[1].Edit->geometry().topLeft(), QPoint(150, 90));
  EXPECT_EQ(Inspector->EditBoxList[3].Combo->y(), 173);
  EXPECT_TRUE(Inspector->EditBoxList[5].Edit->isHidden());
  EXPECT_EQ(Inspector->InfoBox->y(), Inspector->EditBoxList[4].InfoLabel->y() + 38);
  EXPECT_EQ(Inspector->InfoInfoLabel->y(), Inspector->InfoBox->y());
  EXPECT_EQ(Inspector->InfoBox->toPlainText(), "Moves the axis.\nSecond line.");
  EXPECT_FALSE(Inspector->MoreLbl->isVisible());
  EXPECT_TRUE(Inspector->IsAssignedTo(&List));
  SaveScreenshot(Inspector, "PropertyInspector");

  // Two items: rows 1 and 2, the help text 25 (scaled) below row 2.
  TPropertyList two;
  two.FObjType = "Pair";
  for (const char* name : {"A", "B"})
    two.Add<TLongintProperty>(name)->Setup([](TPropertyObject, std::int32_t Id) { return Id; }, nullptr, 7);
  Inspector->EditObjectProperties(&Gadget, &two);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"A=7", "B=7"}));
  EXPECT_EQ(Inspector->InfoBox->y(), 90 + 38);
  EXPECT_FALSE(Inspector->IsAssignedTo(&List));

  // An empty list: only the type row, the help text below it.
  TPropertyList empty;
  Inspector->EditObjectProperties(&Gadget, &empty);
  EXPECT_TRUE(Rows().empty());
  EXPECT_FALSE(Inspector->ObjTypeEditBox.Edit->isHidden());
  EXPECT_EQ(Inspector->InfoBox->y(), 15 + 38);

  Inspector->Clear();
  EXPECT_TRUE(Inspector->ObjTypeEditBox.Edit->isHidden());
  EXPECT_TRUE(Inspector->InfoBox->isHidden());
  EXPECT_FALSE(Inspector->IsAssignedTo(&empty));
  EXPECT_FALSE(Inspector->IsAssignedTo(nullptr));
}

TEST_F(PropertyInspectorTest, TypedValuesAreWrittenOnEnterOrLeaving) {
  Inspector->EditObjectProperties(&Gadget, &List);
  QLineEdit* name = Inspector->EditBoxList[0].Edit;
  QLineEdit* gain = Inspector->EditBoxList[1].Edit;
  QLineEdit* serial = Inspector->EditBoxList[2].Edit;

  TypeInto(name, "Lift");
  EXPECT_EQ(Gadget.Name, "Axis");
  Key(name, Qt::Key_Return);
  EXPECT_EQ(Gadget.Name, "Lift");

  // Leaving the box writes too.
  TypeInto(gain, "42");
  serial->setFocus();
  EXPECT_EQ(Gadget.Gain, 42);

  // Read-only: Enter writes nothing.
  const int writes = Gadget.Writes;
  TypeInto(serial, "SN-8");
  Key(serial, Qt::Key_Return);
  EXPECT_EQ(Gadget.Writes, writes);

  // A refused value and a text that is no number: the message, and the value is back.
  for (const char* text : {"500", "12a"}) {
    SCOPED_TRACE(text);
    Messages.clear();
    TypeInto(gain, text);
    Key(gain, Qt::Key_Return);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(gain->text(), "42");
    EXPECT_EQ(Gadget.Gain, 42);
  }
  EXPECT_EQ(Gadget.Writes, writes);
}

TEST_F(PropertyInspectorTest, ChoicesAreWrittenWhenChosen) {
  Inspector->EditObjectProperties(&Gadget, &List);
  QComboBox* mode = Inspector->EditBoxList[3].Combo;
  QComboBox* locked = Inspector->EditBoxList[4].Combo;
  ASSERT_EQ(mode->count(), 4);
  EXPECT_EQ(mode->itemText(0), "SCALED");
  EXPECT_EQ(mode->currentIndex(), 2);
  EXPECT_TRUE(mode->isEnabled());
  EXPECT_FALSE(locked->isEnabled());
  EXPECT_EQ(Gadget.Writes, 0);

  mode->setFocus();
  Key(mode, Qt::Key_Up);
  EXPECT_EQ(Gadget.Mode, "DEC");
  // A value that is no choice selects none.
  Gadget.Mode = "ASCII";
  Inspector->EditObjectProperties(&Gadget, &List);
  EXPECT_EQ(mode->currentIndex(), -1);
}

TEST_F(PropertyInspectorTest, HelpTextByLanguageAndTheMoreLink) {
  TempFolder folder;
  WorkDir = PathToWide(folder.Path()) + u"/";
  std::filesystem::create_directories(folder.Path() / "Doc/English/Interface");
  std::ofstream(folder.Path() / "Doc/English/Interface/0185-1234_E_1V0_Manual.chm") << "help";
  TDevice* box = NewDevice({});
  box->SetHTMLHelp("\\Interface\\0185-1234*");
  std::vector<std::filesystem::path> opened;
  SetOpenDocumentHandler([&](const std::filesystem::path& Path) {
    opened.push_back(Path);
    return true;
  });

  ApplicationState().LanguageName = "Deutsch";
  Inspector->EditObjectProperties(&Gadget, &List);
  EXPECT_EQ(Inspector->InfoBox->toPlainText(), "Bewegt die Achse.");
  ApplicationState().LanguageName = "French";  // none: the English text
  Inspector->UpdateInfoText();
  EXPECT_EQ(Inspector->InfoBox->toPlainText(), "Moves the axis.\nSecond line.");

  const struct {
    const char* name;
    const char* keyword;
    bool variable;
    bool more;
  } cases[] = {
      {"parameter", "P0x1234", false, true},
      {"parameter without keyword", "", false, false},
      {"variable with keyword 0", "0", true, false},
      {"variable", "V12", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Inspector->EditObjectProperties(&Gadget, &List, TObjectHelp{c.keyword, "INTF_TREE", box, &List, c.variable});
    EXPECT_EQ(Inspector->MoreLbl->isVisible(), c.more);
    EXPECT_EQ(Inspector->UPIDHelpString(), c.more ? c.keyword : "");
  }
  // The link opens the device's interface manual; the keyword goes to the log.
  Inspector->EditObjectProperties(&Gadget, &List, TObjectHelp{"P0x1234", "INTF_TREE", box, &List, false});
  emit Inspector->MoreLbl->linkActivated("more");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], folder.Path() / "Doc/English/Interface/0185-1234_E_1V0_Manual.chm");
  EXPECT_TRUE(Logged("P0x1234"));
  // A tree of another letter has no help file.
  Inspector->EditObjectProperties(&Gadget, &List, TObjectHelp{"P0x1234", "XTREE", box, &List, false});
  emit Inspector->MoreLbl->linkActivated("more");
  EXPECT_EQ(opened.size(), 1u);
  WorkDir.clear();
}

TEST_F(PropertyInspectorTest, TheSwitchLivesInTheApplicationState) {
  ApplicationState().ShowObjectInspector = false;
  Inspector->UpdateInfoText();
  EXPECT_FALSE(Inspector->ShowCheckBox->isChecked());
  Inspector->ShowCheckBox->click();
  EXPECT_TRUE(ApplicationState().ShowObjectInspector);
  Inspector->ShowCheckBox->click();
  EXPECT_FALSE(ApplicationState().ShowObjectInspector);
  // Shown again: the help page first.
  Inspector->PageControl1->setCurrentWidget(Inspector->InfoTab);
  Inspector->hide();
  Inspector->show();
  EXPECT_EQ(Inspector->PageControl1->currentWidget(), Inspector->HelpTab);
  EXPECT_TRUE(Inspector->windowFlags() & Qt::WindowStaysOnTopHint);
}

}  // namespace
