// A switch with two states, off and on: a rounded track whose thumb sits left when off
// and right when on, filled with the highlight colour when on. A click or the space key
// toggles it; QAbstractButton's toggled signal reports every change, clicked only the
// user's. Captions for the two states are labels of the owner's, beside it.
#pragma once

#include <QAbstractButton>

namespace vt {

enum TToggleSwitchState { tssOff, tssOn };

class TToggleSwitch : public QAbstractButton {
 public:
  explicit TToggleSwitch(QWidget* Parent = nullptr);

  TToggleSwitchState State() const { return isChecked() ? tssOn : tssOff; }
  void SetState(TToggleSwitchState Value) { setChecked(Value == tssOn); }
  bool IsOn() const { return isChecked(); }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

}  // namespace vt
