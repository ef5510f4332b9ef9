// The commander window's actions: one table of every action with its caption key,
// shortcut and enabling rules, the menus, tool bar and tree pop-up that show them, the
// commands this window carries out itself, and the update that follows the current
// device. An action whose command is not here yet keeps its caption and shortcut and
// stays disabled; see CommanderWindow.h.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <filesystem>

#include "devices/Device.h"
#include "devices/DeviceManager.h"
#include "devices/EntryTree.h"
#include "devices/forms/ModelTreeWidget.h"
#include "platform/Exceptions.h"
#include "platform/PathResolver.h"
#include "runtime/ApplicationState.h"
#include "runtime/DebugLog.h"
#include "runtime/ProgramFolders.h"
#include "runtime/Translations.h"
#include "shell/ShellLimits.h"
#include "shell/forms/AboutBox.h"
#include "shell/forms/CommanderWindow.h"
#include "shell/forms/MainForm.h"
#include "shell/forms/OptionWindow.h"
#include "ui/forms/NamedControl.h"
#include "shell/forms/TimeoutSettingsForm.h"

namespace vt {

namespace {

constexpr char TreeRoot[] = "Project:\\\\";

struct TActionSpec {
  const char* Name;
  const char* Caption;     // shown until the language text of the key is set
  const char* CaptionKey;  // none: the caption stays
  const char* Shortcut;
  TActionRule Enabled = arAlways;
  TActionRule Visible = arAlways;
  bool Checkable = false;
};

// Every action of the window. Items that only open a sub-menu are menus, not actions.
const TActionSpec ActionSpecs[] = {
    // File
    {"LoginAct", "&Login", "MenuCap_Login", "Ctrl+L"},
    {"acCreateOffline", "Create Offline", "MenuCap_CreateOffline", ""},
    {"ETHScanningAct", "Scanning via &Ethernet", "MenuCap_ScanningEth", "Ctrl+E"},
    {"LogoutAct", "Log&out", "MenuCap_Logout", "Ctrl+T", arLogout},
    {"AcOpen2", "&Import", "MenuCap_Import", "Ctrl+Alt+I", arImport},
    {"AcSave2", "&Export", "MenuCap_Export", "Ctrl+Alt+E", arExport},
    {"SaveWorkSpace", "Save Workspace", "MenuCap_SaveLogin", "", arOnlineDeviceExists},
    {"OpenWorkSpace", "Open Workspace", "MenuCap_OpenLogin", ""},
    {"FilePrint", "&Print", "MenuCap_FilePrint", "Ctrl+P", arNever},
    {"AcRunScript", "Install &Firmware", "MenuCap_Install_Firmware", "Ctrl+Alt+F"},
    {"InstallAndRestore", "Install and Restore", nullptr, "", arAlways, arNever},
    {"NewCommanderAct", "Commander", nullptr, "Ctrl+N"},
    {"ExitAct", "E&xit", "MenuCap_Exit", "Ctrl+X"},
    // Search
    {"FindAct", "Find &UPID", "MenuCap_Find_UPID", "Ctrl+U", arParameterOrVariable},
    {"FindCapAct", "Find &Caption", "MenuCap_Find_Caption", "Ctrl+F", arParameterOrVariable},
    // Drive
    {"ResetAct", "&Reboot", "MenuCap_Reset", "Ctrl+Alt+R", arSelectedOnlineNotReading},
    {"AcStop", "&Stop", "MenuCap_Stop", "Ctrl+Alt+S", arSelectedOnline},
    {"BlinkDeviceAct", "&Blink", "MenuCap_Blink", "Ctrl+Alt+B", arSelectedOnline},
    {"SetupAct", "&Software", "MenuCap_Software", "Ctrl+Alt+W", arSelectedOnlineNotGuest},
    {"LoadMotDefAct", "&Configuration", "MenuCap_Config", "Ctrl+Alt+C", arSelectedOnlineNotGuest},
    {"SaveParameterAct", "All Parameters", nullptr, "", arParameterService},
    {"SaveParameterChangesAct", "Changed Parameters", nullptr, "", arParameterService},
    {"ExportRawDataAct", "Export Raw Data", "MenuCap_ExportRawData", "Ctrl+R", arParameterNotGuest},
    {"ImportRawData_Act", "Import Raw Data", "MenuCap_ImportRawData", "", arAlways, arServiceOrDeveloper},
    {"CreateUPIDList", "Create UPID List...", "MenuCap_CreateUPIDList", "Ctrl+D", arNever},
    {"Backup", "Backup", nullptr, "", arAlways, arServiceOrDeveloper},
    {"Restore", "Restore", nullptr, "", arAlways, arNever},
    {"SaveConfigToSDCardAct", "Save Configuration to SD Card", nullptr, "", arAlways, arNever},
    {"MotorWizardAct", "&Motor Wizard", "MenuCap_MotorWizard", "Ctrl+W", arMotorWizard},
    {"Compare_Parameter1", "Compare Parameters", "MenuCap_CompareParameter", ""},
    {"AdvancedSave", "Advanced Save", "MenuCap_AdvancedSave", "", arDeviceSelected, arDeveloper},
    {"RelFrictAct", "Reluctance and Friction Table Wizard", nullptr, "", arNever},
    {"ShowSwitchIntf", "Switch Interface", "FormTi_MISwitchIntf", "", arDeviceSelected},
    {"AcGoOffline", "Go offline", "MenuCap_GoOffline", "", arGoOffline},
    {"Default", "Default Parameters", "MenuCap_Default", "", arDeviceSelected},
    {"AcStart", "Start", nullptr, "", arSelectedOnline},
    {"ReadMotorAct", "Read Motor", nullptr, "", arDeveloperOnline, arDeveloperOnline},
    {"ReadDriveAct", "Read Drive", nullptr, "", arReadDrive},
    {"ProcMonAct", "Process Monitor", nullptr, "", arDeviceSelected},
    // Services
    {"ShowCtrlPnl", "Control Panel", "MenuCap_ControlPanel", "F3", arControlPanel},
    {"ShowParameterService", "Parameters", "MenuCap_ParameterService", "F4", arParameters},
    {"ShowVariableService", "Variables", "MenuCap_VariableService", "F5", arVariables},
    {"StartOscilloscopeAct", "Oscilloscope", "MenuCap_Oscilloscope", "F6", arOscilloscope},
    {"ShowMessageService", "Messages", "MenuCap_MessageService", "F7", arMessages},
    {"ShowErrorService", "Errors", "MenuCap_ErrorService", "F8", arErrors},
    {"ShowCurveSector", "Curves", "MenuCap_Curves", "F9", arCurves},
    {"ShowCommandTableService", "Command Table", "MenuCap_CommandTable", "F10", arCommandTable},
    {"ShowSafetyParameters", "Show F&S Par Validation", nullptr, "F11", arSafety, arNever},
    // Options
    {"ShowCanManager", "CANTalk Settings", "MenuCap_CANTalk_Settings", "", arNever, arNever},
    {"SetMetricAct", "Metric", nullptr, "", arParameterService, arNever, true},
    {"SetSIAct", "SI", nullptr, "", arParameterService, arNever, true},
    {"SetEnglishAct", "English", nullptr, "", arParameterService, arNever, true},
    {"UPIDDispModeDecMenuItem", "Decimal", "MenuCap_Decimal", "", arAlways, arAlways, true},
    {"UPIDDispModeHexMenuItem", "Hexadecimal", "MenuCap_Hexadecimal", "", arAlways, arAlways, true},
    {"RawDataDispModeDecMenuItem", "Decimal", "MenuCap_Decimal", "", arAlways, arAlways, true},
    {"RawDataDispModeHexMenuItem", "Hexadecimal", "MenuCap_Hexadecimal", "", arAlways, arAlways, true},
    {"RawDataDispModeASCIIMenuItem", "ASCII", nullptr, "", arAlways, arDeveloper, true},
    {"RelParFilterEnabledItem", "Enabled", nullptr, "", arAlways, arAlways, true},
    {"RelParFilterDisabledItem", "Disabled", nullptr, "", arAlways, arAlways, true},
    {"ShowExitWarning", "Show", "MenuCap_ShowExitWarn", "", arAlways, arAlways, true},
    {"HideExitWarning", "Hide", "MenuCap_HideExitWarn", "", arAlways, arAlways, true},
    {"SetLoginTimeout1", "Set Login Timeout", "MenuCap_SetLoginTimeout", ""},
    {"SaveDataEnable", "Enable", nullptr, "", arAlways, arAlways, true},
    {"SaveDataDisable", "Disable", nullptr, "", arAlways, arAlways, true},
    {"Beautifulview", "Beautiful View", "MenuCap_BeautifulView", "", arAlways, arAlways, true},
    {"ModulFunctionEnable", "Enable", nullptr, "", arAlways, arAlways, true},
    {"ModulFunctionDisable", "Disable", nullptr, "", arAlways, arAlways, true},
    {"SuppressParRangeCheckAct", "Suppress Parameter Range Check", nullptr, "", arDeveloper, arDeveloper, true},
    {"LocalAppData1", "Local AppData", "MenuCap_LocalAppData", "", arAlways, arAlways, true},
    {"ExeFolder1", "Program Folder", "MenuCap_ExeFolder", "", arAlways, arAlways, true},
    {"MultiReadEnable", "Enable", nullptr, "", arAlways, arAlways, true},
    {"MultiReadDisable", "Disable", nullptr, "", arAlways, arAlways, true},
    {"OpenOptionWindowMenu", "Option Window", nullptr, ""},
    // Manuals
    {"CreateHtmlOSTreeDoc", "OS", "MenuCap_OSTreeDoc", ""},
    {"CreateHtmlMCTreeDoc", "MC", "MenuCap_MCTreeDoc", ""},
    {"CreateHtmlIntfTreeDoc", "Interface", "MenuCap_IntfTreeDoc", ""},
    {"CreateHtmlApplTreeDoc", "Application", "MenuCap_ApplTreeDoc", ""},
    {"CreateHtmlSafetyTreeDoc", "Safety", "MenuCap_SafetyTreeDoc", ""},
    {"CreateHtmlOSErrorDoc", "OS", "MenuCap_OSTreeDoc", ""},
    {"CreateHtmlMCErrorDoc", "MC", "MenuCap_MCTreeDoc", ""},
    {"CreateHtmlIntfErrorDoc", "Interface", "MenuCap_IntfTreeDoc", ""},
    {"CreateHtmlApplErrorDoc", "Application", "MenuCap_ApplTreeDoc", ""},
    {"CreateHtmlSafetyErrorDoc", "Safety", "MenuCap_SafetyTreeDoc", ""},
    {"CreateHtmlMotionCmdListDoc", "Motion Commands", "MenuCap_MotionCmdList", ""},
    // Help
    {"ObjectInspectorAct", "Show Object Inspector", "MenuCap_Show_Object_Inspector", "F1", arDeviceSelected},
    {"VorlixHomePage1", "Home Page", "MenuCap_HomePage", ""},
    {"CheckForUpdates", "Check for Updates", "MenuCap_CheckForUpdates", ""},
    {"CheckByStartItem", "Check for Updates at Start", "MenuCap_CheckForUpdatesStart", "", arAlways, arAlways, true},
    {"CheckForNewsUpdatesAct", "Show News", "MenuCap_ShowNews", ""},
    {"CheckForNewsUpdatesatProgramStartup", "Check for News at Start", "MenuCap_CheckForNewsUpdatesStart", "",
     arAlways, arNever, true},
    {"CheckMotorUpdateAct", "Check for new Motor Files", "MenuCap_CheckMotorFiles", ""},
    {"UpdateOldReleasesAct", "Older Releases", "MenuCap_UpdateOldRel", ""},
    {"GetDataToPrgmAct", "Get Data to Program Folder", "MenuCap_GetDataToPrgm", ""},
    {"LocalOpt", "Local", nullptr, "", arAlways, arAlways, true},
    {"ServerOpt", "Server", nullptr, "", arAlways, arAlways, true},
    {"DefaultVorlixTalkStartUpSettings1", "Default Start-up Settings", "MenuCap_DefaultSettings", ""},
    {"AboutMenuItem", "About", nullptr, ""},
    // Tree pop-up
    {"SwitchUser", "Switch User", "ActCap_SwitchUser", "", arNever, arDeviceSelected},
    {"ChangeName1", "Edit Properties", nullptr, ""},
    {"ReadAllVar", "Read all Variables", nullptr, ""},
    // Tool bar
    {"ToolButton1", "Hide Tree", nullptr, ""},
    {"UpAct", "Up", "MenuCap_Up", "", arNotRoot},
    {"ToggleAct", "Toggle", "MenuCap_Toggle", "", arPreviousPath},
    {"ExpandAllAct", "Expand All", "MenuCap_ExpandAll", "", arHasChildren},
    {"CollapseAllAct", "Collapse All", "MenuCap_CollapseAll", "", arExpanded},
    {"MoreZerosAct", "More Zeros", "MenuCap_MoreZeros", "", arBeautifulview},
    {"LessZerosAct", "Less Zeros", "MenuCap_LessZeros", "", arBeautifulview},
    {"InfoWindowAct", "Information Window", "MenuCap_InfoWindow", ""},
    {"SaveAllV", "Save All", "MenuCap_SaveAll", "", arDeviceSelected, arNever},
    // The hidden Edit menu. Ctrl+X is Exit's: an editable widget with the focus cuts
    // through its own key handling before a window shortcut is looked at.
    {"EditCut", "Cu&t", nullptr, ""},
    {"EditCopy", "&Copy", nullptr, "Ctrl+C"},
    {"EditPaste", "&Paste", nullptr, "Ctrl+V"},
    {"EditDelete", "&Delete", nullptr, "Del"},
};

// The top-level menus with their caption keys; Drive and Services keep their captions.
struct TMenuSpec {
  const char* Name;
  const char* Caption;
  const char* CaptionKey;
  std::vector<const char*> Items;  // action names, "-" a separator, ">Name" a sub-menu
};

// Sub-menus, by name.
const TMenuSpec SubMenus[] = {
    {"NewMenuItem", "&New", "MenuCap_New", {"NewCommanderAct"}},
    {"Download1", "&Download", "MenuCap_Download", {"SetupAct", "LoadMotDefAct"}},
    {"Parameter1", "Export Raw Data", nullptr, {"SaveParameterAct", "SaveParameterChangesAct"}},
    {"UnitSys", "Unit &System", nullptr, {"SetMetricAct", "SetSIAct", "SetEnglishAct"}},
    {"LanguageMenuItem", "Language", "MenuCap_Language", {}},
    {"UPIDDispModeMenuItem", "UPID Display Mode", "MenuCap_UPID_Display_Mode",
     {"UPIDDispModeDecMenuItem", "UPIDDispModeHexMenuItem"}},
    {"RawDataDispModeMenuItem", "Raw Data Display Mode", "MenuCap_Raw_Data_Display_Mode",
     {"RawDataDispModeDecMenuItem", "RawDataDispModeHexMenuItem", "RawDataDispModeASCIIMenuItem"}},
    {"RelParFilter", "Relevant Parameter Filter", nullptr, {"RelParFilterEnabledItem", "RelParFilterDisabledItem"}},
    {"ExitWarning", "Exit Warning", "MenuCap_ExitWarning", {"ShowExitWarning", "HideExitWarning"}},
    {"SafeDebugData1", "Save Debug Window Data", nullptr, {"SaveDataEnable", "SaveDataDisable"}},
    {"Modulfunction1", "Module Function", "MenuCap_Modulefunct", {"ModulFunctionEnable", "ModulFunctionDisable"}},
    {"MotorDataFolder1", "Motor Data Folder", "MenuCap_MotorDataFolder", {"LocalAppData1", "ExeFolder1"}},
    {"MultiReadMenuBtn", "Multi Read Option", nullptr, {"MultiReadEnable", "MultiReadDisable"}},
    {"CreateHtmlDoc1", "HTML Parameter Documents", "MenuCap_CreateHtmlDoc",
     {"CreateHtmlOSTreeDoc", "CreateHtmlMCTreeDoc", "CreateHtmlIntfTreeDoc", "CreateHtmlApplTreeDoc",
      "CreateHtmlSafetyTreeDoc"}},
    {"Errors2", "HTML Error Documents", "MenuCap_Errors",
     {"CreateHtmlOSErrorDoc", "CreateHtmlMCErrorDoc", "CreateHtmlIntfErrorDoc", "CreateHtmlApplErrorDoc",
      "CreateHtmlSafetyErrorDoc"}},
    {"RelevantDocs", "Relevant Documents", "MenuCap_RelevantDocs", {}},
    {"AllDocuments", "All Documents", "MenuCap_AllDocs", {}},
    {"UpdateOptMenu", "Update Option", nullptr, {"LocalOpt", "ServerOpt"}},
    {"UpdateFunctions1", "Update Functions", nullptr,
     {"CheckForUpdates", "CheckByStartItem", "CheckForNewsUpdatesAct", "CheckForNewsUpdatesatProgramStartup",
      "CheckMotorUpdateAct", "UpdateOldReleasesAct", "GetDataToPrgmAct", ">UpdateOptMenu"}},
};

const TMenuSpec TopMenus[] = {
    {"FileMenuItem", "&File", "MenuCap_File",
     {"LoginAct", "acCreateOffline", "ETHScanningAct", "LogoutAct", "-", "AcOpen2", "AcSave2", "-", "SaveWorkSpace",
      "OpenWorkSpace", "-", "FilePrint", "-", "AcRunScript", "InstallAndRestore", "-", ">NewMenuItem", "-",
      "ExitAct"}},
    {"SearchMenuItem", "&Search", "MenuCap_Search", {"FindAct", "FindCapAct"}},
    {"Control1", "&Drive", nullptr,
     {"ResetAct", "AcStop", "BlinkDeviceAct", "-", ">Download1", ">Parameter1", "ExportRawDataAct",
      "ImportRawData_Act", "CreateUPIDList", "Backup", "Restore", "SaveConfigToSDCardAct", "-", "MotorWizardAct",
      "Compare_Parameter1", "AdvancedSave", "RelFrictAct", "ShowSwitchIntf"}},
    {"View", "&Services", nullptr,
     {"ShowCtrlPnl", "ShowParameterService", "ShowVariableService", "StartOscilloscopeAct", "ShowMessageService",
      "ShowErrorService", "ShowCurveSector", "ShowCommandTableService", "ShowSafetyParameters"}},
    {"OptionsMenuItem", "&Options", "MenuCap_Options",
     {"ShowCanManager", ">UnitSys", ">LanguageMenuItem", ">UPIDDispModeMenuItem", ">RawDataDispModeMenuItem",
      ">RelParFilter", ">ExitWarning", "SetLoginTimeout1", ">SafeDebugData1", "Beautifulview", ">Modulfunction1",
      "SuppressParRangeCheckAct", ">MotorDataFolder1", ">MultiReadMenuBtn", "OpenOptionWindowMenu"}},
    {"WindowMenuItem", "&Window", "MenuCap_Window", {}},
    {"ToolsMenuItem", "&Tools", "MenuCap_Tools", {"ReadMotorAct", "ReadDriveAct", "ProcMonAct"}},
    {"DocItem", "&Manuals", "MenuCap_Manuals",
     {">CreateHtmlDoc1", ">Errors2", "CreateHtmlMotionCmdListDoc", "-", ">RelevantDocs", ">AllDocuments"}},
    {"HelpMenuItem", "&Help", "MenuCap_Help",
     {"ObjectInspectorAct", "VorlixHomePage1", ">UpdateFunctions1", "DefaultVorlixTalkStartUpSettings1", "-",
      "AboutMenuItem"}},
    {"EditMenuItem", "&Edit", nullptr, {"EditCut", "EditCopy", "EditPaste", "EditDelete"}},
};

// The tool bar, left to right; "|" marks the device selector's place.
const char* const ToolBarItems[] = {
    "ToolButton1", "UpAct", "ToggleAct", "ExpandAllAct", "CollapseAllAct", "|", "AcOpen2", "AcSave2",
    "FilePrint", "AcRunScript", "OpenWorkSpace", "SaveWorkSpace", "ResetAct", "AcStop", "BlinkDeviceAct",
    "Default", "AcGoOffline", "MotorWizardAct", "ShowCtrlPnl", "ShowParameterService", "ShowVariableService",
    "StartOscilloscopeAct", "ShowMessageService", "ShowErrorService", "ShowCurveSector",
    "ShowCommandTableService", "ShowSafetyParameters", "ObjectInspectorAct", "MoreZerosAct", "LessZerosAct",
    "CheckForNewsUpdatesAct", "InfoWindowAct", "EditPaste", "EditCopy", "EditCut", "SaveAllV",
};
// Tool buttons the window's users know by their own names.
const std::pair<const char*, const char*> NamedButtons[] = {
    {"ResetAct", "StartToolBtn"}, {"AcStop", "StopToolBtn"}, {"Default", "DefaultButton"},
    {"MotorWizardAct", "MotorWizardBtn"}, {"InfoWindowAct", "InfoWindowButton"},
};
// Carried by the tool bar but never shown there.
const char* const HiddenButtons[] = {"ShowSafetyParameters", "EditPaste", "EditCopy", "EditCut", "SaveAllV"};

const char* const TreePopupItems[] = {"LoginAct", "acCreateOffline", "ETHScanningAct", "LogoutAct",
                                      "AcGoOffline", "-", "AcOpen2", "AcSave2", "-", "AcRunScript", "-",
                                      "SwitchUser", "ChangeName1", "ReadAllVar"};

// The show-service commands and the tree entries they select.
const std::pair<const char*, const char*> ServiceEntries[] = {
    {"ShowCtrlPnl", "\\Control Panel"},        {"ShowParameterService", "\\Parameters"},
    {"ShowVariableService", "\\Variables"},    {"StartOscilloscopeAct", "\\Oscilloscopes\\Default"},
    {"ShowMessageService", "\\Messages"},      {"ShowErrorService", "\\Errors"},
    {"ShowCurveSector", "\\Curves"},           {"ShowCommandTableService", "\\Command Table"},
};

QString Text(const char* Key) { return ToQString(GetInfoSysText(Utf8ToWide(Key))); }

TViewSettings& Settings() { return MainForm->Settings; }

// A setting of the view settings that the devices read as well.
void SetUPIDDispMode(const AnsiString& Mode) {
  Settings().UPIDDispMode = Mode;
  ApplicationState().UPIDDispMode = Mode;
}
void SetRawDataDispMode(const AnsiString& Mode) {
  Settings().RawDataDispMode = Mode;
  ApplicationState().RawDataDispMode = Mode;
}

bool EditableHasFocus() {
  QWidget* focus = QApplication::focusWidget();
  if (auto* line = qobject_cast<QLineEdit*>(focus)) return !line->isReadOnly();
  if (auto* text = qobject_cast<QTextEdit*>(focus)) return !text->isReadOnly();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) return !plain->isReadOnly();
  return false;
}

// A standard edit command on the focused editable widget, through its own key handling.
void EditCommand(QKeySequence::StandardKey Key) {
  QWidget* focus = QApplication::focusWidget();
  if (!qobject_cast<QLineEdit*>(focus) && !qobject_cast<QTextEdit*>(focus) && !qobject_cast<QPlainTextEdit*>(focus))
    return;
  const QKeySequence sequence(Key);
  if (sequence.isEmpty()) return;
  const QKeyCombination combination = sequence[0];
  QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
  QApplication::sendEvent(focus, &press);
}

}  // namespace

