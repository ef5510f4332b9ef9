// The one way logic code shows a modal message to the user. Logic never includes a
// window: the windows library installs the real message box here at start-up; until
// then (tests, runs without windows) the text goes to standard error.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vt {

using TShowMessageHandler = std::function<void(const std::string& Utf8Text)>;

// Shows the text and returns when the user has closed the message.
void ShowMessage(std::string_view Utf8Text);

// Installs the handler (an empty one restores standard error) and returns the previous one.
TShowMessageHandler SetShowMessageHandler(TShowMessageHandler Handler);

}  // namespace vt
