// The parameter service's work list against drivesim: devices of the bundled profile log
// in over a pseudo-terminal and UDP and read every parameter of the bundled tree; reads
// that fail during the login, an unknown UPID, the question to stop a running drive
// before a write, the changed-parameter poll, offline work, client transactions and
// their checks.
#include <gtest/gtest.h>

#include <algorithm>

#include "ParameterWorkListFixture.h"

using namespace vt;
using namespace vt::test;

namespace {

// The bundled profile over a pseudo-terminal and UDP: every parameter of the bundled tree
// is read once at login, with the login window's progress; the values show in every
// display mode and unit system; a write lands in the drive's table, and a value the
// drive changes comes back through the poll.
TEST_F(ParameterWorkList, LoginReadsTheTreeWritesAndFollowsTheDrive) {
  for (const bool serial : {true, false}) {
    SCOPED_TRACE(serial ? "pty" : "udp4");
    // A drive each: the first device goes on polling its own.
    drivesim::TDriveSim sim({serial ? "--pty" : "--udp4", "--running=0"});
    const std::string drive = serial ? "pty0" : "udp4-0";
    LoginText.clear();
    Seen = 0;
    TDevice* device = Login(serial ? PtyLink(sim) : Udp4Link(sim));
    ASSERT_EQ(device->State(), dstStarted);
    ASSERT_EQ(Service->ServiceStatus(), dsStarted);
    EXPECT_TRUE(Service->IsReady());
    EXPECT_TRUE(Service->TreeRoot()->Model()->GetVisible());
    EXPECT_EQ(Service->TreeRoot()->Model()->Caption(), "Parameters");

    const std::vector<TParameter*> readable = Readable();
    ASSERT_GT(readable.size(), 30u);
    std::vector<std::string> expected;
    for (const TParameter* node : readable) expected.push_back(ReadFrame(node));
    EXPECT_EQ(NewFrames(sim, drive), expected);
    for (TParameter* node : readable) {
      EXPECT_TRUE(node->GetValid()) << node->Caption();
      EXPECT_FALSE(node->GetAttrFlag(AttrReadPending));
    }
    EXPECT_NE(LoginText.find("\n Read parameter values\rTree name: VXOS_VX2_V4S1_0"), std::string::npos) << LoginText;
    EXPECT_NE(LoginText.find("\rTree name: VXAPSERVO_VX2_V3S2_0"), std::string::npos);
    EXPECT_EQ(Find(0x1234)->GetIntValue(), 0x0102);

    // Every integer value shows in every mode and system; a position follows the system.
    for (TParameter* node : readable) {
      if (!node->IsInteger()) continue;
      for (const TUnitSystem system : {usSI, usMetric, usEnglish, usRotDegree, usRotUmin})
        for (const char* mode : {"SCALED", "DEC", "HEX", "BIN"}) {
          TValueRec value;
          // A value in the working memory only has no stored copy to show.
          if (node->AddrUsage() & AddrRomRead)
            node->GetScaledValue(value, system, mode);
          else
            node->GetScaledRAMValue(value, system, mode);
          EXPECT_NE(value.ValueStr.str(), "***") << node->Caption() << " " << mode;
          EXPECT_FALSE(value.ValueStr.empty());
        }
    }
    TValueRec hex, metric, si;
    Find(0x1234)->GetScaledValue(hex, usMetric, "HEX");
    EXPECT_EQ(hex.ValueStr.str(), "0102h");
    Find(0x1234)->GetScaledValue(metric, usMetric, "SCALED");
    Find(0x1234)->GetScaledValue(si, usSI, "SCALED");
    EXPECT_NE(metric.UnitStr.str(), si.UnitStr.str());

    // A write through a client's transaction lands in the drive's table.
    TTransactionClient client(Service->Provider());
    TParameter* velocity = Find(4096);
    Write(client, {{4096, 4321}});
    EXPECT_TRUE(client.Error.empty()) << client.Error;
    EXPECT_EQ(client.Notified, 1);
    EXPECT_EQ(NewFrames(sim, drive), std::vector<std::string>{"89 02 00 10 E1 10"});
    EXPECT_TRUE(device->ModifiedFlag);
    velocity->SetIntValue(usSI, 1);  // a stale pending value the read replaces
    Reread(client, {4096});
    EXPECT_EQ(NewFrames(sim, drive), std::vector<std::string>{"88 00 00 10"});
    EXPECT_EQ(velocity->GetIntValue(), 4321);

    // The drive changes a value: the status service's poll finds it.
    sim.Set("change=4097:777");
    EXPECT_TRUE(StepUntil([&] { return Find(4097)->GetIntValue() == 777; }));
    EXPECT_TRUE(StepUntil([&] { return Service->IsReady() && !Service->ReadFlag; }));
    EXPECT_EQ(NewFrames(sim, drive), (std::vector<std::string>{"88 13", "88 00 01 10"}));
    EXPECT_TRUE(Messages.empty()) << Messages.front();
    EXPECT_TRUE(Questions.empty()) << Questions.front();
    StopDevice(device);
  }
}

// While the device logs in a failed read is repeated twice; the third failure stops the
// login. An unknown UPID asks: Ignore reads on, Abort stops.
TEST_F(ParameterWorkList, FailedReadsDuringTheLogin) {
  CopyFirmware(ExtraRecord(12300));
  const struct {
    const char* name;
    const char* control;
    TModalResult unknown;
    TDeviceState state;
    int questions;  // the unknown UPID's, in the last tree
    int reads;      // of UPID 4096
  } cases[] = {
      {"two failures", "fail-reads=4096:2", mrIgnore, dstStarted, 1, 3},
      {"three failures", "fail-reads=4096:3", mrIgnore, dstError, 0, 3},
      {"unknown UPID, Abort", "fail-reads=4096:0", mrAbort, dstError, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    drivesim::TDriveSim sim({"--udp4", std::string("--") + c.control});
    Questions.clear();
    Seen = 0;
    UnknownAnswer = c.unknown;
    TDevice* device = Login(Udp4Link(sim));
    EXPECT_EQ(device->State(), c.state);
    EXPECT_EQ(Service->ServiceStatus(), c.state == dstStarted ? dsStarted : dsError);
    EXPECT_EQ(Questions, std::vector<std::string>(c.questions, "UPID = 300Ch does not exist!"));
    EXPECT_TRUE(Messages.empty()) << Messages.front();
    const std::vector<std::string> frames = NewFrames(sim, "udp4-0");
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "88 00 00 10"), c.reads);
    if (c.state == dstStarted) {
      EXPECT_EQ(Find(4096)->GetIntValue(), 1000);
      // Ignore reads on: the record after the unknown one is read.
      EXPECT_EQ(std::count(frames.begin(), frames.end(), "88 00 0C 30"), 1);
      EXPECT_TRUE(Find(12288)->GetValid());
    }
    StopDevice(device);
    if (c.unknown == mrAbort) {
      EXPECT_TRUE(frames.size() < Readable().size()) << frames.size();
    }
  }
}

