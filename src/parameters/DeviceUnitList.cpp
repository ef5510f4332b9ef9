// The units of one device; see DeviceUnitList.h.
#include "parameters/DeviceUnitList.h"

#include "sl/values/Arrays.h"

namespace vt {

void TDeviceUnitList::Init(const TSLNamedCollection& Dict) {
  if (!Dict.NameExists(u"Units")) return;
  const TSLArray* units = CheckedCast<TSLArray>(Dict.GetObjWithName(u"Units"));
  for (int i = 0; i < units->GetCount(); ++i) {
    const TSLNamedCollection* record = CheckedCast<TSLNamedCollection>(units->GetObjAtIndex(i));
    const auto uuid = static_cast<std::int32_t>(record->GetIntWithName(u"UUID"));
    if (!FUnitsList.contains(uuid)) FUnitsList.emplace(uuid, TDeviceUnit(record));
  }
}

const TDeviceUnit& TDeviceUnitList::GetUnitWithUUID(std::int32_t UUID) const {
  const auto it = FUnitsList.find(UUID);
  return it != FUnitsList.end() ? it->second : TDeviceUnit::Neutral();
}

void TDeviceUnitList::SetUnitSystemfromInt(std::uint16_t Code) {
  switch (Code) {
    case 1: FUnitSystem = usSI; break;
    case 3: FUnitSystem = usImperial; break;
    case 4: FUnitSystem = usRotDegree; break;
    case 5: FUnitSystem = usRotUmin; break;
    default: FUnitSystem = usMetric; break;
  }
}

}  // namespace vt
