// The main scheduler's bridge to the Qt event loop, and the plain loop; see MxQtBridge.h.
#include "MxQtBridge.h"

#include <QCoreApplication>
#include <QEvent>

#include <condition_variable>
#include <mutex>

#include "functions.h"

namespace vt {

namespace {

const QEvent::Type StepEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

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
  if (!FPosted.exchange(true)) QCoreApplication::postEvent(this, new QEvent(StepEvent), Qt::LowEventPriority);
}

bool TMxQtBridge::event(QEvent* Event) {
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

void MxRunPlainLoop(TMxScheduler* Scheduler) {
  std::mutex lock;
  std::condition_variable cond;
  bool woken = false;
  Scheduler->SetOnWake([&] {
    std::lock_guard l(lock);
    woken = true;
    cond.notify_one();
  });
  while (!MainFormExitRequest) {
    if (!Scheduler->AppIdleExecute()) continue;
    std::unique_lock l(lock);
    cond.wait(l, [&] { return woken || MainFormExitRequest || Scheduler->TaskCount() > 0; });
    woken = false;
  }
  Scheduler->SetOnWake({});
}

void MxRequestExit() {
  MainFormExitRequest = true;
  if (TMxScheduler* s = MxScheduler()) s->Wake();
}

}  // namespace vt
