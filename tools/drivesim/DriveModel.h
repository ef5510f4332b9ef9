// The drive's side of the telegrams: login and logout; words, blocks and strings of a RAM
// that starts cleared but for the firmware release text and the firmware's chain of info
// nodes; parameters by UPID; status, start, stop and reset; the search for info nodes;
// instance names; the serial baud rates; every other standard command is acknowledged
// (flash comes later: it reads as erased). Requests and answers are payloads: command
// byte and little-endian fields; an answer is the command byte, a status byte and data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "DriveParameters.h"
#include "Options.h"

namespace drivesim {

inline constexpr std::uint8_t StatusOk = 0x00;
inline constexpr std::uint8_t StatusBusy = 0x01;  // the next byte, when there is one: seconds to wait
inline constexpr std::uint8_t StatusError = 0x80;          // unknown command, short request
inline constexpr std::uint8_t StatusAnotherInstance = 0xB3;  // login while another program is logged in
inline constexpr std::uint8_t StatusUnknownParameter = 0xC0;
inline constexpr std::uint8_t StatusChecksumError = 0xEE;  // the request's frame sum was wrong

// Where the firmware keeps its release text, 32 bytes (the low A bytes of the address).
inline constexpr std::uint32_t ReleaseTextAddress = 0xA2001F48;
inline constexpr std::size_t ReleaseTextSize = 32;
// Where the chain of info nodes begins: low enough for 3-byte addresses, far from the
// release text.
inline constexpr std::uint32_t InfoNodeAddress = 0x00040000;

class TDriveModel {
 public:
  // LogName: the drive's name in the frame log.
  TDriveModel(const TOptions& Options, std::string LogName);

  // The answer to a request; none for an empty one.
  std::optional<std::string> Answer(std::string_view Request);
  // A reboot: the RAM is cleared, the working parameters take their stored values.
  void Reboot();
  // Changed between requests by the controls on standard input.
  TDriveState& State() { return FState; }

 private:
  class TFields;
  struct TPlacedNode {
    std::uint32_t Address;
    std::uint8_t Type;
    std::size_t Size;
  };

  std::string LoginAnswer() const;
  std::string MemoryAnswer(char Command, TFields& F);
  std::string InstanceAnswer(char Command, TFields& F) const;
  std::string OtherAnswer(char Command, TFields& F);
  std::string StatusAnswer(char Command, TFields& F) const;
  // 25 <address> <type>: the first node at or after the address, of the type (0: any).
  std::string FindNodeAnswer(char Command, TFields& F) const;
  // Whether a block read at the address fails now: the first one within a node after
  // the control asked for it.
  bool FailsNodeRead(std::uint32_t Address);
  // The byte at which a word address begins: a word of D bytes spans "increment"
  // address units.
  std::uint64_t ByteOffset(std::uint32_t Address) const;
  std::string Read(std::uint32_t Address, std::size_t Count) const;
  void Write(std::uint32_t Address, std::string_view Bytes);
  void LoadReleaseText();
  // Writes the chain into the RAM, one node after the other.
  void LoadInfoNodes();
  // 00: the rates offered; 02 LOW HIGH: a rate code to use from now on.
  std::string BaudRate(std::string_view Fields) const;

  const TLoginFields FLogin;
  const std::uint16_t FBaudMask;
  const std::string FLogName;
  const std::string FReleaseText;
  std::vector<TInfoNode> FNodes;
  std::vector<TPlacedNode> FPlacedNodes;
  TDriveState FState;
  std::unordered_map<std::uint64_t, char> FRam;  // bytes not held are 0
  TDriveParameters FParameters;
};

// An answer: the command byte, the status byte and the data.
std::string Reply(char Command, std::uint8_t Status, std::string_view Data = {});

// Little-endian fields.
void PutLittleEndian(std::string& Out, std::uint64_t Value, int Size);
std::uint32_t GetLittleEndian(std::string_view In, int Size);

}  // namespace drivesim
