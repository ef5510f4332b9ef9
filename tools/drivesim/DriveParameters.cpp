// The drive's parameters; see DriveParameters.h.
#include "DriveParameters.h"

#include <algorithm>

#include "DriveImage.h"
#include "DriveModel.h"

namespace drivesim {

namespace {

constexpr char GetCommand = '\x88';
constexpr char SetCommand = '\x89';
constexpr std::uint8_t ModeStored = 0x00;
constexpr std::uint8_t ModeWorking = 0x01;
constexpr std::uint8_t ModeBoth = 0x02;
constexpr std::uint8_t ModeDefault = 0x03;
constexpr std::uint8_t ModeChanged = 0x13;
constexpr std::uint8_t ModeStoredList = 0x11;
constexpr std::uint8_t ModeWorkingList = 0x12;
constexpr std::uint8_t ModeInstanceDefaults = 0x08;
// UPIDs of one software instance: instance n holds n * 0x1000 up to the next.
constexpr std::uint32_t InstanceSpan = 0x1000;
// The drive cannot say which parameters changed.
constexpr std::uint8_t StatusChangesUnknown = 0xC5;
// Status word bit: parameters changed on the drive's side.
constexpr std::uint16_t ParametersChangedBit = 0x0040;
// UPIDs one poll answer holds: the answer's data of at most 253 bytes.
constexpr std::size_t MaxChangedUPIDs = 126;

// The memories a mode reads or writes.
std::uint16_t GetUsage(std::uint8_t Mode) {
  return Mode == ModeStored || Mode == ModeStoredList ? UsageRomRead : UsageRamRead;
}
std::uint16_t SetUsage(std::uint8_t Mode) {
  if (Mode == ModeStored) return UsageRomWrite;
  if (Mode == ModeWorking) return UsageRamWrite;
  return UsageRomWrite | UsageRamWrite;
}

}  // namespace

TDriveParameters::TDriveParameters(const TOptions& Options)
    : FProtocolVersion(Options.Login.ProtocolVersion), FCommandSetVersion(Options.Login.CommandSetVersion) {
  std::vector<TImageParameter> items = SampleParameters(Options.Release);
  items.insert(items.end(), Options.Variables.begin(), Options.Variables.end());
  items.insert(items.end(), Options.ExtraParameters.begin(), Options.ExtraParameters.end());
  for (const TImageParameter& p : items) FItems[p.UPID] = {p.Size, p.AddrUsage, p.Text, p.Stored, p.Stored, p.Working};
  if (!Options.PasswordParameters) return;
  const auto password = [this](std::uint16_t UPID, std::string Text) {
    Text.resize(16, '\0');
    FItems[UPID] = {16, UsageRomRead | UsageRomWrite | UsageRamRead | UsageRamWrite, true, Text, Text, Text};
  };
  password(0x0CC0, Options.UserPassword);
  password(0x0CC5, Options.ServicePassword);
}

std::string TDriveParameters::Get(std::string_view Fields, TDriveState& State) {
  if (!Fields.empty() && static_cast<std::uint8_t>(Fields[0]) == ModeChanged && Fields.size() == 1)
    return ChangedAnswer(State);
  if (Fields.size() < 3) return Reply(GetCommand, StatusError);
  const auto mode = static_cast<std::uint8_t>(Fields[0]);
  if (mode == ModeStoredList || mode == ModeWorkingList) return ListAnswer(mode, Fields.substr(1), State);
  if (mode > ModeWorking) return Reply(GetCommand, StatusError);
  const auto upid = static_cast<std::uint16_t>(GetLittleEndian(Fields.substr(1), 2));
  const auto it = FItems.find(upid);
  if (it == FItems.end()) return Reply(GetCommand, StatusUnknownParameter);
  if (!(it->second.AddrUsage & GetUsage(mode))) return Reply(GetCommand, StatusError);
  if (const auto failing = State.FailingReads.find(upid); failing != State.FailingReads.end()) {
    if (--failing->second == 0) State.FailingReads.erase(failing);
    return Reply(GetCommand, StatusError);
  }
  return Reply(GetCommand, StatusOk, mode == ModeStored ? it->second.Stored : it->second.Working);
}

bool TDriveParameters::ReadsList(std::uint8_t Mode) const {
  const bool family5 = (FProtocolVersion & 0xF0) == 0x50;
  if (Mode == ModeStoredList) return FCommandSetVersion >= (family5 ? 1 : 2);
  if (family5) return FCommandSetVersion >= 2;
  return FProtocolVersion >= 0x60 && FCommandSetVersion >= 3;
}

std::string TDriveParameters::ListAnswer(std::uint8_t Mode, std::string_view UPIDs, TDriveState& State) {
  if (!ReadsList(Mode) || UPIDs.size() % 2 != 0) return Reply(GetCommand, StatusError);
  std::string values;
  bool failed = false;
  for (std::size_t i = 0; i < UPIDs.size(); i += 2) {
    const auto upid = static_cast<std::uint16_t>(GetLittleEndian(UPIDs.substr(i), 2));
    const auto it = FItems.find(upid);
    if (it == FItems.end()) return Reply(GetCommand, StatusUnknownParameter);
    if (!(it->second.AddrUsage & GetUsage(Mode))) failed = true;
    if (const auto failing = State.FailingReads.find(upid); failing != State.FailingReads.end()) {
      if (--failing->second == 0) State.FailingReads.erase(failing);
      failed = true;
    }
    values += Mode == ModeStoredList ? it->second.Stored : it->second.Working;
  }
  // The answer holds command and status besides the values.
  if (failed || values.size() + 2 > 255) return Reply(GetCommand, StatusError);
  return Reply(GetCommand, StatusOk, values);
}

std::string TDriveParameters::ChangedAnswer(TDriveState& State) {
  State.StatusWord &= ~ParametersChangedBit;
  const bool unknown = State.PollUnknownNext || FChanged.size() > MaxChangedUPIDs;
  State.PollUnknownNext = false;
  std::string upids;
  for (std::uint16_t upid : FChanged) PutLittleEndian(upids, upid, 2);
  FChanged.clear();
  return unknown ? Reply(GetCommand, StatusChangesUnknown) : Reply(GetCommand, StatusOk, upids);
}

std::string TDriveParameters::Set(std::string_view Fields) {
  if (Fields.size() == 2 && static_cast<std::uint8_t>(Fields[0]) == ModeInstanceDefaults)
    return DefaultInstance(static_cast<std::uint8_t>(Fields[1]));
  if (Fields.size() < 3) return Reply(SetCommand, StatusError);
  const auto mode = static_cast<std::uint8_t>(Fields[0]);
  if (mode > ModeDefault) return Reply(SetCommand, StatusError);
  const auto it = FItems.find(static_cast<std::uint16_t>(GetLittleEndian(Fields.substr(1), 2)));
  if (it == FItems.end()) return Reply(SetCommand, StatusUnknownParameter);
  TParameter& p = it->second;
  if (mode == ModeDefault) {
    p.Stored = p.Working = p.Default;
    return Reply(SetCommand, StatusOk);
  }
  const std::uint16_t needed = SetUsage(mode);
  if ((p.AddrUsage & needed) != needed) return Reply(SetCommand, StatusError);
  std::string value(Fields.substr(3));
  if (value.size() > p.Size || (!p.Text && value.size() != p.Size)) return Reply(SetCommand, StatusError);
  value.resize(p.Size, '\0');
  if (mode != ModeWorking) p.Stored = value;
  if (mode != ModeStored) p.Working = value;
  return Reply(SetCommand, StatusOk);
}

std::string TDriveParameters::DefaultInstance(std::uint8_t Instance) {
  for (auto& [upid, p] : FItems)
    if (upid / InstanceSpan == Instance) p.Stored = p.Working = p.Default;
  return Reply(SetCommand, StatusOk);
}

void TDriveParameters::TakeChanges(TDriveState& State) {
  for (const auto& [upid, value] : State.ParameterChanges) {
    const auto it = FItems.find(upid);
    if (it == FItems.end() || it->second.Text) continue;
    std::string bytes;
    PutLittleEndian(bytes, static_cast<std::uint64_t>(value), static_cast<int>(it->second.Size));
    it->second.Stored = it->second.Working = bytes;
    if (std::find(FChanged.begin(), FChanged.end(), upid) == FChanged.end()) FChanged.push_back(upid);
  }
  State.ParameterChanges.clear();
}

void TDriveParameters::Reboot() {
  for (auto& [upid, p] : FItems) p.Working = p.Stored;
}

}  // namespace drivesim
