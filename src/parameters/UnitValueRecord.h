// What a number parameter's description says of its value beyond the number: the
// "AdditionalFunction" markers (the value is itself a UPID, or its unit is that of the
// parameter another one names) and the unit it is measured in ("UUID"). The integer and
// floating-point parameters share it.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "parameters/DeviceUnit.h"

namespace vt {

class TParameterService;
class TSLNamedCollection;

class TUnitValueRecord {
 public:
  // Reads "AdditionalFunction" ("UPID", "RAMWRITEUPID", any letter case, or
  // "UPIDSCALE:" and a master UPID) and "UUID" (required), whose unit the device's unit
  // service gives once, here: the neutral unit without a unit service or when it names none.
  TUnitValueRecord(TParameterService* AOwner, const TSLNamedCollection& ARecord);

  const TDeviceUnit& DeviceUnit() const { return *FDeviceUnit; }
  std::int32_t UUID() const { return FUUID; }
  bool IsUPID() const { return FIsUPID; }
  bool IsRamWriteUPID() const { return FIsRamWriteUPID; }
  bool IsUPIDScaled() const { return FIsUPIDScaled; }
  std::int32_t UPIDScaleUPID() const { return FUPIDScaleUPID; }

 protected:
  const TDeviceUnit* FDeviceUnit = &TDeviceUnit::Neutral();
  std::int32_t FUUID = 0;
  bool FIsUPID = false;
  bool FIsRamWriteUPID = false;
  bool FIsUPIDScaled = false;
  std::int32_t FUPIDScaleUPID = 0;
};

}  // namespace vt
