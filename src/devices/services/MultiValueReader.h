// The multi-value reader of a variable service: it reads whole sections of drive
// variables with few telegrams. A section's variables are split into groups whose values
// fit one answer ("MultiReadSize" bytes, within one frame), and each group is fetched by
// one value request of the variable service (get parameter, list mode 0x12). Sections
// are queued to be read once (first in, first out) or cyclically (round robin while
// registered); a one-way section goes before the next cyclic one. The main-scheduler
// task "TestWindowM1Srv" does the work step by step, one request in flight at a time;
// with nothing queued it sleeps until a section is added.
//
// Threads: the GUI thread only; the lists are changed by views and services there.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "runtime/Tasks.h"

namespace vt {

class TDevice;
class TVariableReadService;
class TVariableSection;

enum TMultValueState : std::uint8_t {
  wsIdle,
  wsPreparSend,
  wsSend,
  wsWait,  // declared; never entered
  wsRecive,
  wsTakeDict,
  wsWaitforDestroy,
};

enum TMultValueSendStatus : std::uint8_t {
  WSAllSend,     // a round is complete
  WSNotAllSend,  // a section is being sent
  WSFirstSend,   // idle and ready
};

// The control panel's cyclic section, not read while the drive stands.
inline constexpr const char* ControlPanelSection = "2106128";

// The last index of each group of consecutive values whose Sizes add up to at most
// Budget bytes and that number at most MaxEntries; a value bigger than the budget forms
// a group of its own. Empty for no values.
std::vector<int> SplitGroups(const std::vector<int>& Sizes, int Budget, int MaxEntries);

class TReadMultValue {
 public:
  // Idle, with its task started.
  TReadMultValue(TVariableReadService* AService, TDevice* ADevice);
  ~TReadMultValue();
  TReadMultValue(const TReadMultValue&) = delete;
  TReadMultValue& operator=(const TReadMultValue&) = delete;

  // Makes the task unless the control panel asks (ControlPanel) and it exists.
  void RxInit(bool ControlPanel);
  // Whether a section may be read by this reader: the device allows multi-value reads
  // of variables, and a user-defined section has no variable of source type 1.
  bool GetMultValuesEnabled(TVariableSection* Section);

  void AddOneWayList(TVariableSection* Section);
  // Removes its last occurrence.
  void DelOneWayList(TVariableSection* Section);
  int OneWayListCount() const { return static_cast<int>(OneWayList.size()); }
  // No duplicate check: callers ask ExistinCyclicList first.
  void AddCyclicList(TVariableSection* Section);
  // Removes its first occurrence.
  void DelCyclicList(TVariableSection* Section);
  bool ExistinCyclicList(TVariableSection* Section) const;
  // Reads Section now when the reader is idle.
  void GetMultValue(TVariableSection* Section, int Mode);
  // Parks the task for good: nothing is sent any more (the device stops or goes offline).
  void SetWaitforDestroy();
  void SetIdle() { StatusM = wsIdle; }

  TMultValueState State() const { return StatusM; }
  TMultValueSendStatus SendStatus() const { return WS; }
  std::uint8_t ListFlag() const { return FListFlag; }
  // Groups of the section, by its variables' sizes and the budget.
  std::vector<int> DirSpliterValues(TVariableSection* Section) const;
  // Requests refused after destruction began.
  std::int32_t DebugCounter = 0;

 private:
  void RxWork3(TMxTask* Sender);
  void Idle();
  void TakeDict();
  void PrepareSend();
  void Send();
  void Receive();
  // Waits on the work signal: without a time-out while nothing is queued.
  void Pause(std::int64_t Timeout);
  void Wake() { TestSignal3.SetReady(true); }
  // Reads the next group of the section (variables FDataNextStart to the group's end).
  void SpliterSend(int Group);
  void Senden(int First, int Last);
  bool Blocked() const;
  bool DriveStands() const;
  int FrameLimit() const;

  TVariableReadService* const TestSrv;
  TDevice* const FDevice;
  std::unique_ptr<TMxTask> RxTask3;
  TMxSignal TestSignal3;
  TMxSignal TestSignal3_Dummy;  // never set: parks the task
  std::deque<TVariableSection*> OneWayList;
  std::vector<TVariableSection*> CyclicList;
  std::uint8_t FListFlag = 0;  // 0 nothing, 1 one-way, 2 cyclic, 3 both
  std::size_t CyclicPosition = 0;
  TVariableSection* DirItem = nullptr;
  std::size_t Counter10 = 0;  // the group being sent
  std::vector<int> Elements;  // the current section's group ends
  bool DestroyFlag = false;
  TMultValueState StatusM = wsIdle;
  TMultValueSendStatus WS = WSFirstSend;
};

}  // namespace vt
