// Drive telegram round trips through the link against drivesim: over a pseudo-terminal
// paced at 38400 baud, as a fraction of what the line allows (frame bytes x 10 / 38400
// per round trip), and over loopback UDP beside a plain socket loop to the same drive.
// Plain loops over the same terminal and socket show what the machine allows.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "BenchRuntime.h"
#include "Launcher.h"
#include "PlainSocketLoop.h"
#include "comm/SerialDriver.h"
#include "comm/SerialFrames.h"
#include "comm/TalkDevices.h"
#include "comm/UdpDriver.h"
#include "runtime/Conversions.h"
#include "runtime/Messages.h"
#include "runtime/Threads.h"

using namespace vt;

namespace {

constexpr std::uint32_t Baud = 38400;
// A word read: 10 and a 4-byte address; the answer 10 00 and 4 data bytes.
const std::string Request("\x10\x00\x00\x00\x00", 5);
constexpr int AnswerSize = 6;

// The rates measured, for the lines printed at the end.
double GSerialRate = 0, GSerialPlainRate = 0, GUdpLinkRate = 0, GUdpPlainRate = 0;

drivesim::TDriveSim& Drives() {
  static drivesim::TDriveSim sim({"--pty", "--baud=38400", "--udp4", "--log=/dev/null"});
  return sim;
}

// The runtime's globals, the talk thread and the queue for default receivers.
struct TTalkRig : TBenchRuntime {
  TTalkRig() {
    Talk = std::make_unique<TMxScheduler>("TalkScheduler");
    Manager = std::make_unique<TThreadManager>("TalkServer");
    Main = std::make_unique<TMxQueue>();
    Main->LogOn(0);
  }
  ~TTalkRig() {
    Talk->TaskThread()->ShutdownThread();
    while (!Objects.empty()) Objects.pop_back();
    Main.reset();
    Manager.reset();
    Talk.reset();
  }
  template <class T>
  T* Keep(std::unique_ptr<T> Object) {
    T* raw = Object.get();
    Objects.push_back(std::shared_ptr<void>(std::move(Object)));
    return raw;
  }
  std::unique_ptr<TMxScheduler> Talk;
  std::unique_ptr<TThreadManager> Manager;
  std::unique_ptr<TMxQueue> Main;
  std::vector<std::shared_ptr<void>> Objects;  // newest first at the end
};

// What a request executor does per request, in a loop on the talk thread: obtain the
// link, assign the command byte, send, wait for the answer, give both back.
class TRoundTrips {
 public:
  TRoundTrips(TMxScheduler* Talk, TDeviceDriver* Link) : FLink(Link), FTask(Talk, "RoundTrips") {
    FTask.OnExecute = [this](TMxTask* t) { Step(t); };
    FTask.Start();
  }
  std::atomic<std::int64_t> Done{0};
  std::atomic<std::int64_t> Lost{0};
  // The count at which the benchmark's thread wants to be woken.
  std::atomic<std::int64_t> WakeAt{0};

 private:
  void Step(TMxTask* T) {
    switch (FState) {
      case 0:
        FState = 1;
        return FLink->ObtainDevice(T, MxNoTimeout);
      case 1:
        FLink->AssignCurrentService(&FInput, static_cast<std::uint8_t>(Request[0]));
        FState = 2;
        if (FLink->Output(T, Request, "") == 0) return T->WaitFor(&FInput, 2000);
        break;
      default:
        if (TMxMessage* m = FInput.GetMessage()) {
          if (m->GetSize() == AnswerSize && ++Done >= WakeAt) Done.notify_one();
          TMxMessage::Free(m);
        } else {
          ++Lost;
        }
        break;
    }
    FLink->ReleaseCurrentService(&FInput);
    FLink->ReleaseDevice(T);
    FState = 0;
  }

  TDeviceDriver* const FLink;
  TMxQueue FInput;
  TMxTask FTask;
  int FState = 0;
};

// Round trips per second since Start; the benchmark counts one per iteration.
double Report(benchmark::State& State, std::chrono::steady_clock::time_point Start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  State.SetItemsProcessed(State.iterations());
  State.counters["round_trips_per_s"] = State.iterations() / seconds;
  return State.iterations() / seconds;
}

// RoundTrip does one.
template <class F>
double Measure(benchmark::State& State, F RoundTrip) {
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : State) RoundTrip();
  return Report(State, start);
}

