// The talk service end to end against drivesim: opening and logging in over every kind
// of link, the login answer's values, the users and their passwords, every error with
// its text and what becomes of the link, fixed login data, going offline, logging out,
// and the frames a drive sends unasked.
#include "comm/TalkService.h"

#include <gtest/gtest.h>

#include "CommTestUtil.h"
#include "TalkServiceFixture.h"
#include "TestUtil.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkClient.h"
#include "devices/DeviceManager.h"
#include "runtime/Translations.h"

using namespace vt;

namespace {

using TStatuses = std::vector<TDeviceServiceStatus>;
const TStatuses Started{dsStarting, dsStarted};
// Failed with the link open: it stays open.
const TStatuses FailedOpen{dsStarting, dsError};
// Failed after the link was opened: it is closed.
const TStatuses FailedClosed{dsStarting, dsError, dsStopped};

using TalkServiceTest = TalkServiceFixture;

// Open, login, release text, the SERVICE password, started; logout and close.
TEST_F(TalkServiceTest, LoginOnEveryLink) {
  drivesim::TDriveSim sim({"--pty", "--udp4", "--udp6"});
  const struct {
    TLink link;
    const char* drive;
  } links[] = {{PtyLink(sim), "pty0"}, {Udp4Link(sim), "udp4-1"}, {Udp6Link(sim), "udp6-2"}};
  for (const auto& l : links) {
    SCOPED_TRACE(l.drive);
    TBasicTalkService* service = NewService(l.link, "SERVICE", "service");
    StartUp(service, Started);
    EXPECT_EQ(FramesIn(sim, l.drive), (std::vector<std::string>{"01", "30 48 1F 00 A2 20", "88 00 C5 0C"}));
    EXPECT_TRUE(LinkOpen(service));
    EXPECT_TRUE(service->DeviceOnline());
    EXPECT_EQ(service->PortName(), l.link.Port);
    EXPECT_EQ(service->ProtocolVersion(), 0x80);
    EXPECT_EQ(service->AddrFieldSize(), 4);
    EXPECT_EQ(service->DataFieldSize(), 4);
    EXPECT_EQ(service->MaxBufferSize(), 255);
    EXPECT_EQ(service->DeviceType(), 0x0C01);
    EXPECT_EQ(service->FlashBaseAddr(), 0x100000);
    EXPECT_EQ(service->DeviceString(), "Vorlix Sim");
    EXPECT_EQ(service->CommandSetVersion(), 1);
    EXPECT_EQ(service->ReleaseInfo(), "VX2 4.1.0 Sim");
    EXPECT_EQ(service->GetStrVar("TalkVersion"), "128");
    EXPECT_EQ(service->GetStrVar("FlashBaseAddr"), "1048576");
    ShutDown(service, {dsStopping, dsStopped});
    EXPECT_EQ(FramesIn(sim, l.drive).back(), "02");
    EXPECT_FALSE(LinkOpen(service));
    EXPECT_FALSE(service->DeviceOnline());
  }
  EXPECT_TRUE(Boxes.empty());
}

// The answer's sizes and its optional last byte, the user's buffer cap, the release text
// without its filling; "guest" needs no password.
TEST_F(TalkServiceTest, LoginAnswerValues) {
  drivesim::TDriveSim sim({"--udp4", "--protocol=0x90", "--addr-size=3", "--data-size=2", "--increment=2",
                           "--max-buffer=200", "--command-set=-1", "--release=ABCD"});
  SetManualBufferSize(64);
  TBasicTalkService* service = NewService(Udp4Link(sim), "guest", "");
  StartUp(service, Started);
  EXPECT_EQ(FramesIn(sim, "udp4-0"), (std::vector<std::string>{"01", "30 48 1F 00 20"}));
  EXPECT_EQ(service->ProtocolVersion(), 0x90);
  EXPECT_EQ(service->AddrFieldSize(), 3);
  EXPECT_EQ(service->DataFieldSize(), 2);
  EXPECT_EQ(service->AddrIncrement(), 2);
  EXPECT_EQ(service->MaxBufferSize(), 64);
  EXPECT_EQ(service->CommandSetVersion(), 0);
  EXPECT_EQ(service->ReleaseInfo(), "ABCD");
  EXPECT_EQ(service->GetStrVar("MaxBufferSize"), "64");
}

// Who is let in, whether the drive is asked for a password, and what a refusal leaves.
TEST_F(TalkServiceTest, UsersAndPasswords) {
  const struct {
    const char* user;
    const char* password;
    const char* profile;
    const TStatuses& statuses;
    const char* passwordFrame;  // none: the drive is not asked
    const char* error;
  } cases[] = {
      {"GUEST", "", "VorlixOnline", Started, nullptr, nullptr},
      {"", "", "VorlixOnline", Started, nullptr, nullptr},
      {"USER", "user", "VorlixOnline", Started, "88 00 C0 0C", nullptr},
      {"user", "user", "VorlixOnline", Started, "88 00 C0 0C", nullptr},
      {"SERVICE", "servicE", "VorlixOnline", FailedOpen, "88 00 C5 0C", "Wrong password!"},
      {"DEVELOPER", DeveloperPassword, "VorlixOnline", Started, nullptr, nullptr},
      {"Developer", "nope", "VorlixOnline", FailedOpen, nullptr, "Wrong password!"},
      // No password parameter to ask for: refused before the drive is asked.
      {"ADMIN", "admin", "VorlixOnline", FailedClosed, nullptr, "Wrong user name!"},
      {"USER", "user", "zizaduvurezedave", FailedClosed, nullptr, "Wrong user name!"},
      {"SERVICE", "service", "ZIZADUVUREZEDAVE", Started, "88 00 C5 0C", nullptr},
  };
  std::vector<std::string> args;
  for (std::size_t i = 0; i < std::size(cases); ++i) args.push_back("--udp4");
  drivesim::TDriveSim sim(args);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(std::string(c.user) + " / " + c.profile);
    Boxes.clear();
    TBasicTalkService* service = NewService(Udp4Link(sim, static_cast<int>(i)), c.user, c.password, c.profile);
    StartUp(service, c.statuses);
    std::vector<std::string> frames{"01", "30 48 1F 00 A2 20"};
    if (c.passwordFrame) frames.push_back(c.passwordFrame);
    EXPECT_EQ(FramesIn(sim, "udp4-" + std::to_string(i)), frames);
    EXPECT_EQ(Boxes, c.error ? std::vector<std::string>{c.error} : std::vector<std::string>{});
    EXPECT_EQ(LinkOpen(service), &c.statuses != &FailedClosed);
  }
}