QAction* TTreeAppForm::Action(const char* Name) const {
  const auto found = FActions.find(Name);
  if (found == FActions.end()) throw Exception(Format("TTreeAppForm.Action: no action '%s'", Name));
  return found->second;
}

void TTreeAppForm::CreateActions() {
  for (const TActionSpec& spec : ActionSpecs) {
    auto* action = new QAction(spec.Caption, this);
    action->setObjectName(spec.Name);
    if (*spec.Shortcut) action->setShortcut(QKeySequence(spec.Shortcut));
    action->setCheckable(spec.Checkable);
    action->setEnabled(false);  // until its command is connected
    action->setVisible(spec.Visible != arNever);
    FActions[spec.Name] = action;
    FRules[action] = {spec.Enabled, spec.Visible};
    if (spec.CaptionKey) FCaptionKeys[action] = spec.CaptionKey;
    addAction(action);  // shortcuts work while the window is active, with or without a menu
  }
  Action("NewCommanderAct")->setText(QString::fromStdString(MainForm->GetProductInfoStr("ProgramName")));
  Action("ToolButton1")->setToolTip(Text("Hint_HideTree"));
}

void TTreeAppForm::CreateMenus() {
  std::map<std::string, const TMenuSpec*> subMenus;
  for (const TMenuSpec& spec : SubMenus) subMenus[spec.Name] = &spec;
  std::function<void(QMenu*, const TMenuSpec&)> fill = [&](QMenu* Menu, const TMenuSpec& Spec) {
    Menu->setObjectName(Spec.Name);
    if (Spec.CaptionKey) FMenuKeys.emplace_back(Menu, Spec.CaptionKey);
    for (const char* item : Spec.Items) {
      if (std::string_view(item) == "-")
        Menu->addSeparator();
      else if (item[0] == '>')
        fill(Menu->addMenu(subMenus.at(item + 1)->Caption), *subMenus.at(item + 1));
      else
        Menu->addAction(Action(item));
    }
  };
  for (const TMenuSpec& spec : TopMenus) fill(menuBar()->addMenu(spec.Caption), spec);
  const auto placeholder = [this](const char* Menu, const char* Name) {
    auto* menu = findChild<QMenu*>(Menu);
    auto* action = new QAction(menu);
    menu->insertAction(menu->actions().isEmpty() ? nullptr : menu->actions().first(), action);
    action->setObjectName(Name);
    action->setVisible(false);
    return action;
  };
  FWindowPlaceholder = placeholder("WindowMenuItem", "FormList");
  FViewPlaceholder = placeholder("ToolsMenuItem", "ViewList");
  FLanguageMenu = findChild<QMenu*>("LanguageMenuItem");
  FLanguagePlaceholder = placeholder("LanguageMenuItem", "_LanguageList");
  findChild<QMenu*>("EditMenuItem")->menuAction()->setVisible(false);
  for (const char* hidden : {"UnitSys", "RelParFilter", "Parameter1"})
    findChild<QMenu*>(hidden)->menuAction()->setVisible(false);
  for (QMenu* menu : findChildren<QMenu*>())
    connect(menu, &QMenu::aboutToShow, this, [this] { ActionListUpdate(); });
}

