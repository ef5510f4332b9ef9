// The "Missing UPID" window: it reports a UPID the drive does not know while parameters
// are read in lists, and lets the user ignore it, ignore all of them until the next
// device is created, or abort the login. One instance serves the whole run.
//
// Threads: the GUI thread only.
#pragma once

#include <QDialog>

#include "parameters/MissingUPIDPrompt.h"

class QCheckBox;
class QLabel;

namespace vt {

class TMissing_UPID : public QDialog, public TMissingUPIDPrompt {
 public:
  // Named "Missing_UPID": the label "Lbl_MissingUPID_Message" shows TUPIDMessage when the
  // window opens; the check box "CB_all"; "Btn_Ignore" closes it with mrIgnore,
  // "Btn_Abort" with mrAbort.
  explicit TMissing_UPID(QWidget* Parent = nullptr);

  bool IgnoreAll() const override;
  void ClearIgnoreAll() override;
  // Puts Message into TUPIDMessage and shows the window modally.
  TModalResult Show(const AnsiString& Message) override;

  AnsiString TUPIDMessage;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  QLabel* Lbl_MissingUPID_Message;
  QCheckBox* CB_all;
};

// Makes a window the missing-UPID prompt until Owner is destroyed.
void InstallMissingUPIDWindow(QObject* Owner);

}  // namespace vt
