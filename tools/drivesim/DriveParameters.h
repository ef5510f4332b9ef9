// The drive's parameters by UPID, as the get (0x88) and set (0x89) parameter telegrams
// reach them: each has a stored (ROM) value, a working (RAM) value and a default, all
// of its size in bytes (texts: up to their size). The passwords of the users USER
// (0x0CC0) and SERVICE (0x0CC5) are text parameters here, as on the drive.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "Options.h"

namespace drivesim {

class TDriveParameters {
 public:
  explicit TDriveParameters(const TOptions& Options);

  // The answer to 88 <mode> <UPID>: modes 00 (stored) and 01 (working); C0 for an
  // unknown UPID, 80 for another mode or a short request.
  std::string Get(std::string_view Fields) const;
  // The answer to 89 <mode> <UPID> [value]: modes 02 (both), 00 (stored), 01 (working),
  // 03 (both to the default, no value); a number takes exactly its size, a text at most.
  std::string Set(std::string_view Fields);
  // The working values are loaded from the stored ones.
  void Reboot();

 private:
  struct TParameter {
    std::size_t Size = 0;
    bool Text = false;
    std::string Default, Stored, Working;
  };
  void Add(std::uint16_t UPID, std::size_t Size, bool Text, std::string Default);

  std::map<std::uint16_t, TParameter> FItems;
};

}  // namespace drivesim
