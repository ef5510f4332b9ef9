#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "runtime/Tasks.h"
#include "runtime/Threads.h"
#include "runtime/TickTimer.h"

using namespace vt;

namespace {

// Holds the timer thread inside a handler until released, so that timers started
// meanwhile are all due when it comes back.
struct TTimerThreadBlocker {
  TTimerThreadBlocker() {
    Timer.OnExpiration = [this] {
      Entered = true;
      while (!Released) std::this_thread::yield();
    };
    Timer.Initialize(0, false, true);
    WaitUntil([this] { return Entered.load(); });
  }
  ~TTimerThreadBlocker() { Released = true; }
  std::atomic<bool> Entered{false}, Released{false};
  TMxTimer Timer;
};

std::int64_t ProcessCpuMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return std::int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

}  // namespace

TEST(TimerQueue, TimersDueTogetherFireInStartOrder) {
  std::mutex lock;
  std::vector<int> order;
  std::vector<std::unique_ptr<TMxTimer>> timers;
  {
    TTimerThreadBlocker blocker;
    for (int i = 0; i < 200; ++i) {
      timers.push_back(std::make_unique<TMxTimer>());
      timers.back()->OnExpiration = [&, i] {
        std::lock_guard l(lock);
        order.push_back(i);
      };
      timers.back()->Initialize(0, false, true);
    }
  }
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard l(lock);
    return order.size() == 200;
  }));
  // Many of them share a millisecond: equal expiry times keep their start order.
  std::vector<int> expected(200);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(order, expected);
}

TEST(TimerQueue, ANewEarliestTimerWakesTheSleepingThread) {
  std::atomic<int> fired{0};
  TMxTimer late, early;
  late.OnExpiration = [&] { fired += 100; };
  early.OnExpiration = [&] { fired += 1; };
  late.Initialize(600000, false, true);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the thread settle on the late one
  early.Initialize(10, false, true);
  // Without the wake the thread would sleep on until its 20 s idle limit or longer.
  ASSERT_TRUE(WaitUntil([&] { return fired == 1; }, std::chrono::seconds(15)));
  EXPECT_TRUE(late.Pending());
  EXPECT_GT(late.Remaining(), 0);
}

TEST(TimerQueue, StopCyclicRemainingAndFailingHandlers) {
  std::atomic<int> stopped{0}, cyclic{0}, negative{0}, after{0};
  TMxTimer stoppedTimer, cyclicTimer, negativeTimer, failing, later;
  stoppedTimer.OnExpiration = [&] { ++stopped; };
  negativeTimer.OnExpiration = [&] { ++negative; };
  cyclicTimer.OnExpiration = [&] { ++cyclic; };
  failing.OnExpiration = [] { throw std::runtime_error("handler failed"); };
  later.OnExpiration = [&] { ++after; };
  stoppedTimer.Initialize(50, false, true);
  stoppedTimer.Stop();
  negativeTimer.Initialize(-5, false, true);  // due at once, like interval 0
  cyclicTimer.Initialize(1, true, true);
  failing.Initialize(0, false, true);
  later.Initialize(100, false, true);
  // The failing handler did not end the thread: a later timer still fires.
  ASSERT_TRUE(WaitUntil([&] { return after == 1 && cyclic >= 3 && negative == 1; }));
  cyclicTimer.Stop();
  EXPECT_EQ(stopped, 0);  // stopped before the thread took it: it never fires
  EXPECT_EQ(later.Remaining(), 0);
  EXPECT_FALSE(later.Pending());
}

TEST(TimerQueue, DestroyingATimerWaitsForItsRunningHandler) {
  std::atomic<bool> entered{false}, release{false}, finished{false};
  auto timer = std::make_unique<TMxTimer>();
  timer->OnExpiration = [&] {
    entered = true;
    while (!release) std::this_thread::yield();
    finished = true;
  };
  timer->Initialize(0, false, true);
  ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    release = true;
  });
  timer.reset();
  EXPECT_TRUE(finished);
  releaser.join();
}

TEST(TimerQueue, FarTimeOutsAreNeverAndLeaveTheThreadAsleep) {
  constexpr std::int64_t Last = std::numeric_limits<std::int64_t>::max();
  std::atomic<int> farFired{0};
  std::atomic<bool> nearFired{false};
  TMxTimer far, farthest, near;
  far.OnExpiration = farthest.OnExpiration = [&] { ++farFired; };
  near.OnExpiration = [&] { nearFired = true; };
  far.Initialize(10'000'000'000'000, false, true);
  farthest.Initialize(Last - 5, false, true);
  near.Initialize(10, false, true);  // the queue lock is still free to take
  ASSERT_TRUE(WaitUntil([&] { return nearFired.load(); }));
  // The thread now waits for the far ones: asleep, not spinning.
  const std::int64_t before = ProcessCpuMilliseconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LT(ProcessCpuMilliseconds() - before, 150);
  EXPECT_EQ(farFired, 0);
  EXPECT_TRUE(far.Pending() && farthest.Pending());
  EXPECT_GT(farthest.Remaining(), 10'000'000'000'000);

  TTickTimer deadline;
  deadline.Start(Last);
  EXPECT_FALSE(deadline.Expired());
  TEvent event;
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.SetEvent();
  });
  EXPECT_TRUE(event.WaitFor(10'000'000'000'000));  // a far limit is no limit, not none
  setter.join();
}

