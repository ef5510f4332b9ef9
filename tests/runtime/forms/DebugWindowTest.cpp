#include "runtime/forms/DebugWindow.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "RuntimeTestUtil.h"
#include "TempFolder.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& Name) {
  std::ifstream in(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DebugWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    InstallDebugManager(std::make_unique<TDebugManager>(fs::path()));
    // Shown only by the tests that need it, and then no event is processed: Qt paints
    // the scroll bar's gradient on its own pool threads, whose locks ThreadSanitizer
    // cannot see.
    Window = std::make_unique<TDebugWindow>();
    Output = Window->findChild<QPlainTextEdit*>("DebugOutput1");
    ASSERT_NE(Output, nullptr);
  }
  void TearDown() override {
    Window.reset();
    InstallDebugManager(nullptr);
  }

  template <class T = QPushButton>
  T* Control(const char* Name) {
    T* control = Window->findChild<T*>(Name);
    EXPECT_NE(control, nullptr) << Name;
    return control;
  }
  QStringList Shown() const { return Output->toPlainText().split('\n'); }
  // Lets the lines posted to the window arrive.
  bool ShownCountIs(int Count) {
    return WaitUntil([&] { return Window->LineCount() == Count; });
  }
  // "Save...", its dialog answered with Name.
  void SaveAs(const fs::path& Name) {
    SetSaveDialogHandler([&](const std::u16string& Filter, const std::u16string& DefaultExt) {
      SaveFilter = Filter;
      SaveDefaultExt = DefaultExt;
      return Utf8ToWide(Name.string());
    });
    Control("BtSave")->click();
    SetSaveDialogHandler(nullptr);
  }

  std::unique_ptr<TDebugWindow> Window;
  QPlainTextEdit* Output = nullptr;
  std::u16string SaveFilter, SaveDefaultExt;
};

TEST_F(DebugWindow, ShowsItsControlsInOrderAndStartsWithItsTitleLine) {
  Window->show();
  EXPECT_EQ(Window->windowTitle(), "Debug Window");
  EXPECT_EQ(Window->property("HelpKeyword").toString(), "Debug Window");
  EXPECT_TRUE(Window->isWindow());
  EXPECT_TRUE(Output->isReadOnly());
  EXPECT_EQ(Output->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(Shown(), QStringList{"Debug Window"});
  EXPECT_EQ(DebugManager()->DebugMemo(), Window.get());

  struct TControl {
    const char* Name;
    const char* Caption;
  };
  const TControl topPanel[] = {{"Button1", "Clear"},      {"BtSave", "Save..."},
                               {"Button5", "Go to Top"},  {"Button4", "Go to Bottom"},
                               {"Button7", "Show/Hide Status Request"}, {"CheckBox1", "Enable Debug Mode"}};
  int lastRight = -1;
  for (const TControl& c : topPanel) {
    auto* control = Control<QAbstractButton>(c.Name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->text(), c.Caption);
    EXPECT_LT(control->mapTo(Window.get(), QPoint(0, 0)).y(), Output->y()) << c.Name;
    EXPECT_GT(control->x(), lastRight) << c.Name;
    lastRight = control->x() + control->width() - 1;
  }
  auto* stayOnTop = Control<QCheckBox>("StayOnTopChkBox");
  EXPECT_EQ(stayOnTop->text(), "Stay on Top");
  EXPECT_FALSE(stayOnTop->isChecked());
  EXPECT_GT(stayOnTop->mapTo(Window.get(), QPoint(0, 0)).y(), Output->y() + Output->height() - 1);
}

TEST_F(DebugWindow, TheCheckBoxShowsAndSwitchesDebugMode) {
  auto* enable = Control<QCheckBox>("CheckBox1");
  EXPECT_FALSE(enable->isChecked());
  enable->click();
  EXPECT_TRUE(DebugManager()->DebugingEnabled());
  LogInfo("on");
  ASSERT_TRUE(ShownCountIs(2));
  enable->click();
  EXPECT_FALSE(DebugManager()->DebugingEnabled());
  LogInfo("off");
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), (QStringList{"Debug Window", "[0000] ***INFO: on"}));

  // Shown, the box follows the flag as it is now.
  DebugManager()->SetDebugingEnabled(true);
  Window->show();
  EXPECT_TRUE(enable->isChecked());
}

TEST_F(DebugWindow, LinesOfAWorkerThreadArriveInOrder) {
  Control<QCheckBox>("CheckBox1")->click();
  constexpr int Count = 500;
  std::thread worker([] {
    for (int i = 0; i < Count; ++i) DebugManager()->DebugMessage(1, 0x0042, "frame " + std::to_string(i));
  });
  worker.join();
  ASSERT_TRUE(ShownCountIs(Count + 1));
  const QStringList shown = Shown();
  for (int i = 0; i < Count; ++i) ASSERT_EQ(shown[i + 1], QString("[0042] frame %1").arg(i));
}

TEST_F(DebugWindow, StatusRequestsAreShownAndHiddenByTheFilterButton) {
  Control<QCheckBox>("CheckBox1")->click();
  auto logStatus = [](const char* Round) {
    DebugManager()->DebugMessage(1, 0x0103, std::string("request ") + Round);
    DebugManager()->DebugMessage(1, 0x0203, std::string("response ") + Round);
    DebugManager()->DebugMessage(1, 0x0104, std::string("other ") + Round);
  };
  logStatus("1");
  Control("Button7")->click();
  logStatus("2");
  Control("Button7")->click();
  logStatus("3");
  ASSERT_TRUE(ShownCountIs(6));
  EXPECT_EQ(Shown(), (QStringList{"Debug Window", "[0104] other 1", "[0103] request 2", "[0203] response 2",
                                  "[0104] other 2", "[0104] other 3"}));
}