// After the start a failed read commits nothing and the list goes on, unrepeated.
TEST_F(ParameterWorkList, AfterTheStartAFailureGoesOn) {
  drivesim::TDriveSim sim({"--pty"});
  TDevice* device = Login(PtyLink(sim));
  ASSERT_EQ(device->State(), dstStarted);
  NewFrames(sim, "pty0");
  sim.Set("fail-reads=4096:5");
  TTransactionClient client(Service->Provider());
  Reread(client, {4096, 4097});
  EXPECT_EQ(NewFrames(sim, "pty0"), (std::vector<std::string>{"88 00 00 10", "88 00 01 10"}));
  EXPECT_FALSE(Find(4096)->GetValid());
  EXPECT_TRUE(Find(4097)->GetValid());
  EXPECT_EQ(Service->ServiceStatus(), dsStarted);
  EXPECT_TRUE(Service->IsReady());
  EXPECT_EQ(client.Notified, 1);
}

// The login can be aborted between two reads.
TEST_F(ParameterWorkList, LoginAbortedByTheUser) {
  drivesim::TDriveSim sim({"--udp4"});
  ApplicationState().LoginAbortRequest = true;
  TDevice* device = Login(Udp4Link(sim));
  EXPECT_EQ(device->State(), dstError);
  EXPECT_EQ(Messages, std::vector<std::string>{"Login process aborted by user!"});
  EXPECT_TRUE(NewFrames(sim, "udp4-0").empty());
}

