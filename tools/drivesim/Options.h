// drivesim's command line: the drives to serve, the fields of their login answer, the
// firmware's info nodes, line pacing, the drive's status and the link faults to play;
// status and faults can be changed while it runs.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "DriveImage.h"

namespace drivesim {

enum class TLineKind { Pty, Udp4, Udp6 };

struct TEndpoint {
  TLineKind Kind = TLineKind::Pty;
  std::uint16_t Port = 0;  // UDP: 0 lets the system choose
  std::string Address;     // UDP over IPv4: a loopback address, 127.0.0.1 by default
  std::string Link{};      // pseudo-terminal: a symbolic link made to it while it runs
};

// The fields of the login answer, in their order on the wire.
struct TLoginFields {
  std::uint8_t ProtocolVersion = 0x80;
  std::uint8_t AddrFieldSize = 4;  // 3 or 4
  std::uint8_t DataFieldSize = 4;  // 2 or 4
  std::uint8_t AddrIncrement = 1;  // a word spans this many address units: 1, 2 or 4, at most D
  std::uint8_t MaxBufferSize = 255;
  std::uint16_t ProcessorType = 0x0001;
  std::uint16_t DeviceType = 0x0C01;
  std::uint16_t DeviceVersion = 0x0100;
  std::uint16_t FlashType = 0x0001;
  std::uint32_t FlashBaseAddr = 0x00100000;
  std::string DeviceString = "Vorlix Sim";
  int CommandSetVersion = 1;  // -1: the answer ends without it
};

// Every count is 0 when off; "every N" means requests (answers) N, 2N, 3N, ...; "next N"
// means the next N requests, counted down as they come.
struct TFaults {
  int SilentEvery = 0;     // no answer
  int DelayMs = 0;         // every answer this late
  int BadSumEvery = 0;     // serial: wrong frame sum
  bool SplitWrites = false;  // serial: header, one byte, the rest, each a write of its own
  int StrayStartEvery = 0;   // serial: a lone 0xA5 before the answer
  int ZeroFrameEvery = 0;    // serial: a frame of length 0 before the answer
  int UnsolicitedMs = 0;     // a frame F0 00 <counter> this often, unasked
  int RebootAfter = 0;       // after this many requests the drive reboots:
  int RebootForMs = 0;       // silent this long, RAM cleared
  int SilentNext = 0;        // no answer
  int BusyNext = 0;          // first a busy answer <command> 01 <seconds>, then the answer:
  int BusySeconds = 1;       //   the seconds named; -1: the two-byte busy answer <command> 01
  int BusyForMs = 500;       //   the answer this much later
  int ChecksumErrorNext = 0;  // the answer <command> EE: the drive saw a wrong sum
  int WrongCommandNext = 0;   // the answer with the command byte plus one
  int DuplicateNext = 0;      // the answer twice
  int ErrorStatus = -1;       // 0..255: every answer carries this status, its data kept
  bool AnotherInstance = false;  // another program is logged in: the login is answered B3
  bool Silent = false;           // no answer at all until switched off again
};

// What the drive reports of itself (get status) and how its chain of info nodes answers.
struct TDriveState {
  std::uint16_t StatusWord = 0x8009;        // on line, program present and running (bit 0)
  std::uint32_t SerialNumber = 0x00011234;  // answered as its low and high halves
  std::uint16_t PartNumber = 0x0C01;
  std::uint8_t SafetyByte = 0;  // the safety module's state
  int BadNode = 0;              // the Nth node of the chain (from 1) is found one byte too big
  bool LoopNodes = false;       // past the last node the search finds the first one again
  bool FailNodeReadNext = false;  // the next block read within a node answers 80
  // Values the drive itself changes (UPID, value), taken before the next request; each
  // also sets bit 6 of the status word at once.
  std::vector<std::pair<std::uint16_t, std::int64_t>> ParameterChanges;
  std::map<std::uint16_t, int> FailingReads;  // UPID: so many next reads answer 80
  bool PollUnknownNext = false;               // the next changed-parameter poll answers C5
  bool LogCountsNext = false;  // the log gets the count of requests per command so far
};

// Sets one fault or state value from "name=value" (without the leading "--"); false, with
// the reason in Error, for an unknown name or a bad value.
bool SetControl(TFaults& Faults, TDriveState& State, const std::string& NameValue, std::string& Error);

struct TOptions {
  std::vector<TEndpoint> Endpoints;
  std::uint32_t Baud = 0;  // 0: no pacing
  // The baud rates the drive offers (serial command 0F): bit 0 300 baud ... bit 15 921600.
  std::uint16_t BaudMask = 0x1E80;  // 9600, 19200, 38400, 57600, 115200
  TLoginFields Login;
  // The firmware's release text and the passwords of the users USER and SERVICE.
  std::string ReleaseText = "VX2 4.1.0 Sim";
  std::string UserPassword = "user";
  std::string ServicePassword = "service";
  bool PasswordParameters = true;  // false: a firmware without them (their UPIDs are unknown)
  TRelease Release = TRelease::Current;
  // Nodes after the sample firmware's, in the order given.
  std::vector<TInfoNode> ExtraNodes;
  // Parameters beside the sample firmware's (a UPID given again replaces its entry).
  std::vector<TImageParameter> ExtraParameters;
  // Drive variables: values in the working memory only, read in lists (88 12).
  std::vector<TImageParameter> Variables;
  TDriveState State;
  TFaults Faults;
  std::string LogPath;  // empty: stderr
};

// Exits with a message on a bad command line, and with the usage on --help.
TOptions ParseOptions(int argc, char** argv);

}  // namespace drivesim
