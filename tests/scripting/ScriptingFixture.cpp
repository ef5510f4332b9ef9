#include "ScriptingFixture.h"

#include <chrono>
#include <thread>

#include "platform/Dialogs.h"
#include "runtime/DebugLog.h"
#include "scripting/ScriptTaskManager.h"

namespace vt::test {

namespace {
QCoreApplication& TestApp() {
  static int argc = 1;
  static char name[] = "test_scripting";
  static char* argv[] = {name, nullptr};
  static auto* app = new QCoreApplication(argc, argv);
  return *app;
}
}  // namespace

void ScriptingTest::SetUp() {
  TestApp();
  StorageTest::SetUp();
  InstallDebugManager(std::make_unique<TDebugManager>(std::filesystem::path()));
  MxCreateMainScheduler();
  Bridge = std::make_unique<TMxQtBridge>(MxScheduler());
  InstallScriptTaskManager(std::make_unique<TScriptTaskManager>());
  StorageManager->AnnounceScriptTaskFactory(std::make_unique<TScriptTaskFactory>());
  SetBeepHandler([this] { ++Beeps; });
}

void ScriptingTest::TearDown() {
  Tasks.clear();
  RefObjManager().PurgeAutoReleasePool();  // auto-freed tasks go here
  SetBeepHandler(nullptr);
  InstallScriptTaskManager(nullptr);
  Bridge.reset();
  MxFreeMainScheduler();
  InstallDebugManager(nullptr);
  StorageTest::TearDown();
}

void ScriptingTest::DefineBuiltin(const char* Name, std::function<void(TSLContext*)> F) {
  StorageManager->AnnounceSystemProcedure(Name, MakeRef<TLambdaProc>(std::move(F)).get());
}

std::string ScriptingTest::WriteScript(const std::string& FileName, const std::string& Text) {
  WriteFile(FileName, Text);
  return (Folder / FileName).string();
}

TScriptTask* ScriptingTest::NewTask() {
  auto* task = dynamic_cast<TScriptTask*>(TheStorageManager().CreateScriptTask());
  Tasks.emplace_back(task);
  task->OnFinished = [this](TScriptTaskInterface* Sender) { ++Finished[Sender]; };
  return task;
}

bool ScriptingTest::RunUntil(const std::function<bool()>& Pred) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!Pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

std::vector<std::string> ScriptingTest::LogLines() const {
  std::vector<std::string> lines;
  for (int id = 1; id <= 3; ++id) {
    auto list = DebugManager()->DebugInfoList(id);
    lines.insert(lines.end(), list.rbegin(), list.rend());
  }
  return lines;
}

}  // namespace vt::test
