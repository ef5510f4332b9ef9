// The message and error log managers; see LogManagers.h.
#include "logs/LogManagers.h"

namespace vt {

std::unique_ptr<TMessagesManager> MessagesManager;
std::unique_ptr<TErrorsManager> ErrorsManager;

}  // namespace vt
