// The shell's "Connection Lost" dialog: a message and the choice between going offline
// and trying the drive again.
//
// Threads: the GUI thread only.
#pragma once

#include <QDialog>

#include "platform/TextConversion.h"

class QLabel;

namespace vt {

class TConnectionLostDlg : public QDialog {
 public:
  // Named "ConnectionLostDlg"; the label "MsgLabel" reads "Connection Lost!" until
  // SetMessage; "GoOfflineBtn" closes it with mrCancel, "RetryBtn" with mrRetry.
  explicit TConnectionLostDlg(QWidget* Parent = nullptr);

  void SetMessage(const WideString& Text);

 private:
  QLabel* MsgLabel;
};

// Makes the dialog the handler of ShowConnectionLostDialog.
void InstallConnectionLostDialog();

}  // namespace vt
