// The multi-value reader of a variable service; see MultiValueReader.h.
#include "devices/services/MultiValueReader.h"

#include <algorithm>

#include "comm/ListReads.h"
#include "comm/TalkService.h"
#include "devices/Device.h"
#include "devices/DeviceLimits.h"
#include "devices/SiblingServices.h"
#include "devices/services/StatusService.h"
#include "devices/services/VariableSections.h"
#include "platform/Exceptions.h"
#include "runtime/ApplicationState.h"
#include "runtime/DebugLog.h"

namespace vt {

std::vector<int> SplitGroups(const std::vector<int>& Sizes, int Budget, int MaxEntries) {
  std::vector<int> ends;
  int sum = 0, count = 0;
  for (int i = 0; i < static_cast<int>(Sizes.size()); ++i) {
    if (count > 0 && (sum + Sizes[i] > Budget || count == MaxEntries)) {
      ends.push_back(i - 1);
      sum = count = 0;
    }
    sum += Sizes[i];
    ++count;
  }
  if (count > 0) ends.push_back(static_cast<int>(Sizes.size()) - 1);
  return ends;
}

TReadMultValue::TReadMultValue(TVariableReadService* AService, TDevice* ADevice) : TestSrv(AService), FDevice(ADevice) {
  RxInit(false);
}

TReadMultValue::~TReadMultValue() {
  DestroyFlag = true;
  RxTask3.reset();
}

void TReadMultValue::RxInit(bool ControlPanel) {
  if (ControlPanel && RxTask3) return;
  RxTask3 = std::make_unique<TMxTask>("TestWindowM1Srv");
  RxTask3->OnExecute = [this](TMxTask* Sender) { RxWork3(Sender); };
  StatusM = wsIdle;
  WS = WSFirstSend;
  TestSignal3_Dummy.SetReady(false);
  RxTask3->Start();
}

bool TReadMultValue::GetMultValuesEnabled(TVariableSection* Section) {
  if (!Section) return false;
  if (DestroyFlag) {
    ++DebugCounter;
    return false;
  }
  if (!TestSrv || !FDevice->MultVarValueEnable()) return false;
  if (!Section->UserDefined()) return true;
  for (int i = 0; i < Section->GetCount(); ++i)
    if (Section->GetVarItem(i)->VarSourceType() == 1) return false;
  return true;
}

// ---- The queues ----

void TReadMultValue::AddOneWayList(TVariableSection* Section) {
  OneWayList.push_back(Section);
  FListFlag = FListFlag <= 1 ? 1 : 3;
  Wake();
}

void TReadMultValue::DelOneWayList(TVariableSection* Section) {
  const auto it = std::find(OneWayList.rbegin(), OneWayList.rend(), Section);
  if (it == OneWayList.rend()) return;
  OneWayList.erase(std::next(it).base());
  if (OneWayList.empty()) FListFlag = FListFlag == 3 ? 2 : FListFlag == 1 ? 0 : FListFlag;
}

void TReadMultValue::AddCyclicList(TVariableSection* Section) {
  CyclicList.push_back(Section);
  FListFlag = FListFlag == 1 || FListFlag == 3 ? 3 : 2;
  Wake();
}

void TReadMultValue::DelCyclicList(TVariableSection* Section) {
  const auto it = std::find(CyclicList.begin(), CyclicList.end(), Section);
  if (it == CyclicList.end()) return;
  CyclicList.erase(it);
  if (CyclicList.empty()) FListFlag = FListFlag == 1 || FListFlag == 3 ? 1 : 0;
}

bool TReadMultValue::ExistinCyclicList(TVariableSection* Section) const {
  return std::find(CyclicList.begin(), CyclicList.end(), Section) != CyclicList.end();
}

void TReadMultValue::GetMultValue(TVariableSection* Section, int Mode) {
  DirItem = Section;
  if (WS != WSFirstSend) return;
  StatusM = wsPreparSend;
  Wake();
}

void TReadMultValue::SetWaitforDestroy() { StatusM = wsWaitforDestroy; }

// ---- Splitting ----

int TReadMultValue::FrameLimit() const {
  const auto* talk = FDevice->Sibling<TTalkService>("TalkService");
  return ListFrameLimit(talk ? talk->MaxBufferSize() : 0);
}

std::vector<int> TReadMultValue::DirSpliterValues(TVariableSection* Section) const {
  std::vector<int> sizes;
  for (int i = 0; i < Section->GetCount(); ++i) {
    const TVariableEntry* v = Section->GetVarItem(i);
    sizes.push_back(v->GetVarType() == VarTypeString ? v->MaxSize() : v->GetDataSize());
  }
  const int frame = FrameLimit();
  return SplitGroups(sizes, ListValueBudget(ApplicationState().MultiReadSize, frame), ListMaxEntries(frame));
}

void TReadMultValue::SpliterSend(int Group) {
  const int start = DirItem->FDataNextStart;
  const int end = Elements[static_cast<std::size_t>(Group)];
  if (end >= start) {
    DirItem->FDataStart = start;
    DirItem->FDataEnd = end;
    Senden(start, end);
  }
  DirItem->FDataNextStart = end + 1;
}

void TReadMultValue::Senden(int First, int Last) {
  try {
    TestSrv->PrepareValueRequest();
    DirItem->RequestRead(First, Last, SectionReadRAM);
    TestSrv->ExecuteValueRequest();
  } catch (const Exception& e) {
    LogError("TReadMultValue.Senden: " + e.Message());
  }
}

// ---- The task ----

bool TReadMultValue::Blocked() const {
  const auto* panel = FDevice->Sibling<TCyclicReadBlock>("ControlPanelService");
  return (panel && panel->BlockCyclicRead()) || FDevice->DeviceType() != dtOnline;
}

bool TReadMultValue::DriveStands() const {
  const auto* status = FDevice->Sibling<TStatusService>("StatusService");
  return !status || !status->GetRunning();
}

void TReadMultValue::Pause(std::int64_t Timeout) {
  TestSignal3.SetReady(false);
  RxTask3->WaitFor(&TestSignal3, Timeout);
}

void TReadMultValue::RxWork3(TMxTask*) {
  switch (StatusM) {
    case wsIdle:
      return Idle();
    case wsTakeDict:
      return TakeDict();
    case wsPreparSend:
      return PrepareSend();
    case wsSend:
      return Send();
    case wsRecive:
      return Receive();
    case wsWait:
    case wsWaitforDestroy:
      // Parked for good: nothing sets the dummy signal.
      return RxTask3->WaitFor(&TestSignal3_Dummy, MxNoTimeout);
  }
}

// Sleeps until a section is queued; with sections queued looks again after a pause
// (the next cyclic round, or a device that was blocked).
void TReadMultValue::Idle() {
  StatusM = wsTakeDict;
  WS = WSFirstSend;
  Pause(FListFlag == 0 ? MxNoTimeout : MultiReadPause);
}

void TReadMultValue::TakeDict() {
  TestSignal3.SetReady(false);
  StatusM = wsIdle;
  if (Blocked()) return;
  if (FListFlag == 1 || FListFlag == 3) {
    DirItem = OneWayList.front();
    OneWayList.pop_front();
    if (OneWayList.empty()) FListFlag = FListFlag == 3 ? 2 : 0;
  } else if (FListFlag == 2 && !ApplicationState().SaveAllVariablesActive) {
    if (CyclicPosition >= CyclicList.size()) {
      CyclicPosition = 0;
      return;
    }
    DirItem = CyclicList[CyclicPosition];
    if (++CyclicPosition >= CyclicList.size()) CyclicPosition = 0;
  } else {
    return;
  }
  if (DirItem->Name() == ControlPanelSection && DriveStands()) return;
  StatusM = wsPreparSend;
}

void TReadMultValue::PrepareSend() {
  StatusM = wsSend;
  Counter10 = 0;
  Elements = DirSpliterValues(DirItem);
  DirItem->FDataNextStart = 0;
  WS = WSNotAllSend;
}

void TReadMultValue::Send() {
  if (TestSrv->UpdateRunning()) return Pause(MultiReadPause);
  if (Counter10 < Elements.size()) SpliterSend(static_cast<int>(Counter10));
  StatusM = wsRecive;
  Pause(MultiReadPause);
}

void TReadMultValue::Receive() {
  if (TestSrv->UpdateRunning()) return Pause(MultiReadPause);
  if (++Counter10 < Elements.size()) {
    StatusM = wsSend;
    return;
  }
  const bool roundDone = FListFlag == 0 || (FListFlag == 2 && CyclicPosition == 0);
  StatusM = roundDone ? wsIdle : wsTakeDict;
  if (roundDone) WS = WSAllSend;
}

}  // namespace vt
