// The process-wide managers of the drive's message log and error log; each will own the
// view factory of its list view, which joins with the view. GUI thread only.
#pragma once

#include <memory>

namespace vt {

class TMessagesManager {};
class TErrorsManager {};

// Made by the start-up, live until the process ends.
extern std::unique_ptr<TMessagesManager> MessagesManager;
extern std::unique_ptr<TErrorsManager> ErrorsManager;

}  // namespace vt
