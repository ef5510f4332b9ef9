// The talk service of a device: it opens the device's link at the talk server, logs in
// to the drive, takes the drive's protocol values from the login answer, reads the
// firmware release text, checks the user's level and password, and keeps the link while
// the device is online; it logs out and closes the link when the device stops or goes
// offline. Every other service of the device reaches the drive through it: patterns size
// their fields by its values, its handle addresses every request, and it hands the frames
// the drive sends unasked to its listeners.
//
// Two tasks of the main scheduler: the work task runs the open, login, logout and close
// steps; the receive task takes the talk server's replies from the service's own queue
// and tells the work task the outcome. Threads: the GUI thread only; the talk thread
// reaches the service through its queue.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "comm/TalkClient.h"
#include "comm/TalkPattern.h"
#include "devices/DeviceService.h"
#include "devices/SiblingServices.h"
#include "platform/TextConversion.h"
#include "runtime/MessageCoding.h"
#include "runtime/Messages.h"
#include "runtime/Tasks.h"

namespace vt {

enum TWorkState : std::uint8_t {
  wsReady,
  wsOpenDevice,
  wsWaitForOpen,
  wsReadPassword,
  wsWaitForPassword,
  wsReadReleaseInfo,
  wsWaitForReleaseInfo,
  wsLoginDevice,
  wsWaitForLogin,
  wsCloseDevice,
  wsWaitForClose,
  wsError,
  wsChangeToOfflineDevice,
  wsWaitForCloseChangeToOfflineDevice,
  wsLogout,
  wsWaitForLogout,
  wsWaitForCloseOffline,
};

// The outcome of the last request: none yet, or how it ended.
enum TWorkResult : std::uint8_t { wrWait, wrSuccess, wrUnknownProtocol, wrError };

class TTalkService : public TDeviceService, public TTalkServiceInterface, public TTalkServiceLink {
 public:
  // Needs the main scheduler (its tasks) and the message dispatcher (its queue).
  TTalkService(TDevice* AOwner, TSLDictionary* AProfDict);
  // Disconnects every listener, the last first.
  ~TTalkService() override;

  const char* ClassName() const override { return "TTalkService"; }

  // Takes the device's port name, link address and "LoginData", and the user's buffer cap.
  void Initialize() override;
  // Only while stopped: an online device opens and logs in (Wait), any other is started.
  void StartUp(bool& Wait) override;
  // While started or failed: logs out and closes.
  void ShutDown(bool& Wait) override;
  // Raises "kill not implemented".
  void Kill() override;
  // "FlashBaseAddr", "TalkVersion", "MaxBufferSize" and "DeviceType", in decimal.
  void DoGetStrVar(const AnsiString& VarName, AnsiString& Value, bool& Found) override;
  // While started or failed and logged in: logs out (when the device asks for it) and
  // closes, then stays started offline.
  void ChangeToOffline(bool& Wait) override;
  // Makes the standard pattern objects for the drive's protocol version.
  virtual void Init(std::uint8_t ProtocolVersion) = 0;

  // A pattern object of the registered class TPattern kept under a name (any letter
  // case). Raises "%s.AddService: pattern %s is not registered" and "%s.AddService:
  // service %s already exists".
  template <class TPattern>
  TPattern* AddService(const AnsiString& AName, std::uint8_t ATalkId);
  // None for an unknown name.
  TTalkPattern* GetService(const AnsiString& AName) const;

  std::int32_t PortHandle() const override { return FPortIdent; }
  std::uint8_t AddrFieldSize() const override { return FAddrFieldSize; }
  std::uint8_t DataFieldSize() const override { return FDataFieldSize; }
  std::uint8_t MaxBufferSize() const override { return FMaxBufferSize; }
  bool DeviceOnline() const override { return FDeviceOnline; }
  // Raises "TTalkService.AddListener: listener already in list".
  void AddListener(TTalkListener* Listener) override;
  // Raises "TTalkService.AddListener: listener isn't in list".
  void RemoveListener(TTalkListener* Listener) override;

