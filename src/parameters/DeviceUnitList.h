// The units of one device, taken from the "Units" of its module descriptions, and the
// device's current unit system: the data the device's unit service keeps and hands to
// parameters, variables and views. Everything runs on the GUI thread; no locks.
#pragma once

#include <cstdint>
#include <map>

#include "parameters/DeviceUnit.h"
#include "parameters/UnitSystems.h"

namespace vt {

class TSLNamedCollection;

class TDeviceUnitList {
 public:
  // Adds the units of one module description's "Units" array (nothing without the key).
  // A UUID already known keeps its unit: the first module naming it wins. A malformed
  // record raises the record's error; the units added before it stay.
  void Init(const TSLNamedCollection& Dict);
  int GetNumberOfUnits() const { return static_cast<int>(FUnitsList.size()); }
  // The unit with that UUID; the neutral unit when the device has none, so that a
  // parameter naming an unknown unit still converts (scale 1, offset 0, no caption).
  const TDeviceUnit& GetUnitWithUUID(std::int32_t UUID) const;

  TUnitSystem GetUnitSystem() const { return FUnitSystem; }
  // Nothing is notified: views read the system when they next draw.
  void SetUnitSystem(TUnitSystem System) { FUnitSystem = System; }
  // The drive's unit-system code: 1 SI, 2 Metric, 3 Imperial, 4 Rotative Degree,
  // 5 Rotative Umin, any other Metric. The drive cannot select English.
  void SetUnitSystemfromInt(std::uint16_t Code);

 private:
  std::map<std::int32_t, TDeviceUnit> FUnitsList;  // by UUID; only grows
  TUnitSystem FUnitSystem = usMetric;
};

}  // namespace vt