// A wrong password leaves the link open and logged in; the shut-down logs out and closes.
TEST_F(TalkServiceTest, WrongPasswordThenShutDown) {
  drivesim::TDriveSim sim({"--pty"});
  TBasicTalkService* service = NewService(PtyLink(sim), "SERVICE", "guess");
  StartUp(service, FailedOpen);
  EXPECT_TRUE(LinkOpen(service));
  EXPECT_TRUE(service->DeviceOnline());
  EXPECT_TRUE(Logged("***ERROR: Wrong password!"));
  ShutDown(service, {dsStopping, dsStopped});
  EXPECT_EQ(FramesIn(sim, "pty0").back(), "02");
  EXPECT_FALSE(LinkOpen(service));
}

// Each failure's text, shown and logged; after any but a refused open the link is closed.
TEST_F(TalkServiceTest, Errors) {
  ProductInfos().Set("ProgramName", "Vorlix Talk");
  ProductInfos().Set("ProgramVersionCaption", "2.0");
  CompanyInfos().Set("HomePage", "www.vorlix.example");
  const std::string incompatible =
      "Vorlix Talk 2.0 cannot work with the firmware VX2 4.1.0 Sim of this drive.\rInstall a matching firmware or "
      "program version (see www.vorlix.example).";
  const struct {
    std::vector<std::string> args;
    const char* user;
    std::string error;
    const TStatuses& statuses;
  } cases[] = {
      {{"--udp4", "--protocol=0x81"}, "GUEST", "0x81: Unknown talk protocol version!", FailedClosed},
      {{"--udp4", "--another-instance=1"}, "GUEST",
       "Login aborted! Another instance is already logged into this drive!", FailedClosed},
      {{"--udp4", "--no-passwords"}, "SERVICE", incompatible, FailedClosed},
      {{"--udp4", "--error-status=0x85"}, "GUEST", "Device error: 85!\r", FailedClosed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    Boxes.clear();
    drivesim::TDriveSim sim(c.args);
    TBasicTalkService* service = NewService(Udp4Link(sim), c.user, "service");
    StartUp(service, c.statuses);
    EXPECT_EQ(Boxes, std::vector<std::string>{c.error});
    EXPECT_TRUE(Logged("***ERROR: " + c.error));
    EXPECT_FALSE(LinkOpen(service));
  }
  EXPECT_TRUE(Logged("***INFO: Error in TalkService.Work"));

  // Without the translated text.
  LanguageManager.reset();
  Boxes.clear();
  drivesim::TDriveSim sim({"--udp4", "--no-passwords"});
  StartUp(NewService(Udp4Link(sim), "USER", "user"), FailedClosed);
  EXPECT_EQ(Boxes, std::vector<std::string>{"Press the reset button, then reinstall the firmware"});
}

// The login of an unknown protocol version still makes its patterns.
TEST_F(TalkServiceTest, UnknownProtocolMakesPatterns) {
  drivesim::TDriveSim sim({"--udp4", "--protocol=0x81"});
  TBasicTalkService* service = NewService(Udp4Link(sim), "GUEST", "");
  const TGetWordPattern* before = service->FGetMemoryWord.get();
  StartUp(service, FailedClosed);
  EXPECT_NE(service->FGetMemoryWord.get(), before);
  EXPECT_EQ(FramesIn(sim, "udp4-0"), std::vector<std::string>{"01"});
}

// The release text lies at a 4-byte address: a drive with 2-byte addresses is refused
// before a request without its address goes out.
TEST_F(TalkServiceTest, ReleaseTextNeedsAddressesOf3Or4Bytes) {
  drivesim::TDriveSim sim({"--udp4", "--addr-size=2"});
  StartUp(NewService(Udp4Link(sim), "GUEST", ""), FailedClosed);
  EXPECT_EQ(Boxes, std::vector<std::string>{"Release text: the drive's address field size 2 is not supported!"});
  EXPECT_EQ(FramesIn(sim, "udp4-0"), std::vector<std::string>{"01"});
}

// A drive that does not answer: only the port "ETH" takes the Ethernet text.
TEST_F(TalkServiceTest, TimeOutTexts) {
  loginTimeout = 30;
  shortTimeout = 30;
  SetMaxNumberOfTries(1);
  drivesim::TDriveSim sim({"--pty", "--udp4", "--udp6", "--silent-every=1"});
  const auto text = [](const char16_t* Key) { return WideToUtf8(LanguageManager->Get(Key, u"English")); };
  const struct {
    TLink link;
    std::string error;
  } cases[] = {{PtyLink(sim), text(u"DeviceTimeOutStrRS")},
               {Udp4Link(sim), text(u"DeviceTimeOutStrETH")},
               {Udp6Link(sim), text(u"DeviceTimeOutStrRS")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link.Port);
    Boxes.clear();
    StartUp(NewService(c.link, "GUEST", ""), FailedClosed);
    EXPECT_EQ(Boxes, std::vector<std::string>{c.error});
  }
  EXPECT_NE(cases[0].error, cases[1].error);
}

// A refused open: the link was never opened, so there is nothing to close.
TEST_F(TalkServiceTest, OpenRefused) {
  const struct {
    const char* port;
    const char* error;
  } cases[] = {{"COM99", "TalkServer: port COM99 is unknown"}, {"", "TMessageWriter.PutParameter: Empty Data"}};
  for (const auto& c : cases) {
    Boxes.clear();
    TBasicTalkService* service = NewService({c.port}, "GUEST", "");
    StartUp(service, FailedOpen);
    EXPECT_EQ(Boxes, std::vector<std::string>{c.error});
  }
}

// The device's message-off flag swallows one error box.
TEST_F(TalkServiceTest, MessageOffSwallowsOneBox) {
  drivesim::TDriveSim sim({"--udp4", "--another-instance=1"});
  TBasicTalkService* service = NewService(Udp4Link(sim), "GUEST", "");
  service->Device()->MessageOff = 1;
  StartUp(service, FailedClosed);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(service->Device()->MessageOff, 0u);
  Statuses[service].clear();
  StartUp(service, FailedClosed);
  EXPECT_EQ(Boxes.size(), 1u);
}

// Fixed login data: online at once with their values, no telegram; bad ones fail.
TEST_F(TalkServiceTest, LoginData) {
  drivesim::TDriveSim sim({"--udp4", "--udp4"});
  TBasicTalkService* service = NewService(Udp4Link(sim, 0), "GUEST", "");
  service->Device()->SetStrVar(u"LoginData", u"03040240");
  service->Initialize();
  StartUp(service, Started);
  EXPECT_TRUE(LinkOpen(service));
  EXPECT_TRUE(FramesIn(sim, "udp4-0").empty());
  EXPECT_EQ(service->ProtocolVersion(), 0x20);
  EXPECT_EQ(service->AddrFieldSize(), 3);
  EXPECT_EQ(service->DataFieldSize(), 4);
  EXPECT_EQ(service->AddrIncrement(), 2);
  EXPECT_EQ(service->MaxBufferSize(), 64);
  EXPECT_TRUE(service->DeviceOnline());

  TBasicTalkService* bad = NewService(Udp4Link(sim, 1), "GUEST", "");
  bad->Device()->SetStrVar(u"LoginData", u"0304XY40");
  bad->Initialize();
  StartUp(bad, FailedClosed);
  EXPECT_EQ(Boxes, std::vector<std::string>{"Login data '0304XY40' are not 8 hexadecimal digits!"});
  EXPECT_TRUE(FramesIn(sim, "udp4-1").empty());
}

// Offline with and without a logout: the link is closed, the service stays started.
TEST_F(TalkServiceTest, ChangeToOffline) {
  drivesim::TDriveSim sim({"--udp4", "--udp4"});
  for (const bool logout : {true, false}) {
    const std::string drive = "udp4-" + std::to_string(logout ? 0 : 1);
    TBasicTalkService* service = NewService(Udp4Link(sim, logout ? 0 : 1), "DEVELOPER", DeveloperPassword);
    StartUp(service, Started);
    service->Device()->SendLogout = logout;
    Statuses[service].clear();
    bool wait = false;
    service->ChangeToOffline(wait);
    EXPECT_TRUE(wait);
    EXPECT_TRUE(StepUntil([&] { return StatusesAre(service, {dsStarted}); }));
    EXPECT_FALSE(service->DeviceOnline());
    EXPECT_FALSE(LinkOpen(service));
    EXPECT_EQ(FramesIn(sim, drive).back(), logout ? "02" : "30 48 1F 00 A2 20");
    wait = true;
    service->ChangeToOffline(wait);  // offline already
    EXPECT_FALSE(wait);
    // The device is offline now: the shut-down has no link to close.
    service->Device()->SetDeviceType(dtOffline);
    ShutDown(service, {dsStopping, dsStopped});
    EXPECT_EQ(FramesIn(sim, drive).size(), logout ? 3u : 2u);
  }
  // The shut-downs above closed nothing: no developer logout was logged.
  EXPECT_FALSE(Logged("Logout Device"));
}

TEST_F(TalkServiceTest, DeveloperLogoutIsLogged) {
  drivesim::TDriveSim sim({"--udp6"});
  TBasicTalkService* service = NewService(Udp6Link(sim), "DEVELOPER", DeveloperPassword);
  StartUp(service, Started);
  ShutDown(service, {dsStopping, dsStopped});
  EXPECT_TRUE(Logged("***INFO: Logout Device"));
}

// Devices that are not online start and stop at once; a started one ignores StartUp.
TEST_F(TalkServiceTest, OfflineDeviceStartsWithoutLink) {
  TBasicTalkService* service = NewService({"ETH"}, "GUEST", "");
  service->Device()->SetDeviceType(dtOffline);
  bool wait = false;
  service->StartUp(wait);
  EXPECT_FALSE(wait);
  EXPECT_EQ(service->ServiceStatus(), dsStarted);
  service->StartUp(wait);
  EXPECT_TRUE(StatusesAre(service, {dsStarted}));
  ShutDown(service, {dsStopping, dsStopped});
  EXPECT_THROW_MSG(service->Kill(), "kill not implemented");
}

// Frames the drive sends unasked reach the listeners of their command byte.
TEST_F(TalkServiceTest, ListenersHearUnsolicitedFrames) {
  drivesim::TDriveSim sim({"--udp4", "--unsolicited=20"});
  TBasicTalkService* service = NewService(Udp4Link(sim), "GUEST", "");
  std::vector<std::string> heard, other;
  TTalkListener listener, stranger;
  listener.TalkId = 0xF0;
  listener.Info = 3;
  listener.OnMessage = [&](const std::string& Frame, std::int32_t Info) {
    EXPECT_EQ(Info, 3);
    heard.push_back(Frame);
  };
  stranger.TalkId = 0xF1;
  stranger.OnMessage = [&](const std::string& Frame, std::int32_t) { other.push_back(Frame); };
  listener.Connect(service);
  stranger.Connect(service);
  EXPECT_THROW_MSG(service->AddListener(&listener), "TTalkService.AddListener: listener already in list");
  StartUp(service, Started);
  EXPECT_TRUE(StepUntil([&] { return heard.size() >= 2; }));
  EXPECT_EQ(heard[0].substr(0, 2), Bytes({0xF0, 0x00}));
  EXPECT_TRUE(other.empty());
  // The service leaves with its device, and its listeners with it.
  DeviceManager()->DestroyDevice(service->Device());
  EXPECT_EQ(listener.TalkService(), nullptr);
  EXPECT_EQ(stranger.TalkService(), nullptr);
}

TEST_F(TalkServiceTest, NamedPatterns) {
  TBasicTalkService* service = NewService({"ETH"}, "GUEST", "");
  TCustomPattern* scope = service->AddService<TCustomPattern>("Scope", 0x40);
  EXPECT_EQ(service->GetService("SCOPE"), scope);
  EXPECT_EQ(scope->TalkId(), 0x40);
  EXPECT_EQ(service->GetService("Curves"), nullptr);
  EXPECT_THROW_MSG(service->AddService<TCustomPattern>("scope", 0x41),
                   "TBasicTalkService.AddService: service scope already exists");
  FreeTalkClient();
  EXPECT_THROW_MSG(service->AddService<TCustomPattern>("Log", 0x42),
                   "TBasicTalkService.AddService: pattern TCustomPattern is not registered");
  CreateTalkClient();
}

}  // namespace
