// What the drive link shares with the application shell, kept here until the shell owns
// it: the user's number of tries per network card, and the list of serial ports whose
// write failed (connection lost). Both are read and written on several threads.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

// The number of sends per network card for one drive request (view setting
// "MaxNumberOfTries", default 5).
int MaxNumberOfTries();
// Stores the user's new number; drivers that lowered their own budget (the IPv6 card
// walk) take it from now on.
void SetMaxNumberOfTries(int Value);
// Counts the stores, so that a driver can tell whether the user set a number since.
std::uint32_t MaxNumberOfTriesChanges();

// The ports whose serial write failed, once per failed frame; the connection-lost
// handling of a device finds its port here and removes it.
class TLostList {
 public:
  void Add(const AnsiString& PortName);
  // Every entry of that name.
  void Remove(const AnsiString& PortName);
  std::vector<AnsiString> Items() const;

 private:
  mutable std::mutex FLock;
  std::vector<AnsiString> FItems;
};

TLostList& LostList();

}  // namespace vt
