// The login information window: the progress lines that the services of a device write
// while it logs in (trees found on the drive, description files found on disk). The
// shell owns the one window; InstallLoginWindows routes the services' lines and tree
// questions to the windows.
//
// Threads: the GUI thread only.
#pragma once

#include <QWidget>

#include "platform/TextConversion.h"

class QPlainTextEdit;

namespace vt {

class TLoginInfoForm : public QWidget {
 public:
  explicit TLoginInfoForm(QWidget* Parent = nullptr);

  // Shows the window when it is hidden and appends Line.
  void AddLine(const WideString& Line);
  // Appends Text to the last line; a CR in it begins a new line.
  void AppendText(const WideString& Text);
  void Clear();
  QPlainTextEdit* Memo() const { return Memo1; }

 private:
  QPlainTextEdit* Memo1;
};

// Installs the handlers of devices/LoginWindows.h that show Qt windows: a tree dialog
// (TLoginMsgForm) for each question, and InfoWindow for the lines; the caller keeps
// InfoWindow while the handlers are installed.
void InstallLoginWindows(TLoginInfoForm& InfoWindow);

}  // namespace vt
