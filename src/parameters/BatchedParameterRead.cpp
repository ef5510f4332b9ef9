// The batched parameter read; see BatchedParameterRead.h.
#include "parameters/BatchedParameterRead.h"

#include <algorithm>

#include "comm/ListReads.h"
#include "comm/TalkActor.h"
#include "comm/TalkService.h"
#include "devices/Device.h"
#include "parameters/FloatParameters.h"
#include "parameters/IntegerParameterBase.h"
#include "parameters/MissingUPIDPrompt.h"
#include "parameters/ParameterLimits.h"
#include "parameters/ParameterService.h"
#include "parameters/ParameterTelegrams.h"
#include "parameters/RadioParameters.h"
#include "runtime/ApplicationState.h"

namespace vt {

namespace {

// The value of Bytes as an unsigned little-endian number.
std::uint64_t LittleEndianValue(std::string_view Bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = std::min<std::size_t>(Bytes.size(), 8); i-- > 0;)
    v = v << 8 | static_cast<std::uint8_t>(Bytes[i]);
  return v;
}

// The classes whose batched value goes in as raw bytes.
bool TakesRawBytes(TParameter* P) {
  const AnsiString& type = P->TypeStr();
  return type == "String" || type == "UInt16 Enumerator" || type == "UInt32 Enumerator" ||
         type == "UInt8 Enumerator" || dynamic_cast<TRadioDir16Parameter*>(P) || dynamic_cast<TRadioDir8Parameter*>(P) ||
         dynamic_cast<TRadioDir32Parameter*>(P) || dynamic_cast<TRadioDirBitParameter*>(P) ||
         dynamic_cast<TGenericIntParameter*>(P) || dynamic_cast<TGenericFloatParameter*>(P);
}

}  // namespace

TReadMultParameter::TReadMultParameter(TParameterService* AService) : FService(AService) {}

// ---- Capacity ----

bool TReadMultParameter::DriveReadsRAMLists(std::uint8_t ProtocolVersion, std::uint8_t CommandSetVersion) {
  if (ProtocolVersion >= 0x50 && ProtocolVersion <= 0x5F) return CommandSetVersion > 1;
  return ProtocolVersion >= 0x60 && CommandSetVersion > 2;
}

bool TReadMultParameter::DriveReadsRAMLists() const {
  const auto* talk = FService->Device()->Sibling<TTalkService>("TalkService");
  return talk && DriveReadsRAMLists(talk->ProtocolVersion(), talk->CommandSetVersion());
}

namespace {

int FrameLimit(TParameterService* Service) {
  const auto* talk = Service->Device()->Sibling<TTalkService>("TalkService");
  return ListFrameLimit(talk ? talk->MaxBufferSize() : 0);
}

}  // namespace

int TReadMultParameter::ByteBudget() const {
  return ListValueBudget(ApplicationState().MultiReadSize, FrameLimit(FService));
}

int TReadMultParameter::MaxListEntries() const { return ListMaxEntries(FrameLimit(FService)); }

bool TReadMultParameter::Fits(TCommand Command, std::int32_t Size) {
  return LengthOf(Command) + Size <= ByteBudget() &&
         static_cast<int>(ListOf(Command).size()) < MaxListEntries();
}

bool TReadMultParameter::Listable(TParameter* Parameter) const {
  const std::int32_t size = Parameter->GetSize();
  if (size <= 0 || size > ByteBudget() || MaxListEntries() < 1) return false;
  if (Parameter->AddrUsage() & AddrRomRead) return true;
  return (Parameter->AddrUsage() & AddrRamRead) && DriveReadsRAMLists();
}

int TReadMultParameter::RAMROMListFlag() const {
  return (MessageList.empty() ? 0 : 1) | (MessageRAMList.empty() ? 0 : 2);
}

// ---- Offers ----