void TTreeAppForm::CreateToolBar() {
  ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  for (const char* item : ToolBarItems) {
    if (std::string_view(item) == "|") {
      ToolBar1->addWidget(DeviceCbo);
      continue;
    }
    ToolBar1->addAction(Action(item));
    auto* button = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(Action(item)));
    button->setObjectName(std::string(item) + "Btn");
    for (const auto& [action, name] : NamedButtons)
      if (std::string_view(action) == item) button->setObjectName(name);
  }
  for (const char* hidden : HiddenButtons) ToolBar1->widgetForAction(Action(hidden))->setVisible(false);
  ToolBar1->widgetForAction(Action("ToolButton1"))->setObjectName("ToolButton1");
}

void TTreeAppForm::CreateTreePopup() {
  TreePopup = new QMenu(this);
  TreePopup->setObjectName("TreePopup");
  for (const char* item : TreePopupItems) {
    if (std::string_view(item) == "-")
      TreePopup->addSeparator();
    else
      TreePopup->addAction(Action(item));
  }
  connect(TreePopup, &QMenu::aboutToShow, this, [this] { TreePopupPopup(); });
  connect(MainTreeView, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& At) { TreePopup->popup(MainTreeView->viewport()->mapToGlobal(At)); });
  MainTreeView->installEventFilter(this);
}

