// The login information window ("Login Info "): the progress lines that the services of
// a device write while it logs in (trees found on the drive, description files found on
// disk) and the outcome the main state machine adds. Abort asks the running login to
// stop; Close is for the user once the outcome is there. The shell owns the one window;
// InstallLoginWindows routes the services' lines and tree questions to the windows.
//
// Threads: the GUI thread only.
#pragma once

#include <QDialog>

#include <functional>

#include "platform/TextConversion.h"

class QPlainTextEdit;
class QPushButton;

namespace vt {

class TLoginInfoForm : public QDialog {
 public:
  explicit TLoginInfoForm(QWidget* Parent = nullptr);

  // Appends a line; shows the window (not modal) when it is hidden.
  void AddString(const WideString& AStr);
  // Appends Text to the last line; a CR in it begins a new line.
  void AppendText(const WideString& Text);
  void Clear();
  QPlainTextEdit* Memo() const { return Memo1; }

  // Called by the Abort button: the shell sets its login abort request.
  std::function<void()> OnAbort;

  QPlainTextEdit* Memo1;
  QPushButton* AbortBtn;
  QPushButton* CloseBtn;
};

// Installs the handlers of devices/LoginWindows.h that show Qt windows: a tree dialog
// (TLoginMsgForm) for each question, and InfoWindow for the lines; the caller keeps
// InfoWindow while the handlers are installed.
void InstallLoginWindows(TLoginInfoForm& InfoWindow);

}  // namespace vt
