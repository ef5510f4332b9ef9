// A fixture for script tasks: a storage manager over a temporary data folder with the
// script-task factory announced, the main scheduler stepped by the Qt event loop, a
// script task manager, a debug log kept in memory, counted beeps and built-ins that
// the test defines as lambdas.
#pragma once

#include <QCoreApplication>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LambdaProcedure.h"
#include "StorageFixture.h"
#include "runtime/QtSchedulerBridge.h"
#include "scripting/ScriptTask.h"

namespace vt::test {

class ScriptingTest : public StorageTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Defines a built-in in the shared System dictionary.
  void DefineBuiltin(const char* Name, std::function<void(TSLContext*)> F);
  // Writes a script file into the data folder and returns its complete name.
  std::string WriteScript(const std::string& FileName, const std::string& Text);
  // A task from the storage manager, as every caller gets one, freed by the fixture;
  // OnFinished counts the calls.
  TScriptTask* NewTask();
  // Serves the event loop (and so the main scheduler) until Pred holds; false after a
  // generous limit.
  bool RunUntil(const std::function<bool()>& Pred);
  bool RunUntilFinished(TScriptTask* Task) { return RunUntil([&] { return Finished[Task] > 0; }); }
  // The debug log's lines, oldest first.
  std::vector<std::string> LogLines() const;

  std::unique_ptr<TMxQtBridge> Bridge;
  std::vector<std::unique_ptr<TScriptTask>> Tasks;
  std::map<TScriptTaskInterface*, int> Finished;
  int Beeps = 0;
};

}  // namespace vt::test
