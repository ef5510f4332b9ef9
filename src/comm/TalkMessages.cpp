// Frame fields and message parameters; see TalkMessages.h.
#include "comm/TalkMessages.h"

#include "comm/CommLimits.h"
#include "platform/Format.h"
#include "runtime/Conversions.h"
#include "runtime/MessageCoding.h"

namespace vt {

bool ReplyCarriesFrame(std::uint8_t Status) {
  return Status < StatusErrorFrom || Status == DriveStatusErrorWithData;
}

void FrmPutInt(std::int32_t Value, int Size, std::string& Frame) {
  auto v = static_cast<std::uint32_t>(Value);
  for (int i = 0; i < Size; ++i) {
    Frame += static_cast<char>(v & 0xFF);
    v >>= 8;
  }
}

std::int32_t FrmGetInt(const std::string& Frame, int& Pos, int Size) {
  if (Size <= 0) return 0;
  std::uint32_t v = 0;
  for (int p = Pos + Size - 1; p >= Pos; --p) {
    const bool inside = p >= 1 && static_cast<std::size_t>(p) <= Frame.size();
    v = v << 8 | (inside ? static_cast<std::uint8_t>(Frame[p - 1]) : 0u);
  }
  Pos += Size;
  return static_cast<std::int32_t>(v);
}

AnsiString IntToHexText(std::int32_t Value) { return Format("%x", static_cast<std::uint32_t>(Value)); }

void MsgPutInt(std::int32_t Value, TMessageWriter& Writer) { Writer.PutParameter(IntToHexText(Value)); }

std::int32_t MsgGetInt(TMessageReader& Reader) { return static_cast<std::int32_t>(Hex32ToInt(Reader.GetParameter())); }

void MsgPutStr(const std::string& Str, TMessageWriter& Writer) {
  MsgPutInt(static_cast<std::int32_t>(Str.size()), Writer);
  for (unsigned char c : Str) MsgPutInt(c, Writer);
}

std::string MsgGetStr(TMessageReader& Reader) {
  const auto count = static_cast<std::uint32_t>(MsgGetInt(Reader));
  std::string s;
  for (std::uint32_t i = 0; i < count; ++i) {
    const AnsiString p = Reader.GetParameter();
    if (p.empty()) break;
    s += static_cast<char>(Hex32ToInt(p));
  }
  return s;
}

}  // namespace vt
