// The built-ins through SL text: each case is decoded into a block and run on a fresh
// context (System, Create, Global); the result is the operand stack, bottom first, or
// the exact text of the failure that ended the run.
#include <gtest/gtest.h>

#include "NumText.h"
#include "ScriptFixture.h"
#include "SL20Dec.h"
#include "SL20Rec.h"
#include "SL20StStrm.h"

namespace vt::test {
namespace {

struct TSnippet {
  const char* code;
  const char* result;  // the operands shown as by Show, or "!" and the failure's text
};

// A value as text: numbers keep their class (a Double always shows a point, an
// exponent or its IEEE name), composites show their type letter, name and elements.
std::string Show(const TSLObject* o) {
  if (!o) return "@0";
  if (auto* i = As<TSLLongint>(o)) return IntToStr(i->GetLongintValue());
  if (auto* d = As<TSLDouble>(o)) {
    std::string text = FloatToStr(d->GetDoubleValue());
    return text.find_first_of(".EN") == std::string::npos ? text + ".0" : text;
  }
  if (auto* s = As<TSLString>(o)) return "'" + WideToUtf8(s->StringValue()) + "'";
  if (auto* b = As<TSLBoolean>(o)) return b->BooleanValue() ? "#1" : "#0";
  if (auto* id = As<TSLIdent>(o)) return (id->GetExecutable() ? "" : "/") + id->IdentValue();
  auto* c = As<TSLCollection>(o);
  if (!c) return o->ClassName();
  std::string text = std::string("[") + c->GetCompositeType();
  if (auto* r = As<TSLRecord>(o)) text += ":" + WideToUtf8(r->GetTypeName());
  auto* named = As<TSLNamedCollection>(o);
  for (int i = 0; i < c->GetCount(); ++i) {
    if (named) text += " /" + WideToUtf8(named->GetNameAtIndex(i));
    text += " " + Show(c->GetObjAtIndex(i));
  }
  return text + "]";
}

class BuiltinSnippets : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    Decoder = MakeRef<TSLStreamDecoder>();
    AddStandardScanners(*Decoder);
    RegisterStandardComposites(*Decoder);
  }
  void TearDown() override {
    Decoder.reset();
    ScriptTest::TearDown();
  }

  Obj Decode(const std::string& Text) {
    auto stream = MakeRef<TSLStringStream>();
    stream->SetBuffer(Text);
    auto reader = MakeRef<TSLLookaheadStream>(stream.get());
    return Obj(Decoder->ReadSingleObject(reader.get(), false));
  }

  // Runs the code on a fresh context with fresh dictionaries: the result as a TSnippet.
  std::string Run(const char* Code) {
    Global = MakeRef<TSLDictionary>();
    Create = MakeRef<TSLDictionary>();
    NewContext();
    const Obj block = Decode(std::string("[B ") + Code + " ]");
    try {
      RunBlock(block);
    } catch (const Exception& e) {
      return "!" + e.Message();
    }
    std::string shown;
    for (int i = Ctx->OperandStackObj()->GetCount() - 1; i >= 0; --i)
      shown += (shown.empty() ? "" : " ") + Show(Ctx->OperandStackObj()->GetObjAtIndex(i));
    return shown;
  }

  void RunAll(const TSnippet* Cases, std::size_t Count) {
    for (std::size_t i = 0; i < Count; ++i) EXPECT_EQ(Run(Cases[i].code), Cases[i].result) << Cases[i].code;
  }

  TRef<TSLStreamDecoder> Decoder;
};

