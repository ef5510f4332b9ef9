// See RuntimeTestUtil.h.
#include "RuntimeTestUtil.h"

#include <QApplication>

#include <algorithm>

#include "runtime/DebugLog.h"
#include "runtime/Messages.h"
#include "runtime/ProcessGlobal.h"
#include "runtime/QtSchedulerBridge.h"
#include "runtime/Services.h"
#include "runtime/Tasks.h"

using namespace vt;

QCoreApplication& TestApp() {
  static int argc = 1;
  static char name[] = "test_runtime";
  static char* argv[] = {name, nullptr};
  // A widgets application, so that the form tests run in the same program (headless).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static auto* app = new QApplication(argc, argv);
  return *app;
}

void RuntimeTest::SetUp() {
  MainFormExitRequest = false;
  InstallDebugManager(std::make_unique<TDebugManager>(std::filesystem::path()));
  MxCreateMainScheduler();
  MxCreateBufferSegmentPool();
  MxCreateMessagePool();
  MxCreateMessageDispatcher();
  CreateServiceClientPool();
}

void RuntimeTest::TearDown() {
  FreeServiceClientPool();
  MxFreeMessageDispatcher();
  MxFreeMessagePool();
  MxFreeBufferSegmentPool();
  MxFreeMainScheduler();
  InstallDebugManager(nullptr);
  MainFormExitRequest = false;
}

bool RuntimeTest::StepUntil(const std::function<bool()>& Pred) {
  TMxPlainLoop loop(MxScheduler());
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!Pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    // Short waits: Pred may turn true on another thread without any task becoming ready.
    loop.StepOrWait(5);
  }
  return true;
}

void RuntimeTest::Steps(int Count) {
  for (int i = 0; i < Count; ++i) MxScheduler()->Execute();
}

std::vector<std::string> RuntimeTest::LogLines() const {
  std::vector<std::string> lines;
  for (int id = 1; id <= 3; ++id) {
    auto list = DebugManager()->DebugInfoList(id);
    lines.insert(lines.end(), list.rbegin(), list.rend());
  }
  return lines;
}

int RuntimeTest::LoggedCount(const std::string& Text) const {
  const auto lines = LogLines();
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(Text) != l.npos; }));
}
