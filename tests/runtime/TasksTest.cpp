#include "runtime/Tasks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <thread>

#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "runtime/Messages.h"

using namespace vt;

namespace {

// A task of a private, manually stepped scheduler that appends its name to a trace at
// every step and then does whatever its scenario asks.
struct TProbe {
  TProbe(TMxScheduler& S, std::string& Trace, char Name, int Priority = MxNormalPriority)
      : Task(&S, std::string(1, Name)) {
    Task.SetPriority(Priority);
    Task.OnExecute = [this, &Trace, Name](TMxTask*) {
      Trace += Name;
      if (Step) Step(Task);
    };
    Task.OnResume = [this, &Trace](TMxTask* t) {
      if (TraceResume) Trace += "(" + std::string(InfoName(t->ExecuteInfo())) + ")";
    };
    Task.Start();
  }
  static const char* InfoName(TMxExecuteInfo I) {
    static const char* const names[] = {"success", "timeout", "unavailable", "reset", "abort"};
    return names[I];
  }
  TMxTask Task;
  std::function<void(TMxTask&)> Step;
  bool TraceResume = false;
};

void Run(TMxScheduler& S, int Steps) {
  for (int i = 0; i < Steps; ++i) S.Execute();
}

struct TScenario {
  const char* Name;
  std::function<void(TMxScheduler&, std::string&)> Play;
  const char* Expected;
};

// Stepped by hand, so every case is deterministic.
const TScenario Scenarios[] = {
    {"strict priority: a priority-0 task that never waits starves the others",
     [](TMxScheduler& s, std::string& t) {
       TProbe low(s, t, 'L', MxLowPriority), high(s, t, 'H', MxHighestPriority);
       Run(s, 4);
     },
     "HHHH"},
    {"round robin within a ring",
     [](TMxScheduler& s, std::string& t) {
       TProbe a(s, t, 'A'), b(s, t, 'B'), c(s, t, 'C');
       Run(s, 7);
     },
     "ABCABCA"},
    {"a wait on a ready signal is granted and the task goes to the ring's tail",
     [](TMxScheduler& s, std::string& t) {
       TMxSignal sig;
       sig.SetReady(true);
       TProbe a(s, t, 'A'), b(s, t, 'B'), c(s, t, 'C');
       a.Step = [&](TMxTask& task) {
         task.WaitFor(&sig, MxNoTimeout);
         t += TProbe::InfoName(task.ExecuteInfo());
       };
       Run(s, 6);
     },
     "AsuccessBCAsuccessBC"},
    {"a wait of -1 on a signal that is not ready leaves the task ready with eiUnavailable",
     [](TMxScheduler& s, std::string& t) {
       TMxSignal sig;
       TProbe a(s, t, 'A');
       a.Step = [&](TMxTask& task) {
         task.WaitFor(&sig, MxNoSuspend);
         t += TProbe::InfoName(task.ExecuteInfo());
       };
       Run(s, 2);
     },
     "AunavailableAunavailable"},
    {"one SetReady releases every waiting task, the oldest first",
     [](TMxScheduler& s, std::string& t) {
       TMxSignal sig;
       TProbe a(s, t, 'A'), b(s, t, 'B'), c(s, t, 'C');
       a.TraceResume = b.TraceResume = true;
       a.Step = b.Step = [&](TMxTask& task) { task.WaitFor(&sig, MxNoTimeout); };
       c.Step = [&](TMxTask& task) {
         sig.SetReady(true);
         task.Terminate();
       };
       Run(s, 5);
     },
     "ABC(success)(success)AB"},
    {"clearing a signal releases nobody",
     [](TMxScheduler& s, std::string& t) {
       TMxSignal sig;
       TProbe a(s, t, 'A'), b(s, t, 'B');
       a.Step = [&](TMxTask& task) { task.WaitFor(&sig, MxNoTimeout); };
       b.Step = [&](TMxTask&) { sig.SetReady(false); };
       Run(s, 3);
     },
     "ABB"},
    {"a put message releases only the oldest task waiting on the queue",
     [](TMxScheduler& s, std::string& t) {
       TMxQueue queue;
       TProbe a(s, t, 'A'), b(s, t, 'B'), c(s, t, 'C');
       a.Step = b.Step = [&](TMxTask& task) {
         if (TMxMessage* m = queue.GetMessage()) {
           t += "got";
           TMxMessage::Free(m);
         }
         task.WaitFor(&queue, MxNoTimeout);
       };
       c.Step = [&](TMxTask& task) {
         queue.PutMessage(TMxMessage::Create());
         task.Terminate();
       };
       Run(s, 5);
     },
     "ABCAgot"},
    {"Kill releases a waiting task with eiAbort and ends it",
     [](TMxScheduler& s, std::string& t) {
       TMxSignal sig;
       TProbe a(s, t, 'A'), b(s, t, 'B');
       a.TraceResume = true;
       a.Step = [&](TMxTask& task) { task.WaitFor(&sig, MxNoTimeout); };
       b.Step = [&](TMxTask&) {
         if (a.Task.State() == tsSuspended) a.Task.Kill();
         t += a.Task.State() == tsTerminated ? "T" : "?";
       };
       Run(s, 4);
     },
     "AB(abort)TBTBT"},
    {"Reset releases every waiting task with eiReset; destroying a waiting task cancels its wait",
     [](TMxScheduler& s, std::string& t) {
       TMxSignal sig;
       TProbe a(s, t, 'A'), b(s, t, 'B');
       a.TraceResume = true;
       a.Step = [&](TMxTask& task) { task.WaitFor(&sig, MxNoTimeout); };
       b.Step = [&](TMxTask& task) {
         sig.Reset();
         task.Terminate();
       };
       Run(s, 3);
     },
     "AB(reset)A(abort)"},
    {"Terminate of a waiting task ends it without a release",
     [](TMxScheduler& s, std::string& t) {
       TMxSignal sig;
       TProbe a(s, t, 'A'), b(s, t, 'B');
       a.TraceResume = true;
       a.Step = [&](TMxTask& task) { task.WaitFor(&sig, MxNoTimeout); };
       b.Step = [&](TMxTask& task) {
         a.Task.Terminate();
         sig.SetReady(true);
         t += std::to_string(sig.TaskCount());
         task.Terminate();
       };
       Run(s, 3);
     },
     "AB0"},
    {"a semaphore belongs to one task; its release passes it to the oldest waiter",
     [](TMxScheduler& s, std::string& t) {
       TMxSemaphore sem;
       TProbe a(s, t, 'A'), b(s, t, 'B'), c(s, t, 'C');
       int round = 0;
       a.Step = [&](TMxTask& task) {
         if (round++ == 0) {
           task.WaitFor(&sem, MxNoTimeout);
           t += sem.IsOwner(&task) ? "owner" : "?";
         } else {
           sem.Release(&task);
           task.Terminate();
         }
       };
       b.Step = c.Step = [&](TMxTask& task) {
         if (sem.IsOwner(&task)) {
           t += "owner";
           task.Terminate();
         } else {
           task.WaitFor(&sem, MxNoTimeout);
         }
       };
       Run(s, 6);
     },
     "AownerBCABowner"},
    {"a task whose step raises is killed; the others carry on",
     [](TMxScheduler& s, std::string& t) {
       TProbe a(s, t, 'A'), b(s, t, 'B');
       a.Step = [](TMxTask&) { throw std::runtime_error("boom"); };
       Run(s, 4);
     },
     "ABBB"},
    {"a new priority takes effect at the next insertion",
     [](TMxScheduler& s, std::string& t) {
       TMxSignal sig;
       TProbe a(s, t, 'A'), b(s, t, 'B');
       a.Step = [&](TMxTask& task) { task.WaitFor(&sig, MxNoTimeout); };
       b.Step = [&](TMxTask&) {
         if (a.Task.State() != tsSuspended) return;
         a.Task.SetPriority(MxHighestPriority);
         a.Step = nullptr;
         sig.SetReady(true);
       };
       Run(s, 5);
     },
     "ABAAA"},
};

}  // namespace

