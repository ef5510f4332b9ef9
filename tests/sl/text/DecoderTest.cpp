#include <gtest/gtest.h>

#include "SLTextFixture.h"
#include "sl/SLLimits.h"
#include "sl/values/Arrays.h"
#include "sl/values/Record.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class Decoding : public SLTextTest {};

// Every syntax error names the file and the line where reading stopped.
TEST_F(Decoding, SyntaxErrors) {
  struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"[A 1\r\r ?]", "[x.stx, 3] Syntax error: illegal AnsiCharacter '?'"},
      {".5", "[x.stx, 1] Syntax error: illegal AnsiCharacter '.'"},
      {"-$5", "[x.stx, 1] Syntax error: illegal AnsiCharacter '$'"},
      {"'abc", "[x.stx, 1] Syntax error: missing AnsiString termination in AnsiString 'abc'"},
      {"'abcdefghijkl", "[x.stx, 1] Syntax error: missing AnsiString termination in AnsiString 'abcdefghij...'"},
      {"'ab@", "[x.stx, 1] Syntax error: missing AnsiString termination in AnsiString 'ab'"},
      {"'x\r@4x'", "[x.stx, 2] Syntax error: illegal escape sequence in AnsiString 'x\r@...'"},
      {"'@4'", "[x.stx, 1] Syntax error: illegal escape sequence in AnsiString '@...'"},
      {"/9", "[x.stx, 1] Syntax error: invalid ident AnsiCharacter '9' after '/'"},
      {"/a.9", "[x.stx, 1] Syntax error: invalid ident AnsiCharacter '9' after '/'"},
      {"/a.", "[x.stx, 1] Syntax error: TSLStringStream.Read: end of stream reached"},
      {"#2", "[x.stx, 1] Syntax error: invalid boolean '#2'"},
      {"[x", "[x.stx, 1] Syntax error: invalid composite type 'x'"},
      {"[A:1", "[x.stx, 1] Syntax error: invalid composite ident '1'"},
      {"[Q]", "[x.stx, 1] Syntax error: unknown composite type 'Q'"},
      {"[A @!]", "[x.stx, 1] Syntax error: invalid pointer '@!'"},
      {"[A [A] @3]", "[x.stx, 1] Syntax error: pointer index (3) is out of bounds (3)"},
      {"[A @99999999999]", "[x.stx, 1] Syntax error: pointer index (2147483647) is out of bounds (2)"},
      {"[A @X]", "[x.stx, 1] Syntax error: no composite object named 'X' found"},
      {"[A 1 2", "[x.stx, 1] Syntax error: illegal nesting (check number of opening and closing square brackets)"},
      {"[R", "[x.stx, 1] Syntax error: illegal nesting (check number of opening and closing square brackets)"},
      {"]", "[x.stx, 1] Syntax error: composite not opened"},
      {"[D /a]", "[x.stx, 1] Syntax error: odd number of objects in dictionary "},
      {"[D 1 2]", "[x.stx, 1] Syntax error: illegal key (TSLLongint) in dictionary "},
      {"[D a 2]", "[x.stx, 1] Syntax error: executable key 'a' in dictionary "},
      {"[D /a 1 /A 2]", "[x.stx, 1] Syntax error: TSLDictionary.AddObject: object with name 'A' already exists"},
      {"[R [A] [A]]", "[x.stx, 1] Syntax error: Invalid class typecast"},
      {"[A *NOPE]", "[x.stx, 1] Syntax error: Object with name NOPE doesn't exist"},
      {"[A\r*NOPE\r]", "[x.stx, 3] Syntax error: Object with name NOPE doesn't exist"},
      {"99999999999999999999", "[x.stx, 1] Syntax error: '99999999999999999999' is not a valid integer value"},
      {"$12345678901234567", "[x.stx, 1] Syntax error: '$12345678901234567' is not a valid integer value"},
      {"1e+-5", "[x.stx, 1] Syntax error: '1e+-5' is not a valid floating point value"},
      {"1e999", "[x.stx, 1] Syntax error: '1e999' is not a valid floating point value"},
      {"'a", "[x.stx, 1] Syntax error: missing AnsiString termination in AnsiString 'a'"},
      {"-", "[x.stx, 1] Syntax error: TSLStringStream.Read: end of stream reached"},
      // Cycles among composites of a text that fails leak nothing (the fixture counts).
      {"[A [A:x [A @x]]", "[x.stx, 1] Syntax error: illegal nesting (check number of opening and closing square brackets)"},
      {"[A [D:y /a [A @y]] ?", "[x.stx, 1] Syntax error: illegal AnsiCharacter '?'"},
  };
  for (const auto& c : cases) EXPECT_THROW_MSG(Decode(c.text, false, XStx), c.message);
}

