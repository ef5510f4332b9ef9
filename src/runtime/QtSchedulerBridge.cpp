// The main scheduler's bridge to the Qt event loop, and the plain loop; see QtSchedulerBridge.h.
#include "runtime/QtSchedulerBridge.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

#include "runtime/ProcessGlobal.h"

namespace vt {

namespace {

const QEvent::Type StepEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Qt hands a posted event to the GUI thread under a lock that ThreadSanitizer cannot
// see; these make that hand-over visible to it, so the event's first read is no race.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* Address);
extern "C" void __tsan_release(void* Address);
void HandOver(QEvent* Event) { __tsan_release(Event); }
void TakeOver(QEvent* Event) { __tsan_acquire(Event); }
#else
void HandOver(QEvent*) {}
void TakeOver(QEvent*) {}
#endif

}  // namespace

TMxQtBridge::TMxQtBridge(TMxScheduler* Scheduler) : FScheduler(Scheduler) {
  FScheduler->SetOnWake([this] { Post(); });
  if (FScheduler->TaskCount() > 0) Post();
}

TMxQtBridge::~TMxQtBridge() { FScheduler->SetOnWake({}); }

void TMxQtBridge::Post() {
  // Low priority: events that others posted meanwhile are delivered first, and Qt
  // handles an event posted during its delivery pass only in the next pass, after the
  // window system's events.
  if (FPosted.exchange(true)) return;
  auto* event = new QEvent(StepEvent);
  HandOver(event);
  QCoreApplication::postEvent(this, event, Qt::LowEventPriority);
}

bool TMxQtBridge::event(QEvent* Event) {
  TakeOver(Event);
  if (Event->type() != StepEvent) return QObject::event(Event);
  FPosted = false;
  if (MainFormExitRequest) {
    FScheduler->SetOnWake({});
    QCoreApplication::quit();
    return true;
  }
  // A step is showing a modal dialog: no step now and no new event; that step's own
  // event posts again when it returns.
  if (FScheduler->Busy()) return true;
  if (!FScheduler->AppIdleExecute()) Post();
  return true;
}

TMxPlainLoop::TMxPlainLoop(TMxScheduler* Scheduler) : FScheduler(Scheduler) {
  FScheduler->SetOnWake([this] {
    std::lock_guard lock(FLock);
    FWoken = true;
    FCond.notify_one();
  });
}

TMxPlainLoop::~TMxPlainLoop() { FScheduler->SetOnWake({}); }

void TMxPlainLoop::StepOrWait(std::int64_t Limit) {
  if (FScheduler->TaskCount() > 0) return FScheduler->Execute();
  std::unique_lock lock(FLock);
  const auto due = [this] { return FWoken || FScheduler->TaskCount() > 0 || MainFormExitRequest; };
  if (Limit < 0 || Limit > MxLongestWait)
    FCond.wait(lock, due);
  else
    FCond.wait_for(lock, std::chrono::milliseconds(Limit), due);
  FWoken = false;
}

void MxRunPlainLoop(TMxScheduler* Scheduler) {
  TMxPlainLoop loop(Scheduler);
  while (!MainFormExitRequest) loop.StepOrWait();
}

void MxRequestExit() {
  MainFormExitRequest = true;
  if (TMxScheduler* s = MxScheduler()) s->Wake();
}

void Delay(int Milliseconds) {
  if (Milliseconds <= 0) return;
  if (!QCoreApplication::instance()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
    return;
  }
  // A nested event loop serves events and sleeps in between instead of spinning.
  const QDeadlineTimer deadline(Milliseconds, Qt::PreciseTimer);
  while (!deadline.hasExpired()) {
    QEventLoop loop;
    QTimer::singleShot(std::max<qint64>(deadline.remainingTime(), 1), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

}  // namespace vt
