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

}  // namespace

std::vector<TInfoNode> SampleFirmware() {
  return {
      {FileTypeProgram, 0x10, "VX2 Servo App", 0x00104000, "Servo application 3.2", 0},
      {FileTypeTree, 1, "VXOS_VX2_V4S1_0", 0, "", 0},
      {FileTypeTree, 2, "VXMC_VX2_V4S1_0", 0, "", 0},
      {FileTypeTree, 3, "VXIFETH_VX2_V2S0_0", 0, "", 0},
      {FileTypeTree, 4, "VXAPSERVO_VX2_V3S2_0", 0, "", 0},
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

}  // namespace drivesim
