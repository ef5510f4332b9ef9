// The SL text encoder; see Encoder.h.
#include "sl/text/Encoder.h"

#include <charconv>
#include <cmath>

#include "platform/Format.h"
#include "platform/NumberText.h"
#include "sl/SLLimits.h"
#include "sl/text/Scanners.h"

namespace vt {

namespace {

// Below this magnitude the fixed format would keep too few significant digits.
constexpr double kSmallestFixed = 1e-5;
// From here on the integer part alone has more than 17 digits.
constexpr double kLargestFixed = 1e17;
constexpr int kMaxDecimals = 15;
constexpr int kSignificantDigits = 17;

int IntegerDigits(double Magnitude) {
  int digits = 1;
  for (auto v = static_cast<std::uint64_t>(Magnitude); v >= 10; v /= 10) ++digits;
  return digits;
}

void AppendDouble(AnsiString& Out, double Value) {
  const double magnitude = std::fabs(Value);
  if (Value == 0) {
    Out += "0.0";
    return;
  }
  if (magnitude < kSmallestFixed || magnitude >= kLargestFixed) {
    Out += FloatToStr(Value);
    return;
  }
  const int decimals =
      magnitude < 1 ? kMaxDecimals : std::min(kMaxDecimals, kSignificantDigits - IntegerDigits(magnitude));
  char buf[64];
  char* end = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::fixed, decimals).ptr;
  if (decimals == 0) {
    *end++ = '.';
    *end++ = '0';
  } else {
    while (end[-1] == '0' && end[-2] != '.') --end;
  }
  Out.append(buf, end);
}

// The bytes a string escapes: LF, CR, "'" and "@".
constexpr bool IsEscaped(char c) { return c == '\n' || c == '\r' || c == '\'' || c == '@'; }

}  // namespace

TSLStreamEncoder::TSLStreamEncoder(bool AutoRelease) : TSLObject(AutoRelease) {}

void TSLStreamEncoder::WriteObject(TSLCharStream* Stream, TSLObject* Obj) {
  CurrentStream = Stream;
  CompList.assign(1, nullptr);
  FOut.clear();
  FDepth = 0;
  try {
    EncodeObject(Obj);
  } catch (...) {
    CompList.clear();
    Flush();
    throw;
  }
  CompList.clear();
  Flush();
}

void TSLStreamEncoder::Flush() {
  if (FOut.empty()) return;
  CurrentStream->WriteBlock(FOut.data(), FOut.size());
  FOut.clear();
}

void TSLStreamEncoder::EndToken() {
  FOut += ' ';
  if (FOut.size() >= static_cast<std::size_t>(kEncoderChunkSize)) Flush();
}

void TSLStreamEncoder::EncodeLongint(std::int64_t Value) {
  char buf[24];
  FOut.append(buf, std::to_chars(buf, buf + sizeof buf, Value).ptr);
  EndToken();
}

void TSLStreamEncoder::EncodeDouble(double Value) {
  if (!std::isfinite(Value))
    throw Exception(Format("%s.EncodeDouble: %s is no number SL text can hold", ClassName(), FloatToStr(Value)));
  AppendDouble(FOut, Value);
  EndToken();
}

void TSLStreamEncoder::EncodeString(const AnsiString& Value) {
  FOut += '\'';
  std::size_t run = 0;  // start of the bytes not yet copied
  for (std::size_t i = 0; i < Value.size(); ++i) {
    const char c = Value[i];
    if (!IsEscaped(c)) continue;
    FOut.append(Value, run, i - run);
    FOut += '@';
    FOut += c == '\n' ? 'l' : c == '\r' ? 'n' : c;
    run = i + 1;
  }
  FOut.append(Value, run);
  FOut += '\'';
  EndToken();
}

void TSLStreamEncoder::EncodeBoolean(bool Value) {
  FOut += Value ? "#1" : "#0";
  EndToken();
}

void TSLStreamEncoder::EncodeIdent(const AnsiString& Name, bool Executable) {
  CheckIdent(Name);
  if (!Executable) FOut += '/';
  FOut += Name;
  EndToken();
}

void TSLStreamEncoder::EncodePointer(int Index) {
  FOut += '@';
  char buf[16];
  FOut.append(buf, std::to_chars(buf, buf + sizeof buf, Index).ptr);
  EndToken();
}

void TSLStreamEncoder::EncodeBeginOfComposite(char CompType, const AnsiString& Ident) {
  FOut += '[';
  FOut += CompType;
  if (!Ident.empty()) {
    CheckIdent(Ident);
    FOut += ':';
    FOut += Ident;
  }
  EndToken();
}

void TSLStreamEncoder::EncodeEndOfComposite() {
  FOut += ']';
  EndToken();
}

void TSLStreamEncoder::EncodeObject(TSLObject* Obj) {
  if (!Obj) {
    EncodePointer(0);
  } else if (TSLComposite* composite = Obj->AsComposite()) {
    EncodeComposite(composite);
  } else {
    Obj->Encode(EncoderInterface);
  }
}

void TSLStreamEncoder::EncodeComposite(TSLComposite* Composite) {
  const int n = Composite->CompositeHandle;
  if (n > 0 && n < static_cast<int>(CompList.size()) && CompList[n] == Composite) {
    EncodePointer(n);
    return;
  }
  // Values built by code may nest without limit; the recursion below may not.
  if (FDepth >= kMaxCompositeDepth)
    throw Exception(Format("%s.EncodeComposite: composites nested deeper than %d levels", ClassName(),
                           kMaxCompositeDepth));
  Composite->CompositeHandle = static_cast<std::int32_t>(CompList.size());
  CompList.push_back(Composite);
  EncodeBeginOfComposite(Composite->GetCompositeType(), Composite->Ident());
  ++FDepth;
  Composite->EncodeCompositeContent(EncoderInterface);
  --FDepth;
  EncodeEndOfComposite();
}

void TSLStreamEncoder::CheckIdent(std::string_view Ident) const {
  bool expectStart = true;
  bool ok = !Ident.empty();
  for (std::size_t i = 0; ok && i < Ident.size(); ++i) {
    const char c = Ident[i];
    if (expectStart) {
      ok = IsIdFirstChar(c);
      expectStart = false;
    } else if (IsIdSepChar(c)) {
      expectStart = true;
    } else {
      ok = IsIdNextChar(c);
    }
  }
  if (!ok) throw Exception(Format("%s.CheckIdent: illegal ident '%s'", ClassName(), AnsiToUtf8(Ident)));
}

}  // namespace vt
