// The registry of open windows by caption, mirrored in the Window menu list: a taken
// caption gets "_1", "_2", … appended (letter case ignored). Commanders are counted
// apart, because only they keep the program alive. GUI thread only.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <set>

class QWidget;

namespace vt {

class TMenuList;

class TWindowRegistry {
 public:
  // WindowMenu: the Window menu's list, nil without windows.
  explicit TWindowRegistry(TMenuList* WindowMenu) : FWindowMenu(WindowMenu) {}

  void RegisterWindow(QWidget* Form, bool Commander = false);
  // Nothing for a window not registered.
  void UnregisterWindow(QWidget* Form);
  // Whether Form is the last commander open.
  bool IsLastCommander(QWidget* Form) const { return FCommanders.size() == 1 && FCommanders.count(Form); }
  int CommanderCount() const { return static_cast<int>(FCommanders.size()); }
  bool Holds(const QString& Caption) const { return FWindows.count(Caption.toUpper()) != 0; }
  int Count() const { return static_cast<int>(FWindows.size()); }

  // A window left the registry.
  std::function<void()> OnUnregistered;

 private:
  TMenuList* const FWindowMenu;
  std::map<QString, QWidget*> FWindows;  // by upper-cased caption
  std::set<QWidget*> FCommanders;
};

}  // namespace vt
