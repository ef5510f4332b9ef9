// The login time-out window ("Timeout Settings"): the answer time-out of the login
// request, 250 ms, 2 s or a custom value of at least 2000 ms; OK puts it in force for the
// drive link at once. Shown without blocking. GUI thread only.
#pragma once

#include <QDialog>

#include <cstdint>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vt {

class TTimeout_Settings : public QDialog {
 public:
  explicit TTimeout_Settings(QWidget* Parent = nullptr);

  // Chooses the radio button of the link's login time-out, then shows the window.
  void Beforshow();

  QRadioButton* DefaultTimeout;
  QRadioButton* Timeout_2s;
  QRadioButton* TimeoutCustom;
  QLineEdit* TimeoutEdit;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  // The chosen time-out in milliseconds.
  std::int32_t Value = 250;

 private:
  void CustomClick();
  void TimeoutEditExit();
  void OKClick();
};

}  // namespace vt
