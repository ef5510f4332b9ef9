// The tree dialog of a login: why the drive's parameter trees cannot be used as they are
// (a top text), a choice (Yes and a second button, or the second button alone), and a
// details panel that lists the drive's trees and the description files found, hidden
// until "Show Details" is pressed.
//
// Threads: the GUI thread only.
#pragma once

#include <QDialog>

#include "devices/LoginWindows.h"

class QFrame;
class QLabel;
class QPushButton;

namespace vt {

class TLoginMsgForm : public QDialog {
 public:
  explicit TLoginMsgForm(QWidget* Parent = nullptr);

  // Texts may hold CR as line breaks.
  void Setup(const TTreeDialogRequest& Request);
  // mrYes (Button1), mrNo (Button2), mrNone when closed otherwise.
  TModalResult ShowModal();

  // Set when a newer firmware description was downloaded from the dialog; this dialog
  // offers no download, so it stays false.
  bool FNewOldReleasesFlag = false;

 private:
  void ToggleDetails();

  QLabel* Label1;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button4;
  QFrame* MiddlePanel;
  QLabel* Label2;
};

}  // namespace vt
