// Messages, the message pool, the dispatcher and message queues; see Messages.h.
#include "runtime/Messages.h"

#include "platform/Exceptions.h"
#include "runtime/ProcessGlobal.h"

namespace vt {

namespace {

TMxGlobal<TMxMessagePool> GMessagePool;
TMxGlobal<TMxMessageDispatcher> GDispatcher;

using TTaskLock = std::lock_guard<std::recursive_mutex>;

}  // namespace

// ---- Messages and their pool ----

TMxMessage* TMxMessage::Create() {
  TMxMessagePool* pool = GMessagePool.Get();
  if (!pool) throw Exception("TMxMessage.Create: no message pool");
  return pool->GetMessage();
}

void TMxMessage::Free(TMxMessage* Msg) {
  if (!Msg) return;
  if (TMxMessagePool* pool = GMessagePool.Get())
    pool->PutMessage(Msg);
  else
    delete Msg;
}

void TMxMessage::SetReceiver(std::uint16_t Ident, std::uint8_t Domain, std::uint8_t AInfo) {
  Receiver = {Ident, Domain};
  Info = AInfo;
}

void TMxMessage::SetReceiverFromSender(const TMxMessage* Msg) {
  Receiver = Msg->Sender;
  Info = Msg->Info;
}

void TMxMessage::Clear() { FBuffer.Clear(); }

void TMxMessage::AddByte(std::uint8_t B) { FBuffer.AddByte(B); }

AnsiString TMxMessage::GetText() const {
  std::lock_guard lock(ProtectStruct);
  AnsiString text;
  text.reserve(FBuffer.Size());
  // A cursor of its own: texts of different messages are read on several threads.
  std::int32_t left = FBuffer.Size();
  for (const TMxBufferSegment* s = FBuffer.Head(); s && left > 0; s = s->Next)
    for (int i = 0; i < MxBufferSegmentSize && left > 0; ++i, --left) text += static_cast<char>(s->GetByte(i));
  return text;
}

void TMxMessage::SetText(std::string_view Value) {
  std::lock_guard lock(ProtectStruct);
  FBuffer.Clear();
  for (char c : Value) FBuffer.AddByte(static_cast<std::uint8_t>(c));
}

TMxMessage* TMxMessagePool::GetMessage() {
  TMxMessage* m = FreeMessages.Get();
  m->FLinked = false;
  return m;
}

void TMxMessagePool::PutMessage(TMxMessage* Msg) {
  if (Msg->FLinked) throw Exception("TMxMessagePool.PutMessage: Message is in use");
  Msg->Clear();
  Msg->Sender = Msg->Receiver = {};
  Msg->Info = 0;
  Msg->FLinked = true;
  FreeMessages.Put(Msg);
}

void MxCreateMessagePool() { GMessagePool.Create("MxCreateMessagePool: pool already exists"); }

void MxFreeMessagePool() { GMessagePool.Free(); }

TMxMessagePool* MxMessagePool() { return GMessagePool.Get(); }

// ---- Nodes and the dispatcher ----

TMxMessageNode::~TMxMessageNode() {
  if (FDispatcher) FDispatcher->LogOffNode(this);
}

void TMxMessageNode::LogOn(TMxMessageDispatcher* ADispatcher, std::uint8_t Domain) {
  if (FDispatcher) throw Exception(std::string(ClassName()) + ".LogOn: node is already logged on");
  ADispatcher->LogOnNode(this, Domain);
  FDispatcher = ADispatcher;
}

void TMxMessageNode::LogOff() {
  if (!FDispatcher) throw Exception(std::string(ClassName()) + ".LogOff: node is not logged on");
  FDispatcher->LogOffNode(this);
  FDispatcher = nullptr;
}

void TMxMessageNode::MessageEvent(TMxMessage* Msg) {
  Msg->Receiver.Domain = 0;
  if (!OnMsgEvent) {
    TMxMessage::Free(Msg);  // nobody would ever take it
    throw Exception("TMxMessageNode: OnMsgEvent not assigned");
  }
  OnMsgEvent(Msg);
}

void TMxMessageNode::SendMessage(TMxMessage* Msg) {
  if (!FDispatcher) {
    TMxMessage::Free(Msg);  // a sent message is the sender's no more, whatever happens
    throw Exception(std::string(ClassName()) + ".SendMessage: node is not logged on");
  }
  if (FDomain == 0) Msg->Sender.Ident = FIdent;
  Msg->Sender.Domain = FDomain;
  FDispatcher->SendMessage(Msg);
}

void TMxMessageDispatcher::SendMessage(TMxMessage* Msg) {
  TMxMessageNode* node = nullptr;
  const char* missing;
  std::lock_guard lock(ProtectTables);
  if (Msg->Receiver.Domain != 0) {
    node = DomainTable[Msg->Receiver.Domain];
    missing = "Message receiver domain doesn't exist";
  } else {
    if (Msg->Receiver.Ident < NodeList.size()) node = NodeList[Msg->Receiver.Ident];
    missing = "Message receiver node doesn't exist";
  }
  if (!node) {
    TMxMessage::Free(Msg);
    throw Exception(missing);
  }
  node->MessageEvent(Msg);
}

void TMxMessageDispatcher::LogOnNode(TMxMessageNode* Node, std::uint8_t Domain) {
  if (Domain != 0) {
    RegisterDomain(Domain, Node);
    Node->FIdent = 0;
    Node->FDomain = Domain;
    return;
  }
  std::lock_guard lock(ProtectTables);
  std::size_t ident = 0;
  if (FNodeCount < static_cast<int>(NodeList.size())) {
    while (NodeList[ident]) ++ident;
    NodeList[ident] = Node;
  } else {
    ident = NodeList.size();
    NodeList.push_back(Node);
  }
  ++FNodeCount;
  Node->FIdent = static_cast<std::uint16_t>(ident);
  Node->FDomain = 0;
}

void TMxMessageDispatcher::LogOffNode(TMxMessageNode* Node) {
  if (Node->FDomain != 0) {
    UnregisterDomain(Node->FDomain, Node);
  } else {
    std::lock_guard lock(ProtectTables);
    if (Node->FIdent >= NodeList.size() || NodeList[Node->FIdent] != Node)
      throw Exception("MessageDispatcher: node log off failed");
    NodeList[Node->FIdent] = nullptr;
    --FNodeCount;
  }
  Node->FIdent = 0;
  Node->FDomain = 0;
}

void TMxMessageDispatcher::RegisterDomain(std::uint8_t Domain, TMxMessageNode* DomainNode) {
  std::lock_guard lock(ProtectTables);
  if (DomainTable[Domain]) throw Exception("RegisterDomain: domain ID conflict");
  DomainTable[Domain] = DomainNode;
}

void TMxMessageDispatcher::UnregisterDomain(std::uint8_t Domain, TMxMessageNode* DomainNode) {
  std::lock_guard lock(ProtectTables);
  if (DomainTable[Domain] != DomainNode) throw Exception("UnregisterDomain: domain not registered");
  DomainTable[Domain] = nullptr;
}

int TMxMessageDispatcher::NodeCount() const {
  std::lock_guard lock(ProtectTables);
  return FNodeCount;
}

void MxCreateMessageDispatcher() {
  GDispatcher.Create("MxCreateMessageDispatcher: dispatcher already exists");
}

void MxFreeMessageDispatcher() { GDispatcher.Free(); }

TMxMessageDispatcher* MxMessageDispatcher() { return GDispatcher.Get(); }

// ---- Queues ----

TMxQueue::~TMxQueue() {
  MessageNode.reset();
  while (TMxMessage* m = GetMessage()) TMxMessage::Free(m);
  Reset();
}

void TMxQueue::PutMessage(TMxMessage* Msg) {
  TTaskLock lock(MxTaskLock());
  if (Msg->FLinked) throw Exception("PutMessage Error");
  Msg->FLinked = true;
  Msg->Next = nullptr;
  if (Tail)
    Tail->Next = Msg;
  else
    Head = Msg;
  Tail = Msg;
  ++FMessageCount;
  if (TMxTask* oldest = OldestWaiting()) ResumeTask(oldest, eiSuccess);
}

TMxMessage* TMxQueue::GetMessage() {
  TTaskLock lock(MxTaskLock());
  TMxMessage* m = Head;
  if (!m) return nullptr;
  Head = m->Next;
  if (!Head) Tail = nullptr;
  m->Next = nullptr;
  m->FLinked = false;
  --FMessageCount;
  return m;
}

void TMxQueue::LogOn(std::uint8_t Domain) {
  if (MessageNode) throw Exception("TMxQueue.LogOn: Queue is already logged on");
  TMxMessageDispatcher* dispatcher = GDispatcher.Get();
  if (!dispatcher) throw Exception("TMxQueue.LogOn: no message dispatcher");
  auto node = std::make_unique<TMxMessageNode>();
  node->OnMsgEvent = [this](TMxMessage* Msg) { PutMessage(Msg); };
  node->LogOn(dispatcher, Domain);
  MessageNode = std::move(node);
}

void TMxQueue::LogOff() {
  if (!MessageNode) throw Exception("TMxQueue.LogOff: Queue is not logged on");
  MessageNode.reset();
}

void TMxQueue::SendMessage(TMxMessage* Msg) {
  if (!MessageNode) {
    TMxMessage::Free(Msg);  // as the dispatcher does with one it cannot deliver
    throw Exception("TMxQueue.SendMessage: Queue is not logged on");
  }
  MessageNode->SendMessage(Msg);
}

std::uint16_t TMxQueue::GetQueueIdent() const {
  if (!MessageNode) throw Exception("TMxQueue.QueueId: Queue is not logged on");
  return MessageNode->Ident();
}

int TMxQueue::MessageCount() const {
  TTaskLock lock(MxTaskLock());
  return FMessageCount;
}

}  // namespace vt
