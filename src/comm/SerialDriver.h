// The serial port driver: frames every payload, writes it through its serial port,
// assembles received bytes into payloads on the thread manager's thread and delivers
// them to the link in its one slot from a task of the scheduler given at open.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "comm/PortDriver.h"
#include "comm/SerialFrames.h"

namespace vt {

class TCommPort;
class TMxQueue;
class TMxTask;

// The talk server's port name at a 0-based position of its port list.
using TPortNameAt = std::function<AnsiString(std::int32_t Index)>;

class TRsDriver : public TPortDriver {
 public:
  // PortNr is the driver's 1-based position in the port list that PortNameAt reads.
  TRsDriver(std::int32_t PortNr, std::uint32_t BaudRate, TPortNameAt PortNameAt);
  ~TRsDriver() override;

  // Opens the port (its failures are raised again, the driver stays closed and the
  // next open tries again), then lets the line settle for 250 ms on the calling thread.
  void Open(TMxScheduler* AScheduler, TThreadManager* AThreadManager) override;
  // The baud rate returns to the one given at creation.
  void Close() override;
  // 0, 0x80 for a payload above 255 bytes (its length would not fit), 0x8F when the
  // port does not take the frame.
  std::uint8_t Send(std::int32_t PortIndex, const std::string& Msg, std::int32_t UDPPort) override;

  std::uint32_t BaudRate() const { return FBaudRate; }
  // Used by the next open.
  void SetBaudRate(std::uint32_t Value) { FBaudRate = Value; }

 private:
  // The port's receive handler, on the thread manager's thread.
  void Receive(const std::string& Data, std::uint8_t& NextSize, bool& Stop);
  // The delivering task's step: one payload per step.
  void Work(TMxTask* Sender);
  // The task and queue live from the first open on; closing from the GUI thread must
  // not free a task that the talk thread may be running.
  void EnsureRxTask(TMxScheduler* AScheduler);

  const std::int32_t FPortNr;
  const std::uint32_t FDefaultBaudRate;
  std::atomic<std::uint32_t> FBaudRate;
  const TPortNameAt FPortNameAt;

  std::mutex FPortLock;  // CommPort: open, close and send on different threads
  std::unique_ptr<TCommPort> CommPort;
  TRsFrameAssembler FAssembler;  // the thread manager's thread only, while the port is open
  AnsiString FLogName;           // the port's name for the checksum line
  std::unique_ptr<TMxQueue> RxQueue;
  std::unique_ptr<TMxTask> RxTask;
};

}  // namespace vt
