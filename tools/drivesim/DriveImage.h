// The firmware the simulated drive carries, as the chain of info nodes that describes it
// in the drive's memory: one node per firmware file. The sample firmware has an
// operating-system node, a program node with its start address and one parameter-tree
// node per tree level 1 to 4, each naming a description file bundled in data/Firmware;
// its parameters are those the description files list, by device UPID.
//
// A node's bytes (offsets from 0, integers little-endian, texts cut at a zero byte):
//   0 size (2), 4 file type (2), 6 file version (2), 10 file sub type (2), 12 file name (16);
//   a tree node: 12 base name (16), 28 series (16), 44 version (2), 46 sub version (2),
//     48 beta text (16), 76 complete tree name (62);
//   any other node: 28 start address (4), 80 its information text to the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drivesim {

inline constexpr std::uint16_t FileTypeOperatingSystem = 1;
inline constexpr std::uint16_t FileTypeProgram = 2;
inline constexpr std::uint16_t FileTypeTree = 5;

struct TInfoNode {
  std::uint16_t FileType = 0;
  std::uint16_t SubType = 0;
  // A tree's complete name "<base>_<series>_V<major>S<minor>_<beta>", else the file name.
  std::string Name;
  std::uint32_t StartAddress = 0;
  std::string Info;
  // 0: the node's natural size; else its bytes are cut or filled with zeros to this.
  std::uint16_t Size = 0;
};

// Which release of the sample firmware the drive carries: the current one, or the older
// servo application (tree VXAPSERVO_VX2_V3S1_0, bundled in Firmware/OlderReleases): a
// smaller position gain range, the current limit as a plain number, no friction
// coefficient, a brake delay, commutation without auto phasing.
enum class TRelease { Current, Older };

// The sample firmware's nodes in their order in memory: the program first, the trees,
// the operating system last (the walker sorts by sub type).
std::vector<TInfoNode> SampleFirmware(TRelease Release = TRelease::Current);

// A parameter of the sample firmware as the description files give it: device UPID,
// bytes of its value (a text: at most so many), address usage (0x01 RAM readable, 0x02
// RAM writable, 0x04 ROM readable, 0x08 ROM writable), and its stored (ROM) and working
// (RAM) values, little-endian numbers or texts.
struct TImageParameter {
  std::uint16_t UPID = 0;
  std::uint8_t Size = 0;
  std::uint16_t AddrUsage = 0;
  bool Text = false;
  std::string Stored, Working;
};

// Address usage bits the drive checks a mode against.
inline constexpr std::uint16_t UsageRamRead = 0x01;
inline constexpr std::uint16_t UsageRamWrite = 0x02;
inline constexpr std::uint16_t UsageRomRead = 0x04;
inline constexpr std::uint16_t UsageRomWrite = 0x08;

// The sample firmware's parameters, in UPID order.
std::vector<TImageParameter> SampleParameters(TRelease Release = TRelease::Current);

// The node's bytes as the drive keeps them.
std::string NodeBytes(const TInfoNode& Node);

// "TYPE,SUBTYPE,SIZE[,NAME]" (numbers in C notation) as a node; false for a bad text.
bool ParseNode(const std::string& Text, TInfoNode& Node);

// "UPID,SIZE,USAGE,VALUE" as one more parameter: VALUE a signed number in C notation
// (both values), or with Text set the text itself, cut to SIZE. False for a bad text.
bool ParseParameter(const std::string& Text, bool IsText, TImageParameter& Parameter);

// "FIRST,COUNT,SIZE" (numbers in C notation) as COUNT drive variables of SIZE bytes (1-8)
// from UPID FIRST on, in the working memory only, each holding its UPID times 3 (so
// that a value read from the wrong place shows). False for a bad text or a block past
// UPID 0xFFFE.
bool ParseVariables(const std::string& Text, std::vector<TImageParameter>& Variables);

}  // namespace drivesim
