// Conversions shared by every subsystem: telegram bytes and integers, binary,
// hexadecimal, decimal and address texts, and the texts of link errors. Stateless and
// safe on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/TextConversion.h"

namespace vt {

// ---- Telegram data and integers (byte strings are std::string of raw bytes) ----

// Little endian, the first Count bytes (at most 8 and at most the data's length); never
// sign-extends: FF FF gives 65535.
std::int64_t DataToValue(std::string_view Data, int Count);
std::string ValueToData(std::int64_t Value, int Count);
std::string SwapData(std::string_view Data);

// ---- Binary-digit text ----

// 8 x Count digits, most significant first; counts 1, 2 and 4 mask the value first.
std::string IntToBinary(std::int64_t Value, int Count);
// Every '1' adds its power of two; other characters add nothing.
std::int64_t BinaryToInt(std::string_view Text);
std::uint64_t BinaryToUInt(std::string_view Text);

// ---- Hexadecimal text and buffers ----

// 1 to 4 (HexToInt) or 1 to 8 (Hex32ToInt) characters, blanks skipped; 0 for anything else.
std::uint16_t HexToInt(std::string_view Text);
std::uint32_t Hex32ToInt(std::string_view Text);
std::string FloatToHex(float Value);
// Free hexadecimal text to bytes: runs of hex digits separated by anything else, the
// last two digits of a run make one byte, at most 255 bytes.
std::string BufToStr(std::string_view HexText);
// Every byte as two upper-case digits and a blank ("00 AB ").
std::string StrToBuf(std::string_view Bytes);

// ---- Bit casts and rounding ----

float IntToFloatValue(std::int32_t Value);
double Float64inInt_to_Double(std::int64_t Value);
std::int64_t Double_to_Float64inInt(double Value);
// Saturating, ties to even: NaN and values from 2^64 up give all bits set, <= 0 gives 0.
std::uint64_t DoubleToUint64(double Value);

// ---- Decimal text ----

// Zeros in front of the decimal text (also in front of a minus sign) up to Width.
std::string FillwithZeros(std::int32_t Value, int Width);
std::string AdjustString(std::string_view Text, int Width, char Fill);
// A non-negative decimal 32-bit number in base 35 (digits 0-9, A-N, P-Z; no 'O');
// empty for anything else.
std::string IntTo35(std::string_view DecimalText);

// ---- Address text ----
// IPv4 addresses are 32-bit, the first dotted part in bits 31 to 24.

std::string IntToIPStr(std::uint32_t Address);
std::string IPAddrToString(std::uint32_t Address);
// Every part padded to three digits: "192.168.001.010".
std::string AdjustIntToIPStr(std::uint32_t Address);
// Raises EConvertError for a part that is no number, above 255, or a fifth part.
std::uint32_t IPStrToInt(std::string_view Text);
// Address in bits 47 to 16, port in bits 15 to 0: "192.168.1.10:20000".
std::string Int64ToIP_PortStr(std::uint64_t AddressAndPort);
// Six upper-case bytes joined by ':', bits 47 to 40 first; 0 gives the empty text.
std::string IntToMACIDStr(std::uint64_t Mac);
// The one form in which IPv6 addresses are keyed and compared: eight upper-case groups
// without leading zeros, no "::", no zone. Texts without ':' or that are no IPv6
// address come back unchanged.
std::string ZidirirIPv6(std::string_view Text);

std::string GetTalkErrorMessage(int Code);

// The caption without its accelerator marks ("&Open" gives "Open").
WideString StringWithoutAnd(std::u16string_view Text);

}  // namespace vt
