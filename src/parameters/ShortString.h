// Texts of a fixed greatest length, as the drive's value and caption fields have them:
// a longer text is cut when assigned, never rejected.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/TextConversion.h"

namespace vt {

template <std::size_t N>
class TShortString {
 public:
  static constexpr std::size_t MaxLength = N;

  TShortString() = default;
  TShortString(std::string_view Text) : FText(Text.substr(0, N)) {}
  TShortString(const char* Text) : TShortString(std::string_view(Text)) {}
  TShortString(const AnsiString& Text) : TShortString(std::string_view(Text)) {}

  const AnsiString& str() const { return FText; }
  operator const AnsiString&() const { return FText; }
  bool empty() const { return FText.empty(); }
  std::size_t size() const { return FText.size(); }
  friend bool operator==(const TShortString& a, const TShortString& b) = default;

 private:
  AnsiString FText;
};

// A parameter's caption.
using TParCaption = TShortString<63>;
// The text value of a text parameter or text folder, as the drive stores it.
using TParameterStr = TShortString<64>;
// A shown value and its unit caption.
using TValueStr = TShortString<64>;
using TUnitStr = TShortString<31>;

// What the scaled-value getters give: the value text and the unit caption.
struct TValueRec {
  TValueStr ValueStr;
  TUnitStr UnitStr;
};

}  // namespace vt
