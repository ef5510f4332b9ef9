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

// One lock for every receiver's calls. Qt hands the event over with locks of its own,
// which the thread checker cannot see; taken on both sides, this one also orders the
// GUI thread's first touch of a receiver (or an event) that another thread created.
std::mutex GCallLock;

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
      std::lock_guard lock(GCallLock);
      FCalls.push_back(std::move(Call));
      event = new QEvent(CallEvent);
    }
    QCoreApplication::postEvent(this, event);
  }

 protected:
  bool event(QEvent* Event) override {
    std::function<void()> call;
    bool ours;
    {
      std::lock_guard lock(GCallLock);
      ours = Event->type() == CallEvent;
      if (ours && !FCalls.empty()) {
        call = std::move(FCalls.front());
        FCalls.pop_front();
      }
    }
    if (!ours) return QObject::event(Event);
    if (call) call();
    return true;
  }

 private:
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