void TReadMultParameter::AddToList(TParameter* Parameter) {
  if (Parameter->IsSafetyParameter()) {
    // Never read in a list; unmarked, so that a later transaction may mark it again.
    Parameter->ClrAttrFlag(AttrReadPending);
    return;
  }
  const std::int32_t size = Parameter->GetSize();
  const bool rom = (Parameter->AddrUsage() & AddrRomRead) != 0;
  if (rom) {
    MessageList.push_back(Parameter);
    StorageLength += size;
  }
  if (!rom || ((Parameter->AddrUsage() & AddrRamRead) && DriveReadsRAMLists())) {
    MessageRAMList.push_back(Parameter);
    StorageRAMLength += size;
  }
}

std::uint8_t TReadMultParameter::NewParameter(TParameter* UParameter, bool LastFlag) {
  if (SingleFlag == 1) {
    SendinSingle();
    return MultSingleSent;
  }
  LastParameter = false;
  // Offered again after the list before it went out: it is in its lists already.
  if (LastParameterAdded) return SendLast();
  if (!Listable(UParameter)) {
    // Read singly by the work step once nothing is in flight.
    SendAny();
    return MultListSent;
  }
  const std::int32_t size = UParameter->GetSize();
  const bool rom = (UParameter->AddrUsage() & AddrRomRead) != 0;
  const bool ram = !rom || ((UParameter->AddrUsage() & AddrRamRead) && DriveReadsRAMLists());
  const bool safety = UParameter->IsSafetyParameter();
  if (!safety && rom && !Fits(TCommand::ROM, size)) {
    SendMultParameter(ram && !Fits(TCommand::RAM, size) ? TCommand::RAM : TCommand::ROM);
    return MultListSent;
  }
  if (!safety && ram && !Fits(TCommand::RAM, size)) {
    SendMultParameter(TCommand::RAM);
    return MultListSent;
  }
  AddToList(UParameter);
  if (!LastFlag) return MultAdded;
  LastParameterAdded = true;
  return SendLast();
}

std::uint8_t TReadMultParameter::SendLast() {
  switch (RAMROMListFlag()) {
    case 0:
      return MultNothingLeft;
    case 3:
      SendMultParameter(TCommand::RAM);
      return MultListSent;
    default:
      LastParameter = true;
      SendAny();
      return MultLastSent;
  }
}

void TReadMultParameter::SendAny() {
  SendMultParameter(MessageRAMList.empty() ? TCommand::ROM : TCommand::RAM);
}

void TReadMultParameter::SendMultParameter(TCommand Command) {
  RAMFlag = Command == TCommand::RAM ? 1 : 0;
  const std::vector<TParameter*>& list = ListOf(Command);
  NoLengthFlag = list.empty();
  if (NoLengthFlag) return;
  std::string payload(1, static_cast<char>(Command == TCommand::RAM ? GetModeRAMList : GetModeROMList));
  for (const TParameter* p : list) {
    payload += static_cast<char>(p->UPID() & 0xFF);
    payload += static_cast<char>(p->UPID() >> 8 & 0xFF);
  }
  FService->GetRequest(payload, [this](TTalkActor* Actor) { ReciveMultParameter(Actor); });
}

void TReadMultParameter::Abandon() {
  Drop(TCommand::ROM);
  Drop(TCommand::RAM);
  Clear();
}

void TReadMultParameter::Clear() {
  MessageList.clear();
  MessageRAMList.clear();
  StorageLength = StorageRAMLength = 0;
  SingleIndex = 0;
  SingleFlag = 0;
  LastParameter = LastParameterAdded = NoLengthFlag = false;
  FErrors = 0;
}

// ---- Answers ----

bool TReadMultParameter::Starting() const { return FService->ServiceStatus() == dsStarting; }

void TReadMultParameter::ReciveMultParameter(TTalkActor* Actor) {
  if (SingleFlag == 1)
    SingleAnswer(Actor);
  else
    ListAnswer(Actor);
}

bool TReadMultParameter::Repeat() {
  if (Starting()) {
    FErrors = 0;
    FService->AbortLogin();
    return false;
  }
  if (++FErrors <= MaxLoginReadRepeats) return true;
  FErrors = 0;
  return false;
}

void TReadMultParameter::Drop(TCommand Command) {
  for (TParameter* p : ListOf(Command)) p->ClrAttrFlag(AttrReadPending);
  ListOf(Command).clear();
  LengthOf(Command) = 0;
}

