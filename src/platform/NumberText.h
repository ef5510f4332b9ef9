// Numbers to and from text, always with "." as the decimal separator whatever the
// locale, and the checked conversions of doubles to integers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt {

// Integer text: leading blanks, an optional sign, then decimal digits in the signed
// 64-bit range or a hex number after "$", "x", "X", "0x" or "0X" of up to 16 digits
// (a 64-bit two's-complement pattern); nothing may follow.
std::optional<std::int64_t> TryStrToInt64(std::string_view s);
// Raises EConvertError "'%s' is not a valid integer value".
std::int64_t StrToInt64(std::string_view s);

// Float text: optional blanks, sign, digits with ".", optional exponent.
std::optional<double> TryStrToFloat(std::string_view s);
// Raises EConvertError "'%s' is not a valid floating point value".
double StrToFloat(std::string_view s);

// The general form with 15 significant digits: "1.5", "2", "0.0001", "1E20", "1E-5".
std::string FloatToStr(double d);
// The general form with Precision (1 to 15) significant digits: the exponent form when
// the value needs more digits before the point or lies below 0.0001.
std::string FloatToStrGeneral(double d, int Precision);

// The value of one hexadecimal digit ('0'-'9', 'a'-'f', 'A'-'F'), -1 for any other character.
int HexDigitValue(char c);
std::string IntToStr(std::int64_t v);

// Half-to-even rounding and truncation toward zero; NaN, infinities and values
// outside the 64-bit range raise "Invalid floating point operation".
std::int64_t RoundToInt64(double d);
std::int64_t TruncToInt64(double d);

}  // namespace vt
