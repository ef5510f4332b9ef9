// The life cycle of a device with scripted services: starts that succeed, wait, fail or
// never finish, the reverse stop, the change to offline, the state checks of every
// request, a completion callback that destroys the device, the connection-lost requests
// and the logout that holds the tree views until the device has stopped.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceModelTest.h"
#include "TestUtil.h"
#include "runtime/ApplicationState.h"

using namespace vt;

namespace {

using Calls = std::vector<std::string>;

class DeviceLifeCycle : public DeviceTest {
 protected:
  static const Calls& Journal() { return TScriptedService::Calls(); }
};

TEST_F(DeviceLifeCycle, StartsInPassesAndStopsInReverse) {
  TDevice* box = NewDevice({{"TalkService"}, {"ModuleService", "Wait", "Wait"}, {"Fixture", "Passes2"}});
  EXPECT_EQ(box->GetStrVar(u"DeviceStatus"), u"Stopped");
  int calls = 0;
  TDevice* sender = nullptr;
  box->StartUpServices([&](TDevice* Sender) {
    ++calls;
    sender = Sender;
  });
  EXPECT_EQ(box->GetStrVar(u"DeviceStatus"), u"Starting");
  ASSERT_TRUE(StepUntil([&] { return calls > 0; }));
  EXPECT_EQ(sender, box);
  EXPECT_EQ(box->State(), dstStarted);
  EXPECT_EQ(box->GetStrVar(u"DeviceStatus"), u"Started");
  // The waiting service holds the walk; the slow one is called once per pass.
  EXPECT_EQ(Journal(), (Calls{"start TalkService", "start ModuleService", "start Fixture", "start Fixture",
                              "start Fixture"}));
  Steps(5);
  EXPECT_EQ(calls, 1);  // once

  TScriptedService::Calls().clear();
  box->ShutDownServices([&](TDevice*) { ++calls; });
  EXPECT_EQ(box->GetStrVar(u"DeviceStatus"), u"Stopping");
  ASSERT_TRUE(StepUntil([&] { return calls > 1; }));
  EXPECT_EQ(box->State(), dstStopped);
  EXPECT_EQ(Journal(), (Calls{"stop Fixture", "stop ModuleService", "stop TalkService"}));
  for (int i = 0; i < box->GetServiceCount(); ++i) EXPECT_EQ(box->GetServiceWithIndex(i)->ServiceStatus(), dsStopped);
}

// How a start ends when services fail: the vital three end it in error at once, any
// other failure is logged and the device starts.
TEST_F(DeviceLifeCycle, FailedStarts) {
  const struct {
    const char* what;
    std::vector<TServiceSpec> services;
    TDeviceState state;
    std::vector<TDeviceServiceStatus> statuses;
    const char* log;
    int startCallsOfLast;
  } cases[] = {
      {"never starts", {{"TalkService"}, {"Slow", "Never"}, {"Last"}}, dstStarted,
       {dsStarted, dsError, dsStarted}, "Service Slow not started!", 1},
      {"raises", {{"TalkService"}, {"Odd", "Raise"}, {"Last"}}, dstStarted,
       {dsStarted, dsError, dsStarted}, "Service Odd: refuses to start", 1},
      {"disabled", {{"TalkService"}, {"Scope", "Disabled"}, {"Last"}}, dstStarted,
       {dsStarted, dsDisabled, dsStarted}, nullptr, 1},
      {"parameter service ends in error", {{"TalkService"}, {"ParameterService", "WaitError"}, {"Last"}},
       dstError, {dsStarted, dsError, dsStopped}, nullptr, 0},
      {"talk service raises", {{"TalkService", "Raise"}, {"ModuleService"}, {"Last"}}, dstError,
       {dsError, dsStopped, dsStopped}, "Service TalkService: refuses to start", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TDevice* box = NewDevice(c.services);
    StartAndWait(box);
    EXPECT_EQ(box->State(), c.state);
    for (int i = 0; i < box->GetServiceCount(); ++i)
      EXPECT_EQ(box->GetServiceWithIndex(i)->ServiceStatus(), c.statuses[i]) << "service " << i;
    if (c.log) {
      EXPECT_TRUE(Logged(c.log)) << c.log;
    }
    EXPECT_EQ(Scripted(box, "Last")->StartCalls, c.startCallsOfLast);
    // A failed device can still be stopped.
    StopAndWait(box);
    EXPECT_EQ(box->State(), dstStopped);
  }
}

TEST_F(DeviceLifeCycle, PassesAreBounded) {
  // Two services: at most four passes.
  TDevice* box = NewDevice({{"TalkService"}, {"Slow", "Never"}});
  StartAndWait(box);
  EXPECT_EQ(Scripted(box, "Slow")->StartCalls, 4);
}

// A service in a status that starts and stops do not know ends the walk with an error
// line, the device keeping its state.
TEST_F(DeviceLifeCycle, AServiceInAStatusOfItsOwnEndsTheWalk) {
  const auto count = [this](const std::string& Line) {
    const auto lines = LogLines();
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(Line) != l.npos; });
  };
  const std::string failure = "TDevice.Work: wrong service state - DeviceManager";
  TDevice* starting = NewDevice({{"TalkService"}});
  Scripted(starting, "TalkService")->SetServiceStatus(dsRelogin);
  starting->StartUpServices(nullptr);
  ASSERT_TRUE(StepUntil([&] { return count(failure) == 1; }));
  EXPECT_EQ(starting->State(), dstStarting);

