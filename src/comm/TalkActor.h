// Talk actors: the drive requests that travel together. A device service puts one
// record per request into an actor (through its telegram patterns), executes it, and
// gets one call of OnResponse once every answer is decoded into the records. The actor
// sends all records as one request message to the talk server and waits on its own
// queue for the one reply, with a task of the main scheduler, so that its service never
// blocks while the requests are on the wire.
//
// Threads: the GUI thread only; the actor needs no lock.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "comm/TalkClient.h"
#include "platform/TextConversion.h"
#include "runtime/MessageCoding.h"
#include "runtime/Messages.h"
#include "runtime/Tasks.h"

namespace vt {

// Empty, records put, request sent, answers decoded.
enum TActorState : std::uint8_t { astReady, astInit, astExecuting, astDone };

class TTalkActor;
using TActorEvent = std::function<void(TTalkActor* Actor)>;

// What every device service sees of an actor. Readers work on the current record (the
// read cursor); records are byte copies of a TServiceRecordHeader and a data part.
class TTalkActor {
 public:
  explicit TTalkActor(TTalkClient* ATalkClient) : FTalkClient(ATalkClient) {}
  virtual ~TTalkActor() = default;
  TTalkActor(const TTalkActor&) = delete;
  TTalkActor& operator=(const TTalkActor&) = delete;

  virtual const char* ClassName() const = 0;
  virtual TTalkServiceInterface* GetTalkService() const = 0;
  virtual void Clear() = 0;
  virtual void Execute() = 0;
  virtual void Reset() = 0;
  virtual void Next() = 0;
  virtual std::uint8_t GetResult() const = 0;
  virtual std::int32_t GetUser() const = 0;
  virtual std::uint8_t GetService() const = 0;
  virtual bool GetBusy() const = 0;
  virtual int GetIndex() const = 0;
  virtual int GetCount() const = 0;
  virtual void AddData(int RecSize, const void* DataRec) = 0;
  virtual void GetData(int RecSize, void* DataRec) const = 0;
  virtual void SetData(int RecSize, const void* DataRec) = 0;

  bool IsBusy() const { return GetBusy(); }
  int Count() const { return GetCount(); }
  TActorState Info() const { return FInfo; }
  // A caption its owner may set; the actor does not use it.
  const AnsiString& Name() const { return FName; }
  void SetName(AnsiString Value) { FName = std::move(Value); }

  TActorEvent OnResponse;

 protected:
  TActorState FInfo = astReady;
  AnsiString FName;
  TTalkClient* const FTalkClient;
};

class TTalkActorImplementation : public TTalkActor {
 public:
  // Needs the main scheduler (its task) and the message dispatcher (its queue).
  explicit TTalkActorImplementation(TTalkClient* ATalkClient);
  ~TTalkActorImplementation() override;

  const char* ClassName() const override { return "TTalkActorImplementation"; }
  // Past the last record: "%s.GetTalkService: tried to read at the end".
  TTalkServiceInterface* GetTalkService() const override;
  // Refused while busy: "TTalkActorImplementation.Clear: actor is busy".
  void Clear() override;
  // Sends every record as one request and returns at once. Refused while busy:
  // "%s.Execute: actor is busy"; a record that cannot be encoded is raised with the
  // actor left as it was.
  void Execute() override;
  // "TTalkActorImplementation.Reset: actor is busy".
  void Reset() override;
  // "%s.Next: actor is busy"; on the last record "%s.Next: end of data set".
  void Next() override;
  // Past the last record these three raise "Index Error".
  std::uint8_t GetResult() const override;
  std::int32_t GetUser() const override;
  std::uint8_t GetService() const override;
  bool GetBusy() const override { return FBusy; }
  int GetIndex() const override { return FGetIndex; }
  int GetCount() const override { return FCount; }
  // Appends a record of RecSize bytes, which becomes the current one. Refused while
  // busy: "%s.PutData: actor is busy"; above 65535 bytes: "%s.PutData: record size is %d bytes".
  void AddData(int RecSize, const void* DataRec) override;
  // The first RecSize bytes of the current record. Past the last: "%s.GetData: no more
  // entries"; more than the record holds: "%s.GetData: record size is %d bytes".
  void GetData(int RecSize, void* DataRec) const override;
  // Overwrites the first RecSize bytes: "%s.SetData: end of data set", "%s.SetData:
  // record size is %d bytes".
  void SetData(int RecSize, const void* DataRec) override;

  // Cleared by Execute, set when the answers are decoded: tasks may wait for the actor.
  TMxSignal& Signal() { return FSignal; }
  // Bytes allocated for records.
  int MaximumSize() const { return FMaximumSize; }

 private:
  // The task's step: the first only starts the wait, each later one takes a reply.
  void Work(TMxTask* Sender);
  void Receive();
  // Decodes every record from Reply; a record that fails and those after it get 0xBF.
  void Decode(TMxMessage* Reply);
  void Respond();
  void SetResult(std::uint8_t Status);
  // The current record's header; past the last record raises Error.
  TServiceRecordHeader Header(const char* Error) const;
  int RecordSize() const;
  // The cursor without the checks of Reset and Next.
  void First();
  void Advance();

  bool FBusy = false;
  int FCurrentSize = 0;
  int FMaximumSize = 0;
  int FCount = 0;
  int FGetIndex = 0;
  int AccessPointer = 0;  // the current record's offset in DataPointer
  // Records back to back, each a 16-bit size (little-endian) and its bytes.
  std::vector<std::uint8_t> DataPointer;
  TMessageWriter MessageWriter;
  TMessageReader MessageReader;
  TMxSignal FSignal;
  TMxQueue ResponseQueue;  // before Task: the task goes first
  TMxTask Task;
  bool FWaiting = false;
};

}  // namespace vt
