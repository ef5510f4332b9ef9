// The commander window's layout, tree mirror, device selector, information strip and
// closing; see CommanderWindow.h. Its actions and menus are in CommanderActions.cpp.
#include "shell/forms/CommanderWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "devices/Device.h"
#include "devices/DeviceManager.h"
#include "devices/EntryTree.h"
#include "devices/forms/ModelTreeWidget.h"
#include "devices/services/StatusService.h"
#include "platform/Exceptions.h"
#include "runtime/ApplicationState.h"
#include "runtime/DebugLog.h"
#include "shell/ShellLimits.h"
#include "shell/forms/CloseDialog.h"
#include "shell/forms/MainForm.h"
#include "sl/values/Scalars.h"
#include "ui/ScaleResult.h"

namespace vt {

namespace {

constexpr char TreeRoot[] = "Project:\\\\";
// The image of an information line, and how often the actions follow the facts.
constexpr int InfoLineImage = 116;
constexpr int ActionUpdateMs = 200;
// The information list's columns: type, source, message. Lines are matched by message.
constexpr int MessageColumn = 2;

QWidget* NamedPanel(QWidget* Parent, const char* Name) {
  auto* panel = new QWidget(Parent);
  panel->setObjectName(Name);
  return panel;
}

// The scale the process started with: drop-down widths are measured against it.
double OriginalScale() {
  static const double scale = ScaleResult();
  return scale;
}

}  // namespace

TTreeAppForm::TTreeAppForm(QWidget* Parent) : QMainWindow(Parent), AppVarDict(MakeRef<TSLDictionary>()) {
  setObjectName("TreeAppForm");
  setAttribute(Qt::WA_DeleteOnClose);
  setMinimumWidth(CommanderMinimumWidth);
  resize(CommanderNormalWidth, CommanderNormalHeight);  // its size when not maximised
  setWindowState(Qt::WindowMaximized);
  BuildLayout();
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateTreePopup();
  ConnectCommands();
  SizeImages();
  ApplyTreeWidth();
  if (DebugManager()) DebugManager()->SetDebugSaveDataBool(MainForm->Settings.DebugSaveData == 1);
  FDevManClient.OnUpdate = [this](TServiceClient*) { DevManUpdate(); };
  FDevManClient.Connect(&DeviceManager()->DevManProvider());
  FUpdateTimer = new QTimer(this);
  connect(FUpdateTimer, &QTimer::timeout, this, [this] {
    ActionListUpdate();
    if (TDevice* device = CurrentDevice())
      device->UpdateInfoListWindow();  // which refreshes every commander's strip
    else
      InfoWindowUpdate();
  });
  FUpdateTimer->start(ActionUpdateMs);
}

TTreeAppForm::~TTreeAppForm() {
  LendMenus(false);
  FEntryManager.reset();  // before the tree view it drives
}

void TTreeAppForm::BuildLayout() {
  menuBar()->setObjectName("MainMenu1");
  auto* central = NamedPanel(this, "ClientPanel");
  setCentralWidget(central);
  TopPanel = NamedPanel(central, "TopPanel");
  TopPanel->setFixedHeight(CommanderToolBarHeight);
  ToolBar1 = new QToolBar(TopPanel);
  ToolBar1->setObjectName("ToolBar1");
  auto* top = new QHBoxLayout(TopPanel);
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(ToolBar1);
  DeviceCbo = new QComboBox(TopPanel);
  DeviceCbo->setObjectName("DeviceCbo");
  DeviceCbo->setFixedWidth(DeviceSelectorWidth);

  MainPanel = NamedPanel(central, "MainPanel");
  Splitter = new QSplitter(Qt::Horizontal, MainPanel);
  Splitter->setObjectName("Splitter");
  Splitter->setChildrenCollapsible(false);
  LeftPanel = NamedPanel(Splitter, "LeftPanel");
  LeftPanel->setMinimumWidth(CommanderSplitterMinimum);
  MainTreeView = new TModelTreeWidget(LeftPanel);
  MainTreeView->setObjectName("MainTreeView");
  MainTreeView->setHeaderHidden(true);
  MainTreeView->setRootIsDecorated(false);
  MainTreeView->setIndentation(19);
  MainTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* left = new QVBoxLayout(LeftPanel);
  left->setContentsMargins(0, 0, 0, 0);
  left->addWidget(MainTreeView);
  RightPanel = NamedPanel(Splitter, "RightPanel");
  RightPanel->setAutoFillBackground(true);
  QPalette white = RightPanel->palette();
  white.setColor(QPalette::Window, Qt::white);
  RightPanel->setPalette(white);
  Panel = NamedPanel(RightPanel, "Panel");
  HelpWindow = NamedPanel(RightPanel, "HelpWindow");
  HelpWindow->setFixedHeight(CommanderInfoHeight);
  InfoTitle = new QLabel("Information Window", HelpWindow);
  InfoTitle->setObjectName("InfoTitle");
  InfoListView = new QTreeWidget(HelpWindow);
  InfoListView->setObjectName("InfoListView");
  InfoListView->setColumnCount(3);
  InfoListView->setHeaderHidden(true);
  InfoListView->setRootIsDecorated(false);
  for (const auto& [column, width] : {std::pair{0, 100}, {1, 100}, {2, 700}}) InfoListView->setColumnWidth(column, width);
  auto* help = new QVBoxLayout(HelpWindow);
  help->setContentsMargins(0, 0, 0, 0);
  help->setSpacing(0);
  help->addWidget(InfoTitle);
  help->addWidget(InfoListView);
  auto* right = new QVBoxLayout(RightPanel);
  right->setContentsMargins(0, 0, 0, 0);
  right->addWidget(Panel, 1);
  right->addWidget(HelpWindow);
  HelpWindow->hide();
  Splitter->addWidget(LeftPanel);
  Splitter->addWidget(RightPanel);
  Splitter->setStretchFactor(1, 1);
  auto* main = new QHBoxLayout(MainPanel);
  main->setContentsMargins(0, 0, 0, 0);
  main->addWidget(Splitter);

  BottomPanel = NamedPanel(central, "BottomPanel");
  BottomPanel->setFixedHeight(CommanderBottomHeight);
  StatusBar1 = new QStatusBar(BottomPanel);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->hide();
  auto* bottom = new QHBoxLayout(BottomPanel);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->addWidget(StatusBar1);

  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(TopPanel);
  layout->addWidget(MainPanel, 1);
  layout->addWidget(BottomPanel);
}

void TTreeAppForm::ApplyTreeWidth() {
  TViewSettings& settings = MainForm->Settings;
  if (MainForm->NumberOfCommander == 0) settings.MinTreeViewWidth = CommanderTreeWidth;
  const int width = std::max(CommanderTreeWidth, settings.TreeViewWidth);
  settings.TreeViewWidth = width;
  Splitter->setSizes({width, std::max(1, this->width() - width)});
}

void TTreeAppForm::SizeImages() {
  const double ratio = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
  const std::optional<TImageSizes> sizes = ImageSizesForScale(ScaleResult());
  if (!sizes) return;
  // Qt scales icons by the device-pixel ratio itself.
  const int list = static_cast<int>(sizes->List / ratio);
  MainTreeView->setIconSize({list, list});
  InfoListView->setIconSize({list, list});
  const int tool = static_cast<int>(sizes->ToolBar / ratio);
  ToolBar1->setIconSize({tool, tool});
  MainTreeView->setStyleSheet(QString("QTreeView::item { height: %1px; }").arg(TreeItemHeight(sizes->List)));
}

void TTreeAppForm::AddModel(TModelManager* Model) {
  FModelManager = Model;
  FEntryManager = std::make_unique<TEntryManager>(Model, MainTreeView);
  FEntryManager->OnUpdate = [this](TEntryManager*) { EntryManagerUpdate(); };
  FEntryManager->OnGetStrVar = [this](const AnsiString& Name, AnsiString& Value) { GetStrVar(Name, Value); };
  if (TTreeNode* first = MainTreeView->TopNode()) MainTreeView->Select(first);
}

// ---- Selection ----

void TTreeAppForm::EntryManagerUpdate() {
  if (!FEntryManager) return;
  // An entry whose node went is freed by its manager: forget it without touching it.
  const auto listed = [this](const TEntryItem* Entry) {
    for (int i = 0; i < FEntryManager->GetCount(); ++i)
      if (FEntryManager->GetItem(i) == Entry && !Entry->Model()->GetFlag(mfReleased)) return true;
    return false;
  };
  if (FCurrentEntry && !listed(FCurrentEntry)) {
    FCurrentEntry = nullptr;
    HideCurrentEntry();
  }
  TTreeNode* node = MainTreeView->Selected();
  TEntryItem* entry = node ? node->Data() : nullptr;
  if (entry && entry != FCurrentEntry) ShowEntry(entry);
  if (!FPendingPath.empty() && FModelManager->Updating())
    QTimer::singleShot(0, this, [this] {
      const AnsiString path = std::exchange(FPendingPath, {});
      if (FEntryManager && !path.empty()) FEntryManager->SetPathStr(path);
    });
}

void TTreeAppForm::ShowEntry(TEntryItem* Entry) {
  if (FCurrentEntry) HideCurrentEntry();
  FCurrentEntry = Entry;
  ShowView(Entry->Selected);
  const AnsiString name = Entry->Model()->GetStrVar("DeviceName");
  TDeviceManager* manager = DeviceManager();
  if (name.empty() || !manager->DeviceExists(name)) {
    DeviceCbo->setCurrentIndex(-1);
    return;
  }
  GlobalDevice = manager->GetDevice(name);
  InfoListView->clear();
  RefList.clear();
  DeviceCbo->setCurrentIndex(DeviceCbo->findText(QString::fromStdString(GlobalDevice->GetModelCaption())));
  DeviceCbo->setToolTip(DeviceCbo->currentText());
  if (auto* status = GlobalDevice->Sibling<TStatusService>("StatusService")) FStatusClient.Connect(&status->Provider());
}

void TTreeAppForm::HideCurrentEntry() {
  if (FStatusClient.GetConnected()) FStatusClient.Disconnect();
  GlobalDevice = nullptr;
}

void TTreeAppForm::ShowView(int Index) {
  if (!FCurrentEntry) return;
  FCurrentEntry->Selected = Index;
  Panel->setVisible(Index >= 0 && Index < FCurrentEntry->GetContextCount());
}

TDevice* TTreeAppForm::CurrentDevice() const {
  if (!GlobalDevice) return nullptr;
  const TDeviceManager* manager = DeviceManager();
  for (int i = 0; i < manager->GetDeviceCount(); ++i)
    if (manager->GetDeviceAtIndex(i) == GlobalDevice) return GlobalDevice;
  return nullptr;
}

void TTreeAppForm::SelectPath(const AnsiString& Path) {
  if (!FEntryManager) return;
  FEntryManager->SetPathStr(Path);
  FPendingPath = FEntryManager->GetPathStr() == Path ? AnsiString() : Path;
}

void TTreeAppForm::DevManUpdate() {
  TDeviceManager* manager = DeviceManager();
  const int oldIndex = DeviceCbo->currentIndex();
  const int oldCount = DeviceCbo->count();
  std::vector<TSelectorDevice> devices;
  for (int i = 0; i < manager->GetDeviceCount(); ++i) {
    const TDevice* device = manager->GetDeviceAtIndex(i);
    const bool panel = device->ServiceExists("ControlPanelService") &&
                       device->GetService("ControlPanelService")->ServiceStatus() == dsStarted;
    devices.push_back({device->GetModelCaption(), device->DeviceType(), panel});
  }
  const TSelectorItems items = SelectorItems(devices);
  {
    const QSignalBlocker block(DeviceCbo);
    DeviceCbo->clear();
    for (const AnsiString& caption : items.Captions) DeviceCbo->addItem(QString::fromStdString(caption));
    DeviceCbo->setCurrentIndex(
        SelectorIndex(manager->DevManProvider().UpdateRequest(), oldIndex, oldCount, DeviceCbo->count()));
  }
  SelectPath(TreeRoot + DeviceCbo->currentText().toStdString() + items.Suffix);
  DeviceCbo->setToolTip(DeviceCbo->currentText());
}

void TTreeAppForm::DeviceCboChange() {
  DeviceCbo->setToolTip(DeviceCbo->currentText());
  if (!FEntryManager) return;
  SelectPath(PathForDevice(FEntryManager->GetPathStr(), DeviceCbo->currentText().toStdString()));
}

void TTreeAppForm::DeviceCboDropDown() {
  const QFontMetrics metrics(DeviceCbo->font());
  int widest = 0;
  for (int i = 0; i < DeviceCbo->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(DeviceCbo->itemText(i)));
  DeviceCbo->view()->setMinimumWidth(DropDownWidth(widest, DeviceCbo->count(), ScaleResult(), OriginalScale()));
}

void TTreeAppForm::GetStrVar(const AnsiString& Name, AnsiString& Value) const {
  Value.clear();
  if (const auto* text = dynamic_cast<const TSLString*>(AppVarDict->FindObjectAnsi(Name.c_str()))) {
    Value = WideToAnsi(text->StringValue());
    return;
  }
  if (FCurrentEntry) Value = FCurrentEntry->Model()->GetStrVar(Name);
}

// ---- Information window ----

void TTreeAppForm::InfoWindowUpdate() {
  QAction* act = Action("InfoWindowAct");
  TDevice* device = CurrentDevice();
  if (!device) {
    HelpWindow->hide();
    act->setEnabled(false);
    return;
  }
  act->setEnabled(true);
  if (!MainForm->Settings.HelpWindowVisiFlag) {
    HelpWindow->hide();
    act->setProperty("ImageIndex", 184);
    return;
  }
  act->setProperty("ImageIndex", InfoLineImage);
  HelpWindow->setVisible(device->InfWinVisible());
  const auto shown = [this](const AnsiString& Text) {
    const QString text = QString::fromStdString(Text);
    for (int i = 0; i < InfoListView->topLevelItemCount(); ++i)
      if (InfoListView->topLevelItem(i)->text(MessageColumn) == text) return true;
    return false;
  };
  for (const TInfoObject& info : device->InfoList()) {
    if (shown(info.InfoText)) continue;
    auto* line = new QTreeWidgetItem(InfoListView, {QString::fromStdString(info.InfoType),
                                                    QString::fromStdString(info.Source),
                                                    QString::fromStdString(info.InfoText)});
    line->setData(0, Qt::UserRole, InfoLineImage);
    RefList.push_back(info.InfoText);
  }
  // A line whose message went is deleted.
  for (int i = InfoListView->topLevelItemCount() - 1; i >= 0; --i) {
    const std::string text = InfoListView->topLevelItem(i)->text(MessageColumn).toStdString();
    const auto& list = device->InfoList();
    if (std::none_of(list.begin(), list.end(), [&](const TInfoObject& info) { return info.InfoText == text; }))
      delete InfoListView->takeTopLevelItem(i);
  }
}

// ---- Window events ----

void TTreeAppForm::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (std::exchange(FShown, true)) return;
  FormShow();
}