// A running drive and a write list whose third node cannot be written while it runs:
// the question comes before the first write. Cancel clears the marks and ends the
// transaction; Yes stops the drive and writes once it stands.
TEST_F(ParameterWorkList, StopQuestionBeforeTheFirstWrite) {
  drivesim::TDriveSim sim({"--pty", "--running=1"});
  TDevice* device = Login(PtyLink(sim));
  ASSERT_EQ(device->State(), dstStarted);
  auto* status = static_cast<TStatusService*>(device->GetService("StatusService"));
  ASSERT_TRUE(StepUntil([&] { return status->GetRunning(); }));
  NewFrames(sim, "pty0");
  TTransactionClient client(Service->Provider());
  const std::vector<std::pair<std::int32_t, std::int64_t>> values{{12289, 9}, {4113, 9}, {12288, 9}};
  StopAnswer = mrCancel;
  Write(client, values);
  ASSERT_EQ(Questions.size(), 1u);
  EXPECT_NE(Questions[0].find("The drive is running."), std::string::npos) << Questions[0];
  EXPECT_TRUE(NewFrames(sim, "pty0").empty());
  for (const std::int32_t upid : {12289, 4113, 12288}) EXPECT_FALSE(Find(upid)->GetAttrFlag(AttrWritePending));
  EXPECT_TRUE(Service->IsReady());
  EXPECT_EQ(client.Notified, 0);  // continued, not told of a list's end

  // A save after the abandoned write ends although the list is left over.
  Transaction(client, [&](TServiceClient* Client) {
    Service->PrepareSave(Client);
    Service->ExecuteSave(Client);
  });
  EXPECT_TRUE(client.Error.empty()) << client.Error;
  EXPECT_TRUE(Service->IsReady());

  StopAnswer = mrYes;
  Write(client, values);
  EXPECT_EQ(Questions.size(), 2u);
  EXPECT_FALSE(status->GetRunning());
  EXPECT_EQ(NewFrames(sim, "pty0"),
            (std::vector<std::string>{"89 02 01 30 09 00 00 00", "89 02 11 10 09 00", "89 02 00 30 09 00"}));
  EXPECT_EQ(Find(12288)->GetIntValue(), 9);
  EXPECT_TRUE(Service->IsReady());
}

// A safety parameter in a write list reaches the drive through the safety module only:
// its mark is cleared and the list goes on. While a configuration loads a failed write
// ends the list and the parameters left unwritten are kept.
TEST_F(ParameterWorkList, SafetyItemsAndAFailingConfigurationLoad) {
  CopyFirmware(ExtraRecord(12301, 0x80) + ExtraRecord(12300));
  drivesim::TDriveSim sim({"--udp4", "--running=0"});
  TDevice* device = Login(Udp4Link(sim));
  ASSERT_EQ(device->State(), dstStarted);
  EXPECT_FALSE(Find(12301)->GetValid());  // not read online
  NewFrames(sim, "udp4-0");
  TTransactionClient client(Service->Provider());
  Write(client, {{12301, 11}, {4096, 11}});
  EXPECT_EQ(NewFrames(sim, "udp4-0"), std::vector<std::string>{"89 02 00 10 0B 00"});
  EXPECT_FALSE(Find(12301)->GetAttrFlag(AttrWritePending));
  EXPECT_EQ(client.Notified, 1);

  Service->SetLoadingConfiguration(true);
  Write(client, {{4097, 11}, {12300, 11}, {4660, 11}});
  EXPECT_EQ(NewFrames(sim, "udp4-0"), (std::vector<std::string>{"89 02 01 10 0B 00 00 00", "89 02 0C 30 0B 00"}));
  EXPECT_EQ(Service->UnwrittenParameters(), (std::vector<TParameter*>{Find(12300), Find(4660)}));
  EXPECT_FALSE(Find(4660)->GetAttrFlag(AttrWritePending));
  EXPECT_TRUE(Service->IsReady());
  Service->SetLoadingConfiguration(false);
}

