// Calls handed to the GUI thread; see MainThreadCalls.h.
#include "comm/MainThreadCalls.h"

#include <QCoreApplication>
#include <QObject>

namespace vt {

namespace {

void PostTo(QObject* Context, std::function<void()> Call) {
  if (QCoreApplication::instance())
    QMetaObject::invokeMethod(Context, std::move(Call), Qt::QueuedConnection);
  else
    Call();
}

}  // namespace

void PostToMainThread(std::function<void()> Call) { PostTo(QCoreApplication::instance(), std::move(Call)); }

TMainThreadCalls::TMainThreadCalls() : FContext(std::make_unique<QObject>()) {
  if (QCoreApplication* app = QCoreApplication::instance()) FContext->moveToThread(app->thread());
}

TMainThreadCalls::~TMainThreadCalls() = default;

void TMainThreadCalls::Post(std::function<void()> Call) { PostTo(FContext.get(), std::move(Call)); }

}  // namespace vt
