// The status service; see StatusService.h.
//
// The task polls from its idle state wsReady: it sends the first pending request (or the
// get-status request), waits in wsWait until the actor's answer handler returns it to
// wsReady, and looks again 500 ms after the request (a late answer: every 2000 ms).
#include "devices/services/StatusService.h"

#include "comm/BasicTalkService.h"
#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "devices/ConnectionLostDialog.h"
#include "devices/Device.h"
#include "devices/DeviceLimits.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "runtime/ApplicationState.h"
#include "runtime/Conversions.h"
#include "runtime/DebugLog.h"
#include "runtime/Translations.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// The user tags of the requests, by which the answer handler tells them apart.
enum TRequestTag : std::int32_t { rtStatus = 0, rtStart = 1, rtStop = 2, rtReset = 3, rtBlink = 5 };

// The talk layer's result of an answer batch that the service ignores.
constexpr std::uint8_t IgnoredBatch = 0xEC;
// The blink request's data after its command byte.
constexpr std::string_view BlinkData{"\xFF\xFF\x01", 3};
constexpr const char* InstallScript = "PackInst\\Load.sct";
constexpr const char* InstallExtensions[] = {".H86", ".E86", ".GR2", ".GR3", ".HX2", ".HX3"};

// The upper-cased extension of a file name with "\" or "/" separators, with its dot;
// empty when the name has none.
AnsiString UpperExtension(const AnsiString& FileName) {
  const auto dot = FileName.find_last_of('.');
  const auto separator = FileName.find_last_of("\\/");
  if (dot == AnsiString::npos || (separator != AnsiString::npos && dot < separator)) return {};
  return UpperCaseAnsi(FileName.substr(dot));
}

void CheckExtension(const char* ClassName, const AnsiString& FileName) {
  const AnsiString extension = UpperExtension(FileName);
  for (const char* known : InstallExtensions)
    if (extension == known) return;
  throw Exception(AnsiString(ClassName) + ".Setup: unknown file extension " + extension);
}

}  // namespace

TStatusService::TStatusService(TDevice* AOwner, TSLDictionary* AProfDict)
    : TDeviceService(AOwner, AProfDict),
      FTalkActor(TalkClient()->GetActor()),
      FProvider(this, "Status Service"),
      WorkTask("StatusService") {
  FTalkActor->SetName("Status Service Actor");
  FTalkActor->OnResponse = [this](TTalkActor* Actor) { ActorResponse(Actor); };
  WorkTask.OnExecute = [this](TMxTask* Sender) { Work(Sender); };
  WorkTask.Start();
}

// A busy actor cannot be pooled: it is dropped, and the talk server's late reply with it.
TStatusService::~TStatusService() {
  if (FScriptTask) FScriptTask->OnFinished = nullptr;
  FTalkActor->OnResponse = nullptr;
  if (TalkClient() && !FTalkActor->IsBusy()) TalkClient()->PutActor(FTalkActor);
}

// ---- Start and stop ----

void TStatusService::StartUp(bool& Wait) {
  if (FServiceStatus == dsStopped) {
    FTalkService = FOwner->Sibling<TBasicTalkService>("TalkService");
    FModuleService = FOwner->Sibling<TDeviceService>("ModuleService");
    if (!FTalkService || !FModuleService) {
      LogError("couldn't start status service: a required device service is missing");
      return SetServiceStatus(dsError);
    }
    SetServiceStatus(dsStarting);
  }
  if (FServiceStatus != dsStarting) return;
  FShutDownRequest = false;
  if (FModuleService->ServiceStatus() != dsStarted) return;
  const auto* activity = dynamic_cast<const TServiceActivity*>(FModuleService);
  if (activity && !activity->IsServiceActive(FName, true)) return SetServiceStatus(dsDisabled);
  if (FTalkService->ServiceStatus() != dsStarted) return;
  if (!FTalkService->DeviceOnline()) return SetServiceStatus(dsStarted);
  Wait = true;
  FWorkState = wsLogin;
  Wake();
}

void TStatusService::ShutDown(bool& Wait) {
  if (FWorkState != wsReady) {
    Wait = true;
    FShutDownRequest = true;
    return;
  }
  SetServiceStatus(dsStopped);
}

// ---- Requests ----

void TStatusService::ClearRequests() {
  FStartRequest = FStopRequest = FResetRequest = FGoOfflineRequest = FBlinkDeviceRequest = false;
}

void TStatusService::WakeWhenReady() {
  if (FWorkState == wsReady) Wake();
}

