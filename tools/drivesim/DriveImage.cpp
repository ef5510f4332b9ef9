// The firmware's info nodes; see DriveImage.h.
#include "DriveImage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace drivesim {

namespace {

// Tree nodes end with the complete name (76 + 62), filled to whole 4-byte words so that
// any data size reads them.
constexpr std::size_t TreeNodeSize = 140;
constexpr std::size_t InfoTextOffset = 80;

void PutInt(std::string& Bytes, std::size_t At, std::uint32_t Value, int Size) {
  for (int i = 0; i < Size; ++i) Bytes[At + i] = static_cast<char>(Value >> (8 * i) & 0xFF);
}

void PutText(std::string& Bytes, std::size_t At, const std::string& Text, std::size_t Size) {
  Bytes.replace(At, Size, Text.substr(0, Size).append(Size - std::min(Size, Text.size()), '\0'));
}

std::vector<std::string> Split(const std::string& Text, char Separator) {
  std::vector<std::string> parts;
  std::istringstream in(Text);
  for (std::string part; std::getline(in, part, Separator);) parts.push_back(part);
  return parts;
}

// "<base>_<series>_V<major>S<minor>_<beta>": missing parts stay empty or 0.
void PutTree(std::string& Bytes, const std::string& Name) {
  std::vector<std::string> parts = Split(Name, '_');
  parts.resize(4);
  unsigned major = 0, minor = 0;
  std::sscanf(parts[2].c_str(), "V%uS%u", &major, &minor);
  PutInt(Bytes, 6, major << 8 | minor, 2);
  PutText(Bytes, 12, parts[0], 16);
  PutText(Bytes, 28, parts[1], 16);
  PutInt(Bytes, 44, major, 2);
  PutInt(Bytes, 46, minor, 2);
  PutText(Bytes, 48, parts[3], 16);
  PutText(Bytes, 76, Name, 62);
}

std::string LittleEndian(std::int64_t Value, std::uint8_t Size) {
  std::string bytes;
  for (int i = 0; i < Size; ++i) bytes += static_cast<char>(static_cast<std::uint64_t>(Value) >> (8 * i) & 0xFF);
  return bytes;
}

TImageParameter Number(std::uint16_t UPID, std::uint8_t Size, std::uint16_t AddrUsage, std::int64_t Stored,
                       std::int64_t Working) {
  return {UPID, Size, AddrUsage, false, LittleEndian(Stored, Size), LittleEndian(Working, Size)};
}

TImageParameter Number(std::uint16_t UPID, std::uint8_t Size, std::uint16_t AddrUsage, std::int64_t Value) {
  return Number(UPID, Size, AddrUsage, Value, Value);
}

TImageParameter Text(std::uint16_t UPID, std::uint8_t Size, std::uint16_t AddrUsage, const std::string& Value) {
  std::string text = Value;
  text.resize(Size, '\0');
  return {UPID, Size, AddrUsage, true, text, text};
}

}  // namespace

namespace {

std::vector<TImageParameter> CurrentParameters();

// The older servo application in place of the current one's parameters.
void MakeOlder(std::vector<TImageParameter>& Items) {
  std::erase_if(Items, [](const TImageParameter& p) { return p.UPID == 0x3017; });
  for (TImageParameter& p : Items) {
    if (p.UPID == 0x3000) p = Number(0x3000, 2, 0x0F, 300);
    if (p.UPID == 0x04D8) p = Text(0x04D8, 16, 0x04, "VX2 Servo 3.1");
    if (p.UPID == 0x058C) p = Text(0x058C, 32, 0x04, "VXAPSERVO_VX2_V3S1_0");
  }
  const auto at = std::find_if(Items.begin(), Items.end(), [](const TImageParameter& p) { return p.UPID > 0x300B; });
  Items.insert(at, Number(0x300B, 2, 0x0F, 100));
}

}  // namespace

std::vector<TImageParameter> SampleParameters(TRelease Release) {
  std::vector<TImageParameter> items = CurrentParameters();
  if (Release == TRelease::Older) MakeOlder(items);
  return items;
}

