// See RuntimeTestUtil.h.
#include "RuntimeTestUtil.h"

#include <QApplication>

#include <condition_variable>
#include <mutex>

#include "CsServices.h"
#include "Debug.h"
#include "MxMLib20.h"
#include "MxTLib20.h"
#include "functions.h"

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
  TMxScheduler* s = MxScheduler();
  std::mutex lock;
  std::condition_variable cond;
  bool woken = false;
  s->SetOnWake([&] {
    std::lock_guard l(lock);
    woken = true;
    cond.notify_one();
  });
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  bool ok = true;
  while (!Pred()) {
    if (std::chrono::steady_clock::now() > end) {
      ok = false;
      break;
    }
    if (!s->AppIdleExecute()) continue;
    // Short waits: Pred may turn true on another thread without any task becoming ready.
    std::unique_lock l(lock);
    cond.wait_for(l, std::chrono::milliseconds(5), [&] { return woken; });
    woken = false;
  }
  s->SetOnWake({});
  return ok;
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