void TStatusService::Request(bool& Flag) {
  ClearRequests();
  Flag = true;
  WakeWhenReady();
}

void TStatusService::StartDevice() { Request(FStartRequest); }
void TStatusService::StopDevice() { Request(FStopRequest); }
void TStatusService::ResetDevice() { Request(FResetRequest); }
void TStatusService::BlinkDevice() { Request(FBlinkDeviceRequest); }

// A pending blink stays.
void TStatusService::GoOffline() {
  FStartRequest = FStopRequest = FResetRequest = false;
  FGoOfflineRequest = true;
  FSendLogout = true;
  WakeWhenReady();
}

// The extension is checked here, so that the caller hears of a wrong file at once.
void TStatusService::SetupDevice(const AnsiString& FileName, bool ADebugMode) {
  CheckExtension(ClassName(), FileName);
  FFileName = FileName;
  FDebugMode = ADebugMode;
  FSetupRequest = true;
  WakeWhenReady();
}

// ---- The task ----

void TStatusService::Pause(TMxTask* Sender, std::int64_t Timeout) {
  WorkSignal.SetReady(false);
  Sender->WaitFor(&WorkSignal, Timeout);
}

// Nothing raised here may end the task: the polling would stop for good. A first status
// request that cannot be sent fails the start, which would wait for it for ever.
void TStatusService::Work(TMxTask* Sender) {
  try {
    WorkStep(Sender);
  } catch (...) {
    LogError(CurrentExceptionText());
    if (FWorkState == wsLogin) SetServiceStatus(dsError);
    FWorkState = wsReady;
    Pause(Sender, StatusPollInterval);
  }
}

void TStatusService::WorkStep(TMxTask* Sender) {
  if (FServiceStatus != dsStarted && FWorkState != wsLogin) return Pause(Sender, StatusAnswerWait);
  switch (FWorkState) {
    case wsLogin:
      FTalkActor->Clear();
      FTalkService->FGetStatus->Put(*FTalkActor, 0, rtStatus);
      FTalkActor->Execute();
      return Pause(Sender, MxNoTimeout);
    case wsGoingOffline:
      FWorkState = wsReady;
      return Sender->WaitFor(&WorkSignal, StatusPollInterval);
    case wsReady:
      return IdleStep(Sender);
    default:
      return Pause(Sender, StatusAnswerWait);
  }
}

// A shut-down is taken before the link is looked at: a link that went down while a
// request was out must not keep the device from stopping.
void TStatusService::IdleStep(TMxTask* Sender) {
  if (FShutDownRequest) return SetServiceStatus(dsStopped);
  if (!FTalkService->DeviceOnline()) return Pause(Sender, StatusPollInterval);
  FTalkActor->Clear();
  TBasicTalkService& talk = *FTalkService;
  if (FStartRequest) {
    if (!PutStart()) return;
  } else if (FStopRequest) {
    talk.FStopProgram->Put(*FTalkActor, rtStop);
  } else if (FResetRequest) {
    talk.FResetDevice->Put(*FTalkActor, rtReset);
  } else if (FSetupRequest) {
    if (!Setup()) return Pause(Sender, StatusPollInterval);
  } else if (FBlinkDeviceRequest) {
    talk.FBlinkDevice->Put(*FTalkActor, BlinkData, rtBlink);
  } else if (FGoOfflineRequest) {
    return StartGoingOffline(Sender);
  } else if (ApplicationState().ScanBreakCounter > 0) {
    --ApplicationState().ScanBreakCounter;
    return Sender->Sleep(ScanBreakPause);
  } else {
    talk.FGetStatus->Put(*FTalkActor, 0, rtStatus);
  }
  FWorkState = wsWait;
  if (!FSetupRequest) FTalkActor->Execute();
  Pause(Sender, StatusPollInterval);
}

bool TStatusService::AnyInstancePresent() const {
  return GetInstancePresent(0) || GetInstancePresent(1) || GetInstancePresent(2);
}

// False when the drive has no program to start: the user is told and nothing is sent.
bool TStatusService::PutStart() {
  if (!AnyInstancePresent() && FModuleService->GetStrVar("ProgramStartAddr").empty()) {
    ShowMessage(GetInfoSysText(u"StatusSrv_No_Firmware"));
    LogWarning("There is not executable firmware on the drive!");
    FStartRequest = false;
    return false;
  }
  FTalkService->FStartProgram->Put(*FTalkActor, rtStart);
  if (!GetRunning()) SetMainState(static_cast<std::int32_t>(FMainState | ControllerStartingBit), FQD02State);
  return true;
}