TEST_F(Decoding, SyntaxErrorWithoutStorageIdHasEmptyFileName) {
  EXPECT_THROW_MSG(Decode("[A ?]"), "[, 1] Syntax error: illegal AnsiCharacter '?'");
  EXPECT_THROW_MSG(Decode("[A ?]", false, 65000), "[, 1] Syntax error: illegal AnsiCharacter '?'");
}

TEST_F(Decoding, ReadsOneValueAndStopsThere) {
  auto reader = Reader("1 2");
  EXPECT_EQ(CheckedCast<TSLLongint>(Decoder->ReadSingleObject(reader.get(), false))->GetLongintValue(), 1);
  EXPECT_EQ(CheckedCast<TSLLongint>(Decoder->ReadObject(reader.get(), false))->GetLongintValue(), 2);
  EXPECT_TRUE(reader->IsEndOfStream());
  // Open composites: ReadObject hands out the latest value, ReadSingleObject refuses.
  EXPECT_EQ(CheckedCast<TSLLongint>(Decoder->ReadObject(Reader("[A 1 2").get(), false))->GetLongintValue(), 2);
  // The result outlives the decoder's own hold: retained and autoreleased.
  TSLObject* v = Decode("[A 1]");
  EXPECT_EQ(v->GetRefCount(), 1);
}

TEST_F(Decoding, ReferencesShareTheComposite) {
  auto* byNumber = CheckedCast<TSLArray>(Decode("[A [D:X /a 1] @2]"));
  EXPECT_EQ(byNumber->GetObjAtIndex(0), byNumber->GetObjAtIndex(1));
  EXPECT_EQ(byNumber->GetObjAtIndex(0)->GetRefCount(), 2);
  auto* byName = CheckedCast<TSLArray>(Decode("[A [D:X /a 1] @x]"));
  EXPECT_EQ(byName->GetObjAtIndex(0), byName->GetObjAtIndex(1));
  // A name given again names another composite; "@Name" stays with the first.
  auto* twice = CheckedCast<TSLArray>(Decode("[A [D:X /a 1] [D:x /a 2] @X]"));
  EXPECT_EQ(twice->GetObjAtIndex(2), twice->GetObjAtIndex(0));
  EXPECT_EQ(CheckedCast<TSLDictionary>(twice->GetObjAtIndex(1))->Ident(), "x");
  EXPECT_EQ(CheckedCast<TSLDictionary>(twice->GetObjAtIndex(1))->GetIntWithName(u"a"), 2);
  auto* withNil = CheckedCast<TSLArray>(Decode("[A @0]"));
  ASSERT_EQ(withNil->GetCount(), 1);
  EXPECT_EQ(withNil->GetObjAtIndex(0), nullptr);
  EXPECT_EQ(Decode("@0"), nullptr);
  // Numbers restart with every text.
  EXPECT_THROW_MSG(Decode("[A @2]"), "[, 1] Syntax error: pointer index (2) is out of bounds (2)");
}

