// A block read the way the device services make it: one talk actor full of block-read
// records of the largest size one frame holds (252 bytes), through the talk server to
// a drive logged in over a pseudo-terminal that drivesim paces at 115200 baud. Prints
// the data bytes per second as a fraction of what the line allows (request and answer
// frames of each block, ten bits a byte).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "BenchRuntime.h"
#include "Launcher.h"
#include "comm/BasicTalkService.h"
#include "comm/SerialFrames.h"
#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "comm/TalkServer.h"
#include "devices/DeviceManager.h"
#include "runtime/DebugLog.h"
#include "runtime/QtSchedulerBridge.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

constexpr std::uint32_t Baud = 115200;
// Blocks per actor: one request message carries them all.
constexpr int BlocksPerActor = 16;

double GBytesPerSecond = 0;
int GBlockSize = 0;

// The runtime's globals, the talk server (first) with the drive's terminal, the talk
// client with the patterns, and a device logged in as GUEST.
struct TRig : TBenchRuntime {
  TRig() : Sim({"--pty", "--baud=115200", "--log=/dev/null"}) {
    InstallDebugManager(std::make_unique<TDebugManager>(std::filesystem::path()));
    Server = std::make_unique<TTalkServer>();
    Server->AddSerialPortDriver(Sim.Ptys()[0], Baud);
    CreateTalkClient();
    RegisterTelegramPatterns(*TalkClient());
    auto profiles = MakeRef<TSLDictionary>();
    auto online = MakeRef<TSLDictionary>();
    online->AddObject(u"DeviceType", new TSLString(false, u"Online"));
    profiles->AddObject(u"VorlixOnline", online.get());
    auto devices = MakeRef<TSLDictionary>();
    devices->AddObject(u"Profiles", profiles.get());
    CreateDeviceManager(devices.get());
    DeviceManager()->RegisterServiceClass("TalkService", DeviceServiceClassOf<TBasicTalkService>());
    TDevice* device = DeviceManager()->CreateDevice("BOX1", "VorlixOnline");
    device->SetStrVar(u"PortName", AnsiToWide(Sim.Ptys()[0]));
    device->SetStrVar(u"UserName", u"GUEST");
    auto settings = MakeRef<TSLDictionary>();
    settings->AddObject(u"Name", new TSLString(false, u"TalkService"));
    Service = static_cast<TBasicTalkService*>(device->CreateService("TalkService", settings.get()));
    bool wait = false;
    Service->StartUp(wait);
    Loop = std::make_unique<TMxPlainLoop>(MxScheduler());
    while (Service->ServiceStatus() == dsStarting) Loop->StepOrWait();
    if (Service->ServiceStatus() != dsStarted) std::fprintf(stderr, "the login failed\n");
  }
  ~TRig() {
    Loop.reset();
    FreeDeviceManager();
    FreeTalkClient();
    Server.reset();
    InstallDebugManager(nullptr);
  }

  drivesim::TDriveSim Sim;
  std::unique_ptr<TTalkServer> Server;
  TBasicTalkService* Service = nullptr;
  std::unique_ptr<TMxPlainLoop> Loop;
};

// Data bytes per second that the paced line allows: per block its request and its
// answer frame, ten bits a byte.
double LineLimit(int BlockSize) {
  const std::size_t request = RsFrame(std::string(1 + 4 + 1, '\0')).size();
  const std::size_t answer = RsFrame(std::string(2 + BlockSize, '\0')).size();
  return BlockSize * Baud / (10.0 * (request + answer));
}

void BM_BlockReadOverSerial(benchmark::State& state) {
  TRig rig;
  const TGetBlockPattern& read = *rig.Service->FGetMemoryBlock;
  GBlockSize = read.GetMaxSize();
  std::unique_ptr<TTalkActor> actor = TalkClient()->GetActor();
  bool done = false;
  std::int64_t bytes = 0, failed = 0;
  actor->OnResponse = [&](TTalkActor* A) {
    for (int i = 0; i < A->Count(); ++i) {
      if (A->GetResult() == 0)
        bytes += static_cast<std::int64_t>(read.GetData(*A).size());
      else
        ++failed;
      if (i + 1 < A->Count()) A->Next();
    }
    done = true;
  };
  const auto start = std::chrono::steady_clock::now();
  std::int32_t address = 0;
  for (auto _ : state) {
    actor->Clear();
    for (int i = 0; i < BlocksPerActor; ++i, address += GBlockSize / rig.Service->DataFieldSize())
      read.Put(*actor, address, static_cast<std::uint8_t>(GBlockSize), i);
    done = false;
    actor->Execute();
    while (!done) rig.Loop->StepOrWait();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  GBytesPerSecond = bytes / seconds;
  state.SetBytesProcessed(bytes);
  state.counters["line_limit_bytes_per_s"] = LineLimit(GBlockSize);
  state.counters["failed"] = static_cast<double>(failed);
  TalkClient()->PutActor(actor);
}
BENCHMARK(BM_BlockReadOverSerial)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (GBytesPerSecond > 0)
    std::printf("block read over a serial line at %u baud, %d-byte blocks: %.0f bytes/s, the line allows %.0f: %.3f "
                "of the limit (goal >= 0.9)\n",
                Baud, GBlockSize, GBytesPerSecond, LineLimit(GBlockSize), GBytesPerSecond / LineLimit(GBlockSize));
  return 0;
}
