// The device link; see DeviceDriver.h.
#include "comm/DeviceDriver.h"

#include "comm/CommLimits.h"
#include "comm/SharedLinkState.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/Conversions.h"
#include "runtime/Messages.h"
#include "runtime/ProcessGlobal.h"

namespace vt {

TDeviceDriver::TDeviceDriver(std::int32_t PortIndex, TMxQueue* MainQueue, std::int32_t UDPPort)
    : FPortIndex(PortIndex), FUDPPort(UDPPort), FIpv6Form(false), FMainQueue(MainQueue) {}

TDeviceDriver::TDeviceDriver(const AnsiString& PortIndex, TMxQueue* MainQueue, std::int32_t UDPPort)
    : FPortIndexStr(PortIndex), FUDPPort(UDPPort), FIpv6Form(true), FMainQueue(MainQueue) {}

// The address fields count only once the port took the registration (FPortDriver set).
void TDeviceDriver::Register(TPortDriver* PortDriver) {
  const std::uint8_t status = FIpv6Form
                                  ? PortDriver->Assign_v6(FPortIndexStr, FUDPPort, InputHandler(), ErrorHandler())
                                  : PortDriver->Assign(FPortIndex, FUDPPort, InputHandler(), ErrorHandler());
  if (status == 0) FPortDriver = PortDriver;
}

TDeviceDriver::~TDeviceDriver() {
  try {
    Release(FIpv6Form);
  } catch (...) {
  }
}

void TDeviceDriver::Destroy() { Release(false); }

void TDeviceDriver::Destroy_v6() { Release(true); }

void TDeviceDriver::Release(bool Ipv6Form) {
  if (!FPortDriver) return;
  if (Ipv6Form)
    FPortDriver->Assign_v6(FPortIndexStr, FUDPPort, nullptr, nullptr);
  else
    FPortDriver->Assign(FPortIndex, FUDPPort, nullptr, nullptr);
  TPortDriver* port = FPortDriver;
  FPortDriver = nullptr;
  port->Close();
}

TInpEvent TDeviceDriver::InputHandler() {
  return [this](std::int32_t PortIndex, const std::string& Inp) { Input(PortIndex, Inp); };
}

TErrEvent TDeviceDriver::ErrorHandler() {
  return [this](std::int32_t PortIndex, std::uint8_t Err) { Error(PortIndex, Err); };
}

void TDeviceDriver::SetDebugHandler(TDebugHandler DebugHandler) {
  std::lock_guard lock(FDebugLock);
  FDebugHandler = std::move(DebugHandler);
}

void TDeviceDriver::SetDefaultQueue(std::uint16_t Ident, std::uint8_t Domain, std::uint8_t Info) {
  FDefaultQueue = std::uint64_t{1} << 32 | std::uint64_t{Ident} << 16 | std::uint64_t{Domain} << 8 | Info;
}

void TDeviceDriver::ObtainDevice(TMxTask* Sender, std::int64_t Timeout) { Sender->WaitFor(&Semaphore, Timeout); }

std::uint8_t TDeviceDriver::ReleaseDevice(TMxTask* Sender) {
  if (!Semaphore.IsOwner(Sender)) return StatusNotOwner;
  Semaphore.Release(Sender);
  return 0;
}

void TDeviceDriver::AssignCurrentService(TMxQueue* Queue, std::uint8_t ServiceId) {
  if (FCurrentServiceIdent >= 0)
    throw Exception(Format("%s.AssignCurrentService: current service is already assigned", ClassName()));
  CurrentServiceQueue = Queue;
  FCurrentServiceIdent = ServiceId;
}

void TDeviceDriver::ReleaseCurrentService(TMxQueue* Queue) {
  if (Queue != CurrentServiceQueue)
    throw Exception(Format("%s.ReleaseCurrentService: wrong current service queue", ClassName()));
  FCurrentServiceIdent = -1;
  CurrentServiceQueue = nullptr;
}

std::uint8_t TDeviceDriver::Output(TMxTask* Sender, const std::string& Msg, const AnsiString& CardName) {
  if (MainFormExitRequest) return 0;
  if (!FPortDriver) return StatusNoPortDriver;
  if (!Semaphore.IsOwner(Sender)) return StatusNotOwner;
  std::string frame = Msg;
  bool handled = false;
  std::uint8_t status = ModifyOutput(frame, handled);
  if (handled) return status;
  if (FPortDriver->PortType() == "ETH_v6")
    status = FPortDriver->Output_v6(FPortIndexStr, frame, FUDPPort, CardName);
  else
    status = FPortDriver->Output(FPortIndex, frame, FUDPPort);
  Trace(0x100, "OUT", frame);
  if (status == StatusRsSendFailed) LostList().Add(FPortDriver->PortName());
  return status;
}

void TDeviceDriver::Input(std::int32_t PortIndex, const std::string& Inp) {
  if (MainFormExitRequest) return;
  std::string frame = Inp;
  bool handled = false;
  ModifyInput(frame, handled);
  if (!handled) Route(frame);
  if (!frame.empty()) Trace(0x200, "IN", frame);
}

// Between two requests the command byte is -1, so a frame then always goes to the
// default receiver.
void TDeviceDriver::Route(const std::string& Inp) {
  if (Inp.empty()) return;
  const auto command = static_cast<std::uint8_t>(Inp[0]);
  if (command == FCurrentServiceIdent) {
    if (!CurrentServiceQueue) return;
    TMxMessage* msg = TMxMessage::Create();
    msg->SetText(Inp);
    CurrentServiceQueue->PutMessage(msg);
    return;
  }
  const std::uint64_t receiver = FDefaultQueue;
  if (!(receiver >> 32)) return;
  TMxMessage* msg = TMxMessage::Create();
  msg->SetText(Inp);
  msg->SetReceiver(static_cast<std::uint16_t>(receiver >> 16), static_cast<std::uint8_t>(receiver >> 8),
                   static_cast<std::uint8_t>(receiver));
  // A receiver that went away must not end the port's delivering task: the frame is
  // dropped, and the next one tries again.
  try {
    FMainQueue->SendMessage(msg);
  } catch (const std::exception& e) {
    LogInfo(Utf8ToAnsi(e.what()));
  }
}

int TDeviceDriver::NumberOfTries() const { return FPortDriver ? FPortDriver->NumberOfTries() : MaxNumberOfTries(); }

void TDeviceDriver::Error(std::int32_t PortIndex, std::uint8_t Err) {
  if (OnError) OnError(PortIndex, Err);
}

void TDeviceDriver::Trace(std::uint16_t Base, const char* Direction, const std::string& Msg) {
  TDebugHandler handler;
  {
    std::lock_guard lock(FDebugLock);
    handler = FDebugHandler;
  }
  if (!handler || !FPortDriver) return;
  const std::uint16_t id = Base + (Msg.empty() ? 0 : static_cast<std::uint8_t>(Msg[0]));
  const AnsiString bytes = StrToHexStr(std::string_view(Msg).substr(0, TraceMaxBytes));
  const AnsiString& type = FPortDriver->PortType();
  AnsiString where;
  if (type == "ETH")
    where = " - ETH (" + IntToIPStr(static_cast<std::uint32_t>(FPortIndex)) + ") - ";
  else if (type == "ETH_v6")
    where = " - ETHv6 (" + FPortIndexStr + ") - ";
  else
    where = " - " + FPortDriver->PortName() + " ";
  // Tracing never stops a frame.
  try {
    handler(id, "(" + MillisecondsFromStart() + ")" + where + Direction + ": " + bytes);
  } catch (...) {
  }
}

}  // namespace vt
