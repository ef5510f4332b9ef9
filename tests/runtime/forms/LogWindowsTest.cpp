#include "runtime/forms/LogWindows.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>

#include "RuntimeTestUtil.h"
#include "runtime/QtSchedulerBridge.h"

using namespace vt;

namespace {

QStringList MemoLines(TLogWindow* Window) {
  return Window->findChild<QPlainTextEdit*>("OutMemo")->toPlainText().split('\n');
}

// Lets the windows that closed themselves be freed.
void FreeClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class LogWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    Manager.OnRegisterWindow = [this](TLogWindow* w) { Registered.push_back(w); };
    Manager.OnUnregisterWindow = [this](TLogWindow* w) { Unregistered.push_back(w); };
  }

  TLogWindowManager Manager;
  std::vector<TLogWindow*> Registered, Unregistered;
};

TEST_F(LogWindows, HandlesAreFollowedOnlyWhileListed) {
  TLogWindow* save = Manager.ShowLogWindow(u"Save", nullptr);
  TLogWindow* load = Manager.ShowLogWindow(u"Load", nullptr);
  QPointer<TLogWindow> saveAlive(save), loadAlive(load);
  EXPECT_EQ(save->windowTitle(), "Save");
  EXPECT_EQ(load->windowTitle(), "Load");
  EXPECT_TRUE(save->isVisible() && load->isVisible());
  EXPECT_TRUE(save->isWindow());
  EXPECT_FALSE(save->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(save->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(Registered, (std::vector<TLogWindow*>{save, load}));

  Manager.PrintMessage(save, "saving block 1");
  Manager.PrintMessage(load, "loading \xB5");  // 8-bit text: the micro sign
  Manager.PrintMessage(save, "saving block 2");
  EXPECT_EQ(MemoLines(save), (QStringList{"saving block 1", "saving block 2"}));
  EXPECT_EQ(MemoLines(load), QStringList{QString::fromUtf8("loading \u00B5")});

  Manager.HideLogWindow(save);
  EXPECT_EQ(Unregistered, std::vector<TLogWindow*>{save});
  EXPECT_EQ(Manager.WindowList(), std::vector<TLogWindow*>{load});
  FreeClosedWindows();
  ASSERT_TRUE(saveAlive.isNull());

  // The hidden handle is freed: nothing may follow it.
  Manager.PrintMessage(save, "late line");
  Manager.HideLogWindow(save);
  EXPECT_EQ(Manager.GetLogWindow(save), nullptr);
  EXPECT_EQ(Unregistered.size(), 1u);
  TLogWindow neverShown;
  Manager.PrintMessage(&neverShown, "stray");
  Manager.HideLogWindow(&neverShown);
  EXPECT_EQ(neverShown.findChild<QPlainTextEdit*>("OutMemo")->toPlainText(), "");
  EXPECT_EQ(MemoLines(load), QStringList{QString::fromUtf8("loading \u00B5")});
  EXPECT_EQ(Manager.WindowList(), std::vector<TLogWindow*>{load});

  EXPECT_EQ(Manager.GetLogWindow(load, true), load);
  EXPECT_TRUE(Manager.WindowList().empty());
  load->CloseWindow();
  FreeClosedWindows();
  EXPECT_TRUE(loadAlive.isNull());
}

TEST_F(LogWindows, AbortReachesTheOwnerAndTheWindowStaysUntilHidden) {
  std::vector<TLogWindow*> aborted;
  TLogWindow* window = Manager.ShowLogWindow(u"Save", [&](TLogWindow* w) { aborted.push_back(w); });
  auto* abort = window->findChild<QPushButton*>("BtAbort");
  ASSERT_NE(abort, nullptr);
  EXPECT_EQ(abort->text(), "&Abort");
  abort->click();
  EXPECT_EQ(aborted, std::vector<TLogWindow*>{window});
  // Neither the abort nor the window system closes it: its owner does.
  EXPECT_FALSE(window->close());
  FreeClosedWindows();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Manager.GetLogWindow(window), window);
  Manager.HideLogWindow(window);
  EXPECT_EQ(aborted.size(), 1u);
  EXPECT_EQ(Unregistered, std::vector<TLogWindow*>{window});
}

TEST_F(LogWindows, TheAbortHandlerMayHideItsWindow) {
  QPointer<TLogWindow> window = Manager.ShowLogWindow(u"Load", [this](TLogWindow* w) { Manager.HideLogWindow(w); });
  window->findChild<QPushButton*>("BtAbort")->click();
  EXPECT_TRUE(Manager.WindowList().empty());
  FreeClosedWindows();
  EXPECT_TRUE(window.isNull());
}

TEST_F(LogWindows, AbortStaysCentredInThePanel) {
  TLogWindow* window = Manager.ShowLogWindow(u"Load", nullptr);
  auto* panel = window->findChild<QWidget*>("Panel");
  auto* abort = window->findChild<QPushButton*>("BtAbort");
  ASSERT_TRUE(panel && abort);
  for (int width : {300, 641, 900}) {
    window->resize(width, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->width(), width);
    EXPECT_EQ(abort->x(), panel->width() / 2 - abort->width() / 2) << width;
  }
  Manager.HideLogWindow(window);
}

TEST_F(LogWindows, DestroyingTheManagerClosesTheListedWindows) {
  QPointer<TLogWindow> first, second;
  {
    TLogWindowManager manager;
    first = manager.ShowLogWindow(u"Save", nullptr);
    second = manager.ShowLogWindow(u"Load", nullptr);
  }
  FreeClosedWindows();
  EXPECT_TRUE(first.isNull());
  EXPECT_TRUE(second.isNull());
}

TEST_F(LogWindows, TheGlobalManagerIsInstalledAndReplaced) {
  EXPECT_EQ(LogWindowManager(), nullptr);
  InstallLogWindowManager(std::make_unique<TLogWindowManager>());
  ASSERT_NE(LogWindowManager(), nullptr);
  QPointer<TLogWindow> window = LogWindowManager()->ShowLogWindow(u"Save", nullptr);
  InstallLogWindowManager(nullptr);
  EXPECT_EQ(LogWindowManager(), nullptr);
  FreeClosedWindows();
  EXPECT_TRUE(window.isNull());
}

// An operation on the main scheduler writes its progress into a log window until the
// user aborts it; then it writes its last line and hides the window.
class LogWindowOperation : public RuntimeTest {
 protected:
  void SetUp() override {
    TestApp();
    RuntimeTest::SetUp();
    Bridge = std::make_unique<TMxQtBridge>(MxScheduler());
  }
  void TearDown() override {
    Bridge.reset();
    RuntimeTest::TearDown();
  }
  std::unique_ptr<TMxQtBridge> Bridge;
};

TEST_F(LogWindowOperation, AbortReachesTheRunningOperation) {
  TLogWindowManager manager;
  QStringList finalLines;
  manager.OnUnregisterWindow = [&](TLogWindow* w) { finalLines = MemoLines(w); };
  TLogWindow* handle = nullptr;
  bool abortRequested = false;
  int step = 0;
  TMxTask operation("SaveConfiguration");
  operation.OnExecute = [&](TMxTask* t) {
    if (!handle) handle = manager.ShowLogWindow(u"Save", [&](TLogWindow*) { abortRequested = true; });
    if (abortRequested) {
      manager.PrintMessage(handle, "aborted");
      manager.HideLogWindow(handle);
      t->Terminate();
      return;
    }
    manager.PrintMessage(handle, "block " + std::to_string(++step));
    t->Sleep(5);
  };
  operation.Start();
  ASSERT_TRUE(WaitUntil([&] { return step >= 3; }));
  handle->findChild<QPushButton*>("BtAbort")->click();
  ASSERT_TRUE(WaitUntil([&] { return operation.State() == tsTerminated; }));
  ASSERT_GE(finalLines.size(), 4);
  for (int i = 0; i + 1 < finalLines.size(); ++i) EXPECT_EQ(finalLines[i], QString("block %1").arg(i + 1));
  EXPECT_EQ(finalLines.back(), "aborted");
  EXPECT_TRUE(manager.WindowList().empty());
}

}  // namespace
