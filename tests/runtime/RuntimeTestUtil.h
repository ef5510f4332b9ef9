// Helpers of the runtime tests: the one Qt (widgets) application object of the test program
// (offscreen), waiting for a condition with a generous limit (never for a duration), the
// catcher of messages shown to the user, and a fixture with the runtime's globals: main
// scheduler, message pools, dispatcher, client pool and a debug manager whose lines the
// test can read.
#pragma once

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/TextConversion.h"
#include "runtime/Tasks.h"

// Created on first use, kept for the whole test program.
QCoreApplication& TestApp();

// Processes the GUI thread's events until Pred holds; false after the limit.
template <class P>
bool WaitUntil(P Pred, std::chrono::seconds Limit = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + Limit;
  while (!Pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// Collects the messages shown to the user while it lives, instead of printing them.
class TMessageCatcher {
 public:
  TMessageCatcher() {
    vt::SetShowMessageHandler([this](const std::u16string& Text) { Messages.push_back(vt::WideToUtf8(Text)); });
  }
  ~TMessageCatcher() { vt::SetShowMessageHandler(nullptr); }
  TMessageCatcher(const TMessageCatcher&) = delete;
  TMessageCatcher& operator=(const TMessageCatcher&) = delete;

  std::vector<std::string> Messages;  // UTF-8
};

// Ends a threaded scheduler's thread when the scope ends, so that the tasks declared
// before this (and after the scheduler) are never destroyed in the middle of a step.
struct TStopOnExit {
  vt::TMxScheduler& Scheduler;
  ~TStopOnExit() { Scheduler.TaskThread()->ShutdownThread(); }
};

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Steps the main scheduler until Pred holds, sleeping on its wake while no task is
  // ready; false after a generous limit.
  bool StepUntil(const std::function<bool()>& Pred);
  // Steps the main scheduler Count times.
  void Steps(int Count);
  // The info, warning and error lines written so far, oldest first.
  std::vector<std::string> LogLines() const;
  // How many of those lines hold Text; whether one does.
  int LoggedCount(const std::string& Text) const;
  bool Logged(const std::string& Text) const { return LoggedCount(Text) > 0; }
};

