// Talk actors; see TalkActor.h.
#include "comm/TalkActor.h"

#include <cstring>

#include "comm/CommLimits.h"
#include "comm/TalkMessages.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"

namespace vt {

namespace {

constexpr const char* TaskCaption = "TalkActorImplementation";

// Inside a catch block.
void LogFailure() { LogInfo(CurrentExceptionText() + " - " + TaskCaption); }

}  // namespace

TTalkActorImplementation::TTalkActorImplementation(TTalkClient* ATalkClient)
    : TTalkActor(ATalkClient), Task(TaskCaption) {
  ResponseQueue.LogOn(0);
  Task.OnExecute = [this](TMxTask* Sender) { Work(Sender); };
  Task.Start();
}

TTalkActorImplementation::~TTalkActorImplementation() = default;

// ---- Records ----

int TTalkActorImplementation::RecordSize() const {
  return DataPointer[AccessPointer] | DataPointer[AccessPointer + 1] << 8;
}

void TTalkActorImplementation::First() {
  FGetIndex = 0;
  AccessPointer = 0;
}

void TTalkActorImplementation::Advance() {
  if (FGetIndex >= FCount) return;
  AccessPointer += 2 + RecordSize();
  ++FGetIndex;
}

void TTalkActorImplementation::AddData(int RecSize, const void* DataRec) {
  if (FBusy) throw Exception(Format("%s.PutData: actor is busy", ClassName()));
  if (RecSize < 0 || RecSize > MaxActorRecordSize)
    throw Exception(Format("%s.PutData: record size is %d bytes", ClassName(), RecSize));
  const int needed = FCurrentSize + RecSize + 2;
  if (FMaximumSize < needed) {
    while (FMaximumSize < needed) FMaximumSize += ActorBufferStep;
    DataPointer.resize(FMaximumSize);
  }
  DataPointer[FCurrentSize] = static_cast<std::uint8_t>(RecSize & 0xFF);
  DataPointer[FCurrentSize + 1] = static_cast<std::uint8_t>(RecSize >> 8);
  if (RecSize > 0) std::memcpy(&DataPointer[FCurrentSize + 2], DataRec, RecSize);
  AccessPointer = FCurrentSize;
  FGetIndex = FCount;
  FCurrentSize = needed;
  ++FCount;
  FInfo = astInit;
}

void TTalkActorImplementation::GetData(int RecSize, void* DataRec) const {
  if (FGetIndex >= FCount) throw Exception(Format("%s.GetData: no more entries", ClassName()));
  const int size = RecordSize();
  if (RecSize < 0 || RecSize > size)
    throw Exception(Format("%s.GetData: record size is %d bytes", ClassName(), size));
  if (RecSize > 0) std::memcpy(DataRec, &DataPointer[AccessPointer + 2], RecSize);
}

void TTalkActorImplementation::SetData(int RecSize, const void* DataRec) {
  if (FGetIndex >= FCount) throw Exception(Format("%s.SetData: end of data set", ClassName()));
  const int size = RecordSize();
  if (RecSize < 0 || RecSize > size)
    throw Exception(Format("%s.SetData: record size is %d bytes", ClassName(), size));
  if (RecSize > 0) std::memcpy(&DataPointer[AccessPointer + 2], DataRec, RecSize);
}

TServiceRecordHeader TTalkActorImplementation::Header(const char* Error) const {
  if (FGetIndex >= FCount) throw Exception(Error);
  TServiceRecordHeader h;
  GetData(sizeof h, &h);
  return h;
}

TTalkServiceInterface* TTalkActorImplementation::GetTalkService() const {
  return Header(Format("%s.GetTalkService: tried to read at the end", ClassName()).c_str()).TalkSrv;
}

std::uint8_t TTalkActorImplementation::GetResult() const { return Header("Index Error").TalkRes; }

std::int32_t TTalkActorImplementation::GetUser() const { return Header("Index Error").TalkUsr; }

std::uint8_t TTalkActorImplementation::GetService() const { return Header("Index Error").TalkIdt; }

void TTalkActorImplementation::SetResult(std::uint8_t Status) {
  if (RecordSize() < static_cast<int>(sizeof(TServiceRecordHeader))) return;  // no header to mark
  TServiceRecordHeader h;
  GetData(sizeof h, &h);
  h.TalkRes = Status;
  SetData(sizeof h, &h);
}

void TTalkActorImplementation::Clear() {
  if (FBusy) throw Exception(Format("%s.Clear: actor is busy", ClassName()));
  FCurrentSize = 0;
  FCount = 0;
  First();
  // One step stays, so that a pooled actor normally fills it without reallocation.
  FMaximumSize = ActorBufferStep;
  DataPointer.resize(FMaximumSize);
  DataPointer.shrink_to_fit();
  FInfo = astReady;
}

void TTalkActorImplementation::Reset() {
  if (FBusy) throw Exception(Format("%s.Reset: actor is busy", ClassName()));
  First();
}

void TTalkActorImplementation::Next() {
  if (FBusy) throw Exception(Format("%s.Next: actor is busy", ClassName()));
  if (FGetIndex + 1 >= FCount) throw Exception(Format("%s.Next: end of data set", ClassName()));
  Advance();
}

// ---- Request and reply ----

void TTalkActorImplementation::Execute() {
  if (FBusy) throw Exception(Format("%s.Execute: actor is busy", ClassName()));
  const auto restore = [this, index = FGetIndex, access = AccessPointer] {
    FGetIndex = index;
    AccessPointer = access;
  };
  MessageWriter.CreateMessage();
  TMxMessage* request = MessageWriter.GetItem();
  try {
    First();
    for (int i = 0; i < FCount; ++i) {
      FTalkClient->PutRequestData(*this, MessageWriter);
      Advance();
    }
  } catch (...) {
    TMxMessage::Free(request);
    restore();
    throw;
  }
  request->SetReceiver(TalkServerIdent, TalkServerDomain, 0);
  // Through the response queue, which so becomes the reply's address. Without a talk
  // server the dispatcher drops the message and raises.
  try {
    ResponseQueue.SendMessage(request);
  } catch (...) {
    restore();
    throw;
  }
  FBusy = true;
  FInfo = astExecuting;
  FSignal.SetReady(false);
}

void TTalkActorImplementation::Work(TMxTask* Sender) {
  if (FWaiting) Receive();
  FWaiting = true;
  Sender->WaitFor(&ResponseQueue, MxNoTimeout);
}

// A failure here is logged and never ends the task: the actor would stay busy for good
// and its service would wait for ever.
void TTalkActorImplementation::Receive() {
  TMxMessage* reply = ResponseQueue.GetMessage();
  try {
    if (!FBusy) throw Exception(Format("%s.Work: unexpected response", ClassName()));
    if (!reply) throw Exception(Format("%s.Work: invalid response", ClassName()));
  } catch (...) {
    TMxMessage::Free(reply);
    return LogFailure();
  }
  Decode(reply);
  First();
  FBusy = false;
  FInfo = astDone;
  FSignal.SetReady(true);
  Respond();
}

void TTalkActorImplementation::Decode(TMxMessage* Reply) {
  MessageReader.SetItem(Reply);
  First();
  try {
    for (; FGetIndex < FCount; Advance()) FTalkClient->GetResponseData(MessageReader, *this);
  } catch (...) {
    LogFailure();
    for (; FGetIndex < FCount; Advance()) SetResult(StatusExecutorNoLink);
  }
  MessageReader.DestroyMessage();
}

void TTalkActorImplementation::Respond() {
  if (!OnResponse) return;
  try {
    OnResponse(this);
  } catch (...) {
    LogFailure();
  }
}

}  // namespace vt
