// The commander window: the device tree (a mirror of the device manager's model tree) on
// the left, the place of the selected entry's view on the right with the information
// strip below it, the tool bar with the device selector above, and the menus, tool
// buttons and tree pop-up of its actions (CommanderActions.cpp). The shared Window, Tools
// and Language lists of the main form are lent into its menus while it is active.
// Several commanders may be open; each has its own mirror and current entry. The views
// of the entries join through the application views; until then the right panel stays
// empty. GUI thread only.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <vector>

#include "platform/TextConversion.h"
#include "runtime/Services.h"
#include "shell/CommanderRules.h"
#include "sl/values/Dictionary.h"
#include "sl/values/RefCounting.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolBar;
class QTreeWidget;

namespace vt {

class TDevice;
class TDeviceService;
class TEntryItem;
class TEntryManager;
class TModelManager;
class TModelTreeWidget;
class TOptionWindow;
class TParameterService;
class TStatusService;

class TTreeAppForm : public QMainWindow {
 public:
  explicit TTreeAppForm(QWidget* Parent = nullptr);
  ~TTreeAppForm() override;

  // Shows the model's tree and selects its root.
  void AddModel(TModelManager* Model);

  // ---- Selection ----
  // The tree's selection changed or the tree was rebuilt.
  void EntryManagerUpdate();
  void ShowEntry(TEntryItem* Entry);
  void HideCurrentEntry();
  // The context index of the current entry: the panel shows while it is one of the
  // entry's contexts (the view itself comes with the application views).
  void ShowView(int Index);
  // The device manager changed: the selector is rebuilt and the tree follows it.
  void DevManUpdate();
  void DeviceCboChange();
  void DeviceCboDropDown();
  // The window's string variable, else the current entry's, else empty.
  void GetStrVar(const AnsiString& Name, AnsiString& Value) const;

  // ---- Information window ----
  void InfoWindowUpdate();

  // ---- Actions (CommanderActions.cpp) ----
  // Each action by its object name; raises for a name that is none.
  QAction* Action(const char* Name) const;
  // The enabled, visible and ticked states of every action, from the current facts.
  void ActionListUpdate();
  // Every captioned item in the current language.
  void UpdateMenuLanguage();
  void UpdateDisplayModeMenus();
  void AddZeroHint();
  // Every value view redraws with the new display of decimal places.
  void UpdateVisProvider();
  // The facts of the current device and selection.
  TCommanderState CurrentState() const;

  // The device of the current entry while it still exists, else none.
  TDevice* CurrentDevice() const;
  TEntryManager* EntryManager() const { return FEntryManager.get(); }
  TEntryItem* CurrentEntry() const { return FCurrentEntry; }
  bool StatusClientConnected() const { return FStatusClient.GetConnected(); }

  // The window closes (it frees itself afterwards).
  std::function<void(QWidget* Sender)> OnWindowClose;
  // Lend (true) or take back (false) the list of one menu, after its placeholder.
  std::function<void(QAction* Placeholder, bool Request)> OnWindowMenuRequest, OnViewMenuRequest,
      OnLanguageMenuRequest;

  QAction* WindowPlaceholder() const { return FWindowPlaceholder; }
  QAction* ViewPlaceholder() const { return FViewPlaceholder; }
  QAction* LanguagePlaceholder() const { return FLanguagePlaceholder; }
  QMenu* LanguageMenu() const { return FLanguageMenu; }

  TRef<TSLDictionary> AppVarDict;
  // The hint of the decimal-places buttons is cut from this text.
  AnsiString ZerosHint = "X.1234567890";

  // ---- Controls, by the names the window's users know ----
  QWidget* TopPanel;
  QToolBar* ToolBar1;
  QComboBox* DeviceCbo;
  QWidget* MainPanel;
  QWidget* LeftPanel;
  TModelTreeWidget* MainTreeView;
  QSplitter* Splitter;
  QWidget* RightPanel;
  QWidget* Panel;
  QWidget* HelpWindow;
  QLabel* InfoTitle;
  QTreeWidget* InfoListView;
  QWidget* BottomPanel;
  QStatusBar* StatusBar1;
  QMenu* TreePopup;

 protected:
  void showEvent(QShowEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void BuildLayout();
  // CommanderActions.cpp
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateTreePopup();
  void ConnectCommands();
  void TreePopupPopup();
  bool TreeKey(int Key);

  void FormShow();
  void FormActivate();
  void FormDeactivate();
  // Whether the window may close; asks the close question when it must.
  bool FormCloseQuery();
  void FormClose();
  void LendMenus(bool Request);
  // Sets the tree path; a path the tree cannot reach yet (its mirror is updated after
  // the device manager's news) is set again after the next mirror update.
  void SelectPath(const AnsiString& Path);
  void ToggleTree();
  void SizeImages();
  void ApplyTreeWidth();

  std::unique_ptr<TEntryManager> FEntryManager;
  TModelManager* FModelManager = nullptr;
  TEntryItem* FCurrentEntry = nullptr;
  TDevice* GlobalDevice = nullptr;
  TServiceClient FStatusClient;
  TServiceClient FDevManClient;
  std::map<std::string, QAction*> FActions;
  std::map<QAction*, std::pair<TActionRule, TActionRule>> FRules;  // enabled, visible
  std::map<QAction*, const char*> FCaptionKeys;
  std::set<QAction*> FWired;  // the actions whose command is connected
  std::vector<std::pair<QMenu*, const char*>> FMenuKeys;
  QAction* FWindowPlaceholder = nullptr;
  QAction* FViewPlaceholder = nullptr;
  QAction* FLanguagePlaceholder = nullptr;
  QMenu* FLanguageMenu = nullptr;
  QTimer* FUpdateTimer = nullptr;
  std::vector<AnsiString> RefList;  // messages shown in the information list
  AnsiString FPendingPath;
  bool FLent = false;
  bool FShown = false;
  bool FClosing = false;
};

}  // namespace vt