  // The drive's values from its login answer; other services may set the first five.
  std::uint8_t ProtocolVersion() const override { return FProtocolVersion; }
  void SetProtocolVersion(std::uint8_t Value) { FProtocolVersion = Value; }
  void SetAddrFieldSize(std::uint8_t Value) { FAddrFieldSize = Value; }
  void SetDataFieldSize(std::uint8_t Value) { FDataFieldSize = Value; }
  std::uint8_t AddrIncrement() const { return FAddrIncrement; }
  void SetAddrIncrement(std::uint8_t Value) { FAddrIncrement = Value; }
  std::int32_t FlashBaseAddr() const { return FFlashBaseAddr; }
  void SetFlashBaseAddr(std::int32_t Value) { FFlashBaseAddr = Value; }
  std::uint16_t ProcessorType() const { return FProcessorType; }
  std::uint16_t DeviceType() const { return FDeviceType; }
  std::uint16_t DeviceVersion() const { return FDeviceVersion; }
  std::uint16_t FlashType() const { return FFlashType; }
  const AnsiString& DeviceString() const { return FDeviceString; }
  // 0 when the login answer has none.
  std::uint8_t CommandSetVersion() const override { return FCommandSetVersion; }
  // The serial fall-back of a lost connection, at the talk server's port of this link.
  std::uint32_t CloseSerialPort(std::uint32_t ABaudRate) override;
  void ReopenSerialPort() override;
  const AnsiString& ReleaseInfo() const { return FReleaseInfo; }
  const AnsiString& PortName() const { return FPortName; }

 private:
  void CheckNewService(const AnsiString& AName, const TTalkPatternClass& APattern) const;

  // ---- The work task ----
  void Work(TMxTask* Sender);
  void WorkStep(TMxTask* Sender);
  // Sends a request and waits for its outcome in state Next.
  void Request(TMxTask* Sender, TWorkState Next, void (TTalkService::*Send)());
  void WaitForSignal(TMxTask* Sender);
  // In a wait state: true while there is no outcome (and waits again).
  bool Waiting(TMxTask* Sender);
  // False, and the error state, for any outcome but success.
  bool Succeeded();
  void LoginWithFixedData();
  void CheckUser();
  void PasswordChecked();
  void Logout(TMxTask* Sender);
  void Error();
  void Online(TDeviceServiceStatus Status, TWorkState Next);
  bool OnlineDevice() const;
  AnsiString UserName() const;

  // ---- Requests ----
  void SendOpen();
  void SendClose();
  void SendLogin();
  void SendLogout();
  void SendReleaseInfo();
  void SendPassword();
  void SendFrame(const std::string& Frame, std::uint8_t Info);

  // ---- The receive task ----
  void Receive(TMxTask* Sender);
  void Handle(TMxMessage* Reply);
  // A command reply: "OK" and its values, or "ERROR" and the talk server's text (then
  // false, the error recorded).
  bool CommandSucceeded();
  void OpenReply();
  void CloseReply();
  void LoginReply();
  void LogoutReply();
  void PasswordReply();
  void ReleaseInfoReply();
  void Unsolicited(const std::string& Frame);
  // The reply's status; with Frame when the reply carries one.
  std::uint8_t ReadStatus(std::string& Frame);
  void ReadLoginAnswer(const std::string& Frame);
  void Failed(std::uint8_t Status, bool PasswordAnswer);
  AnsiString IncompatibleFirmwareText() const;

  AnsiString FPassword;
  AnsiString FReleaseInfo;
  std::map<AnsiString, std::unique_ptr<TTalkPattern>> ServiceList;  // by upper-cased name
  bool PortOpenSuccess = false;
  bool FDeviceOnline = false;
  std::int32_t FPortIdent = 0;
  AnsiString FPortName;
  std::int32_t FDeviceMACID = 0;
  std::int32_t FDeviceIP = 0;
  AnsiString FDeviceIPv6;
  std::uint32_t FEthVersion = 4;
  std::uint32_t FDevicePort = 0;
  AnsiString FLoginData;
  std::uint8_t FProtocolVersion = 0, FDataFieldSize = 0, FAddrFieldSize = 0, FAddrIncrement = 0;
  std::uint8_t FMaxBufferSize = 0, FManualMaxBufferSize = 255;
  std::uint16_t FProcessorType = 0, FDeviceType = 0, FDeviceVersion = 0, FFlashType = 0;
  std::int32_t FFlashBaseAddr = 0;
  AnsiString FDeviceString;
  std::uint8_t FCommandSetVersion = 0;
  std::vector<TTalkListener*> ListenerList;  // not owned
  TWorkState WorkState = wsReady;
  TWorkResult WorkResult = wrWait;
  AnsiString WorkErrMsg;
  TMessageWriter MessageWriter;
  TMessageReader MessageReader;
  TMxQueue RxQueue;
  TMxSignal WorkSignal;
  bool RxWaiting = false;
  // Last: the tasks go first.
  TMxTask RxTask;
  TMxTask WorkTask;
};

template <class TPattern>
TPattern* TTalkService::AddService(const AnsiString& AName, std::uint8_t ATalkId) {
  CheckNewService(AName, TPattern::Kind);
  auto pattern = std::make_unique<TPattern>(this, ATalkId);
  TPattern* added = pattern.get();
  ServiceList.emplace(UpperCaseAnsi(AName), std::move(pattern));
  return added;
}

}  // namespace vt
