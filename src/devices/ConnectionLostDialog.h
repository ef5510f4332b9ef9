// The shell's "Connection Lost" dialog as the device services reach it: one replaceable
// handler. The program installs the window (InstallConnectionLostDialog in the device
// forms); headless runs and tests install their own, so nothing waits for a click that
// cannot come.
#pragma once

#include <functional>

#include "platform/Dialogs.h"
#include "platform/TextConversion.h"

namespace vt {

// Message: the text shown in place of "Connection Lost!". The dialog answers mrCancel
// for "Go Offline" and mrRetry for "Retry".
using TConnectionLostHandler = std::function<TModalResult(const WideString& Message)>;

TModalResult ShowConnectionLostDialog(const WideString& Message);
// Installs a handler; an empty one restores the default, which writes the message to
// stderr and answers mrNone: without a window nobody can choose.
void SetConnectionLostHandler(TConnectionLostHandler Handler);

}  // namespace vt
