// See DeviceModelTest.h.
#include "DeviceModelTest.h"

#include "runtime/ApplicationState.h"
#include "sl/values/Scalars.h"

using namespace vt;

TRef<TSLDictionary> TextDict(std::initializer_list<std::pair<const char16_t*, const char16_t*>> Items) {
  auto dict = MakeRef<TSLDictionary>();
  for (const auto& [name, text] : Items) dict->AddObject(name, new TSLString(false, text));
  return dict;
}

// ---- TScriptedService ----

std::vector<std::string>& TScriptedService::Calls() {
  static std::vector<std::string> calls;
  return calls;
}

TScriptedService::TScriptedService(TDevice* AOwner, TSLDictionary* AProfDict) : TDeviceService(AOwner, AProfDict) {
  FTask = std::make_unique<TMxTask>("ScriptedService");
  FTask->OnExecute = [this](TMxTask* Sender) {
    if (FPending) {
      const TDeviceServiceStatus status = *FPending;
      FPending.reset();
      SetServiceStatus(status);
    }
    FSignal.SetReady(false);
    Sender->WaitFor(&FSignal, MxNoTimeout);
  };
  FTask->Start();
}

TScriptedService::~TScriptedService() = default;

std::string TScriptedService::Setting(const char16_t* Key) const {
  return FProfDict->NameExists(Key) ? WideToAnsi(FProfDict->GetStrWithName(Key)) : "Now";
}

void TScriptedService::Later(TDeviceServiceStatus AStatus) {
  FPending = AStatus;
  FSignal.SetReady(true);
}

void TScriptedService::StartUp(bool& Wait) {
  Journal("start");
  ++StartCalls;
  const std::string how = Setting(u"Start");
  if (how == "Raise") throw Exception("refuses to start");
  if (how == "Disabled") return SetServiceStatus(dsDisabled);
  if (how == "Never") return SetServiceStatus(dsStarting);
  if (how.rfind("Passes", 0) == 0)
    return SetServiceStatus(StartCalls > std::stoi(how.substr(6)) ? dsStarted : dsStarting);
  if (how == "Wait" || how == "WaitError") {
    SetServiceStatus(dsStarting);
    Wait = true;
    return Later(how == "Wait" ? dsStarted : dsError);
  }
  SetServiceStatus(dsStarted);
}

void TScriptedService::ShutDown(bool& Wait) {
  Journal("stop");
  const std::string how = Setting(u"Stop");
  if (how == "Raise") throw Exception("refuses to stop");
  if (how == "Wait") {
    SetServiceStatus(dsStopping);
    Wait = true;
    return Later(dsStopped);
  }
  SetServiceStatus(dsStopped);
}

// Like the talk service: once offline, a second call (after the status change that
// ended the wait) returns at once.
void TScriptedService::ChangeToOffline(bool& Wait) {
  Journal("offline");
  if (Setting(u"Offline") != "Wait" || std::exchange(FOffline, true)) return;
  Wait = true;
  Later(dsStarted);
}

std::uint32_t TScriptedService::CloseSerialPort(std::uint32_t ABaudRate) {
  Journal("close at " + std::to_string(ABaudRate));
  return std::exchange(Baudrate, ABaudRate);
}

// ---- DeviceTest ----

void DeviceTest::SetUp() {
  RuntimeTest::SetUp();
  TScriptedService::Calls().clear();
  auto profiles = MakeRef<TSLDictionary>();
  auto online = TextDict({{u"DeviceType", u"Online"}});
  online->AddObject(u"DevVars", TextDict({{u"LoginData", u"03040240"}, {u"PortType", u"RS"}}).get());
  profiles->AddObject(u"VorlixOnline", online.get());
  profiles->AddObject(u"VorlixOffline", TextDict({{u"DeviceType", u"Offline"}}).get());
  Devices = MakeRef<TSLDictionary>();
  Devices->AddObject(u"Profiles", profiles.get());
  CreateDeviceManager(Devices.get());
  DeviceManager()->RegisterServiceClass("FixtureService", DeviceServiceClassOf<TFixtureService>());
  DeviceManager()->RegisterServiceClass("ScriptedService", DeviceServiceClassOf<TScriptedService>());
}

void DeviceTest::TearDown() {
  FreeDeviceManager();
  Devices.reset();
  TApplicationState& state = ApplicationState();
  state.MultiReadActive = true;
  state.ImportSuccessFlag = false;
  state.OnUpdateInfoWindows = nullptr;
  for (const AnsiString& port : state.LostList.Items()) state.LostList.Remove(port);
  RuntimeTest::TearDown();
}

TDevice* DeviceTest::NewDevice(const std::vector<TServiceSpec>& Services, const char* Profile) {
  TDevice* device = DeviceManager()->CreateDevice("BOX" + std::to_string(++FDevices), Profile);
  for (const TServiceSpec& spec : Services) {
    auto settings = TextDict({{u"Name", u"ScriptedService"}, {u"Caption", AnsiToWide(spec.Name).c_str()}});
    settings->AddObject(u"Start", new TSLString(false, AnsiToWide(spec.Start)));
    settings->AddObject(u"Stop", new TSLString(false, AnsiToWide(spec.Stop)));
    settings->AddObject(u"Offline", new TSLString(false, AnsiToWide(spec.Offline)));
    device->CreateService(spec.Name, settings.get());
  }
  return device;
}

TScriptedService* DeviceTest::Scripted(TDevice* Device, const char* Name) const {
  return dynamic_cast<TScriptedService*>(Device->GetService(Name));
}

void DeviceTest::StartAndWait(TDevice* Device) {
  const int before = Responses;
  Device->StartUpServices([this](TDevice*) { ++Responses; });
  EXPECT_TRUE(StepUntil([&] { return Responses > before; })) << "no end of the start";
}

void DeviceTest::StopAndWait(TDevice* Device) {
  const int before = Responses;
  Device->ShutDownServices([this](TDevice*) { ++Responses; });
  EXPECT_TRUE(StepUntil([&] { return Responses > before; })) << "no end of the stop";
}

void DeviceTest::OfflineAndWait(TDevice* Device, bool SendLogout) {
  const int before = Responses;
  Device->ChangeToOffline([this](TDevice*) { ++Responses; }, SendLogout);
  EXPECT_TRUE(StepUntil([&] { return Responses > before; })) << "no end of the change to offline";
}