TEST_F(Decoding, RecordsShareTheirDefinition) {
  auto* arr = CheckedCast<TSLArray>(Decode("[A [R:P [D:Point /x 0 /y 0] [A 1 2]] [R @3 [A 3 4]]]"));
  auto* p = CheckedCast<TSLRecord>(arr->GetObjAtIndex(0));
  auto* q = CheckedCast<TSLRecord>(arr->GetObjAtIndex(1));
  EXPECT_EQ(p->RecDef(), q->RecDef());
  EXPECT_EQ(q->GetTypeName(), u"Point");
  EXPECT_EQ(q->GetIntWithName(u"Y"), 4);
}

// The four sources of "*NAME", in order: type definitions, the text's CONST
// dictionary, the script's GLOBAL_CONST, the script's top dictionary.
TEST_F(Decoding, ConstantsFromAllFourSources) {
  auto script = MakeRef<TSLDictionary>();
  auto global = MakeRef<TSLDictionary>();
  script->SetIntWithName(u"A", 4);
  script->SetIntWithName(u"B", 4);
  script->SetIntWithName(u"C", 4);
  script->SetIntWithName(u"D", 4);
  global->SetIntWithName(u"a", 3);
  global->SetIntWithName(u"b", 3);
  global->SetIntWithName(u"c", 3);
  script->SetObjWithName(u"GLOBAL_CONST", global.get());
  Decoder->OnGetScriptDictionary = [&] { return script.get(); };
  TypeDefinitions = MakeRef<TSLDictionary>();
  TypeDefinitions->SetIntWithName(u"a", 1);
  EXPECT_EQ(Encode(Decode("[A [D:CONST /A 2 /B 2] *a *b *c *d]")), "[A [D:CONST /A 2 /B 2 ] 1 2 3 4 ] ");
  // Without a script task only the first two remain.
  Decoder->OnGetScriptDictionary = [] { return nullptr; };
  EXPECT_THROW_MSG(Decode("*c"), "[, 1] Syntax error: Object with name c doesn't exist");
}

TEST_F(Decoding, DictionaryConstantsSpliceTheirEntries) {
  EXPECT_EQ(Encode(Decode("[A [D:CONST /LIMITS [D /a 1 /b 2]] [D *LIMITS /c 3]]")),
            "[A [D:CONST /LIMITS [D /a 1 /b 2 ] ] [D /a 1 /b 2 /c 3 ] ] ");
  // Values are new objects; a copied composite counts as a composite of the text (6).
  auto* arr = CheckedCast<TSLArray>(Decode("[A [D:CONST /L [D /v [A 7] /s 'x']] [D *L] @6]"));
  auto* original = CheckedCast<TSLDictionary>(CheckedCast<TSLDictionary>(arr->GetObjAtIndex(0))->GetObjAtIndex(0));
  auto* spliced = CheckedCast<TSLDictionary>(arr->GetObjAtIndex(1));
  EXPECT_TRUE(spliced->IsEqual(original));
  EXPECT_NE(spliced->GetObjWithName(u"v"), original->GetObjWithName(u"v"));
  EXPECT_NE(spliced->GetObjWithName(u"s"), original->GetObjWithName(u"s"));
  EXPECT_EQ(spliced->GetObjWithName(u"v"), arr->GetObjAtIndex(2));
  // A record is copied with its field values, however many its definition names.
  EXPECT_EQ(Encode(Decode("[A [D:CONST /L [D /r [A [R [D:P /x 1 /y 2] [A 5]]]]] [D *L]]")),
            "[A [D:CONST /L [D /r [A [R [D:P /x 1 /y 2 ] [A 5 ] ] ] ] ] [D /r [A [R @6 [A 5 ] ] ] ] ] ");
  // An entry of another class gives its name alone; an array constant gives nothing.
  EXPECT_EQ(Encode(Decode("[A [D:CONST /L [D /n @0] /arr [A 1]] [D *L 5] *arr]")),
            "[A [D:CONST /L [D /n @0 ] /arr [A 1 ] ] [D /n 5 ] ] ");
}

