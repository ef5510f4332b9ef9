// The talk interface and its factory; see TalkInterface.h.
#include "comm/TalkInterface.h"

#include "comm/BasicTalkService.h"
#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "comm/TalkMessages.h"
#include "devices/DeviceManager.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "runtime/ObjectRegistry.h"
#include "runtime/ProcessGlobal.h"

namespace vt {

namespace {

TMxGlobal<TTalkInterfaceFactoryImplementation> GTalkInterfaceFactory;

using TService = TBasicTalkService;

}  // namespace

TTalkInterfaceImplementation::TTalkInterfaceImplementation(TBasicTalkService* ATalkService)
    : Actor(TalkClient()->GetActor()), FTalkService(ATalkService) {
  Actor->OnResponse = [this](TTalkActor*) { Answered(); };
}

// A busy actor cannot be pooled: it is dropped, and the talk server's late reply to it
// with it.
TTalkInterfaceImplementation::~TTalkInterfaceImplementation() {
  Actor->OnResponse = nullptr;
  if (TalkClient() && !Actor->IsBusy()) TalkClient()->PutActor(Actor);
}

void TTalkInterfaceImplementation::CheckIdle(const char* Name) const {
  if (FState != stIdle) throw Exception(Format("TalkInterface.%s: interface not ready", Name));
}

template <class TField, class... TArgs>
void TTalkInterfaceImplementation::Command(const char* Name, TField TBasicTalkService::*Pattern, TState AState,
                                           const TArgs&... Args) {
  CheckIdle(Name);
  const auto* pattern = (FTalkService->*Pattern).get();
  if (!pattern) throw Exception(Format("TalkInterface.%s: not supported", Name));
  Actor->Clear();
  try {
    pattern->Put(*Actor, Args..., 0);
    Actor->Execute();
  } catch (...) {
    Actor->Clear();
    throw;
  }
  FState = AState;
}

void TTalkInterfaceImplementation::ReadMemory(std::int32_t AAddress) {
  Command("ReadMemory", &TService::FGetMemoryWord, stRead, AAddress);
  FAddress = AAddress;
}

void TTalkInterfaceImplementation::WriteMemory(std::int32_t AAddress, std::int32_t AData) {
  Command("WriteMemory", &TService::FSetMemoryWord, stWrite, AAddress, AData);
  FAddress = AAddress;
  FData = AData;
}

void TTalkInterfaceImplementation::WriteFlash(std::int32_t AAddress, std::int32_t AData) {
  Command("WriteFlash", &TService::FSetFlashWord, stFlash, AAddress, AData);
  FAddress = AAddress;
  FData = AData;
}

void TTalkInterfaceImplementation::StartProgram() {
  Command("StartProgram", &TService::FStartProgram, stStart);
}

void TTalkInterfaceImplementation::StopProgram() { Command("StopProgram", &TService::FStopProgram, stStop); }

void TTalkInterfaceImplementation::OldStartProgram(std::int32_t AAddress) {
  Command("OldStartProgram", &TService::FOldStartProgram, stStart, AAddress);
}

void TTalkInterfaceImplementation::EraseFlash(std::int32_t AAddress) {
  Command("EraseFlash", &TService::FEraseFlash, stErase, AAddress);
  FAddress = AAddress;
}

void TTalkInterfaceImplementation::EraseFlashAll() {
  Command("EraseFlashAll", &TService::FEraseFlashAll, stEraseAll);
}

void TTalkInterfaceImplementation::EraseSWInstance(std::int32_t SWType) {
  const std::string request{'\x0A', static_cast<char>(SWType)};
  Command("EraseSWInstance", &TService::FEraseSWInstance, stErase, request);
  FSWIndex = SWType;
}

void TTalkInterfaceImplementation::ResetDevice() { Command("ResetDevice", &TService::FResetDevice, stReset); }

void TTalkInterfaceImplementation::RebootDevice(std::int32_t Option) {
  Command("RebootDevice", &TService::FRebootDevice, stReboot, static_cast<std::uint8_t>(Option));
}

void TTalkInterfaceImplementation::DeviceLogin(const std::string& APassword) {
  Command("LoginDevice", &TService::FDeviceLogin, stLogin, APassword);
}

void TTalkInterfaceImplementation::DeviceLogout() {
  Command("DeviceLogout", &TService::FDeviceLogout, stLogout);
}

void TTalkInterfaceImplementation::CopyRamToFlash(std::int32_t RamStartAddr, std::int32_t FlashStartAddr,
                                                  std::int32_t BlockSize) {
  Command("CopyRamToFlash", &TService::FCopyRamToFlash, stCopyRamToFlash, RamStartAddr, FlashStartAddr, BlockSize);
}

void TTalkInterfaceImplementation::GetFirstEmptyAddr(std::int32_t StartAddr, std::int32_t EndAddr) {
  Command("GetFirstEmptyAddr", &TService::FGetFirstEmptyAddr, stGetFirstEmptyAddr, StartAddr, EndAddr);
}

void TTalkInterfaceImplementation::BlinkDevice(const std::string& AStr) {
  Command("BlinkDevice", &TService::FBlinkDevice, stBlinkDevice, AStr);
}

void TTalkInterfaceImplementation::SetParWithUPID(const std::string& AStr) {
  Command("SetParWithUPID", &TService::FSetParWithUPID, stSetParWithUPID, AStr);
}

void TTalkInterfaceImplementation::GetParWithUPID(const std::string& AStr) {
  Command("GetParWithUPID", &TService::FGetParWithUPID, stGetParWithUPID, AStr);
}

void TTalkInterfaceImplementation::SetBlockUPID(const std::string&) {
  CheckIdle("SetBlockUPID");
  throw Exception("TalkInterface.SetBlockUPID: not supported");
}

void TTalkInterfaceImplementation::GetBlockUPID(const std::string&) {
  CheckIdle("GetBlockUPID");
  throw Exception("TalkInterface.GetBlockUPID: not supported");
}

void TTalkInterfaceImplementation::ClearInstancePar(std::int32_t Instance) {
  Command("ClearInstancePar", &TService::FClearInstancePar, stClearPar, Instance);
}

void TTalkInterfaceImplementation::ClearInstanceAll(std::int32_t Instance) {
  Command("ClearInstanceAll", &TService::FClearInstanceAll, stClearAll, Instance);
}

void TTalkInterfaceImplementation::SetInstanceDefPar(std::int32_t Instance) {
  Command("SetInstanceDefPar", &TService::FSetInstanceDefPar, stSetDefPar, Instance);
}

void TTalkInterfaceImplementation::GetInstanceTreeName(std::int32_t Instance) {
  Command("GetInstanceTreeName", &TService::FGetInstanceTreeName, stGetInstanceTreeName, Instance);
}

void TTalkInterfaceImplementation::UpdateUPIDList() {
  Command("UpdateUPIDList", &TService::FUpdateUPIDList, stUpdateUPID, 0);
}

void TTalkInterfaceImplementation::EraseMemory() {
  Command("EraseMemory", &TService::FEraseMemory, stEraseMemory);
}

void TTalkInterfaceImplementation::CurveSaveRamToFlash() {
  Command("CurveSaveRamToFlash", &TService::FCurveSaveRamToFlash, stCurveSaveRamToFlash);
}

void TTalkInterfaceImplementation::CTSaveRamToFlash() {
  Command("CTSaveRamToFlash", &TService::FCTSaveRamToFlash, stCTSaveRamToFlash);
}

void TTalkInterfaceImplementation::GenericCmd(const std::string& AStr) {
  Command("GenericCmd", &TService::FGenericCmd, stGenericCmd, AStr);
}

// Idle again before OnResponse, which may send the next command.
void TTalkInterfaceImplementation::Answered() {
  const TState state = std::exchange(FState, stIdle);
  FError = Actor->GetResult();
  try {
    StoreResult(state);
  } catch (...) {
    LogInfo(CurrentExceptionText() + " - TalkInterface");
  }
  Actor->Clear();
  if (OnResponse) OnResponse(this);
}

// A record whose answer carried no data keeps what it was put with: nothing is taken.
void TTalkInterfaceImplementation::StoreResult(TState AState) {
  const TService& s = *FTalkService;
  const bool data = FError == 0;
  const TTalkActor& a = *Actor;
  switch (AState) {
    case stRead:
      if (data) FData = s.FGetMemoryWord->GetData(a);
      break;
    case stGetFirstEmptyAddr:
      if (data) FData = s.FGetFirstEmptyAddr->GetData(a);
      break;
    case stGenericCmd:
      if (ReplyCarriesFrame(FError)) FDataStr = s.FGenericCmd->GetResponse(a);
      break;
    case stBlinkDevice:
      if (ReplyCarriesFrame(FError)) FDataStr = s.FBlinkDevice->GetResponse(a);
      break;
    case stGetParWithUPID:
      if (ReplyCarriesFrame(FError)) FDataStr = s.FGetParWithUPID->GetResponse(a);
      break;
    case stGetInstanceTreeName:
      if (data) FDataStr = s.FGetInstanceTreeName->GetData(a);
      break;
    case stLogin:
      // A refused login has no sizes to give: zeros would make every pattern useless.
      if (data) {
        const TLoginData d = s.FDeviceLogin->Get(a);
        FTalkService->SetProtocolVersion(d.ProtocolVersion);
        FTalkService->SetDataFieldSize(d.DataFieldSize);
        FTalkService->SetAddrFieldSize(d.AddrFieldSize);
        FTalkService->SetAddrIncrement(d.AddrIncrement);
        FTalkService->SetFlashBaseAddr(d.FlashBaseAddr);
      }
      break;
    default:
      break;
  }
}

// ---- The factory ----

std::unique_ptr<TTalkInterface> TTalkInterfaceFactoryImplementation::CreateTalkInterface(const AnsiString& DeviceName) {
  auto* service = dynamic_cast<TBasicTalkService*>(DeviceManager()->GetService(DeviceName, "TalkService"));
  if (!service) throw EInvalidCast();
  return std::make_unique<TTalkInterfaceImplementation>(service);
}

void TTalkInterfaceFactoryImplementation::ReleaseTalkInterface(std::unique_ptr<TTalkInterface> ATalkInterface) {}

TTalkInterfaceFactory* TalkInterfaceFactory() { return GTalkInterfaceFactory.Get(); }

void InitTalkInterfaceServer() {
  GTalkInterfaceFactory.Create("InitTalkInterfaceServer: talk interface factory already exists");
  ObjectRegistryManager().RegisterObject(GTalkInterfaceFactory.Get(), "TalkInterfaceFactory", "TalkInterfaceFactory",
                                         1, 0);
}

}  // namespace vt