void TTreeAppForm::FormShow() {
  if (TTreeNode* first = MainTreeView->TopNode()) {
    first->Expand();
    MainTreeView->Select(first);
  }
  DevManUpdate();
  if (!MainForm->SelectedEntry.empty()) SelectPath(MainForm->SelectedEntry);
}

void TTreeAppForm::changeEvent(QEvent* Event) {
  if (Event->type() == QEvent::ActivationChange && !FClosing) {
    if (isActiveWindow())
      FormActivate();
    else
      FormDeactivate();
  }
  QMainWindow::changeEvent(Event);
}

void TTreeAppForm::FormActivate() {
  LendMenus(true);
  UpdateMenuLanguage();
  UpdateDisplayModeMenus();
  MainForm->Settings.TreeViewWidth = LeftPanel->width();
}

void TTreeAppForm::FormDeactivate() { LendMenus(false); }

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

bool TTreeAppForm::FormCloseQuery() {
  if (DebugManager() && DebugManager()->DebugSaveDataBool() && MainForm->NumberOfCommander <= 1)
    DebugManager()->SaveDebugLastPart();
  if (!NeedsCloseQuestion(MainForm->NumberOfCommander, DeviceManager()->GetDeviceCount(),
                          MainForm->Settings.ExitProgramWarning))
    return true;
  TCloseDlgForm dialog(this);
  switch (dialog.exec()) {
    case TCloseDlgForm::mrYes:
      return true;
    case TCloseDlgForm::mrSave:
      // The whole project is saved; the window stays for the user to close again.
      Action("SaveAllV")->trigger();
      return false;
    default:
      return false;
  }
}

void TTreeAppForm::closeEvent(QCloseEvent* Event) {
  if (FClosing || !FormCloseQuery()) {
    Event->ignore();
    return;
  }
  FormClose();
  Event->accept();
}

void TTreeAppForm::FormClose() {
  FClosing = true;
  --MainForm->NumberOfCommander;
  HideCurrentEntry();
  FCurrentEntry = nullptr;
  FEntryManager.reset();
  FDevManClient.Disconnect();
  FUpdateTimer->stop();
  LendMenus(false);
  if (OnWindowClose) OnWindowClose(this);
}

void TTreeAppForm::resizeEvent(QResizeEvent* Event) {
  QMainWindow::resizeEvent(Event);
  const double scale = ScaleResult();
  ApplicationState().ScaleFactor = scale;
  // A Qt tool bar never wraps: what does not fit goes into its extension menu.
  TopPanel->setFixedHeight(TopPanelHeight(scale));
}

}  // namespace vt
