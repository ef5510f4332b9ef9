// The cooperative runtime's costs: message round trips between a main-scheduler task
// and a threaded-scheduler task beside a plain condition-variable ping-pong between two
// threads; scheduler steps per second; and the CPU time an idle program uses.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTimer>

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "BenchRuntime.h"
#include "runtime/Messages.h"
#include "runtime/QtSchedulerBridge.h"
#include "runtime/Services.h"
#include "runtime/TaskQueue.h"
#include "runtime/Tasks.h"

using namespace vt;

namespace {

struct TRuntime : TBenchRuntime {
  TRuntime() { CreateServiceClientPool(); }
  ~TRuntime() { FreeServiceClientPool(); }
};

// Steps the main scheduler on this thread, sleeping on its wake, until Pred holds.
template <class P>
void StepMainUntil(P Pred) {
  TMxPlainLoop loop(MxScheduler());
  while (!Pred()) loop.StepOrWait();
}

void BM_MessagesMainToThreadedScheduler(benchmark::State& state) {
  TRuntime runtime;
  TMxScheduler talk("TalkScheduler");
  TMxQueue requests, replies;
  requests.LogOn(0);
  replies.LogOn(0);
  TMxTask server(&talk, "Server");
  server.OnExecute = [&](TMxTask* t) {
    while (TMxMessage* m = requests.GetMessage()) {
      m->SetReceiverFromSender(m);
      requests.SendMessage(m);  // the request itself travels back as the reply
    }
    t->WaitFor(&requests, MxNoTimeout);
  };
  std::atomic<std::int64_t> roundTrips{0};
  bool send = true;
  TMxTask client("Client");
  client.OnExecute = [&](TMxTask* t) {
    while (TMxMessage* m = replies.GetMessage()) {
      TMxMessage::Free(m);
      ++roundTrips;
      send = true;
    }
    if (send) {
      send = false;
      TMxMessage* m = TMxMessage::Create();
      m->SetText("PING\t1");
      m->SetReceiver(requests.GetQueueIdent(), 0, 0);
      replies.SendMessage(m);
    }
    t->WaitFor(&replies, MxNoTimeout);
  };
  server.Start();
  std::int64_t target = 0;
  for (auto _ : state) {
    ++target;
    if (target == 1) client.Start();
    StepMainUntil([&] { return roundTrips >= target; });
  }
  talk.TaskThread()->ShutdownThread();
  state.SetItemsProcessed(state.iterations() * 2);  // a request and a reply each
  state.SetLabel("messages");
}
BENCHMARK(BM_MessagesMainToThreadedScheduler)->UseRealTime();

void BM_CondVarPingPong(benchmark::State& state) {
  std::mutex lock;
  std::condition_variable cond;
  std::int64_t ping = 0, pong = 0;
  bool stop = false;
  std::thread peer([&] {
    std::unique_lock l(lock);
    while (true) {
      cond.wait(l, [&] { return ping > pong || stop; });
      if (stop) return;
      pong = ping;
      cond.notify_all();
    }
  });
  for (auto _ : state) {
    std::unique_lock l(lock);
    ++ping;
    cond.notify_all();
    cond.wait(l, [&] { return pong == ping; });
  }
  {
    std::lock_guard l(lock);
    stop = true;
  }
  cond.notify_all();
  peer.join();
  state.SetItemsProcessed(state.iterations() * 2);
  state.SetLabel("messages");
}
BENCHMARK(BM_CondVarPingPong)->UseRealTime();

void BM_MainSchedulerSteps(benchmark::State& state) {
  TRuntime runtime;
  std::vector<std::unique_ptr<TMxTask>> tasks;
  std::int64_t work = 0;
  for (int i = 0; i < 8; ++i) {
    tasks.push_back(std::make_unique<TMxTask>("Busy"));
    tasks.back()->OnExecute = [&](TMxTask*) { ++work; };
    tasks.back()->Start();
  }
  for (auto _ : state) MxScheduler()->Execute();
  benchmark::DoNotOptimize(work);
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("steps");
}
BENCHMARK(BM_MainSchedulerSteps);

double ProcessCpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// An idle program: the timer thread, a talk scheduler, a thread manager, a provider with
// a connected client, the task queue and a task that wakes once a second (as the
// program's autorelease task does); nothing else to do for 10 s.
void BM_IdleProgramCpu(benchmark::State& state) {
  const bool qt = state.range(0) != 0;
  for (auto _ : state) {
    TRuntime runtime;
    TMxScheduler talk("TalkScheduler");
    TThreadManager manager("TalkServer");
    TServiceProvider provider(nullptr, "Idle Service");
    TServiceClient client;
    client.Connect(&provider);
    TTaskQueue queue;
    int ticks = 0;
    TMxTask autorelease("AutoReleaseTask");
    autorelease.OnExecute = [&](TMxTask* t) {
      if (++ticks > 10) return MxRequestExit();
      t->Sleep(1000);
    };
    autorelease.Start();
    const double cpuStart = ProcessCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    if (qt) {
      TMxQtBridge bridge(MxScheduler());
      QCoreApplication::exec();
    } else {
      MxRunPlainLoop(MxScheduler());
    }
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
    std::printf("idle program (%s): %.3f s CPU in %.1f s = %.3f%% of one core (goal < 1%%)\n",
                qt ? "Qt event loop" : "plain loop", cpu, wall, 100.0 * cpu / wall);
  }
}
BENCHMARK(BM_IdleProgramCpu)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
