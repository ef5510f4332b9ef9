// The serial port object of the drive link: opens a port with its line settings and
// receives through a client of a thread manager, which waits on the port's descriptor
// while reception is armed and calls the receive handler on its own thread with as
// many bytes as the handler asked for. Writes are not waited for beyond the moment the
// port has taken every byte.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/SerialPort.h"
#include "platform/TextConversion.h"

namespace vt {

class TThreadManager;
class TThreadClient;

// The bytes of one read. NextSize (preset to 1) says how many bytes the next read may
// take; Stop set pauses reception until Start.
using TRsRxEvent = std::function<void(const std::string& Data, std::uint8_t& NextSize, bool& Stop)>;

class TCommPort {
 public:
  TCommPort();
  virtual ~TCommPort();
  TCommPort(const TCommPort&) = delete;
  TCommPort& operator=(const TCommPort&) = delete;

  virtual const char* ClassName() const { return "TCommPort"; }

  // Raises "%s.OpenPort: port %s is already open", "Port %s could not be opened!",
  // "TRsPort.OpenPort: port type error", "TRsPort.OpenPort: problem setting timeouts"
  // or "TRsPort.OpenPort: problem with port settings. Error Code: " with the error
  // number; every failure leaves the port closed.
  void OpenPort(TThreadManager* ThreadManager);
  // After it returns the receive handler is not called again.
  void ClosePort();
  bool IsOpen() const;
  // Raises "TRsPort.Send: an error occured!" when the port does not take the bytes.
  void Send(const std::string& Data);
  void SendBuffer(const void* BufPtr, int ByteCount);
  // Resumes reception paused by the handler; a Start while the handler runs (from it, or
  // from another thread that the handler woke) outweighs the handler's pause.
  void Start();

  AnsiString FPortName = "COM1";
  std::uint32_t FBaud;
  std::uint8_t FDataBits = 8;
  std::uint8_t FParity = 0;
  std::uint8_t FStopBits = 0;
  TRsRxEvent FOnReceive;

 protected:
  // Calls FOnReceive with RxBuffer; on the thread manager's thread.
  virtual void Receive();

  std::string RxBuffer;
  std::uint8_t FNextSize = 1;

 private:
  // What the thread client's handler reaches; it outlives the port object as long as
  // the manager may still call the handler.
  struct TReceiver;

  void DoReceive();
  void ReadError(int Error);
  void Write(std::string_view Data, const char* What);

  TSerialPort FPort;
  std::mutex FLock;  // Start, and the pause that a handler asks for
  std::atomic<bool> FStopped{false};
  std::uint64_t FStarts = 0;  // under FLock
  std::shared_ptr<TReceiver> FReceiver;
  TThreadClient* ThreadClient = nullptr;
};

}  // namespace vt
