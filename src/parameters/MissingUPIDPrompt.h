// The question that a UPID the drive does not know raises while parameters are read in
// lists: "Ignore" goes on, "Abort" stops the login, and "Ignore all missing UPIDs"
// silences it until the next device is created. The window (forms/MissingUPIDForm) is
// installed by the program; without it a message box with Abort and Ignore asks.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "platform/Dialogs.h"
#include "platform/TextConversion.h"

namespace vt {

class TMissingUPIDPrompt {
 public:
  virtual ~TMissingUPIDPrompt() = default;
  // "Ignore all missing UPIDs" is ticked.
  virtual bool IgnoreAll() const = 0;
  virtual void ClearIgnoreAll() = 0;
  // Shows Message modally: mrIgnore, mrAbort, or mrNone when closed otherwise.
  virtual TModalResult Show(const AnsiString& Message) = 0;
};

// The prompt in use.
TMissingUPIDPrompt& MissingUPIDPrompt();
// Installs a prompt, which the caller keeps alive while installed; none restores the
// message box.
void SetMissingUPIDPrompt(TMissingUPIDPrompt* Prompt);

// "UPID = " + at least four upper-case hexadecimal digits + "h does not exist!".
AnsiString MissingUPIDText(std::int32_t UPID);
// Asks about UPID unless all are ignored; true when the user chose "Abort".
bool MissingUPIDAborts(std::int32_t UPID);

}  // namespace vt
