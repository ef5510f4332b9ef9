// Caption setters and monitor scaling; see Captions.h.
#include "runtime/forms/Captions.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QScreen>
#include <QToolButton>
#include <QWidget>

#include "runtime/Conversions.h"
#include "runtime/Translations.h"

namespace vt {

void SetMenuCaption(QAction* MenuItem, std::u16string_view KeyWord) {
  if (!MenuItem) return;
  const WideString text = GetInfoSysText(KeyWord);
  if (!text.empty()) MenuItem->setText(ToQString(text));
}

void SetActionCaption(QAction* Action, std::u16string_view KeyWord) {
  if (!Action) return;
  const WideString text = GetInfoSysText(KeyWord);
  Action->setText(ToQString(text));
  Action->setToolTip(ToQString(StringWithoutAnd(text)));
}

void SetButtonHint(QToolButton* Button, std::u16string_view KeyWord) {
  if (Button) Button->setToolTip(ToQString(GetInfoSysText(KeyWord)));
}

void SetLabelCaption(QLabel* Label, std::u16string_view KeyWord) {
  if (Label) Label->setText(ToQString(GetInfoSysText(KeyWord)));
}

void SetButtonCaption(QAbstractButton* Button, std::u16string_view KeyWord) {
  if (Button) Button->setText(ToQString(GetInfoSysText(KeyWord)));
}

int GetMonitorScalingPercentage(const QWidget* Window) {
  const QScreen* screen = Window ? Window->screen() : nullptr;
  if (!screen) return 100;
  const int dpi = static_cast<int>(screen->logicalDotsPerInchX() * screen->devicePixelRatio() + 0.5);
  return dpi > 0 ? dpi * 100 / 96 : 100;
}

}  // namespace vt
