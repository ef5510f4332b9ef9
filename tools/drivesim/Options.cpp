// drivesim's command line; see Options.h.
#include "Options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <stdexcept>
#include <string_view>

namespace drivesim {

namespace {

const char* const Usage = R"(usage: drivesim [drives] [options]
Drives (each may be given several times; at least one):
  --pty[=LINK]       a drive on a new pseudo-terminal (its path is printed); with LINK
                     a symbolic link there points to it until drivesim ends
  --udp4[=[ADDR:]PORT]  a drive on UDP 127.0.0.1 or another loopback address ADDR
                     (port 0 or none: the system chooses)
  --udp6[=PORT]      a drive on UDP ::1
Printed on stdout: "pty PATH", "udp4 ADDR PORT", "udp6 ::1 PORT" per drive, then "ready".
Login answer:
  --protocol=N --addr-size=2|3|4 --data-size=2|4 --increment=N --max-buffer=N
  --processor-type=N --device-type=N --device-version=N --flash-type=N --flash-base=N
  --device-string=TEXT --command-set=N (-1: none)
Firmware:
  --release=TEXT     the release text at A2001F48 (default "VX2 4.1.0 Sim")
  --user-password=TEXT --service-password=TEXT
                     the passwords of the users USER and SERVICE, parameters 0CC0
                     and 0CC5 (default "user", "service")
  --no-passwords     a firmware without the password parameters
  --firmware=older|current
                     the older release of the sample firmware (its servo application
                     3.1, bundled in Firmware/OlderReleases) or the current one
Line:
  --baud=N           pace the pseudo-terminal at N baud, 10 bits per byte, both ways
Faults ("every N" counts requests from the Nth on, "next N" the next N requests):
  --silent-every=N --delay=MS --bad-sum-every=N --split-writes --stray-a5-every=N
  --zero-frame-every=N --unsolicited=MS --reboot-after=N --reboot-for=MS
  --silent-next=N              no answer
  --busy-next=N --busy-seconds=S --busy-for=MS
                               first the busy answer <cmd> 01 S (S -1: <cmd> 01), the
                               answer MS later (default S 1, MS 500)
  --ee-next=N                  the answer <cmd> EE (the drive saw a wrong sum)
  --wrong-command-next=N       the answer with another command byte (<cmd> + 1)
  --duplicate-next=N           the answer twice
  --error-status=S             every answer carries status S, its data kept (-1: off)
  --another-instance=1         another program is logged in: a login is answered 01 B3
  --silent=1                   no answer at all until --silent=0
Drive state (get status 03: status word, serial number low and high, part number,
safety byte; start 20 sets bit 0 of the status word, stop 21 and reset 22 clear it):
  --status-word=N (default 0x8009) --serial=N (0x00011234) --part-number=N (0x0C01)
  --safety-byte=N (0)
Info nodes (find 25 and block reads 30; node type 0 finds any node, another only its
file type): the sample firmware's program node, its trees of levels 1 to 4, its
operating-system node, then
  --node=TYPE,SUBTYPE,SIZE[,NAME]  one more node of SIZE bytes (a tree node of type 5
                               from its complete name, else a file node named NAME)
  --bad-node=N                 the Nth node (from 1; 0 none) is found one byte too big
  --loop-nodes=1               past the last node the search finds the first one again
  --fail-node-read=1           the next block read within a node answers 80
Parameters (get 88 modes 00 stored, 01 working, 13 changed UPIDs; set 89 modes 02 both,
00 stored, 01 working, 03 default; each on the memories the parameter has):
  --change=UPID:VALUE          the drive changes a number parameter: status word bit 6
                               is set, the next poll (88 13) names the UPID and clears it
  --parameter=UPID,SIZE,USAGE,NUMBER  one more parameter: a number of SIZE bytes (1-8),
                               address usage USAGE, stored and working value NUMBER
  --text-parameter=UPID,SIZE,USAGE,TEXT  one more text parameter of at most SIZE bytes
                               (both: a UPID the firmware has already, such as the
                               drive's name 1000 or the module identity 6338 to 6341,
                               gets this entry in place of its own)
  --variables=FIRST,COUNT,SIZE COUNT drive variables of SIZE bytes (1-8) from UPID
                               FIRST on, working memory only, each holding its UPID x 3
  --fail-reads=UPID:N          the next N reads of the UPID answer 80 (0: none); a list
                               read naming it answers 80 and counts one
Parameter lists (88 11 stored, 88 12 working, then UPIDs): the values back to back, C0
when one is unknown; stored lists from command set 2 on (1 on for protocol 0x5x),
working lists from 3 on for protocol 0x60 and up (2 on for 0x5x), 80 else.
  --poll-c5=1                  the next poll answers C5: the drive cannot say what changed
  --running=1|0                the firmware runs (status word bit 0) or stands
  counts=1 (on standard input) the log gets one line "count CMD [MODE]: N" per kind of
                               request so far (88 and 89 by their mode byte)
While it runs, each line on standard input sets faults and state: "[DRIVE] name=value
...", DRIVE the drive's number in the order given (none: every drive); it answers "ok"
or "error: ...".
Other:
  --log=FILE         every frame in hexadecimal (default: stderr)
Answers: login 01, logout 02; RAM words 10, 11, 13, blocks 30, 31, strings 34, 35;
parameters 88, 89 of the sample firmware and the passwords (unknown UPIDs C0);
instance names 88 10; status 03, information nodes 25, first empty address 26; start,
stop, reset, erase, flash writes, blink, curve saves acknowledged (flash reads FF);
baud rates 0F (00 the rates offered, --baud-mask=N, bit 0 300 baud to bit 15 921600;
02 LOW HIGH sets one of them, logged as "baud rate N"); others get status 80.
)";

[[noreturn]] void Fail(const std::string& Message) {
  std::fprintf(stderr, "drivesim: %s\n%s", Message.c_str(), Usage);
  std::exit(2);
}

std::uint32_t Number(std::string_view Name, const std::string& Text, std::uint32_t Max) {
  char* end = nullptr;
  const unsigned long long v = std::strtoull(Text.c_str(), &end, 0);
  if (Text.empty() || *end || v > Max)
    throw std::invalid_argument("bad value for --" + std::string(Name) + ": " + Text);
  return static_cast<std::uint32_t>(v);
}

// "UPID:NUMBER", both in C notation, the number signed 64-bit.
std::pair<std::uint16_t, std::int64_t> UpidAndNumber(std::string_view Name, const std::string& Text) {
  const auto colon = Text.find(':');
  if (colon == std::string::npos) throw std::invalid_argument("bad value for --" + std::string(Name) + ": " + Text);
  const auto upid = static_cast<std::uint16_t>(Number(Name, Text.substr(0, colon), 0xFFFF));
  const std::string number = Text.substr(colon + 1);
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(number.c_str(), &end, 0);
  if (number.empty() || *end || errno == ERANGE)
    throw std::invalid_argument("bad value for --" + std::string(Name) + ": " + Text);
  return {upid, v};
}

using TSetter = std::function<void(const std::string&)>;
using TSetters = std::map<std::string, TSetter, std::less<>>;

TSetter Count(int& Field, const char* Name) {
  return [&Field, Name](const std::string& v) { Field = static_cast<int>(Number(Name, v, 1 << 30)); };
}

// A number or -1 (off).
TSetter CountOrOff(int& Field, const char* Name, std::uint32_t Max) {
  return [&Field, Name, Max](const std::string& v) {
    Field = v == "-1" ? -1 : static_cast<int>(Number(Name, v, Max));
  };
}

TSetters ControlSetters(TFaults& f, TDriveState& s) {
  return {
      {"status-word",
       [&](const std::string& v) { s.StatusWord = static_cast<std::uint16_t>(Number("status-word", v, 0xFFFF)); }},
      {"serial", [&](const std::string& v) { s.SerialNumber = Number("serial", v, 0xFFFFFFFF); }},
      {"part-number",
       [&](const std::string& v) { s.PartNumber = static_cast<std::uint16_t>(Number("part-number", v, 0xFFFF)); }},
      {"safety-byte",
       [&](const std::string& v) { s.SafetyByte = static_cast<std::uint8_t>(Number("safety-byte", v, 0xFF)); }},
      {"bad-node", Count(s.BadNode, "bad-node")},
      {"loop-nodes", [&](const std::string& v) { s.LoopNodes = v != "0"; }},
      {"fail-node-read", [&](const std::string& v) { s.FailNodeReadNext = v != "0"; }},
      {"change",
       [&](const std::string& v) {
         const auto [upid, value] = UpidAndNumber("change", v);
         s.ParameterChanges.emplace_back(upid, value);
         s.StatusWord |= 0x0040;
       }},
      {"fail-reads",
       [&](const std::string& v) {
         const auto [upid, count] = UpidAndNumber("fail-reads", v);
         if (count < 0 || count > 1 << 30) throw std::invalid_argument("bad value for --fail-reads: " + v);
         if (count == 0)
           s.FailingReads.erase(upid);
         else
           s.FailingReads[upid] = static_cast<int>(count);
       }},
      {"poll-c5", [&](const std::string& v) { s.PollUnknownNext = v != "0"; }},
      {"counts", [&](const std::string& v) { s.LogCountsNext = v != "0"; }},
      {"running",
       [&](const std::string& v) {
         s.StatusWord = static_cast<std::uint16_t>(v != "0" ? s.StatusWord | 0x0001 : s.StatusWord & ~0x0001);
       }},
      {"silent", [&](const std::string& v) { f.Silent = v != "0"; }},
      {"silent-every", Count(f.SilentEvery, "silent-every")},
      {"delay", Count(f.DelayMs, "delay")},
      {"bad-sum-every", Count(f.BadSumEvery, "bad-sum-every")},
      {"split-writes", [&](const std::string& v) { f.SplitWrites = v != "0"; }},
      {"stray-a5-every", Count(f.StrayStartEvery, "stray-a5-every")},
      {"zero-frame-every", Count(f.ZeroFrameEvery, "zero-frame-every")},
      {"unsolicited", Count(f.UnsolicitedMs, "unsolicited")},
      {"reboot-after", Count(f.RebootAfter, "reboot-after")},
      {"reboot-for", Count(f.RebootForMs, "reboot-for")},
      {"silent-next", Count(f.SilentNext, "silent-next")},
      {"busy-next", Count(f.BusyNext, "busy-next")},
      {"busy-seconds", CountOrOff(f.BusySeconds, "busy-seconds", 0xFF)},
      {"busy-for", Count(f.BusyForMs, "busy-for")},
      {"ee-next", Count(f.ChecksumErrorNext, "ee-next")},
      {"wrong-command-next", Count(f.WrongCommandNext, "wrong-command-next")},
      {"duplicate-next", Count(f.DuplicateNext, "duplicate-next")},
      {"error-status", CountOrOff(f.ErrorStatus, "error-status", 0xFF)},
      {"another-instance", [&](const std::string& v) { f.AnotherInstance = v != "0"; }},
  };
}

// Runs the setter of "name=value"; false with the reason for an unknown name.
bool Apply(const TSetters& Setters, const std::string& NameValue, std::string& Error) {
  const auto eq = NameValue.find('=');
  const std::string name = NameValue.substr(0, eq);
  const auto it = Setters.find(name);
  if (it == Setters.end()) {
    Error = "unknown option --" + name;
    return false;
  }
  try {
    it->second(eq == std::string::npos ? std::string() : NameValue.substr(eq + 1));
  } catch (const std::invalid_argument& e) {
    Error = e.what();
    return false;
  }
  return true;
}

// "PORT", "ADDR" or "ADDR:PORT"; an address has a dot.
TEndpoint Udp4Endpoint(const std::string& v) {
  TEndpoint e{TLineKind::Udp4, 0, "127.0.0.1"};
  const auto colon = v.find(':');
  const bool address = v.find('.') != std::string::npos;
  if (address) e.Address = v.substr(0, colon);
  const std::string port = address ? (colon == std::string::npos ? "" : v.substr(colon + 1)) : v;
  if (!port.empty()) e.Port = static_cast<std::uint16_t>(Number("udp4", port, 0xFFFF));
  return e;
}

}  // namespace

