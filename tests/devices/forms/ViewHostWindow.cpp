// The view tests' stand-in for a commander window; see ViewHostWindow.h.
#include "ViewHostWindow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace vt;

namespace {

QWidget* NewPanel(QWidget* Parent, const char* Name) {
  auto* panel = new QWidget(Parent);
  panel->setObjectName(Name);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  return panel;
}

}  // namespace

void SaveScreenshot(QWidget* AWidget, const char* Name) {
  const QByteArray dir = qgetenv("VT_SCREENSHOT_DIR");
  if (!dir.isEmpty()) AWidget->grab().save(QString::fromLocal8Bit(dir) + "/" + Name + ".png");
}

TViewHostWindow::TViewHostWindow(TModelManager* AModel) {
  setObjectName("ViewHostWindow");
  resize(900, 520);
  auto* layout = new QHBoxLayout(this);
  Tree = new TModelTreeWidget(this);
  Tree->setObjectName("TreeView");
  Tree->setMaximumWidth(280);
  layout->addWidget(Tree);
  auto* right = new QVBoxLayout;
  layout->addLayout(right, 1);
  TopPanel = NewPanel(this, "TopPanel");
  ContentPanel = NewPanel(this, "ContentPanel");
  BottomPanel = NewPanel(this, "BottomPanel");
  right->addWidget(TopPanel);
  right->addWidget(ContentPanel, 1);
  right->addWidget(BottomPanel);
  OwnStatusBar = new QStatusBar(BottomPanel);
  OwnStatusBar->setObjectName("OwnStatusBar");
  BottomPanel->layout()->addWidget(OwnStatusBar);
  Entries = std::make_unique<TEntryManager>(AModel, Tree);
  Entries->OnUpdate = [this](TEntryManager*) { SelectionChanged(); };
}

TViewHostWindow::~TViewHostWindow() { Close(); }

void TViewHostWindow::SelectionChanged() {
  TTreeNode* node = Tree->Selected();
  TEntryItem* entry = node ? node->Data() : nullptr;
  if (entry != FShownEntry) ShowEntry(entry);
}

void TViewHostWindow::HideCurrent() {
  if (!CurrentView) return;
  CurrentView->HideView();
  TViewContext* context = CurrentView->Release(this);
  // The entry is gone when its node was released meanwhile; so is its context then.
  bool listed = false;
  for (int i = 0; i < Entries->GetCount(); ++i) listed = listed || Entries->GetItem(i) == FShownEntry;
  if (listed)
    FShownEntry->SetContext(context);
  else
    delete context;
  CurrentView = nullptr;
  FShownEntry = nullptr;
  OwnStatusBar->show();
}

void TViewHostWindow::ShowEntry(TEntryItem* AEntry) {
  HideCurrent();
  FShownEntry = AEntry;
  if (!AEntry) return;
  AEntry->Selected = 0;
  if (AEntry->GetContextCount() == 0) {
    ContentPanel->hide();
    return;
  }
  ContentPanel->show();
  TApplicationViewFactory* factory = AEntry->Model()->View;
  FFactories.insert(factory);
  CurrentView = factory->CreateView(this, FormList);
  CurrentView->Initialize(AEntry->GetContext());
  if (CurrentView->StatusBar()) OwnStatusBar->hide();
  CurrentView->ShowView(AEntry, ContentPanel, ContentPanel, TopPanel, BottomPanel,
                        [this](const AnsiString& AName, AnsiString& AValue) {
                          if (const auto it = Vars.find(AName); it != Vars.end()) AValue = it->second;
                        });
}

void TViewHostWindow::Close() {
  if (FClosed) return;
  FClosed = true;
  HideCurrent();
  for (TApplicationViewFactory* factory : FFactories) factory->ClearViewPool(this);
  Entries.reset();
}
