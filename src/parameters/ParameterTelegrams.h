// The two drive commands every parameter value travels in: get parameter (0x88) and set
// parameter (0x89). TParameterServiceCollection holds their patterns for one parameter
// service; the functions here build the payloads by a parameter's address usage and
// read the changed-parameter poll's answer. Payload and answer data are little-endian;
// the UPID on the wire is always the device UPID.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comm/TelegramPatterns.h"

namespace vt {

class TTalkServiceInterface;

inline constexpr std::uint8_t GetParameterCommand = 0x88;
inline constexpr std::uint8_t SetParameterCommand = 0x89;

// Get modes.
inline constexpr std::uint8_t GetModeROM = 0x00;
inline constexpr std::uint8_t GetModeRAM = 0x01;
inline constexpr std::uint8_t GetModeROMList = 0x11;
inline constexpr std::uint8_t GetModeRAMList = 0x12;
inline constexpr std::uint8_t GetModeChanged = 0x13;
// Set modes.
inline constexpr std::uint8_t SetModeROM = 0x00;
inline constexpr std::uint8_t SetModeRAM = 0x01;
inline constexpr std::uint8_t SetModeROMAndRAM = 0x02;
inline constexpr std::uint8_t SetModeDefault = 0x03;

// Answer statuses the parameter service acts on.
inline constexpr std::uint8_t ParStatusOk = 0x00;
inline constexpr std::uint8_t ParStatusUnknownUPID = 0xC0;
inline constexpr std::uint8_t ParStatusNoData = 0xC3;
inline constexpr std::uint8_t ParStatusChangesUnknown = 0xC5;

class TParameterServiceCollection {
 public:
  // Both patterns for drives of the protocol families 0x80, 0x90 and 0xA0; none for any
  // other protocol version.
  TParameterServiceCollection(TTalkServiceInterface* TalkService, std::uint8_t ProtocolVersion);
  const char* ClassName() const { return "TParameterServiceCollection"; }

  bool HasPatterns() const { return FGetRequest != nullptr; }

  std::unique_ptr<TCustomPattern> FSetRequest;
  std::unique_ptr<TCustomPattern> FGetRequest;
};

// The get mode of a single read: ROM when readable there, else RAM; none when neither.
std::optional<std::uint8_t> ReadModeOf(std::uint16_t AddrUsage);
// The set mode of a single write: ROM and RAM, ROM only, RAM only; none when neither is
// writable.
std::optional<std::uint8_t> WriteModeOf(std::uint16_t AddrUsage);
// Mode, UPID low byte, UPID high byte, then Value.
std::string ParameterPayload(std::uint8_t Mode, std::int32_t UPID, std::string_view Value = {});
// The UPIDs of a changed-parameter answer, 2 bytes each; a trailing odd byte is ignored.
std::vector<std::uint16_t> ChangedUPIDs(std::string_view Data);

}  // namespace vt
