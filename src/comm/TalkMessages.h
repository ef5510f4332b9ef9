// What the talk client and the talk server share: where the server's queues are, the
// little-endian fields of request and answer frames, and the parameters of the request
// and reply messages (integers as upper-case hexadecimal digits, byte strings as their
// count and one parameter per byte).
#pragma once

#include <cstdint>
#include <string>

#include "platform/TextConversion.h"

namespace vt {

class TMessageReader;
class TMessageWriter;

// The talk server's request queue is the first queue that logs on, its command queue
// the second: requests go to ident 0, commands to ident 1, both in domain 0.
inline constexpr std::uint16_t TalkServerIdent = 0;
inline constexpr std::uint16_t TalkServerCommandIdent = TalkServerIdent + 1;
inline constexpr std::uint8_t TalkServerDomain = 0;

// Whether a reply entry with this status carries the answer frame: below 0x80, and 0xA4
// (an error answer with data).
bool ReplyCarriesFrame(std::uint8_t Status);

// Appends Size bytes of Value, least significant first; above 4 bytes zeros follow.
void FrmPutInt(std::int32_t Value, int Size, std::string& Frame);
// Size bytes little-endian from the 1-based position Pos, which moves on by Size; bytes
// beyond the frame's end count as 0, and only the low 4 bytes of a wider field are kept.
std::int32_t FrmGetInt(const std::string& Frame, int& Pos, int Size);

// The fewest upper-case hexadecimal digits; a negative value as its 8 digits.
AnsiString IntToHexText(std::int32_t Value);
void MsgPutInt(std::int32_t Value, TMessageWriter& Writer);
// 0 when the parameter is missing or no hexadecimal number.
std::int32_t MsgGetInt(TMessageReader& Reader);
void MsgPutStr(const std::string& Str, TMessageWriter& Writer);
// Stops at the end of the parameters whatever the count says.
std::string MsgGetStr(TMessageReader& Reader);

}  // namespace vt