namespace {

std::vector<TImageParameter> CurrentParameters() {
  return {
      // The operating system: identification and release numbers, a text folder, the fan's
      // bit option, the project file, the drive's name and identification texts, each
      // firmware module's tree, names, versions and tree ID, the unit system, the rotary
      // factors of position, time, velocity and acceleration (doubles in two halves) and
      // the gear, the developer's switches.
      Number(0x0001, 2, 0x04, 1025),
      Number(0x0008, 4, 0x04, 3073),
      Number(0x0034, 2, 0x04, 4),
      Number(0x0035, 2, 0x04, 1),
      Text(0x0110, 16, 0x0F, "Axis 1"),
      Number(0x0111, 1, 0x0F, 1),
      Number(0x0200, 1, 0x0F, -3),
      Number(0x0202, 2, 0x0F, 0),
      Text(0x02D0, 32, 0x0F, ""),
      Number(0x0300, 8, 0x05, 3600000, 3600123),
      Number(0x0301, 2, 0x0F, 0),
      Text(0x03E8, 16, 0x0F, "Axis 1"),
      Text(0x03F2, 16, 0x04, "VX2-S-1200"),
      Text(0x03FC, 16, 0x04, "VX2 Servo"),
      Text(0x0410, 16, 0x04, "00011234"),
      Text(0x041A, 16, 0x04, "HW 2.0"),
      Text(0x0424, 16, 0x04, "VX2 4.1.0 Sim"),
      Text(0x042E, 16, 0x04, "VX2 OS 4.1"),
      Text(0x0460, 16, 0x04, "VX2 MC 4.1"),
      Text(0x049C, 16, 0x04, "VX2 ETH 2.0"),
      Text(0x04D8, 16, 0x04, "VX2 Servo 3.2"),
      Text(0x0514, 32, 0x04, "VXOS_VX2_V4S1_0"),
      Text(0x0528, 16, 0x04, "VXOS"),
      Text(0x052D, 16, 0x04, "VX2"),
      Number(0x0532, 2, 0x04, 4),
      Number(0x0533, 2, 0x04, 1),
      Text(0x0534, 16, 0x04, "0"),
      Number(0x0539, 2, 0x04, 1),
      Text(0x053C, 32, 0x04, "VXMC_VX2_V4S1_0"),
      Text(0x0550, 16, 0x04, "VXMC"),
      Text(0x0555, 16, 0x04, "VX2"),
      Number(0x055A, 2, 0x04, 4),
      Number(0x055B, 2, 0x04, 1),
      Text(0x055C, 16, 0x04, "0"),
      Number(0x0561, 2, 0x04, 2),
      Text(0x0564, 32, 0x04, "VXIFETH_VX2_V2S0_0"),
      Text(0x0578, 16, 0x04, "VXIFETH"),
      Text(0x057D, 16, 0x04, "VX2"),
      Number(0x0582, 2, 0x04, 2),
      Number(0x0583, 2, 0x04, 0),
      Text(0x0584, 16, 0x04, "0"),
      Number(0x0589, 2, 0x04, 3),
      Text(0x058C, 32, 0x04, "VXAPSERVO_VX2_V3S2_0"),
      Text(0x05A0, 16, 0x04, "VXAPSERVO"),
      Text(0x05A5, 16, 0x04, "VX2"),
      Number(0x05AA, 2, 0x04, 3),
      Number(0x05AB, 2, 0x04, 2),
      Text(0x05AC, 16, 0x04, "0"),
      Number(0x05B1, 2, 0x04, 4),
      Number(0x0800, 2, 0x0F, 2),
      Number(0x0801, 4, 0x0F, 0),
      Number(0x0802, 4, 0x0F, 0),
      Number(0x0803, 4, 0x0F, 0),
      Number(0x0804, 4, 0x0F, 0),
      Number(0x0805, 4, 0x0F, 1072693248),
      Number(0x0806, 4, 0x0F, 1072693248),
      Number(0x0807, 4, 0x0F, 1072693248),
      Number(0x0808, 4, 0x0F, 1072693248),
      Number(0x0809, 2, 0x0F, 1),
      Number(0x080A, 2, 0x0F, 1),
      Number(0x080B, 2, 0x0F, 0),
      Number(0x0CCA, 2, 0x0F, 1),
      // Motion control; 0x1514 is the device UPID of 0x1014.
      Number(0x1000, 2, 0x0F, 1000),
      Number(0x1001, 4, 0x0F, 100000),
      Number(0x1010, 4, 0x0F, -5000),
      Number(0x1011, 2, 0x10F, 10),
      Number(0x1012, 8, 0x05, 12, 42),
      Number(0x1013, 8, 0x01, -123456789012),
      Number(0x1020, 2, 0x0F, 4112),
      Number(0x1021, 4, 0x01, 0),
      Number(0x1022, 2, 0x03, 4096),
      Number(0x1023, 2, 0x0F, 1),
      Number(0x102C, 1, 0x0F, 1),
      Number(0x102D, 1, 0x0F, 1),
      Number(0x102E, 2, 0x0F, 0),
      Number(0x1198, 2, 0x0F, 0),
      Number(0x1199, 4, 0x0F, 0x3F800000),
      Number(0x119A, 4, 0x0F, 0),
      Number(0x1234, 2, 0x0F, 258),
      Number(0x1514, 1, 0x0F, 1),
      // The motor wizard's definition files and motor kind; the module identity, of a
      // drive in no module.
      Text(0x184C, 32, 0x0F, "VX-Actuator.adf"),
      Number(0x186D, 2, 0x0F, 0),
      Text(0x186F, 16, 0x0F, "VX-Module.mdf"),
      Number(0x18C2, 2, 0x04, 65535),
      Number(0x18C3, 2, 0x04, 0),
      Number(0x18C4, 2, 0x04, 0),
      Text(0x18C5, 4, 0x04, "A1"),
      // The Ethernet interface.
      Number(0x2000, 4, 0x0F, 2130706433),
      Number(0x2001, 2, 0x0F, 41000),
      Number(0x2002, 1, 0x0F, 20),
      Number(0x2003, 1, 0x0F, -2),
      Number(0x2004, 4, 0x0F, 1448620593),
      Number(0x2005, 2, 0x0F, 1),
      Number(0x2008, 4, 0x0F, 100),
      // The servo application; 0x3104 is the device UPID of 0x3004.
      Number(0x3000, 2, 0x0F, 500),
      Number(0x3001, 4, 0x10F, 2000),
      Number(0x3002, 1, 0x0F, 2),
      Number(0x3003, 2, 0x0F, 3000),
      Text(0x3005, 16, 0x0F, "Servo"),
      Number(0x3008, 8, 0x05, 1000000, 1000500),
      Number(0x3009, 8, 0x0F, -2),
      Number(0x300A, 2, 0x0F, 0),
      Number(0x3016, 4, 0x0F, 2),
      Number(0x3017, 8, 0x0F, 0x3FF4000000000000),
      Number(0x3104, 2, 0x0F, -2),
  };
}

}  // namespace

