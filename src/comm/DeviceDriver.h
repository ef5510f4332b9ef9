// The device link: one drive on one port (a serial driver's slot or a UDP driver's
// peer). It gives one request executor at a time the right to use the link, sends the
// executor's frames, routes every frame the drive sends back to the executor waiting
// for that command byte or else to the link's default receiver, and writes a trace
// line for every frame in and out.
//
// Threads: everything but the trace writer's and the default receiver's setters runs
// on the talk thread, whose tasks own the link in turn; the semaphore's and the queues'
// own locks cover the hand-over between tasks.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "comm/PortDriver.h"
#include "runtime/DebugLog.h"
#include "runtime/Tasks.h"

namespace vt {

class TMxQueue;

class TDeviceDriver {
 public:
  // A link for slot PortIndex of a serial driver, or the peer with the IPv4 address
  // PortIndex and UDPPort on the IPv4 driver. MainQueue is the logged-on queue through
  // which frames for the default receiver are sent. The most derived class registers the
  // link on the port (Register) once it is whole, because the port may deliver a frame
  // at once, on its own thread, and frames go through the virtual hooks.
  TDeviceDriver(std::int32_t PortIndex, TMxQueue* MainQueue, std::int32_t UDPPort);
  // The IPv6 form: the peer with that address text.
  TDeviceDriver(const AnsiString& PortIndex, TMxQueue* MainQueue, std::int32_t UDPPort);
  // Releases what Destroy, Destroy_v6 or Unregister has not, by the form the link was
  // created with.
  virtual ~TDeviceDriver();
  TDeviceDriver(const TDeviceDriver&) = delete;
  TDeviceDriver& operator=(const TDeviceDriver&) = delete;

  virtual const char* ClassName() const { return "TDeviceDriver"; }

  // Releases the registration and closes the port (which takes effect only when no
  // other link uses it); the link is deleted afterwards. The form must be the one the
  // link was created with: the IPv6 form on another port raises the port's error, and
  // the link stays registered.
  void Destroy();
  void Destroy_v6();

  void SetDebugHandler(TDebugHandler DebugHandler);
  void SetDefaultQueue(std::uint16_t Ident, std::uint8_t Domain, std::uint8_t Info);

  // Sender owns the link when its next step runs with the wait granted.
  void ObtainDevice(TMxTask* Sender, std::int64_t Timeout);
  // 0x91 when Sender does not own the link; else it passes to the oldest waiting task.
  std::uint8_t ReleaseDevice(TMxTask* Sender);
  // Whether a task owns the link (tasks wait for it only while one does).
  bool Owned() const { return !Semaphore.IsOwner(nullptr); }
  // Answers beginning with ServiceId go to Queue until released. Raises
  // "%s.AssignCurrentService: current service is already assigned".
  void AssignCurrentService(TMxQueue* Queue, std::uint8_t ServiceId);
  // Raises "%s.ReleaseCurrentService: wrong current service queue".
  void ReleaseCurrentService(TMxQueue* Queue);

  // 0 (also while the program ends: nothing is sent), 0x90 without a port, 0x91 when
  // Sender does not own the link, else the port's status. CardName is the local card
  // of an IPv6 link. A failed serial write (0x8F) puts the port into the lost list.
  std::uint8_t Output(TMxTask* Sender, const std::string& Msg, const AnsiString& CardName);
  // The port's input handler: routes and traces one frame.
  void Input(std::int32_t PortIndex, const std::string& Inp);
  void Error(std::int32_t PortIndex, std::uint8_t Err);

  // The number of sends per network card that a request on this link gets.
  int NumberOfTries() const;
  TPortDriver* PortDriver() const { return FPortDriver; }
  std::int32_t CurrentServiceIdent() const { return FCurrentServiceIdent; }
  // The position of the local card through which the link last received an answer.
  std::int32_t LastSuccessETHCard() const { return FLastSuccessETHCard; }
  void SetLastSuccessETHCard(std::int32_t Value) { FLastSuccessETHCard = Value; }

  TErrEvent OnError;

 protected:
  // Hooks on every frame; a hook that sets Handled stops the frame there.
  virtual std::uint8_t ModifyOutput(std::string& Msg, bool& Handled) { return 0; }
  virtual void ModifyInput(std::string& Msg, bool& Handled) {}
  // When the port refuses, the link exists without a port and every Output gives 0x90.
  void Register(TPortDriver* PortDriver);
  // Releases the registration (and closes the port, as Destroy does); the most derived
  // class calls it first in its destructor, for the reason Register has.
  void Unregister() { Release(FIpv6Form); }
  // The link's handlers, as the port's slot holds them.
  TInpEvent InputHandler();
  TErrEvent ErrorHandler();

  TPortDriver* FPortDriver = nullptr;

 private:
  void Route(const std::string& Inp);
  void Trace(std::uint16_t Base, const char* Direction, const std::string& Msg);
  void Release(bool Ipv6Form);

  // The default receiver's ident (bits 16-31), domain (8-15) and info (0-7), bit 32 once
  // assigned. A test may set it from its own thread while the port already delivers.
  std::atomic<std::uint64_t> FDefaultQueue{0};
  std::int32_t FPortIndex = 0;
  AnsiString FPortIndexStr;
  std::int32_t FUDPPort = 0;
  const bool FIpv6Form;
  TMxQueue* const FMainQueue;
  std::mutex FDebugLock;  // FDebugHandler: set by the debug manager on any thread
  TDebugHandler FDebugHandler;
  TMxSemaphore Semaphore;
  std::int32_t FCurrentServiceIdent = -1;
  TMxQueue* CurrentServiceQueue = nullptr;
  std::int32_t FLastSuccessETHCard = 0;
};

}  // namespace vt
