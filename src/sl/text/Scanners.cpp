// The scanners of SL text; see Scanners.h.
#include "sl/text/Scanners.h"

#include <array>
#include <climits>

#include "platform/Format.h"
#include "platform/NumberText.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace sl_chars {

namespace {

constexpr std::array<std::uint8_t, 256> MakeClassTable() {
  std::array<std::uint8_t, 256> t{};
  for (unsigned char c : {0, 8, 9, 10, 13, 32}) t[c] |= kWhitespace;
  for (unsigned char c : {'$', '+', '-'}) t[c] |= kNumberStart;
  for (int c = '0'; c <= '9'; ++c) t[c] |= kNumberStart | kDigit | kHexDigit | kIdNext;
  for (int c = 'A'; c <= 'F'; ++c) t[c] |= kHexDigit, t[c + 32] |= kHexDigit;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kIdFirst | kIdNext, t[c + 32] |= kIdFirst | kIdNext;
  t['_'] |= kIdFirst | kIdNext;
  t['.'] |= kIdSep;
  t[':'] |= kIdSep;
  return t;
}

}  // namespace

const std::array<std::uint8_t, 256> kClass = MakeClassTable();

}  // namespace sl_chars

namespace {

TCharSet SetOf(std::uint8_t Class) {
  TCharSet s;
  for (int c = 0; c < 256; ++c) s[c] = sl_chars::Is(static_cast<char>(c), Class);
  return s;
}

TCharSet SetOf(std::string_view Chars) {
  TCharSet s;
  for (char c : Chars) s.set(static_cast<unsigned char>(c));
  return s;
}

// The debug record of a token that began at Start and has just been read. String and
// identifier tokens count their position from the line instead.
std::unique_ptr<TElmDbgInfo> TokenInfo(TSLLookaheadStream& S, int Start, bool FromLine) {
  auto info = std::make_unique<TElmDbgInfo>();
  const int line = S.Line();
  info->SetTokPos(static_cast<std::uint32_t>(FromLine ? Start - line + 1 : Start));
  info->SetTokLength(static_cast<std::uint32_t>(S.Position() - Start));
  info->SetTokLine(static_cast<std::uint32_t>(line));
  info->SetStorageID(S.GetStorageID());
  return info;
}

// Hands a new value (count 0) to the decoder, with its position when debugging.
void Report(TDecoderInterface& D, TSLObject* Value, bool Debug, int Start, bool FromLine = false) {
  if (Debug) Value->SetDbgInfo(TokenInfo(*D.GetStream(), Start, FromLine));
  D.PushElement(Value);
}

int HexValue(char Ch) { return Ch <= '9' ? Ch - '0' : (Ch | 0x20) - 'a' + 10; }

// The text of a string so far, as error messages show it.
std::string Shortened(const AnsiString& Text) {
  constexpr std::size_t kShown = 10;
  return AnsiToUtf8(Text.size() <= kShown ? Text : Text.substr(0, kShown) + "...");
}

// Reads the next character if a token of the scanner's kind starts with it; otherwise
// gives it back, so that the scanner declines having consumed nothing.
template <class Accept>
bool Opens(TSLLookaheadStream& S, Accept accept) {
  if (accept(S.ReadChar())) return true;
  S.UnreadChar();
  return false;
}
bool Opens(TSLLookaheadStream& S, char Ch) {
  return Opens(S, [Ch](char c) { return c == Ch; });
}

// A character class as a function object, so that ReadWhile's loop inlines the test.
template <std::uint8_t Class>
constexpr auto kIn = [](char Ch) { return sl_chars::Is(Ch, Class); };

}  // namespace

std::string CharText(char Ch) { return AnsiToUtf8(std::string_view(&Ch, 1)); }

// Whitespace

TSLWhitespaceScanner::TSLWhitespaceScanner(bool AutoRelease)
    : TSLScanner(AutoRelease, SetOf(sl_chars::kWhitespace)) {}

bool TSLWhitespaceScanner::ScanStream(TDecoderInterface& D, bool) {
  TSLLookaheadStream& s = *D.GetStream();
  if (!Opens(s, IsWhitespaceChar)) return false;
  s.ReadWhile(kIn<sl_chars::kWhitespace>, nullptr);
  return true;
}

// Numbers

TSLNumberScanner::TSLNumberScanner(bool AutoRelease) : TSLScanner(AutoRelease, SetOf(sl_chars::kNumberStart)) {}

