// The drive's side of the telegrams; see DriveModel.h.
#include "DriveModel.h"

#include "FrameLog.h"

namespace drivesim {

void PutLittleEndian(std::string& Out, std::uint64_t Value, int Size) {
  for (int i = 0; i < Size; ++i) Out += static_cast<char>((Value >> (8 * i)) & 0xFF);
}

std::uint32_t GetLittleEndian(std::string_view In, int Size) {
  std::uint32_t v = 0;
  for (int i = Size - 1; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(In[i]);
  return v;
}

std::optional<std::string> TDriveModel::Answer(std::string_view Request) {
  if (Request.empty()) return std::nullopt;
  const auto command = static_cast<std::uint8_t>(Request[0]);
  const std::string_view fields = Request.substr(1);
  switch (command) {
    case 0x01:
      return LoginAnswer();
    case 0x02:
      return std::string{'\x02', static_cast<char>(StatusOk)};
    case 0x10:
      return ReadWord(fields);
    case 0x11:
      return WriteWord(fields);
    case 0x0F:
      return BaudRate(fields);
    default:
      return std::string{static_cast<char>(command), static_cast<char>(StatusError)};
  }
}

std::string TDriveModel::LoginAnswer() const {
  const TLoginFields& l = FLogin;
  std::string a{'\x01', static_cast<char>(StatusOk)};
  for (std::uint8_t b : {l.ProtocolVersion, l.AddrFieldSize, l.DataFieldSize, l.AddrIncrement, l.MaxBufferSize})
    a += static_cast<char>(b);
  for (std::uint16_t w : {l.ProcessorType, l.DeviceType, l.DeviceVersion, l.FlashType}) PutLittleEndian(a, w, 2);
  PutLittleEndian(a, l.FlashBaseAddr, l.AddrFieldSize);
  std::string text = l.DeviceString;
  text.resize(16, '\0');
  a += text;
  // A field the client skips: 4 bytes for protocol versions 3x, else the data size.
  a.append((l.ProtocolVersion >> 4) == 3 ? 4 : l.DataFieldSize, '\0');
  if (l.CommandSetVersion >= 0) a += static_cast<char>(l.CommandSetVersion);
  return a;
}

std::string TDriveModel::ReadWord(std::string_view Fields) const {
  if (Fields.size() < FLogin.AddrFieldSize) return {'\x10', static_cast<char>(StatusError)};
  const auto it = FRam.find(GetLittleEndian(Fields, FLogin.AddrFieldSize));
  std::string a{'\x10', static_cast<char>(StatusOk)};
  PutLittleEndian(a, it == FRam.end() ? 0 : it->second, FLogin.DataFieldSize);
  return a;
}

std::string TDriveModel::WriteWord(std::string_view Fields) {
  const int a = FLogin.AddrFieldSize;
  const int d = FLogin.DataFieldSize;
  if (Fields.size() < static_cast<std::size_t>(a + d)) return {'\x11', static_cast<char>(StatusError)};
  FRam[GetLittleEndian(Fields, a)] = GetLittleEndian(Fields.substr(a), d);
  return {'\x11', static_cast<char>(StatusOk)};
}

std::string TDriveModel::BaudRate(std::string_view Fields) const {
  // One bit of the mask per rate, bit 0 the slowest.
  static constexpr std::uint32_t Rates[16] = {300,   600,   1200,  1800,  2400,   4800,   7200,   9600,
                                              14400, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
  const std::string error{'\x0F', static_cast<char>(StatusError)};
  if (Fields.size() == 1 && Fields[0] == 0x00) {
    std::string a{'\x0F', static_cast<char>(StatusOk)};
    PutLittleEndian(a, FBaudMask, 2);
    return a;
  }
  if (Fields.size() != 3 || Fields[0] != 0x02) return error;
  // Exactly one rate, and one the drive offers.
  const std::uint32_t code = GetLittleEndian(Fields.substr(1), 2);
  if ((code & (code - 1)) != 0 || (code & FBaudMask) == 0) return error;
  int bit = 0;
  while (!(code >> bit & 1)) ++bit;
  LogFrame(FLogName, "baud rate " + std::to_string(Rates[bit]), "");
  return {'\x0F', static_cast<char>(StatusOk)};
}

}  // namespace drivesim
