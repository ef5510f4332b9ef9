// The identification parameters of a configuration created offline: what a drive
// reports about its firmware (module trees, versions, release, drive type), written
// into the new device's parameters from its modules and the offline-configuration
// choice, so that the configuration carries them when it is saved. GUI thread only.
#pragma once

namespace vt {

class TDevice;
class TReleaseCatalogue;

// One modify transaction on the device's parameter service (none current must be open):
// per module present its file, base, sub and beta names and tree ID; the module versions
// of the choice (motion control only when present); the release text, numbers and the
// drive type. Parameters the device's trees do not hold are passed over.
void SetParameterForCreateOffline(TDevice& Device, const TReleaseCatalogue& Choice);

}  // namespace vt
