// Drive round trips the way the device services make them: talk actors on the main
// scheduler, through the talk server's executors on the talk thread, to drivesim on
// loopback UDP and back (three threads and the drive's process). One drive beside a
// plain socket loop to the same drive, and eight drives at once beside one.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <thread>

#include "BenchRuntime.h"
#include "Launcher.h"
#include "PlainSocketLoop.h"
#include "RawFramePattern.h"
#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "comm/TalkMessages.h"
#include "comm/TalkServer.h"
#include "comm/UdpDriver.h"
#include "runtime/Conversions.h"
#include "runtime/MessageCoding.h"
#include "runtime/QtSchedulerBridge.h"

using namespace vt;

namespace {

constexpr int DriveCount = 8;
// A word read: 10 and a 4-byte address; the answer 10 00 and 4 data bytes.
const std::string Request("\x10\x00\x00\x00\x00", 5);
constexpr int AnswerSize = 6;

double GOneDrive = 0, GPlainSocket = 0, GEightDrives = 0;

// Eight drives in one drivesim, each on an address of its own.
drivesim::TDriveSim& Drives() {
  static drivesim::TDriveSim sim([] {
    std::vector<std::string> args{"--log=/dev/null"};
    for (int i = 1; i <= DriveCount; ++i) args.push_back("--udp4=127.0.0." + std::to_string(i));
    return args;
  }());
  return sim;
}

// The runtime's globals, the talk server (first), the talk client with the test's raw
// pattern, and a link to each drive opened by command.
struct TRig : TBenchRuntime {
  TRig() {
    Server = std::make_unique<TTalkServer>();
    Server->AddPortDriver("ETH", std::make_unique<TETHDriver>());
    Replies = std::make_unique<TMxQueue>();
    Replies->LogOn(0);
    Client = std::make_unique<TTalkClient>();
    Client->RegisterTalkPattern(&Raw);
    for (int i = 0; i < DriveCount; ++i) Services.emplace_back(Open(i));
  }
  ~TRig() {
    Client.reset();
    Server.reset();
    Replies.reset();
  }
  std::int32_t Open(int Drive) {
    TMessageWriter writer;
    writer.CreateMessage();
    writer.PutCommand("OpenDevice");
    writer.PutParameter("ETH");
    MsgPutInt(0, writer);
    MsgPutInt(4, writer);
    MsgPutInt(static_cast<std::int32_t>(IPStrToInt(Drives().Udp4Addresses()[Drive])), writer);
    MsgPutInt(Drives().Udp4Ports()[Drive], writer);
    MsgPutInt(5, writer);
    writer.GetItem()->SetReceiver(TalkServerIdent + 1, TalkServerDomain, 1);
    Replies->SendMessage(writer.GetItem());
    while (Replies->MessageCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    TMessageReader reader;
    reader.SetItem(Replies->GetMessage());
    reader.GetCommand();
    const bool ok = reader.GetParameter() == "OK";
    const std::int32_t handle = ok ? std::stoi(reader.GetParameter()) : -1;
    reader.DestroyMessage();
    if (!ok) std::fprintf(stderr, "drive %d could not be opened\n", Drive);
    return handle;
  }

  std::unique_ptr<TTalkServer> Server;
  std::unique_ptr<TMxQueue> Replies;
  std::unique_ptr<TTalkClient> Client;
  TRawFramePattern Raw;
  std::deque<TTestTalkService> Services;
};

TRig* GRig = nullptr;

// Actors for the first Drives drives, each executing its one record again as soon as
// the answer is in; the benchmark's thread steps the main scheduler.
double MeasureActors(benchmark::State& State, int Drives) {
  std::vector<std::unique_ptr<TTalkActor>> actors;
  std::int64_t done = 0, lost = 0;
  for (int i = 0; i < Drives; ++i) {
    actors.push_back(GRig->Client->GetActor());
    TTalkActor& a = *actors.back();
    GRig->Raw.Put(a, &GRig->Services[i], Request);
    a.OnResponse = [&](TTalkActor* Actor) {
      ++done;
      if (Actor->GetResult() != 0) ++lost;
      Actor->Execute();
    };
  }
  TMxPlainLoop loop(MxScheduler());
  const auto start = std::chrono::steady_clock::now();
  for (auto& a : actors) a->Execute();
  constexpr std::int64_t Batch = 100;
  std::int64_t target = 0;
  while (State.KeepRunningBatch(Batch))
    for (target += Batch; done < target;) loop.StepOrWait();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double rate = done / seconds;
  // The last requests finish before the actors go back to the pool.
  for (auto& a : actors) a->OnResponse = [&](TTalkActor*) { ++done; };
  const std::int64_t last = done + Drives;
  while (done < last) loop.StepOrWait();
  for (auto& a : actors) GRig->Client->PutActor(a);
  State.counters["round_trips_per_s"] = rate;
  State.counters["lost"] = static_cast<double>(lost);
  return rate;
}

void BM_TalkServerOneDrive(benchmark::State& state) { GOneDrive = MeasureActors(state, 1); }
BENCHMARK(BM_TalkServerOneDrive)->UseRealTime()->MinTime(2.0);

void BM_TalkServerEightDrives(benchmark::State& state) { GEightDrives = MeasureActors(state, DriveCount); }
BENCHMARK(BM_TalkServerEightDrives)->UseRealTime()->MinTime(2.0);

void BM_PlainSocketOneDrive(benchmark::State& state) {
  GPlainSocket = PlainSocketRoundTrips(state, Drives().Udp4Addresses()[0], Drives().Udp4Ports()[0], Request, AnswerSize);
}
BENCHMARK(BM_PlainSocketOneDrive)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRig rig;
  GRig = &rig;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (GOneDrive > 0 && GPlainSocket > 0)
    std::printf("one drive through the talk server: %.0f round trips/s beside %.0f of a plain socket loop: %.3f "
                "(goal >= 0.3)\n",
                GOneDrive, GPlainSocket, GOneDrive / GPlainSocket);
  if (GOneDrive > 0 && GEightDrives > 0)
    std::printf("eight drives at once: %.0f round trips/s, %.2f x one drive (goal >= 4)\n", GEightDrives,
                GEightDrives / GOneDrive);
  return 0;
}
