// The serial ports the program offers: the serial devices under /dev and the paths that
// the program settings list under one key (pseudo-terminals, devices named by udev),
// those that open now.
#pragma once

#include <vector>

#include "platform/TextConversion.h"

namespace vt {

class TProgramRegistry;

// An array of texts, each a device path ("/dev/pts/3", "/dev/serial/by-id/...").
inline constexpr const char* SerialPortsKey = "COMMUNICATION\\SerialPorts";

// The port names in order: devices under /dev by name, then the listed paths (a relative
// one below the program's folder, WorkDir). Without settings, or without the key, only
// the devices.
std::vector<AnsiString> ListSerialPortNames(TProgramRegistry* Settings);

// The port name a path of the settings gives: a relative path names a file below the
// program's folder.
WideString SerialPortPath(const WideString& Path);

}  // namespace vt
