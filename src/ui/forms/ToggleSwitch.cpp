// The toggle switch; see ToggleSwitch.h.
#include "ui/forms/ToggleSwitch.h"

#include <QPainter>

#include "ui/UiLimits.h"

namespace vt {

TToggleSwitch::TToggleSwitch(QWidget* Parent) : QAbstractButton(Parent) {
  setCheckable(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

QSize TToggleSwitch::sizeHint() const {
  return {ToggleSwitchWidth + 2 * ToggleFocusMargin, ToggleSwitchHeight + 2 * ToggleFocusMargin};
}

void TToggleSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  const QPalette& pal = palette();
  // The track keeps its proportions and sits in the middle of whatever size it is given.
  const QSizeF size(ToggleSwitchWidth, ToggleSwitchHeight);
  const QSizeF room(width() - 2 * ToggleFocusMargin, height() - 2 * ToggleFocusMargin);
  QRectF track(QPointF(0, 0), size.scaled(room, Qt::KeepAspectRatio));
  track.moveCenter(QRectF(rect()).center());
  const qreal radius = track.height() / 2;
  const qreal margin = track.height() * ToggleThumbMargin / ToggleSwitchHeight;
  const qreal thumb = track.height() - 2 * margin;
  const bool on = isChecked();
  const QColor ink = pal.color(group, on ? QPalette::Highlight : QPalette::WindowText);
  p.setPen(QPen(ink, 1.5));
  p.setBrush(on ? ink : pal.color(group, QPalette::Base));
  p.drawRoundedRect(track.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
  const qreal left = on ? track.right() - margin - thumb : track.left() + margin;
  p.setPen(Qt::NoPen);
  p.setBrush(on ? pal.color(group, QPalette::HighlightedText) : ink);
  p.drawEllipse(QRectF(left, track.top() + margin, thumb, thumb));
  if (hasFocus()) {
    p.setPen(QPen(pal.color(group, QPalette::Highlight), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    const qreal m = ToggleFocusMargin - 1.5;
    p.drawRoundedRect(track.adjusted(-m, -m, m, m), radius + m, radius + m);
  }
}

}  // namespace vt
