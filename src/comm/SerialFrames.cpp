// Serial frames and their assembler; see SerialFrames.h.
#include "comm/SerialFrames.h"

#include <algorithm>

#include "comm/CommLimits.h"

namespace vt {

std::uint8_t Checksum(std::string_view Msg) {
  std::uint8_t sum = 0;
  for (char c : Msg) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
  return sum;
}

std::string RsFrame(std::string_view Payload) {
  std::string frame;
  frame.reserve(RsFrameHeaderSize + Payload.size());
  frame += static_cast<char>(RsFrameStart);
  frame += static_cast<char>(Payload.size());
  frame += static_cast<char>(Checksum(Payload));
  frame += Payload;
  return frame;
}

void TRsFrameAssembler::Receive(std::string_view Data, std::int64_t Now) {
  if (Data.empty()) return;
  if (RxState != stWaitForHeader1 && Now - FLastByte > RsFrameGap) Reset();
  FLastByte = Now;
  while (!Data.empty()) Data.remove_prefix(Take(Data));
}

std::size_t TRsFrameAssembler::Take(std::string_view Data) {
  const auto byte = static_cast<std::uint8_t>(Data[0]);
  switch (RxState) {
    case stWaitForHeader1:
      if (byte == RsFrameStart) RxState = stWaitForHeader2;
      return 1;
    case stWaitForHeader2:
      RxDataSize = byte;
      RxState = stWaitForHeader3;
      return 1;
    case stWaitForHeader3:
      RxCheckSum = byte;
      RxBuffer.clear();
      RxState = stWaitForTalkFrame;
      if (RxDataSize == 0) Complete();
      return 1;
    case stWaitForTalkFrame: {
      const std::size_t n = std::min<std::size_t>(Data.size(), RxDataSize - RxBuffer.size());
      RxBuffer.append(Data.substr(0, n));
      if (RxBuffer.size() == RxDataSize) Complete();
      return n;
    }
  }
  return 1;
}

void TRsFrameAssembler::Complete() {
  const std::uint8_t computed = Checksum(RxBuffer);
  // The state is reset first: a handler may look at it.
  std::string payload;
  payload.swap(RxBuffer);
  RxState = stWaitForHeader1;
  if (computed == RxCheckSum) {
    if (OnFrame) OnFrame(payload);
  } else if (OnChecksumError) {
    OnChecksumError(RxCheckSum, computed);
  }
}

std::uint8_t TRsFrameAssembler::NextSize() const {
  if (RxState != stWaitForTalkFrame) return 1;
  return static_cast<std::uint8_t>(RxDataSize - RxBuffer.size());
}

void TRsFrameAssembler::Reset() {
  RxState = stWaitForHeader1;
  RxBuffer.clear();
}

}  // namespace vt
