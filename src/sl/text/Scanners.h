// The lexical side of SL text: its character classes and the nine scanners, each of
// which recognises one kind of token at the stream's next character and reports it to
// the decoder. The decoder runs them in a fixed chain for every token.
#pragma once

#include <array>

#include "sl/values/Object.h"

namespace vt {

// Character classes of SL text. Bytes above 127 belong to none of them.
namespace sl_chars {
enum : std::uint8_t { kWhitespace = 1, kNumberStart = 2, kDigit = 4, kHexDigit = 8, kIdFirst = 16, kIdNext = 32, kIdSep = 64 };
extern const std::array<std::uint8_t, 256> kClass;
inline bool Is(char Ch, std::uint8_t Class) { return kClass[static_cast<unsigned char>(Ch)] & Class; }
}  // namespace sl_chars

inline bool IsWhitespaceChar(char Ch) { return sl_chars::Is(Ch, sl_chars::kWhitespace); }
inline bool IsDigitChar(char Ch) { return sl_chars::Is(Ch, sl_chars::kDigit); }
inline bool IsHexDigitChar(char Ch) { return sl_chars::Is(Ch, sl_chars::kHexDigit); }
inline bool IsIdFirstChar(char Ch) { return sl_chars::Is(Ch, sl_chars::kIdFirst); }
inline bool IsIdNextChar(char Ch) { return sl_chars::Is(Ch, sl_chars::kIdNext); }
inline bool IsIdSepChar(char Ch) { return sl_chars::Is(Ch, sl_chars::kIdSep); }

// One character of SL text, as error messages show it (UTF-8).
std::string CharText(char Ch);

class TSLScanner : public TSLObject {
 public:
  // FirstChars: the characters a token of this kind can start with.
  TSLScanner(bool AutoRelease, const TCharSet& FirstChars) : TSLObject(AutoRelease), FFirstChars(FirstChars) {}
  const char* ClassName() const override { return "TSLScanner"; }

  // Reads and reports one token if one of this kind starts at the decoder's stream;
  // otherwise gives the character back and answers false. With Debug, the values it
  // creates carry their token's position.
  virtual bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) = 0;

  // A scanner asked about any other character would only read it and give it back,
  // so the decoder does not ask.
  bool MayStartWith(char Ch) const { return FFirstChars[static_cast<unsigned char>(Ch)]; }

 protected:
  // Token text, reused from token to token so that reading allocates nothing for it.
  AnsiString FToken;

 private:
  TCharSet FFirstChars;
};

class TSLWhitespaceScanner : public TSLScanner {
 public:
  explicit TSLWhitespaceScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLWhitespaceScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

// A text that starts like a number but does not complete ("+x", "1e") is dropped as
// far as it was read, and the chain goes on with the next scanner.
class TSLNumberScanner : public TSLScanner {
 public:
  explicit TSLNumberScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLNumberScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

class TSLStringScanner : public TSLScanner {
 public:
  explicit TSLStringScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLStringScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

class TSLIdentScanner : public TSLScanner {
 public:
  explicit TSLIdentScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLIdentScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

class TSLCompositeScanner : public TSLScanner {
 public:
  explicit TSLCompositeScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLCompositeScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

class TSLBooleanScanner : public TSLScanner {
 public:
  explicit TSLBooleanScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLBooleanScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

class TSLPointerScanner : public TSLScanner {
 public:
  explicit TSLPointerScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLPointerScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

class TSLCommentScanner : public TSLScanner {
 public:
  explicit TSLCommentScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLCommentScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

// "*" and a name: ident characters and CR make the name, tab, CR and blank end it, "]"
// ends it and stays, anything else is passed over ("*A.B" names AB).
class TSLConstantScanner : public TSLScanner {
 public:
  explicit TSLConstantScanner(bool AutoRelease);
  const char* ClassName() const override { return "TSLConstantScanner"; }
  bool ScanStream(TDecoderInterface& ScannerInterface, bool Debug) override;
};

}  // namespace vt
