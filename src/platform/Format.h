// Message formatting with the placeholders of the system's texts: %s, %d, %u, %x
// (upper-case hex digits), %f, %g, %e, with optional "-", width and ".precision"
// ("[%.4x] %s"). Never locale dependent. Wide text arguments are converted to UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace vt {

using FormatArg = std::variant<std::int64_t, std::uint64_t, double, std::string>;

std::string FormatArgs(std::string_view fmt, const FormatArg* args, std::size_t count);
// The same for formats that come with data (translated texts): a placeholder without its
// argument, of another kind than its argument (%d, %u, %x take integers, %f, %g, %e
// floating-point numbers, %s texts) or unknown raises EConvertError.
std::string FormatArgsStrict(std::string_view fmt, const FormatArg* args, std::size_t count);
std::string WideArgToUtf8(std::u16string_view s);

template <class T>
FormatArg ToFormatArg(const T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return std::int64_t{v};
  } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
    return std::int64_t{v};
  } else if constexpr (std::is_integral_v<T>) {
    return std::uint64_t{v};
  } else if constexpr (std::is_enum_v<T>) {
    return static_cast<std::int64_t>(v);
  } else if constexpr (std::is_floating_point_v<T>) {
    return double{v};
  } else if constexpr (std::is_convertible_v<const T&, std::u16string_view>) {
    return WideArgToUtf8(std::u16string_view(v));
  } else {
    return std::string(std::string_view(v));
  }
}

template <class... A>
std::string Format(std::string_view fmt, const A&... args) {
  const FormatArg list[] = {FormatArg{std::int64_t{0}}, ToFormatArg(args)...};
  return FormatArgs(fmt, list + 1, sizeof...(A));
}

}  // namespace vt
