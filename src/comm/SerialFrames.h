// The serial frame (0xA5, payload length, 8-bit sum of the payload, payload; no escaping,
// no terminator) and the assembler that turns received bytes back into payloads. The
// assembler tells how many bytes the next read may take, so that no read takes a byte
// of the next frame.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vt {

// The sum of the bytes modulo 256.
std::uint8_t Checksum(std::string_view Msg);
// The frame of a payload of at most 255 bytes.
std::string RsFrame(std::string_view Payload);

enum TRsRxState : std::uint8_t { stWaitForHeader1, stWaitForHeader2, stWaitForHeader3, stWaitForTalkFrame };

class TRsFrameAssembler {
 public:
  // Takes the bytes of one read, received at Now (milliseconds of a monotonic clock).
  // Bytes before a start byte are dropped; a partial frame is dropped when the next
  // byte comes more than RsFrameGap after the one before. A frame of length 0 is
  // complete with its header.
  void Receive(std::string_view Data, std::int64_t Now);
  // What the next read may take: 1 in the header states, else the missing payload bytes.
  std::uint8_t NextSize() const;
  void Reset();
  TRsRxState State() const { return RxState; }

  // A complete frame with the right sum.
  std::function<void(const std::string& Payload)> OnFrame;
  // A complete frame with a wrong sum; it is dropped.
  std::function<void(std::uint8_t Received, std::uint8_t Computed)> OnChecksumError;

 private:
  // Takes what the current state needs from Data; returns the bytes taken.
  std::size_t Take(std::string_view Data);
  void Complete();

  TRsRxState RxState = stWaitForHeader1;
  std::string RxBuffer;
  std::uint8_t RxDataSize = 0;
  std::uint8_t RxCheckSum = 0;
  std::int64_t FLastByte = 0;
};

}  // namespace vt
