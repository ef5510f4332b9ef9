// The "Import Log" dialog, shown after an import that produced warnings: the caller sets
// the message and the caption of the second button and opens the warning list when
// the dialog ends with mrOk.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vt {

class TShowWarnForm : public QDialog {
 public:
  // Without a parent: a window of its own, centred on the screen.
  TShowWarnForm();

  // exec() gives mrCancel for "&OK" (the default button, also when the window is
  // closed) and mrOk for "&Show Details" (also Escape).
  QLabel* MsgLabel() const { return FMsgLabel; }
  QPushButton* ShowBtn() const { return FShowBtn; }

  void reject() override;

 protected:
  void resizeEvent(QResizeEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  void FormResize();

  QLabel* FMsgLabel;
  QWidget* FBottomPanel;
  QPushButton* FCloseBtn;
  QPushButton* FShowBtn;
};

}  // namespace vt
