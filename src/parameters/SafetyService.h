// What the parameter service asks of a device's safety service: the safety service
// (registered as "SafetyService") implements it beside its device service base, and the
// parameter service finds it by name, so a device without one needs nothing of it.
#pragma once

namespace vt {

class TSafetyServiceInterface {
 public:
  virtual ~TSafetyServiceInterface() = default;
  // Rereads the safety module's data when the device is online and the service idle.
  virtual void RequestData() = 0;
};

}  // namespace vt