// The poll: a status word with bits 0x8000 and 0x0040 sends 0x13; an answer naming two
// UPIDs rereads both; an empty answer reads nothing; 0xC5 rereads everything; with the
// refresh switched off nothing is sent.
TEST_F(ParameterWorkList, ChangedParameterPoll) {
  drivesim::TDriveSim sim({"--udp4"});
  TDevice* device = Login(Udp4Link(sim));
  ASSERT_EQ(device->State(), dstStarted);
  NewFrames(sim, "udp4-0");
  // The frames until the service is ready again after ReadsExpected reads, polls aside.
  const auto pollFrames = [&](std::size_t ReadsExpected) {
    std::vector<std::string> polls, reads;
    EXPECT_TRUE(StepUntil([&] {
      for (const std::string& f : NewFrames(sim, "udp4-0")) (f == "88 13" ? polls : reads).push_back(f);
      return !polls.empty() && reads.size() >= ReadsExpected && Service->IsReady() && !Service->ReadFlag;
    }));
    std::sort(reads.begin(), reads.end());
    return reads;
  };
  sim.Set("change=4096:5");
  sim.Set("change=4660:6");
  EXPECT_EQ(pollFrames(2), (std::vector<std::string>{"88 00 00 10", "88 00 34 12"}));
  EXPECT_EQ(Find(4096)->GetIntValue(), 5);
  EXPECT_EQ(Find(4660)->GetIntValue(), 6);

  sim.Set("status-word=0x8041");
  EXPECT_TRUE(pollFrames(0).empty());

  sim.Set("poll-c5=1");
  sim.Set("status-word=0x8041");
  EXPECT_EQ(pollFrames(Readable().size()).size(), Readable().size());

  ApplicationState().ParaRefreshFlag = 0;
  sim.Set("change=4096:8");
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  StepUntil([&] { return std::chrono::steady_clock::now() > until; });
  EXPECT_TRUE(NewFrames(sim, "udp4-0").empty());
  EXPECT_EQ(Find(4096)->GetIntValue(), 5);
  EXPECT_TRUE(Service->IsReady());
}

// A device whose link is gone works offline: a read sets the defaults, a write commits
// the new values, and no telegram goes out.
TEST_F(ParameterWorkList, OfflineDefaultsAndCommitsWithoutTelegrams) {
  drivesim::TDriveSim sim({"--udp4"});
  TDevice* device = Login(Udp4Link(sim));
  ASSERT_EQ(device->State(), dstStarted);
  NewFrames(sim, "udp4-0");
  for (const TDeviceType type : {dtConnectionLost, dtOffline}) {
    SCOPED_TRACE(type);
    device->SetDeviceType(type);
    TTransactionClient client(Service->Provider());
    Reread(client, {4096, 4097});
    EXPECT_EQ(Find(4096)->GetIntValue(), 1000);  // the default
    EXPECT_EQ(client.Notified, 1);
    Write(client, {{4660, 99}});
    EXPECT_EQ(Find(4660)->GetIntValue(), 99);
    EXPECT_FALSE(Find(4660)->GetAttrFlag(AttrWritePending));
    EXPECT_TRUE(Service->IsReady());
  }
  EXPECT_TRUE(NewFrames(sim, "udp4-0").empty());
}

// Transactions belong to the provider's current client and to their state; a refused
// call changes nothing.
TEST_F(ParameterWorkList, TransactionChecks) {
  drivesim::TDriveSim sim({"--udp4"});
  TDevice* device = Login(Udp4Link(sim));
  ASSERT_EQ(device->State(), dstStarted);
  TServiceClient stranger;
  stranger.Connect(&Service->Provider());
  EXPECT_THROW_MSG(Service->PrepareModify(&stranger), "TParameterService.PrepareModify: caller isn't the current client");
  EXPECT_EQ(Service->State(), stReady);
  EXPECT_THROW_MSG(Service->PrepareUpdate(&stranger), "TParameterService.PrepareUpdate: caller isn't the current client");
  EXPECT_EQ(Service->State(), stReady);

  TTransactionClient client(Service->Provider());
  Transaction(client, [&](TServiceClient* Client) {
    Service->PrepareModify(Client);
    Service->PrepareUpdate(Client);  // busy: nothing happens
    EXPECT_EQ(Service->State(), stModify);
    EXPECT_THROW_MSG(Service->ExecuteUpdate(Client), "TParameterService.ExecuteUpdate: not allowed in current state");
    EXPECT_THROW_MSG(Service->PrepareSave(Client), "TParameterService.PrepareSave: not allowed in current state");
    EXPECT_THROW_MSG(Service->LoadPreloadParameters(), "TParameterService.LoadPreloadParameters: not allowed in current state");
    EXPECT_EQ(Service->State(), stModify);
    Service->DiscardModify(Client);
    EXPECT_EQ(Service->State(), stReady);
    Service->PrepareSave(Client);
    Service->ExecuteSave(Client);
  });
  EXPECT_TRUE(client.Error.empty()) << client.Error;
  EXPECT_TRUE(Service->IsReady());
}

