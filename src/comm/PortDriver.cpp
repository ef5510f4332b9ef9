// The port driver base; see PortDriver.h.
#include "comm/PortDriver.h"

#include "comm/CommLimits.h"
#include "comm/SharedLinkState.h"
#include "platform/Exceptions.h"

namespace vt {

TPortDriver::TPortDriver(std::int32_t APortCount) : FPortCount(APortCount) {}

void TPortDriver::Open(TMxScheduler* AScheduler, TThreadManager* AThreadManager) {
  std::lock_guard lock(FLock);
  if (FPortIsOpen) return;
  FScheduler = AScheduler;
  FSlots.clear();
  FPortIsOpen = true;
}

void TPortDriver::Close() {
  std::lock_guard lock(FLock);
  if (!FPortIsOpen) return;
  FPortIsOpen = false;
  FSlots.clear();
  FScheduler = nullptr;
}

std::uint8_t TPortDriver::Assign(std::int32_t PortIndex, std::int32_t UDPPort, TInpEvent OnInput,
                                 TErrEvent OnError) {
  // Every kind is checked here: on UDP drivers the index is a slot too (the peer's
  // position), and a slot beyond the array would be written out of bounds.
  if (PortIndex < 0 || PortIndex >= FPortCount) return StatusPortRefused;
  std::lock_guard lock(FLock);
  // The slots exist only while the port is open.
  if (!FPortIsOpen) return StatusUdpSendFailed;
  const auto index = static_cast<std::size_t>(PortIndex);
  if (OnInput) {
    if (index < FSlots.size() && FSlots[index].Input) {
      if (index == 0) return StatusSlotTaken;
      FSlots[index] = {std::move(OnInput), std::move(OnError)};
      return StatusReplaced;
    }
    if (index >= FSlots.size()) FSlots.resize(index + 1);
    FSlots[index] = {std::move(OnInput), std::move(OnError)};
    return 0;
  }
  if (index >= FSlots.size()) return 0;
  if (IsUdp() && PortIndex != FPortCount - 1) {
    // The last slot keeps its entry when every slot is in use.
    const bool full = FSlots.size() == static_cast<std::size_t>(FPortCount);
    const TSlot last = FSlots.back();
    FSlots.erase(FSlots.begin() + PortIndex);
    if (full) FSlots.push_back(last);
  } else {
    FSlots[index] = {};
  }
  return 0;
}

std::uint8_t TPortDriver::Assign_v6(const AnsiString&, std::int32_t, TInpEvent, TErrEvent) { Abstract(); }

std::uint8_t TPortDriver::Send(std::int32_t, const std::string&, std::int32_t) { Abstract(); }

std::uint8_t TPortDriver::Send_v6(const AnsiString&, const std::string&, std::int32_t, const AnsiString&) {
  Abstract();
}

void TPortDriver::Abstract() { throw Exception("Abstract Error"); }

std::uint8_t TPortDriver::Output(std::int32_t PortIndex, const std::string& Msg, std::int32_t UDPPort) {
  if (!PortIsOpen()) return StatusUdpSendFailed;
  if (FPortType != "ETH" && (PortIndex < 0 || PortIndex >= FPortCount)) return StatusPortRefused;
  return Send(PortIndex, Msg, UDPPort);
}

std::uint8_t TPortDriver::Output_v6(const AnsiString& PortIndex, const std::string& Msg, std::int32_t UDPPort,
                                    const AnsiString& CardName) {
  if (!PortIsOpen()) return StatusUdpSendFailed;
  if (FPortType != "ETH_v6") return StatusPortRefused;
  return Send_v6(PortIndex, Msg, UDPPort, CardName);
}

void TPortDriver::Input(std::int32_t PortIndex, const std::string& Inp) {
  TInpEvent handler;
  {
    std::lock_guard lock(FLock);
    if (PortIndex < 0 || static_cast<std::size_t>(PortIndex) >= FSlots.size()) return;
    handler = FSlots[PortIndex].Input;
  }
  if (handler) handler(PortIndex, Inp);
}

int TPortDriver::NumberOfTries() const { return MaxNumberOfTries(); }

bool TPortDriver::PortIsOpen() const {
  std::lock_guard lock(FLock);
  return FPortIsOpen;
}

AnsiString TPortDriver::PortName() const {
  std::lock_guard lock(FLock);
  return FPortName;
}

void TPortDriver::SetPortName(const AnsiString& Name) {
  std::lock_guard lock(FLock);
  FPortName = Name;
}

TMxScheduler* TPortDriver::Scheduler() const {
  std::lock_guard lock(FLock);
  return FScheduler;
}

}  // namespace vt
