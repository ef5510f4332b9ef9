// Application views and their factories; see ApplicationView.h.
#include "devices/forms/ApplicationView.h"

#include <QLayout>

#include <algorithm>

#include "platform/Exceptions.h"

namespace vt {

// ---- Factories ----

TApplicationViewFactory::~TApplicationViewFactory() {
  for (TApplicationView* view : FViewPool) view->Execute(vaDestroy);
}

TApplicationView* TApplicationViewFactory::CreateView(QWidget* ACommander, TFormList& AFormList) {
  const auto pooled = std::find_if(FViewPool.begin(), FViewPool.end(),
                                   [&](const TApplicationView* v) { return v->CommanderParent == ACommander; });
  if (pooled != FViewPool.end()) return *pooled;
  TApplicationView* view = FViews.emplace_back(CreateApplicationView(ACommander, AFormList)).get();
  view->Execute(vaCreate);
  return view;
}

void TApplicationViewFactory::ReleaseView(TApplicationView* AView) {
  const bool pooled = std::any_of(FViewPool.begin(), FViewPool.end(), [&](const TApplicationView* v) {
    return v->CommanderParent == AView->CommanderParent;
  });
  if (!pooled) FViewPool.push_back(AView);
}

void TApplicationViewFactory::ClearViewPool(QWidget* ACommander) {
  std::vector<TApplicationView*> gone;
  std::erase_if(FViewPool, [&](TApplicationView* v) {
    if (v->CommanderParent != ACommander) return false;
    gone.push_back(v);
    return true;
  });
  for (TApplicationView* view : gone) {
    view->Execute(vaDestroy);
    std::erase_if(FViews, [&](const auto& v) { return v.get() == view; });
  }
}

std::unique_ptr<TApplicationView> TApplicationViewFactory::CreateApplicationView(QWidget*, TFormList&) {
  throw Exception("Abstract Error");
}

// ---- Views ----

void TApplicationView::Execute(TAppViewAction Action) {
  if (OnExecute) OnExecute(Action);
}

void TApplicationView::ActionExecute(QAction* Action, bool& Handled) {
  if (OnActionExecute) OnActionExecute(Action, Handled);
}

void TApplicationView::ActionUpdate(QAction* Action, bool& Handled) {
  if (OnActionUpdate) OnActionUpdate(Action, Handled);
}

AnsiString TApplicationView::GetStrVar(const AnsiString& AName) const {
  AnsiString value;
  if (FOnGetStrVar) FOnGetStrVar(AName, value);
  return value;
}

void TApplicationView::Lend(TLentControl& Lent, QWidget* AParent, bool AShow) {
  QWidget* control = Lent.Control;
  if (!control) return;
  Lent.OldParent = control->parentWidget();
  Lent.Parent = AParent;
  if (AParent) {
    control->setParent(AParent);
    // Fills the parent's client area: its layout's, or its whole rectangle without one.
    if (QLayout* layout = AParent->layout())
      layout->addWidget(control);
    else
      control->setGeometry(AParent->rect());
  }
  control->setVisible(AShow);
}

void TApplicationView::GiveBack(TLentControl& Lent) {
  QWidget* control = Lent.Control;
  if (!control) return;
  control->hide();
  if (QWidget* home = Lent.OldParent; home && home != control->parentWidget()) {
    control->setParent(home);
    if (QLayout* layout = home->layout()) layout->addWidget(control);
  }
  Lent.Parent = nullptr;
}

void TApplicationView::Adopt(TLentControl& Lent, QWidget* AControl, const char* Redefinition) {
  if (Lent.Control) throw Exception(Redefinition);
  Lent.Control = AControl;
  AControl->hide();
  Lent.OldParent = AControl->parentWidget();
  // Set while the view is shown: the new control joins the others at once.
  if (Lent.Parent) Lend(Lent, Lent.Parent, FVisible);
}

void TApplicationView::SetPanel(QWidget* APanel) { Adopt(FLentPanel, APanel, "panel redefinition not allowed"); }

void TApplicationView::SetPanel2(QWidget* APanel2) {
  Adopt(FLentPanel2, APanel2, "Panel2 redefinition not allowed");
}

void TApplicationView::SetStatusBar(QWidget* AStatusBar) {
  Adopt(FLentStatusBar, AStatusBar, "Status bar redefinition not allowed");
}

void TApplicationView::Initialize(TViewContext* AContext) {
  ViewCtx = AContext;
  Execute(vaInit);
}

void TApplicationView::ShowView(TEntryItem* AEntry, QWidget* APanelParent, QWidget* APanel2Parent, QWidget*,
                                QWidget* AStatusBarParent, TGetStrVarEvent AOnGetStrVar) {
  if (FVisible) return;
  FOnGetStrVar = std::move(AOnGetStrVar);
  FEntry = AEntry;
  FModel = AEntry ? AEntry->Model() : nullptr;
  Lend(FLentPanel, APanelParent, true);
  // The form shows its second panel itself when it has something in it.
  Lend(FLentPanel2, APanel2Parent, false);
  Lend(FLentStatusBar, AStatusBarParent, true);
  FVisible = true;
  Execute(vaShow);
}

void TApplicationView::HideView() {
  if (!FVisible) return;
  Execute(vaHide);
  GiveBack(FLentPanel);
  GiveBack(FLentPanel2);
  GiveBack(FLentStatusBar);
  FEntry = nullptr;
  FModel = nullptr;
  FOnGetStrVar = nullptr;
  FVisible = false;
}

TViewContext* TApplicationView::Release(QWidget* ACommander) {
  CommanderParent = ACommander;
  Execute(vaDone);
  TViewContext* context = ViewCtx;
  ViewCtx = nullptr;
  FOwner->ReleaseView(this);
  return context;
}

}  // namespace vt