TEST_F(DebugWindow, ClearEmptiesTheWindowButNotTheManagersLists) {
  Control<QCheckBox>("CheckBox1")->click();
  LogInfo("old");
  ASSERT_TRUE(ShownCountIs(2));
  Control("Button1")->click();
  EXPECT_EQ(Window->LineCount(), 0);
  LogInfo("new");
  ASSERT_TRUE(ShownCountIs(1));
  EXPECT_EQ(Shown(), QStringList{"[0000] ***INFO: new"});
  EXPECT_EQ(DebugManager()->DebugInfoList(1), (std::vector<AnsiString>{"***INFO: new", "***INFO: old"}));
}

TEST_F(DebugWindow, TheMemoDropsItsOldestLines) {
  Control("Button1")->click();
  for (const char* line : {"a", "b", "c", "d", "e"}) Window->AppendLine(line);
  EXPECT_EQ(Window->LineCount(), 5);
  Window->DeleteOldestLines(3);
  EXPECT_EQ(Shown(), (QStringList{"d", "e"}));
  Window->AppendLine("f");
  EXPECT_EQ(Shown(), (QStringList{"d", "e", "f"}));
}

TEST_F(DebugWindow, SaveWritesExactlyTheShownLines) {
  TempFolder dir;
  Control<QCheckBox>("CheckBox1")->click();
  LogInfo("first");
  LogWarning("5 \xB5m");  // 8-bit text: the micro sign
  ASSERT_TRUE(ShownCountIs(3));
  SaveAs(dir.Path() / "session.txt");
  EXPECT_EQ(SaveFilter, u"Debug Text (*.txt)|*.txt");
  EXPECT_EQ(SaveDefaultExt, u"txt");
  EXPECT_EQ(ReadFile(dir.Path() / "session.txt"),
            "Debug Window\r\n[0000] ***INFO: first\r\n[0001] ***WARNING: 5 \xB5m\r\n");

  // Cancelled: nothing written.
  SaveAs("");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

  Control("Button1")->click();
  SaveAs(dir.Path() / "empty.txt");
  EXPECT_TRUE(fs::exists(dir.Path() / "empty.txt"));
  EXPECT_EQ(ReadFile(dir.Path() / "empty.txt"), "");
}

TEST_F(DebugWindow, AFailedSaveShowsTheReasonAndKeepsTheLines) {
  TempFolder dir;
  TMessageCatcher messages;
  Control<QCheckBox>("CheckBox1")->click();
  LogInfo("keep me");
  ASSERT_TRUE(ShownCountIs(2));
  const fs::path target = dir.Path() / "missing" / "log.txt";
  SaveAs(target);
  ASSERT_EQ(messages.Messages.size(), 1u);
  EXPECT_EQ(messages.Messages[0].rfind("Cannot create file \"" + target.string() + "\". ", 0), 0u) << messages.Messages[0];
  EXPECT_GT(messages.Messages[0].size(), target.string().size() + 24);  // with the system's reason
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(Shown(), (QStringList{"Debug Window", "[0000] ***INFO: keep me"}));
}

TEST_F(DebugWindow, GoToTopAndBottomMoveTheCaretAndTheView) {
  Control<QCheckBox>("CheckBox1")->click();
  for (int i = 0; i < 300; ++i) LogInfo(std::to_string(i));
  ASSERT_TRUE(ShownCountIs(301));
  Window->show();
  QScrollBar* scroll = Output->verticalScrollBar();
  ASSERT_GT(scroll->maximum(), 0);

  Control("Button5")->click();
  EXPECT_EQ(Output->textCursor().blockNumber(), 0);
  EXPECT_EQ(Output->textCursor().positionInBlock(), 0);
  EXPECT_EQ(scroll->value(), 0);

  Control("Button4")->click();
  EXPECT_EQ(Output->textCursor().blockNumber(), 300);
  EXPECT_EQ(Output->textCursor().positionInBlock(), 0);
  EXPECT_GT(scroll->value(), 0);
  EXPECT_TRUE(Output->viewport()->rect().contains(Output->cursorRect()));
}

TEST_F(DebugWindow, StayOnTopSetsAndClearsTheWindowFlag) {
  Window->show();
  auto* stayOnTop = Control<QCheckBox>("StayOnTopChkBox");
  stayOnTop->click();
  EXPECT_TRUE(Window->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Window->isVisible());
  stayOnTop->click();
  EXPECT_FALSE(Window->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Window->isVisible());
}

TEST_F(DebugWindow, ADestroyedWindowLeavesTheManager) {
  Control<QCheckBox>("CheckBox1")->click();
  LogInfo("on its way");  // posted, not yet handed over
  auto second = std::make_unique<TDebugWindow>();
  EXPECT_EQ(DebugManager()->DebugMemo(), second.get());
  Window.reset();  // not the manager's memo any more: leaves it alone
  EXPECT_EQ(DebugManager()->DebugMemo(), second.get());
  second.reset();
  EXPECT_EQ(DebugManager()->DebugMemo(), nullptr);
  LogInfo("after");
  QCoreApplication::processEvents();  // nothing may reach the freed windows
}

}  // namespace
