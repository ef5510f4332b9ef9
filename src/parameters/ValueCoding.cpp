// Value bytes and raw texts; see ValueCoding.h.
#include "parameters/ValueCoding.h"

#include <string>

#include "platform/Format.h"
#include "runtime/Conversions.h"

namespace vt {

bool DecodeLittleEndian(std::string_view Data, int Size, std::uint64_t& Value) {
  if (Size < 0 || Data.size() < static_cast<std::size_t>(Size)) return false;
  Value = static_cast<std::uint64_t>(DataToValue(Data, Size));
  return true;
}

AnsiString EncodeLittleEndian(std::uint64_t Value, int Size) {
  return ValueToData(static_cast<std::int64_t>(Value), Size);
}

AnsiString CutAtNul(std::string_view Data) { return AnsiString(Data.substr(0, Data.find('\0'))); }

AnsiString HexValueText(std::uint64_t Value, int Digits) {
  const std::string digits = std::to_string(Digits);
  return Format("%" + digits + "." + digits + "x", Value) + "h";
}

AnsiString RawValueText(std::int64_t Value, std::uint64_t Pattern, int Digits, const AnsiString& Mode) {
  if (Mode == "HEX") return HexValueText(Pattern, Digits);
  if (Mode == "DEC") return Format("%d", Value);
  return {};
}

}  // namespace vt
