// The drive's side of the telegrams; see DriveModel.h.
#include "DriveModel.h"

#include <algorithm>
#include <utility>

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

// The fields of a request after its command byte; a field beyond the end marks the
// request short.
class TDriveModel::TFields {
 public:
  TFields(std::string_view Fields, int A, int D) : FRest(Fields), FA(A), FD(D) {}
  std::uint32_t Int(int Size) {
    if (FRest.size() < static_cast<std::size_t>(Size)) {
      Short = true;
      FRest = {};
      return 0;
    }
    const std::uint32_t v = GetLittleEndian(FRest, Size);
    FRest.remove_prefix(Size);
    return v;
  }
  std::uint32_t Byte() { return Int(1); }
  std::uint32_t Word16() { return Int(2); }
  std::uint32_t Addr() { return Int(FA); }
  std::uint32_t Data() { return Int(FD); }
  std::string_view Rest() { return std::exchange(FRest, {}); }
  bool Short = false;

 private:
  std::string_view FRest;
  const int FA, FD;
};

std::string Reply(char Command, std::uint8_t Status, std::string_view Data) {
  std::string a{Command, static_cast<char>(Status)};
  return a.append(Data);
}

namespace {

// The answer of the sub-command kinds: a length byte and that many bytes.
std::string Counted(char Command, std::string_view Data) {
  return Reply(Command, StatusOk, std::string(1, static_cast<char>(Data.size())).append(Data));
}

}  // namespace

TDriveModel::TDriveModel(const TOptions& Options, std::string LogName)
    : FLogin(Options.Login),
      FBaudMask(Options.BaudMask),
      FLogName(std::move(LogName)),
      FReleaseText(Options.ReleaseText),
      FNodes(SampleFirmware(Options.Release)),
      FState(Options.State),
      FParameters(Options) {
  FNodes.insert(FNodes.end(), Options.ExtraNodes.begin(), Options.ExtraNodes.end());
  LoadReleaseText();
  LoadInfoNodes();
}

void TDriveModel::Reboot() {
  FRam.clear();
  LoadReleaseText();
  LoadInfoNodes();
  FParameters.Reboot();
}

void TDriveModel::LoadInfoNodes() {
  FPlacedNodes.clear();
  std::uint32_t address = InfoNodeAddress;
  for (const TInfoNode& node : FNodes) {
    const std::string bytes = NodeBytes(node);
    Write(address, bytes);
    FPlacedNodes.push_back({address, static_cast<std::uint8_t>(node.FileType), bytes.size()});
    const std::size_t words = (bytes.size() + FLogin.DataFieldSize - 1) / FLogin.DataFieldSize;
    address += static_cast<std::uint32_t>(words * FLogin.AddrIncrement);
  }
}

// The text, blanks to 24 bytes, then erased flash: the client drops both.
void TDriveModel::LoadReleaseText() {
  std::string text = FReleaseText.substr(0, ReleaseTextSize);
  if (text.size() < 24) text.resize(24, ' ');
  text.resize(ReleaseTextSize, '\xFF');
  Write(ReleaseTextAddress, text);
}

std::uint64_t TDriveModel::ByteOffset(std::uint32_t Address) const {
  const std::uint64_t masked = FLogin.AddrFieldSize == 4 ? Address : Address & 0xFFFFFF;
  return masked * (FLogin.DataFieldSize / FLogin.AddrIncrement);
}

std::string TDriveModel::Read(std::uint32_t Address, std::size_t Count) const {
  const std::uint64_t at = ByteOffset(Address);
  std::string bytes(Count, '\0');
  for (std::size_t i = 0; i < Count; ++i)
    if (const auto it = FRam.find(at + i); it != FRam.end()) bytes[i] = it->second;
  return bytes;
}

void TDriveModel::Write(std::uint32_t Address, std::string_view Bytes) {
  const std::uint64_t at = ByteOffset(Address);
  for (std::size_t i = 0; i < Bytes.size(); ++i) FRam[at + i] = Bytes[i];
}

