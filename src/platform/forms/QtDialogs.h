// The window versions of the message box, the message dialog, the save dialog, the
// message window and the beep (Qt Widgets):
// the program installs them once its application object exists.
#pragma once

namespace vt {

// Installs the handlers of Dialogs.h that show Qt windows. The dialog is named
// "MessageDlg"; its buttons carry the names "Yes", "No", "OK", "Cancel", "Abort",
// "Retry" and "Ignore", so that tests find and press them. The save dialog is named
// "SaveDialog", a message window's face "MessageWindow".
void InstallQtDialogs();

}  // namespace vt