TEST(TickTimer, Deadlines) {
  TTickTimer t;
  t.Start(-5);
  EXPECT_TRUE(t.Expired());
  EXPECT_LT(t.TicksToGo(), 0);
  t.Start(600000);
  EXPECT_FALSE(t.Expired());
  EXPECT_GT(t.TicksToGo(), 0);
}

TEST(ThreadManager, ServesItsClientsOnItsOwnThread) {
  TThreadManager manager("CommPortManager");
  std::atomic<int> events{0};
  std::thread::id eventThread;
  TThreadClient* a = manager.NewThreadClient();
  TThreadClient* b = manager.NewThreadClient();
  a->OnEvent = [&](TThreadClient*) {
    eventThread = std::this_thread::get_id();
    events += 1;
  };
  b->OnEvent = [&](TThreadClient*) { events += 10; };
  a->SetEvent();
  b->SetEvent();
  ASSERT_TRUE(WaitUntil([&] { return events == 11; }));
  EXPECT_NE(eventThread, std::this_thread::get_id());
  b->Release();
  a->SetEvent();
  ASSERT_TRUE(WaitUntil([&] { return events == 12 && manager.ClientCount() == 1; }));
}

TEST(ThreadManager, AFailingHandlerEndsNeitherTheLoopNorTheOthers) {
  TThreadManager manager;
  std::atomic<int> served{0};
  TThreadClient* failing = manager.NewThreadClient();
  TThreadClient* other = manager.NewThreadClient();
  failing->OnEvent = [&](TThreadClient*) {
    if (++served == 1) throw 42;  // no std::exception
    throw std::runtime_error("port failed");
  };
  other->OnEvent = [&](TThreadClient*) { served += 10; };
  for (TThreadClient* c : {failing, other, failing, other}) {
    const int before = served;
    c->SetEvent();
    ASSERT_TRUE(WaitUntil([&] { return served > before; }));
  }
  EXPECT_EQ(served, 22);
}

TEST(ThreadManager, AfterReleaseNoHandlerOfTheClientRuns) {
  TThreadManager manager;
  // A handler in progress: Release returns only after it.
  std::atomic<bool> inside{false}, letGo{false}, released{false};
  TThreadClient* slow = manager.NewThreadClient();
  slow->OnEvent = [&](TThreadClient*) {
    inside = true;
    while (!letGo) std::this_thread::yield();
  };
  slow->SetEvent();
  ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));
  std::thread releaser([&] {
    slow->Release();
    released = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(released);
  letGo = true;
  releaser.join();

  // From inside its own handler: at once, and that call is the last.
  std::atomic<int> selfCalls{0};
  TThreadClient* self = manager.NewThreadClient();
  self->OnEvent = [&](TThreadClient* c) {
    ++selfCalls;
    c->Release();
  };
  self->SetEvent();
  ASSERT_TRUE(WaitUntil([&] { return selfCalls == 1 && manager.ClientCount() == 0; }));

  // Owners free their state as soon as Release returns (the sanitizers see a late call).
  for (int round = 0; round < 200; ++round) {
    auto state = std::make_unique<std::atomic<int>>(0);
    TThreadClient* c = manager.NewThreadClient();
    c->OnEvent = [s = state.get()](TThreadClient*) { ++*s; };
    for (int i = 0; i < 10; ++i) c->SetEvent();
    c->Release();
    state.reset();
  }
  EXPECT_EQ(selfCalls, 1);
}

TEST(ThreadManager, SixteenClientsAtMost) {
  TThreadManager manager;
  std::vector<TThreadClient*> clients;
  for (int i = 0; i < MaxClientCount; ++i) clients.push_back(manager.NewThreadClient());
  EXPECT_THROW_MSG(manager.NewThreadClient(), "TThreadManager.NewThreadClient: maximum of clients reached");
  clients[3]->Release();
  TThreadClient* added = manager.NewThreadClient();
  std::atomic<bool> served{false};
  added->OnEvent = [&](TThreadClient*) { served = true; };
  added->SetEvent();
  ASSERT_TRUE(WaitUntil([&] { return served.load(); }));
  EXPECT_EQ(manager.ClientCount(), MaxClientCount);
}

// A serial port's receive side: the manager waits on the descriptor only while the
// client is armed, so input left unread after a call costs no further calls.
TEST(ThreadManager, WaitsOnAnArmedDescriptorOnce) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  TThreadManager manager("TalkServer");
  std::atomic<int> calls{0};
  TThreadClient* client = manager.NewThreadClient();
  client->OnEvent = [&](TThreadClient*) { ++calls; };
  client->SetWaitDescriptor(pipeFds[0]);
  ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
  client->SetEvent();  // the event alone, while not armed
  ASSERT_TRUE(WaitUntil([&] { return calls == 1; }));
  client->Arm();
  ASSERT_TRUE(WaitUntil([&] { return calls == 2; }));
  // Still readable, but disarmed: a later event is the only further call.
  client->SetEvent();
  ASSERT_TRUE(WaitUntil([&] { return calls == 3; }));
  EXPECT_EQ(calls, 3);
  close(pipeFds[1]);  // a hang-up wakes an armed client as well
  client->Arm();
  ASSERT_TRUE(WaitUntil([&] { return calls == 4; }));
  client->Release();
  ASSERT_TRUE(WaitUntil([&] { return manager.ClientCount() == 0; }));
  close(pipeFds[0]);
}

