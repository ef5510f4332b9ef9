// The serial baud-rate tool of the login dialog: it asks the drive on a serial port which
// baud rates it offers and tells it the rate for the link that follows, with QelRS frames
// through a generic serial driver of its own at 38400 baud. A rate that the drive
// confirms becomes the pending rate (GlobalBaudrate), which the talk server gives to the
// next serial link it opens. While it holds a port the shell's main state machine is held
// out of its ready state.
//
// Threads: requests start on the GUI thread; the answers arrive on the serial port
// manager's thread, which collects them under a lock, sets the pending rate at once (so
// that a set answer during the OK button's pause counts before the device opens) and
// posts the rates of a query answer to the GUI thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "comm/CommLimits.h"
#include "comm/MainThreadCalls.h"
#include "platform/TextConversion.h"

namespace vt {

class TCommDriver;
class TLoginShell;

// Collects a drive's answer byte by byte: the start byte (not checked), the length byte
// (RecLength) and then the sum byte and the payload (RSBuffer).
// The frame is complete with RecLength + 3 bytes; a length of 0 never completes. Locked:
// bytes come on the receive thread while the GUI thread resets it.
class TBaudAnswerCollector {
 public:
  // The sum byte and the payload once the frame is complete; then it starts over.
  std::optional<std::string> Add(std::uint8_t Byte);
  // Before a query: the next byte starts a frame.
  void Reset();

 private:
  std::mutex FLock;
  int RecCounter = 0;
  int RecLength = 0;
  std::string RSBuffer;
};

class TBaudRateTool {
 public:
  // The rates of a query answer as decimal texts in rising order, empty for an error
  // answer; on the GUI thread, and only for the query started last.
  using TRatesEvent = std::function<void(const std::vector<AnsiString>& Rates)>;

  TBaudRateTool(TLoginShell& Shell, TRatesEvent OnRates);
  // Closes the port first: no answer handler runs after it.
  ~TBaudRateTool();
  TBaudRateTool(const TBaudRateTool&) = delete;
  TBaudRateTool& operator=(const TBaudRateTool&) = delete;

  // Holds the shell, opens PortName at 38400 baud, 8 data bits, no parity, one stop bit
  // and sends the query. A port that does not open is logged, and nothing is sent.
  void GetBaudrate(const AnsiString& PortName);
  // Sends the set request for a rate of the list ("57600") and makes it the shell's last
  // rate; nothing for a text that is no rate.
  void SetBaudrate(const AnsiString& RateText);
  // Closes an open port and then serves events for 500 ms.
  void CloseCommDriver();
  bool IsOpen() const;
  // The rate of the last set request, 0 before one.
  std::uint32_t BaudrateSet() const { return FBaudrateSet; }

  // The request frames as hexadecimal text ("A5 02 0F 0F 00").
  static AnsiString QueryFrame();
  static AnsiString SetFrame(std::uint16_t Code);
  // The code of a rate (one bit of the drive's mask), 0 for a rate the drives never offer.
  static std::uint16_t RateCode(std::uint32_t Baud);
  // The rates of a mask in rising order, as decimal texts.
  static std::vector<AnsiString> RatesOfMask(std::uint16_t Mask);

 private:
  enum TAnswerKind { akQuery, akSet };
  // The trigger collects every byte, re-arms the driver for the next and hands a
  // complete answer (sum byte and payload) to the handler of Kind; on the receive thread.
  void SetTrigger(TAnswerKind Kind);
  void QueryAnswer(const std::string& Answer);
  void SetAnswer(const std::string& Answer);
  void Send(const AnsiString& HexFrame);

  TLoginShell& FShell;
  const TRatesEvent FOnRates;
  std::unique_ptr<TCommDriver> FCommDriver;
  // The driver writes one byte at a time into it.
  std::array<std::uint8_t, BaudToolRxBufferSize> RxBuffer{};
  std::atomic<std::uint32_t> FBaudrateSet{0};

  TBaudAnswerCollector FCollector;
  // The query started last: the rates of an older one are not shown. Closing the port
  // before a query waits for the answer handler, so an answer never counts for the next.
  std::atomic<std::uint32_t> FQueryNumber{0};

  TMainThreadCalls FCalls;
};

}  // namespace vt
