// The two text kinds of the system and the one place that converts between them:
// 8-bit text (std::string, Windows-1252, the "ANSI code page" of the data files and
// telegrams) and wide text (std::u16string, UTF-16), plus UTF-8 and QString at the edges.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace vt {

using AnsiString = std::string;
using WideString = std::u16string;

// Windows-1252 <-> UTF-16. The five bytes the code page leaves undefined map to the
// control characters of the same value, so every byte string survives a round trip;
// characters outside the code page become '?'.
WideString AnsiToWide(std::string_view s);
AnsiString WideToAnsi(std::u16string_view s);
char16_t AnsiCharToWide(unsigned char c);

// UTF-8 <-> UTF-16 (invalid sequences become U+FFFD) and Windows-1252 <-> UTF-8.
std::string WideToUtf8(std::u16string_view s);
WideString Utf8ToWide(std::string_view s);
std::string AnsiToUtf8(std::string_view s);
AnsiString Utf8ToAnsi(std::string_view s);

QString ToQString(std::u16string_view s);
WideString FromQString(const QString& s);

// Case-insensitive comparison of wide text (names in named collections, file names):
// compares the upper-case forms, character by character.
char16_t UpCaseWideChar(char16_t c);
WideString UpperCaseWide(std::u16string_view s);
int CompareTextWide(std::u16string_view a, std::u16string_view b);
bool SameTextWide(std::u16string_view a, std::u16string_view b);

// A wide name equals an 8-bit name (Windows-1252) without regard to case.
bool SameTextWideAnsi(std::u16string_view a, std::string_view b);

// Hash and equality of wide names without regard to case, for unordered containers.
// Transparent: look-ups take wide or 8-bit string views without a conversion or copy,
// and both kinds of the same name hash alike.
struct TWideTextHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view s) const;
  std::size_t operator()(std::string_view s) const;
};
struct TWideTextEqual {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const { return SameTextWide(a, b); }
  bool operator()(std::u16string_view a, std::string_view b) const { return SameTextWideAnsi(a, b); }
  bool operator()(std::string_view a, std::u16string_view b) const { return SameTextWideAnsi(b, a); }
};
// Order of wide names without regard to case, for sorted containers; transparent.
struct TWideTextLess {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const { return CompareTextWide(a, b) < 0; }
};

// ASCII-only case rules of 8-bit text (identifiers, option names, keywords).
char UpCaseAnsiChar(char c);
AnsiString UpperCaseAnsi(std::string_view s);
AnsiString LowerCaseAnsi(std::string_view s);
bool SameTextAnsi(std::string_view a, std::string_view b);

}  // namespace vt
