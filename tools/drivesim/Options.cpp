// drivesim's command line; see Options.h.
#include "Options.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string_view>

namespace drivesim {

namespace {

const char* const Usage = R"(usage: drivesim [drives] [options]
Drives (each may be given several times; at least one):
  --pty              a drive on a new pseudo-terminal (its path is printed)
  --udp4[=PORT]      a drive on UDP 127.0.0.1 (port 0 or none: the system chooses)
  --udp6[=PORT]      a drive on UDP ::1
Printed on stdout: "pty PATH", "udp4 127.0.0.1 PORT", "udp6 ::1 PORT" per drive, then "ready".
Login answer:
  --protocol=N --addr-size=3|4 --data-size=2|4 --increment=N --max-buffer=N
  --processor-type=N --device-type=N --device-version=N --flash-type=N --flash-base=N
  --device-string=TEXT --command-set=N (-1: none)
Line:
  --baud=N           pace the pseudo-terminal at N baud, 10 bits per byte, both ways
Faults (every N counts requests, from the Nth on):
  --silent-every=N --delay=MS --bad-sum-every=N --split-writes --stray-a5-every=N
  --zero-frame-every=N --unsolicited=MS --reboot-after=N --reboot-for=MS
Other:
  --log=FILE         every frame in hexadecimal (default: stderr)
Answers: login 01, logout 02, read word 10, write word 11 (RAM), baud rates 0F (00 the
  rates offered, --baud-mask=N, bit 0 300 baud to bit 15 921600; 02 LOW HIGH sets one of
  them, logged as "baud rate N"); others get status 80.
)";

[[noreturn]] void Fail(const std::string& Message) {
  std::fprintf(stderr, "drivesim: %s\n%s", Message.c_str(), Usage);
  std::exit(2);
}

std::uint32_t Number(std::string_view Name, const std::string& Text, std::uint32_t Max) {
  char* end = nullptr;
  const unsigned long long v = std::strtoull(Text.c_str(), &end, 0);
  if (Text.empty() || *end || v > Max) Fail("bad value for --" + std::string(Name) + ": " + Text);
  return static_cast<std::uint32_t>(v);
}

}  // namespace

TOptions ParseOptions(int argc, char** argv) {
  TOptions o;
  auto& l = o.Login;
  auto& f = o.Faults;
  using TSetter = std::function<void(const std::string&)>;
  const auto u8 = [](std::uint8_t& Field, const char* Name) {
    return [&Field, Name](const std::string& v) { Field = static_cast<std::uint8_t>(Number(Name, v, 0xFF)); };
  };
  const auto u16 = [](std::uint16_t& Field, const char* Name) {
    return [&Field, Name](const std::string& v) { Field = static_cast<std::uint16_t>(Number(Name, v, 0xFFFF)); };
  };
  const auto count = [](int& Field, const char* Name) {
    return [&Field, Name](const std::string& v) { Field = static_cast<int>(Number(Name, v, 1 << 30)); };
  };
  const auto endpoint = [&o](TLineKind Kind) {
    return [&o, Kind](const std::string& v) {
      o.Endpoints.push_back({Kind, static_cast<std::uint16_t>(v.empty() ? 0 : Number("udp", v, 0xFFFF))});
    };
  };
  const std::map<std::string, TSetter, std::less<>> setters = {
      {"pty", endpoint(TLineKind::Pty)},
      {"udp4", endpoint(TLineKind::Udp4)},
      {"udp6", endpoint(TLineKind::Udp6)},
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
      {"silent-every", count(f.SilentEvery, "silent-every")},
      {"delay", count(f.DelayMs, "delay")},
      {"bad-sum-every", count(f.BadSumEvery, "bad-sum-every")},
      {"split-writes", [&](const std::string&) { f.SplitWrites = true; }},
      {"stray-a5-every", count(f.StrayStartEvery, "stray-a5-every")},
      {"zero-frame-every", count(f.ZeroFrameEvery, "zero-frame-every")},
      {"unsolicited", count(f.UnsolicitedMs, "unsolicited")},
      {"reboot-after", count(f.RebootAfter, "reboot-after")},
      {"reboot-for", count(f.RebootForMs, "reboot-for")},
      {"log", [&](const std::string& v) { o.LogPath = v; }},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(Usage, stdout);
      std::exit(0);
    }
    if (arg.rfind("--", 0) != 0) Fail("unknown argument " + arg);
    const auto eq = arg.find('=');
    const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    const auto it = setters.find(name);
    if (it == setters.end()) Fail("unknown option --" + name);
    it->second(eq == std::string::npos ? std::string() : arg.substr(eq + 1));
  }
  if (o.Endpoints.empty()) Fail("no drive: give --pty, --udp4 or --udp6");
  if (l.AddrFieldSize != 3 && l.AddrFieldSize != 4) Fail("--addr-size must be 3 or 4");
  if (l.DataFieldSize != 2 && l.DataFieldSize != 4) Fail("--data-size must be 2 or 4");
  return o;
}

}  // namespace drivesim
