// Calls that worker threads of the drive link hand to the GUI thread: message boxes and
// the UDP drivers' trigger. Qt's event loop runs them there; without an application
// object there is no GUI thread to protect, and a call runs at once on the caller's.
#pragma once

#include <functional>
#include <memory>

namespace vt {

class TCallReceiver;

// For a call that touches nothing but what it carries.
void PostToMainThread(std::function<void()> Call);

// For calls that touch their owner: calls not yet run when the owner goes are dropped.
class TMainThreadCalls {
 public:
  TMainThreadCalls();
  ~TMainThreadCalls();
  TMainThreadCalls(const TMainThreadCalls&) = delete;
  TMainThreadCalls& operator=(const TMainThreadCalls&) = delete;

  void Post(std::function<void()> Call);

 private:
  std::unique_ptr<TCallReceiver> FReceiver;  // lives in the GUI thread
};

}  // namespace vt
