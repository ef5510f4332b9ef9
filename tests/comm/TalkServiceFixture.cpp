// See TalkServiceFixture.h.
#include "TalkServiceFixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "CommTestUtil.h"
#include "comm/CardList.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkClient.h"
#include "comm/TalkMessages.h"
#include "comm/TelegramPatterns.h"
#include "comm/UdpDriver.h"
#include "devices/DeviceManager.h"
#include "platform/Dialogs.h"
#include "runtime/Conversions.h"
#include "runtime/MD5Digests.h"
#include "runtime/SettingsTree.h"
#include "runtime/Translations.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

TRef<TSLDictionary> Dict(std::initializer_list<std::pair<const char16_t*, TSLObject*>> Items) {
  auto dict = MakeRef<TSLDictionary>();
  for (const auto& [name, value] : Items) dict->AddObject(name, value);
  return dict;
}

TSLObject* Text(const char16_t* Value) { return new TSLString(false, Value); }

}  // namespace

void TalkServiceFixture::SetUp() {
  RuntimeTest::SetUp();
  TestApp();
  Server = std::make_unique<TTalkServer>();  // its queues first
  Server->AddPortDriver("ETH", std::make_unique<TETHDriver>());
  Server->AddPortDriver("ETH_v6", std::make_unique<TETHDriver_v6>());
  CreateTalkClient();
  RegisterTelegramPatterns(*TalkClient());
  const auto profiles = Dict({{u"VorlixOnline", Dict({{u"DeviceType", Text(u"Online")}}).get()},
                              {u"ZIZADUVUREZEDAVE", Dict({{u"DeviceType", Text(u"Online")}}).get()}});
  CreateDeviceManager(Dict({{u"Profiles", profiles.get()}}).get());
  DeviceManager()->RegisterServiceClass("TalkService", DeviceServiceClassOf<TBasicTalkService>());
  LanguageManager = std::make_unique<TLanguageManager>();
  LanguageManager->InitWithFile(AnsiToWide(VT_DATA_DIR) + u"/LanguageDef/LanguageDef.csv");
  pswDeveloper = MD5Value(DeveloperPassword);
  SetFixedCardList(TNetworkCardList{{"127.0.0.1", "::1"}});
  SetMaxNumberOfTries(5);
  SetManualBufferSize(255);
  SetMessageDlgHandler([this](const std::u16string& Text, TMsgDlgType, TMsgDlgButtons) {
    Boxes.push_back(WideToUtf8(Text));
    return mrOk;
  });
}

void TalkServiceFixture::TearDown() {
  FreeDeviceManager();  // the services, their tasks and queues
  FreeTalkClient();
  Server.reset();
  LanguageManager.reset();
  SetMessageDlgHandler(nullptr);
  SetFixedCardList(std::nullopt);
  ResetTimeouts();
  ProductInfos().Clear();
  CompanyInfos().Clear();
  RuntimeTest::TearDown();
}

void TalkServiceFixture::UseBundledProfiles(test::TStorageEnvironment& Storage) {
  std::ifstream in(std::string(VT_DATA_DIR) + "/Archives/Config/Quorvel.ini", std::ios::binary);
  if (!in) throw std::runtime_error("bundled settings file missing");
  std::stringstream text;
  text << in.rdbuf();
  Storage.WriteFile("Archives\\Config.sla", test::ArchiveEntryBytes("Quorvel.ini", text.str()));
  ProgramRegistry = std::make_unique<TProgramRegistry>();
  ProgramRegistry->ReadFromFile("archive://Archives\\Config\\Quorvel.ini");
  FreeDeviceManager();
  CreateDeviceManager(ProgramRegistry->GetDictKey("Devices"));
  DeviceManager()->RegisterServiceClass("TalkService", DeviceServiceClassOf<TBasicTalkService>());
}

TalkServiceFixture::TLink TalkServiceFixture::PtyLink(const drivesim::TDriveSim& Sim, int Index) {
  const std::string path = Sim.Ptys().at(Index);
  Server->AddSerialPortDriver(path, 38400);
  return {path};
}

