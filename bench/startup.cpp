// The program's start: from the process start to the first idle of its event loop with
// the commander shown (offscreen), beside a bare Qt program that shows one window, each
// in a fresh process of the same run; and the CPU share of the idle program. Limits:
// under 1 s, at most 5x the bare start, idle under 1 % of a core.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "runtime/QtSchedulerBridge.h"
#include "shell/forms/MainForm.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TResult {
  double StartSeconds = 0;
  double IdleCpuShare = 0;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs Child in a fresh process and returns what it reports.
template <class F>
TResult InChild(F Child) {
  int fds[2];
  if (pipe(fds) != 0) std::abort();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const TResult result = Child(Clock::now());
    [[maybe_unused]] auto n = write(fds[1], &result, sizeof result);
    _exit(0);
  }
  close(fds[1]);
  TResult result;
  if (read(fds[0], &result, sizeof result) != sizeof result) result.StartSeconds = -1;
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return result;
}

int Argc = 1;
char Name[] = "bench_startup";
char* Argv[] = {Name, nullptr};

TResult BareStart(Clock::time_point Start) {
  QApplication app(Argc, Argv);
  QWidget window;
  window.show();
  TResult result;
  QTimer::singleShot(0, [&] {
    result.StartSeconds = std::chrono::duration<double>(Clock::now() - Start).count();
    app.quit();
  });
  app.exec();
  return result;
}

TResult ProgramStart(Clock::time_point Start) {
  ::setenv("XDG_DATA_HOME", (std::filesystem::temp_directory_path() / "vt-bench-startup").c_str(), 1);
  QApplication app(Argc, Argv);
  vt::TMainForm form(vt::Utf8ToWide(VT_PROGRAM), {});
  form.FormCreate();
  TResult result;
  QTimer watch;
  double idleFrom = 0;
  // A zero timer fires once the queued events are served: the first idle with a commander.
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (form.NumberOfCommander == 0) return;
    watch.stop();
    result.StartSeconds = std::chrono::duration<double>(Clock::now() - Start).count();
    // Idle is measured after a second of settling (the first-start copy's files are
    // closed, the log's first period written), over three seconds.
    QTimer::singleShot(1000, [&] {
      idleFrom = CpuSeconds();
      QTimer::singleShot(3000, [&] {
        result.IdleCpuShare = (CpuSeconds() - idleFrom) / 3.0;
        vt::MxRequestExit();
      });
    });
  });
  watch.start(0);
  form.Run();
  return result;
}

void BM_StartToFirstIdle(benchmark::State& state) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  double bare = 0, program = 0, idle = 0;
  for (auto _ : state) {
    bare = InChild(BareStart).StartSeconds;
    const TResult r = InChild(ProgramStart);
    program = r.StartSeconds;
    idle = r.IdleCpuShare;
    state.SetIterationTime(program);
  }
  state.counters["program_s"] = program;
  state.counters["bare_qt_s"] = bare;
  state.counters["ratio"] = program / bare;
  state.counters["idle_cpu_share"] = idle;
  std::printf("start to first idle %.3f s (limit 1 s), bare Qt window %.3f s, ratio %.2f (limit 5); "
              "idle CPU %.3f %% of a core (limit 1 %%)\n",
              program, bare, program / bare, idle * 100);
}
BENCHMARK(BM_StartToFirstIdle)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
