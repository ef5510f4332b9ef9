// The serial port driver; see SerialDriver.h.
#include "comm/SerialDriver.h"

#include <chrono>
#include <thread>

#include "comm/CommLimits.h"
#include "comm/CommPort.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "runtime/Messages.h"
#include "runtime/TickTimer.h"

namespace vt {

TRsDriver::TRsDriver(std::int32_t PortNr, std::uint32_t BaudRate, TPortNameAt PortNameAt)
    : TPortDriver(RsPortCount),
      FPortNr(PortNr),
      FDefaultBaudRate(BaudRate),
      FBaudRate(BaudRate),
      FPortNameAt(std::move(PortNameAt)) {
  FPortType = "RS";
  FAssembler.OnFrame = [this](const std::string& Payload) {
    TMxMessage* msg = TMxMessage::Create();
    msg->SetText(Payload);
    RxQueue->PutMessage(msg);
  };
  FAssembler.OnChecksumError = [this](std::uint8_t Received, std::uint8_t Computed) {
    LogInfo(Format("%s: Checksum error! %d(%d)", FLogName, Received, Computed));
  };
}

TRsDriver::~TRsDriver() { Close(); }

void TRsDriver::Open(TMxScheduler* AScheduler, TThreadManager* AThreadManager) {
  std::lock_guard lock(FPortLock);
  if (PortIsOpen()) return;
  TPortDriver::Open(AScheduler, AThreadManager);
  auto port = std::make_unique<TCommPort>();
  port->FPortName = FPortNameAt(FPortNr - 1);
  port->FBaud = FBaudRate;
  port->FOnReceive = [this](const std::string& Data, std::uint8_t& NextSize, bool& Stop) {
    Receive(Data, NextSize, Stop);
  };
  EnsureRxTask(AScheduler);
  FLogName = port->FPortName;
  FAssembler.Reset();
  try {
    port->OpenPort(AThreadManager);
  } catch (const std::exception& e) {
    TPortDriver::Close();
    throw Exception(e.what());
  }
  CommPort = std::move(port);
  std::this_thread::sleep_for(std::chrono::milliseconds(RsOpenPause));
}

void TRsDriver::EnsureRxTask(TMxScheduler* AScheduler) {
  if (RxTask && RxTask->Scheduler() == AScheduler) return;
  RxTask.reset();
  RxQueue = std::make_unique<TMxQueue>();
  RxTask = std::make_unique<TMxTask>(AScheduler, "RSDriver.Open");
  RxTask->OnExecute = [this](TMxTask* Sender) { Work(Sender); };
  RxTask->Start();
}

void TRsDriver::Close() {
  std::lock_guard lock(FPortLock);
  if (!PortIsOpen()) return;
  CommPort.reset();  // closes the port: no more payloads after this
  while (TMxMessage* m = RxQueue->GetMessage()) TMxMessage::Free(m);
  FBaudRate = FDefaultBaudRate;
  TPortDriver::Close();
}

std::uint8_t TRsDriver::Send(std::int32_t PortIndex, const std::string& Msg, std::int32_t UDPPort) {
  if (Msg.size() > MaxPayloadSize) return StatusPortRefused;
  std::lock_guard lock(FPortLock);
  try {
    if (!CommPort) return StatusRsSendFailed;
    CommPort->Send(RsFrame(Msg));
  } catch (const std::exception&) {
    return StatusRsSendFailed;
  }
  return 0;
}

void TRsDriver::Receive(const std::string& Data, std::uint8_t& NextSize, bool& Stop) {
  FAssembler.Receive(Data, MyGetTickCount());
  NextSize = FAssembler.NextSize();
}

void TRsDriver::Work(TMxTask* Sender) {
  if (TMxMessage* msg = RxQueue->GetMessage()) {
    const std::string payload = msg->GetText();
    TMxMessage::Free(msg);
    Input(0, payload);
  }
  Sender->WaitFor(RxQueue.get(), MxNoTimeout);
}

}  // namespace vt
