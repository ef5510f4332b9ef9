// Application views: the windows a commander window shows beside its device tree. A
// view's form lends its content panel (and a second panel and a status bar, where it has
// them) to the commander window while it is shown and takes them back when hidden; the
// form hears of each step of its life as a view action. One factory per kind of view
// makes the views and keeps one pooled view per commander window for reuse.
//
// Threads: the GUI thread only.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "devices/EntryTree.h"
#include "devices/ModelTree.h"
#include "platform/TextConversion.h"

class QAction;

namespace vt {

class TApplicationView;

// What a view's form is told, in the order a commander window drives them: vaCreate once,
// then vaInit and vaShow each time it is shown, vaHide and vaDone each time it is hidden,
// and vaDestroy when its commander window goes.
enum TAppViewAction : std::uint8_t { vaInit, vaShow, vaHide, vaDone, vaCreate, vaDestroy };

using TAppViewExec = std::function<void(TAppViewAction Action)>;
// A commander window's action forwarded to its current view; the view claims it by
// setting Handled.
using TAppViewActionEvent = std::function<void(QAction* Action, bool& Handled)>;
// The forms a commander window's views made; the commander window keeps them until it
// has cleared the views' pools.
using TFormList = std::vector<std::unique_ptr<QWidget>>;

class TApplicationViewFactory {
 public:
  TApplicationViewFactory() = default;
  // Sends vaDestroy to every pooled view, in pool order, then frees every view made.
  virtual ~TApplicationViewFactory();
  TApplicationViewFactory(const TApplicationViewFactory&) = delete;
  TApplicationViewFactory& operator=(const TApplicationViewFactory&) = delete;

  // The pooled view of ACommander (it stays in the pool), or a new one, which gets
  // vaCreate and joins the pool when it is first released.
  TApplicationView* CreateView(QWidget* ACommander, TFormList& AFormList);
  // Pools the view unless a view of its commander window is pooled already.
  void ReleaseView(TApplicationView* AView);
  // Sends vaDestroy to the pooled views of ACommander and frees them; their forms stay
  // in the commander window's form list.
  void ClearViewPool(QWidget* ACommander);

 protected:
  // A derived factory makes the form (hidden), a view owned by this factory that holds
  // the form's panels and status bar and is bound to the form's handlers, with
  // ACommander as its commander window, and appends the form to AFormList. The base
  // raises "Abstract Error".
  virtual std::unique_ptr<TApplicationView> CreateApplicationView(QWidget* ACommander, TFormList& AFormList);

 private:
  std::vector<std::unique_ptr<TApplicationView>> FViews;  // every view made, owned
  std::vector<TApplicationView*> FViewPool;               // at most one per commander window
};

class TApplicationView {
 public:
  explicit TApplicationView(TApplicationViewFactory* AOwner) : FOwner(AOwner) {}
  virtual ~TApplicationView() = default;
  TApplicationView(const TApplicationView&) = delete;
  TApplicationView& operator=(const TApplicationView&) = delete;

  // Calls OnExecute when set.
  virtual void Execute(TAppViewAction Action);
  virtual void ActionExecute(QAction* Action, bool& Handled);
  virtual void ActionUpdate(QAction* Action, bool& Handled);
  // The commander window's string variables while the view is shown, else empty.
  AnsiString GetStrVar(const AnsiString& AName) const;

  // The form's controls the view lends; each may be set once. They are hidden and stay
  // on the form until the view is shown. Raise "panel redefinition not allowed",
  // "Panel2 redefinition not allowed", "Status bar redefinition not allowed".
  void SetPanel(QWidget* APanel);
  void SetPanel2(QWidget* APanel2);
  void SetStatusBar(QWidget* AStatusBar);

  // Keeps AContext (the entry's) as ViewCtx and sends vaInit.
  void Initialize(TViewContext* AContext);
  // Nothing while shown. Lends the panel (shown), the second panel (the form shows it)
  // and the status bar (shown) into the given parents' layouts, then sends vaShow.
  // AToolBarParent is not used.
  void ShowView(TEntryItem* AEntry, QWidget* APanelParent, QWidget* APanel2Parent, QWidget* AToolBarParent,
                QWidget* AStatusBarParent, TGetStrVarEvent AOnGetStrVar);
  // Nothing while hidden. Sends vaHide while still shown, then gives every control back
  // hidden and forgets the entry.
  void HideView();
  // Sends vaDone, gives the view back to its factory's pool and hands the context (the
  // one given to Initialize, or the one the view made meanwhile) to the caller, who
  // stores it in the entry; the view holds none afterwards.
  TViewContext* Release(QWidget* ACommander);

  TEntryItem* Entry() const { return FEntry; }
  TModelItem* Model() const { return FModel; }
  bool Visible() const { return FVisible; }
  QWidget* Panel() const { return FLentPanel.Control; }
  QWidget* Panel2() const { return FLentPanel2.Control; }
  QWidget* StatusBar() const { return FLentStatusBar.Control; }
  TApplicationViewFactory* Owner() const { return FOwner; }

  QWidget* CommanderParent = nullptr;
  // The entry's context while shown; a view that needs one and finds none makes it here.
  TViewContext* ViewCtx = nullptr;
  TAppViewExec OnExecute;
  TAppViewActionEvent OnActionExecute;
  TAppViewActionEvent OnActionUpdate;

 private:
  // A lent control and where it came from and goes.
  struct TLentControl {
    QPointer<QWidget> Control;
    QPointer<QWidget> OldParent;
    QPointer<QWidget> Parent;
  };
  // Takes AControl (hidden) as one of the lent controls.
  void Adopt(TLentControl& Lent, QWidget* AControl, const char* Redefinition);
  static void Lend(TLentControl& Lent, QWidget* AParent, bool AShow);
  static void GiveBack(TLentControl& Lent);

  TEntryItem* FEntry = nullptr;
  TModelItem* FModel = nullptr;
  TGetStrVarEvent FOnGetStrVar;
  TApplicationViewFactory* const FOwner;
  TLentControl FLentPanel, FLentPanel2, FLentStatusBar;
  bool FVisible = false;
};

}  // namespace vt
