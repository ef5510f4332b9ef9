// The talk client; see TalkClient.h.
#include "comm/TalkClient.h"

#include <algorithm>

#include "comm/CommLimits.h"
#include "comm/TalkActor.h"
#include "comm/TalkMessages.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/Conversions.h"
#include "runtime/MessageCoding.h"
#include "runtime/ProcessGlobal.h"

namespace vt {

namespace {

TMxGlobal<TTalkClient> GTalkClient;

TServiceRecordHeader ReadHeader(const TTalkActor& Actor) {
  TServiceRecordHeader h;
  Actor.GetData(sizeof h, &h);
  return h;
}

}  // namespace

TTalkClient::TTalkClient() = default;

TTalkClient::~TTalkClient() = default;

void TTalkClient::RegisterTalkPattern(TTalkPatternClass* APattern) {
  if (IsPatternRegistered(APattern))
    throw Exception(Format("%s.RegisterTalkPattern: %s is already registerd", ClassName(), APattern->ClassName()));
  if (PatternList.size() >= MaxTalkPatterns)
    throw Exception(Format("%s.RegisterTalkPattern: pattern list is full", ClassName()));
  PatternList.push_back(APattern);
  APattern->SetPatternId(static_cast<std::uint8_t>(PatternList.size()));
}

TTalkPatternClass* TTalkClient::GetTalkPattern(int APatternId) const {
  if (APatternId < 1 || APatternId > static_cast<int>(PatternList.size()))
    throw Exception(Format("%s.GetTalkPattern: no pattern with id %d", ClassName(), APatternId));
  return PatternList[APatternId - 1];
}

bool TTalkClient::IsPatternRegistered(const TTalkPatternClass* APattern) const {
  return std::find(PatternList.begin(), PatternList.end(), APattern) != PatternList.end();
}

std::unique_ptr<TTalkActor> TTalkClient::GetActor() {
  if (ActorList.empty()) return std::make_unique<TTalkActorImplementation>(this);
  std::unique_ptr<TTalkActor> actor = std::move(ActorList.back());
  ActorList.pop_back();
  return actor;
}

void TTalkClient::PutActor(std::unique_ptr<TTalkActor>& Actor) {
  if (!dynamic_cast<TTalkActorImplementation*>(Actor.get())) throw Exception("wrong actor class type");
  Actor->Clear();
  ActorList.push_back(std::move(Actor));
}

void TTalkClient::PutRequestData(TTalkActor& Actor, TMessageWriter& Writer) {
  const TServiceRecordHeader h = ReadHeader(Actor);
  // Looked up first: a record of a kind that is not registered writes nothing.
  const TTalkPatternClass* pattern = GetTalkPattern(h.TalkPat);
  if (!h.TalkSrv) throw Exception(Format("%s.PutRequestData: record without talk service", ClassName()));
  Writer.PutCommand(IntToHexText(h.TalkPat));
  MsgPutInt(h.TalkSrv->PortHandle(), Writer);
  std::string frame;
  if (h.TalkIdt != RawFrameTalkId) frame += static_cast<char>(h.TalkIdt);
  pattern->SetRequestFrameData(Actor, frame);
  MsgPutStr(frame, Writer);
}

void TTalkClient::GetResponseData(TMessageReader& Reader, TTalkActor& Actor) {
  TServiceRecordHeader h = ReadHeader(Actor);
  const AnsiString command = Reader.GetCommand();
  if (command.empty()) return;
  if (Hex32ToInt(command) != h.TalkPat) throw Exception("TServicePattern.GetResponseData: wrong pattern id");
  const auto status = static_cast<std::uint8_t>(MsgGetInt(Reader));
  if (ReplyCarriesFrame(status)) {
    const std::string frame = MsgGetStr(Reader);
    GetTalkPattern(h.TalkPat)->GetResponseFrameData(frame, Actor);
    return;
  }
  // No frame: the data part keeps what it was put with.
  h.TalkRes = status;
  Actor.SetData(sizeof h, &h);
}

TTalkClient* TalkClient() { return GTalkClient.Get(); }

void CreateTalkClient() { GTalkClient.Create("CreateTalkClient: talk client already exists"); }

void FreeTalkClient() { GTalkClient.Free(); }

// ---- Listeners ----

TTalkListener::~TTalkListener() {
  try {
    Disconnect();
  } catch (...) {
  }
}

void TTalkListener::Connect(TTalkServiceInterface* ATalkService) {
  Disconnect();
  ATalkService->AddListener(this);
  FTalkService = ATalkService;
}

void TTalkListener::Disconnect() {
  if (!FTalkService) return;
  TTalkServiceInterface* service = FTalkService;
  FTalkService = nullptr;
  service->RemoveListener(this);
}

void TTalkListener::DoMessage(const std::string& Frame) {
  if (OnMessage) OnMessage(Frame, Info);
}

}  // namespace vt
