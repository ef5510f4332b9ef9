// What the device login dialog and its baud-rate tool need of the application shell:
// the scan and blink requests, the hold of the main state machine while the tool uses a
// serial port, the login settings the shell keeps in the view settings, and its
// open-file dialog. The shell implements it; the dialog reaches the shell through
// nothing else. GUI thread only.
#pragma once

#include <cstdint>

#include "platform/TextConversion.h"

namespace vt {

class TLoginShell {
 public:
  virtual ~TLoginShell() = default;

  // Starts the Ethernet scan when the main state machine is ready (or records it while
  // the serial port is being handed back).
  virtual void StartETHScanning() = 0;
  // Sends the blink datagram to a drive: IPv4 with the first dotted number in the most
  // significant byte, or an IPv6 address text.
  virtual void BlinkETH(std::uint32_t Address) = 0;
  virtual void BlinkETHv6(const WideString& Address) = 0;
  // Holds the main state machine out of the ready state while the baud-rate tool uses a
  // serial port, and releases it (its release step calls CloseCommDriver).
  virtual void SendBaudRate() = 0;
  virtual void ResetSendBaudrate() = 0;

  // The view settings "DefaultUDPPort" (non-zero: the drives' default UDP port), "UDPPort",
  // "LastIPVersion" (4 or 6) and "LastBaudrate".
  virtual int EthDefaultPort() const = 0;
  virtual void SetEthDefaultPort(int Value) = 0;
  virtual int EthPort() const = 0;
  virtual void SetEthPort(int Value) = 0;
  virtual int LastIPVersion() const = 0;
  virtual void SetLastIPVersion(int Value) = 0;
  virtual std::uint32_t LastBaudrate() const = 0;
  virtual void SetLastBaudrate(std::uint32_t Value) = 0;

  // The shell's open-file dialog: Filter pairs captions and masks with "|"; the chosen
  // file, empty when none was chosen.
  virtual WideString ExecuteOpenDialog(const WideString& InitialDir, const WideString& Filter,
                                       const WideString& DefaultExt) = 0;
};

}  // namespace vt
