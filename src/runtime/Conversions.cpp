// Telegram, number and address conversions; see Conversions.h.
#include "runtime/Conversions.h"

#include <arpa/inet.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/NumberText.h"

namespace vt {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, std::uint8_t b) {
  out += kHexDigits[b >> 4];
  out += kHexDigits[b & 0x0F];
}

// Hex text of at most MaxLen characters (blanks count but are skipped); 0 for anything else.
std::uint32_t HexValue(std::string_view Text, std::size_t MaxLen) {
  if (Text.empty() || Text.size() > MaxLen) return 0;
  std::uint32_t v = 0;
  for (char c : Text) {
    if (c == ' ') continue;
    const int d = HexDigitValue(c);
    if (d < 0) return 0;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  return v;
}

// Sum of powers of two for every '1'; bits beyond 63 wrap out of the 64-bit result.
std::uint64_t BinaryBits(std::string_view Text) {
  std::uint64_t v = 0;
  const std::size_t n = Text.size();
  for (std::size_t i = 0; i < n; ++i)
    if (Text[i] == '1' && n - 1 - i < 64) v |= std::uint64_t{1} << (n - 1 - i);
  return v;
}

// Only "digits" or "-digits": the decimal numbers the text functions accept.
std::optional<std::int64_t> StrictDecimal(std::string_view Text) {
  const std::size_t start = (!Text.empty() && Text[0] == '-') ? 1 : 0;
  if (Text.size() == start || Text.size() - start > 18) return std::nullopt;
  for (std::size_t i = start; i < Text.size(); ++i)
    if (Text[i] < '0' || Text[i] > '9') return std::nullopt;
  return TryStrToInt64(Text);
}

std::string DottedAddress(std::uint32_t Address, int PadWidth) {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (!out.empty()) out += '.';
    out += AdjustString(std::to_string((Address >> shift) & 0xFF), PadWidth, '0');
  }
  return out;
}

}  // namespace

// ---- Telegram data ----

std::int64_t DataToValue(std::string_view Data, int Count) {
  const std::size_t n = std::min<std::size_t>({static_cast<std::size_t>(std::max(Count, 0)), Data.size(), 8});
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(Data[i])) << (8 * i);
  return static_cast<std::int64_t>(v);
}

std::string ValueToData(std::int64_t Value, int Count) {
  std::string out;
  const auto v = static_cast<std::uint64_t>(Value);
  for (int i = 0; i < Count; ++i) out += static_cast<char>(i < 8 ? (v >> (8 * i)) & 0xFF : 0);
  return out;
}

std::string SwapData(std::string_view Data) { return std::string(Data.rbegin(), Data.rend()); }

// ---- Binary text ----

std::string IntToBinary(std::int64_t Value, int Count) {
  auto v = static_cast<std::uint64_t>(Value);
  if (Count == 1 || Count == 2 || Count == 4) v &= (std::uint64_t{1} << (8 * Count)) - 1;
  std::string out;
  for (int bit = 8 * Count - 1; bit >= 0; --bit) out += (bit < 64 && ((v >> bit) & 1)) ? '1' : '0';
  return out;
}

std::int64_t BinaryToInt(std::string_view Text) { return static_cast<std::int64_t>(BinaryBits(Text)); }
std::uint64_t BinaryToUInt(std::string_view Text) { return BinaryBits(Text); }

// ---- Hexadecimal ----

std::uint16_t HexToInt(std::string_view Text) { return static_cast<std::uint16_t>(HexValue(Text, 4)); }
std::uint32_t Hex32ToInt(std::string_view Text) { return HexValue(Text, 8); }

std::string FloatToHex(float Value) {
  const auto bits = std::bit_cast<std::uint32_t>(Value);
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) AppendHexByte(out, static_cast<std::uint8_t>(bits >> shift));
  return out;
}

std::string BufToStr(std::string_view HexText) {
  constexpr std::size_t kMaxBytes = 255;
  std::string out;
  std::string run;
  auto flush = [&] {
    if (run.empty()) return;
    const std::string_view last = std::string_view(run).substr(run.size() >= 2 ? run.size() - 2 : 0);
    if (out.size() < kMaxBytes) out += static_cast<char>(HexValue(last, 2));
    run.clear();
  };
  for (char c : HexText) {
    if (HexDigitValue(c) >= 0) {
      run += c;
    } else {
      flush();
    }
  }
  flush();
  return out;
}

std::string StrToBuf(std::string_view Bytes) {
  std::string out;
  for (char b : Bytes) {
    AppendHexByte(out, static_cast<std::uint8_t>(b));
    out += ' ';
  }
  return out;
}

// ---- Bit casts ----

