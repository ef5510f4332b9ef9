// The user and password window ("Switch User"): other parts fill it, show it modally and
// read the edits after OK (the safety module's login, loading a configuration, the
// commander's switch-user command). The password is emptied each time it is shown.
// GUI thread only.
#pragma once

#include <QDialog>

#include "platform/TextConversion.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vt {

class TPasswordDlg : public QDialog {
 public:
  explicit TPasswordDlg(QWidget* Parent = nullptr);

  WideString GetUserName() const;
  void SetUserName(const WideString& Value);
  WideString GetPassword() const;
  // The edits' maximum lengths.
  void SetUserStringLength(int Length);
  void SetPassStringLength(int Length);
  // Shows or hides the checksum edit with its label.
  void SetCRCEditVisibility(bool Visible);
  void SetCRCText(const WideString& Text);

  QLineEdit* UserEdt;
  QLineEdit* PasswordEdt;
  QLabel* InfoMsg;
  QLineEdit* CRCEdt;
  QLabel* CRCLbl;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

 protected:
  void showEvent(QShowEvent* Event) override;
};

}  // namespace vt
