// The generic serial driver of scripts, the serial protocol test window and the login
// dialog's baud-rate tool: raw bytes on a serial port with chosen line settings, no
// frames. A wait fills the caller's buffer until a stop byte, a byte of a set or a count
// of bytes, then calls the owner's trigger. It can also send a text file with labels
// replaced by values. Drivers are made by the serial port manager, whose thread receives
// for all of them.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/TextConversion.h"

namespace vt {

class TCommPort;
class TSLDictionary;
class TThreadManager;

enum TCommParity { cpNone, cpEven, cpOdd };
enum TStopCondition { scNoCondition, scSingleChar, scCharSet, scCharCount };
using TCharSet = std::bitset<256>;

class TCommDriver {
 public:
  using TTriggerEvent = std::function<void(TCommDriver* Sender)>;

  // Raises "Internal Error: ThreadManager not assigned" without a thread manager. The
  // port starts as "COM1", 9600 baud, 8 data bits, no parity, one stop bit.
  explicit TCommDriver(TThreadManager* AThreadManager);
  ~TCommDriver();
  TCommDriver(const TCommDriver&) = delete;
  TCommDriver& operator=(const TCommDriver&) = delete;

  static constexpr const char* ClassName() { return "TCommDriver"; }

  // Raises the port's errors. The receiver starts paused: the first byte that arrives
  // before a wait is held, the next ones stay in the port's queue.
  void Open();
  // Not from inside the trigger (the receive thread would wait for itself).
  void Close();
  bool IsOpen() const;

  // The line settings; a change while the port is open raises "TCommDriver:
  // configuration not allowed when port is open".
  AnsiString PortIdent() const;
  void SetPortIdent(const AnsiString& Value);
  std::uint32_t BaudRate() const;
  void SetBaudRate(std::uint32_t Value);
  TCommParity Parity() const;
  void SetParity(TCommParity Value);
  std::uint8_t DataBits() const;
  void SetDataBits(std::uint8_t Value);
  std::uint8_t StopBits() const;  // 0 one, 1 one and a half, 2 two
  void SetStopBits(std::uint8_t Value);

  // Waits: each returns at once and ends the wait before it. BufPtr (or none: nothing
  // is stored or counted) must hold MaxCount bytes until the trigger; a stop byte is
  // never stored, and a buffer with MaxCount 0 ends the wait at once. The trigger runs
  // on the receive thread, or on the caller's when a held byte or MaxCount 0 ends the
  // wait; it may start the next wait.
  // Drops a held byte first.
  void WaitForChar(void* BufPtr, std::uint8_t AChar, std::uint32_t MaxCount);
  void WaitForCharSet(void* BufPtr, const TCharSet& ACharSet, std::uint32_t MaxCount);
  void WaitForCharCount(void* BufPtr, std::uint32_t MaxCount);
  // Every byte that arrives is dropped, until the next wait; no trigger.
  void ResetReceiver();

  // What the last wait stored, and the byte that ended it (0 when the count did).
  std::uint32_t RxBufCount() const;
  std::uint8_t LastStopChar() const;
  // A byte came while the receiver was paused and waits for the next wait.
  bool HoldsByte() const;
  void SetOnTrigger(TTriggerEvent Value);

  // Raises "TRsPort.SendBuffer: an error occured!" when the port does not take the bytes.
  void SendBuffer(const void* BufPtr, int ByteCount);
  // Nothing when Source does not exist. ChangeDictString holds labels and their values,
  // each item after a 0xA3 byte (0xA3 label 0xA3 value 0xA3 label ...); a label given
  // twice raises the dictionary's error. Then ReplaceLabel.
  void SendFiletoCom(const WideString& Source, const WideString& Destination, const AnsiString& ChangeDictString);
  // Replaces every label longer than one byte in Source's bytes by its value (labels in
  // the dictionary's order, the scan going on after each inserted value), writes the
  // result to TempDest and sends it. A missing Source: the message "Source File does
  // not exist". Write errors raise "Cannot create file "%s". %s".
  void ReplaceLabel(const TSLDictionary* ChangeDict, const WideString& Source, const WideString& TempDest);

  // The last source file given to SendFiletoCom.
  WideString TestString;

 private:
  // Raises while the port is open.
  template <class T>
  void Configure(T& Setting, T Value);
  // Starts a wait (the caller's thread); DropHeldByte for WaitForChar.
  void InitReceiver(void* BufPtr, std::uint32_t MaxCount, std::uint8_t StopChar, const TCharSet& StopCharSet,
                    TStopCondition StopCondition, bool DropHeldByte = false);
  // The port's receive handler, on the manager's thread.
  void CommPortReceive(const std::string& Data, std::uint8_t& NextSize, bool& Stop);
  // Under FInitReceiverLock: processes the held byte; true when the trigger is due.
  bool ProcessDataChar();
  // Under FInitReceiverLock: pauses and ends the wait; true when the trigger is due.
  bool TriggerStopCondition(std::uint8_t Ch);
  // Outside the lock, so that the trigger may start the next wait.
  void CallTrigger();

  TThreadManager* const FThreadManager;
  const std::unique_ptr<TCommPort> FCommPort;

  // The receiver's state, shared by the caller's thread and the receive thread.
  mutable std::mutex FInitReceiverLock;
  TTriggerEvent FOnTrigger;
  std::uint8_t* FRxBufPtr = nullptr;
  std::uint32_t FRxBufCount = 0;
  std::uint32_t FMaxRxBufCount = 0;
  bool FRecording = false;
  bool FPaused = false;
  bool FDataReady = false;
  std::uint8_t FDataChar = 0;
  TStopCondition FStopCondition = scNoCondition;
  std::uint8_t FStopChar = 0;
  TCharSet FStopCharSet;
  std::uint8_t FLastStopChar = 0;
};

}  // namespace vt