float IntToFloatValue(std::int32_t Value) { return std::bit_cast<float>(Value); }
double Float64inInt_to_Double(std::int64_t Value) { return std::bit_cast<double>(Value); }
std::int64_t Double_to_Float64inInt(double Value) { return std::bit_cast<std::int64_t>(Value); }

std::uint64_t DoubleToUint64(double Value) {
  constexpr double kTwo63 = 9223372036854775808.0;
  constexpr double kTwo64 = 18446744073709551616.0;
  if (std::isnan(Value) || Value >= kTwo64) return ~std::uint64_t{0};
  if (Value <= 0) return 0;
  // nearbyint rounds half to even in the default rounding mode.
  if (Value > kTwo63) return (std::uint64_t{1} << 63) + static_cast<std::uint64_t>(std::nearbyint(Value - kTwo63));
  return static_cast<std::uint64_t>(std::nearbyint(Value));
}

// ---- Decimal text ----

std::string FillwithZeros(std::int32_t Value, int Width) { return AdjustString(std::to_string(Value), Width, '0'); }

std::string AdjustString(std::string_view Text, int Width, char Fill) {
  std::string out(Text);
  if (static_cast<int>(out.size()) < Width) out.insert(0, Width - out.size(), Fill);
  return out;
}

std::string IntTo35(std::string_view DecimalText) {
  static constexpr char kDigits35[] = "0123456789ABCDEFGHIJKLMNPQRSTUVWXYZ";  // no 'O'
  const auto v = StrictDecimal(DecimalText);
  if (!v || *v < 0 || *v > INT32_MAX) return {};
  std::int64_t rest = *v;
  std::string out;
  do {
    out.insert(out.begin(), kDigits35[rest % 35]);
    rest /= 35;
  } while (rest != 0);
  return out;
}

// ---- Addresses ----

std::string IntToIPStr(std::uint32_t Address) { return DottedAddress(Address, 0); }
std::string IPAddrToString(std::uint32_t Address) { return IntToIPStr(Address); }
std::string AdjustIntToIPStr(std::uint32_t Address) { return DottedAddress(Address, 3); }

std::uint32_t IPStrToInt(std::string_view Text) {
  // Parts above 255 would spill into the neighbouring byte: refused, like a fifth part.
  std::uint32_t sum = 0;
  int shift = 24;
  std::string_view rest = Text;
  while (true) {
    const std::size_t dot = rest.find('.');
    const std::int64_t part = StrToInt64(rest.substr(0, dot));
    if (part < 0 || part > 255 || shift < 0)
      throw EConvertError(Format("'%s' is not a valid IPv4 address", Text));
    if (dot == std::string_view::npos) return sum + static_cast<std::uint32_t>(part);
    sum += static_cast<std::uint32_t>(part) << shift;
    shift -= 8;
    rest.remove_prefix(dot + 1);
  }
}

std::string Int64ToIP_PortStr(std::uint64_t AddressAndPort) {
  return IntToIPStr(static_cast<std::uint32_t>(AddressAndPort >> 16)) + ':' +
         std::to_string(AddressAndPort & 0xFFFF);
}

std::string IntToMACIDStr(std::uint64_t Mac) {
  if (Mac == 0) return {};
  std::string out;
  for (int shift = 40; shift >= 0; shift -= 8) {
    if (!out.empty()) out += ':';
    AppendHexByte(out, static_cast<std::uint8_t>(Mac >> shift));
  }
  return out;
}

std::string ZidirirIPv6(std::string_view Text) {
  if (Text.find(':') == std::string_view::npos) return std::string(Text);
  // The zone names the local interface, not the peer: one address, one key.
  const std::string address(Text.substr(0, Text.find('%')));
  in6_addr parsed{};
  if (inet_pton(AF_INET6, address.c_str(), &parsed) != 1) return std::string(Text);
  std::string out;
  for (int group = 0; group < 8; ++group) {
    const unsigned value = parsed.s6_addr[2 * group] << 8 | parsed.s6_addr[2 * group + 1];
    char buf[8];
    std::snprintf(buf, sizeof buf, "%X", value);
    if (group) out += ':';
    out += buf;
  }
  return out;
}

std::string GetTalkErrorMessage(int Code) {
  switch (Code) {
    case 0xB2:
      return "Time out: No response from drive";
    case 0xB3:
      return "Another instance is already logged into the drive!";
    default:
      return "Talk error: " + std::to_string(Code);
  }
}

WideString StringWithoutAnd(std::u16string_view Text) {
  WideString out;
  for (char16_t c : Text)
    if (c != u'&') out += c;
  return out;
}

}  // namespace vt
