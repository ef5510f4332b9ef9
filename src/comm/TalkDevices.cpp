// The talk server's device links; see TalkDevices.h.
#include "comm/TalkDevices.h"

#include <algorithm>

#include "comm/CommLimits.h"

namespace vt {

TTalkDevice::TTalkDevice(const AnsiString& AName, TPortDriver* APort, std::int32_t AIndex, TMxQueue* MainQueue,
                         std::int32_t UDPPort)
    : TDeviceDriver(AIndex, MainQueue, UDPPort), FDeviceName(AName) {
  Register(APort);
}

TTalkDevice::TTalkDevice(const AnsiString& AName, TPortDriver* APort, const AnsiString& AIndex,
                         TMxQueue* MainQueue, std::int32_t UDPPort)
    : TDeviceDriver(AIndex, MainQueue, UDPPort), FDeviceName(AName) {
  Register(APort);
}

TTalkDevice::~TTalkDevice() {
  try {
    Unregister();
  } catch (...) {
  }
}

std::uint8_t TTalkDevice::RedefineBaudrate() {
  if (!FPortDriver) return StatusNoPortDriver;
  return FPortDriver->Assign(0, 0, InputHandler(), ErrorHandler());
}

void TTalkDeviceList::AddDevice(TTalkDevice* ADevice) {
  ADevice->FDeviceHandle = GetDeviceNumber();
  DeviceList.push_back(ADevice);
}

void TTalkDeviceList::DeleteDevice(TTalkDevice* ADevice) {
  const auto it = std::find(DeviceList.begin(), DeviceList.end(), ADevice);
  if (it != DeviceList.end()) *it = nullptr;
}

TTalkDevice* TTalkDeviceList::DeviceWithIndex(std::int32_t AIndex) const {
  return AIndex >= 0 && AIndex < GetDeviceNumber() ? DeviceList[AIndex] : nullptr;
}

TTalkDevice* TTalkDeviceList::DeviceWithName(const AnsiString& AName) const {
  const auto it = std::find_if(DeviceList.begin(), DeviceList.end(),
                               [&](const TTalkDevice* d) { return d && d->DeviceName() == AName; });
  return it == DeviceList.end() ? nullptr : *it;
}

}  // namespace vt
