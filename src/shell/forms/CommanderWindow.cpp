// The bare commander window; see CommanderWindow.h.
#include "shell/forms/CommanderWindow.h"

#include <QCloseEvent>
#include <QMenuBar>

#include "devices/EntryTree.h"
#include "devices/forms/ModelTreeWidget.h"
#include "platform/Exceptions.h"

namespace vt {

namespace {

// A menu whose lent entries follow an invisible placeholder.
QAction* MenuWithPlaceholder(QMenuBar* Bar, const QString& Title, const QString& Name) {
  QMenu* menu = Bar->addMenu(Title);
  menu->setObjectName(Name);
  QAction* placeholder = menu->addAction(QString());
  placeholder->setVisible(false);
  return placeholder;
}

}  // namespace

TTreeAppForm::TTreeAppForm(QWidget* Parent) : QMainWindow(Parent), FTree(new TModelTreeWidget(this)) {
  setObjectName("TreeAppForm");
  setAttribute(Qt::WA_DeleteOnClose);
  FTree->setObjectName("TreeView");
  setCentralWidget(FTree);
  FWindowPlaceholder = MenuWithPlaceholder(menuBar(), tr("&Window"), "WindowMenu");
  FViewPlaceholder = MenuWithPlaceholder(menuBar(), tr("&Tools"), "ToolsMenu");
  FLanguagePlaceholder = MenuWithPlaceholder(menuBar(), tr("&Language"), "LanguageMenu");
  resize(420, 560);
}

TTreeAppForm::~TTreeAppForm() { LendMenus(false); }

void TTreeAppForm::AddModel(TModelManager* Model) { FEntries = std::make_unique<TEntryManager>(Model, FTree); }

void TTreeAppForm::LendMenus(bool Request) {
  if (FLent == Request) return;
  FLent = Request;
  for (const auto& [request, placeholder] :
       {std::pair{&OnWindowMenuRequest, FWindowPlaceholder}, std::pair{&OnViewMenuRequest, FViewPlaceholder},
        std::pair{&OnLanguageMenuRequest, FLanguagePlaceholder}})
    if (*request) try {
        (*request)(placeholder, Request);
      } catch (const Exception&) {
        FLent = false;  // another commander still holds that list
      }
}

void TTreeAppForm::changeEvent(QEvent* Event) {
  if (Event->type() == QEvent::ActivationChange) LendMenus(isActiveWindow());
  QMainWindow::changeEvent(Event);
}

void TTreeAppForm::closeEvent(QCloseEvent* Event) {
  LendMenus(false);
  if (OnWindowClose) OnWindowClose(this);
  Event->accept();
}

}  // namespace vt
