// Script tasks run on the main scheduler: slices, waits, ends, failures, aborts, the
// debugger's calls, auto-free and "log".
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "ScriptingFixture.h"
#include "runtime/DebugLog.h"
#include "scripting/ScriptTaskManager.h"
#include "sl/interpreter/ContextInterface.h"
#include "sl/values/Scalars.h"

namespace vt::test {
namespace {

using namespace std::chrono_literals;

TRef<TSLObject> Str(const char16_t* Text) { return TRef<TSLObject>(new TSLString(false, Text)); }

// The operands a finished task left, bottom first, as SL text.
std::string Leftovers(TScriptTask* Task) {
  std::string shown;
  while (Task->GetContext()->OperandStack()->GetCount() > 0) {
    std::string value = StorageManager->EncodeObjectToString(Task->PopResult());
    value.erase(value.find_last_not_of(' ') + 1);
    shown = value + (shown.empty() ? "" : " ") + shown;
  }
  return shown;
}

TEST_F(ScriptingTest, FileScriptReadsItsStackRunsInSlicesAndEndsOnce) {
  std::string events;
  DefineBuiltin("pause", [&](TSLContext*) {
    events += 'p';
    std::this_thread::sleep_for(3ms);
  });
  // Another task of the main scheduler; it can only run between two slices of the script.
  TMxTask other("Other");
  other.OnExecute = [&](TMxTask*) {
    if (events.ends_with('p')) events += 'o';
  };
  other.Start();
  const std::string name = WriteScript("PackInst/Load.sct",
                                       "[B\r\n  /Mode get 'install' eq\r\n  exch 1 add\r\n  1 1 10 [B pop pause] for\r\n]\r\n");
  TScriptTask* task = NewTask();
  task->LoadScript(name);
  task->PushParameter(TRef<TSLObject>(new TSLLongint(false, 7)).get());
  auto args = MakeRef<TSLDictionary>();
  args->AddObject(u"Mode", Str(u"install").get());
  task->PushParameter(args.get());
  task->OnStart = [&](TScriptTaskInterface*) { events += 's'; };
  std::string results;
  task->OnFinished = [&](TScriptTaskInterface* Sender) {
    events += 'f';
    results = std::to_string(Sender->Result) + ": " + Leftovers(task);
  };
  task->Start();
  EXPECT_TRUE(task->GetRunning());
  EXPECT_EQ(task->GetContext()->FScriptName, name);

  ASSERT_TRUE(RunUntil([&] { return events.ends_with('f'); }));
  RunUntil([&] { return !task->GetRunning(); });
  EXPECT_EQ(results, "0: #1 8");
  EXPECT_EQ(std::count(events.begin(), events.end(), 'p'), 10);
  EXPECT_TRUE(events.starts_with("sp")) << events;
  EXPECT_EQ(events.find('f'), events.size() - 1) << events;
  EXPECT_GE(std::count(events.begin(), events.end(), 'o'), 1) << "one slice only: " << events;
  EXPECT_EQ(task->GetErrorMsg(), "");
  EXPECT_FALSE(task->GetRunning());
  EXPECT_EQ(Beeps, 0);
}

// A task that its creator keeps runs again with a new script and context.
TEST_F(ScriptingTest, KeptTaskRunsAgain) {
  TScriptTask* task = NewTask();
  for (const char* text : {"[B 1 2 add]", "[B 'two']"}) {
    task->LoadScript(WriteScript("again.sct", text));
    task->Start();
    const int before = Finished[task];
    ASSERT_TRUE(RunUntil([&] { return Finished[task] == before + 1; }));
  }
  EXPECT_EQ(Leftovers(task), "'two'");
}

TEST_F(ScriptingTest, WaitingScriptGoesOnWhenContinued) {
  TSLContext* waiting = nullptr;
  DefineBuiltin("waitdrive", [&](TSLContext* C) {
    waiting = C;
    Wait(C->ContextInterface(), nullptr, kNoTimeout);
  });
  TScriptTask* task = NewTask();
  task->LoadScript(WriteScript("wait.sct", "[B 'before' waitdrive 'after']"));
  task->Start();
  ASSERT_TRUE(RunUntil([&] { return waiting && waiting->GetState() == isWaiting; }));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(task->GetContext()->OperandStack()->GetCount(), 1) << "ran on while waiting";

  Continue(waiting->ContextInterface(), nullptr);
  ASSERT_TRUE(RunUntilFinished(task));
  EXPECT_EQ(task->Result, 0);
  EXPECT_EQ(Leftovers(task), "'before' 'after'");
}

// After a time-out without Continue, a method that left a user value runs again to
// report it; one that left none is passed and the script goes on.
TEST_F(ScriptingTest, TimedOutWaitRunsTheMethodAgainOnlyWithUserValue) {
  DefineBuiltin("waitagain", [](TSLContext* C) {
    TContextInterface* ci = C->ContextInterface();
    if (GetUserValue(ci) == 0) {
      SetUserValue(ci, 1);
      Wait(ci, nullptr, 20);
    } else {
      PushString(ci, "timeout " + std::to_string(GetUserValue(ci)));
      SetUserValue(ci, 0);
    }
  });
  DefineBuiltin("waitonly", [](TSLContext* C) { Wait(C->ContextInterface(), nullptr, 20); });
  const struct {
    const char* script;
    const char* left;
  } cases[] = {
      {"[B waitagain 'next']", "'timeout 1' 'next'"},
      {"[B waitonly 'next']", "'next'"},
  };
  for (const auto& c : cases) {
    TScriptTask* task = NewTask();
    task->LoadScript(WriteScript("timed.sct", c.script));
    task->Start();
    ASSERT_TRUE(RunUntilFinished(task)) << c.script;
    EXPECT_EQ(Leftovers(task), c.left) << c.script;
  }
}

TEST_F(ScriptingTest, RuntimeErrorEndsTheTaskWithTextLogLineAndBeep) {
  TScriptTask* task = NewTask();
  task->LoadScript(WriteScript("bad.sct", "[B\r\n  1 2 add\r\n  nosuch\r\n]\r\n"));
  task->Start();
  ASSERT_TRUE(RunUntilFinished(task));
  // Without debug positions the token has no file to name.
  const std::string text = "Runtime error: object with name 'nosuch' not found";
  EXPECT_EQ(task->Result, 1);
  EXPECT_EQ(task->GetErrorMsg(), text);
  const auto lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "***ERROR: " + text), 1);
  EXPECT_EQ(Beeps, 1);
  EXPECT_EQ(Finished[task], 1);
}