// A wait holds the file it waits on: once ClearWaitDescriptor returns, closing the
// descriptor closes the file (here: the pipe's last reader is gone).
TEST(ThreadManager, ClearedDescriptorIsNoLongerHeld) {
  signal(SIGPIPE, SIG_IGN);
  TThreadManager manager("TalkServer");
  TThreadClient* client = manager.NewThreadClient();
  for (int round = 0; round < 20; ++round) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    client->SetWaitDescriptor(pipeFds[0]);
    client->Arm();
    client->ClearWaitDescriptor();
    close(pipeFds[0]);
    EXPECT_EQ(write(pipeFds[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    close(pipeFds[1]);
  }
  client->Release();
}

TEST(JobThread, RunsItsJobsInOrderAndLosesNoneOnceEnded) {
  TJobThread jobs("Jobs");
  const std::thread::id here = std::this_thread::get_id();
  std::vector<int> done;
  std::atomic<bool> elsewhere{true};
  for (int i = 0; i < 100; ++i) {
    if (i == 50) jobs.Post([] { throw 42; });  // the jobs behind it still run
    jobs.Post([&, i] {
      done.push_back(i);
      if (std::this_thread::get_id() == here) elsewhere = false;
    });
  }
  jobs.Drain();
  std::vector<int> expected(100);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(done, expected);
  EXPECT_TRUE(elsewhere);
  jobs.Terminate();
  ASSERT_TRUE(WaitUntil([&] { return jobs.Finished(); }));
  jobs.Post([&] { done.push_back(100); });  // runs here, now
  jobs.Drain();
  EXPECT_EQ(done.size(), 101u);
}

TEST(OurThread, PriorityTexts) {
  struct TIdle : TOurThread {
    void Execute() override {}
  } t;
  const struct {
    int priority;
    const char* text;
  } cases[] = {{tpIdle, "tpIdle"},     {tpLowest, "tpLowest"},   {tpLower, "tpLower"},
               {tpNormal, "tpNormal"}, {tpHigher, "tpHigher"},   {tpHighest, "tpHighest"},
               {tpTimeCritical, "tpTimeCritical"}, {7, "unknown"}, {-1, "unknown"}};
  for (const auto& c : cases) {
    t.SetPriority(c.priority);
    EXPECT_EQ(t.GetPriorityStr(), c.text) << c.priority;
  }
}

// A thread that ends only when released, whatever it is asked.
struct TStubborn : TOurThread {
  TStubborn() {
    SetThreadName("Stubborn");
    Start();
  }
  ~TStubborn() override { ShutdownThread(); }
  void Execute() override {
    while (!Released) std::this_thread::yield();
  }
  std::atomic<bool> Released{false};
};

// In a process of its own: it ends the timer thread, which the other tests need.
TEST(OurThread, ShutdownEndsEveryThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TMxScheduler threaded("TalkScheduler");
        TThreadManager manager("TalkServer");
        TMxTimer timer;
        timer.Initialize(600000, false, true);  // the timer thread sleeps on it
        TStubborn stubborn;
        const int running = TerminateOurThreads();  // the others may end at once, not this one
        stubborn.Released = true;
        const bool ended = WaitUntil([] {
          for (TOurThread* t : OurThreadList())
            if (!t->Finished()) return false;
          return true;
        });
        std::_Exit(running >= 1 && OurThreadList().size() == 4 && ended ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