  TDevice* stopping = NewDevice({{"TalkService"}});
  StartAndWait(stopping);
  Scripted(stopping, "TalkService")->SetServiceStatus(dsGoingOffline);
  stopping->ShutDownServices(nullptr);
  ASSERT_TRUE(StepUntil([&] { return count(failure) == 2; }));
  EXPECT_EQ(stopping->State(), dstStopping);
}

TEST_F(DeviceLifeCycle, StopGoesOnPastAServiceThatRaises) {
  TDevice* box = NewDevice({{"TalkService"}, {"Odd", "Now", "Raise"}, {"Last"}});
  StartAndWait(box);
  StopAndWait(box);
  EXPECT_EQ(box->State(), dstStopped);
  EXPECT_EQ(Scripted(box, "TalkService")->ServiceStatus(), dsStopped);
  EXPECT_EQ(Scripted(box, "Odd")->ServiceStatus(), dsError);
  EXPECT_TRUE(Logged("Service Odd: refuses to stop"));
}

TEST_F(DeviceLifeCycle, GoesOfflineInReverse) {
  TDevice* box = NewDevice(
      {{"TalkService", "Now", "Now", "Wait"}, {"VariableService"}, {"ControlPanelService"}, {"ParameterService"}});
  box->SetStrVar(u"PortName", u"ttyS0");
  StartAndWait(box);
  TScriptedService::Calls().clear();

  box->ChangeToOffline([this](TDevice*) { ++Responses; }, true);
  EXPECT_EQ(box->GetStrVar(u"DeviceStatus"), u"Unknown");
  EXPECT_EQ(box->GetStrVar(u"DeviceType"), u"Offline");
  EXPECT_EQ(box->GetStrVar(u"PortName"), u"");
  EXPECT_TRUE(box->SendLogout);
  ASSERT_TRUE(StepUntil([&] { return Responses == 2; }));
  EXPECT_EQ(box->State(), dstStarted);
  EXPECT_EQ(Journal(), (Calls{"release wait ControlPanelService", "finish reader VariableService",
                              "offline ParameterService", "offline ControlPanelService", "offline VariableService",
                              "offline TalkService", "offline TalkService", "clear read flag ParameterService"}));
  // The services keep running.
  EXPECT_EQ(Scripted(box, "VariableService")->ServiceStatus(), dsStarted);
}

TEST_F(DeviceLifeCycle, RequestsRefusedInTheWrongState) {
  TDevice* box = NewDevice({{"TalkService"}, {"Slow", "Wait"}});
  const auto ignore = [](TDevice*) {};
  EXPECT_THROW_MSG(box->ShutDownServices(ignore), "TDevice.ShutDownServices: device not ready");
  EXPECT_THROW_MSG(box->ChangeToOffline(ignore, false), "TDevice.ChangeToOffline: device not ready");
  EXPECT_THROW_MSG(box->ChangeToConnectionLost(ignore), "TDevice.ChangeToConnectionLost: device not ready (Stopped)");
  EXPECT_THROW_MSG(box->ChangeToConnectionRecovered(ignore), "TDevice.ChangeToConnectionRecovered: device not ready");
  box->StartUpServices(ignore);
  EXPECT_THROW_MSG(box->StartUpServices(ignore), "TDevice.StartupServices: device not ready");
  EXPECT_THROW_MSG(box->ChangeToConnectionLost(ignore), "TDevice.ChangeToConnectionLost: device not ready (Starting)");
  ASSERT_TRUE(StepUntil([&] { return box->State() == dstStarted; }));
  box->ShutDownServices(ignore);
  EXPECT_THROW_MSG(box->ChangeToConnectionLost(ignore), "TDevice.ChangeToConnectionLost: device not ready (Stopping)");
  ASSERT_TRUE(StepUntil([&] { return box->State() == dstStopped; }));
  StartAndWait(box);
  box->ChangeToOffline(ignore, false);
  EXPECT_THROW_MSG(box->ChangeToConnectionLost(ignore),
                   "TDevice.ChangeToConnectionLost: device not ready (GoingOffline)");
  EXPECT_EQ(box->DeviceType(), dtOffline);  // unchanged by the refusals
}

