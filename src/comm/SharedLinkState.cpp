// The drive link's state shared with the shell; see SharedLinkState.h.
#include "comm/SharedLinkState.h"

#include <algorithm>

#include "comm/CommLimits.h"

namespace vt {

namespace {

std::atomic<int> GMaxNumberOfTries{5};
std::atomic<std::uint32_t> GMaxNumberOfTriesChanges{0};
std::atomic<bool> GRepeatChecksum{false};
std::atomic<int> GManualBufferSize{MaxManualBufferSize};

}  // namespace

std::atomic<std::int32_t> loginTimeout{DefaultLoginTimeout};
std::atomic<std::int32_t> shortTimeout{DefaultShortTimeout};
std::atomic<std::int32_t> extendedTimeout{DefaultExtendedTimeout};
std::atomic<std::uint32_t> GlobalBaudrate{0};

bool RepeatChecksum() { return GRepeatChecksum; }

void SetRepeatChecksum(bool Value) { GRepeatChecksum = Value; }

void ResetTimeouts() {
  loginTimeout = DefaultLoginTimeout;
  shortTimeout = DefaultShortTimeout;
  extendedTimeout = DefaultExtendedTimeout;
}

void ApplyLoginTimeout(std::int32_t Milliseconds) {
  loginTimeout = Milliseconds;
  shortTimeout = std::max(DefaultShortTimeout, Milliseconds);
  // 3 x 10^9 would not fit: the product is taken in 64 bits and kept in range.
  const std::int64_t extended = std::max<std::int64_t>(extendedTimeout, 3 * std::int64_t{Milliseconds});
  extendedTimeout = static_cast<std::int32_t>(std::min<std::int64_t>(extended, INT32_MAX));
}

int MaxNumberOfTries() { return GMaxNumberOfTries; }

void SetMaxNumberOfTries(int Value) {
  GMaxNumberOfTries = Value;
  ++GMaxNumberOfTriesChanges;
}

std::uint32_t MaxNumberOfTriesChanges() { return GMaxNumberOfTriesChanges; }

int ManualBufferSize() { return GManualBufferSize; }

void SetManualBufferSize(int Value) { GManualBufferSize = std::clamp(Value, MinManualBufferSize, MaxManualBufferSize); }

AnsiString TShellTexts::Get(const AnsiString& Name) const {
  const auto it = FItems.find(Name);
  return it == FItems.end() ? AnsiString() : it->second;
}

TShellTexts& ProductInfos() {
  static TShellTexts texts;
  return texts;
}

TShellTexts& CompanyInfos() {
  static TShellTexts texts;
  return texts;
}

}  // namespace vt
