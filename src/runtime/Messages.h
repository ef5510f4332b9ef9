// Messages between tasks on different threads: pooled messages with sender and
// receiver addresses, the one dispatcher that routes a message to the receiver's queue
// in the sender's thread, and the message queue, a task control that wakes the oldest
// task waiting on it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/TextConversion.h"
#include "runtime/MessageBuffers.h"
#include "runtime/Tasks.h"

namespace vt {

struct TMxMsgAddr {
  std::uint16_t Ident = 0;
  std::uint8_t Domain = 0;  // 0: address by ident
};

class TMxMessage {
 public:
  // Takes a message from the global pool.
  static TMxMessage* Create();
  // Gives a message back to the pool; accepts none.
  static void Free(TMxMessage* Msg);

  void SetReceiver(std::uint16_t Ident, std::uint8_t Domain, std::uint8_t AInfo);
  // The reply address of a request: its sender, and its info byte.
  void SetReceiverFromSender(const TMxMessage* Msg);
  void Clear();
  void AddByte(std::uint8_t B);
  std::int32_t GetSize() const { return FBuffer.Size(); }
  AnsiString GetText() const;
  void SetText(std::string_view Value);
  TMxBuffer& Buffer() { return FBuffer; }

  TMxMsgAddr Sender;
  TMxMsgAddr Receiver;
  std::uint8_t Info = 0;  // free for the users

 private:
  friend class TMxMessagePool;
  friend class TMxQueue;
  template <class>
  friend class TMxFreeList;
  TMxMessage() = default;
  ~TMxMessage() = default;

  mutable std::mutex ProtectStruct;  // GetText, SetText
  TMxMessage* Next = nullptr;
  // In a queue or in the pool's free list; unlike a set Next it also holds for the
  // last message of a queue, so that such a message cannot be queued twice.
  bool FLinked = false;
  TMxBuffer FBuffer;
};

class TMxMessagePool {
 public:
  TMxMessage* GetMessage();
  // Raises "TMxMessagePool.PutMessage: Message is in use" for a queued or free message.
  void PutMessage(TMxMessage* Msg);
  int CountTotalMessages() const { return FreeMessages.CountTotal(); }
  int CountFreeMessages() const { return FreeMessages.CountFree(); }

 private:
  TMxFreeList<TMxMessage> FreeMessages;
};

void MxCreateMessagePool();
void MxFreeMessagePool();
TMxMessagePool* MxMessagePool();

class TMxMessageDispatcher;
using TMxMessageEvent = std::function<void(TMxMessage* Msg)>;

class TMxMessageNode {
 public:
  TMxMessageNode() = default;
  virtual ~TMxMessageNode();  // logs off
  TMxMessageNode(const TMxMessageNode&) = delete;
  TMxMessageNode& operator=(const TMxMessageNode&) = delete;

  virtual const char* ClassName() const { return "TMxMessageNode"; }
  void LogOn(TMxMessageDispatcher* ADispatcher, std::uint8_t Domain);
  void LogOff();
  // A message for this node: its receiver domain becomes 0, then OnMsgEvent.
  virtual void MessageEvent(TMxMessage* Msg);
  // Stamps the sender address and routes the message.
  void SendMessage(TMxMessage* Msg);
  std::uint16_t Ident() const { return FIdent; }
  std::uint8_t Domain() const { return FDomain; }
  bool LoggedOn() const { return FDispatcher != nullptr; }

  TMxMessageEvent OnMsgEvent;

 private:
  friend class TMxMessageDispatcher;
  std::uint16_t FIdent = 0;
  std::uint8_t FDomain = 0;
  TMxMessageDispatcher* FDispatcher = nullptr;
};

// Routes by receiver domain (a 256-entry table) or by ident (an index into the node
// list; a logged-off ident leaves a gap that the next log-on takes, lowest first).
// A message is handed to its node under the tables' lock, so that a node logs off (and
// may be freed) only between deliveries; the lock is re-entrant, so a node's handler may
// send, log on and log off on its own thread. It comes before the task lock: nobody
// sends, logs on or logs off while holding that (in a task's OnSuspend, OnResume or
// OnTimeout hook).
class TMxMessageDispatcher {
 public:
  // In the calling thread. A message with no node at its address is destroyed and
  // "Message receiver domain doesn't exist" or "Message receiver node doesn't exist" raised.
  void SendMessage(TMxMessage* Msg);
  void LogOnNode(TMxMessageNode* Node, std::uint8_t Domain);
  void LogOffNode(TMxMessageNode* Node);
  void RegisterDomain(std::uint8_t Domain, TMxMessageNode* DomainNode);
  void UnregisterDomain(std::uint8_t Domain, TMxMessageNode* DomainNode);
  int NodeCount() const;

 private:
  mutable std::recursive_mutex ProtectTables;  // both tables and every delivery
  std::vector<TMxMessageNode*> NodeList;
  int FNodeCount = 0;
  std::array<TMxMessageNode*, 256> DomainTable{};
};

void MxCreateMessageDispatcher();
void MxFreeMessageDispatcher();
TMxMessageDispatcher* MxMessageDispatcher();

// A FIFO of messages that tasks wait on. Its messages are guarded by the task lock,
// so that a put and the test-and-suspend of a wait are each one step.
class TMxQueue : public TMxTaskControl {
 public:
  TMxQueue() = default;
  // Logs off, gives queued messages back to the pool, releases waiters with eiReset.
  ~TMxQueue() override;

  // Appends and releases the oldest waiting task only. "PutMessage Error" for a message
  // that is already queued.
  void PutMessage(TMxMessage* Msg);
  // The oldest message, or none.
  TMxMessage* GetMessage();
  void LogOn(std::uint8_t Domain);
  void LogOff();
  void SendMessage(TMxMessage* Msg);
  std::uint16_t GetQueueIdent() const;
  int MessageCount() const;

 protected:
  bool TryGrant(TMxTask* Task) override { return FMessageCount > 0; }

 private:
  TMxMessage* Head = nullptr;
  TMxMessage* Tail = nullptr;
  int FMessageCount = 0;
  std::unique_ptr<TMxMessageNode> MessageNode;
};

}  // namespace vt
