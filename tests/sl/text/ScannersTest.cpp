#include <gtest/gtest.h>

#include "SLTextFixture.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class Scanners : public SLTextTest {};

// Number texts in both directions: what a token reads as, and how the value is written.
TEST_F(Scanners, NumberTexts) {
  struct {
    const char* text;
    bool isDouble;
    double value;
    const char* written;
  } cases[] = {
      {"-5", false, -5, "-5 "},
      {"+5", false, 5, "5 "},
      {"$ff", false, 255, "255 "},
      {"$FF", false, 255, "255 "},
      {"0", false, 0, "0 "},
      {"9223372036854775807", false, 9223372036854775807.0, "9223372036854775807 "},
      {"5.", true, 5, "5.0 "},
      {"2.0", true, 2, "2.0 "},
      {"0.5e-3", true, 0.0005, "0.0005 "},
      {"1e5", true, 1e5, "100000.0 "},
      {"1.5E-3", true, 0.0015, "0.0015 "},
      {"1E20", true, 1e20, "1E20 "},
      {"-1E20", true, -1e20, "-1E20 "},
      {"0.1", true, 0.1, "0.1 "},
      {"0.333333333333333333", true, 1.0 / 3, "0.333333333333333 "},
      {"1e+5", true, 1e5, "100000.0 "},
      {"1e-5", true, 1e-5, "0.00001 "},
      {"2.5e-7", true, 2.5e-7, "2.5E-7 "},
  };
  for (const auto& c : cases) {
    TSLObject* v = Decode(c.text);
    if (c.isDouble) {
      ASSERT_EQ(std::string(v->ClassName()), "TSLDouble") << c.text;
      EXPECT_DOUBLE_EQ(static_cast<TSLDouble*>(v)->GetDoubleValue(), c.value) << c.text;
    } else {
      ASSERT_EQ(std::string(v->ClassName()), "TSLLongint") << c.text;
      EXPECT_EQ(static_cast<TSLLongint*>(v)->GetDoubleValue(), c.value) << c.text;
    }
    EXPECT_EQ(Encode(v), c.written) << c.text;
  }
  EXPECT_EQ(CheckedCast<TSLLongint>(Decode("$FFFFFFFFFFFFFFFF"))->GetLongintValue(), -1);
}

// Tokens that end where the grammar ends them, without blanks between.
TEST_F(Scanners, TokensSeparateThemselves) {
  EXPECT_EQ(Encode(Decode("[A1 2]")), "[A 1 2 ] ");
  EXPECT_EQ(Encode(Decode("[A 12abc]")), "[A 12 abc ] ");
  EXPECT_EQ(Encode(Decode("[A/a/b]")), "[A /a /b ] ");
  EXPECT_EQ(Encode(Decode("[A 1 2]")), "[A 1 2 ] ");
  EXPECT_EQ(Encode(Decode("[A'x'#1@0]")), "[A 'x' #1 @0 ] ");
  // An incomplete number is dropped as far as it was read and the chain goes on.
  EXPECT_EQ(Encode(Decode("[A +x 1ex]")), "[A x x ] ");
  // LF, backspace and NUL are whitespace too.
  EXPECT_EQ(Encode(Decode(std::string("[A\n1\t\x08\r2\0]", 11))), "[A 1 2 ] ");
}

TEST_F(Scanners, Strings) {
  struct {
    const char* text;
    std::u16string value;
  } cases[] = {
      {"'it@'s'", u"it's"},
      {"'a@nb'", u"a\rb"},
      {"'a@lb'", u"a\nb"},
      {"'@41@4a@4A'", u"AJJ"},
      {"'@@x@zy'", u"@xzy"},
      {"'two\r\nlines\tand tab'", u"two\r\nlines\tand tab"},
      {"'\x80\xE9'", u"\u20AC\u00E9"},
      {"''", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CheckedCast<TSLString>(Decode(c.text))->StringValue(), c.value) << c.text;
}

TEST_F(Scanners, Identifiers) {
  auto* lit = CheckedCast<TSLIdent>(Decode("/a.b"));
  EXPECT_EQ(lit->IdentValue(), "a.b");
  EXPECT_FALSE(lit->GetExecutable());
  auto* exe = CheckedCast<TSLIdent>(Decode("ns:name"));
  EXPECT_EQ(exe->IdentValue(), "ns:name");
  EXPECT_TRUE(exe->GetExecutable());
  // A separator not followed by a name ends an executable identifier.
  auto* arr = CheckedCast<TSLArray>(Decode("[A a.]"));
  EXPECT_EQ(CheckedCast<TSLIdent>(arr->GetObjAtIndex(0))->IdentValue(), "a.");
  EXPECT_EQ(Encode(Decode("[A a.9]")), "[A a. 9 ] ");
}

TEST_F(Scanners, CommentsAndConstantNames) {
  TSLObject* twelve = Decode("% a comment\r12", true);
  EXPECT_EQ(CheckedCast<TSLLongint>(twelve)->GetLongintValue(), 12);
  EXPECT_EQ(twelve->DbgInfo()->GetTokLine(), 2u);
  EXPECT_EQ(Decode("  % only a comment"), nullptr);
  EXPECT_EQ(Encode(Decode("[A % one\n1 % two\r\n2]")), "[A 1 2 ] ");
  // "*A.B" names AB; a blank, a CR or "]" ends a name.
  EXPECT_EQ(Encode(Decode("[A [D:CONST /MAX 10 /AB 5] *MAX *A.B *MAX\r*AB]")), "[A [D:CONST /MAX 10 /AB 5 ] 10 5 10 5 ] ");
}

}  // namespace
