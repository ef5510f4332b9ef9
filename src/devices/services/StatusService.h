// The status service of an online drive, "StatusService": it polls the drive's status
// word about twice a second, keeps the identity of the drive logged in to, gives the
// device's tree node the icon of the drive's state, notices a lost connection and a
// swapped drive, and carries out the user's drive commands: start, stop, reset, blink,
// go offline and the firmware install by script. Its provider "Status Service" tells
// the views whenever the status word changes.
//
// Threads: the GUI thread only: the poll is the task "StatusService" of the main
// scheduler, the answers come through the service's talk actor; both share the request
// flags without locks.
#pragma once

#include <cstdint>
#include <memory>

#include "devices/DeviceService.h"
#include "devices/SiblingServices.h"
#include "platform/TextConversion.h"
#include "runtime/Services.h"
#include "runtime/Tasks.h"

namespace vt {

class TBasicTalkService;
class TScriptTaskInterface;
class TTalkActor;

class TStatusService : public TDeviceService, public TStatusGoOffline {
 public:
  // wsShutDown and wsGoOffline are declared and never set.
  enum TStatusWorkState : std::uint8_t { wsReady, wsWait, wsLogin, wsShutDown, wsGoOffline, wsGoingOffline };

  // Status word bits: instance i (0 to 2) running and present, and the drive's states.
  static constexpr std::uint32_t RunningBit(int Index) { return 0x0001u << Index; }
  static constexpr std::uint32_t PresentBit(int Index) { return 0x0008u << Index; }
  static constexpr std::uint32_t ParametersChangedBit = 0x0040;  // acted on with OnlineBit only
  static constexpr std::uint32_t PnPRunningBit = 0x0100;
  static constexpr std::uint32_t ControllerStartingBit = 0x0400;
  static constexpr std::uint32_t ControllerErrorBit = 0x2000;
  static constexpr std::uint32_t OnlineBit = 0x8000;
  // The pseudo values the service stores in place of a status word.
  static constexpr std::uint32_t StateRequestFailed = 1;
  static constexpr std::uint32_t StateOtherDrive = 2;

  // Takes an actor from the talk client and starts the task; needs the main scheduler.
  TStatusService(TDevice* AOwner, TSLDictionary* AProfDict);
  // Gives the actor back unless a request still waits for it; a running install script
  // is no longer reported here.
  ~TStatusService() override;

  const char* ClassName() const override { return "TStatusService"; }

  // Called in every start pass: waits for the module and the talk service; an online
  // device reads its first status (Wait), an offline one is started at once. Without the
  // talk or the module service the service ends in error.
  void StartUp(bool& Wait) override;
  // While a request is out the task stops the service at its next idle step (Wait).
  void ShutDown(bool& Wait) override;
  void Kill() override {}

  // ---- The user's requests, taken at the next idle step ----
  void StartDevice();
  void StopDevice();
  void ResetDevice();
  void BlinkDevice();
  // Without logout when the device asks for it after a swapped drive.
  void GoOffline() override;
  // Installs FileName (".H86", ".E86", ".GR2", ".GR3", ".HX2" or ".HX3", any letter
  // case) with the script "PackInst\Load.sct". Raises "TStatusService.Setup: unknown file
  // extension " + the upper-cased extension, changing nothing.
  void SetupDevice(const AnsiString& FileName, bool ADebugMode);

  // Stores the status word or a pseudo value and the safety byte before the answer, sets
  // the device node's icon and tells the provider's clients; see StatusService.cpp.
  void SetMainState(std::int32_t MainState, std::uint8_t PrevQD02);

  // ---- The status bits ----
  // False for an index other than 0, 1, 2.
  bool GetInstancePresent(int Index) const;
  bool GetInstanceRunning(int Index) const;
  bool GetOnline() const { return Bit(OnlineBit); }
  bool GetRunning() const { return Bit(RunningBit(0)); }
  bool GetControllerError() const { return Bit(ControllerErrorBit); }
  bool GetControllerStarting() const { return Bit(ControllerStartingBit); }
  // The bits of instances 1 and 0 running.
  bool GetCommError() const { return Bit(RunningBit(1)); }
  bool GetCommWarning() const { return Bit(RunningBit(0)); }
  bool GetPnPRunning() const { return Bit(PnPRunningBit); }
  std::uint8_t GetQD02State() const { return FQD02State; }
  std::uint32_t MainState() const { return FMainState; }
  TServiceProvider& Provider() { return FProvider; }
  TStatusWorkState WorkState() const { return FWorkState; }

 private:
  bool Bit(std::uint32_t Mask) const { return (FMainState & Mask) != 0; }
  bool AnyInstancePresent() const;

  // ---- The task ----
  void Work(TMxTask* Sender);
  void WorkStep(TMxTask* Sender);
  // The first pending request, or the poll.
  void IdleStep(TMxTask* Sender);
  bool PutStart();
  bool Setup();
  void StartGoingOffline(TMxTask* Sender);
  // Resets the signal and waits for it at most Timeout milliseconds.
  void Pause(TMxTask* Sender, std::int64_t Timeout);
  void Wake() { WorkSignal.SetReady(true); }
  // A request made while the service waits is taken at the next idle step.
  void WakeWhenReady();
  void ClearRequests();
  // Sets Flag alone of the requests.
  void Request(bool& Flag);

  // ---- Answers ----
  void ActorResponse(TTalkActor* Actor);
  void Answers(TTalkActor* Actor);
  void NoAnswer();
  void StatusAnswer(TTalkActor* Actor);
  void SwappedDrive(std::uint8_t PrevQD02);
  // How the dialog names the link: "<port>: " or "IP Address: <address>: ".
  AnsiString LinkText() const;
  void LoginAnswer(TTalkActor* Actor);
  void DeviceResponse(TDevice* Sender);
  void ScriptTaskResponse(TScriptTaskInterface* Sender);
  void SetDeviceImage();
  int StateImage() const;

  TBasicTalkService* FTalkService = nullptr;
  TDeviceService* FModuleService = nullptr;
  std::unique_ptr<TTalkActor> FTalkActor;
  TStatusWorkState FWorkState = wsReady;
  std::uint32_t FMainState = 0;
  bool FStartRequest = false, FStopRequest = false, FResetRequest = false, FSetupRequest = false;
  bool FBlinkDeviceRequest = false, FGoOfflineRequest = false;
  bool FDeviceInfoValid = false;
  std::uint16_t FSerNbrLow = 0, FSerNbrHigh = 0, FPartNbr = 0;
  std::uint8_t FQD02State = 0;
  bool FSendLogout = false;
  // Swapped-drive answers in a row over Ethernet.
  std::uint32_t FIPSendCounter = 0;
  bool FShutDownRequest = false;
  AnsiString FFileName;
  bool FDebugMode = false;
  // The running install script; it frees itself when it ends.
  TScriptTaskInterface* FScriptTask = nullptr;
  TServiceProvider FProvider;
  TMxSignal WorkSignal;
  // Last: the task goes first.
  TMxTask WorkTask;
};

}  // namespace vt
