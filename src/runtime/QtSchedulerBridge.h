// The main scheduler on the GUI thread. The bridge runs one scheduler step per posted
// event while a task is ready and posts nothing while none is, so an idle program sleeps
// in the event loop; the first task to become ready (on any thread) posts the next
// event. Nested event loops of modal dialogs step the scheduler too, except while a
// step is in progress: a dialog shown inside a step stops the other tasks until it
// closes. Without windows ("NoForm") the plain loop steps the same scheduler and sleeps
// on the same wake.
#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "runtime/Tasks.h"

class QEvent;

namespace vt {

class TMxQtBridge : public QObject {
 public:
  // Lives on the GUI thread; becomes the scheduler's wake until destroyed. When
  // MainFormExitRequest is found set, it quits the application.
  explicit TMxQtBridge(TMxScheduler* Scheduler);
  ~TMxQtBridge() override;

 protected:
  bool event(QEvent* Event) override;

 private:
  // Any thread: posts one step event unless one is on its way.
  void Post();

  TMxScheduler* const FScheduler;
  std::atomic<bool> FPosted{false};
};

// The loop of a thread that steps a scheduler without an event loop; it is the
// scheduler's wake while it lives.
class TMxPlainLoop {
 public:
  explicit TMxPlainLoop(TMxScheduler* Scheduler);
  ~TMxPlainLoop();
  TMxPlainLoop(const TMxPlainLoop&) = delete;
  TMxPlainLoop& operator=(const TMxPlainLoop&) = delete;

  // One step when a task is ready; else sleeps until one is, the scheduler is woken or
  // MainFormExitRequest is set, at most Limit ms (negative or beyond MxLongestWait: no
  // limit). Callers test their own end condition between calls.
  void StepOrWait(std::int64_t Limit = -1);

 private:
  TMxScheduler* const FScheduler;
  std::mutex FLock;
  std::condition_variable FCond;
  bool FWoken = false;
};

// Steps Scheduler on the calling thread until MainFormExitRequest is set.
void MxRunPlainLoop(TMxScheduler* Scheduler);

// Sets MainFormExitRequest and wakes the main scheduler's thread to act on it.
void MxRequestExit();

// Waits at least Milliseconds while the event loop goes on serving events (and so
// stepping the main scheduler); without an application object it only sleeps.
void Delay(int Milliseconds);

}  // namespace vt