bool SetControl(TFaults& Faults, TDriveState& State, const std::string& NameValue, std::string& Error) {
  return Apply(ControlSetters(Faults, State), NameValue, Error);
}

TOptions ParseOptions(int argc, char** argv) {
  TOptions o;
  auto& l = o.Login;
  const auto u8 = [](std::uint8_t& Field, const char* Name) {
    return [&Field, Name](const std::string& v) { Field = static_cast<std::uint8_t>(Number(Name, v, 0xFF)); };
  };
  const auto u16 = [](std::uint16_t& Field, const char* Name) {
    return [&Field, Name](const std::string& v) { Field = static_cast<std::uint16_t>(Number(Name, v, 0xFFFF)); };
  };
  TSetters setters = ControlSetters(o.Faults, o.State);
  setters.merge(TSetters{
      {"pty", [&](const std::string& v) { o.Endpoints.push_back({TLineKind::Pty, 0, "", v}); }},
      {"udp4", [&](const std::string& v) { o.Endpoints.push_back(Udp4Endpoint(v)); }},
      {"udp6",
       [&](const std::string& v) {
         o.Endpoints.push_back(
             {TLineKind::Udp6, static_cast<std::uint16_t>(v.empty() ? 0 : Number("udp6", v, 0xFFFF)), "::1"});
       }},
      {"baud", [&](const std::string& v) { o.Baud = Number("baud", v, 10000000); }},
      {"protocol", u8(l.ProtocolVersion, "protocol")},
      {"addr-size", u8(l.AddrFieldSize, "addr-size")},
      {"data-size", u8(l.DataFieldSize, "data-size")},
      {"increment", u8(l.AddrIncrement, "increment")},
      {"max-buffer", u8(l.MaxBufferSize, "max-buffer")},
      {"processor-type", u16(l.ProcessorType, "processor-type")},
      {"device-type", u16(l.DeviceType, "device-type")},
      {"device-version", u16(l.DeviceVersion, "device-version")},
      {"flash-type", u16(l.FlashType, "flash-type")},
      {"flash-base", [&](const std::string& v) { l.FlashBaseAddr = Number("flash-base", v, 0xFFFFFFFF); }},
      {"device-string", [&](const std::string& v) { l.DeviceString = v.substr(0, 16); }},
      {"baud-mask",
       [&](const std::string& v) { o.BaudMask = static_cast<std::uint16_t>(Number("baud-mask", v, 0xFFFF)); }},
      {"command-set",
       [&](const std::string& v) { l.CommandSetVersion = v == "-1" ? -1 : Number("command-set", v, 0xFF); }},
      {"release", [&](const std::string& v) { o.ReleaseText = v.substr(0, 32); }},
      {"user-password", [&](const std::string& v) { o.UserPassword = v.substr(0, 16); }},
      {"service-password", [&](const std::string& v) { o.ServicePassword = v.substr(0, 16); }},
      {"no-passwords", [&](const std::string&) { o.PasswordParameters = false; }},
      {"firmware",
       [&](const std::string& v) {
         if (v != "older" && v != "current") throw std::invalid_argument("bad value for --firmware: " + v);
         o.Release = v == "older" ? TRelease::Older : TRelease::Current;
       }},
      {"log", [&](const std::string& v) { o.LogPath = v; }},
      {"node",
       [&](const std::string& v) {
         if (!ParseNode(v, o.ExtraNodes.emplace_back())) throw std::invalid_argument("bad value for --node: " + v);
       }},
      {"parameter",
       [&](const std::string& v) {
         if (!ParseParameter(v, false, o.ExtraParameters.emplace_back()))
           throw std::invalid_argument("bad value for --parameter: " + v);
       }},
      {"variables",
       [&](const std::string& v) {
         if (!ParseVariables(v, o.Variables)) throw std::invalid_argument("bad value for --variables: " + v);
       }},
      {"text-parameter",
       [&](const std::string& v) {
         if (!ParseParameter(v, true, o.ExtraParameters.emplace_back()))
           throw std::invalid_argument("bad value for --text-parameter: " + v);
       }},
  });
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(Usage, stdout);
      std::exit(0);
    }
    if (arg.rfind("--", 0) != 0) Fail("unknown argument " + arg);
    std::string error;
    if (!Apply(setters, arg.substr(2), error)) Fail(error);
  }
  if (o.Endpoints.empty()) Fail("no drive: give --pty, --udp4 or --udp6");
  if (l.AddrFieldSize < 2 || l.AddrFieldSize > 4) Fail("--addr-size must be 2, 3 or 4");
  if (l.DataFieldSize != 2 && l.DataFieldSize != 4) Fail("--data-size must be 2 or 4");
  if (l.AddrIncrement == 0 || l.DataFieldSize % l.AddrIncrement != 0)
    Fail("--increment must be 1, 2 or 4 and divide the data size");
  return o;
}

}  // namespace drivesim
