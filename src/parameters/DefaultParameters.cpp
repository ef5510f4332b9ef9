// The parameter service's defaults: the default procedure of an online drive (the
// archive's script, the reread, the rotary operating-system defaults), the check whether
// all values are defaults and the default of an offline device; see ParameterService.h.
#include "comm/TalkActor.h"
#include "devices/Device.h"
#include "parameters/BoolParameters.h"
#include "parameters/DirectoryParameters.h"
#include "parameters/EnumParameters.h"
#include "parameters/IntegerParameterBase.h"
#include "parameters/ParameterService.h"
#include "parameters/RadioParameters.h"
#include "parameters/SafetyService.h"
#include "parameters/StringParameters.h"
#include "parameters/UnitService.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

constexpr const char* DefaultScriptName = "archive://Archives\\ParameterService\\DefaultParameters.sct";
// The name the script debugger shows for the default script.
constexpr const char* DefaultScriptContextName = "fdfd";
constexpr const char16_t* DefaultFailedText = u"An error occured during the default parameter procedure!";

// The rotary operating-system parameters, defaulted one after the other.
constexpr std::int32_t FirstRotaryUPID = 0x0800;
constexpr int LastRotaryCounter = 8;

constexpr std::uint8_t InstanceMC = 0x02;
constexpr std::uint8_t InstanceOS = 0x01;
constexpr std::uint8_t SoftwareInstances = 0x0F;
constexpr std::uint8_t InstanceSafety = 0x10;
constexpr std::int32_t InstanceSpan = 0x1000;
constexpr std::int32_t FirstSafetyUPID = 0x4000;

// Whether the master UPID lies in an instance of bits 0x01 to 0x08 of the mask.
bool InSoftwareInstance(std::int32_t MasterUPID, std::uint8_t Mask) {
  if (MasterUPID < 0) return false;
  const std::int32_t instance = MasterUPID / InstanceSpan;
  return instance < 4 && (Mask & (1u << instance)) != 0;
}

bool InSafetyInstance(std::int32_t MasterUPID) {
  return MasterUPID >= FirstSafetyUPID && MasterUPID < FirstSafetyUPID + InstanceSpan;
}

// Whether a node that has its value in the stored memory holds its default; classes
// without a compared value count as defaults.
template <class TDir>
bool ChoiceAtDefault(TParameter* Node, std::uint32_t Bits, bool& Known) {
  auto* dir = dynamic_cast<TDir*>(Node);
  if (!dir) return true;
  Known = true;
  return (static_cast<std::uint32_t>(dir->GetValue()) & Bits) == (static_cast<std::uint32_t>(dir->DefaultValue()) & Bits);
}

bool HoldsDefault(TParameter* Node) {
  if (auto* text = dynamic_cast<TStringParameter*>(Node)) return text->GetStrValue() == text->DefaultText();
  if (auto* caption = dynamic_cast<TCapDirParameter*>(Node)) return caption->GetStrValue() == caption->DefaultText();
  if (auto* number = dynamic_cast<TGenericIntParameter*>(Node)) return number->GetIntValue() == number->GetDefaultValue();
  if (auto* flag = dynamic_cast<TBoolParameter*>(Node)) return flag->GetBoolValue() == flag->DefaultValue();
  bool known = false;
  const bool atDefault = ChoiceAtDefault<TEnumDir16Parameter>(Node, 0xFFFF, known) &&
                         ChoiceAtDefault<TEnumDir32Parameter>(Node, 0xFFFF, known) &&
                         ChoiceAtDefault<TEnumDir8Parameter>(Node, 0xFF, known) &&
                         ChoiceAtDefault<TRadioDir32Parameter>(Node, 0xFFFFFFFF, known) &&
                         ChoiceAtDefault<TRadioDir16Parameter>(Node, 0xFFFF, known) &&
                         ChoiceAtDefault<TRadioDir8Parameter>(Node, 0xFF, known) &&
                         ChoiceAtDefault<TRadioDirBitParameter>(Node, 0xFFFF, known);
  return !known || atDefault;
}

}  // namespace

// ---- The default procedure ----

void TParameterService::DefaultParameters(std::uint8_t Mask, bool Debug) {
  SelInstancesToBeDefaulted = Mask;
  if (FState != stReady || FOwner->DeviceType() != dtOnline) return;
  FState = stDefaultPars;
  DefRotFlag = false;
  FDefaultFlag = true;
  try {
    StartDefaultScript(Debug);
  } catch (...) {
    // A script that cannot even start has failed: the service must not stay busy.
    LogError(Format("%s.DefaultParameters: %s", ClassName(), CurrentExceptionText()));
    FState = stReady;
    MessageDlg(DefaultFailedText, mtError, MsgDlgButton(mbOK));
    return;
  }
  if ((Mask & InstanceMC) && !(Mask & InstanceOS)) DefRotFlag = true;
}

