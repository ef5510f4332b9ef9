// The drive link's state shared with the shell; see SharedLinkState.h.
#include "comm/SharedLinkState.h"

#include <algorithm>
#include <atomic>

namespace vt {

namespace {

std::atomic<int> GMaxNumberOfTries{5};
std::atomic<std::uint32_t> GMaxNumberOfTriesChanges{0};

}  // namespace

int MaxNumberOfTries() { return GMaxNumberOfTries; }

void SetMaxNumberOfTries(int Value) {
  GMaxNumberOfTries = Value;
  ++GMaxNumberOfTriesChanges;
}

std::uint32_t MaxNumberOfTriesChanges() { return GMaxNumberOfTriesChanges; }

void TLostList::Add(const AnsiString& PortName) {
  std::lock_guard lock(FLock);
  FItems.push_back(PortName);
}

void TLostList::Remove(const AnsiString& PortName) {
  std::lock_guard lock(FLock);
  FItems.erase(std::remove(FItems.begin(), FItems.end(), PortName), FItems.end());
}

std::vector<AnsiString> TLostList::Items() const {
  std::lock_guard lock(FLock);
  return FItems;
}

TLostList& LostList() {
  static TLostList list;
  return list;
}

}  // namespace vt
