// Message formatting; see Format.h.
#include "platform/Format.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "platform/Exceptions.h"
#include "platform/TextConversion.h"

namespace vt {

std::string WideArgToUtf8(std::u16string_view s) { return WideToUtf8(s); }

namespace {

struct Spec {
  bool left = false;
  int width = -1;
  int precision = -1;
  char type = 's';
};

std::int64_t AsInt(const FormatArg& a) {
  if (auto* i = std::get_if<std::int64_t>(&a)) return *i;
  if (auto* u = std::get_if<std::uint64_t>(&a)) return static_cast<std::int64_t>(*u);
  if (auto* d = std::get_if<double>(&a)) return static_cast<std::int64_t>(*d);
  return 0;
}

double AsDouble(const FormatArg& a) {
  if (auto* d = std::get_if<double>(&a)) return *d;
  if (auto* u = std::get_if<std::uint64_t>(&a)) return static_cast<double>(*u);
  return static_cast<double>(AsInt(a));
}

std::string IntText(const FormatArg& a, const Spec& spec) {
  char buf[40];
  std::to_chars_result r{};
  const bool hex = spec.type == 'x' || spec.type == 'X';
  if (hex || spec.type == 'u' || std::holds_alternative<std::uint64_t>(a)) {
    const auto u = static_cast<std::uint64_t>(AsInt(a));
    r = std::to_chars(buf, buf + sizeof buf, u, hex ? 16 : 10);
  } else {
    r = std::to_chars(buf, buf + sizeof buf, AsInt(a));
  }
  std::string digits(buf, r.ptr);
  if (hex)
    for (auto& c : digits) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // The precision of an integer is its minimum number of digits.
  const bool negative = !digits.empty() && digits[0] == '-';
  const std::size_t n = digits.size() - (negative ? 1 : 0);
  if (spec.precision > 0 && static_cast<std::size_t>(spec.precision) > n)
    digits.insert(negative ? 1 : 0, spec.precision - n, '0');
  return digits;
}

std::string FloatText(const FormatArg& a, const Spec& spec) {
  const double d = AsDouble(a);
  char buf[400];
  std::to_chars_result r{};
  switch (spec.type) {
    case 'f':
      r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, spec.precision < 0 ? 2 : spec.precision);
      break;
    case 'e':
      r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific,
                        spec.precision < 0 ? 15 : spec.precision);
      break;
    default:
      r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, spec.precision < 0 ? 15 : spec.precision);
  }
  return std::string(buf, r.ptr);
}

std::string ArgText(const FormatArg& a, const Spec& spec) {
  switch (spec.type) {
    case 'd': case 'u': case 'x': case 'X':
      return IntText(a, spec);
    case 'f': case 'g': case 'e':
      return FloatText(a, spec);
    default:
      if (auto* s = std::get_if<std::string>(&a))
        return spec.precision >= 0 ? s->substr(0, spec.precision) : *s;
      if (std::holds_alternative<double>(a)) return FloatText(a, Spec{false, -1, -1, 'g'});
      return IntText(a, Spec{false, -1, -1, 'd'});
  }
}

bool Fits(const FormatArg& a, char type) {
  switch (type) {
    case 'd': case 'u': case 'x':
      return std::holds_alternative<std::int64_t>(a) || std::holds_alternative<std::uint64_t>(a);
    case 'f': case 'g': case 'e':
      return std::holds_alternative<double>(a);
    case 's':
      return std::holds_alternative<std::string>(a);
    default:
      return false;
  }
}

[[noreturn]] void Misfit(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' does not fit its arguments");
}

int ReadNumber(std::string_view fmt, std::size_t& i) {
  int n = 0;
  while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') n = n * 10 + (fmt[i++] - '0');
  return n;
}

// Strict: see FormatArgsStrict. Lenient: a missing argument gives empty text and every
// conversion takes any argument.
std::string FormatWith(std::string_view fmt, const FormatArg* args, std::size_t count, bool strict) {
  std::string out;
  out.reserve(fmt.size() + 16 * count);
  std::size_t next = 0;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != '%' || i + 1 >= fmt.size()) {
      if (strict && fmt[i] == '%') Misfit(fmt);
      out += fmt[i];
      continue;
    }
    ++i;
    if (fmt[i] == '%') {
      out += '%';
      continue;
    }
    Spec spec;
    if (fmt[i] == '-') spec.left = true, ++i;
    if (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') spec.width = ReadNumber(fmt, i);
    if (i < fmt.size() && fmt[i] == '.') ++i, spec.precision = ReadNumber(fmt, i);
    if (i >= fmt.size()) {
      if (strict) Misfit(fmt);
      break;
    }
    spec.type = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i])));
    if (strict && (next >= count || !Fits(args[next], spec.type))) Misfit(fmt);
    std::string text = next < count ? ArgText(args[next++], spec) : std::string();
    if (spec.width > 0 && text.size() < static_cast<std::size_t>(spec.width)) {
      const std::string pad(spec.width - text.size(), ' ');
      text = spec.left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

}  // namespace

std::string FormatArgs(std::string_view fmt, const FormatArg* args, std::size_t count) {
  return FormatWith(fmt, args, count, false);
}

std::string FormatArgsStrict(std::string_view fmt, const FormatArg* args, std::size_t count) {
  return FormatWith(fmt, args, count, true);
}

}  // namespace vt