// What the debugger window's model would be told, one line per call.
class TRecordingDebugger : public TScriptDebuggerInterface {
 public:
  explicit TRecordingDebugger(std::vector<std::string>& ACalls) : Calls(ACalls) {}
  TSLContext* GetContext() override { return Context; }
  void SetContext(TSLContext* AContext) override {
    Context = AContext;
    Calls.push_back("SetContext");
  }
  TScriptTaskInterface* GetScriptTask() override { return Task; }
  void SetScriptTask(TScriptTaskInterface* ATask) override {
    Task = ATask;
    Calls.push_back("SetScriptTask");
  }
  AnsiString GetStatusLine() override { return Status; }
  void SetStatusLine(const AnsiString& Text) override {
    Status = Text;
    Calls.push_back("SetStatusLine " + Text);
  }
  void Clear() override { Calls.push_back("Clear"); }
  void AddScript(const AnsiString& FileName, std::uint16_t) override { Calls.push_back("AddScript " + FileName); }
  void RefreshDbgViews() override { Calls.push_back("RefreshDbgViews"); }
  void Run() override { Calls.push_back("Run"); }
  void RunDone() override { Calls.push_back("RunDone"); }
  void StepDone() override { Calls.push_back("StepDone"); }
  void SelectNextInstruction(std::uint16_t, std::int32_t Position, std::int32_t Length) override {
    Calls.push_back("Select " + std::to_string(Position) + "+" + std::to_string(Length));
  }
  void DeselectNextInstruction() override { Calls.push_back("Deselect"); }
  void WaitForKey() override { Calls.push_back("WaitForKey"); }
  void WaitForStep() override { Calls.push_back("WaitForStep"); }

 private:
  std::vector<std::string>& Calls;
  TSLContext* Context = nullptr;
  TScriptTaskInterface* Task = nullptr;
  AnsiString Status;
};

class ScriptDebugTest : public ScriptingTest {
 protected:
  void SetUp() override {
    ScriptingTest::SetUp();
    TScriptDebuggerFactory::Announce([this] { return std::make_unique<TRecordingDebugger>(Calls); });
  }
  void TearDown() override {
    TScriptDebuggerFactory::Announce(nullptr);
    ScriptingTest::TearDown();
  }
  // Starts in debug mode and runs until the first step is done.
  TScriptTask* StartDebug(const std::string& Name) {
    TScriptTask* task = NewTask();
    task->SetDebug(true);
    task->LoadScript(Name);
    task->Start();
    EXPECT_TRUE(RunUntil([&] { return !Calls.empty() && Calls.back() == "StepDone"; }));
    return task;
  }
  std::vector<std::string> Calls;
};

