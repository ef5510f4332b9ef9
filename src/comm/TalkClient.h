// The talk client: the one object through which the device services reach the drives.
// It keeps the registry of telegram pattern kinds (a kind's id is its position plus
// one), a pool of idle talk actors, and turns an actor's records into the entries of
// one request message for the talk server and the server's reply entries back into the
// records. Also the receiver of frames that a drive sends unasked.
//
// Threads: the GUI thread only (the main scheduler's tasks); the messages are all the
// talk server's thread ever sees of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

class TMessageReader;
class TMessageWriter;
class TTalkActor;
class TTalkListener;

// What the talk client, the patterns and the listeners read of a device's talk service.
class TTalkServiceInterface {
 public:
  virtual ~TTalkServiceInterface() = default;
  // The device handle of the service's link at the talk server.
  virtual std::int32_t PortHandle() const = 0;
  // The widths of the drive's address and data fields, from its login answer.
  virtual std::uint8_t AddrFieldSize() const = 0;
  virtual std::uint8_t DataFieldSize() const = 0;
  // The largest frame the drive takes or sends, and whether the values above are valid.
  virtual std::uint8_t MaxBufferSize() const = 0;
  virtual bool DeviceOnline() const = 0;
  virtual void AddListener(TTalkListener* Listener) = 0;
  virtual void RemoveListener(TTalkListener* Listener) = 0;
};

// A record's talk id when the pattern supplies the whole frame, command byte included.
inline constexpr std::uint8_t RawFrameTalkId = 0xFF;

// The header of every record in a talk actor; the pattern's data part follows it.
// Records are copied as bytes, so a data part holds no owning members.
struct TServiceRecordHeader {
  std::uint8_t TalkPat = 0;  // the pattern id of the kind that wrote the record
  std::uint8_t TalkIdt = 0;  // the command byte, or RawFrameTalkId
  TTalkServiceInterface* TalkSrv = nullptr;
  std::uint8_t TalkRes = 0;  // the answer's status: the drive's, or the talk server's
  std::int32_t TalkUsr = 0;  // the caller's own, carried unchanged
};

// One kind of telegram pattern: its pattern id, which the whole kind shares, and the
// operations that work from a record alone. Each kind has one static object of this.
class TTalkPatternClass {
 public:
  explicit TTalkPatternClass(AnsiString AClassName) : FClassName(std::move(AClassName)) {}
  virtual ~TTalkPatternClass() = default;
  TTalkPatternClass(const TTalkPatternClass&) = delete;
  TTalkPatternClass& operator=(const TTalkPatternClass&) = delete;

  const AnsiString& ClassName() const { return FClassName; }
  // 0 while not registered.
  std::uint8_t GetPatternId() const { return PatternIdentifier; }
  void SetPatternId(std::uint8_t Id) { PatternIdentifier = Id; }
  // Appends the request fields of the actor's current record to Frame, which holds the
  // command byte already (nothing for a raw record).
  virtual void SetRequestFrameData(TTalkActor& Actor, std::string& Frame) const = 0;
  // Decodes an answer frame (command, status, data) into the actor's current record,
  // its status included.
  virtual void GetResponseFrameData(const std::string& Frame, TTalkActor& Actor) const = 0;

 private:
  const AnsiString FClassName;
  std::uint8_t PatternIdentifier = 0;
};

class TTalkClient {
 public:
  TTalkClient();
  // Frees the pooled actors; the pattern kinds are not the client's.
  ~TTalkClient();
  TTalkClient(const TTalkClient&) = delete;
  TTalkClient& operator=(const TTalkClient&) = delete;

  const char* ClassName() const { return "TTalkClient"; }

  // Raises "%s.RegisterTalkPattern: %s is already registerd" and, with 255 kinds listed,
  // "%s.RegisterTalkPattern: pattern list is full".
  void RegisterTalkPattern(TTalkPatternClass* APattern);
  // Raises "%s.GetTalkPattern: no pattern with id %d".
  TTalkPatternClass* GetTalkPattern(int APatternId) const;
  bool IsPatternRegistered(const TTalkPatternClass* APattern) const;

  // The actor given back last, or a new one.
  std::unique_ptr<TTalkActor> GetActor();
  // Clears the actor and pools it (Actor is empty afterwards). Raises "wrong actor
  // class type" for another kind of actor and the actor's own refusal of Clear while it
  // is busy; then the caller keeps it.
  void PutActor(std::unique_ptr<TTalkActor>& Actor);

  // Writes the request entry of the actor's current record.
  void PutRequestData(TTalkActor& Actor, TMessageWriter& Writer);
  // Reads the next reply entry into the actor's current record; none left: the record
  // stays as it is. Raises "TServicePattern.GetResponseData: wrong pattern id".
  void GetResponseData(TMessageReader& Reader, TTalkActor& Actor);

 private:
  std::vector<TTalkPatternClass*> PatternList;
  std::vector<std::unique_ptr<TTalkActor>> ActorList;
};

// The one talk client of the program, none until created (after the talk server).
TTalkClient* TalkClient();
// Raises "CreateTalkClient: talk client already exists".
void CreateTalkClient();
void FreeTalkClient();

using TTalkListenerEvent = std::function<void(const std::string& Frame, std::int32_t Info)>;

// Receives the frames of one talk service that the drive sends unasked and that begin
// with TalkId.
class TTalkListener {
 public:
  TTalkListener() = default;
  ~TTalkListener();
  TTalkListener(const TTalkListener&) = delete;
  TTalkListener& operator=(const TTalkListener&) = delete;

  // Leaves a previous service first; the service's refusal is raised, and the listener
  // then stays disconnected.
  void Connect(TTalkServiceInterface* ATalkService);
  void Disconnect();
  void DoMessage(const std::string& Frame);
  TTalkServiceInterface* TalkService() const { return FTalkService; }

  std::uint8_t TalkId = 0;
  std::int32_t Info = 0;
  TTalkListenerEvent OnMessage;

 private:
  TTalkServiceInterface* FTalkService = nullptr;
};

}  // namespace vt