TEST_F(Decoding, DictionaryConstantAtTopLevelIsTwoRoots) {
  TypeDefinitions = MakeRef<TSLDictionary>();
  auto limits = MakeRef<TSLDictionary>();
  limits->SetIntWithName(u"a", 1);
  TypeDefinitions->SetObjWithName(u"LIMITS", limits.get());
  EXPECT_THROW_MSG(Decode("*LIMITS"), "[, 1] Syntax error: Internal error: only one root object is allowed");
}

// Composite classes of our own, to see that the decoder creates what is registered.
class TLetterX : public TSLArray {
 public:
  using TSLArray::TSLArray;
  char GetCompositeType() const override { return 'X'; }
};
class TLowerLetter : public TSLArray {
 public:
  using TSLArray::TSLArray;
  char GetCompositeType() const override { return 'x'; }
};

TEST_F(Decoding, CompositesComeFromTheRegistry) {
  EXPECT_THROW_MSG(Decode("[X 1]"), "[, 1] Syntax error: unknown composite type 'X'");
  Decoder->RegisterComposite(CreateEmptyComposite<TLetterX>);
  auto* x = Decode("[X 1 2]");
  EXPECT_NE(dynamic_cast<TLetterX*>(x), nullptr);
  EXPECT_EQ(Encode(x), "[X 1 2 ] ");
  EXPECT_THROW_MSG(Decoder->RegisterComposite(CreateEmptyComposite<TSLArray>),
                   "Internal error: composite of type 'A' is already registered");
  EXPECT_THROW_MSG(Decoder->RegisterComposite(CreateEmptyComposite<TLowerLetter>),
                   "Internal error: illegal composite type 'x'");
}

// A composite that reads its elements every way the element source allows: all of them
// one by one, then the first again and the one after it; named PastEnd it then asks for
// an index past the end, named OneTooMany for one more element than there are.
class TProbe : public TSLArray {
 public:
  using TSLArray::TSLArray;
  char GetCompositeType() const override { return 'Y'; }
  void InitComposite(TSLCompData* CompData) override {
    const int n = CompData->GetElementCount();
    for (int i = 0; i < n; ++i) AddObject(CompData->GetNextElement());
    AddObject(CompData->GetFirstElement());
    AddObject(CompData->GetNextElement());
    AddObject(CompData->GetElementAtIndex(n - 1));
    if (Ident() == "PastEnd") CompData->GetElementAtIndex(n);
    if (Ident() == "OneTooMany")
      while (true) CompData->GetNextElement();
  }
};
// Reports a composite with a type that is no capital letter.
class TOddBracket : public TSLScanner {
 public:
  explicit TOddBracket(bool AutoRelease) : TSLScanner(AutoRelease, TCharSet().set('^')) {}
  bool ScanStream(TDecoderInterface& D, bool) override {
    D.GetStream()->ReadChar();
    D.BeginOfComposite('^', "", nullptr);
    return true;
  }
};

TEST_F(Decoding, ElementSourceAndInternalErrors) {
  Decoder->RegisterComposite(CreateEmptyComposite<TProbe>);
  Decoder->AddScanner(MakeRef<TOddBracket>().get());
  EXPECT_EQ(Encode(Decode("[Y 1 2 3]")), "[Y 1 2 3 1 2 3 ] ");
  EXPECT_THROW_MSG(Decode("[Y:PastEnd 1 2]"), "[, 1] Syntax error: Internal error: index (2) is out of bounds (2)");
  EXPECT_THROW_MSG(Decode("[Y:OneTooMany 1 2]"), "[, 1] Syntax error: Internal error: no more objects on stack");
  EXPECT_THROW_MSG(Decode("[A ^"), "[, 1] Syntax error: Internal error: illegal composite type '^'");
}

