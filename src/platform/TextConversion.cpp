// Windows-1252, UTF-16 and UTF-8 conversions; see TextConversion.h.
#include "platform/TextConversion.h"

#include <array>

namespace vt {

namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252; the rest equal their byte value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char WideCharToAnsi(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(WideString& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Decodes one UTF-8 sequence at s[i]; advances i; U+FFFD for anything malformed.
char32_t NextUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0xFFFD;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

}  // namespace

char16_t AnsiCharToWide(unsigned char c) {
  return (c >= 0x80 && c < 0xA0) ? kHighControls[c - 0x80] : static_cast<char16_t>(c);
}

WideString AnsiToWide(std::string_view s) {
  WideString out;
  out.resize(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = AnsiCharToWide(static_cast<unsigned char>(s[i]));
  return out;
}

AnsiString WideToAnsi(std::u16string_view s) {
  AnsiString out;
  out.resize(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = WideCharToAnsi(s[i]);
  return out;
}

std::string WideToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

WideString Utf8ToWide(std::string_view s) {
  WideString out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) AppendUtf16(out, NextUtf8(s, i));
  return out;
}

std::string AnsiToUtf8(std::string_view s) { return WideToUtf8(AnsiToWide(s)); }
AnsiString Utf8ToAnsi(std::string_view s) { return WideToAnsi(Utf8ToWide(s)); }

QString ToQString(std::u16string_view s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

WideString FromQString(const QString& s) {
  return WideString(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

char16_t UpCaseWideChar(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  const char32_t up = QChar::toUpper(static_cast<char32_t>(c));
  return up < 0x10000 ? static_cast<char16_t>(up) : c;
}

WideString UpperCaseWide(std::u16string_view s) {
  WideString out(s);
  for (auto& c : out) c = UpCaseWideChar(c);
  return out;
}

namespace {

// UpCaseWideChar with the ASCII case inline: names are nearly always ASCII.
inline char16_t UpCase(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return UpCaseWideChar(c);
}

}  // namespace

int CompareTextWide(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const char16_t x = UpCase(a[i]);
    const char16_t y = UpCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameTextWide(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareTextWide(a, b) == 0;
}

bool SameTextWideAnsi(std::u16string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpCase(a[i]) != UpCase(AnsiCharToWide(static_cast<unsigned char>(b[i])))) return false;
  return true;
}

// FNV-1a over the upper-case form, so that case variants and both text kinds agree.
std::size_t TWideTextHash::operator()(std::u16string_view s) const {
  std::size_t h = 1469598103934665603ULL;
  for (char16_t c : s) h = (h ^ UpCase(c)) * 1099511628211ULL;
  return h;
}

std::size_t TWideTextHash::operator()(std::string_view s) const {
  std::size_t h = 1469598103934665603ULL;
  for (char c : s) h = (h ^ UpCase(AnsiCharToWide(static_cast<unsigned char>(c)))) * 1099511628211ULL;
  return h;
}

char UpCaseAnsiChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

AnsiString UpperCaseAnsi(std::string_view s) {
  AnsiString out(s);
  for (auto& c : out) c = UpCaseAnsiChar(c);
  return out;
}

AnsiString LowerCaseAnsi(std::string_view s) {
  AnsiString out(s);
  for (auto& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

bool SameTextAnsi(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpCaseAnsiChar(a[i]) != UpCaseAnsiChar(b[i])) return false;
  return true;
}

}  // namespace vt