// The install script gets the device's name in its global dictionary and the integer 1
// and the file name on its stack; the service sends nothing until it has ended. False,
// with the failure logged and the request dropped, when it does not start.
bool TStatusService::Setup() {
  TScriptTaskInterface* task = nullptr;
  try {
    task = TheStorageManager().CreateScriptTask();
    task->SetDebug(FDebugMode);
    task->LoadScript(InstallScript);
    TSLDictionary* global = CheckedCast<TSLContextImplementation>(task->GetContext())->FindNameSpace("Global");
    if (!global) throw Exception(AnsiString(ClassName()) + ".Setup: the script context has no global dictionary");
    global->AddObject(u"DeviceName", MakeRef<TSLString>(AnsiToWide(FOwner->Name())).get());
    task->PushParameter(MakeRef<TSLLongint>(1).get());
    task->PushParameter(MakeRef<TSLString>(AnsiToWide(FFileName)).get());
    task->OnFinished = [this](TScriptTaskInterface* Sender) { ScriptTaskResponse(Sender); };
    task->Start();
  } catch (...) {
    LogError(CurrentExceptionText());
    delete task;
    FSetupRequest = false;
    return false;
  }
  task->SetAutoFree(true);
  FScriptTask = task;
  return true;
}

void TStatusService::ScriptTaskResponse(TScriptTaskInterface* Sender) {
  FScriptTask = nullptr;
  FSetupRequest = false;
  FWorkState = wsReady;
  Wake();
}

// A device that refuses the change (it is stopping, or going offline already) leaves
// the service polling, with the provider's bracket closed again.
void TStatusService::StartGoingOffline(TMxTask* Sender) {
  FGoOfflineRequest = false;
  FWorkState = wsGoingOffline;
  FProvider.BeginUpdate();
  try {
    FOwner->ChangeToOffline([this](TDevice* Device) { DeviceResponse(Device); }, FSendLogout);
  } catch (...) {
    LogError(CurrentExceptionText());
    FProvider.EndOfUpdate();
    FWorkState = wsReady;
    return Pause(Sender, StatusPollInterval);
  }
  Pause(Sender, MxNoTimeout);
}

void TStatusService::DeviceResponse(TDevice* Sender) {
  SetMainState(0, 0);
  FWorkState = wsReady;
  FProvider.EndOfUpdate();
}

// ---- Answers ----

// What the handler raises is logged: it runs in the actor's task, which must go on.
void TStatusService::ActorResponse(TTalkActor* Actor) {
  try {
    if (FWorkState == wsLogin) return LoginAnswer(Actor);
    if (FWorkState == wsWait) Answers(Actor);
  } catch (...) {
    LogError(CurrentExceptionText());
  }
  if (FWorkState == wsWait) FWorkState = wsReady;
}

// An ignored batch changes nothing, but the next idle step polls again: left waiting,
// the service would never poll again.
void TStatusService::Answers(TTalkActor* Actor) {
  Actor->Reset();
  for (int i = 0; i < Actor->GetCount(); ++i) {
    if (i > 0) Actor->Next();
    switch (Actor->GetUser()) {
      case rtStatus:
        if (Actor->GetResult() == IgnoredBatch) return;
        if (Actor->GetResult() != 0)
          NoAnswer();
        else
          StatusAnswer(Actor);
        break;
      case rtStart:
        FStartRequest = false;
        break;
      case rtStop:
        FStopRequest = false;
        Wake();
        break;
      case rtReset:
        FResetRequest = false;
        SetMainState(static_cast<std::int32_t>(FMainState & ~RunningBit(0)), FQD02State);
        break;
      case rtBlink:
        FBlinkDeviceRequest = false;
        break;
      default:
        break;
    }
  }
}

void TStatusService::NoAnswer() {
  SetMainState(StateRequestFailed, FQD02State);
  if (FOwner->DeviceType() == dtOnline && FOwner->State() == dstStarted)
    FOwner->ChangeToConnectionLost(nullptr);
  else if (FOwner->DeviceType() == dtConnectionLost)
    FOwner->HandleConnectionLost();
}

