// The question before the last commander closes with devices open ("CloseForm"): close
// (Yes, result 6), save the whole project first (Save, 14) or stay (No, 2). Its texts come
// from the translation table each time it is shown. GUI thread only.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vt {

class TCloseDlgForm : public QDialog {
 public:
  // The modal results of the three buttons.
  static constexpr int mrYes = 6, mrSave = 14, mrCancel = 2;

  explicit TCloseDlgForm(QWidget* Parent = nullptr);

  QLabel* QuestionLbl;
  QPushButton* SaveBtn;
  QPushButton* YesBtn;
  QPushButton* CancelBtn;

 protected:
  void showEvent(QShowEvent* Event) override;
};

}  // namespace vt
