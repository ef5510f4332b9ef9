// The frame limits of a list read (get parameter in a list mode): the request holds
// command, mode and 2 bytes per UPID, the answer command, status and the values, and
// each travels in one frame of at most 255 bytes and no longer than the drive's buffer.
// The parameter service's batched read and the variables' multi-value reader share them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vt {

inline constexpr int MaxListFrame = 255;
inline constexpr int ListRequestOverhead = 2;
inline constexpr int ListAnswerOverhead = 2;

// The longest list frame for a drive whose login named MaxBufferSize (0: none named).
inline int ListFrameLimit(std::uint8_t MaxBufferSize) {
  return MaxBufferSize > 0 ? std::min<int>(MaxListFrame, MaxBufferSize) : MaxListFrame;
}
// Bytes of values one answer may carry: the user's budget within the frame.
inline int ListValueBudget(int MultiReadSize, int FrameLimit) {
  return std::min(MultiReadSize, FrameLimit - ListAnswerOverhead);
}
// UPIDs one request may hold.
inline int ListMaxEntries(int FrameLimit) { return (FrameLimit - ListRequestOverhead) / 2; }

}  // namespace vt
