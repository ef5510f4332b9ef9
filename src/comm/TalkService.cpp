// The talk service; see TalkService.h.
#include "comm/TalkService.h"

#include <algorithm>
#include <cctype>

#include "comm/CommLimits.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkMessages.h"
#include "comm/TalkServer.h"
#include "comm/TelegramPatterns.h"
#include "devices/Device.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/Conversions.h"
#include "runtime/DebugLog.h"
#include "runtime/MD5Digests.h"
#include "runtime/Translations.h"

namespace vt {

namespace {

// The info byte of each request: the talk server answers with the same one, so that the
// receive step knows what a reply answers.
enum TRequestInfo : std::uint8_t {
  infoOpen = 1,
  infoClose = 2,
  infoLogin = 3,
  infoLogout = 4,
  infoUnsolicited = 5,  // frames the drive sends unasked
  infoPassword = 6,
  infoReleaseInfo = 7,
};

// The firmware release text: 32 bytes at this drive address.
constexpr std::uint32_t ReleaseInfoAddress = 0xA2001F48;
constexpr std::uint8_t ReleaseInfoSize = 0x20;
constexpr std::size_t PasswordSize = 16;
// The password parameters of the users USER and SERVICE, read with get parameter, mode 0.
constexpr std::uint8_t GetParameterCommand = 0x88;
constexpr std::uint16_t UserPasswordUPID = 0x0CC0;
constexpr std::uint16_t ServicePasswordUPID = 0x0CC5;
// Devices of this profile admit only the users DEVELOPER and SERVICE.
constexpr const char* ServiceOnlyProfile = "ZIZADUVUREZEDAVE";
constexpr const char* WrongPassword = "Wrong password!";
constexpr const char* WrongUserName = "Wrong user name!";

bool KnownProtocol(std::uint8_t Version) { return Version == 0x80 || Version == 0x90 || Version == 0xA0; }

// The bytes up to the first 0x00 of Size bytes from the third byte of an answer.
AnsiString AnswerText(const std::string& Frame, std::size_t Size) {
  const std::string text = Frame.size() > 2 ? Frame.substr(2, Size) : std::string();
  return text.substr(0, text.find('\0'));
}

}  // namespace

TTalkService::TTalkService(TDevice* AOwner, TSLDictionary* AProfDict)
    : TDeviceService(AOwner, AProfDict), RxTask("TalkService.RxTask"), WorkTask("TalkService.WorkTask") {
  RxQueue.LogOn(0);
  RxTask.OnExecute = [this](TMxTask* Sender) { Receive(Sender); };
  RxTask.Start();
  WorkTask.OnExecute = [this](TMxTask* Sender) { Work(Sender); };
  WorkTask.Start();
}

TTalkService::~TTalkService() {
  while (!ListenerList.empty()) {
    TTalkListener* listener = ListenerList.back();
    try {
      listener->Disconnect();
    } catch (...) {
    }
    // A listener that was connected elsewhere meanwhile is left, but not kept here.
    std::erase(ListenerList, listener);
  }
}

// ---- Device service operations ----

void TTalkService::Initialize() {
  FPortName = WideToAnsi(FOwner->GetStrVar(u"PortName"));
  FDeviceMACID = FOwner->DeviceMACID;
  FDeviceIP = FOwner->DeviceIP;
  FDeviceIPv6 = WideToAnsi(FOwner->DeviceIPv6);
  FEthVersion = FOwner->EthVersion;
  FDevicePort = FOwner->DevicePort;
  FLoginData = WideToAnsi(FOwner->GetStrVar(u"LoginData"));
  FManualMaxBufferSize = static_cast<std::uint8_t>(ManualBufferSize());
}

void TTalkService::StartUp(bool& Wait) {
  if (FServiceStatus != dsStopped) return;
  if (OnlineDevice()) {
    SetServiceStatus(dsStarting);
    Wait = true;
    WorkState = wsOpenDevice;
  } else {
    SetServiceStatus(dsStarted);
    WorkState = wsReady;
  }
  WorkSignal.SetReady(true);
}

void TTalkService::ShutDown(bool& Wait) {
  if (FServiceStatus != dsStarted && FServiceStatus != dsError) {
    Wait = false;
    return;
  }
  SetServiceStatus(dsStopping);
  Wait = true;
  WorkState = wsLogout;
  WorkSignal.SetReady(true);
}

void TTalkService::ChangeToOffline(bool& Wait) {
  if (FServiceStatus != dsStarted && FServiceStatus != dsError) return;
  Wait = FDeviceOnline;
  if (!FDeviceOnline) return;
  WorkState = wsChangeToOfflineDevice;
  WorkSignal.SetReady(true);
}

void TTalkService::Kill() { throw Exception("kill not implemented"); }

std::uint32_t TTalkService::CloseSerialPort(std::uint32_t ABaudRate) {
  return TalkServer() ? TalkServer()->ClosePortWithBaudrate(FPortName, ABaudRate) : 0;
}

void TTalkService::ReopenSerialPort() {
  if (TalkServer()) TalkServer()->ReopenPort(FPortName);
}

void TTalkService::DoGetStrVar(const AnsiString& VarName, AnsiString& Value, bool& Found) {
  if (VarName == "FlashBaseAddr")
    Value = std::to_string(FFlashBaseAddr);
  else if (VarName == "TalkVersion")
    Value = std::to_string(FProtocolVersion);
  else if (VarName == "MaxBufferSize")
    Value = std::to_string(FMaxBufferSize);
  else if (VarName == "DeviceType")
    Value = std::to_string(FDeviceType);
  else
    return;
  Found = true;
}

// ---- Named patterns and listeners ----

void TTalkService::CheckNewService(const AnsiString& AName, const TTalkPatternClass& APattern) const {
  if (!TalkClient() || !TalkClient()->IsPatternRegistered(&APattern))
    throw Exception(Format("%s.AddService: pattern %s is not registered", ClassName(), APattern.ClassName()));
  if (ServiceList.count(UpperCaseAnsi(AName)))
    throw Exception(Format("%s.AddService: service %s already exists", ClassName(), AName));
}

TTalkPattern* TTalkService::GetService(const AnsiString& AName) const {
  const auto it = ServiceList.find(UpperCaseAnsi(AName));
  return it == ServiceList.end() ? nullptr : it->second.get();
}

void TTalkService::AddListener(TTalkListener* Listener) {
  if (std::find(ListenerList.begin(), ListenerList.end(), Listener) != ListenerList.end())
    throw Exception("TTalkService.AddListener: listener already in list");
  ListenerList.push_back(Listener);
}

void TTalkService::RemoveListener(TTalkListener* Listener) {
  const auto it = std::find(ListenerList.begin(), ListenerList.end(), Listener);
  if (it == ListenerList.end()) throw Exception("TTalkService.AddListener: listener isn't in list");
  ListenerList.erase(it);
}

// ---- The work task ----

bool TTalkService::OnlineDevice() const { return FOwner->DeviceType() == dtOnline; }

AnsiString TTalkService::UserName() const { return WideToAnsi(FOwner->GetStrVar(u"UserName")); }

// A step that fails (a request that cannot be sent, login data that are no number) ends
// in the error state rather than ending the task, which would leave the device starting;
// a failure of the error state itself is only logged.
void TTalkService::Work(TMxTask* Sender) {
  const TWorkState state = WorkState;
  try {
    WorkStep(Sender);
  } catch (...) {
    if (state == wsError) return LogError(CurrentExceptionText());
    WorkErrMsg = CurrentExceptionText();
    WorkState = wsError;
  }
}

void TTalkService::WaitForSignal(TMxTask* Sender) {
  WorkSignal.SetReady(false);
  Sender->WaitFor(&WorkSignal, MxNoTimeout);
}

void TTalkService::Request(TMxTask* Sender, TWorkState Next, void (TTalkService::*Send)()) {
  WorkResult = wrWait;
  (this->*Send)();
  WorkState = Next;
  WaitForSignal(Sender);
}

bool TTalkService::Waiting(TMxTask* Sender) {
  if (WorkResult != wrWait) return false;
  WaitForSignal(Sender);
  return true;
}

bool TTalkService::Succeeded() {
  if (WorkResult == wrSuccess) return true;
  WorkState = wsError;
  return false;
}

void TTalkService::Online(TDeviceServiceStatus Status, TWorkState Next) {
  SetServiceStatus(Status);
  WorkState = Next;
}

// One step per wake-up; a step that moves on without a request runs the next at once.
void TTalkService::WorkStep(TMxTask* Sender) {
  switch (WorkState) {
    case wsReady:
      return WaitForSignal(Sender);
    case wsOpenDevice:
      PortOpenSuccess = false;
      return Request(Sender, wsWaitForOpen, &TTalkService::SendOpen);
    case wsWaitForOpen:
      if (Waiting(Sender) || !Succeeded()) return;
      PortOpenSuccess = true;
      WorkState = wsLoginDevice;
      return;
    case wsLoginDevice:
      if (!FLoginData.empty()) return LoginWithFixedData();
      return Request(Sender, wsWaitForLogin, &TTalkService::SendLogin);
    case wsWaitForLogin:
      if (Waiting(Sender)) return;
      if (WorkResult == wrUnknownProtocol)
        WorkErrMsg = Format("0x%.2x: Unknown talk protocol version!", FProtocolVersion);
      if (Succeeded()) WorkState = wsReadReleaseInfo;
      return;
    case wsReadReleaseInfo:
      return Request(Sender, wsWaitForReleaseInfo, &TTalkService::SendReleaseInfo);
    case wsWaitForReleaseInfo:
      if (Waiting(Sender) || !Succeeded()) return;
      return CheckUser();
    case wsReadPassword:
      return Request(Sender, wsWaitForPassword, &TTalkService::SendPassword);
    case wsWaitForPassword:
      if (Waiting(Sender) || !Succeeded()) return;
      return PasswordChecked();
    case wsError:
      return Error();
    case wsCloseDevice:
      if (!OnlineDevice()) return Online(dsStopped, wsReady);
      return Request(Sender, wsWaitForClose, &TTalkService::SendClose);
    case wsWaitForClose:
      if (Waiting(Sender) || !Succeeded()) return;
      return Online(dsStopped, wsReady);
    case wsLogout:
      return Logout(Sender);
    case wsWaitForLogout:
      if (Waiting(Sender)) return;
      return Request(Sender, wsWaitForClose, &TTalkService::SendClose);
    case wsChangeToOfflineDevice:
      if (FOwner->SendLogout)
        return Request(Sender, wsWaitForCloseChangeToOfflineDevice, &TTalkService::SendLogout);
      return Request(Sender, wsWaitForCloseOffline, &TTalkService::SendClose);
    case wsWaitForCloseChangeToOfflineDevice:
      if (Waiting(Sender)) return;
      return Request(Sender, wsWaitForCloseOffline, &TTalkService::SendClose);
    case wsWaitForCloseOffline:
      if (Waiting(Sender)) return;
      return Online(dsStarted, wsReady);
  }
}

// "LoginData": A, D, address increment and buffer size as four hexadecimal pairs, for
// drives whose login answer is known beforehand; no telegram.
void TTalkService::LoginWithFixedData() {
  const bool hex = FLoginData.size() == 8 &&
                   std::all_of(FLoginData.begin(), FLoginData.end(), [](char c) { return std::isxdigit(c & 0xFF); });
  if (!hex) throw Exception(Format("Login data '%s' are not 8 hexadecimal digits!", FLoginData));
  const auto pair = [this](int Index) { return static_cast<std::uint8_t>(HexToInt(FLoginData.substr(Index * 2, 2))); };
  FProtocolVersion = 0x20;
  FAddrFieldSize = pair(0);
  FDataFieldSize = pair(1);
  FAddrIncrement = pair(2);
  FMaxBufferSize = pair(3);
  FProcessorType = FDeviceType = FDeviceVersion = FFlashType = 0;
  FFlashBaseAddr = 0;
  FDeviceString.clear();
  FDeviceOnline = true;
  Online(dsStarted, wsReady);
}

void TTalkService::CheckUser() {
  const AnsiString user = UpperCaseAnsi(UserName());
  if (UpperCaseAnsi(FOwner->ProfileName()) == ServiceOnlyProfile && user != "DEVELOPER" && user != "SERVICE") {
    WorkErrMsg = WrongUserName;
    WorkState = wsError;
  } else if (user == "DEVELOPER") {
    const bool match = CompareMD5(MD5Value(WideToAnsi(FOwner->GetStrVar(u"Password"))), pswDeveloper);
    if (match) return Online(dsStarted, wsReady);
    WorkErrMsg = WrongPassword;
    WorkState = wsError;
  } else if (user == "GUEST" || user.empty()) {
    Online(dsStarted, wsReady);
  } else if (user == "USER" || user == "SERVICE") {
    WorkState = wsReadPassword;
  } else {
    // No password parameter to ask the drive for.
    WorkErrMsg = WrongUserName;
    WorkState = wsError;
  }
}

void TTalkService::PasswordChecked() {
  if (FPassword == WideToAnsi(FOwner->GetStrVar(u"Password"))) return Online(dsStarted, wsReady);
  WorkErrMsg = WrongPassword;
  WorkState = wsError;
}

void TTalkService::Logout(TMxTask* Sender) {
  const TDeviceType type = FOwner->DeviceType();
  if (!PortOpenSuccess || (type != dtOnline && type != dtConnectionLost)) return Online(dsStopped, wsReady);
  if (type == dtConnectionLost) return Request(Sender, wsWaitForClose, &TTalkService::SendClose);
  if (UserName() == "DEVELOPER") LogInfo("Logout Device");
  Request(Sender, wsWaitForLogout, &TTalkService::SendLogout);
}

// A wrong password leaves the link open and logged in; any other failure closes it.
void TTalkService::Error() {
  SetServiceStatus(dsError);
  LogError(WorkErrMsg);
  WorkState = PortOpenSuccess && WorkErrMsg != WrongPassword ? wsCloseDevice : wsReady;
  if (FOwner->MessageOff == 1) {
    FOwner->MessageOff = 0;
    return;
  }
  MessageDlg(AnsiToWide(WorkErrMsg), mtError, MsgDlgButton(mbOK));
}

// ---- Requests ----

void TTalkService::SendOpen() {
  MessageWriter.CreateMessage();
  TMxMessage* message = MessageWriter.GetItem();
  try {
    MessageWriter.PutCommand("OpenDevice");
    MessageWriter.PutParameter(FPortName);
    MsgPutInt(FDeviceMACID, MessageWriter);
    MsgPutInt(static_cast<std::int32_t>(FEthVersion), MessageWriter);
    if (FEthVersion == 6)
      MessageWriter.PutParameter(FDeviceIPv6);
    else
      MsgPutInt(FDeviceIP, MessageWriter);
    MsgPutInt(static_cast<std::int32_t>(FDevicePort), MessageWriter);
    MsgPutInt(infoUnsolicited, MessageWriter);
  } catch (...) {
    TMxMessage::Free(message);  // an empty port name or address
    throw;
  }
  message->SetReceiver(TalkServerCommandIdent, TalkServerDomain, infoOpen);
  RxQueue.SendMessage(message);
}

// Once sent, the link is not ours any more: a close that fails is not tried again.
void TTalkService::SendClose() {
  PortOpenSuccess = false;
  FDeviceOnline = false;
  MessageWriter.CreateMessage();
  MessageWriter.PutCommand("CloseDevice");
  MsgPutInt(FPortIdent, MessageWriter);
  MsgPutInt(static_cast<std::int32_t>(FEthVersion), MessageWriter);
  MessageWriter.GetItem()->SetReceiver(TalkServerCommandIdent, TalkServerDomain, infoClose);
  RxQueue.SendMessage(MessageWriter.GetItem());
}

void TTalkService::SendLogin() { SendFrame(std::string(1, static_cast<char>(LoginCommand)), infoLogin); }

void TTalkService::SendLogout() { SendFrame("\x02", infoLogout); }

void TTalkService::SendReleaseInfo() {
  if (FAddrFieldSize != 3 && FAddrFieldSize != 4)
    throw Exception(Format("Release text: the drive's address field size %d is not supported!", FAddrFieldSize));
  std::string frame = "\x30";
  FrmPutInt(static_cast<std::int32_t>(ReleaseInfoAddress), FAddrFieldSize, frame);
  frame += static_cast<char>(ReleaseInfoSize);
  SendFrame(frame, infoReleaseInfo);
}

void TTalkService::SendPassword() {
  std::string frame{static_cast<char>(GetParameterCommand), 0x00};
  FrmPutInt(UpperCaseAnsi(UserName()) == "USER" ? UserPasswordUPID : ServicePasswordUPID, 2, frame);
  SendFrame(frame, infoPassword);
}

// A frame of its own: the command "FF", so that no pattern is involved.
void TTalkService::SendFrame(const std::string& Frame, std::uint8_t Info) {
  MessageWriter.CreateMessage();
  MessageWriter.PutCommand(IntToHexText(RawFrameTalkId));
  MsgPutInt(FPortIdent, MessageWriter);
  MsgPutStr(Frame, MessageWriter);
  MessageWriter.GetItem()->SetReceiver(TalkServerIdent, TalkServerDomain, Info);
  RxQueue.SendMessage(MessageWriter.GetItem());
}

// ---- The receive task ----

// The first step only starts the wait; each later one takes one reply. A reply that
// cannot be read is logged, never ends the task.
void TTalkService::Receive(TMxTask* Sender) {
  if (RxWaiting)
    if (TMxMessage* reply = RxQueue.GetMessage()) {
      try {
        Handle(reply);
      } catch (...) {
        LogInfo(CurrentExceptionText() + " - TalkService.RxTask");
      }
      MessageReader.DestroyMessage();
    }
  RxWaiting = true;
  Sender->WaitFor(&RxQueue, MxNoTimeout);
}

void TTalkService::Handle(TMxMessage* Reply) {
  MessageReader.SetItem(Reply);
  switch (Reply->Info) {
    case infoUnsolicited:
      return Unsolicited(Reply->GetText());
    case infoOpen:
      if (WorkState == wsWaitForOpen) OpenReply();
      break;
    case infoClose:
      if (WorkState == wsWaitForClose || WorkState == wsWaitForCloseOffline) CloseReply();
      break;
    case infoLogin:
      if (WorkState == wsWaitForLogin) LoginReply();
      break;
    case infoLogout:
      if (WorkState == wsWaitForLogout || WorkState == wsWaitForCloseChangeToOfflineDevice) LogoutReply();
      break;
    case infoPassword:
      PasswordReply();
      break;
    case infoReleaseInfo:
      ReleaseInfoReply();
      break;
    default:
      return;
  }
  WorkSignal.SetReady(true);
}

bool TTalkService::CommandSucceeded() {
  MessageReader.GetCommand();
  if (MessageReader.GetParameter() == "OK") return true;
  WorkErrMsg = MessageReader.GetParameter();
  WorkResult = wrError;
  return false;
}

void TTalkService::OpenReply() {
  if (!CommandSucceeded()) return;
  FPortIdent = static_cast<std::int32_t>(std::stol(MessageReader.GetParameter()));
  WorkResult = wrSuccess;
}

void TTalkService::CloseReply() {
  if (CommandSucceeded()) WorkResult = wrSuccess;
}

std::uint8_t TTalkService::ReadStatus(std::string& Frame) {
  MessageReader.GetCommand();
  const auto status = static_cast<std::uint8_t>(MsgGetInt(MessageReader));
  if (ReplyCarriesFrame(status)) Frame = MsgGetStr(MessageReader);
  return status;
}

void TTalkService::LoginReply() {
  std::string frame;
  const std::uint8_t status = ReadStatus(frame);
  if (status != 0) return Failed(status, false);
  ReadLoginAnswer(frame);
  WorkResult = KnownProtocol(FProtocolVersion) ? wrSuccess : wrUnknownProtocol;
}

void TTalkService::ReadLoginAnswer(const std::string& Frame) {
  const TLoginAnswer a = vt::ReadLoginAnswer(Frame);
  FProtocolVersion = a.ProtocolVersion;
  Init(FProtocolVersion);
  FAddrFieldSize = a.AddrFieldSize;
  FDataFieldSize = a.DataFieldSize;
  FAddrIncrement = a.AddrIncrement;
  FMaxBufferSize = std::min(a.MaxBufferSize, FManualMaxBufferSize);
  FProcessorType = a.ProcessorType;
  FDeviceType = a.DeviceType;
  FDeviceVersion = a.DeviceVersion;
  FFlashType = a.FlashType;
  FFlashBaseAddr = a.FlashBaseAddr;
  FDeviceString = a.DeviceString.Str();
  FCommandSetVersion = a.CommandSetVersion;
  FDeviceOnline = true;
}

void TTalkService::LogoutReply() {
  std::string frame;
  WorkResult = ReadStatus(frame) == 0 ? wrSuccess : wrError;
}

void TTalkService::PasswordReply() {
  std::string frame;
  const std::uint8_t status = ReadStatus(frame);
  if (status != 0) return Failed(status, true);
  FPassword = AnswerText(frame, PasswordSize);
  WorkResult = wrSuccess;
}

// Blanks and erased flash (0xFF) fill the text to its 32 bytes.
void TTalkService::ReleaseInfoReply() {
  std::string frame;
  const std::uint8_t status = ReadStatus(frame);
  if (status != 0) return Failed(status, false);
  FReleaseInfo = AnswerText(frame, ReleaseInfoSize);
  FReleaseInfo.erase(FReleaseInfo.find_last_not_of(" \xFF") + 1);
  WorkResult = wrSuccess;
}

void TTalkService::Unsolicited(const std::string& Frame) {
  if (Frame.empty()) return;
  const auto command = static_cast<std::uint8_t>(Frame[0]);
  // A copy: a listener may leave while it is told.
  const std::vector<TTalkListener*> listeners = ListenerList;
  for (TTalkListener* listener : listeners)
    if (listener->TalkId == command) listener->DoMessage(Frame);
}

void TTalkService::Failed(std::uint8_t Status, bool PasswordAnswer) {
  if (Status == StatusNoAnswer)
    WorkErrMsg = WideToAnsi(GetInfoSysText(FPortName == "ETH" ? u"DeviceTimeOutStrETH" : u"DeviceTimeOutStrRS"));
  else if (Status == DriveStatusAnotherInstance)
    WorkErrMsg = "Login aborted! Another instance is already logged into this drive!";
  else if (Status == DriveStatusUnknownParameter && PasswordAnswer)
    WorkErrMsg = IncompatibleFirmwareText();
  else
    WorkErrMsg = Format("Device error: %.2x!\r", Status);
  WorkResult = wrError;
  LogInfo("Error in TalkService.Work");
}

AnsiString TTalkService::IncompatibleFirmwareText() const {
  const AnsiString product = ProductInfos().Get("ProgramName") + " " + ProductInfos().Get("ProgramVersionCaption");
  return WideToAnsi(GetInfoSysTextFmt(
      u"IncompatibleFirmware",
      {AnsiToUtf8(product), AnsiToUtf8(FReleaseInfo), AnsiToUtf8(CompanyInfos().Get("HomePage"))},
      u"Press the reset button, then reinstall the firmware"));
}

}  // namespace vt
