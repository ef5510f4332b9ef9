// The simple modal message box, reached through one replaceable handler: the program
// installs the window version at start-up; headless runs and tests install their own,
// so nothing ever waits for a click that cannot come.
#pragma once

#include <functional>
#include <string>

namespace vt {

using TShowMessageHandler = std::function<void(const std::u16string& Text)>;

// Shows Text and returns when the user has closed the box (or the handler returned).
void ShowMessage(const std::u16string& Text);
// Installs a handler; an empty one restores the default, which writes to stderr.
void SetShowMessageHandler(TShowMessageHandler Handler);

}  // namespace vt