std::vector<TInfoNode> SampleFirmware(TRelease Release) {
  const bool older = Release == TRelease::Older;
  return {
      {FileTypeProgram, 0x10, "VX2 Servo App", 0x00104000, older ? "Servo application 3.1" : "Servo application 3.2", 0},
      {FileTypeTree, 1, "VXOS_VX2_V4S1_0", 0, "", 0},
      {FileTypeTree, 2, "VXMC_VX2_V4S1_0", 0, "", 0},
      {FileTypeTree, 3, "VXIFETH_VX2_V2S0_0", 0, "", 0},
      {FileTypeTree, 4, older ? "VXAPSERVO_VX2_V3S1_0" : "VXAPSERVO_VX2_V3S2_0", 0, "", 0},
      {FileTypeOperatingSystem, 0, "VX2 OS", 0x00100000, "Operating system 4.1.0", 0},
  };
}

std::string NodeBytes(const TInfoNode& Node) {
  const bool tree = Node.FileType == FileTypeTree;
  std::string bytes(tree ? TreeNodeSize : (InfoTextOffset + Node.Info.size() + 1 + 3) / 4 * 4, '\0');
  PutInt(bytes, 4, Node.FileType, 2);
  PutInt(bytes, 10, Node.SubType, 2);
  if (tree) {
    PutTree(bytes, Node.Name);
  } else {
    PutText(bytes, 12, Node.Name, 16);
    PutInt(bytes, 28, Node.StartAddress, 4);
    PutText(bytes, InfoTextOffset, Node.Info, Node.Info.size());
  }
  if (Node.Size > 0) bytes.resize(Node.Size, '\0');
  if (bytes.size() >= 2) PutInt(bytes, 0, static_cast<std::uint32_t>(bytes.size()), 2);
  return bytes;
}