void TTreeAppForm::TreePopupPopup() {
  ActionListUpdate();
  QTreeWidgetItem* node = MainTreeView->currentItem();
  QTreeWidgetItem* parent = node ? node->parent() : nullptr;
  const bool recording = parent && parent->text(0) == "Oscilloscopes";
  Action("ChangeName1")->setVisible(recording);
  Action("ReadAllVar")->setVisible(!recording && parent &&
                                   (node->text(0) == "Variables" || parent->text(0) == "Variables"));
}

bool TTreeAppForm::TreeKey(int Key) {
  TTreeNode* selected = MainTreeView->Selected();
  const bool root = selected && selected == MainTreeView->TopNode();
  if ((Key == Qt::Key_Return || Key == Qt::Key_Enter) && root) {
    Action("LoginAct")->trigger();
    return true;
  }
  return false;
}

bool TTreeAppForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == MainTreeView && Event->type() == QEvent::KeyPress && TreeKey(static_cast<QKeyEvent*>(Event)->key()))
    return true;
  return QMainWindow::eventFilter(Watched, Event);
}

void TTreeAppForm::ConnectCommands() {
  const auto on = [this](const char* Name, std::function<void()> Command) {
    QAction* action = Action(Name);
    FWired.insert(action);
    connect(action, &QAction::triggered, this, [Command = std::move(Command)] { Command(); });
  };
  // File
  on("LoginAct", [this] { MainForm->CreateDevice(this, "VorlixOnline"); });
  on("acCreateOffline", [this] {
    const bool shift = QApplication::keyboardModifiers() & Qt::ShiftModifier;
    MainForm->CreateDevice(this, shift ? "VorlixCreateOfflineOldRel" : "VorlixCreateOffline");
  });
  on("NewCommanderAct", [this] {
    MainForm->SelectedEntry = FEntryManager ? FEntryManager->GetPathStr() : AnsiString();
    MainForm->CreateTreeCommander();
  });
  on("ExitAct", [this] {
    if (!EditableHasFocus()) close();
  });
  on("EditCut", [] { EditCommand(QKeySequence::Cut); });
  on("EditCopy", [] { EditCommand(QKeySequence::Copy); });
  on("EditPaste", [] { EditCommand(QKeySequence::Paste); });
  on("EditDelete", [] { EditCommand(QKeySequence::Delete); });
  // Services: each selects its entry of the current device.
  for (const auto& [name, suffix] : ServiceEntries)
    on(name, [this, suffix = suffix] {
      if (TDevice* device = CurrentDevice(); device && FStatusClient.GetConnected())
        SelectPath(TreeRoot + device->GetDevicePath() + suffix);
    });
  // Tree
  on("ToolButton1", [this] { ToggleTree(); });
  on("UpAct", [this] {
    if (FEntryManager) FEntryManager->GoBackSelect();
  });
  on("ToggleAct", [this] {
    if (FEntryManager) SelectPath(FEntryManager->PreviousPath());
  });
  on("ExpandAllAct", [this] {
    if (QTreeWidgetItem* item = MainTreeView->currentItem()) MainTreeView->expandRecursively(MainTreeView->indexFromItem(item));
  });
  on("CollapseAllAct", [this] {
    if (QTreeWidgetItem* item = MainTreeView->currentItem()) MainTreeView->collapseItem(item);
  });
  // Display modes
  on("UPIDDispModeDecMenuItem", [this] { SetUPIDDispMode("DEC"), UpdateDisplayModeMenus(); });
  on("UPIDDispModeHexMenuItem", [this] { SetUPIDDispMode("HEX"), UpdateDisplayModeMenus(); });
  on("RawDataDispModeDecMenuItem", [this] { SetRawDataDispMode("DEC"), UpdateDisplayModeMenus(); });
  on("RawDataDispModeHexMenuItem", [this] { SetRawDataDispMode("HEX"), UpdateDisplayModeMenus(); });
  on("RawDataDispModeASCIIMenuItem", [this] { SetRawDataDispMode("ASCII"), UpdateDisplayModeMenus(); });
  on("Beautifulview", [this] {
    Settings().Beautifulview = !Settings().Beautifulview;
    ApplicationState().Beautifulview = Settings().Beautifulview;
    UpdateVisProvider();
  });
  const auto zeros = [this](int Step) {
    const std::int32_t next = Settings().BeautifulviewZeros + Step;
    if (next < 0 || next > MaxBeautifulviewZeros) return;
    Settings().BeautifulviewZeros = next;
    ApplicationState().BeautifulviewZeros = next;
    AddZeroHint();
    UpdateVisProvider();
  };
  on("MoreZerosAct", [zeros] { zeros(1); });
  on("LessZerosAct", [zeros] { zeros(-1); });
  // Options
  on("ShowExitWarning", [] { Settings().ExitProgramWarning = 1; });
  on("HideExitWarning", [] { Settings().ExitProgramWarning = 0; });
  const auto debugSave = [](bool On) {
    Settings().DebugSaveData = On ? 1 : 0;
    if (DebugManager()) DebugManager()->SetDebugSaveDataBool(On);
  };
  on("SaveDataEnable", [debugSave] { debugSave(true); });
  on("SaveDataDisable", [debugSave] { debugSave(false); });
  const auto modul = [](std::int32_t Flag) {
    Settings().ModulFunctionFlag = Flag;
    ApplicationState().ModulFunctionFlag = Flag;
  };
  on("ModulFunctionEnable", [modul] { modul(1); });
  on("ModulFunctionDisable", [modul] { modul(0); });
  const auto multiRead = [](bool On) {
    Settings().MultiReadActive = On;
    ApplicationState().MultiReadActive = On;
  };
  on("MultiReadEnable", [multiRead] { multiRead(true); });
  on("MultiReadDisable", [multiRead] { multiRead(false); });
  on("LocalAppData1", [] { Settings().AppDataFolder = true; });
  on("ExeFolder1", [] { Settings().AppDataFolder = false; });
  on("SetLoginTimeout1", [this] {
    auto* window = ChildOf<TTimeout_Settings>(this);
    if (!window) window = new TTimeout_Settings(this);
    window->Beforshow();
  });
  on("OpenOptionWindowMenu", [this] {
    auto* window = ChildOf<TOptionWindow>(this);
    if (!window) window = new TOptionWindow(Settings(), this);
    window->show();
    window->raise();
  });
  // Help
  on("VorlixHomePage1", [] {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(MainForm->GetCompanyInfoStr("HomePage"))));
  });
  on("CheckByStartItem", [] {
    Settings().AutoCheckForSoftwareUpdates = Settings().AutoCheckForSoftwareUpdates == 0 ? 1 : 0;
  });
  on("ServerOpt", [] { Settings().LocalUpdate = 0; });
  on("DefaultVorlixTalkStartUpSettings1", [] {
    std::error_code ec;
    std::filesystem::remove(ResolvePath(AppDataDir + u"ViewConfig.ini"), ec);
    MainForm->GlobalNoConfigSave = true;
  });
  on("AboutMenuItem", [this] {
    TAboutBoxForm about(MainForm->FCompanyInfo.get(), MainForm->FProductInfo.get(), this);
    about.exec();
  });
  on("InfoWindowAct", [this] {
    Settings().HelpWindowVisiFlag = !Settings().HelpWindowVisiFlag;
    InfoWindowUpdate();
  });
}

