// What a device asks of its services by their names. The services that answer these
// implement the matching interface; a device without the service, or whose service does
// not implement it, skips the call.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "platform/TextConversion.h"

namespace vt {

// "TalkService": the drive's versions from the login, and the serial link's port for the
// fall-back after a lost connection.
class TTalkServiceLink {
 public:
  virtual ~TTalkServiceLink() = default;
  virtual std::uint8_t ProtocolVersion() const = 0;
  virtual std::uint8_t CommandSetVersion() const = 0;
  // Closes the serial port of the link and gives it ABaudRate for its next open; the rate
  // it had, or 0 when the link has no serial port.
  virtual std::uint32_t CloseSerialPort(std::uint32_t ABaudRate) = 0;
  // Opens it again and lets the link take the new rate.
  virtual void ReopenSerialPort() = 0;
};

// "VariableService": its multi-value reader.
class TMultiValueReaderOwner {
 public:
  virtual ~TMultiValueReaderOwner() = default;
  // The reader finishes its work and frees itself.
  virtual void SetWaitforDestroy() = 0;
  virtual void DestroyMultiRead() = 0;
};

// "ControlPanelService": its wait for multi-value data ends when the device goes offline.
class TMultiValueWaiter {
 public:
  virtual ~TMultiValueWaiter() = default;
  virtual void ReleaseWaitMulty() = 0;
};

// "ControlPanelService": while it blocks cyclic reads, the multi-value reader of the
// variables waits.
class TCyclicReadBlock {
 public:
  virtual ~TCyclicReadBlock() = default;
  virtual bool BlockCyclicRead() const = 0;
};

// "StatusService".
class TStatusGoOffline {
 public:
  virtual ~TStatusGoOffline() = default;
  virtual void GoOffline() = 0;
};

// "ModuleService": the configuration file an offline device shows.
class TTestFileSource {
 public:
  virtual ~TTestFileSource() = default;
  virtual AnsiString TestFileName() const = 0;
};

// "ModuleService": whether the drive's firmware switches a service off.
class TServiceActivity {
 public:
  virtual ~TServiceActivity() = default;
  // ADefault when the firmware says nothing of the service.
  virtual bool IsServiceActive(const AnsiString& AServiceName, bool ADefault) const = 0;
};

// "ParameterService": the poll for the parameters the drive has changed, asked for by
// the status service while the drive reports such changes.
class TParameterRefresh {
 public:
  virtual ~TParameterRefresh() = default;
  virtual void RefreshParameters() = 0;
};

// "ParameterService": what the device reads of the drive's parameters.
class TParameterValues {
 public:
  virtual ~TParameterValues() = default;
  // Cleared when the device has gone offline.
  virtual void ClearReadFlag() = 0;
  virtual bool ParameterExists(std::uint16_t AUPID) const = 0;
  virtual std::int64_t GetIntValue(std::uint16_t AUPID) const = 0;
  virtual AnsiString GetTextValue(std::uint16_t AUPID) const = 0;
};

}  // namespace vt