// The first answer gives the identity of the drive logged in to; a later answer from
// another drive is a swapped drive, whose status is not this device's.
void TStatusService::StatusAnswer(TTalkActor* Actor) {
  const TGetStatusPattern& status = *FTalkService->FGetStatus;
  const std::uint8_t previous = FQD02State;
  FQD02State = status.GetQD02State(*Actor);
  const std::uint16_t low = status.GetSerNbrLow(*Actor), high = status.GetSerNbrHigh(*Actor);
  const std::uint16_t part = status.GetPartNbr(*Actor);
  if (!FDeviceInfoValid) {
    FSerNbrLow = low;
    FSerNbrHigh = high;
    FPartNbr = part;
    FDeviceInfoValid = true;
  } else if (low != FSerNbrLow || high != FSerNbrHigh || part != FPartNbr) {
    LogInfo(std::to_string(low) + " " + std::to_string(high) + " " + std::to_string(part));
    return SwappedDrive(previous);
  }
  FIPSendCounter = 0;
  if (FOwner->DeviceType() == dtConnectionLost) FOwner->ChangeToConnectionRecovered(nullptr);
  SetMainState(status.GetStatus(*Actor), previous);
}

// Over Ethernet the dialog waits for the third swapped answer in a row; the answers
// before it count as "Retry".
void TStatusService::SwappedDrive(std::uint8_t PrevQD02) {
  SetMainState(StateOtherDrive, PrevQD02);
  const bool ask = FOwner->InterfaceType != ifEthernet || ++FIPSendCounter >= SwappedAnswersBeforeDialog;
  if (ask &&
      ShowConnectionLostDialog(AnsiToWide(LinkText() + "Device has changed! Please reconnect the original device.")) ==
          mrCancel) {
    FGoOfflineRequest = true;
    FSendLogout = false;
    return;
  }
  SetMainState(StateRequestFailed, PrevQD02);
  if (ask) FIPSendCounter = 0;
}

AnsiString TStatusService::LinkText() const {
  if (FOwner->InterfaceType != ifEthernet) return FTalkService->PortName() + ": ";
  const AnsiString address =
      FOwner->DeviceIPv6.empty() ? IntToIPStr(static_cast<std::uint32_t>(FOwner->DeviceIP)) : WideToAnsi(FOwner->DeviceIPv6);
  return "IP Address: " + address + ": ";
}

// Whatever the result: a drive that does not answer now shows it at the first poll.
void TStatusService::LoginAnswer(TTalkActor* Actor) {
  Actor->Reset();
  FWorkState = wsReady;
  const std::int32_t word = FTalkService->FGetStatus->GetStatus(*Actor);
  SetMainState(word, static_cast<std::uint8_t>(word));
  SetServiceStatus(dsStarted);
  Wake();
}

// ---- The status word ----

bool TStatusService::GetInstancePresent(int Index) const { return Index >= 0 && Index <= 2 && Bit(PresentBit(Index)); }

bool TStatusService::GetInstanceRunning(int Index) const { return Index >= 0 && Index <= 2 && Bit(RunningBit(Index)); }

// The parameter poll is asked for on every call while the drive reports changes, also
// when the state stays the same.
void TStatusService::SetMainState(std::int32_t MainState, std::uint8_t PrevQD02) {
  const auto state = static_cast<std::uint32_t>(MainState);
  if ((state & (OnlineBit | ParametersChangedBit)) == (OnlineBit | ParametersChangedBit))
    if (auto* parameters = FOwner->Sibling<TParameterRefresh>("ParameterService")) parameters->RefreshParameters();
  if (state == FMainState && PrevQD02 == FQD02State) return;
  TUpdateBracket<TServiceProvider> bracket(&FProvider);
  FMainState = state;
  SetDeviceImage();
}

int TStatusService::StateImage() const {
  if (FMainState == StateRequestFailed || FMainState == StateOtherDrive || FOwner->DeviceType() == dtConnectionLost)
    return ConnectionLostImage;
  if (!Bit(OnlineBit)) return DeviceImage;
  if (Bit(ControllerStartingBit)) return ControllerStartingImage;
  if (!Bit(RunningBit(0))) return DriveStoppedImage;
  if (Bit(ControllerErrorBit)) return ControllerErrorImage;
  return DriveRunningImage;
}

// A module group node shows the error form of its image while a device below it does.
void TStatusService::SetDeviceImage() {
  TModelItem* node = FOwner->Model();
  if (!node) return;
  const int image = StateImage();
  if (node->ImageIndex() != image) node->SetImageIndex(image);
  if (node->Parent() && node->Parent() == FOwner->ModulItem() && ApplicationState().ModulFunctionFlag == 1)
    node->Parent()->EvaluateImage();
}

}  // namespace vt