class Tasks : public RuntimeTest {};

TEST_F(Tasks, SchedulerCases) {
  for (const auto& sc : Scenarios) {
    TMxScheduler s;
    std::string trace;
    sc.Play(s, trace);
    EXPECT_EQ(trace, sc.Expected) << sc.Name;
  }
}

// An owner destroyed by its task's own step: the task ends now and is freed after the
// step (AddressSanitizer sees a use after free otherwise); one not stepping goes at once.
TEST_F(Tasks, ATaskFreedFromItsOwnStep) {
  TMxScheduler s;
  // Tells when it is freed.
  struct TProbeTask : TMxTask {
    TProbeTask(TMxScheduler* S, bool& AFreed) : TMxTask(S, "Probe"), Freed(AFreed) {}
    ~TProbeTask() override { Freed = true; }
    bool& Freed;
  };
  struct TOwner {
    std::unique_ptr<TMxTask> Task;
  };
  bool ownerTaskFreed = false;
  bool freedInStep = true;
  auto owner = std::make_unique<TOwner>();
  owner->Task = std::make_unique<TProbeTask>(&s, ownerTaskFreed);
  int steps = 0;
  owner->Task->OnExecute = [&](TMxTask*) {
    ++steps;
    MxFreeTask(std::move(owner->Task));
    owner.reset();
    freedInStep = ownerTaskFreed;
  };
  owner->Task->Start();
  TMxTask other(&s, "Other");
  other.OnExecute = [&](TMxTask*) { ++steps; };
  other.Start();
  for (int i = 0; i < 3; ++i) s.Execute();
  EXPECT_EQ(steps, 3);  // once the owner, then the other task alone
  EXPECT_FALSE(freedInStep);
  EXPECT_TRUE(ownerTaskFreed);
  EXPECT_EQ(s.TaskCount(), 1);
  bool idleFreed = false;
  auto idle = std::make_unique<TProbeTask>(&s, idleFreed);
  idle->Start();
  MxFreeTask(std::move(idle));
  EXPECT_TRUE(idleFreed);
  EXPECT_EQ(s.TaskCount(), 1);
  other.Kill();
}