TalkServiceFixture::TLink TalkServiceFixture::Udp4Link(const drivesim::TDriveSim& Sim, int Index) {
  return {"ETH", 4, static_cast<std::int32_t>(IPStrToInt(Sim.Udp4Addresses().at(Index))), "", Sim.Udp4Ports().at(Index)};
}

TalkServiceFixture::TLink TalkServiceFixture::Udp6Link(const drivesim::TDriveSim& Sim, int Index) {
  return {"ETH_v6", 6, 0, "::1", Sim.Udp6Ports().at(Index)};
}

TBasicTalkService* TalkServiceFixture::NewService(const TLink& Link, const std::string& User,
                                                  const std::string& Password, const std::string& Profile) {
  TDevice* device = DeviceManager()->CreateDevice("BOX" + std::to_string(++FDevices), Profile);
  device->SetStrVar(u"PortName", AnsiToWide(Link.Port));
  device->SetStrVar(u"UserName", AnsiToWide(User));
  device->SetStrVar(u"Password", AnsiToWide(Password));
  device->EthVersion = Link.EthVersion;
  device->DeviceIP = Link.IPv4;
  device->DeviceIPv6 = AnsiToWide(Link.IPv6);
  device->DevicePort = Link.UdpPort;
  const auto settings = Dict({{u"Name", Text(u"TalkService")}});
  auto* service = static_cast<TBasicTalkService*>(device->CreateService("TalkService", settings.get()));
  Statuses[service];
  service->FOnServiceStatusChange = [this](TDeviceService* Sender, TDeviceServiceStatus Status) {
    Statuses[Sender].push_back(Status);
  };
  return service;
}

bool TalkServiceFixture::StatusesAre(TBasicTalkService* Service, const std::vector<TDeviceServiceStatus>& Expected) {
  return Statuses[Service] == Expected;
}

namespace {

std::string StatusList(const std::vector<TDeviceServiceStatus>& List) {
  std::string s;
  for (TDeviceServiceStatus status : List) s += std::to_string(status) + " ";
  return s;
}

}  // namespace

void TalkServiceFixture::StartUp(TBasicTalkService* Service, const std::vector<TDeviceServiceStatus>& Expected) {
  bool wait = false;
  Service->StartUp(wait);
  EXPECT_TRUE(StepUntil([&] { return StatusesAre(Service, Expected); }))
      << "statuses: " << StatusList(Statuses[Service]) << "expected: " << StatusList(Expected);
}

void TalkServiceFixture::ShutDown(TBasicTalkService* Service, const std::vector<TDeviceServiceStatus>& Expected) {
  Statuses[Service].clear();
  bool wait = false;
  Service->ShutDown(wait);
  EXPECT_TRUE(StepUntil([&] { return StatusesAre(Service, Expected); }))
      << "statuses: " << StatusList(Statuses[Service]) << "expected: " << StatusList(Expected);
}

bool TalkServiceFixture::LinkOpen(TBasicTalkService* Service) const {
  return Server->LinkWithHandle(Service->PortHandle()) != nullptr;
}

std::vector<std::string> TalkServiceFixture::FramesIn(const drivesim::TDriveSim& Sim, const std::string& Drive) {
  const std::string mark = " " + Drive + " in: ";
  std::vector<std::string> frames;
  for (const std::string& line : Sim.LogLines())
    if (const auto at = line.find(mark); at != std::string::npos) frames.push_back(line.substr(at + mark.size()));
  return frames;
}

std::vector<std::string> TalkServiceFixture::NewParameterFrames(const drivesim::TDriveSim& Sim,
                                                                const std::string& Drive, std::size_t& Seen) {
  std::vector<std::string> frames;
  for (const std::string& frame : FramesIn(Sim, Drive))
    if (frame.starts_with("88") || frame.starts_with("89")) frames.push_back(frame);
  std::vector<std::string> fresh(frames.begin() + static_cast<long>(std::min(Seen, frames.size())), frames.end());
  Seen = frames.size();
  return fresh;
}