void TTreeAppForm::ToggleTree() {
  const bool show = !LeftPanel->isVisible();
  LeftPanel->setVisible(show);
  Action("ToolButton1")->setToolTip(Text(show ? "Hint_HideTree" : "HInt_ShowTree"));
}

TCommanderState TTreeAppForm::CurrentState() const {
  TCommanderState state;
  const TDeviceManager* manager = DeviceManager();
  state.OnlineDeviceExists = manager->GetDeviceOnlineExists();
  state.Beautifulview = Settings().Beautifulview;
  if (TTreeNode* node = MainTreeView->Selected()) {
    state.RootSelected = node == MainTreeView->TopNode();
    state.HasChildren = node->Count() > 0 || node->Data()->Model()->GetChildCount() > 0;
    state.Expanded = MainTreeView->currentItem() && MainTreeView->currentItem()->isExpanded();
  }
  state.PreviousPath = FEntryManager && !FEntryManager->PreviousPath().empty();
  TDevice* device = CurrentDevice();
  if (!device) return state;
  state.DeviceSelected = FStatusClient.GetConnected();
  AddDeviceFacts(*device, state);
  return state;
}

void TTreeAppForm::ActionListUpdate() {
  if (FClosing) return;
  const TCommanderState state = CurrentState();
  for (const auto& [action, rules] : FRules) {
    action->setEnabled(FWired.count(action) && RuleHolds(rules.first, state));
    if (rules.second != arAlways) action->setVisible(RuleHolds(rules.second, state));
  }
  // Raw data as text only for developers; the mode falls back to hexadecimal.
  if (state.Level != LevelDeveloper && Settings().RawDataDispMode == "ASCII") {
    SetRawDataDispMode("HEX");
    UpdateDisplayModeMenus();
  }
  Action("ShowExitWarning")->setChecked(Settings().ExitProgramWarning == 1);
  Action("HideExitWarning")->setChecked(Settings().ExitProgramWarning != 1);
  Action("SaveDataEnable")->setChecked(Settings().DebugSaveData != 0);
  Action("SaveDataDisable")->setChecked(Settings().DebugSaveData == 0);
  Action("ModulFunctionEnable")->setChecked(Settings().ModulFunctionFlag == 1);
  Action("ModulFunctionDisable")->setChecked(Settings().ModulFunctionFlag != 1);
  Action("MultiReadEnable")->setChecked(Settings().MultiReadActive);
  Action("MultiReadDisable")->setChecked(!Settings().MultiReadActive);
  Action("LocalAppData1")->setChecked(Settings().AppDataFolder);
  Action("ExeFolder1")->setChecked(!Settings().AppDataFolder);
  Action("LocalOpt")->setChecked(Settings().LocalUpdate == 1);
  Action("ServerOpt")->setChecked(Settings().LocalUpdate != 1);
  Action("CheckByStartItem")->setChecked(Settings().AutoCheckForSoftwareUpdates == 1);
  Action("CheckForNewsUpdatesatProgramStartup")->setChecked(Settings().AutoCheckForNewsUpdates == 1);
  Action("Beautifulview")->setChecked(Settings().Beautifulview);
  Action("Beautifulview")->setProperty("ImageIndex", Settings().Beautifulview ? 171 : -1);
  Action("SwitchUser")->setText(Text("ActCap_SwitchUser"));
}