TEST_F(Tasks, AFailingStepLeavesOneInfoLine) {
  TMxScheduler s;
  TMxTask task(&s, "Crasher");
  task.OnExecute = [](TMxTask*) { throw std::runtime_error("boom"); };
  task.Start();
  s.Execute();
  EXPECT_EQ(task.State(), tsTerminated);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"***INFO: boom - Crasher"});
}

TEST_F(Tasks, MisuseTexts) {
  TMxScheduler s;
  TMxTask task(&s, "Probe");
  TMxSignal sig;
  EXPECT_THROW_MSG(task.Terminate(), "Task Terminate Error: Actual State = Created");
  EXPECT_THROW_MSG(task.SetPriority(5), "Invalid Priority Value");
  EXPECT_THROW_MSG(task.SetPriority(-1), "Invalid Priority Value");
  EXPECT_THROW_MSG(task.Sleep(10), "Task Sleep Error");
  EXPECT_THROW_MSG(task.WaitFor(&sig, 10), "Task Suspend Error! Actual State = Created Probe");
  task.Start();
  EXPECT_THROW_MSG(task.Start(), "Can not start task");
  EXPECT_THROW_MSG(task.SetPriority(1), "Task Set Priority Error");
  task.Terminate();
  EXPECT_THROW_MSG(task.Terminate(), "Task Terminate Error: Actual State = Terminated");
  task.Start();  // a terminated task starts again
  EXPECT_TRUE(task.IsReady());

  TMxSemaphore sem;
  EXPECT_THROW_MSG(sem.Release(&task), "Semaphore Release Error");
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"***INFO: Task Sleep Error", "***INFO: Semaphore Release Error"}));

  MxFreeMainScheduler();
  EXPECT_THROW_MSG(TMxTask("Main"), "Main Scheduler not created!");
  MxCreateMainScheduler();
}

TEST_F(Tasks, TimeOutsComeFromTheTimerThread) {
  TMxScheduler s;
  TMxSignal never;
  TMxTask zero(&s, "Zero"), unlimited(&s, "Forever");
  zero.OnExecute = [&](TMxTask* t) { t->WaitFor(&never, 0); };
  unlimited.OnExecute = [&](TMxTask* t) { t->WaitFor(&never, MxNoTimeout); };
  zero.Start();
  unlimited.Start();
  s.Execute();
  s.Execute();
  // A time-out of 0 expires at the timer thread's next pass; the unlimited wait stays.
  ASSERT_TRUE(WaitUntil([&] { return zero.IsReady(); }));
  EXPECT_EQ(zero.ExecuteInfo(), eiTimeout);
  EXPECT_EQ(unlimited.State(), tsSuspended);
  EXPECT_EQ(never.TaskCount(), 1);
}

TEST_F(Tasks, SleepWakesWithSuccessAndTimeoutHookRuns) {
  TMxScheduler s;
  TMxSignal never;
  std::atomic<int> timeouts{0};
  TMxTask sleeper(&s, "Sleeper"), waiter(&s, "Waiter");
  sleeper.OnExecute = [](TMxTask* t) { t->Sleep(5); };
  waiter.OnExecute = [&](TMxTask* t) { t->WaitFor(&never, -5); };
  waiter.OnTimeout = [&](TMxTask*) { ++timeouts; };
  sleeper.Start();
  waiter.Start();
  s.Execute();
  s.Execute();
  ASSERT_TRUE(WaitUntil([&] { return sleeper.IsReady() && waiter.IsReady(); }));
  EXPECT_EQ(sleeper.ExecuteInfo(), eiSuccess);
  EXPECT_EQ(waiter.ExecuteInfo(), eiTimeout);
  EXPECT_EQ(timeouts, 1);
}