// In debug mode the script stops after its first token; Run goes on, and the failing
// token is named with file and line and shown to the debugger.
TEST_F(ScriptDebugTest, DebugRunStopsAtFirstStepAndReportsTheFailingPosition) {
  const std::string text = "[B\r\n  1 2 add\r\n  nosuch\r\n]\r\n";
  const std::string name = WriteScript("bad.sct", text);
  TScriptTask* task = StartDebug(name);
  EXPECT_EQ(std::vector<std::string>(Calls.begin(), Calls.begin() + 3),
            (std::vector<std::string>{"SetContext", "Clear", "AddScript " + name}));
  EXPECT_TRUE(task->GetRunning());
  EXPECT_EQ(task->State(), scStepInto);

  task->Run();
  ASSERT_TRUE(RunUntilFinished(task));
  const std::string error = "[bad.sct, 3] Runtime error: object with name 'nosuch' not found";
  EXPECT_EQ(task->GetErrorMsg(), error);
  EXPECT_EQ(task->Result, 1);
  // Positions count each of the two line breaks before the token as one character.
  const std::string select = "Select " + std::to_string(text.find("nosuch") - 2) + "+6";
  const auto tail = std::vector<std::string>(Calls.end() - 3, Calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{select, "RefreshDbgViews", "SetStatusLine " + error}));
}

TEST_F(ScriptDebugTest, DebugRunToTheEndTellsTheDebugger) {
  TScriptTask* task = StartDebug(WriteScript("good.sct", "[B 1 2 add]"));
  task->Run();
  ASSERT_TRUE(RunUntilFinished(task));
  EXPECT_EQ(task->Result, 0);
  const auto tail = std::vector<std::string>(Calls.end() - 3, Calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"RunDone", "SetStatusLine Script Finished!", "Deselect"}));
}

TEST_F(ScriptingTest, DebugStartWithoutDebuggerChangesNothing) {
  TScriptTask* task = NewTask();
  task->SetDebug(true);
  task->LoadScript(WriteScript("good.sct", "[B 1]"));
  EXPECT_THROW_MSG(task->Start(), "no script debugger available");
  EXPECT_FALSE(task->GetRunning());
  task->SetDebug(false);
  task->Start();
  EXPECT_TRUE(RunUntilFinished(task));
}

// Aborted from outside, a script that waits for ever and one that never stops both end
// at once, as aborted; a second abort changes nothing.
TEST_F(ScriptingTest, AbortEndsWaitingAndBusyScripts) {
  bool entered = false;
  DefineBuiltin("waitdrive", [&](TSLContext* C) {
    entered = true;
    Wait(C->ContextInterface(), nullptr, kNoTimeout);
  });
  DefineBuiltin("busy", [&](TSLContext*) { entered = true; });
  for (const char* script : {"[B waitdrive]", "[B -1 [B busy] repeat]"}) {
    entered = false;
    TScriptTask* task = NewTask();
    task->LoadScript(WriteScript("stop.sct", script));
    task->Start();
    ASSERT_TRUE(RunUntil([&] { return entered; })) << script;
    EXPECT_THROW_MSG(task->Start(), "TScriptTask.Start: script task not idle");
    task->Abort();
    ASSERT_TRUE(RunUntilFinished(task)) << script;
    EXPECT_EQ(task->Result, 1) << script;
    EXPECT_EQ(task->GetErrorMsg(), "script task aborted");
    EXPECT_FALSE(task->GetRunning());

    task->Abort();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(Finished[task], 1) << script;
    EXPECT_EQ(task->GetErrorMsg(), "script task aborted");
  }
}

// A script that aborts itself and ends within the same slice has not ended normally.
TEST_F(ScriptingTest, ScriptThatAbortsItselfEndsAborted) {
  TScriptTask* task = NewTask();
  task->LoadScript(WriteScript("self.sct", "[B 1 abort 2]"));
  task->Start();
  ASSERT_TRUE(RunUntilFinished(task));
  EXPECT_EQ(task->Result, 1);
  EXPECT_EQ(task->GetErrorMsg(), "script task aborted");
}

TEST_F(ScriptingTest, CallerErrorsReachTheCaller) {
  TScriptTask* task = NewTask();
  auto value = Str(u"x");
  EXPECT_THROW_MSG(task->PushParameter(value.get()), "TScriptTask.PushParameter: Context not initialized");
  EXPECT_THROW_MSG(task->PopResult(), "TScriptTask.PopResult: Context not initialized");
  EXPECT_THROW_MSG(task->Start(), "TScriptTask.Start: Context not initialized");
  EXPECT_THROW_MSG(task->SetContext(nullptr), "TScriptTask.SetContext: no context");
  EXPECT_THROW_MSG(task->LoadScript("nosuch.sct"), "TStorageManager.GetObject: object with name 'nosuch.sct' not found");
  WriteFile("data.sct", "[A 1 2]");
  EXPECT_THROW_MSG(task->LoadScript(Root() + "data.sct"), "Invalid class typecast");
  EXPECT_FALSE(task->GetRunning());
}