void TReadMultParameter::ListAnswer(TTalkActor* Actor) {
  const TCommand command = InFlight();
  const std::uint8_t result = Actor->GetResult();
  if (result == ParStatusUnknownUPID) {
    FErrors = 0;
    SingleIndex = 0;
    return SendinSingle();
  }
  if (result != ParStatusOk) {
    if (Repeat()) return SendMultParameter(command);
    if (Starting() || FService->ServiceStatus() == dsError) return;
    Drop(command);
    return FService->ParameterWorkExecute();
  }
  FErrors = 0;
  // A short answer gives the values wholly present; the rest get nothing.
  const std::string data = FService->GetResponse(*Actor);
  std::size_t offset = 0;
  for (TParameter* p : ListOf(command)) {
    const auto size = static_cast<std::size_t>(p->GetSize());
    if (offset + size > data.size()) break;
    SetDataToParameter(p, std::string_view(data).substr(offset, size), RAMFlag);
    offset += size;
  }
  Drop(command);
  FService->ParameterWorkExecute();
}

void TReadMultParameter::SendinSingle() {
  const TCommand command = InFlight();
  const std::vector<TParameter*>& list = ListOf(command);
  if (SingleIndex < static_cast<std::int32_t>(list.size())) {
    SingleFlag = 1;
    const TParameter* p = list[static_cast<std::size_t>(SingleIndex)];
    FService->GetRequest(ParameterPayload(RAMFlag == 1 ? GetModeRAM : GetModeROM, p->UPID()),
                         [this](TTalkActor* Actor) { ReciveMultParameter(Actor); });
    return;
  }
  SingleIndex = 0;
  SingleFlag = 0;
  Drop(command);
  FService->ParameterWorkExecute();
}

void TReadMultParameter::SingleAnswer(TTalkActor* Actor) {
  // The lists were given up meanwhile: the fall-back ends.
  if (SingleIndex >= static_cast<std::int32_t>(ListOf(InFlight()).size())) return SendinSingle();
  TParameter* p = ListOf(InFlight())[static_cast<std::size_t>(SingleIndex)];
  const std::uint8_t result = Actor->GetResult();
  const std::string data = FService->GetResponse(*Actor);
  const auto size = static_cast<std::size_t>(p->GetSize());
  if (result == ParStatusOk && data.size() >= size) {
    FErrors = 0;
    SetDataToParameter(p, std::string_view(data).substr(0, size), RAMFlag);
  } else if (result == ParStatusUnknownUPID || result == ParStatusNoData) {
    FErrors = 0;
    p->ClrAttrFlag(AttrReadPending);
    if (!ReportMissing(p)) return;
  } else if (Repeat()) {
    return SendinSingle();  // the same UPID again
  } else if (FService->ServiceStatus() == dsError) {
    return;
  } else {
    p->ClrAttrFlag(AttrReadPending);
  }
  ++SingleIndex;
  SendinSingle();
}

bool TReadMultParameter::ReportMissing(TParameter* Parameter) {
  if (!MissingUPIDAborts(Parameter->UPID())) return true;
  if (Starting()) {
    FService->AbortLogin();
    return false;
  }
  // After the start there is no login to abort: the rest of the list is given up.
  SingleIndex = static_cast<std::int32_t>(ListOf(InFlight()).size());
  SendinSingle();
  return false;
}

void TReadMultParameter::SetDataToParameter(TParameter* Parameter, std::string_view Bytes, std::uint8_t RamFlag) {
  if (Parameter->TypeStr() == "Bool") {
    Parameter->SetBoolValue(LittleEndianValue(Bytes) == 1);
    Parameter->SetMultBoolValue(RamFlag);
  } else if (TakesRawBytes(Parameter)) {
    Parameter->SetMultValue(Bytes, RamFlag);
  } else {
    Parameter->SetIntValue(usSI, static_cast<std::int64_t>(LittleEndianValue(Bytes)));
  }
  Parameter->SetAttrFlag(AttrChanged | AttrValid);
  Parameter->ClrAttrFlag(AttrReadPending);
  FService->SetChangeFlags();
}

}  // namespace vt