// The grammar's state machine, with its runs of digits taken whole: a sign must be
// followed by a digit, a "." may follow the integer part, and an exponent mark starts
// digits and signs in any order, which must end with a digit. Hexadecimal after "$".
bool TSLNumberScanner::ScanStream(TDecoderInterface& D, bool Debug) {
  TSLLookaheadStream& s = *D.GetStream();
  const int start = Debug ? s.Position() : 0;
  char c = s.ReadChar();
  if (!sl_chars::Is(c, sl_chars::kNumberStart)) {
    s.UnreadChar();
    return false;
  }
  FToken.assign(1, c);
  auto run = [&](auto accept) {
    const std::size_t before = FToken.size();
    s.ReadWhile(accept, &FToken);
    return FToken.size() > before;
  };
  bool isInteger = true;
  bool valid;
  if (c == '$') {
    valid = run(kIn<sl_chars::kHexDigit>);
  } else {
    valid = run(kIn<sl_chars::kDigit>) || IsDigitChar(c);
    bool more = valid && !s.IsEndOfStream();
    if (more) c = s.ReadChar();
    if (more && c == '.') {
      isInteger = false;
      FToken += c;
      run(kIn<sl_chars::kDigit>);
      more = !s.IsEndOfStream();
      if (more) c = s.ReadChar();
    }
    if (more && (c == 'E' || c == 'e')) {
      isInteger = false;
      FToken += c;
      valid = run([](char x) { return IsDigitChar(x) || x == '+' || x == '-'; }) && IsDigitChar(FToken.back());
    } else if (more) {
      s.UnreadChar();
    }
  }
  if (!valid) return false;
  if (isInteger) {
    Report(D, new TSLLongint(false, StrToInt64(FToken)), Debug, start);
  } else {
    Report(D, new TSLDouble(false, StrToFloat(FToken)), Debug, start);
  }
  return true;
}

// Strings

TSLStringScanner::TSLStringScanner(bool AutoRelease) : TSLScanner(AutoRelease, SetOf("'")) {}

bool TSLStringScanner::ScanStream(TDecoderInterface& D, bool Debug) {
  TSLLookaheadStream& s = *D.GetStream();
  const int start = Debug ? s.Position() : 0;
  if (!Opens(s, '\'')) return false;
  FToken.clear();
  auto next = [&] {
    if (s.IsEndOfStream())
      throw Exception(Format("missing AnsiString termination in AnsiString '%s'", Shortened(FToken)));
    return s.ReadChar();
  };
  for (;;) {
    s.ReadWhile([](char x) { return x != '\'' && x != '@'; }, &FToken);
    char c = next();
    if (c == '\'') break;
    c = next();
    if (c == 'l') {
      FToken += '\n';
    } else if (c == 'n') {
      FToken += '\r';
    } else if (IsHexDigitChar(c)) {
      const char low = next();
      if (!IsHexDigitChar(low))
        throw Exception(Format("illegal escape sequence in AnsiString '%s'", Shortened(FToken) + "@..."));
      FToken += static_cast<char>(HexValue(c) * 16 + HexValue(low));
    } else {
      FToken += c;  // "@'" and "@@" among them
    }
  }
  Report(D, new TSLString(false, AnsiToWide(FToken)), Debug, start, true);
  return true;
}

// Identifiers

TSLIdentScanner::TSLIdentScanner(bool AutoRelease)
    : TSLScanner(AutoRelease, SetOf(sl_chars::kIdFirst) | SetOf("/")) {}

bool TSLIdentScanner::ScanStream(TDecoderInterface& D, bool Debug) {
  TSLLookaheadStream& s = *D.GetStream();
  const int start = Debug ? s.Position() : 0;
  char c = s.ReadChar();
  const bool literal = c == '/';
  auto refuse = [&](char Ch) {
    throw Exception(Format("invalid ident AnsiCharacter '%s' after '/'", CharText(Ch)));
  };
  if (literal) c = s.ReadChar();
  if (!IsIdFirstChar(c)) {
    if (literal) refuse(c);
    s.UnreadChar();
    return false;
  }
  FToken.assign(1, c);
  for (;;) {
    s.ReadWhile(kIn<sl_chars::kIdNext>, &FToken);
    if (s.IsEndOfStream()) break;
    c = s.ReadChar();
    if (!IsIdSepChar(c)) {
      s.UnreadChar();
      break;
    }
    // A separator starts a further segment, which must begin like a name; a literal
    // name must go on (at the end of the text the read raises), an executable one ends.
    FToken += c;
    if (!literal && s.IsEndOfStream()) break;
    c = s.ReadChar();
    if (!IsIdFirstChar(c)) {
      if (literal) refuse(c);
      s.UnreadChar();
      break;
    }
    FToken += c;
  }
  Report(D, new TSLIdent(false, FToken, !literal), Debug, start, true);
  return true;
}