void TParameterService::StartDefaultScript(bool Debug) {
  if (!FDefaultScriptTask) {
    FDefaultScriptTask.reset(TheStorageManager().CreateScriptTask());
    FDefaultScriptTask->SetAutoFree(false);
    FDefaultScriptTask->OnFinished = [this](TScriptTaskInterface* Task) { ScriptTaskResponse(Task); };
  }
  TRef<TSLContextImplementation> context(TheStorageManager().CreateContext(false));
  context->FScriptName = DefaultScriptContextName;
  FDefaultScriptTask->SetContext(context.get());
  FDefaultScriptTask->SetDebug(Debug);
  TRef<TSLStorageObject> script(TheStorageManager().GetObject(DefaultScriptName, saRead, Debug));
  FDefaultScriptTask->SetScript(CheckedCast<TSLBlock>(script->GetData()));
  FDefaultScriptTask->PushParameter(MakeRef<TSLString>(AnsiToWide(FOwner->Name())).get());
  FDefaultScriptTask->PushParameter(MakeRef<TSLLongint>(SelInstancesToBeDefaulted).get());
  FDefaultScriptTask->Start();
}

void TParameterService::ScriptTaskResponse(TScriptTaskInterface* Task) {
  if (FState != stDefaultPars) return;
  FState = stReady;
  if (Task->Result != 0) {
    // Nothing was reread, so nothing may follow it.
    DefRotFlag = false;
    LogError(Format("%s.ScriptTaskResponse: %s", ClassName(), AnsiString(Task->GetErrorMsg())));
    MessageDlg(DefaultFailedText, mtError, MsgDlgButton(mbOK));
    return;
  }
  try {
    RereadDefaults();
  } catch (...) {
    LogError(Format("%s.ScriptTaskResponse: %s", ClassName(), CurrentExceptionText()));
    ParameterDefaulted = false;
  }
}

// Marked only when a reread begins: only the reread's end clears the mark, and windows
// wait while it is set.
void TParameterService::RereadDefaults() {
  if (!IsReady()) return;
  if (SelInstancesToBeDefaulted & SoftwareInstances) {
    ParameterDefaulted = ReadFlag = true;
    LoadPreloadParameters();
  }
  if (!(SelInstancesToBeDefaulted & InstanceSafety)) return;
  auto* service = FOwner->Sibling<TDeviceService>("SafetyService");
  auto* safety = dynamic_cast<TSafetyServiceInterface*>(service);
  if (safety && service->ServiceStatus() == dsStarted) safety->RequestData();
}

// ---- The rotary operating-system defaults ----

void TParameterService::DefaultRotativeOSParameterReq() {
  if (FState != stReady) return;
  // A parameter the tree lacks is passed over: nothing would answer for it.
  while (OSParCounter <= LastRotaryCounter && !FindParameter(FirstRotaryUPID + OSParCounter)) ++OSParCounter;
  if (OSParCounter > LastRotaryCounter) {
    OSParCounter = 0;
    DefRotFlag = false;
    return;
  }
  const std::int32_t upid = FirstRotaryUPID + OSParCounter;
  FState = stDefaultPars;
  const std::string payload{static_cast<char>(SetModeDefault), static_cast<char>(upid & 0xFF), static_cast<char>(upid >> 8)};
  if (SetRequest(payload, [this](TTalkActor* AActor) { DefaultRotativeOSParameterRec(AActor); })) return;
  FState = stReady;
  OSParCounter = 0;
  DefRotFlag = false;
}

// The answer's status is not examined: a parameter that kept its value is reread by the
// next change poll.
void TParameterService::DefaultRotativeOSParameterRec(TTalkActor*) {
  if (FState != stDefaultPars) return;
  FState = stReady;
  if (OSParCounter < LastRotaryCounter) {
    ++OSParCounter;
    DefaultRotativeOSParameterReq();
    return;
  }
  OSParCounter = 0;
  DefRotFlag = false;
}

// ---- Defaults without telegrams ----

bool TParameterService::AreAllDefaultValues(std::uint8_t Mask) const {
  for (int i = 0; i < FParameterList.Count(); ++i) {
    TParameter* node = FParameterList.At(i).Node;
    if (!(node->AddrUsage() & AddrRomWrite) || !InSoftwareInstance(node->MasterUPID(), Mask)) continue;
    if (!HoldsDefault(node)) return false;
  }
  return true;
}

void TParameterService::DefaultParameterOffline(std::uint8_t Mask) {
  const auto* units = FOwner->Sibling<TUnitService>("UnitService");
  const TUnitSystem system = units ? units->GetUnitSystem() : usMetric;
  for (int i = 0; i < FParameterList.Count(); ++i) {
    TParameter* node = FParameterList.At(i).Node;
    const std::int32_t upid = node->MasterUPID();
    const bool software = (node->AddrUsage() & AddrRomWrite) && InSoftwareInstance(upid, Mask);
    if (software || (InSafetyInstance(upid) && (Mask & InstanceSafety))) node->SetDefaultValue(system);
  }
}

}  // namespace vt
