// The pieces every value type shares: the little-endian value bytes of the parameter
// telegrams, the texts they carry, and the hexadecimal and decimal raw texts the
// parameter lists show.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/TextConversion.h"

namespace vt {

// The first Size bytes of Data, lowest byte first; false when Data is shorter.
bool DecodeLittleEndian(std::string_view Data, int Size, std::uint64_t& Value);
// Value as Size bytes, lowest byte first.
AnsiString EncodeLittleEndian(std::uint64_t Value, int Size);
// A text in value bytes: the bytes before the first 0x00, or all of them without one.
AnsiString CutAtNul(std::string_view Data);

// Upper-case hexadecimal digits, at least Digits of them, then "h".
AnsiString HexValueText(std::uint64_t Value, int Digits);
// The raw text of a value in a display mode: "HEX" the hexadecimal text, "DEC" the
// decimal one, any other mode empty. Modes compare exactly.
AnsiString RawValueText(std::int64_t Value, std::uint64_t Pattern, int Digits, const AnsiString& Mode);

}  // namespace vt