TEST_F(BuiltinSnippets, CommonConventions) {
  const TSnippet cases[] = {
      {"1 2 add", "3"},
      {"1 2.0 add", "3.0"},
      {"true 1 add", "!Procedure 'TSLAddProcedure' doesn't work on object with class TSLBoolean"},
      {"'a' 1 idiv", "!Invalid class typecast"},
      {"pop", "!TSLStack.DelObjAtIndex: index (-1) out of bounds (0)"},
      {"dup", "!TSLStack.ObjectAtIndex: no object to fetch at index -1"},
      {"1 add", "!TSLStack.ObjectAtIndex: no object to fetch at index -1"},
      // A failure inside tryexcept arrives as {"Msg": text}.
      {"1 [B 2 3 'x' raisese] [B /Msg get] tryexcept", "1 'x'"},
      {"[B 7 0 idiv] [B /Msg get] tryexcept", "'Division by zero'"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(BuiltinSnippets, StackAndDictionaries) {
  const TSnippet cases[] = {
      {"3 4 exch", "4 3"},
      {"5 exch", "!TSLStack.ObjectAtIndex: no object to fetch at index -1"},
      {"5 6 7 1 index", "5 6 7 6"},
      {"5 6 7 3 index", "!TSLStack.ObjectAtIndex: no object to fetch at index -1"},
      // dup and index push copies: changing the copy leaves the original alone.
      {"[A 1] dup 0 5 put", "[A 1]"},
      {"[A 1] 0 index 0 5 put", "[A 1]"},
      {"[B 1] dup", "[B 1] [A 1]"},
      {"[B 1] dup exch pop exec", "!Procedure 'TSLExecProcedure' doesn't work on object with class TSLArray"},
      {"#1 [B 1] dup exch pop if", "!Invalid class typecast"},
      {"/x 1 def x 5 assign pop x", "5"},
      {"1 2.0 assign", "!Invalid class typecast"},
      {"/a.b 1 def currentdict /a.b known", "#1"},
      {"'ns' cnamespace /ns:a 0 dict def /ns:a.b 1 def ns:a.b ns:a", "1 [D /b 1]"},
      {"9 /nix:x 1 def", "!namespace 'nix:x' not found"},
      {"9 [B /nix:x 1 def] [B /Msg get] tryexcept", "9 'namespace 'nix:x' not found'"},
      {"/a 1 def /b 2 def /a 3 def currentdict [B] forall a", "/b /a 3"},
      {"/a 1 def currentdict /a undef currentdict /a known currentdict /zz undef", "#0"},
      {"currentdict 5 undef", "!Invalid class typecast"},
      {"5 dict count 'x' dict", "!Invalid class typecast"},
      {"/a 1 def currentdict /A known /a gknown /add gknown /nope gknown", "#1 #1 #1 #0"},
      {"'System' nknown 'nope' nknown /s 'System' def 's' nknown", "#1 #0 #1"},
      {"'System' cnamespace", "!TSLDictionary.AddObject: object with name 'System' already exists"},
      {"[D /v 5] begin v end v", "!object with name 'v' not found"},
      {"[D /v 5] begin v end", "5"},
      {"end currentdict count end", "!tried to delete global dictionary"},
      {"end currentdict count", "0"},
      {"1 2 /add exec [B 4 5] exec", "3 4 5"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(BuiltinSnippets, ControlFlow) {
  const TSnippet cases[] = {
      {"2 [B 1 [B 'one'] 2 [B 'two']] [B 'other'] case", "'two'"},
      {"5 [B 1 [B 'one']] [B 'other'] case", "'other'"},
      {"'b' [B 'a' [B 1] 'b' [B 2]] [B 3] case", "2"},
      {"'B' [B 'a' [B 1] 'b' [B 2]] [B 3] case", "3"},
      {"/k 7 def 7 [B k [B 'seven']] [B 'no'] case", "'seven'"},
      {"9 [B 1 [B 1] 9] [B 'd'] case", "'d'"},
      {"1 [B 'a' [B 1] 'b' [B 2]] [B 3] case", "!Invalid class typecast"},
      {"1 [B 1.0 [B 1]] [B 3] case", "!Invalid class typecast"},
      {"7 [B nokey [B 1]] [B 2] case", "!object with name 'nokey' not found"},
      {"1.5 [B] [B] case", "!Procedure 'TSLCaseProcedure' doesn't work on object with class TSLDouble"},
      {"0 -1 [B 1 add dup 5 eq [B exitloop] if] repeat", "5"},
      {"0 [B 1] repeat -5 [B 1] repeat", ""},
      {"1 1 0 [B 9] for", ""},
      {"0 0 0 5 [B pop 1 add dup 3 eq [B exitloop] if] for", "3"},
      {"'a' 1 3 [B] for", "!Invalid class typecast"},
      {"1 1 2.0 [B] for", "!Invalid class typecast"},
      {"[A 1 2] [B 10 mul] forall", "10 20"},
  };
  RunAll(cases, std::size(cases));
}

// A name token met again resolves afresh whenever the scopes changed in between.
TEST_F(BuiltinSnippets, NamesSeeEveryRedefinition) {
  const TSnippet cases[] = {
      {"/x 1 def 3 [B x /x 10 def] repeat", "1 10 10"},
      {"/x 1 def 3 [B x /x x 1 add def] repeat", "1 2 3"},
      {"/x 1 def 0 dict begin 2 [B x /x 5 def] repeat end", "1 5"},
      {"/x 1 def 2 [B x [D] begin /x 5 def] repeat", "1 5"},
      {"/x 1 def [D /x 7] begin 2 [B x end] repeat", "7 1"},
      {"/x 1 def [D /x 7] begin 2 [B x currentdict /x undef] repeat", "7 1"},
      {"/x 1 def 2 [B x currentdict /x undef] repeat", "!object with name 'x' not found"},
      {"/add [B 'mine'] def 1 2 add", "1 2 'mine'"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(BuiltinSnippets, Arithmetic) {
  const TSnippet cases[] = {
      {"7 2 idiv -7 2 idiv -7 2 mod", "3 -3 -1"},
      {"7 0 idiv", "!Division by zero"},
      {"7 0 mod", "!Division by zero"},
      {"7 2.0 idiv", "!Invalid class typecast"},
      {"-9223372036854775808 -1 idiv -9223372036854775808 -1 mod", "-9223372036854775808 0"},
      {"1 0 div -1 0 div 0 0 div 1 2 div", "INF -INF NAN 0.5"},
      {"1.5 1 sub 2 1.5 mul 3 2 mul 1.5 2 div", "0.5 3.0 6 0.75"},
      {"'a' 'b' add", "'ab'"},
      {"'a' 1 add", "!Invalid class typecast"},
      {"1 'a' add", "!Invalid class typecast"},
      {"/a [A] def a 5 add a [B 1] 2 add", "[A 5]"},
      {"9223372036854775807 1 add -9223372036854775808 1 sub 4611686018427387904 4 mul",
       "-9223372036854775808 9223372036854775807 0"},
      {"-5 abs -2.5 abs -9223372036854775808 abs 5 neg -9223372036854775808 neg", "5 2.5 -9223372036854775808 -5 -9223372036854775808"},
      {"2.5 round 3.5 round -2.5 round -2.7 trunc 5 round 5 trunc", "2 4 -2 -2 5 5"},
      {"1.5 ceil -1.5 ceil -1.5 floor 2 floor 2.0 ceil", "2 -1 -2 2 2"},
      {"5000000000 ceil 5000000000 cvr 5000000000 sqrt", "705032704 705032704.0 70710.6781186548"},
      {"2 10 power 2 0 power 2 -3 power 3 41 power", "1024 1 1 -420491770248316829"},
      {"2.0 10.0 exp 10 1000 logx 2 8 logx", "1024.0 3.0 3.0"},
      {"2 10.0 exp", "!Invalid class typecast"},
      {"1.0 ln 8.0 log2 1000.0 log10 0.0 ln -1.0 sqrt", "0.0 3.0 3.0 -INF NAN"},
      {"0.0 sin 0.0 cos 1.0 1.0 atan 2 sin", "!Invalid class typecast"},
      {"0.0 sin 0.0 cos 1.0 -1.0 atan", "0.0 1.0 2.35619449019234"},
      {"1 -1 shr 1 64 shl -1 60 shr 1 65 shl", "0 1 15 2"},
      {"5 3 and 5 3 or 5 3 xor 0 not", "1 7 6 -1"},
      {"true false and true false or true true xor false not", "#0 #1 #0 #1"},
      {"1 true and", "!Invalid class typecast"},
      {"1.0 1 and", "!Procedure 'TSLAndProcedure' doesn't work on object with class TSLDouble"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(BuiltinSnippets, Comparisons) {
  const TSnippet cases[] = {
      {"'abc' 'ABC' le 'ABC' 'abc' le 'ab' 'abc' lt 'b' 'A' gt", "#1 #1 #1 #1"},
      // Only a to z are folded: the other letters compare by their code.
      {"'\xE4' '\xC4' le '\xC4' '\xE4' le", "#0 #1"},
      {"1 2.5 lt 2 2.0 ge 3 2 gt 2.5 2 le", "#1 #1 #1 #0"},
      {"1 '2' lt", "!Invalid class typecast"},
      {"'1' 2 lt", "!Invalid class typecast"},
      {"true false lt", "!Invalid class typecast"},
      {"0 0 div dup 1 lt exch dup 1 le exch dup 1 gt exch 1 ge", "#0 #0 #0 #0"},
      {"5 5.7 eq 5.7 5 eq 1 2 ne [A 1 'x'] [A 1 'x'] eq 'a' 'A' eq", "#0 #1 #1 #1 #0"},
      {"1 [A] eq [A] 1 eq", "#0 #0"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(BuiltinSnippets, Conversions) {
  const TSnippet cases[] = {
      {"' 12' cvi '$10' cvi '0x10' cvi 'x10' cvi '-$ff' cvi 2.7 cvi 5 cvi", "12 16 16 16 -255 2 5"},
      {"'12 ' cvi", "!'12 ' is not a valid integer value"},
      {"'9223372036854775808' cvi", "!'9223372036854775808' is not a valid integer value"},
      {"'1.5' cvr '-2e3' cvr 2.5 cvr 7 cvr -1 cvr", "1.5 -2000.0 2.5 7.0 -1.0"},
      {"'1,5' cvr", "!'1,5' is not a valid floating point value"},
      {"/x cvi", "!Procedure 'TSLCviProcedure' doesn't work on object with class TSLIdent"},
      {"'12' chki '1.5' chki '1.5' chkr 'x' chkr", "#1 #0 #1 #0"},
      {"5 chki", "!Invalid class typecast"},
      {"12 cvs 1.5 cvs 1e20 cvs /ab cvs", "'12' '1.5' '1E20' 'ab'"},
      {"'x' cvs", "!Procedure 'TSLCvsProcedure' doesn't work on object with class TSLString"},
      {"'abc' cvn 'a b' cvn", "/abc /a b"},
      {"1.0 cf32i 1065353216 cif32 -1.0 cf32i 0.1 cf32i cif32", "1065353216 1.0 -1082130432 0.100000001490116"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(BuiltinSnippets, StringsAndBases) {
  const TSnippet cases[] = {
      {"'hello' length 'hello' 1 3 getsubstr 'hello' 3 10 getsubstr 'hello' 9 2 getsubstr", "5 'ell' 'lo' ''"},
      {"'hello' -2 2 getsubstr 'hello' 1 -1 getsubstr", "'he' ''"},
      {"/s 'hello' def /d [D] def d /k s put s 0 'J' putsubstr d /k get", "'Jello' 'Jello'"},
      {"'abc' 1 'XY' putsubstr 'abc' 3 '' putsubstr", "'aXY' 'abc'"},
      {"'abc' 2 'xy' putsubstr", "!TSLPutSubStrProcedure.Execute: positions (2 to 3) out of bounds (3)"},
      {"'abc' -1 'x' putsubstr", "!TSLPutSubStrProcedure.Execute: positions (-1 to -1) out of bounds (3)"},
      {"'a,b,c' ',' search", "'a' ',' 'b,c' #1"},
      {"'abc' 'x' search 'abc' '' search 'abc' 'B' search", "#0 #0 #0"},
      {"'7' 3 '0' pad '7' 3 '0' padr '1234' 3 '0' pad '7' 3 '' pad '7' 3 'xy' pad", "'007' '700' '1234' '7' 'xx7'"},
      {"'abc1\xE9' uppercase", "'ABC1\xC3\xA9'"},
      {"65 chr 321 chr 128 chr ord 'A' ord", "'A' 'A' 128 65"},
      {"'AB' ord", "!operand must be of type AnsiChar (string with length 1)"},
      {"'' ord", "!operand must be of type AnsiChar (string with length 1)"},
      {"'ff' 16 cvri '-101' 2 cvri 'zZ' 36 cvri '' 10 cvri", "255 -5 1295 0"},
      {"'1g' 16 cvri", "!StrBaseXToInt: Invalid AnsiChar 'g' in AnsiString"},
      {"'1#' 16 cvri", "!Char36ToInt: Value has to be '0'..'9', 'A'..'Z' or 'a'..'z'"},
      {"255 16 cvrs -5 2 cvrs 0 36 cvrs -9223372036854775808 16 cvrs", "'FF' '-101' '0' '-8000000000000000'"},
      {"10 1 cvrs", "!IntToStrBaseX: Base must between 2 and 36"},
      {"10 37 cvrs", "!IntToStrBaseX: Base must between 2 and 36"},
      {"34 cvrls 35 cvrls -35 cvrls 'P' cvrli '10' cvrli", "'Z' '10' '-10' 24 35"},
      {"'O' cvrli", "!StrChArrToInt: Invalid AnsiChar 'O' in AnsiString"},
      {"'z' cvrli", "!StrChArrToInt: Invalid AnsiChar 'z' in AnsiString"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(BuiltinSnippets, ArraysDictionariesRecords) {
  const TSnippet cases[] = {
      {"1 2 3 3 carr 0 carr", "[A 1 2 3] [A]"},
      {"1 2 3 carr", "!TSLStack.ObjectAtIndex: no object to fetch at index -1"},
      {"/a 1 /b 2 2 cdict", "[D /a 1 /b 2]"},
      {"/a 1 /a 2 2 cdict", "!TSLDictionary.AddObject: object with name 'a' already exists"},
      {"1 2 1 cdict", "!Invalid class typecast"},
      {"[A 1 2] 1 get [D /a 1] /A get", "2 1"},
      {"[A 1] 5 get", "!TSLArray.ObjectAtIndex: no object to fetch at index 5"},
      {"[D /a 1] /b get", "!TSLDictionary error: no object named b"},
      {"[D /a 1] 'a' get", "!Invalid class typecast"},
      {"5 0 get", "!Procedure 'TSLGetProcedure' doesn't work on object with class TSLLongint"},
      {"/a [A 1] def a 1 2 put a 0 9 put a", "[A 9 2]"},
      {"[A] 5 1 put", "!TSLArray.SetObjAtIndex: index (5) out of bounds (0)"},
      {"[D /a 1] /a 5 put", "!TSLDictionary.AddObject: object with name 'a' already exists"},
      {"/d [D /a 1 /b 2] def d /a 5 puts d /c 6 put d", "[D /b 2 /a 5 /c 6]"},
      {"[A 1 2 3] 1 2 getsubarr [A 1 2 3] 0 0 getsubarr [A 1] 1 -3 getsubarr", "[A 2 3] [A] [A]"},
      {"[A 1] 0 2 getsubarr", "!TSLArray.ObjectAtIndex: no object to fetch at index 1"},
      {"[A 1 2 3] 1 [A 8 9] putsubarr [A 1] 1 [A 2 3] putsubarr", "[A 1 8 9] [A 1 2 3]"},
      {"[A] 1 [A 2] putsubarr", "!TSLArray.SetObjAtIndex: index (1) out of bounds (0)"},
      {"/a [A 1 3] def a 1 2 ins a 3 4 ins a", "[A 1 2 3 4]"},
      {"[A] 1 0 ins", "!TSLArray.InsObjAtIndex: index (1) out of bounds (0)"},
      {"/a [A 1 2 3] def a 1 del a /d [D /a 1 /b 2] def d 'a' del d /B del d", "[A 1 3] [D]"},
      {"[A 1] 1 del", "!TSLArray.DelObjAtIndex: index (1) out of bounds (1)"},
      {"[D] /x del", "!TSLDictionary.RemoveObject: object with name 'x' not found"},
      {"[D] 1 del", "!Invalid class typecast"},
      {"[A 1 2] count [D /a 1] count [B] count", "2 1 0"},
      {"'abc' count", "!Procedure 'TSLCountProcedure' doesn't work on object with class TSLString"},
      {"/p [D:Point /x 0 /y 0] def /x 1 /y 2 2 p crec /x 3 1 p crec", "[R:Point /x 1 /y 2] [R:Point /x 3 /y 0]"},
      {"/p [D:Point /x 0 /y 0] def /y 2 1 p crec dup getrectype", "[R:Point /x 0 /y 2] /Point"},
      {"/r /x 1 /y 2 2 [D:Point /x 0 /y 0] crec def r /x 5 put r /x get r", "5 [R:Point /x 5 /y 2]"},
      {"/z 1 1 [D:P /x 0] crec", "!TSLRecord.SetObjWithName: object with name 'z' not found"},
      {"0 [D:P /x 0] crec /q get", "!TSLRecord.GetObjWithName: object with name 'q' not found"},
      {"0 [D:P /x 0] crec /x del", "!Procedure 'TSLDelProcedure' doesn't work on object with class TSLRecord"},
      {"0 [D:P /x 0] crec count", "!Procedure 'TSLCountProcedure' doesn't work on object with class TSLRecord"},
      {"[D] getrectype", "!Invalid class typecast"},
      {"[D:Info /a 1] getident [A] getident 5 getident", "!Invalid class typecast"},
      {"[D:Info /a 1] getident [A] getident", "/Info /"},
  };
  RunAll(cases, std::size(cases));
}

}  // namespace
}  // namespace vt::test