// The shell frees the services and destroys the device from its completion callbacks.
TEST_F(DeviceLifeCycle, CallbackDestroysTheDevice) {
  TDevice* failed = NewDevice({{"TalkService", "Raise"}, {"Other"}});
  TDevice* stopped = NewDevice({{"TalkService"}, {"Other", "Now", "Wait"}});
  const auto destroy = [](TDevice* Sender) {
    Sender->FreeServices();
    DeviceManager()->DestroyDevice(Sender);
  };
  failed->StartUpServices(destroy);  // ends in error: the callback comes at once
  StartAndWait(stopped);
  stopped->ShutDownServices(destroy);
  ASSERT_TRUE(StepUntil([&] { return DeviceManager()->GetDeviceCount() == 0; }));
  // The scheduler goes on with other tasks.
  TDevice* next = NewDevice({{"TalkService"}});
  StartAndWait(next);
  EXPECT_EQ(next->State(), dstStarted);
}

TEST_F(DeviceLifeCycle, ConnectionLostAndRecovered) {
  TDevice* box = NewDevice({{"TalkService"}, {"StatusService"}});
  box->SetStrVar(u"PortName", u"ttyUSB0");
  StartAndWait(box);
  // Not among the lost ports: the counter of the serial fall-back starts afresh.
  for (int i = 0; i < 3; ++i) box->HandleConnectionLost();
  box->ChangeToConnectionLost(nullptr);
  EXPECT_EQ(box->GetStrVar(u"DeviceType"), u"Connection Lost");
  EXPECT_EQ(box->ConnectionLostCounter(), 0);
  // A port whose write failed: the status service goes offline, one entry goes.
  TLostList& lost = ApplicationState().LostList;
  lost.Add("ttyUSB0");
  lost.Add("ttyUSB0");
  TScriptedService::Calls().clear();
  box->ChangeToConnectionLost(nullptr);
  EXPECT_EQ(Journal(), (Calls{"go offline StatusService"}));
  EXPECT_EQ(lost.Items(), (std::vector<AnsiString>{"ttyUSB0"}));
  box->ChangeToConnectionRecovered(nullptr);
  EXPECT_EQ(box->DeviceType(), dtOnline);
}

// The serial fall-back against the talk service's port: closes at the 2nd, 3rd and 5th
// call, and opens again after the pause, on a step of the device's task.
TEST_F(DeviceLifeCycle, SerialFallBackCounts) {
  TDevice* box = NewDevice({{"TalkService"}});
  TDevice* udp = NewDevice({{"TalkService"}});
  udp->InterfaceType = ifEthernet;
  StartAndWait(box);
  StartAndWait(udp);
  TScriptedService::Calls().clear();
  for (int i = 1; i <= 6; ++i) {
    box->HandleConnectionLost();
    udp->HandleConnectionLost();
    ASSERT_TRUE(StepUntil([&] { return Journal().empty() || Journal().back() == "reopen TalkService"; }));
  }
  EXPECT_EQ(Journal(), (Calls{"close at 38400 TalkService", "reopen TalkService", "close at 115200 TalkService",
                              "reopen TalkService", "close at 38400 TalkService", "reopen TalkService"}));
  EXPECT_EQ(box->OldBaudrate(), 115200u);
  EXPECT_EQ(udp->ConnectionLostCounter(), 0);
}

TEST_F(DeviceLifeCycle, LogoutHoldsTheTreeUntilStopped) {
  TDevice* box = NewDevice({{"TalkService", "Now", "Wait"}});
  StartAndWait(box);
  int responses = 0;
  box->DeviceResp = [&](TDevice* Sender) {
    EXPECT_EQ(Sender->State(), dstStopped);
    ++responses;
  };
  box->Logout();
  EXPECT_TRUE(box->LogoutOk());
  EXPECT_TRUE(DeviceManager()->ModelManager().Modifying());
  ASSERT_TRUE(StepUntil([&] { return responses == 1; }));
  // The bracket is closed: the tree is brought up to date.
  EXPECT_TRUE(StepUntil([&] { return !DeviceManager()->ModelManager().Modifying(); }));
  // A refused logout leaves no bracket open either.
  EXPECT_THROW_MSG(box->Logout(), "TDevice.ShutDownServices: device not ready");
  EXPECT_TRUE(StepUntil([&] { return !DeviceManager()->ModelManager().Modifying(); }));
}

}  // namespace