// Tasks announce themselves to the manager: none can be made before it is installed.
TEST_F(ScriptingTest, NoTaskWithoutManager) {
  InstallScriptTaskManager(nullptr);
  EXPECT_EQ(ScriptTaskManager(), nullptr);
  EXPECT_THROW_MSG(TheStorageManager().CreateScriptTask(), "no script task manager");
}

// "log" writes an information line; a "log" the caller defined before the start stays.
TEST_F(ScriptingTest, LogWritesToTheDebugLogUnlessTheCallerDefinedIt) {
  TScriptTask* task = NewTask();
  task->LoadScript(WriteScript("log.sct", "[B 'hello drive' log]"));
  task->Start();
  ASSERT_TRUE(RunUntilFinished(task));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"***INFO: hello drive"}));

  std::string own;
  task->LoadScript(WriteScript("log.sct", "[B 'mine' log]"));
  auto* top = Implementation(task->GetContext())->TopDict();
  top->AddObject(u"log", MakeRef<TLambdaProc>([&](TSLContext* C) { own = Operands(C)->PopString(); }).get());
  task->Start();
  ASSERT_TRUE(RunUntil([&] { return Finished[task] == 2; }));
  EXPECT_EQ(own, "mine");
  EXPECT_EQ(LogLines().size(), 1u);
}

// An auto-freed task is still whole in its callback and is gone after the next purge.
TEST_F(ScriptingTest, AutoFreeFreesTheTaskAfterItsCallback) {
  auto* task = TheStorageManager().CreateScriptTask();
  task->LoadScript(WriteScript("free.sct", "[B 5]"));
  task->SetAutoFree(true);
  std::string seen;
  task->OnFinished = [&](TScriptTaskInterface* Sender) {
    seen = std::to_string(Sender->GetTaskID()) + " " + Leftovers(dynamic_cast<TScriptTask*>(Sender));
  };
  task->Start();
  ASSERT_TRUE(RunUntil([&] { return !seen.empty(); }));
  EXPECT_EQ(seen, "1 5");
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(TheScriptTaskManager().IndexOf(task), 0);
  RefObjManager().PurgeAutoReleasePool();
  EXPECT_EQ(TheScriptTaskManager().GetCount(), 0);
  EXPECT_EQ(StorageManager->ActualScriptTask(), nullptr);
}

// The task list: numbers from 1 never reused, listeners told of creations and
// destructions only, removed by their owner.
TEST_F(ScriptingTest, TaskListAddsRemovesAndTellsListeners) {
  TScriptTaskManager& manager = TheScriptTaskManager();
  int told = 0, other = 0;
  manager.AddOnChangeListener(&told, [&](TScriptTaskManager* Sender) {
    EXPECT_EQ(Sender, &manager);
    ++told;
  });
  manager.AddOnChangeListener(&other, [&](TScriptTaskManager*) { ++other; });
  TScriptTask* first = NewTask();
  TScriptTask* second = NewTask();
  EXPECT_EQ(first->GetTaskID(), 1);
  EXPECT_EQ(second->GetTaskID(), 2);
  EXPECT_EQ(manager.GetCount(), 2);
  EXPECT_EQ(manager.GetTask(1), second);
  EXPECT_EQ(told, 2);

  second->LoadScript(WriteScript("wait.sct", "[B -1 [B] repeat]"));
  second->Start();
  EXPECT_EQ(manager.GetCountRunning(), 1);
  second->Abort();
  ASSERT_TRUE(RunUntilFinished(second));
  EXPECT_EQ(told, 2) << "state changes are not told";

  manager.RemoveOnChangeListener(&Beeps);  // never added: nothing changes
  Tasks.erase(Tasks.begin());              // frees the first task
  EXPECT_EQ(manager.IndexOf(first), -1);
  EXPECT_EQ(manager.IndexOf(second), 0);
  EXPECT_EQ(told, 3);
  manager.RemoveOnChangeListener(&told);
  EXPECT_EQ(NewTask()->GetTaskID(), 3);
  EXPECT_EQ(told, 3);
  EXPECT_EQ(other, 4);
}

}  // namespace
}  // namespace vt::test
