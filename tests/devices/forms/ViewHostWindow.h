// A small window in place of a commander window for the view tests: a tree view of the
// model with its entry manager, a top, a content and a bottom panel with its own status
// bar. It shows the view of the selected entry as a commander window does (hide and
// release the current view, storing its context in its entry; the pooled or a new view;
// initialise it with the entry's context; lend it the panels) and answers string
// variables from Vars.
#pragma once

#include <QStatusBar>
#include <QWidget>

#include <map>
#include <memory>
#include <set>

#include "devices/EntryTree.h"
#include "devices/forms/ApplicationView.h"
#include "devices/forms/ModelTreeWidget.h"

// Saves AWidget as <Name>.png in $VT_SCREENSHOT_DIR when that is set, for a person to
// look at.
void SaveScreenshot(QWidget* AWidget, const char* Name);

class TViewHostWindow : public QWidget {
 public:
  explicit TViewHostWindow(vt::TModelManager* AModel);
  // Close() unless closed already.
  ~TViewHostWindow() override;

  // Shows AEntry's view (none for an entry without one), also when it is shown already.
  void ShowEntry(vt::TEntryItem* AEntry);
  // Hides the current view, clears the pools of the factories met, frees the entry
  // manager. The forms go with the window.
  void Close();
  // Selects the node at APath ("Project:\\X1").
  void Select(const vt::AnsiString& APath) { Entries->SetPathStr(APath); }

  vt::TModelTreeWidget* Tree;
  QWidget* TopPanel;
  QWidget* ContentPanel;
  QWidget* BottomPanel;
  QStatusBar* OwnStatusBar;
  std::unique_ptr<vt::TEntryManager> Entries;
  vt::TApplicationView* CurrentView = nullptr;
  std::map<vt::AnsiString, vt::AnsiString> Vars;
  vt::TFormList FormList;

 private:
  void HideCurrent();
  void SelectionChanged();

  vt::TEntryItem* FShownEntry = nullptr;
  std::set<vt::TApplicationViewFactory*> FFactories;
  bool FClosed = false;
};