// A view works on an option as on its directory: the option's marks go to the directory.
TEST_F(ParameterWorkList, AnOptionMarksItsDirectory) {
  drivesim::TDriveSim sim({"--udp4"});
  ASSERT_EQ(Login(Udp4Link(sim))->State(), dstStarted);
  TParameter* directory = Find(2048);
  TParameter* option = directory->Child();
  ASSERT_TRUE(option && option->IsChild());
  TTransactionClient client(Service->Provider());
  Transaction(client, [&](TServiceClient* C) {
    Service->PrepareUpdate(C);
    option->Invalidate(C);
    EXPECT_FALSE(directory->GetAttrFlag(AttrValid));
    option->Update(C);
    EXPECT_EQ(Service->WorkList(), std::vector<TParameter*>{directory});
    Service->DiscardUpdate(C);
    Service->PrepareModify(C);
    option->Modify(C);
    EXPECT_TRUE(directory->GetAttrFlag(AttrWritePending));
    EXPECT_FALSE(option->GetAttrFlag(AttrWritePending));
    Service->DiscardModify(C);
    Service->PrepareSave(C);  // an empty save continues the client
    Service->ExecuteSave(C);
  });
  EXPECT_TRUE(client.Error.empty()) << client.Error;
}

// The bundled profile end to end with a parameter of every type: the login reads them all
// and names the device after the drive; each written value lands in the drive's table as
// its exact bytes and comes back from the drive by a reread.
TEST_F(ParameterWorkList, EveryTypeIsReadWrittenAndReadBack) {
  drivesim::TDriveSim sim({"--udp4", "--running=0", "--text-parameter=1000,16,0x0F,Axis 7"});
  TDevice* device = Login(Udp4Link(sim));
  ASSERT_EQ(device->State(), dstStarted);
  EXPECT_EQ(device->Caption(), "Axis 7");
  EXPECT_EQ(device->Model()->Caption(), "Axis 7, IP: 127.0.0.1 (GUEST)");
  const std::vector<TParameter*> readable = Readable();
  for (TParameter* node : readable) EXPECT_TRUE(node->GetValid()) << node->Caption();

  const auto option = [&](std::int32_t Directory, const char* Caption) {
    for (TParameter* child = Find(Directory)->Child(); child; child = child->Next())
      if (child->Caption() == Caption) return child;
    ADD_FAILURE() << Caption;
    return Find(Directory);
  };
  const auto scaled = [](TParameter* Node) {
    TValueRec value;
    Node->GetScaledValue(value, usSI, "SCALED");
    return value.ValueStr.str();
  };
  const struct {
    const char* type;
    std::int32_t upid;
    std::function<void(TParameter*)> set;  // on the parameter of the UPID
    const char* frame;
    const char* value;  // its scaled text once reread
  } cases[] = {
      {"Bool", 12298, [](TParameter* P) { P->SetBoolValue(true); }, "89 02 0A 30 01 00", "True"},
      {"RadioDir8", 4140, [&](TParameter*) { option(4140, "Index pulse")->SetBoolValue(true); }, "89 02 2C 10 02", "2"},
      {"RadioDir16", 2048, [&](TParameter*) { option(2048, "Imperial")->SetBoolValue(true); }, "89 02 00 08 03 00",
       "3"},
      {"RadioDir32", 12310, [&](TParameter*) { option(12310, "Sine encoder")->SetBoolValue(true); },
       "89 02 16 30 01 00 00 00", "1"},
      {"RadioDirBit", 514, [&](TParameter*) { option(514, "Fan always on")->SetBoolValue(true); }, "89 02 02 02 01 00",
       "1"},
      {"EnumDir8", 4141, [](TParameter* P) { P->SetScaledValue("2", usSI, "DEC"); }, "89 02 2D 10 02", "2"},
      {"EnumDir16", 4142, [](TParameter* P) { P->SetScaledValue("2", usSI, "DEC"); }, "89 02 2E 10 02 00", "2"},
      {"EnumDir32", 8200, [](TParameter* P) { P->SetScaledValue("10", usSI, "DEC"); }, "89 02 08 20 0A 00 00 00",
       "10"},
      {"Float", 4506, [](TParameter* P) { P->SetScaledValue("2.5", usSI, "SCALED"); }, "89 02 9A 11 00 00 20 40",
       "2.5"},
      {"Double", 12311, [](TParameter* P) { P->SetScaledValue("0.75", usSI, "SCALED"); },
       "89 02 17 30 00 00 00 00 00 00 E8 3F", "0.75"},
      {"String", 720, [](TParameter* P) { P->SetStrValue("demo.vtp"); }, "89 02 D0 02 64 65 6D 6F 2E 76 74 70",
       "demo.vtp"},
      {"SInt64", 12297, [](TParameter* P) { P->SetIntValue(usSI, -3); }, "89 02 09 30 FD FF FF FF FF FF FF FF", "-3"},
  };
  TTransactionClient client(Service->Provider());
  NewFrames(sim, "udp4-0");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    TParameter* node = Find(c.upid);
    ASSERT_TRUE(std::find(readable.begin(), readable.end(), node) != readable.end());
    ASSERT_NE(scaled(node), c.value);
    Transaction(client, [&](TServiceClient* C) {
      Service->PrepareModify(C);
      c.set(node);
      node->Modify(C);
      Service->ExecuteModify(C);
    });
    EXPECT_TRUE(client.Error.empty()) << client.Error;
    EXPECT_EQ(NewFrames(sim, "udp4-0"), std::vector<std::string>{c.frame});
    // The default in place of the written value: only the drive can give it back.
    node->SetDefaultValue(usSI);
    ASSERT_NE(scaled(node), c.value);
    Reread(client, {c.upid});
    EXPECT_EQ(NewFrames(sim, "udp4-0"), std::vector<std::string>{ReadFrame(node)});
    EXPECT_EQ(scaled(node), c.value);
  }
  EXPECT_TRUE(Find(12290)->GetAttrFlag(AttrVisible));  // the tuning switch is on

  // The drive's name written renames the device.
  Transaction(client, [&](TServiceClient* C) {
    Service->PrepareModify(C);
    Find(1000)->SetStrValue("Axis 9");
    Find(1000)->Modify(C);
    Service->ExecuteModify(C);
  });
  EXPECT_EQ(NewFrames(sim, "udp4-0"), std::vector<std::string>{"89 02 E8 03 41 78 69 73 20 39"});
  EXPECT_EQ(device->Caption(), "Axis 9");
  EXPECT_EQ(device->Model()->Caption(), "Axis 9, IP: 127.0.0.1 (GUEST)");
  EXPECT_TRUE(Messages.empty()) << Messages.front();
  StopDevice(device);
}

