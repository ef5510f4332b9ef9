// The small types of the device model that the drive link and the windows share: a
// device's kind, its life-cycle state and the interface chosen at login.
#pragma once

#include <cstdint>

namespace vt {

enum TDeviceType : std::uint8_t { dtUnknown, dtOnline, dtOffline, dtArchive, dtConnectionLost };

enum TDeviceState : std::uint8_t {
  dstStopped,
  dstStarting,
  dstStarted,
  dstStopping,
  dstError,
  dstDestroyed,
  dstGoingOffline,
};

enum TInterfaceType : std::uint8_t { ifRS232 = 0, ifOffline = 1, ifEthernet = 2 };

}  // namespace vt
