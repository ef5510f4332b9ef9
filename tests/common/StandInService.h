// A device service that starts and stops at once, standing in for a sibling a test or
// benchmark needs only to be found, and the settings dictionary naming a service.
#pragma once

#include "devices/DeviceService.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

namespace vt::test {

class TStandInService : public TDeviceService {
 public:
  using TDeviceService::TDeviceService;
  void StartUp(bool&) override { SetServiceStatus(dsStarted); }
  void ShutDown(bool&) override { SetServiceStatus(dsStopped); }
  void Kill() override {}
};

inline TRef<TSLDictionary> NamedSettings(const char16_t* Name) {
  auto dict = MakeRef<TSLDictionary>();
  dict->AddObject(u"Name", new TSLString(false, Name));
  return dict;
}

}  // namespace vt::test
