// The port driver base: one physical channel (a serial port or a UDP socket) and the
// slots in which device links register to receive its payloads.
//
// Threads: Open, Close and Assign run on the talk thread and, for the connection-lost
// handling of a serial device, on the GUI thread; Input runs on the talk thread. The
// slots, the open state and the port name are therefore kept under one lock, and a
// handler is called without it.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

class TMxScheduler;
class TThreadManager;

// One received payload for the device link in slot PortIndex.
using TInpEvent = std::function<void(std::int32_t PortIndex, const std::string& Inp)>;
// An error report for a slot; kept beside the input handler, no driver reports one.
using TErrEvent = std::function<void(std::int32_t PortIndex, std::uint8_t Err)>;

class TPortDriver {
 public:
  explicit TPortDriver(std::int32_t APortCount);
  // A concrete driver closes itself in its own destructor.
  virtual ~TPortDriver() = default;
  TPortDriver(const TPortDriver&) = delete;
  TPortDriver& operator=(const TPortDriver&) = delete;

  // Nothing when open; else empty slots and the open state.
  virtual void Open(TMxScheduler* AScheduler, TThreadManager* AThreadManager);
  // Every registration is lost.
  virtual void Close();
  // OnInput set registers, empty releases; results 0, 0x80 (index out of range), 0x81
  // (the port is closed), 0x82 (slot 0 taken, the first registration stays) or 0xFF
  // (a registration replaced).
  // On UDP drivers a release moves every slot above down by one, so that slot numbers
  // stay the positions in the peer list. UDPPort is the drivers' own.
  virtual std::uint8_t Assign(std::int32_t PortIndex, std::int32_t UDPPort, TInpEvent OnInput, TErrEvent OnError);
  // The IPv6 forms; only the IPv6 driver has them, others raise "Abstract Error".
  virtual std::uint8_t Assign_v6(const AnsiString& PortIndex, std::int32_t UDPPort, TInpEvent OnInput,
                                 TErrEvent OnError);
  virtual std::uint8_t Send(std::int32_t PortIndex, const std::string& Msg, std::int32_t UDPPort);
  virtual std::uint8_t Send_v6(const AnsiString& PortIndex, const std::string& Msg, std::int32_t UDPPort,
                               const AnsiString& CardName);

  // 0x81 when not open, 0x80 for a slot out of range (the IPv4 driver's index is an
  // address), else the result of Send.
  std::uint8_t Output(std::int32_t PortIndex, const std::string& Msg, std::int32_t UDPPort);
  // 0x81 when not open, 0x80 on any driver but the IPv6 one, else Send_v6.
  std::uint8_t Output_v6(const AnsiString& PortIndex, const std::string& Msg, std::int32_t UDPPort,
                         const AnsiString& CardName);
  // Hands a payload to the link in that slot; nothing for an empty or unknown slot.
  void Input(std::int32_t PortIndex, const std::string& Inp);

  // The number of sends per network card that a request on this port gets: the user's
  // setting, unless the driver has reasons of its own (the IPv6 card walk).
  virtual int NumberOfTries() const;

  const AnsiString& PortType() const { return FPortType; }
  const AnsiString& EtherNetType() const { return FEtherNetType; }
  std::int32_t PortCount() const { return FPortCount; }
  bool PortIsOpen() const;
  AnsiString PortName() const;
  // Written by the talk server when it opens a device on the port.
  void SetPortName(const AnsiString& Name);

 protected:
  TMxScheduler* Scheduler() const;
  // Raises "Abstract Error": an operation this kind of driver does not have.
  [[noreturn]] static void Abstract();

  AnsiString FPortType = "Generic";
  AnsiString FEtherNetType = "IPv4";

 private:
  struct TSlot {
    TInpEvent Input;
    TErrEvent Error;
  };
  bool IsUdp() const { return FPortType == "ETH" || FPortType == "ETH_v6"; }

  const std::int32_t FPortCount;
  mutable std::mutex FLock;  // everything below
  bool FPortIsOpen = false;
  TMxScheduler* FScheduler = nullptr;
  AnsiString FPortName;
  // Slot i at index i; slots beyond the end are empty, so that a UDP driver's 65535
  // slots cost only what is registered.
  std::vector<TSlot> FSlots;
};

}  // namespace vt