TEST_F(Decoding, DebugRecordsGiveTokenPositions) {
  auto reader = Reader("\r[A 12 'ab' /x #1 [D]]", XStx);
  reader->SetPositionOffset(100);
  auto* arr = CheckedCast<TSLArray>(Decoder->ReadSingleObject(reader.get(), true));
  struct {
    TSLObject* obj;
    std::uint32_t pos, length;
  } cases[] = {
      {arr, 101, 2},
      {arr->GetObjAtIndex(0), 104, 2},
      {arr->GetObjAtIndex(1), 107 - 2 + 1, 4},  // strings and identifiers count from the line
      {arr->GetObjAtIndex(2), 112 - 2 + 1, 2},
      {arr->GetObjAtIndex(3), 115, 2},
      {arr->GetObjAtIndex(4), 118, 2},
  };
  for (const auto& c : cases) {
    const TDbgInfo* info = c.obj->DbgInfo();
    ASSERT_NE(info, nullptr) << c.obj->ClassName();
    EXPECT_EQ(info->GetTokPos(), c.pos) << c.obj->ClassName();
    EXPECT_EQ(info->GetTokLength(), c.length) << c.obj->ClassName();
    EXPECT_EQ(info->GetTokLine(), 2u);
    EXPECT_EQ(info->GetStorageID(), XStx);
    EXPECT_FALSE(info->GetBreakpoint());
  }
  EXPECT_EQ(Decode("[A 1]")->DbgInfo(), nullptr);
  // Keys carry their line, which the dictionary's messages name.
  EXPECT_THROW_MSG(Decode("[D\r/a 1 2 3]", true), "[, 2] Syntax error: illegal key (TSLLongint) in dictionary at line 2 and index 2");
}

// Composites nest at most kMaxCompositeDepth deep, counting a shared composite wherever
// it is reached, so that destroying, copying or writing a decoded value stays bounded.
TEST_F(Decoding, NestingIsBounded) {
  auto nested = [](int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += "[A ";
    return text + std::string(levels, ']');
  };
  EXPECT_NE(Decode(nested(kMaxCompositeDepth)), nullptr);
  EXPECT_THROW_MSG(Decode(nested(kMaxCompositeDepth + 1)), "[, 1] Syntax error: composites nested deeper than 1000 levels");
  // A chain of references nests as deep as its length.
  auto chain = [](int length) {
    std::string text = "[A [A:a0]";
    for (int i = 1; i < length; ++i) text += " [A:a" + std::to_string(i) + " @a" + std::to_string(i - 1) + "]";
    return text + "]";
  };
  EXPECT_NE(Decode(chain(kMaxCompositeDepth - 1)), nullptr);
  EXPECT_THROW_MSG(Decode(chain(kMaxCompositeDepth)), "[, 1] Syntax error: composites nested deeper than 1000 levels");
}

// A constant that shares one composite many times over would multiply into copies.
TEST_F(Decoding, ConstantCopiesAreBounded) {
  std::string text = "[A [A:a0 1]";
  for (int i = 1; i <= 25; ++i) text += " [A:a" + std::to_string(i) + " @a" + std::to_string(i - 1) + " @a" + std::to_string(i - 1) + "]";
  text += " [D:CONST /big [D /v @a25]] [D *big]]";
  EXPECT_THROW_MSG(Decode(text), "[, 1] Syntax error: too many values copied from constants (more than 1000000)");
  // A constant that contains itself cannot be copied at all.
  auto cyclic = MakeRef<TSLArray>();
  auto k = MakeRef<TSLDictionary>();
  k->SetObjWithName(u"e", cyclic.get());
  cyclic->AddObject(k.get());
  TypeDefinitions = MakeRef<TSLDictionary>();
  TypeDefinitions->SetObjWithName(u"k", k.get());
  EXPECT_THROW_MSG(Decode("[D *k]"), "[, 1] Syntax error: composites nested deeper than 1000 levels");
  cyclic->Clear();
}

}  // namespace
