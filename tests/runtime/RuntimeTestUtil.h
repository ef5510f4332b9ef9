// Helpers of the runtime tests: the one Qt (widgets) application object of the test program
// (offscreen) and waiting for a condition with a generous limit, never for a duration.
#pragma once

#include <QCoreApplication>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Dialogs.h"
#include "TextConv.h"

// Created on first use, kept for the whole test program.
QCoreApplication& TestApp();

// Processes the GUI thread's events until Pred holds; false after the limit.
template <class P>
bool WaitUntil(P Pred, std::chrono::seconds Limit = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + Limit;
  while (!Pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
