// The batched read of a parameter service's work list: parameters are collected into a
// ROM list and a RAM list, each bounded by the byte budget "MultiReadSize" of the values
// its answer carries, and a full list goes out as one get request in a list mode (0x11
// ROM values, 0x12 RAM values, then the UPIDs). The answer's values lie back to back in
// list order. When the drive reports a UPID of the list unknown (0xC0) the list is read
// again one UPID at a time and each unknown UPID is reported.
//
// Threads: the GUI thread only; offers come from the service's work step, answers from
// its talk actor. At most one request of the reader is in flight.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vt {

class TParameter;
class TParameterService;
class TTalkActor;

// The list a send is for.
enum class TCommand : std::uint8_t { RAM, ROM };

// What an offer did (NewParameter).
inline constexpr std::uint8_t MultSingleSent = 0;    // a single read of the fall-back went out
inline constexpr std::uint8_t MultAdded = 1;         // the parameter is in its list(s)
inline constexpr std::uint8_t MultListSent = 2;      // a list went out, the parameter waits; or nothing
                                                     // went out and the parameter is read singly
inline constexpr std::uint8_t MultLastSent = 3;      // the list with the last parameter went out
inline constexpr std::uint8_t MultNothingLeft = 4;   // the last parameter, and nothing left to send

class TReadMultParameter {
 public:
  explicit TReadMultParameter(TParameterService* AService);

  // Offers one parameter of the work list; LastFlag: no later one will be offered.
  std::uint8_t NewParameter(TParameter* UParameter, bool LastFlag);
  // Bit 0: the ROM list holds entries; bit 1: the RAM list does.
  int RAMROMListFlag() const;
  // Whether the parameter can go into a list: it has a readable memory whose lists the
  // drive reads, a size (text folders report 0 while the drive sends their text), and
  // its value alone fits the budget. Safety parameters count as listable: a list drops
  // them unsent.
  bool Listable(TParameter* Parameter) const;
  // Puts one parameter into its list(s); a safety parameter into none.
  void AddToList(TParameter* Parameter);
  // Sends the list as one request; with the list empty sets NoLengthFlag and sends
  // nothing.
  void SendMultParameter(TCommand Command);
  // The response handler of every request the reader sends.
  void ReciveMultParameter(TTalkActor* Actor);
  // Stores one value of an answer and marks the parameter read (changed, valid).
  void SetDataToParameter(TParameter* Parameter, std::string_view Bytes, std::uint8_t RamFlag);
  // Sends the next single read of the fall-back, or ends the fall-back and runs the work
  // step.
  void SendinSingle();
  // Forgets the lists and the fall-back, for a new work list. The lists' parameters are
  // not touched: the tree they belong to may be gone.
  void Clear();
  // Gives up the lists, unmarking their parameters, and the fall-back.
  void Abandon();

  // The drive reads RAM values in lists: protocol 0x60 and up with command set above 2,
  // or protocol 0x50 to 0x5F with command set above 1.
  static bool DriveReadsRAMLists(std::uint8_t ProtocolVersion, std::uint8_t CommandSetVersion);
  // The byte budget of one list's values: "MultiReadSize", capped so that the answer
  // fits one frame and the drive's buffer.
  int ByteBudget() const;
  // UPIDs one list request can hold within one frame and the drive's buffer.
  int MaxListEntries() const;

  const std::vector<TParameter*>& ROMList() const { return MessageList; }
  const std::vector<TParameter*>& RAMList() const { return MessageRAMList; }

  bool LastParameter = false;
  std::uint8_t RAMFlag = 0;
  std::int32_t StorageLength = 0;
  std::int32_t StorageRAMLength = 0;
  std::int32_t SingleIndex = 0;
  std::uint8_t SingleFlag = 0;
  bool NoLengthFlag = false;
  bool LastParameterAdded = false;

 private:
  std::vector<TParameter*>& ListOf(TCommand Command) { return Command == TCommand::RAM ? MessageRAMList : MessageList; }
  std::int32_t& LengthOf(TCommand Command) { return Command == TCommand::RAM ? StorageRAMLength : StorageLength; }
  TCommand InFlight() const { return RAMFlag == 1 ? TCommand::RAM : TCommand::ROM; }
  bool DriveReadsRAMLists() const;
  // Whether one more value of Size bytes fits the list.
  bool Fits(TCommand Command, std::int32_t Size);
  // At the last parameter: the RAM list first while both hold entries, then the other.
  std::uint8_t SendLast();
  // Sends the RAM list, or the ROM list when the RAM list is empty.
  void SendAny();
  void ListAnswer(TTalkActor* Actor);
  void SingleAnswer(TTalkActor* Actor);
  // The prompt for the entry at SingleIndex; false when the user aborted.
  bool ReportMissing(TParameter* Parameter);
  // A failed answer: true when the request is to go out again; else, while the device
  // logs in, the login is aborted.
  bool Repeat();
  // Empties the list; the parameters still marked for reading get nothing.
  void Drop(TCommand Command);
  bool Starting() const;

  TParameterService* const FService;
  std::vector<TParameter*> MessageList;     // ROM list: not owned, in offer order
  std::vector<TParameter*> MessageRAMList;  // RAM list
  int FErrors = 0;  // failed answers of the request in flight, in a row
};

}  // namespace vt