void TTreeAppForm::UpdateMenuLanguage() {
  const QString language = QString::fromStdString(Settings().InfoSysLang);
  for (QAction* item : FLanguageMenu->actions()) {
    if (!item->isVisible()) continue;
    item->setCheckable(true);
    item->setChecked(QString(item->text()).remove('&') == language);
  }
  const auto caption = [](const char* Key, const QString& Fallback) {
    const QString text = Text(Key);
    return text.isEmpty() ? Fallback : text;
  };
  for (const auto& [menu, key] : FMenuKeys) menu->setTitle(caption(key, menu->title()));
  for (const auto& [action, key] : FCaptionKeys) action->setText(caption(key, action->text()));
  AddZeroHint();
  Action("ToolButton1")->setToolTip(Text(LeftPanel->isVisible() ? "Hint_HideTree" : "HInt_ShowTree"));
  Action("AboutMenuItem")
      ->setText(Text("MenuCap_About") + " " + QString::fromStdString(MainForm->GetProductInfoStr("ProgramName")));
}

void TTreeAppForm::UpdateDisplayModeMenus() {
  const TViewSettings& settings = Settings();
  Action("UPIDDispModeDecMenuItem")->setChecked(settings.UPIDDispMode == "DEC");
  Action("UPIDDispModeHexMenuItem")->setChecked(settings.UPIDDispMode == "HEX");
  Action("RawDataDispModeDecMenuItem")->setChecked(settings.RawDataDispMode == "DEC");
  Action("RawDataDispModeHexMenuItem")->setChecked(settings.RawDataDispMode == "HEX");
  Action("RawDataDispModeASCIIMenuItem")->setChecked(settings.RawDataDispMode == "ASCII");
  Action("RelParFilterDisabledItem")->setChecked(settings.RelParFilterMode == "Disabled");
  Action("RelParFilterEnabledItem")->setChecked(settings.RelParFilterMode == "Enabled");
}

void TTreeAppForm::AddZeroHint() {
  QAction* more = Action("MoreZerosAct");
  QAction* less = Action("LessZerosAct");
  const TZeroHints hints = ZeroHints(more->text().toStdString(), less->text().toStdString(),
                                     Settings().BeautifulviewZeros, ZerosHint);
  more->setToolTip(QString::fromStdString(hints.More));
  less->setToolTip(QString::fromStdString(hints.Less));
}

void TTreeAppForm::UpdateVisProvider() { RedrawValueViews(*DeviceManager()); }

}  // namespace vt