// The round trips of the executor loop, which runs on by itself; the benchmark's thread
// sleeps until a batch of them is done, so that its wakes cost the loop next to nothing.
double MeasureLoop(benchmark::State& State, TRoundTrips& Trips) {
  constexpr std::int64_t Batch = 50;
  const auto start = std::chrono::steady_clock::now();
  std::int64_t target = Trips.Done;
  while (State.KeepRunningBatch(Batch)) {
    target += Batch;
    Trips.WakeAt = target;
    for (std::int64_t now = Trips.Done; now < target; now = Trips.Done) Trips.Done.wait(now);
  }
  return Report(State, start);
}

// Round trips per second that the paced line allows.
double LineLimit() {
  const std::size_t bytes = RsFrame(Request).size() + RsFrame(std::string(AnswerSize, '\0')).size();
  return Baud / (10.0 * bytes);
}

void BM_SerialLinkRoundTrip(benchmark::State& state) {
  TTalkRig rig;
  const std::string path = Drives().Ptys()[0];
  auto* port = rig.Keep(std::make_unique<TRsDriver>(1, Baud, [path](std::int32_t) { return path; }));
  port->Open(rig.Talk.get(), rig.Manager.get());
  auto* link = rig.Keep(std::make_unique<TTalkDevice>(path, port, 0, rig.Main.get(), 0));
  auto* trips = rig.Keep(std::make_unique<TRoundTrips>(rig.Talk.get(), link));
  GSerialRate = MeasureLoop(state, *trips);
  state.counters["line_limit_per_s"] = LineLimit();
  state.counters["lost"] = static_cast<double>(trips->Lost);
}
BENCHMARK(BM_SerialLinkRoundTrip)->UseRealTime()->MinTime(3.0);

// The same round trips with nothing but the terminal: what the pseudo-terminal and the
// paced drive allow on this machine.
void BM_SerialPlainLoopRoundTrip(benchmark::State& state) {
  const int fd = open(Drives().Ptys()[0].c_str(), O_RDWR | O_NOCTTY);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  const std::string frame = RsFrame(Request);
  const std::size_t answer = RsFrame(std::string(AnswerSize, '\0')).size();
  char buffer[64];
  GSerialPlainRate = Measure(state, [&] {
    [[maybe_unused]] auto n = write(fd, frame.data(), frame.size());
    for (std::size_t got = 0; got < answer;) {
      const ssize_t r = read(fd, buffer, sizeof buffer);
      if (r <= 0) break;
      got += r;
    }
  });
  close(fd);
}
BENCHMARK(BM_SerialPlainLoopRoundTrip)->UseRealTime()->MinTime(3.0);

void BM_UdpLinkRoundTrip(benchmark::State& state) {
  TTalkRig rig;
  auto* port = rig.Keep(std::make_unique<TETHDriver>());
  port->Open(rig.Talk.get(), rig.Manager.get());
  const auto loopback = static_cast<std::int32_t>(IPStrToInt("127.0.0.1"));
  auto* link = rig.Keep(std::make_unique<TTalkDevice>("ETH", port, loopback, rig.Main.get(), Drives().Udp4Ports()[0]));
  auto* trips = rig.Keep(std::make_unique<TRoundTrips>(rig.Talk.get(), link));
  GUdpLinkRate = MeasureLoop(state, *trips);
  state.counters["lost"] = static_cast<double>(trips->Lost);
}
BENCHMARK(BM_UdpLinkRoundTrip)->UseRealTime()->MinTime(2.0);

void BM_UdpPlainSocketRoundTrip(benchmark::State& state) {
  GUdpPlainRate = PlainSocketRoundTrips(state, "127.0.0.1", Drives().Udp4Ports()[0], Request, AnswerSize);
}
BENCHMARK(BM_UdpPlainSocketRoundTrip)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (GSerialRate > 0)
    std::printf("serial link at %u baud: %.1f round trips/s, the line allows %.1f: %.3f of the limit (goal >= 0.9)\n",
                Baud, GSerialRate, LineLimit(), GSerialRate / LineLimit());
  if (GSerialPlainRate > 0)
    std::printf("  beside a plain terminal loop to the same drive: %.1f round trips/s, %.3f of the limit\n",
                GSerialPlainRate, GSerialPlainRate / LineLimit());
  if (GUdpLinkRate > 0 && GUdpPlainRate > 0)
    std::printf("UDP link: %.0f round trips/s beside %.0f of a plain socket loop: %.3f (goal >= 0.5)\n", GUdpLinkRate,
                GUdpPlainRate, GUdpLinkRate / GUdpPlainRate);
  return 0;
}
