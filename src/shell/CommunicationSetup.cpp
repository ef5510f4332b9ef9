// The start-up of the drive link and the device world; see CommunicationSetup.h.
#include "shell/CommunicationSetup.h"

#include <memory>

#include "comm/BasicTalkService.h"
#include "comm/SharedLinkState.h"
#include "comm/SerialPortList.h"
#include "comm/TalkClient.h"
#include "comm/TalkInterface.h"
#include "comm/TalkServer.h"
#include "comm/TelegramPatterns.h"
#include "comm/UdpDriver.h"
#include "config/ConfigManagers.h"
#include "controlpanel/ControlPanelManagers.h"
#include "curves/Curve.h"
#include "curves/CurveManager.h"
#include "curves/DataObjectTypes.h"
#include "curves/ObjectLoaderManager.h"
#include "devices/DeviceManager.h"
#include "devices/services/ModuleService.h"
#include "devices/services/StatusService.h"
#include "logs/LogManagers.h"
#include "motorwizard/MotorWizardManager.h"
#include "oscilloscope/OscilloscopeManager.h"
#include "parameters/ParameterManager.h"
#include "parameters/ParameterService.h"
#include "parameters/UnitManager.h"
#include "parameters/UnitService.h"
#include "platform/Exceptions.h"
#include "runtime/CommandLine.h"
#include "runtime/DebugLog.h"
#include "runtime/ProgramFolders.h"
#include "runtime/SettingsTree.h"
#include "runtime/Translations.h"
#include "shell/ShellLimits.h"
#include "sl/values/Scalars.h"

namespace vt {

TTalkProgramType TalkProgramType = tptLocal;

namespace {

std::unique_ptr<TTalkServer> GTalkServer;
std::unique_ptr<TUnitManager> GUnitManager;

bool StartedAsDeveloper() {
  TSLArray* args = ProgParamArray();
  if (!args || args->GetCount() == 0) return false;
  const auto* first = dynamic_cast<const TSLString*>(args->GetObjAtIndex(0));
  return first && UpperCaseAnsi(WideToAnsi(first->StringValue())) == "DEVELOP";
}

// The settings' dictionary Name, nil when the file has none.
TSLDictionary* SettingsSection(const char* Name) {
  return dynamic_cast<TSLDictionary*>(ProgramRegistry->RegData()->FindObjectAnsi(Name));
}

// The oscilloscope manager starts from the user's default recording settings.
void CreateOsciManager() {
  OsciManager = std::make_unique<TOsciManager>();
  if (auto* settings = dynamic_cast<TSLDictionary*>(ViewConfigRegistry->RegData()->FindObjectAnsi("OscilloscopeSettings")))
    OsciManager->Initialize(settings);
}

void CreateDataObjectRegistries() {
  // No main image list exists yet: the curve views' images start at 0.
  ObjCntManager = std::make_unique<TObjCntManager>(0);
  ObjLoaderManager = std::make_unique<TObjLoaderManager>();
  ObjLoaderManager->Initialize("archive://Archives\\ObjectLoader\\ObjectLoaderManagerInfo.stx");
  VxDataTypeList = std::make_unique<TVxDataTypeList>();
  VxDataTypeList->RegisterVxDataTypeClass(VxDataTypeClassOf<TCurve>());
}

// The managers of the feature subsystems, each beside its device service class.
void CreateFeatureManagers() {
  MessagesManager = std::make_unique<TMessagesManager>();
  ErrorsManager = std::make_unique<TErrorsManager>();
  ControlPanelManager = std::make_unique<TControlPanelManager>();
  CommandTableManager = std::make_unique<TCommandTableManager>();
  CurveManager = CreateCurveManager("archive://Archives\\CurveCreator\\CurveTypes.stx",
                                    "archive://Archives\\CurveCreator\\CurveInfo.stx");
  SafetyManager = std::make_unique<TSafetyManager>();
  ConfigManager = std::make_unique<TConfigManager>();
}

void RegisterDeviceServices(TDeviceManager& Manager) {
  Manager.RegisterServiceClass("ModuleService", DeviceServiceClassOf<TModuleService>());
  Manager.RegisterServiceClass("StatusService", DeviceServiceClassOf<TStatusService>());
  Manager.RegisterServiceClass("TalkService", DeviceServiceClassOf<TBasicTalkService>());
  InitTalkInterfaceServer();
  Manager.RegisterServiceClass("ParameterService", DeviceServiceClassOf<TParameterService>());
  CreateOsciManager();
  CreateDataObjectRegistries();
  Manager.RegisterServiceClass("UnitService", DeviceServiceClassOf<TUnitService>());
  GUnitManager = std::make_unique<TUnitManager>();
  GUnitManager->Initialize("archive://Archives\\UnitService\\Units.stx");
  CreateFeatureManagers();
}

void CreateParameterWorld() {
  CreateParameterManager();
  try {
    if (const TSLDictionary* settings = SettingsSection("Parameter")) ParameterManager()->Initialize(settings);
  } catch (const Exception& e) {
    // Settings the manager cannot take leave its built-in defaults.
    LogWarning(e.what());
  }
  RegisterParameterClasses(*ParameterManager());
}

}  // namespace

std::uint32_t SerialBaudRate() {
  std::uint32_t baud = DefaultSerialBaudRate;
  if (TSLDictionary* options = ProgParamDict(); options && options->NameExists(u"ZI2BAUD")) {
    const auto* value = dynamic_cast<const TSLString*>(options->FindObject(u"ZI2BAUD"));
    const AnsiString text = value ? WideToAnsi(value->StringValue()) : AnsiString();
    char* end = nullptr;
    const unsigned long number = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || number == 0 || number > 0xFFFFFFFFul)
      throw Exception("'" + text + "' is not a valid integer value (option -ZI2BAUD)");
    baud = static_cast<std::uint32_t>(number);
  }
  if (TSLDictionary* comm = SettingsSection("COMMUNICATION"); comm && comm->NameExists(u"ZI2BAUD"))
    baud = static_cast<std::uint32_t>(comm->GetIntWithName(u"ZI2BAUD"));
  return baud;
}

void AddPortDrivers(TTalkServer& Server, std::uint32_t BaudRate) {
  for (const AnsiString& port : ListSerialPortNames(ProgramRegistry.get())) Server.AddSerialPortDriver(port, BaudRate);
  Server.AddPortDriver("ETH", std::make_unique<TETHDriver>());
  Server.AddPortDriver("ETH_v6", std::make_unique<TETHDriver_v6>());
}

void InitVorlixCommander() {
  TalkProgramType = StartedAsDeveloper() ? tptDevelop : tptLocal;
  const std::uint32_t baud = SerialBaudRate();
  GTalkServer = std::make_unique<TTalkServer>();
  AddPortDrivers(*GTalkServer, baud);
  CreateTalkClient();
  RegisterTelegramPatterns(*TalkClient());
  CreateDeviceManager(SettingsSection("Devices"));
  RegisterDeviceServices(*DeviceManager());
  MotWizardManager = CreateMotWizManager();
  LanguageManager = std::make_unique<TLanguageManager>();
  LanguageManager->ProgramName = ProductInfos().Get("ProgramName");
  LanguageManager->InitWithFile(WorkDir + u"LanguageDef/LanguageDef.csv");
  CreateParameterWorld();
}

void DoneVorlixCommander() { GTalkServer.reset(); }

TUnitManager* UnitManager() { return GUnitManager.get(); }

}  // namespace vt