std::optional<std::string> TDriveModel::Answer(std::string_view Request) {
  if (Request.empty()) return std::nullopt;
  const char command = Request[0];
  FParameters.TakeChanges(FState);
  TFields fields(Request.substr(1), FLogin.AddrFieldSize, FLogin.DataFieldSize);
  std::string answer;
  switch (static_cast<std::uint8_t>(command)) {
    case 0x01:
      return LoginAnswer();
    case 0x0F:
      return BaudRate(Request.substr(1));
    case 0x10:
    case 0x11:
    case 0x13:
    case 0x30:
    case 0x31:
    case 0x34:
    case 0x35:
      answer = MemoryAnswer(command, fields);
      break;
    case 0x88:
      if (Request.size() > 1 && Request[1] == 0x10) {
        answer = InstanceAnswer(command, fields);
        break;
      }
      return FParameters.Get(Request.substr(1), FState);
    case 0x89:
      if (Request.size() > 1 && static_cast<std::uint8_t>(Request[1]) > 0x03) {
        answer = InstanceAnswer(command, fields);
        break;
      }
      return FParameters.Set(Request.substr(1));
    default:
      answer = OtherAnswer(command, fields);
      break;
  }
  return fields.Short ? Reply(command, StatusError) : answer;
}

std::string TDriveModel::LoginAnswer() const {
  const TLoginFields& l = FLogin;
  std::string a = Reply('\x01', StatusOk);
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

// Words, masked words, blocks and strings of the RAM.
std::string TDriveModel::MemoryAnswer(char Command, TFields& F) {
  const std::uint32_t address = F.Addr();
  const int d = FLogin.DataFieldSize;
  switch (static_cast<std::uint8_t>(Command)) {
    case 0x10:
      return Reply(Command, StatusOk, Read(address, d));
    case 0x11: {
      std::string word;
      PutLittleEndian(word, F.Data(), d);
      Write(address, word);
      return Reply(Command, StatusOk);
    }
    case 0x13: {
      const std::uint32_t mask = F.Data(), data = F.Data();
      const std::uint32_t old = GetLittleEndian(Read(address, d), d);
      std::string word;
      PutLittleEndian(word, (old & ~mask) | (data & mask), d);
      Write(address, word);
      return Reply(Command, StatusOk);
    }
    case 0x30: {
      const std::uint32_t size = F.Byte();
      // The answer holds command and status besides the data.
      if (size + 2 > FLogin.MaxBufferSize || FailsNodeRead(address)) return Reply(Command, StatusError);
      return Reply(Command, StatusOk, Read(address, size));
    }
    case 0x31:
    default:  // 0x35: the text with its 0x00
      Write(address, F.Rest());
      return Reply(Command, StatusOk);
    case 0x34: {
      F.Byte();
      const std::string bytes = Read(address, F.Byte());
      return Reply(Command, StatusOk, bytes.substr(0, bytes.find('\0')));
    }
  }
}

// 88 10 <instance>: the instance's tree name; 89 <sub-command> [<instance>]: done.
std::string TDriveModel::InstanceAnswer(char Command, TFields& F) const {
  F.Byte();
  if (Command == '\x89') return Counted(Command, "");
  return Counted(Command, "Tree" + std::to_string(F.Byte()));
}

std::string TDriveModel::StatusAnswer(char Command, TFields& F) const {
  F.Byte();
  std::string a;
  PutLittleEndian(a, FState.StatusWord, 2);
  PutLittleEndian(a, FState.SerialNumber & 0xFFFF, 2);
  PutLittleEndian(a, FState.SerialNumber >> 16, 2);
  PutLittleEndian(a, FState.PartNumber, 2);
  a += static_cast<char>(FState.SafetyByte);
  return Reply(Command, StatusOk, a);
}

std::string TDriveModel::FindNodeAnswer(char Command, TFields& F) const {
  const std::uint32_t start = F.Addr();
  const std::uint8_t type = static_cast<std::uint8_t>(F.Byte());
  const auto ofType = [&](const TPlacedNode& n) { return type == 0 || n.Type == type; };
  auto it = std::find_if(FPlacedNodes.begin(), FPlacedNodes.end(),
                         [&](const TPlacedNode& n) { return ofType(n) && n.Address >= start; });
  if (it == FPlacedNodes.end() && FState.LoopNodes) it = std::find_if(FPlacedNodes.begin(), FPlacedNodes.end(), ofType);
  if (it == FPlacedNodes.end()) return Reply(Command, StatusError);  // no further node
  const bool bad = it - FPlacedNodes.begin() + 1 == FState.BadNode;
  std::string a;
  PutLittleEndian(a, it->Address, FLogin.AddrFieldSize);
  a += static_cast<char>(it->Type);
  PutLittleEndian(a, it->Size + (bad ? 1 : 0), 2);
  return Reply(Command, StatusOk, a);
}

bool TDriveModel::FailsNodeRead(std::uint32_t Address) {
  if (!FState.FailNodeReadNext) return false;
  const std::uint32_t wordBytes = FLogin.DataFieldSize;
  const bool inNode = std::any_of(FPlacedNodes.begin(), FPlacedNodes.end(), [&](const TPlacedNode& n) {
    const auto words = static_cast<std::uint32_t>((n.Size + wordBytes - 1) / wordBytes);
    return Address >= n.Address && Address < n.Address + words * FLogin.AddrIncrement;
  });
  if (inNode) FState.FailNodeReadNext = false;
  return inNode;
}

std::string TDriveModel::OtherAnswer(char Command, TFields& F) {
  switch (static_cast<std::uint8_t>(Command)) {
    case 0x20:  // start, with or without an address
      FState.StatusWord |= 0x0001;
      return Reply(Command, StatusOk);
    case 0x21:  // stop
    case 0x22:  // reset, with or without an option
      FState.StatusWord &= ~0x0001;
      return Reply(Command, StatusOk);
    case 0x02:  // logout
    case 0x05:  // blink
    case 0x27:  // erase all flash
      return Reply(Command, StatusOk);
    case 0x12:  // flash word
      F.Addr();
      F.Data();
      return Reply(Command, StatusOk);
    case 0x23:  // erase a flash sector
      F.Addr();
      return Reply(Command, StatusOk);
    case 0x32:  // flash blocks
    case 0x37:
      F.Addr();
      return Reply(Command, StatusOk);
    case 0x33:  // RAM to flash
      F.Addr();
      F.Addr();
      F.Word16();
      return Reply(Command, StatusOk);
    case 0x36: {  // flash reads as erased
      F.Addr();
      return Reply(Command, StatusOk, std::string(F.Byte(), '\xFF'));
    }
    case 0x03:
      return StatusAnswer(Command, F);
    case 0x25:
      return FindNodeAnswer(Command, F);
    case 0x26: {  // the first empty flash address: flash is erased, the start
      std::string a;
      PutLittleEndian(a, F.Addr(), FLogin.AddrFieldSize);
      F.Addr();
      return Reply(Command, StatusOk, a);
    }
    case 0x90:  // curves and command table saved to flash
    case 0x94:
      F.Byte();
      return Counted(Command, "");
    default:
      return Reply(Command, StatusError);
  }
}

std::string TDriveModel::BaudRate(std::string_view Fields) const {
  // One bit of the mask per rate, bit 0 the slowest.
  static constexpr std::uint32_t Rates[16] = {300,   600,   1200,  1800,  2400,   4800,   7200,   9600,
                                              14400, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
  const std::string error = Reply('\x0F', StatusError);
  if (Fields.size() == 1 && Fields[0] == 0x00) {
    std::string mask;
    PutLittleEndian(mask, FBaudMask, 2);
    return Reply('\x0F', StatusOk, mask);
  }
  if (Fields.size() != 3 || Fields[0] != 0x02) return error;
  // Exactly one rate, and one the drive offers.
  const std::uint32_t code = GetLittleEndian(Fields.substr(1), 2);
  if ((code & (code - 1)) != 0 || (code & FBaudMask) == 0) return error;
  int bit = 0;
  while (!(code >> bit & 1)) ++bit;
  LogFrame(FLogName, "baud rate " + std::to_string(Rates[bit]), "");
  return Reply('\x0F', StatusOk);
}

}  // namespace drivesim
