// The talk server's device links: a link with the name its device was opened under and
// the handle by which the talk client addresses it, and the list that hands out the
// handles. A closed link leaves its entry empty, so a handle is never used twice.
#pragma once

#include <cstdint>
#include <vector>

#include "comm/DeviceDriver.h"

namespace vt {

class TTalkDevice final : public TDeviceDriver {
 public:
  // AName: the port name of a serial link ("ttyUSB0"), "ETH" or "ETH_v6".
  TTalkDevice(const AnsiString& AName, TPortDriver* APort, std::int32_t AIndex, TMxQueue* MainQueue,
              std::int32_t UDPPort);
  TTalkDevice(const AnsiString& AName, TPortDriver* APort, const AnsiString& AIndex, TMxQueue* MainQueue,
              std::int32_t UDPPort);
  ~TTalkDevice() override;

  const char* ClassName() const override { return "TTalkDevice"; }

  // Registers the link in slot 0 of its port again: closing the serial port (to change
  // its baud rate) emptied the slot. Returns the port's result.
  std::uint8_t RedefineBaudrate();

  std::int32_t DeviceHandle() const { return FDeviceHandle; }
  const AnsiString& DeviceName() const { return FDeviceName; }

 private:
  friend class TTalkDeviceList;
  std::int32_t FDeviceHandle = -1;
  const AnsiString FDeviceName;
};

// Not owning: the talk server creates and destroys the links.
class TTalkDeviceList {
 public:
  // The handle is the list's length, empty entries counted.
  void AddDevice(TTalkDevice* ADevice);
  // Its entry becomes empty; nothing for a link that is not listed.
  void DeleteDevice(TTalkDevice* ADevice);
  // None outside the list and for an empty entry.
  TTalkDevice* DeviceWithIndex(std::int32_t AIndex) const;
  // The first listed link of exactly that name, or none.
  TTalkDevice* DeviceWithName(const AnsiString& AName) const;
  std::int32_t GetDeviceNumber() const { return static_cast<std::int32_t>(DeviceList.size()); }

 private:
  std::vector<TTalkDevice*> DeviceList;
};

}  // namespace vt
