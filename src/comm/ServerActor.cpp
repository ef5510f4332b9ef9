// A request executor of the talk server; see ServerActor.h.
#include "comm/ServerActor.h"

#include "comm/CommLimits.h"
#include "comm/SharedLinkState.h"
#include "comm/TalkDevices.h"
#include "comm/TalkMessages.h"
#include "comm/TalkServer.h"
#include "runtime/Conversions.h"
#include "runtime/DebugLog.h"
#include "runtime/ProcessGlobal.h"

namespace vt {

TServerActor::TServerActor(TMxQueue* ARequestQueue, TTalkServer* AServer, TMxScheduler* AScheduler)
    : RequestQueue(ARequestQueue), Server(AServer), Task(AScheduler, "ServerActor.Create") {
  Task.OnExecute = [this](TMxTask* Sender) { Execute(Sender); };
  Task.Start();
}

TServerActor::~TServerActor() = default;

// One state per step.
void TServerActor::Execute(TMxTask* Sender) {
  // Nothing more is sent while the program ends; the executor idles without spinning.
  if (MainFormExitRequest) return Sender->Sleep(ExitIdleSleep);
  try {
    Step(Sender);
  } catch (...) {
    // An executor that ended here would keep its link for good: the entry fails instead.
    LogInfo(CurrentExceptionText() + " - ServerActor.Create");
    if (State == stSend || State == stEvaluate || State == stNextEntry) {
      TalkRes = StatusExecutorNoLink;
      State = stWriteEntry;
    }
  }
}

void TServerActor::Step(TMxTask* Sender) {
  switch (State) {
    case stWaitForRequest:
      return TakeRequest(Sender);
    case stSendReply:
      return SendReply();
    case stNextEntry:
      return NextEntry(Sender);
    case stSend:
      return Send(Sender);
    case stEvaluate:
      return Evaluate(Sender);
    case stWriteEntry:
      return WriteReplyEntry(Sender);
  }
}

// The executors share the queue; each message wakes the one that waited longest.
void TServerActor::TakeRequest(TMxTask* Sender) {
  TMxMessage* request = RequestQueue->GetMessage();
  if (!request) return Sender->WaitFor(RequestQueue, MxNoTimeout);
  MessageReader.SetItem(request);
  MessageWriter.CreateMessage();
  MessageWriter.GetItem()->SetReceiverFromSender(request);
  State = stNextEntry;
}

void TServerActor::SendReply() {
  MessageReader.DestroyMessage();
  State = stWaitForRequest;
  try {
    RequestQueue->SendMessage(MessageWriter.GetItem());
  } catch (...) {
    // The requester went away; the dispatcher has dropped the reply.
    LogInfo(CurrentExceptionText() + " - ServerActor.Create");
  }
}

void TServerActor::NextEntry(TMxTask* Sender) {
  const AnsiString command = MessageReader.GetCommand();
  Pattern = command.empty() ? 0 : static_cast<std::int32_t>(Hex32ToInt(command));
  if (Pattern == 0) {
    State = stSendReply;
    return;
  }
  Device = MsgGetInt(MessageReader);
  SendBuffer = MsgGetStr(MessageReader);
  Service = SendBuffer.empty() ? 0 : static_cast<std::uint8_t>(SendBuffer[0]);
  ReceiveBuffer.clear();
  // An answer that came after this executor's last entry was done (a drive that answers
  // twice) must not pass for this entry's answer, which may be another drive's.
  while (TMxMessage* stale = InputQueue.GetMessage()) TMxMessage::Free(stale);
  TalkRes = ObtainLink(Sender);
  State = TalkRes == 0 ? stSend : stWriteEntry;
  if (TalkRes == 0) ChooseCard();
}

// The wait for the link's semaphore is recorded here; the next step runs once this
// executor owns the link.
std::uint8_t TServerActor::ObtainLink(TMxTask* Sender) {
  if (CurrentDevice) return StatusExecutorNoLink;
  TTalkDevice* link = Server->LinkWithHandle(Device);
  if (!link) return StatusNoLink;
  CurrentDevice = link;
  FRepeatChecksum = RepeatChecksum();
  link->ObtainDevice(Sender, MxNoTimeout);
  return 0;
}

// Serial and IPv4 links send the same way through every card: without cards they send
// as with one. An IPv6 link cannot send without a card.
void TServerActor::ChooseCard() {
  NumberOfTries = 0;
  Cards = FillIpList();
  if (Cards.empty()) {
    TPortDriver* port = CurrentDevice->PortDriver();
    if (port && port->PortType() == "ETH_v6") {
      TalkRes = StatusUdpSendFailed;
      State = stWriteEntry;
      return;
    }
    Cards.emplace_back();
  }
  const int last = CurrentDevice->LastSuccessETHCard();
  NumberOfCardTries = last < static_cast<int>(Cards.size()) ? last : 0;
  CardName = Cards[NumberOfCardTries].IPv6;
}

bool TServerActor::LinkClosed() const { return CurrentDevice && Server->IsClosed(CurrentDevice); }

void TServerActor::Send(TMxTask* Sender) {
  if (LinkClosed()) {
    TalkRes = StatusNoLink;
    State = stWriteEntry;
    return;
  }
  ++NumberOfTries;
  CurrentDevice->AssignCurrentService(&InputQueue, Service);
  ServiceAssigned = true;
  TalkRes = CurrentDevice->Output(Sender, SendBuffer, CardName);
  if (TalkRes != 0) {
    State = stWriteEntry;
    return;
  }
  Sender->WaitFor(&InputQueue, Service == LoginCommand ? loginTimeout.load() : shortTimeout.load());
  State = stEvaluate;
}

void TServerActor::Evaluate(TMxTask* Sender) {
  if (LinkClosed()) {
    TalkRes = StatusNoLink;
    State = stWriteEntry;
    return;
  }
  if (TMxMessage* answer = InputQueue.GetMessage()) {
    ReceiveBuffer = answer->GetText();
    TMxMessage::Free(answer);
    CurrentDevice->SetLastSuccessETHCard(NumberOfCardTries);
  } else {
    ReceiveBuffer.clear();
    CurrentDevice->SetLastSuccessETHCard(0);
  }
  if (ReceiveBuffer.empty()) return NoAnswer();
  const bool tryLeft = NumberOfTries < CurrentDevice->NumberOfTries();
  if (static_cast<std::uint8_t>(ReceiveBuffer[0]) != Service) {
    // Left over from an earlier send. After the last try it is no answer either.
    if (tryLeft) return Resend();
    TalkRes = StatusNoAnswer;
    State = stWriteEntry;
    return;
  }
  TalkRes = ReceiveBuffer.size() > 1 ? static_cast<std::uint8_t>(ReceiveBuffer[1]) : 0;
  if (TalkRes == DriveStatusBusy) {
    // The link and the command byte stay: the real answer follows on the same queue.
    const std::int64_t wait =
        ReceiveBuffer.size() > 2 ? static_cast<std::uint8_t>(ReceiveBuffer[2]) * 1000LL : extendedTimeout.load();
    return Sender->WaitFor(&InputQueue, wait);
  }
  if (TalkRes == DriveStatusChecksumError && FRepeatChecksum && tryLeft) return Resend();
  State = stWriteEntry;
}

// N sends through each card, from the starting one to the last.
void TServerActor::NoAnswer() {
  TalkRes = StatusNoAnswer;
  if (NumberOfTries < CurrentDevice->NumberOfTries()) return Resend();
  if (NumberOfCardTries < static_cast<int>(Cards.size()) - 1) {
    NumberOfTries = 0;
    CardName = Cards[++NumberOfCardTries].IPv6;
    return Resend();
  }
  State = stWriteEntry;
}

void TServerActor::Resend() {
  ReleaseCommandByte();
  State = stSend;
}

void TServerActor::WriteReplyEntry(TMxTask* Sender) {
  MessageWriter.PutCommand(IntToHexText(Pattern));
  MsgPutInt(TalkRes, MessageWriter);
  if (ReplyCarriesFrame(TalkRes)) MsgPutStr(ReceiveBuffer, MessageWriter);
  ReleaseCommandByte();
  if (CurrentDevice) Server->ReleaseLink(CurrentDevice, Sender);
  CurrentDevice = nullptr;
  State = stNextEntry;
}

void TServerActor::ReleaseCommandByte() {
  if (!ServiceAssigned) return;
  CurrentDevice->ReleaseCurrentService(&InputQueue);
  ServiceAssigned = false;
}

}  // namespace vt
