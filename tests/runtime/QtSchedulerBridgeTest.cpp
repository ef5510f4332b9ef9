#include "runtime/QtSchedulerBridge.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "RuntimeTestUtil.h"
#include "runtime/ProcessGlobal.h"

using namespace vt;

namespace {

// Counts every event delivered to the bridge: each is one step or one wasted wake.
class TEventCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent*) override {
    ++Count;
    return false;
  }
  int Count = 0;
};

// Ends a local event loop when the test is done, or fails it after a generous limit
// (closing a modal dialog that may still be open).
class TLoop {
 public:
  TLoop() {
    QTimer::singleShot(std::chrono::seconds(60), &FLoop, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      FLoop.exit(1);
    });
  }
  bool Run() { return FLoop.exec() == 0; }
  void Done() { FLoop.exit(0); }

 private:
  QEventLoop FLoop;
};

TEST(Delay, ServesEventsWhileWaiting) {
  TestApp();
  bool fired = false;
  QTimer::singleShot(10, [&] { fired = true; });
  const auto start = std::chrono::steady_clock::now();
  Delay(60);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
  EXPECT_TRUE(fired);
}

}  // namespace

class QtBridge : public RuntimeTest {
 protected:
  void SetUp() override {
    TestApp();
    RuntimeTest::SetUp();
    Bridge = std::make_unique<TMxQtBridge>(MxScheduler());
    Bridge->installEventFilter(&Counter);
  }
  void TearDown() override {
    Bridge.reset();
    RuntimeTest::TearDown();
  }

  std::unique_ptr<TMxQtBridge> Bridge;
  TEventCounter Counter;
};

TEST_F(QtBridge, TasksStepWhileAWindowIsOpenAndItsEventsStillCome) {
  QWidget window;
  window.setObjectName("CommanderWindow");
  window.show();
  TLoop loop;
  bool timerFired = false;
  QTimer::singleShot(0, [&] { timerFired = true; });
  int steps = 0;
  TMxTask busy("Busy");  // never waits
  busy.OnExecute = [&](TMxTask*) {
    if (++steps >= 100 && timerFired) loop.Done();
  };
  busy.Start();
  ASSERT_TRUE(loop.Run());
  EXPECT_TRUE(window.isVisible());
  EXPECT_GE(steps, 100);
}

TEST_F(QtBridge, AnIdleLoopSleepsUntilTheTimerThreadWakesIt) {
  TLoop loop;
  int eventsAtSleep = -1, eventsAtWake = -1;
  TMxTask sleeper("Sleeper");
  sleeper.OnExecute = [&](TMxTask* t) {
    if (eventsAtSleep < 0) {
      eventsAtSleep = Counter.Count;
      t->Sleep(200);
    } else {
      eventsAtWake = Counter.Count;
      t->Terminate();
      loop.Done();
    }
  };
  sleeper.Start();
  ASSERT_TRUE(loop.Run());
  // No task ready for 200 ms: no event at all but the one wake.
  EXPECT_EQ(eventsAtWake - eventsAtSleep, 1);
}

TEST_F(QtBridge, ADialogOpenedByAWindowEventLetsTasksRun) {
  TLoop loop;
  QDialog* dialog = nullptr;
  int steps = 0;
  TMxTask closer("DialogCloser");
  closer.OnExecute = [&](TMxTask*) {
    // Some dialogs are closed by a service's task.
    if (dialog && ++steps == 50) dialog->accept();
  };
  QTimer::singleShot(0, [&] {
    QDialog d;
    d.setObjectName("LoginDialog");
    dialog = &d;
    closer.Start();
    const int result = d.exec();
    dialog = nullptr;
    EXPECT_EQ(result, QDialog::Accepted);
    loop.Done();
  });
  ASSERT_TRUE(loop.Run());
  EXPECT_EQ(steps, 50);
}

TEST_F(QtBridge, ADialogShownInsideAStepStopsTheOtherTasksUntilItCloses) {
  TLoop loop;
  int other = 0, atOpen = -1, atClose = -1, eventsAtOpen = -1, eventsAtClose = -1;
  TMxTask showing("Showing"), counting("Counting");
  showing.OnExecute = [&](TMxTask* t) {
    QDialog d;
    // Closed after 20 turns of its event loop, ample chance for a stray step.
    std::function<void(int)> later = [&](int n) {
      if (n == 0) return d.accept();
      QTimer::singleShot(0, &d, [&, n] { later(n - 1); });
    };
    later(20);
    atOpen = other;
    eventsAtOpen = Counter.Count;
    d.exec();
    atClose = other;
    eventsAtClose = Counter.Count;
    t->Terminate();
  };
  counting.OnExecute = [&](TMxTask*) {
    if (++other >= atClose + 10 && atClose >= 0) loop.Done();
  };
  showing.Start();
  counting.Start();
  ASSERT_TRUE(loop.Run());
  EXPECT_EQ(atOpen, atClose);
  // The guard holds: the bridge posted nothing while the dialog was open.
  EXPECT_EQ(eventsAtClose, eventsAtOpen);
  EXPECT_GE(other, atClose + 10);
}

TEST_F(QtBridge, AnExitRequestFromAnyThreadQuitsTheApplication) {
  std::thread requester([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    MxRequestExit();
  });
  QTimer failsafe;
  failsafe.setSingleShot(true);
  QObject::connect(&failsafe, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  failsafe.start(std::chrono::seconds(60));
  const int result = QCoreApplication::exec();
  requester.join();
  EXPECT_EQ(result, 0);
}
