// The workspace login window ("Login"): asks for user and password of each drive while a
// workspace is opened, or takes the values entered for the previous drive when "Use same
// User/Pass for all drives" is ticked. GUI thread only.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vt {

class TDevice;

class TPWDialogForm : public QDialog {
 public:
  explicit TPWDialogForm(QWidget* Parent = nullptr);

  // For Device (set by the caller): the edits' values without asking while the check
  // box is ticked; else the window, modally (the first call of a workspace ticks the box
  // first, so the drives after it take the same values).
  void Start();
  // The device's "UserName" and "Password" from the edits; closes the window.
  void SavePW();

  TDevice* Device = nullptr;
  bool WorkspaceFlag = false;
  bool firstFlag = false;

  QLineEdit* UsernameEdit;
  QLineEdit* PasswordEdit;
  QCheckBox* UseforallChBox;
  QLabel* DeviceInfo;
  QPushButton* OKBtn;

 protected:
  void showEvent(QShowEvent* Event) override;
};

}  // namespace vt
