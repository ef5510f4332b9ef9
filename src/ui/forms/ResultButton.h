// A push button that closes its dialog with a modal result, as the dialogs' Abort,
// Ignore or Retry buttons do.
#pragma once

#include <QPushButton>

#include "platform/Dialogs.h"

class QDialog;

namespace vt {

// Named Name, captioned Caption, a child of Dialog; a click ends Dialog with Result.
QPushButton* ResultButton(QDialog* Dialog, const char* Name, const char* Caption, TModalResult Result);

}  // namespace vt
