// Helpers of the drive link tests: the runtime's globals with a talk scheduler and its
// thread manager, a request executor in miniature that runs on the talk scheduler, and
// a collector of payloads.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Launcher.h"
#include "PseudoTerminal.h"
#include "RuntimeTestUtil.h"
#include "comm/DeviceDriver.h"
#include "comm/PortDriver.h"
#include "comm/SerialDriver.h"
#include "runtime/Messages.h"
#include "runtime/Threads.h"

// 127.0.0.1 as the IPv4 driver takes addresses.
std::int32_t Loopback();
// Frames as byte strings from a list of bytes.
std::string Bytes(std::initializer_list<int> List);
// "A5 02 ..." for messages.
std::string Hex(const std::string& Bytes);

// Payloads delivered to a port's slot, with the slot numbers they came with, from any
// thread.
class TPayloads {
 public:
  vt::TInpEvent Handler();
  std::vector<std::string> Items() const;
  std::vector<std::int32_t> Slots() const;
  // Waits until Count payloads arrived.
  bool WaitFor(std::size_t Count) const;

 private:
  mutable std::mutex FLock;
  std::vector<std::string> FItems;
  std::vector<std::int32_t> FSlots;
};

class CommTest : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Objects that tasks of the talk scheduler reach (drivers, links, executors) are kept
  // here: they go, newest first, after the talk thread has ended.
  template <class T>
  T* Keep(std::unique_ptr<T> Object) {
    T* raw = Object.get();
    Kept.push_back(std::shared_ptr<void>(std::move(Object)));
    return raw;
  }
  // An open serial driver on the terminal Path, which is also its port name.
  vt::TRsDriver* OpenSerialPort(const std::string& Path, std::uint32_t Baud = 38400);
  template <class T>
  T* OpenUdpPort() {
    T* driver = Keep(std::make_unique<T>());
    driver->Open(Talk.get(), Manager.get());
    return driver;
  }
  // A collector that lives as long as the ports that call it.
  TPayloads& NewPayloads() { return *Keep(std::make_unique<TPayloads>()); }
  // Runs Fn on the talk thread and returns when it has run (destroying a link there
  // frees tasks of that thread).
  void OnTalkThread(const std::function<void()>& Fn);
  // The debug log lines of group 1 (traces), oldest first.
  std::vector<std::string> TraceLines() const;

  std::unique_ptr<vt::TMxScheduler> Talk;
  std::unique_ptr<vt::TThreadManager> Manager;
  // The logged-on queue through which links send frames to their default receivers.
  std::unique_ptr<vt::TMxQueue> MainQueue;
  // The messages shown to the user (on the GUI thread), UTF-8.
  std::vector<std::string> Shown;

 private:
  std::vector<std::shared_ptr<void>> Kept;
};

// A request executor in miniature: a task of the talk scheduler that obtains a link,
// assigns the frame's command byte to its own queue, sends, waits for the answer and
// gives everything back. Request blocks the test's thread until the task is done.
class TTestExecutor {
 public:
  explicit TTestExecutor(vt::TMxScheduler* Talk);
  ~TTestExecutor();

  struct TResult {
    std::uint8_t Status = 0;  // of Output
    std::string Answer;       // empty after the time-out
  };
  TResult Request(vt::TDeviceDriver& Link, const std::string& Frame, std::int64_t TimeoutMs = 10000,
                  const vt::AnsiString& CardName = "");
  // Output without obtaining the link first.
  std::uint8_t SendUnowned(vt::TDeviceDriver& Link, const std::string& Frame);

 private:
  void Step(vt::TMxTask* Sender);

  vt::TMxQueue InputQueue;
  vt::TMxSignal Go;
  vt::TMxTask Task;
  std::function<void(vt::TMxTask*)> FWork;  // the current job's steps
  std::atomic<bool> FDone{false};
};

