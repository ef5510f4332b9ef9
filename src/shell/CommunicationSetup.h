// The drive link and the device world, created once at start-up in a fixed order: the
// talk server with a serial port driver per port found and the two UDP drivers, the talk
// client with its telegram patterns, the device manager with the device service classes
// by name, the talk-interface factory, the managers of the feature subsystems (oscilloscope,
// curves and drive data objects, logs, control panel, command table, safety, configuration,
// motor wizard), the unit, language and parameter managers.
// GUI thread only.
#pragma once

#include <cstdint>

namespace vt {

class TTalkServer;
class TUnitManager;

enum TTalkProgramType : std::uint8_t { tptLocal, tptDevelop };
// tptDevelop when the first positional argument is "DEVELOP" (any letter case).
extern TTalkProgramType TalkProgramType;

// 38400, else the option "ZI2BAUD", else the integer "COMMUNICATION\ZI2BAUD" of the
// program settings, which wins. A ZI2BAUD option that is no number raises a message
// naming it.
std::uint32_t SerialBaudRate();

// A serial port driver for each port that opens now, in probe order (devices under /dev,
// then the settings' list), then "ETH" and "ETH_v6".
void AddPortDrivers(TTalkServer& Server, std::uint32_t BaudRate);

// Needs the command line, the program settings, the storage manager, the schedulers and
// no message queue logged on yet. Raises on a duplicate pattern or service name.
void InitVorlixCommander();
// Frees what InitVorlixCommander made, the talk server first (its links close).
void DoneVorlixCommander();

// The program's base units, none before InitVorlixCommander.
TUnitManager* UnitManager();

}  // namespace vt