TEST_F(Tasks, ThreadedSchedulerRunsItsTasksOnItsOwnThread) {
  TMxScheduler threaded("TalkScheduler");
  std::atomic<int> steps{0};
  std::thread::id stepThread;
  TMxTask task(&threaded, "Worker");
  task.OnExecute = [&](TMxTask* t) {
    stepThread = std::this_thread::get_id();
    if (++steps == 3) t->Terminate();
  };
  task.Start();
  ASSERT_TRUE(WaitUntil([&] { return steps == 3; }));
  EXPECT_NE(stepThread, std::this_thread::get_id());
  EXPECT_EQ(threaded.TaskThread()->GetPriorityStr(), "tpLower");
}

TEST_F(Tasks, ReleasesFromTheTimerThreadAreNeverLost) {
  // 100,000 wait time-outs and sleeps, all ended by the timer thread, on a threaded
  // scheduler and on the main scheduler at once; a lost wake-up leaves a task asleep.
  constexpr int PerTask = 25000;
  TMxScheduler threaded("Stress");
  TMxSignal never;
  std::atomic<int> done{0};
  std::vector<std::unique_ptr<TMxTask>> tasks;
  TStopOnExit stop{threaded};
  for (int i = 0; i < 4; ++i) {
    TMxScheduler* s = i < 2 ? &threaded : MxScheduler();
    auto task = std::make_unique<TMxTask>(s, "Stress");
    task->OnExecute = [&never, &done, sleeps = i % 2 == 0, n = 0](TMxTask* t) mutable {
      if (n > 0 && t->ExecuteInfo() != (sleeps ? eiSuccess : eiTimeout)) return;  // leaves the test hanging
      if (++n > PerTask) {
        ++done;
        t->Terminate();
      } else if (sleeps) {
        t->Sleep(0);
      } else {
        t->WaitFor(&never, 0);
      }
    };
    tasks.push_back(std::move(task));
  }
  for (auto& t : tasks) t->Start();
  ASSERT_TRUE(StepUntil([&] { return done == 4; }));
}

TEST_F(Tasks, ReleasesFromWorkerThreadsAreNeverLost) {
  // Four threads put 25,000 messages each into queues of a main and a threaded task.
  constexpr int PerThread = 25000;
  TMxScheduler threaded("Stress");
  TMxQueue mainQueue, threadQueue;
  std::atomic<int> received{0};
  auto consume = [&](TMxQueue& q) {
    return [&](TMxTask* t) {
      while (TMxMessage* m = q.GetMessage()) {
        TMxMessage::Free(m);
        ++received;
      }
      t->WaitFor(&q, MxNoTimeout);
    };
  };
  TMxTask mainTask(MxScheduler(), "Main"), threadTask(&threaded, "Thread");
  TStopOnExit stop{threaded};
  mainTask.OnExecute = consume(mainQueue);
  threadTask.OnExecute = consume(threadQueue);
  mainTask.Start();
  threadTask.Start();
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w)
    workers.emplace_back([&, w] {
      for (int i = 0; i < PerThread; ++i) (w % 2 ? mainQueue : threadQueue).PutMessage(TMxMessage::Create());
    });
  const bool all = StepUntil([&] { return received == 4 * PerThread; });
  for (auto& w : workers) w.join();
  ASSERT_TRUE(all) << received;
  EXPECT_EQ(mainQueue.MessageCount() + threadQueue.MessageCount(), 0);
}

TEST_F(Tasks, ATimeOutRacingAReleaseNeverEndsALaterWait) {
  // Each round: a 1 ms wait that a worker's pulse or the timer ends, then an unlimited
  // wait that only the other worker's pulse may end. An expiry of the first wait that
  // arrives late must not end the second one with eiTimeout.
  constexpr int Rounds = 100000;
  TMxScheduler threaded("Race");
  TMxSignal first, second;
  std::atomic<int> rounds{0};
  std::atomic<bool> wrong{false};
  TMxTask task(&threaded, "Race");
  task.OnExecute = [&, phase = 0](TMxTask* t) mutable {
    if (phase == 2 && t->ExecuteInfo() != eiSuccess) wrong = true;
    if (phase == 2 && ++rounds == Rounds) return t->Terminate();
    phase = phase == 1 ? 2 : 1;
    t->WaitFor(phase == 1 ? &first : &second, phase == 1 ? 1 : MxNoTimeout);
  };
  TStopOnExit stop{threaded};
  std::atomic<bool> end{false};
  auto pulse = [&](TMxSignal& s) {
    return std::thread([&] {
      while (!end) {
        s.SetReady(true);
        s.SetReady(false);
      }
    });
  };
  std::thread w1 = pulse(first), w2 = pulse(second);
  task.Start();
  const bool finished = WaitUntil([&] { return rounds == Rounds || wrong; }, std::chrono::seconds(120));
  end = true;
  w1.join();
  w2.join();
  EXPECT_TRUE(finished);
  EXPECT_FALSE(wrong);
  EXPECT_TRUE(LogLines().empty());  // no "Task Timeout Error", no "Release Task Error"
}
