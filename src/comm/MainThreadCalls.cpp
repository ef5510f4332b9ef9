// Calls handed to the GUI thread; see MainThreadCalls.h.
#include "comm/MainThreadCalls.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <deque>
#include <mutex>

namespace vt {

namespace {

const auto CallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

// The calls wait in a queue of our own under our own lock; Qt's event only says that
// there are some, so that no closure crosses threads inside Qt.
class TCallReceiver : public QObject {
 public:
  TCallReceiver() {
    if (QCoreApplication* app = QCoreApplication::instance()) moveToThread(app->thread());
  }
  void Post(std::function<void()> Call) {
    if (!QCoreApplication::instance()) return Call();
    QEvent* event;
    {
      std::lock_guard lock(FLock);
      FCalls.push_back(std::move(Call));
      event = new QEvent(CallEvent);
    }
    QCoreApplication::postEvent(this, event);
  }

 protected:
  // The event is made under our lock and read under it: Qt's own hand-over is invisible
  // to the thread checker, our lock is not.
  bool event(QEvent* Event) override {
    std::unique_lock lock(FLock);
    if (Event->type() != CallEvent) {
      lock.unlock();
      return QObject::event(Event);
    }
    if (FCalls.empty()) return true;
    std::function<void()> call = std::move(FCalls.front());
    FCalls.pop_front();
    lock.unlock();
    call();
    return true;
  }

 private:
  std::mutex FLock;
  std::deque<std::function<void()>> FCalls;
};

void PostToMainThread(std::function<void()> Call) {
  // Never freed: a call may be posted until the program's last moment.
  static auto* receiver = new TCallReceiver;
  receiver->Post(std::move(Call));
}

TMainThreadCalls::TMainThreadCalls() : FReceiver(std::make_unique<TCallReceiver>()) {}

TMainThreadCalls::~TMainThreadCalls() = default;

void TMainThreadCalls::Post(std::function<void()> Call) { FReceiver->Post(std::move(Call)); }

}  // namespace vt
