// The registry of open windows; see WindowRegistry.h.
#include "shell/forms/WindowRegistry.h"

#include <QWidget>

#include "shell/forms/MenuList.h"

namespace vt {

void TWindowRegistry::RegisterWindow(QWidget* Form, bool Commander) {
  const QString base = Form->windowTitle();
  QString caption = base;
  for (int n = 1; Holds(caption); ++n) caption = base + "_" + QString::number(n);
  Form->setWindowTitle(caption);
  FWindows[caption.toUpper()] = Form;
  if (Commander) FCommanders.insert(Form);
  if (FWindowMenu) FWindowMenu->Add(caption, {}, Form);
}

void TWindowRegistry::UnregisterWindow(QWidget* Form) {
  const auto it = FWindows.find(Form->windowTitle().toUpper());
  if (it != FWindows.end() && it->second == Form) {
    FWindows.erase(it);
    if (OnUnregistered) OnUnregistered();
  }
  if (FWindowMenu) FWindowMenu->RemoveObject(Form);
  FCommanders.erase(Form);
}

}  // namespace vt
