// The read of every parameter that a login makes: the parameter service's preload of the
// bundled tree, one get telegram per parameter, to a drive logged in over a
// pseudo-terminal that drivesim paces at 38400 baud. Prints the preloads per second as a
// fraction of what the line allows (the request and answer frame of every parameter,
// ten bits a byte).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "BenchRuntime.h"
#include "StandInService.h"
#include "Launcher.h"
#include "comm/BasicTalkService.h"
#include "comm/SerialFrames.h"
#include "comm/TalkClient.h"
#include "comm/TalkServer.h"
#include "devices/DeviceManager.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterService.h"
#include "parameters/ParameterTelegrams.h"
#include "parameters/UnitService.h"
#include "runtime/DebugLog.h"
#include "runtime/QtSchedulerBridge.h"
#include "sl/storage/FileStorage.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

constexpr std::uint32_t Baud = 38400;
const char* const BundledTrees[] = {"VXOS_VX2_V4S1_0", "VXMC_VX2_V4S1_0", "VXIFETH_VX2_V2S0_0",
                                    "VXAPSERVO_VX2_V3S2_0"};

using test::NamedSettings;
using test::TStandInService;

double GRate = 0;
double GLimit = 0;
std::size_t GParameters = 0;

// The runtime's globals, a storage manager on the bundled data, the talk server (first)
// with the drive's terminal, the talk client, the parameter classes, and a device logged
// in as GUEST whose parameter service holds the bundled tree and is starting.
struct TRig : TBenchRuntime {
  TRig() : Sim({"--pty", "--baud=38400", "--running=0", "--log=/dev/null"}) {
    InstallDebugManager(std::make_unique<TDebugManager>(std::filesystem::path()));
    StorageManager = new TStorageManager(VT_DATA_DIR);
    StorageManager->AnnounceStoragePlugin(std::make_unique<TFileStoragePlugin>(), true);
    Server = std::make_unique<TTalkServer>();
    Server->AddSerialPortDriver(Sim.Ptys()[0], Baud);
    CreateTalkClient();
    RegisterTelegramPatterns(*TalkClient());
    CreateParameterManager();
    RegisterParameterClasses(*ParameterManager());
    auto online = MakeRef<TSLDictionary>();
    online->AddObject(u"DeviceType", new TSLString(false, u"Online"));
    auto profiles = MakeRef<TSLDictionary>();
    profiles->AddObject(u"VorlixOnline", online.get());
    auto devices = MakeRef<TSLDictionary>();
    devices->AddObject(u"Profiles", profiles.get());
    CreateDeviceManager(devices.get());
    DeviceManager()->RegisterServiceClass("TalkService", DeviceServiceClassOf<TBasicTalkService>());
    DeviceManager()->RegisterServiceClass("StandIn", DeviceServiceClassOf<TStandInService>());
    DeviceManager()->RegisterServiceClass("UnitService", DeviceServiceClassOf<TUnitService>());
    DeviceManager()->RegisterServiceClass("ParameterService", DeviceServiceClassOf<TParameterService>());
    TDevice* device = DeviceManager()->CreateDevice("BOX1", "VorlixOnline");
    device->SetStrVar(u"PortName", AnsiToWide(Sim.Ptys()[0]));
    device->SetStrVar(u"UserName", u"GUEST");
    Loop = std::make_unique<TMxPlainLoop>(MxScheduler());
    auto* talk =
        static_cast<TBasicTalkService*>(device->CreateService("TalkService", NamedSettings(u"TalkService").get()));
    bool wait = false;
    talk->StartUp(wait);
    while (talk->ServiceStatus() == dsStarting) Loop->StepOrWait();
    if (talk->ServiceStatus() != dsStarted) std::fprintf(stderr, "the login failed\n");
    for (const char* name : {"ModuleService", "StatusService"})
      device->CreateService(name, NamedSettings(u"StandIn").get());
    device->CreateService("UnitService", NamedSettings(u"UnitService").get());
    Service = static_cast<TParameterService*>(
        device->CreateService("ParameterService", NamedSettings(u"ParameterService").get()));
    Service->StartUp(wait);
    for (const char* name : BundledTrees) {
      TRef<TSLStorageObject> object(StorageManager->GetObject(std::string(VT_DATA_DIR) + "/Firmware/" + name + ".IN2"));
      Service->LoadTree(name, *CheckedCast<TSLDictionary>(object->GetData()));
    }
  }
  ~TRig() {
    Loop.reset();
    FreeDeviceManager();
    FreeParameterManager();
    FreeTalkClient();
    Server.reset();
    delete StorageManager;
    StorageManager = nullptr;
    InstallDebugManager(nullptr);
  }

  // Preloads per second the paced line allows: per parameter read its request and its
  // answer frame, ten bits a byte. Counts the parameters read.
  double LineLimit() {
    std::size_t bytes = 0;
    GParameters = 0;
    Service->ForEachParameter([&](TParameter* Node, bool&) {
      if (Node->UPID() >= 0xFFFF || !ReadModeOf(Node->AddrUsage()) || Node->IsChild() || Node->IsSafetyParameter())
        return;
      ++GParameters;
      bytes += RsFrame(std::string(4, '\0')).size() + RsFrame(std::string(2 + Node->GetSize(), '\0')).size();
    });
    return Baud / (10.0 * static_cast<double>(bytes));
  }

  drivesim::TDriveSim Sim;
  std::unique_ptr<TTalkServer> Server;
  TParameterService* Service = nullptr;
  std::unique_ptr<TMxPlainLoop> Loop;
};

void BM_LoginPreloadOverSerial(benchmark::State& state) {
  TRig rig;
  std::int64_t preloads = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    rig.Service->LoadPreloadParameters();
    while (rig.Service->State() != stReady) rig.Loop->StepOrWait();
    ++preloads;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  GRate = preloads / seconds;
  GLimit = rig.LineLimit();
  state.counters["line_limit_per_s"] = GLimit;
  state.counters["parameters"] = static_cast<double>(GParameters);
  state.counters["login_failed"] = rig.Service->ServiceStatus() == dsError;
}
BENCHMARK(BM_LoginPreloadOverSerial)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (GRate > 0)
    std::printf("login preload of the bundled tree (%zu parameters) over a serial line at %u baud: %.2f preloads/s, the "
                "line allows %.2f: %.3f of the limit (goal >= 0.9)\n",
                GParameters, Baud, GRate, GLimit, GRate / GLimit);
  return 0;
}
