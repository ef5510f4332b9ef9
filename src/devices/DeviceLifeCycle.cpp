// The life cycle of a device: the requests and the steps of its task "DeviceManager";
// see Device.h.
//
// A start visits the services in profile order in passes; a pass calls StartUp on every
// service still below dsStarted, so a service may wait for its siblings by staying
// dsStarting. Passes repeat while a pass called some service, at most the number of
// services plus two. Stopping and going offline walk the services in reverse order.
// The signal stays ready until a branch resets it, so the task steps on by itself.
#include <array>

#include "devices/Device.h"
#include "devices/DeviceLimits.h"
#include "devices/DeviceManager.h"
#include "devices/SiblingServices.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/ApplicationState.h"
#include "runtime/DebugLog.h"

namespace vt {

namespace {

// A start fails for good when one of these ends in error.
bool Vital(const AnsiString& AName) {
  return AName == "TalkService" || AName == "ModuleService" || AName == "ParameterService";
}

}  // namespace

// ---- Requests ----

void TDevice::StartUpServices(TDeviceResponse RespProc) {
  if (FState != dstStopped) throw Exception(Format("%s.StartupServices: device not ready", ClassName()));
  FRespProc = std::move(RespProc);
  CurrentServiceIndex = 0;
  RetryCounter = 0;
  RetryRequest = false;
  FState = dstStarting;
  WakeUp();
}

void TDevice::ShutDownServices(TDeviceResponse RespProc) {
  if (FState != dstStarted && FState != dstError)
    throw Exception(Format("%s.ShutDownServices: device not ready", ClassName()));
  FRespProc = std::move(RespProc);
  CurrentServiceIndex = GetServiceCount() - 1;
  RetryCounter = 0;
  RetryRequest = false;
  if (IsDeveloper()) LogInfo(FState == dstStarted ? "Started" : "Error");
  if (auto* variables = Sibling<TMultiValueReaderOwner>("VariableService")) variables->SetWaitforDestroy();
  if (FDeviceType == dtOffline) ApplicationState().ImportSuccessFlag = false;
  FState = dstStopping;
  WakeUp();
}

void TDevice::ChangeToOffline(TDeviceResponse RespProc, bool ASendLogout) {
  if (FState != dstStarted && FState != dstError)
    throw Exception(Format("%s.ChangeToOffline: device not ready", ClassName()));
  SendLogout = ASendLogout;
  FRespProc = std::move(RespProc);
  FDeviceType = dtOffline;
  FOwner->ChangeToOffline(this);
  CurrentServiceIndex = GetServiceCount() - 1;
  RetryCounter = 0;
  FState = dstGoingOffline;
  WakeUp();
  if (auto* panel = Sibling<TMultiValueWaiter>("ControlPanelService")) panel->ReleaseWaitMulty();
  if (auto* variables = Sibling<TMultiValueReaderOwner>("VariableService")) variables->SetWaitforDestroy();
  SetStrVar(u"PortName", u"");
}

void TDevice::ChangeToConnectionLost(TDeviceResponse RespProc) {
  if (FState != dstStarted && FState != dstError) {
    static const std::array<const char*, 7> states = {"Stopped",   "Starting", "", "Stopping", "",
                                                      "Destroyed", "GoingOffline"};
    throw Exception(
        Format("%s.ChangeToConnectionLost: device not ready (%s)", ClassName(), AnsiString(states[FState])));
  }
  FDeviceType = dtConnectionLost;
  const AnsiString port = WideToAnsi(GetStrVar(u"PortName"));
  TLostList& lost = ApplicationState().LostList;
  if (!lost.Contains(port)) {
    WakeUp();
    if (InterfaceType == ifRS232) FConnectionLostCOunter = 0;
    return;
  }
  if (auto* status = Sibling<TStatusGoOffline>("StatusService")) status->GoOffline();
  lost.RemoveFirst(port);
}

void TDevice::ChangeToConnectionRecovered(TDeviceResponse RespProc) {
  if (FState != dstStarted && FState != dstError)
    throw Exception(Format("%s.ChangeToConnectionRecovered: device not ready", ClassName()));
  FDeviceType = dtOnline;
  WakeUp();
}

void TDevice::HandleConnectionLost() {
  if (InterfaceType != ifRS232) return;
  ++FConnectionLostCOunter;
  std::uint32_t rate = 0;
  switch (FConnectionLostCOunter) {
    case 2:
    case 5:
      rate = FallbackBaudrate;
      break;
    case 3:
      rate = FOldBaudrate;
      break;
    default:
      return;
  }
  auto* talk = Sibling<TTalkServiceLink>("TalkService");
  if (!talk) return;
  const std::uint32_t previous = talk->CloseSerialPort(rate);
  if (FConnectionLostCOunter == 2) FOldBaudrate = previous;
  // The pause is a wait of the task: the GUI thread goes on meanwhile.
  FReopenStep = roPause;
  WakeUp();
}

void TDevice::Logout() {
  FLogoutOk = true;
  // The bracket holds the tree views until the device has stopped. It closes then, or
  // with the callback when no stop comes (a refused request, a device destroyed first):
  // left open, the views would never be updated again.
  auto bracket = std::make_shared<TModelUpdate>(&FOwner->ModelManager());
  ShutDownServices([bracket](TDevice* Sender) mutable {
    bracket.reset();
    if (Sender->DeviceResp) Sender->DeviceResp(Sender);
  });
}

void TDevice::ServiceStatusChange(TDeviceService* Sender, TDeviceServiceStatus NewStatus) {
  const bool walking = FState == dstStarting || FState == dstStopping || FState == dstGoingOffline;
  if (walking && Sender == CurrentService) WakeUp();
}

// ---- The task ----

void TDevice::WakeUp() { WorkSignal.SetReady(true); }

void TDevice::Respond() {
  if (!FRespProc) return;
  TDeviceResponse response = std::move(FRespProc);
  FRespProc = nullptr;
  response(this);
}

void TDevice::Work(TMxTask* Sender) {
  if (FReopenStep != roNone) return ReopenStep(Sender);
  const std::weak_ptr<int> alive = FAlive;
  switch (FState) {
    case dstStopped:
      Respond();
      break;
    case dstStarting:
      StartStep();
      break;
    case dstStarted:
      WorkSignal.SetReady(false);
      Respond();
      break;
    case dstStopping:
      StopStep();
      break;
    case dstGoingOffline:
      OfflineStep();
      break;
    default:
      break;
  }
  if (alive.expired()) return;  // the completion callback destroyed the device
  Sender->WaitFor(&WorkSignal, MxNoTimeout);
}

void TDevice::ReopenStep(TMxTask* Sender) {
  if (FReopenStep == roPause) {
    FReopenStep = roOpen;
    return Sender->Sleep(SerialReopenPause);
  }
  FReopenStep = roNone;
  try {
    if (auto* talk = Sibling<TTalkServiceLink>("TalkService")) talk->ReopenSerialPort();
  } catch (...) {
    LogError(CurrentExceptionText());
  }
  Sender->WaitFor(&WorkSignal, MxNoTimeout);
}

TDevice::TCallResult TDevice::CallService(TDeviceService* Service, void (TDeviceService::*Operation)(bool&)) {
  bool wait = false;
  try {
    (Service->*Operation)(wait);
    return wait ? crWait : crNext;
  } catch (...) {
    // A raise would end the task and leave the device in its state for ever.
    LogError("Service " + Service->ServiceName() + ": " + CurrentExceptionText());
    Service->SetServiceStatus(dsError);
    return crFailed;
  }
}

void TDevice::NextService() {
  ++CurrentServiceIndex;
  CurrentService = nullptr;
}

void TDevice::PreviousService() {
  --CurrentServiceIndex;
  CurrentService = nullptr;
}

bool TDevice::AnotherPass() {
  if (!RetryRequest || RetryCounter > static_cast<std::uint32_t>(GetServiceCount())) return false;
  ++RetryCounter;
  RetryRequest = false;
  return true;
}

void TDevice::StartStep() {
  if (CurrentServiceIndex >= GetServiceCount()) return EndOfStartPass();
  TDeviceService* service = GetServiceWithIndex(CurrentServiceIndex);
  CurrentService = service;
  switch (service->ServiceStatus()) {
    case dsStopped:
    case dsStarting: {
      RetryRequest = true;
      const TCallResult result = CallService(service, &TDeviceService::StartUp);
      if (IsDeveloper()) LogInfo("Starting " + service->Caption());
      if (result == crWait)
        WorkSignal.SetReady(false);
      else if (result == crNext)
        NextService();
      // A service that raised is in error now: the next step decides on it.
      break;
    }
    case dsStarted:
      NextService();
      // Batched reads follow the talk service; a device without one has none.
      if (ServiceExists("TalkService")) SetMultValueEnable();
      break;
    case dsError:
      if (Vital(service->ServiceName())) {
        FState = dstError;
        CurrentService = nullptr;
        // Before the callback, which may ask for the shut-down at once.
        WorkSignal.SetReady(false);
        return Respond();
      }
      NextService();
      WakeUp();
      break;
    case dsDisabled:
      NextService();
      break;
    default:
      throw Exception("TDevice.Work: wrong service state");
  }
}

void TDevice::EndOfStartPass() {
  CurrentService = nullptr;
  CurrentServiceIndex = 0;
  if (AnotherPass()) return;
  for (const auto& [name, service] : ServiceList) {
    if (service->ServiceStatus() == dsStarted || service->ServiceStatus() == dsDisabled) continue;
    service->SetServiceStatus(dsError);
    LogError("Service " + name + " not started!");
  }
  FState = dstStarted;
}

void TDevice::StopStep() {
  if (MultFlag == 0) {
    DestroyMultiRead();
    ++MultFlag;
  }
  if (CurrentServiceIndex < 0) {
    CurrentService = nullptr;
    CurrentServiceIndex = GetServiceCount() - 1;
    if (!AnotherPass()) FState = dstStopped;
    return;
  }
  TDeviceService* service = GetServiceWithIndex(CurrentServiceIndex);
  CurrentService = service;
  switch (service->ServiceStatus()) {
    case dsStopped:
    case dsStarting:
      return PreviousService();
    case dsStarted:
    case dsStopping:
    case dsError:
    case dsDisabled: {
      RetryRequest = true;
      const TCallResult result = CallService(service, &TDeviceService::ShutDown);
      if (IsDeveloper()) LogInfo("Stopping " + service->Caption());
      if (result == crWait) return WorkSignal.SetReady(false);
      return PreviousService();
    }
    default:
      throw Exception("TDevice.Work: wrong service state");
  }
}

void TDevice::OfflineStep() {
  if (CurrentServiceIndex < 0) {
    CurrentService = nullptr;
    FState = dstStarted;
    if (auto* parameters = Sibling<TParameterValues>("ParameterService")) parameters->ClearReadFlag();
    return;
  }
  TDeviceService* service = GetServiceWithIndex(CurrentServiceIndex);
  CurrentService = service;
  const TDeviceServiceStatus status = service->ServiceStatus();
  // A service in a state of its own (none sets one) is passed, not visited for ever.
  if (status >= dsStarted && status <= dsDisabled &&
      CallService(service, &TDeviceService::ChangeToOffline) == crWait)
    return WorkSignal.SetReady(false);
  PreviousService();
}

}  // namespace vt
