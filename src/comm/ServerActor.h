// A request executor of the talk server. It takes one request message from the
// server's request queue, and for each entry obtains the device link, sends the frame,
// waits for the answer, sends again on silence, on a mismatched answer or (when the
// user wants it) on a drive checksum error, waits longer while the drive answers busy,
// walks the computer's network cards while the drive stays silent, and writes one reply
// entry. The reply goes back to the requester once every entry is done.
//
// Threads: a task of the talk scheduler; it reaches other threads only through queues
// and the link's semaphore.
#pragma once

#include <cstdint>
#include <string>

#include "comm/CardList.h"
#include "runtime/MessageCoding.h"
#include "runtime/Messages.h"
#include "runtime/Tasks.h"

namespace vt {

class TTalkDevice;
class TTalkServer;

class TServerActor {
 public:
  TServerActor(TMxQueue* ARequestQueue, TTalkServer* AServer, TMxScheduler* AScheduler);
  ~TServerActor();
  TServerActor(const TServerActor&) = delete;
  TServerActor& operator=(const TServerActor&) = delete;

 private:
  enum TState : std::uint8_t {
    stWaitForRequest,  // 0
    stSendReply,       // 1
    stNextEntry,       // 2
    stSend,            // 3
    stEvaluate,        // 4
    stWriteEntry,      // 5
  };

  void Execute(TMxTask* Sender);
  void Step(TMxTask* Sender);
  void TakeRequest(TMxTask* Sender);
  void SendReply();
  void NextEntry(TMxTask* Sender);
  std::uint8_t ObtainLink(TMxTask* Sender);
  void ChooseCard();
  void Send(TMxTask* Sender);
  void Evaluate(TMxTask* Sender);
  void NoAnswer();
  void Resend();
  void WriteReplyEntry(TMxTask* Sender);
  void ReleaseCommandByte();
  // The link was closed while this executor owned it or waited for it.
  bool LinkClosed() const;

  TState State = stWaitForRequest;
  TMxQueue* const RequestQueue;
  TTalkServer* const Server;
  TMessageReader MessageReader;  // the request
  TMessageWriter MessageWriter;  // the reply
  TMxQueue InputQueue;           // the answers; not logged on
  TMxTask Task;
  TTalkDevice* CurrentDevice = nullptr;
  // Whether the link routes answers of Service to InputQueue.
  bool ServiceAssigned = false;
  std::int32_t Pattern = 0;
  std::int32_t Device = 0;
  std::uint8_t Service = 0;
  std::uint8_t TalkRes = 0;
  bool FRepeatChecksum = false;
  std::string SendBuffer;
  std::string ReceiveBuffer;
  int NumberOfTries = 0;
  int NumberOfCardTries = 0;
  TNetworkCardList Cards;  // this entry's copy
  AnsiString CardName;
};

}  // namespace vt
