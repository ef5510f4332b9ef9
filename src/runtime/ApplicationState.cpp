// The application's state; see ApplicationState.h.
#include "runtime/ApplicationState.h"

#include <algorithm>

namespace vt {

void TLostList::Add(const AnsiString& PortName) {
  std::lock_guard lock(FLock);
  FItems.push_back(PortName);
}

bool TLostList::Contains(const AnsiString& PortName) const {
  std::lock_guard lock(FLock);
  return std::find(FItems.begin(), FItems.end(), PortName) != FItems.end();
}

void TLostList::RemoveFirst(const AnsiString& PortName) {
  std::lock_guard lock(FLock);
  if (const auto it = std::find(FItems.begin(), FItems.end(), PortName); it != FItems.end()) FItems.erase(it);
}

void TLostList::Remove(const AnsiString& PortName) {
  std::lock_guard lock(FLock);
  std::erase(FItems, PortName);
}

std::vector<AnsiString> TLostList::Items() const {
  std::lock_guard lock(FLock);
  return FItems;
}

TApplicationState& ApplicationState() {
  static TApplicationState state;
  return state;
}

}  // namespace vt
