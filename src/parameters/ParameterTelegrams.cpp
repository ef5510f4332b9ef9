// The parameter telegrams; see ParameterTelegrams.h.
#include "parameters/ParameterTelegrams.h"

#include "parameters/Parameter.h"

namespace vt {

namespace {

bool HasParameterTelegrams(std::uint8_t ProtocolVersion) {
  const std::uint8_t family = ProtocolVersion & 0xF0;
  return family == 0x80 || family == 0x90 || family == 0xA0;
}

}  // namespace

TParameterServiceCollection::TParameterServiceCollection(TTalkServiceInterface* TalkService,
                                                         std::uint8_t ProtocolVersion) {
  if (!HasParameterTelegrams(ProtocolVersion)) return;
  FSetRequest = std::make_unique<TCustomPattern>(TalkService, SetParameterCommand);
  FGetRequest = std::make_unique<TCustomPattern>(TalkService, GetParameterCommand);
}

std::optional<std::uint8_t> ReadModeOf(std::uint16_t AddrUsage) {
  if (AddrUsage & AddrRomRead) return GetModeROM;
  if (AddrUsage & AddrRamRead) return GetModeRAM;
  return std::nullopt;
}

std::optional<std::uint8_t> WriteModeOf(std::uint16_t AddrUsage) {
  const bool rom = (AddrUsage & AddrRomWrite) != 0;
  const bool ram = (AddrUsage & AddrRamWrite) != 0;
  if (rom && ram) return SetModeROMAndRAM;
  if (rom) return SetModeROM;
  if (ram) return SetModeRAM;
  return std::nullopt;
}

std::string ParameterPayload(std::uint8_t Mode, std::int32_t UPID, std::string_view Value) {
  std::string payload{static_cast<char>(Mode), static_cast<char>(UPID & 0xFF), static_cast<char>(UPID >> 8 & 0xFF)};
  return payload.append(Value);
}

std::vector<std::uint16_t> ChangedUPIDs(std::string_view Data) {
  std::vector<std::uint16_t> upids;
  for (std::size_t i = 0; i + 1 < Data.size(); i += 2)
    upids.push_back(static_cast<std::uint16_t>(static_cast<std::uint8_t>(Data[i]) |
                                               static_cast<std::uint8_t>(Data[i + 1]) << 8));
  return upids;
}

}  // namespace vt
