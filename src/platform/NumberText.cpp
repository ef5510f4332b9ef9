// Number text conversions; see NumberText.h.
#include "platform/NumberText.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace vt {

namespace {

std::optional<std::uint64_t> ParseHex(std::string_view s) {
  if (s.empty() || s.size() > 16) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) {
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  return v;
}

// Strtod in the "C" locale, for the rare numbers from_chars reports out of range.
double StrtodC(const std::string& s) {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return strtod_l(s.c_str(), nullptr, c_locale);
}

[[noreturn]] void InvalidOp() { throw Exception("Invalid floating point operation"); }

constexpr double kTwo63 = 9223372036854775808.0;

std::int64_t CheckedToInt64(double d) {
  if (!std::isfinite(d) || d >= kTwo63 || d < -kTwo63) InvalidOp();
  return static_cast<std::int64_t>(d);
}

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::int64_t> TryStrToInt64(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::string_view rest = s.substr(i);
  std::optional<std::uint64_t> hex;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    hex = ParseHex(rest.substr(1));
    if (!hex) return std::nullopt;
  } else if (rest.size() > 1 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hex = ParseHex(rest.substr(2));
    if (!hex) return std::nullopt;
  }
  if (hex) {
    const std::uint64_t v = negative ? 0 - *hex : *hex;
    return static_cast<std::int64_t>(v);
  }
  if (rest.empty()) return std::nullopt;
  std::uint64_t mag = 0;
  auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), mag);
  if (ec != std::errc() || end != rest.data() + rest.size() || rest[0] < '0' || rest[0] > '9') return std::nullopt;
  if (mag > (negative ? 9223372036854775808ULL : 9223372036854775807ULL)) return std::nullopt;
  return static_cast<std::int64_t>(negative ? 0 - mag : mag);
}

std::int64_t StrToInt64(std::string_view s) {
  if (auto v = TryStrToInt64(s)) return *v;
  throw EConvertError(Format("'%s' is not a valid integer value", s));
}

std::optional<double> TryStrToFloat(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  std::string_view t = s.substr(b, e - b);
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) negative = t[0] == '-', t.remove_prefix(1);
  // Only digits, one point and an exponent: no names of infinities, no hex floats.
  if (t.empty() || !((t[0] >= '0' && t[0] <= '9') || t[0] == '.')) return std::nullopt;
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) return std::nullopt;
  double v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (end != t.data() + t.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    v = StrtodC(std::string(t));
    if (std::isinf(v)) return std::nullopt;
  } else if (ec != std::errc()) {
    return std::nullopt;
  }
  return negative ? -v : v;
}

double StrToFloat(std::string_view s) {
  if (auto v = TryStrToFloat(s)) return *v;
  throw EConvertError(Format("'%s' is not a valid floating point value", s));
}

std::string FloatToStr(double d) { return FloatToStrGeneral(d, 15); }

std::string FloatToStrGeneral(double d, int Precision) {
  Precision = std::clamp(Precision, 1, 15);
  if (std::isnan(d)) return "NAN";
  if (std::isinf(d)) return d < 0 ? "-INF" : "INF";
  if (d == 0) return "0";
  // Precision significant digits as d.ddde±x, then laid out by hand.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, Precision - 1);
  std::string_view sci(buf, r.ptr - buf);
  std::string out;
  if (sci[0] == '-') out += '-', sci.remove_prefix(1);
  const std::size_t epos = sci.find('e');
  int exp10 = 0;
  std::from_chars(sci.data() + epos + (sci[epos + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exp10);
  std::string digits;
  for (char c : sci.substr(0, epos))
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int intDigits = exp10 + 1;  // digits before the decimal point
  if (intDigits > Precision || intDigits < -3) {
    out += digits[0];
    if (digits.size() > 1) out += '.', out.append(digits, 1);
    out += 'E';
    out += std::to_string(exp10);
  } else if (intDigits <= 0) {
    out += "0.";
    out.append(-intDigits, '0');
    out += digits;
  } else {
    if (static_cast<int>(digits.size()) <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out += '.';
      out.append(digits, intDigits);
    }
  }
  return out;
}

std::string IntToStr(std::int64_t v) { return std::to_string(v); }

std::int64_t RoundToInt64(double d) { return CheckedToInt64(std::nearbyint(d)); }
std::int64_t TruncToInt64(double d) { return CheckedToInt64(std::trunc(d)); }

}  // namespace vt
