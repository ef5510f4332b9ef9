// The drive's side of the telegrams: login, logout, reading and writing words of a RAM
// that starts cleared, and the serial baud rates. Requests and answers are payloads:
// command byte and little-endian fields; an answer is the command byte, a status byte
// and its data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Options.h"

namespace drivesim {

inline constexpr std::uint8_t StatusOk = 0x00;
inline constexpr std::uint8_t StatusBusy = 0x01;  // the next byte, when there is one: seconds to wait
inline constexpr std::uint8_t StatusError = 0x80;          // unknown command, short request
inline constexpr std::uint8_t StatusChecksumError = 0xEE;  // the request's frame sum was wrong

class TDriveModel {
 public:
  // LogName: the drive's name in the frame log.
  TDriveModel(const TOptions& Options, std::string LogName)
      : FLogin(Options.Login), FBaudMask(Options.BaudMask), FLogName(std::move(LogName)) {}

  // The answer to a request; none for an empty one.
  std::optional<std::string> Answer(std::string_view Request);
  // A reboot: the RAM is cleared.
  void Reboot() { FRam.clear(); }

 private:
  std::string LoginAnswer() const;
  std::string ReadWord(std::string_view Fields) const;
  std::string WriteWord(std::string_view Fields);
  // 00: the rates offered; 02 LOW HIGH: a rate code to use from now on.
  std::string BaudRate(std::string_view Fields) const;

  const TLoginFields FLogin;
  const std::uint16_t FBaudMask;
  const std::string FLogName;
  std::unordered_map<std::uint32_t, std::uint32_t> FRam;
};

// Little-endian fields.
void PutLittleEndian(std::string& Out, std::uint64_t Value, int Size);
std::uint32_t GetLittleEndian(std::string_view In, int Size);

}  // namespace drivesim