bool ParseNode(const std::string& Text, TInfoNode& Node) {
  const std::vector<std::string> parts = Split(Text, ',');
  if (parts.size() < 3 || parts.size() > 4) return false;
  std::uint32_t numbers[3];
  for (int i = 0; i < 3; ++i) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(parts[i].c_str(), &end, 0);
    if (parts[i].empty() || *end || v > 0xFFFF) return false;
    numbers[i] = static_cast<std::uint32_t>(v);
  }
  Node = {static_cast<std::uint16_t>(numbers[0]), static_cast<std::uint16_t>(numbers[1]),
          parts.size() == 4 ? parts[3] : "", 0, "", static_cast<std::uint16_t>(numbers[2])};
  return Node.Size > 0;
}

bool ParseParameter(const std::string& Text, bool IsText, TImageParameter& Parameter) {
  const auto first = Text.find(',');
  const auto second = first == std::string::npos ? first : Text.find(',', first + 1);
  const auto third = second == std::string::npos ? second : Text.find(',', second + 1);
  if (third == std::string::npos) return false;
  const std::string fields[3] = {Text.substr(0, first), Text.substr(first + 1, second - first - 1),
                                 Text.substr(second + 1, third - second - 1)};
  const std::string value = Text.substr(third + 1);  // a text may hold commas
  const unsigned long limits[3] = {0xFFFF, IsText ? 0xFFul : 8ul, 0xFFFF};
  unsigned long numbers[3];
  for (int i = 0; i < 3; ++i) {
    char* end = nullptr;
    numbers[i] = std::strtoul(fields[i].c_str(), &end, 0);
    if (fields[i].empty() || *end || numbers[i] > limits[i]) return false;
  }
  const auto upid = static_cast<std::uint16_t>(numbers[0]);
  const auto size = static_cast<std::uint8_t>(numbers[1]);
  const auto usage = static_cast<std::uint16_t>(numbers[2]);
  if (size == 0) return false;
  if (IsText) {
    Parameter = drivesim::Text(upid, size, usage, value.substr(0, size));
    return true;
  }
  char* end = nullptr;
  const long long number = std::strtoll(value.c_str(), &end, 0);
  if (value.empty() || *end) return false;
  Parameter = Number(upid, size, usage, number);
  return true;
}

bool ParseVariables(const std::string& Text, std::vector<TImageParameter>& Variables) {
  const std::vector<std::string> fields = Split(Text, ',');
  if (fields.size() != 3) return false;
  unsigned long numbers[3];
  for (int i = 0; i < 3; ++i) {
    char* end = nullptr;
    numbers[i] = std::strtoul(fields[i].c_str(), &end, 0);
    if (fields[i].empty() || *end) return false;
  }
  const unsigned long first = numbers[0], count = numbers[1], size = numbers[2];
  if (size == 0 || size > 8 || count == 0 || first + count > 0xFFFF) return false;
  for (unsigned long upid = first; upid < first + count; ++upid)
    Variables.push_back(Number(static_cast<std::uint16_t>(upid), static_cast<std::uint8_t>(size), UsageRamRead,
                               static_cast<std::int64_t>(upid * 3)));
  return true;
}

}  // namespace drivesim
