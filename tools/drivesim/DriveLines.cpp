// The drives on their lines; see DriveLines.h.
#include "DriveLines.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "FrameLog.h"

namespace drivesim {

namespace {

constexpr std::uint8_t FrameStart = 0xA5;
// Pieces of a split write leave this far apart: far below any inter-byte gap a client
// would take for the end of a frame, but enough for it to read them separately.
constexpr auto SplitGap = std::chrono::milliseconds(2);

[[noreturn]] void Die(const std::string& What) {
  std::fprintf(stderr, "drivesim: %s: %s\n", What.c_str(), std::strerror(errno));
  std::exit(1);
}

std::uint8_t Sum(std::string_view Bytes) {
  std::uint8_t s = 0;
  for (unsigned char c : Bytes) s = static_cast<std::uint8_t>(s + c);
  return s;
}

std::string Frame(std::string_view Payload, std::uint8_t SumOffset) {
  std::string f{static_cast<char>(FrameStart), static_cast<char>(Payload.size()),
                static_cast<char>(Sum(Payload) + SumOffset)};
  return f.append(Payload);
}

}  // namespace

// ---- Every line ----

TDrive::TDrive(std::string Name, const TOptions& Options, TEventLoop& Loop)
    : FName(std::move(Name)), FOptions(Options), FFaults(Options.Faults), FLoop(Loop), FModel(Options, FName) {
  if (FFaults.UnsolicitedMs > 0)
    FLoop.At(TClock::now() + std::chrono::milliseconds(FFaults.UnsolicitedMs), [this] { Unsolicited(); });
}

namespace {

// Counts a "next N" fault down; true while it plays.
bool Next(int& Count) {
  if (Count <= 0) return false;
  --Count;
  return true;
}

}  // namespace

bool TDrive::Set(const std::string& NameValue, std::string& Error) {
  if (!SetControl(FFaults, FModel.State(), NameValue, Error)) return false;
  if (std::exchange(FModel.State().LogCountsNext, false))
    for (const auto& [kind, count] : FCounts) LogFrame(FName, "count " + kind + ": " + std::to_string(count), "");
  return true;
}

void TDrive::Request(std::string_view Payload, TClock::time_point ReadyAt) {
  LogFrame(FName, "in", Payload);
  if (Payload.empty()) return;
  // Parameter telegrams count by their mode: a list read apart from a single one.
  const bool byMode = Payload.size() > 1 && (Payload[0] == '\x88' || Payload[0] == '\x89');
  char kind[8];
  std::snprintf(kind, sizeof kind, byMode ? "%02X %02X" : "%02X", static_cast<std::uint8_t>(Payload[0]),
                byMode ? static_cast<std::uint8_t>(Payload[1]) : 0);
  ++FCounts[kind];
  TFaults& f = FFaults;
  ++FRequests;
  if (ReadyAt < FSilentUntil) return LogFrame(FName, "silent (rebooting)", Payload);
  if (f.RebootAfter > 0 && FRequests == f.RebootAfter) {
    FModel.Reboot();
    FSilentUntil = ReadyAt + std::chrono::milliseconds(f.RebootForMs);
    return LogFrame(FName, "reboot", Payload);
  }
  if (f.Silent || Every(f.SilentEvery, FRequests) || Next(f.SilentNext)) return LogFrame(FName, "silent", Payload);
  if (auto answer = FModel.Answer(Payload)) Answer(std::move(*answer), ReadyAt);
}

void TDrive::Answer(std::string Answer, TClock::time_point ReadyAt) {
  TFaults& f = FFaults;
  const char command = Answer[0];
  if (Next(f.ChecksumErrorNext)) Answer = {command, static_cast<char>(StatusChecksumError)};
  if (Next(f.WrongCommandNext)) Answer[0] = static_cast<char>(command + 1);
  if (f.ErrorStatus >= 0) Answer[1] = static_cast<char>(f.ErrorStatus);
  if (f.AnotherInstance && command == '\x01') Answer = {command, static_cast<char>(StatusAnotherInstance)};
  if (Next(f.BusyNext)) {
    std::string busy{command, static_cast<char>(StatusBusy)};
    if (f.BusySeconds >= 0) busy += static_cast<char>(f.BusySeconds);
    Reply(busy, ReadyAt);
    ReadyAt += std::chrono::milliseconds(f.BusyForMs);
  }
  if (Next(f.DuplicateNext)) Reply(Answer, ReadyAt);
  Reply(std::move(Answer), ReadyAt);
}

void TDrive::ChecksumError(std::string_view Payload, TClock::time_point ReadyAt) {
  LogFrame(FName, "in (checksum error)", Payload);
  if (Payload.empty() || ReadyAt < FSilentUntil || FFaults.Silent) return;
  Reply(std::string{Payload[0], static_cast<char>(StatusChecksumError)}, ReadyAt);
}

void TDrive::Reply(std::string Answer, TClock::time_point ReadyAt) {
  Send(Answer, ReadyAt + std::chrono::milliseconds(FFaults.DelayMs), ++FAnswers);
}

void TDrive::Unsolicited() {
  if (FFaults.UnsolicitedMs <= 0) return;  // switched off while it ran
  const std::string frame{'\xF0', '\x00', static_cast<char>(++FUnsolicited)};
  if (TClock::now() >= FSilentUntil && !FFaults.Silent) Send(frame, TClock::now(), 0);
  FLoop.At(TClock::now() + std::chrono::milliseconds(FFaults.UnsolicitedMs), [this] { Unsolicited(); });
}

// ---- Pseudo-terminal ----

TPtyDrive::TPtyDrive(std::string Name, const TOptions& Options, TEventLoop& Loop)
    : TDrive(std::move(Name), Options, Loop) {
  FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (FMaster < 0 || grantpt(FMaster) < 0 || unlockpt(FMaster) < 0) Die("posix_openpt");
  FSlavePath = ptsname(FMaster);
  FSlave = open(FSlavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (FSlave < 0) Die(FSlavePath);
  termios t{};
  tcgetattr(FSlave, &t);
  cfmakeraw(&t);  // no echo, no CR/LF change: the client may open it as it is
  tcsetattr(FSlave, TCSANOW, &t);
  FLoop.Watch(FMaster, [this] { Read(); });
}

TPtyDrive::~TPtyDrive() {
  close(FSlave);
  close(FMaster);
}

TClock::duration TPtyDrive::ByteTime() const {
  if (FOptions.Baud == 0) return TClock::duration::zero();
  return std::chrono::duration_cast<TClock::duration>(std::chrono::nanoseconds(10'000'000'000LL / FOptions.Baud));
}

void TPtyDrive::Read() {
  char buffer[4096];
  const ssize_t n = read(FMaster, buffer, sizeof buffer);
  if (n <= 0) return;
  // The bytes took their time on the line: a request is whole when its last byte is in.
  FLineInFree = std::max(FLineInFree, TClock::now()) + n * ByteTime();
  FInput.append(buffer, n);
  TakeFrames(FLineInFree);
}

void TPtyDrive::TakeFrames(TClock::time_point ReadyAt) {
  for (;;) {
    const auto start = FInput.find(static_cast<char>(FrameStart));
    if (start == std::string::npos) return FInput.clear();
    FInput.erase(0, start);
    if (FInput.size() < 3) return;
    const std::size_t length = static_cast<std::uint8_t>(FInput[1]);
    if (FInput.size() < 3 + length) return;
    const std::string payload = FInput.substr(3, length);
    const bool good = Sum(payload) == static_cast<std::uint8_t>(FInput[2]);
    FInput.erase(0, 3 + length);
    if (good)
      Request(payload, ReadyAt);
    else
      ChecksumError(payload, ReadyAt);
  }
}

void TPtyDrive::Send(const std::string& Payload, TClock::time_point Due, int AnswerNumber) {
  const TFaults& f = FFaults;
  const bool answer = AnswerNumber > 0;
  if (answer && Every(f.StrayStartEvery, AnswerNumber)) {
    LogFrame(FName, "out (stray start byte)", std::string(1, static_cast<char>(FrameStart)));
    Write(std::string(1, static_cast<char>(FrameStart)), Due);
  }
  if (answer && Every(f.ZeroFrameEvery, AnswerNumber)) {
    LogFrame(FName, "out (zero length frame)", "");
    Write(Frame("", 0), Due);
  }
  const bool badSum = answer && Every(f.BadSumEvery, AnswerNumber);
  const std::string frame = Frame(Payload, badSum ? 1 : 0);
  LogFrame(FName, badSum ? "out (wrong sum)" : answer ? "out" : "out (unsolicited)", Payload);
  if (!f.SplitWrites || frame.size() < 5) return Write(frame, Due);
  // The header, one payload byte, the rest.
  Write(frame.substr(0, 3), Due);
  Write(frame.substr(3, 1), Due + SplitGap);
  Write(frame.substr(4), Due + 2 * SplitGap);
}

void TPtyDrive::Write(std::string Bytes, TClock::time_point Due) {
  const TClock::time_point start = std::max(Due, FLineOutFree);
  FLineOutFree = start + static_cast<long>(Bytes.size()) * ByteTime();
  FLoop.At(FLineOutFree, [this, bytes = std::move(Bytes)] {
    // Nobody reading: the bytes are lost, as on a line without a listener.
    [[maybe_unused]] auto n = write(FMaster, bytes.data(), bytes.size());
  });
}

// ---- UDP ----

TUdpDrive::TUdpDrive(std::string Name, const TOptions& Options, TEventLoop& Loop, bool Ipv6,
                     const std::string& Address, std::uint16_t Port)
    : TDrive(std::move(Name), Options, Loop), FIpv6(Ipv6), FAddress(Address) {
  FSocket = socket(Ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (FSocket < 0) Die("socket");
  sockaddr_storage address{};
  socklen_t size;
  if (Ipv6) {
    auto& a = reinterpret_cast<sockaddr_in6&>(address);
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    a.sin6_port = htons(Port);
    size = sizeof a;
  } else {
    auto& a = reinterpret_cast<sockaddr_in&>(address);
    a.sin_family = AF_INET;
    if (inet_pton(AF_INET, Address.c_str(), &a.sin_addr) != 1) {
      errno = EINVAL;
      Die(Address);
    }
    a.sin_port = htons(Port);
    size = sizeof a;
  }
  if (bind(FSocket, reinterpret_cast<sockaddr*>(&address), size) < 0) Die("bind");
  size = sizeof address;
  getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &size);
  FPort = ntohs(Ipv6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                     : reinterpret_cast<sockaddr_in&>(address).sin_port);
  FLoop.Watch(FSocket, [this] { Read(); });
}

TUdpDrive::~TUdpDrive() { close(FSocket); }

std::string TUdpDrive::Describe() const {
  return (FIpv6 ? "udp6 " : "udp4 ") + FAddress + " " + std::to_string(FPort);
}

void TUdpDrive::Read() {
  char buffer[65536];
  sockaddr_storage from{};
  socklen_t size = sizeof from;
  const ssize_t n = recvfrom(FSocket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
  if (n < 0) return;
  FPeer.assign(reinterpret_cast<const char*>(&from), size);
  Request(std::string_view(buffer, n), TClock::now());
}

void TUdpDrive::Send(const std::string& Payload, TClock::time_point Due, int AnswerNumber) {
  if (FPeer.empty()) return;  // nobody asked yet
  LogFrame(FName, AnswerNumber > 0 ? "out" : "out (unsolicited)", Payload);
  FLoop.At(Due, [this, Payload, peer = FPeer] {
    sendto(FSocket, Payload.data(), Payload.size(), 0, reinterpret_cast<const sockaddr*>(peer.data()),
           static_cast<socklen_t>(peer.size()));
  });
}

}  // namespace drivesim
