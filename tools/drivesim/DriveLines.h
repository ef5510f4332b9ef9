// The drives on their lines: a drive on a pseudo-terminal speaks the serial frame
// (0xA5, length, 8-bit sum, payload), optionally paced at a baud rate; a drive on UDP
// takes one payload per datagram and answers its sender. Both play the faults asked for.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "DriveModel.h"
#include "EventLoop.h"
#include "Options.h"

namespace drivesim {

// What every line shares: the model, the request and answer counts, the faults that do
// not depend on the line, and the unsolicited frames.
class TDrive {
 public:
  TDrive(std::string Name, const TOptions& Options, TEventLoop& Loop);
  virtual ~TDrive() = default;
  TDrive(const TDrive&) = delete;
  TDrive& operator=(const TDrive&) = delete;

  // What the drive prints for the test that started it.
  virtual std::string Describe() const = 0;
  // Sets one of this drive's faults or state values ("name=value"); they start as the
  // command line gave them and may change at any time between two events.
  bool Set(const std::string& NameValue, std::string& Error);

 protected:
  // A request that arrived whole at ReadyAt.
  void Request(std::string_view Payload, TClock::time_point ReadyAt);
  // An answer whose frame sum was wrong: only the command byte is known.
  void ChecksumError(std::string_view Payload, TClock::time_point ReadyAt);
  // Sends an answer or an unsolicited frame; AnswerNumber counts answers from 1
  // (0 for unsolicited frames, which play no faults).
  virtual void Send(const std::string& Payload, TClock::time_point Due, int AnswerNumber) = 0;
  static bool Every(int N, int Count) { return N > 0 && Count % N == 0; }

  const std::string FName;
  const TOptions& FOptions;
  TFaults FFaults;
  TEventLoop& FLoop;

 private:
  // The answer as the faults change it, and the busy answer that goes before it.
  void Answer(std::string Answer, TClock::time_point ReadyAt);
  void Reply(std::string Answer, TClock::time_point ReadyAt);
  void Unsolicited();

  TDriveModel FModel;
  int FRequests = 0;
  std::map<std::string, int> FCounts;  // requests by command (and mode), "88 11"
  int FAnswers = 0;
  int FUnsolicited = 0;
  TClock::time_point FSilentUntil{};
};

class TPtyDrive : public TDrive {
 public:
  TPtyDrive(std::string Name, const TOptions& Options, TEventLoop& Loop);
  ~TPtyDrive() override;
  std::string Describe() const override { return "pty " + FSlavePath; }

 protected:
  void Send(const std::string& Payload, TClock::time_point Due, int AnswerNumber) override;

 private:
  void Read();
  void TakeFrames(TClock::time_point ReadyAt);
  // Writes Bytes at the moment their last byte would have left the paced line.
  void Write(std::string Bytes, TClock::time_point Due);
  TClock::duration ByteTime() const;

  int FMaster = -1;
  int FSlave = -1;  // kept open: the client may close and reopen its end
  std::string FSlavePath;
  std::string FInput;
  TClock::time_point FLineInFree{};
  TClock::time_point FLineOutFree{};
};

class TUdpDrive : public TDrive {
 public:
  // Address: the loopback address to listen on.
  TUdpDrive(std::string Name, const TOptions& Options, TEventLoop& Loop, bool Ipv6, const std::string& Address,
            std::uint16_t Port);
  ~TUdpDrive() override;
  std::string Describe() const override;

 protected:
  void Send(const std::string& Payload, TClock::time_point Due, int AnswerNumber) override;

 private:
  void Read();

  const bool FIpv6;
  const std::string FAddress;
  int FSocket = -1;
  std::uint16_t FPort = 0;
  // The last sender: answers and unsolicited frames go there.
  std::string FPeer;  // a sockaddr_in or sockaddr_in6, as bytes
};

}  // namespace drivesim