// What a user level sees after the login: the guest sees the tree while the drive's guest
// switch 3274 is on, other levels always; folders by their permission; a parameter whose
// switch is off is hidden.
TEST_F(ParameterWorkList, VisibilityFollowsTheSwitchesPerUserLevel) {
  const struct {
    WideString user;
    WideString password;
    int guestSwitch, gear;
    bool root, system, service, rotary, developer;
  } cases[] = {
      {u"GUEST", u"", 1, 0, true, true, false, false, false},
      {u"GUEST", u"", 0, 1, false, true, false, false, false},
      {u"USER", u"user", 0, 0, true, true, false, false, false},
      {u"SERVICE", u"service", 1, 1, true, true, true, true, false},
      {u"DEVELOPER", AnsiToWide(DeveloperPassword), 0, 1, true, true, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.user) + " guest " + std::to_string(c.guestSwitch));
    drivesim::TDriveSim sim({"--udp4", "--parameter=3274,2,0x0F," + std::to_string(c.guestSwitch),
                             "--parameter=2059,2,0x0F," + std::to_string(c.gear)});
    TDevice* device = Login(Udp4Link(sim), c.user, c.password);
    ASSERT_EQ(device->State(), dstStarted);
    EXPECT_EQ(Service->TreeRoot()->Model()->GetVisible(), c.root);
    const std::pair<std::int32_t, bool> folders[] = {
        {65537, c.system}, {65540, c.service}, {65556, c.rotary}, {65541, c.developer}};
    for (const auto& [upid, shown] : folders)
      EXPECT_EQ(dynamic_cast<TGenericDirParameter*>(Find(upid))->Model()->GetVisible(), shown) << upid;
    EXPECT_EQ(Find(2059)->GetBoolValue(), c.gear == 1);
    for (const std::int32_t upid : {2057, 2058}) EXPECT_EQ(Find(upid)->GetAttrFlag(AttrVisible), c.gear == 1) << upid;
    StopDevice(device);
  }
}

}  // namespace