// Composite brackets

TSLCompositeScanner::TSLCompositeScanner(bool AutoRelease) : TSLScanner(AutoRelease, SetOf("[]")) {}

bool TSLCompositeScanner::ScanStream(TDecoderInterface& D, bool Debug) {
  TSLLookaheadStream& s = *D.GetStream();
  const int start = Debug ? s.Position() : 0;
  char c = s.ReadChar();
  if (c == ']') {
    D.EndOfComposite();
    return true;
  }
  if (c != '[') {
    s.UnreadChar();
    return false;
  }
  const char type = s.ReadChar();
  if (type < 'A' || type > 'Z') throw Exception(Format("invalid composite type '%s'", CharText(type)));
  FToken.clear();
  if (!s.IsEndOfStream()) {
    if (s.ReadChar() == ':') {
      c = s.ReadChar();
      if (!IsIdFirstChar(c)) throw Exception(Format("invalid composite ident '%s'", CharText(c)));
      FToken += c;
      s.ReadWhile(kIn<sl_chars::kIdNext>, &FToken);
    } else {
      s.UnreadChar();
    }
  }
  std::unique_ptr<TElmDbgInfo> info;
  if (Debug) {
    info = TokenInfo(s, start, false);
    info->SetTokLength(2);
  }
  D.BeginOfComposite(type, FToken, std::move(info));
  return true;
}

// Booleans

TSLBooleanScanner::TSLBooleanScanner(bool AutoRelease) : TSLScanner(AutoRelease, SetOf("#")) {}

bool TSLBooleanScanner::ScanStream(TDecoderInterface& D, bool Debug) {
  TSLLookaheadStream& s = *D.GetStream();
  const int start = Debug ? s.Position() : 0;
  if (!Opens(s, '#')) return false;
  const char c = s.ReadChar();
  if (c != '0' && c != '1') throw Exception(Format("invalid boolean '#%s'", CharText(c)));
  Report(D, new TSLBoolean(false, c == '1'), Debug, start);
  return true;
}

// References

TSLPointerScanner::TSLPointerScanner(bool AutoRelease) : TSLScanner(AutoRelease, SetOf("@")) {}

bool TSLPointerScanner::ScanStream(TDecoderInterface& D, bool) {
  TSLLookaheadStream& s = *D.GetStream();
  if (!Opens(s, '@')) return false;
  char c = s.ReadChar();
  if (!IsDigitChar(c) && !IsIdFirstChar(c)) throw Exception(Format("invalid pointer '%s'", "@" + CharText(c)));
  FToken.assign(1, c);
  if (!IsDigitChar(c)) {
    s.ReadWhile(kIn<sl_chars::kIdNext>, &FToken);
    D.ResolvePointer(FToken);
    return true;
  }
  s.ReadWhile(kIn<sl_chars::kDigit>, &FToken);
  // Beyond the int range the number stays at INT_MAX, which no text reaches.
  long long index = 0;
  for (char digit : FToken) index = std::min<long long>(index * 10 + (digit - '0'), INT_MAX);
  D.ResolvePointer(static_cast<int>(index));
  return true;
}

// Comments

TSLCommentScanner::TSLCommentScanner(bool AutoRelease) : TSLScanner(AutoRelease, SetOf("%")) {}

bool TSLCommentScanner::ScanStream(TDecoderInterface& D, bool) {
  TSLLookaheadStream& s = *D.GetStream();
  if (!Opens(s, '%')) return false;
  // A comment ends at the line end, a CR or (in files written on this system) an LF;
  // otherwise a file with LF line ends would be one comment to its end.
  s.ReadWhile([](char x) { return x != '\r' && x != '\n'; }, nullptr);
  if (!s.IsEndOfStream()) s.ReadChar();  // the line end
  return true;
}

// Constants

TSLConstantScanner::TSLConstantScanner(bool AutoRelease) : TSLScanner(AutoRelease, SetOf("*")) {}

bool TSLConstantScanner::ScanStream(TDecoderInterface& D, bool) {
  TSLLookaheadStream& s = *D.GetStream();
  if (!Opens(s, '*')) return false;
  FToken.clear();
  while (!s.IsEndOfStream()) {
    const char c = s.ReadChar();
    if (IsIdNextChar(c) || c == '\r') FToken += c;
    if (c == '\t' || c == '\r' || c == ' ') break;
    if (c == ']') {
      s.UnreadChar();
      break;
    }
  }
  D.ResolveConstant(FToken);
  return true;
}

}  // namespace vt
