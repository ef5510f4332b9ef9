// The unit service of a device ("UnitService"): it holds the units of measure the
// device's module descriptions name and the device's current unit system, through which
// every parameter, variable and view scales the drive's raw values. Its tree node "Units"
// is created hidden.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "devices/DeviceService.h"
#include "parameters/DeviceUnitList.h"
#include "runtime/Services.h"

namespace vt {

class TSLNamedCollection;

class TUnitService : public TDeviceService {
 public:
  // The units start empty and the system is Metric.
  TUnitService(TDevice* AOwner, TSLDictionary* AProfDict);
  // Gives the tree node up.
  ~TUnitService() override;

  const char* ClassName() const override { return "TUnitService"; }

  // Only while stopped: the node "Units" goes below the device's, and the service starts.
  void StartUp(bool& Wait) override;
  // Only while started: the node leaves the device's, and the service stops.
  void ShutDown(bool& Wait) override;
  void Kill() override { SetServiceStatus(dsStopped); }

  // The units of one module description; the first module naming a UUID wins.
  void Init(const TSLNamedCollection& Dict) { FUnitsList.Init(Dict); }
  int GetNumberOfUnits() const { return FUnitsList.GetNumberOfUnits(); }
  // The neutral unit (scale 1, offset 0, no caption) for a UUID the device has none of.
  const TDeviceUnit& GetUnitWithUUID(std::int32_t UUID) const { return FUnitsList.GetUnitWithUUID(UUID); }
  TUnitSystem GetUnitSystem() const { return FUnitsList.GetUnitSystem(); }
  void SetUnitSystem(TUnitSystem System) { FUnitsList.SetUnitSystem(System); }
  void SetUnitSystemfromInt(std::uint16_t Code) { FUnitsList.SetUnitSystemfromInt(Code); }

  TServiceProvider& Provider() { return FServiceProvider; }

 private:
  TDeviceUnitList FUnitsList;
  TServiceProvider FServiceProvider;
};

}  // namespace vt
