// The drive's parameters; see DriveParameters.h.
#include "DriveParameters.h"

#include "DriveModel.h"

namespace drivesim {

namespace {

constexpr char GetCommand = '\x88';
constexpr char SetCommand = '\x89';

}  // namespace

TDriveParameters::TDriveParameters(const TOptions& Options) {
  if (Options.PasswordParameters) {
    Add(0x0CC0, 16, true, Options.UserPassword);
    Add(0x0CC5, 16, true, Options.ServicePassword);
  }
  // Two numbers for the tools' examples: a 16-bit and a 32-bit parameter.
  std::string value;
  PutLittleEndian(value, 1000, 2);
  Add(0x1000, 2, false, value);
  value.clear();
  PutLittleEndian(value, 100000, 4);
  Add(0x1001, 4, false, value);
}

void TDriveParameters::Add(std::uint16_t UPID, std::size_t Size, bool Text, std::string Default) {
  Default.resize(Size, '\0');
  FItems[UPID] = {Size, Text, Default, Default, Default};
}

std::string TDriveParameters::Get(std::string_view Fields) const {
  if (Fields.size() < 3) return Reply(GetCommand, StatusError);
  const auto mode = static_cast<std::uint8_t>(Fields[0]);
  if (mode > 0x01) return Reply(GetCommand, StatusError);
  const auto it = FItems.find(static_cast<std::uint16_t>(GetLittleEndian(Fields.substr(1), 2)));
  if (it == FItems.end()) return Reply(GetCommand, StatusUnknownParameter);
  return Reply(GetCommand, StatusOk, mode == 0x00 ? it->second.Stored : it->second.Working);
}

std::string TDriveParameters::Set(std::string_view Fields) {
  if (Fields.size() < 3) return Reply(SetCommand, StatusError);
  const auto mode = static_cast<std::uint8_t>(Fields[0]);
  if (mode > 0x03) return Reply(SetCommand, StatusError);
  const auto it = FItems.find(static_cast<std::uint16_t>(GetLittleEndian(Fields.substr(1), 2)));
  if (it == FItems.end()) return Reply(SetCommand, StatusUnknownParameter);
  TParameter& p = it->second;
  if (mode == 0x03) {
    p.Stored = p.Working = p.Default;
    return Reply(SetCommand, StatusOk);
  }
  std::string value(Fields.substr(3));
  if (value.size() > p.Size || (!p.Text && value.size() != p.Size)) return Reply(SetCommand, StatusError);
  value.resize(p.Size, '\0');
  if (mode != 0x01) p.Stored = value;
  if (mode != 0x00) p.Working = value;
  return Reply(SetCommand, StatusOk);
}

void TDriveParameters::Reboot() {
  for (auto& [upid, p] : FItems) p.Working = p.Stored;
}

}  // namespace drivesim
