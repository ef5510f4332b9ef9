// What the drive link shares with the application shell, kept here until the shell owns
// it: the user's number of tries per network card, whether a request the drive saw with
// a wrong sum is sent again, the answer time-outs and the pending serial baud rate; and
// what the talk service reads of the shell's settings and texts. The request executors
// read the first ones on the talk thread at every decision while the shell may change
// them, hence atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>

#include "platform/TextConversion.h"
#include "runtime/ApplicationState.h"

namespace vt {

// The number of sends per network card for one drive request (view setting
// "MaxNumberOfTries", default 5).
int MaxNumberOfTries();
// Stores the user's new number; drivers that lowered their own budget (the IPv6 card
// walk) take it from now on.
void SetMaxNumberOfTries(int Value);
// Counts the stores, so that a driver can tell whether the user set a number since.
std::uint32_t MaxNumberOfTriesChanges();

// Whether a request that the drive answers with 0xEE (it saw a wrong sum) is sent again
// (view setting "RepeateCheckSumErrors", default off).
bool RepeatChecksum();
void SetRepeatChecksum(bool Value);

// The answer time-outs in milliseconds: of a login request (frame 0x01), of every other
// request, and after a busy answer that names no time.
extern std::atomic<std::int32_t> loginTimeout;
extern std::atomic<std::int32_t> shortTimeout;
extern std::atomic<std::int32_t> extendedTimeout;
// Back to 250, 2000 and 25000.
void ResetTimeouts();
// The user's login time-out (setting "LoginTimeout"): loginTimeout takes it, shortTimeout
// becomes the larger of 2000 and it, extendedTimeout the larger of itself and three times it.
void ApplyLoginTimeout(std::int32_t Milliseconds);

// A pending serial baud rate (0: none): the next device opened on a closed serial port
// takes it, once.
extern std::atomic<std::uint32_t> GlobalBaudrate;

// The ports whose serial write failed: the application state's list.
inline TLostList& LostList() { return ApplicationState().LostList; }

// The user's cap on a drive's buffer size (view setting "ManualBufferSize", 2 to 255,
// default 255), which the talk service applies to the login answer; a value outside is
// taken as the nearer end.
int ManualBufferSize();
void SetManualBufferSize(int Value);

// The product and company information texts of the vendor information ("ProgramName",
// "ProgramVersionCaption", "HomePage"), empty for a name not held: the talk service names
// them in its message on incompatible firmware. GUI thread only.
class TShellTexts {
 public:
  AnsiString Get(const AnsiString& Name) const;
  void Set(const AnsiString& Name, const AnsiString& Value) { FItems[Name] = Value; }
  void Clear() { FItems.clear(); }

 private:
  std::map<AnsiString, AnsiString> FItems;
};

TShellTexts& ProductInfos();
TShellTexts& CompanyInfos();

}  // namespace vt
