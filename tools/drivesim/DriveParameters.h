// The drive's parameters by UPID, as the get (0x88) and set (0x89) parameter telegrams
// reach them: the sample firmware's parameters (DriveImage.h) and those the options add,
// each with a stored (ROM) value, a working (RAM) value and a default, all of its size in
// bytes (texts: up to their size), and the passwords of the users USER (0x0CC0) and SERVICE (0x0CC5), text
// parameters here as on the drive; beside them the drive variables the options add,
// read in RAM lists. A value changed on the drive's side is named by the
// changed-parameter poll (get mode 0x13) until polled.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Options.h"

namespace drivesim {

class TDriveParameters {
 public:
  explicit TDriveParameters(const TOptions& Options);

  // The answer to 88 <mode> <UPID>: modes 00 (stored) and 01 (working) of a parameter
  // that has that memory readable, 80 else or for a read State fails; C0 for an unknown
  // UPID. 88 13: the UPIDs changed on the drive's side since the last poll, 2 bytes
  // each, or C5 when State asks for it or they do not fit one answer; the poll clears
  // bit 6 of the status word. 88 11 (stored) and 88 12 (working) <UPID>...: the values
  // of the listed UPIDs back to back, each of its size, when the firmware reads such
  // lists (below), 80 else or when a listed UPID lacks that memory or fails by State; C0
  // when one is unknown.
  std::string Get(std::string_view Fields, TDriveState& State);
  // The answer to 89 <mode> <UPID> [value]: modes 02 (both), 00 (stored), 01 (working)
  // on the memories the parameter has writable, 03 (both to the default, no value); a
  // number takes exactly its size, a text at most. 89 08 <instance>: every parameter of
  // the software instance (0 OS, 1 MC, 2 INTF, 3 APP, 4 safety) back to its default.
  std::string Set(std::string_view Fields);
  // Takes the changes State holds from the controls: each sets a number parameter's
  // stored and working value and is named by the next poll.
  void TakeChanges(TDriveState& State);
  // The working values are loaded from the stored ones.
  void Reboot();

 private:
  struct TParameter {
    std::size_t Size = 0;
    std::uint16_t AddrUsage = 0;
    bool Text = false;
    std::string Default, Stored, Working;
  };
  std::string ChangedAnswer(TDriveState& State);
  std::string ListAnswer(std::uint8_t Mode, std::string_view UPIDs, TDriveState& State);
  // Whether the firmware answers the list mode: stored lists from command set 2 on (from
  // 1 on for protocol 0x5x), working lists from 3 on for protocol 0x60 and up (from 2
  // on for 0x5x).
  bool ReadsList(std::uint8_t Mode) const;
  std::string DefaultInstance(std::uint8_t Instance);

  const std::uint8_t FProtocolVersion;
  const int FCommandSetVersion;
  std::map<std::uint16_t, TParameter> FItems;
  std::vector<std::uint16_t> FChanged;  // in the order changed, each once
};

}  // namespace drivesim
