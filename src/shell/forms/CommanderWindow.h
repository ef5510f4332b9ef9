// The commander window, bare so far: the device tree of the model, the caption, and the
// Window, Tools and Language menus, into which the main form's lists are lent while the
// window is active. Closing it tells the main form. GUI thread only.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;

namespace vt {

class TEntryManager;
class TModelManager;
class TModelTreeWidget;

class TTreeAppForm : public QMainWindow {
 public:
  explicit TTreeAppForm(QWidget* Parent = nullptr);
  ~TTreeAppForm() override;

  // Shows the model's tree.
  void AddModel(TModelManager* Model);

  // The window closes (it frees itself afterwards).
  std::function<void(QWidget* Sender)> OnWindowClose;
  // Lend (true) or take back (false) the list of one menu, after its placeholder.
  std::function<void(QAction* Placeholder, bool Request)> OnWindowMenuRequest, OnViewMenuRequest,
      OnLanguageMenuRequest;

  QAction* WindowPlaceholder() const { return FWindowPlaceholder; }
  QAction* ViewPlaceholder() const { return FViewPlaceholder; }
  QAction* LanguagePlaceholder() const { return FLanguagePlaceholder; }

 protected:
  void closeEvent(QCloseEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  void LendMenus(bool Request);

  TModelTreeWidget* FTree;
  std::unique_ptr<TEntryManager> FEntries;
  QAction* FWindowPlaceholder;
  QAction* FViewPlaceholder;
  QAction* FLanguagePlaceholder;
  bool FLent = false;
};

}  // namespace vt
