// The built-ins through SL text: each case is decoded into a block and run on a fresh
// context (System, Create, Global); the result is the operand stack, bottom first, or
// the exact text of the failure that ended the run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLocale>

#include "ScriptFixture.h"
#include "StorageFixture.h"
#include "platform/Cipher.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/NumberText.h"
#include "sl/builtins/StorageBuiltins.h"
#include "sl/storage/StorageScriptClasses.h"
#include "sl/text/Decoder.h"
#include "sl/text/StringStream.h"
#include "sl/values/Record.h"

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
    ScriptClasses.reset();
    ScriptTest::TearDown();
  }

  Obj Decode(const std::string& Text) {
    auto stream = MakeRef<TSLStringStream>();
    stream->SetBuffer(Text);
    auto reader = MakeRef<TSLLookaheadStream>(stream.get());
    return Obj(Decoder->ReadSingleObject(reader.get(), false));
  }

  // How a run goes: at full speed, or as a debugger steps through it, into every
  // token or over each.
  enum class TWay { Run, StepInto, StepOver };

  // Runs the code on a fresh context with fresh dictionaries: the result as a TSnippet.
  std::string Run(const char* Code, TWay Way = TWay::Run) {
    Global = MakeRef<TSLDictionary>();
    Create = ScriptClasses ? ScriptClasses : MakeRef<TSLDictionary>();
    NewContext();
    // What the last run left in the pool goes, as the program's purge task lets it go.
    RefObjManager().PurgeAutoReleasePool();
    const Obj block = Decode(std::string("[B ") + Code + " ]");
    try {
      if (Way == TWay::Run)
        RunBlock(block);
      else
        StepToEnd(block, Way);
    } catch (const Exception& e) {
      Interp->OnDbgDisplay = nullptr;
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
  // The same, and each case stepped into and over in a debugger must end alike.
  void RunAllWays(const TSnippet* Cases, std::size_t Count) {
    for (std::size_t i = 0; i < Count; ++i)
      for (TWay way : {TWay::Run, TWay::StepInto, TWay::StepOver})
        EXPECT_EQ(Run(Cases[i].code, way), Cases[i].result) << Cases[i].code << " (way " << int(way) << ")";
  }

  void StepToEnd(const Obj& Block, TWay Way) {
    Interp->OnDbgDisplay = [](TSLObject*) {};
    Ctx->PushBlock(Block.get());
    while (!(Way == TWay::StepInto ? Interp->StepInto(Ctx.get()) : Interp->StepOver(Ctx.get())))
      if (Ctx->GetState() == isWaiting) Ctx->Resume(nullptr);
    Interp->OnDbgDisplay = nullptr;
  }

  TRef<TSLStreamDecoder> Decoder;
  TRef<TSLDictionary> ScriptClasses;  // the script classes of every run; none when unset
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
      // A nil element is taken as the end of the code or collection, as it always was:
      // stored scripts may stop a block with @0 or end a list with it.
      {"[A 1 @0 2] [B] forall 99", "1 99"},
      {"[B 1 @0 2] exec 3", "1 3"},
  };
  RunAllWays(cases, std::size(cases));
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
      // A name resolved before a dictionary entered the stack, which then gains it.
      {"/x 1 def /d [B /x exch def] def /f [B x] def /g [B f 0 dict begin 5 d f end] def g g", "1 5 1 5"},
      // Parameters shadow and are gone after the call; locals shadow from their def on.
      {"/x 1 def /p [P [A /x] /y x def [A /y]] def 2 [B x 7 p x] repeat", "1 7 1 1 7 1"},
      {"/v 1 def /q [P [A] /a v def /v 2 def /b v def [A /a /b]] def q v q", "1 2 1 1 2"},
      {"/r [P [A /n] n 0 gt [B n 1 sub r] if /m n def [A /m]] def 3 r", "3"},
  };
  RunAllWays(cases, std::size(cases));
}

// Code that changes what it runs, while it runs: a name redefined is seen at its next
// fetch, an element changed ahead is read as changed, and an element (or whole array)
// let go while it runs lives until the run leaves it. Stepped in a debugger, every
// case ends as it does at full speed.
TEST_F(BuiltinSnippets, CodeChangedWhileItRuns) {
  const TSnippet cases[] = {
      {"/x 1 def 2 [B x /x 5 def x] repeat", "1 5 5 5"},
      {"/f [B 1] def 2 [B f /f [B 2] def f] repeat", "1 2 2 2"},
      {"/x 1 def 3 [B x /x x 1 add def] repeat x", "1 2 3 4"},
      // A built-in's name gains a definition in the top dictionary.
      {"2 [B 1 2 add currentdict /add known not [B currentdict /add [B 'mine'] put] if] repeat", "3 1 2 'mine'"},
      {"/dup 7 def 5 dup", "5 7"},
      // The element running now (put), and one ahead of it.
      {"/p [B 1 currentdict /p get 6 99 put 2 3] def p currentdict /p get", "1 2 3 [B 1 currentdict /p get 6 99 99 2 3]"},
      {"/p [B 1 currentdict /p get 8 99 put 2 3] def p p", "1 2 99 1 2 99"},
      // The array let go by its name while it runs: replaced, removed.
      {"/p [B 1 currentdict /p [B 5] puts 2] def p p", "1 2 5"},
      {"/p [B 1 currentdict /p undef 2] def p currentdict /p known", "1 2 #0"},
      // (d, the dictionary holding itself, is let go at the end.)
      {"/d currentdict def /p [P [A /a] d /p undef /a a 1 add def [A /a]] def 5 p d /p known /d 0 def", "6 #0"},
      // Every element deleted while the loop among them runs; the results of a
      // procedure renamed while it runs.
      {"/p [B currentdict /p get count [B currentdict /p get 0 del] repeat 9] def p currentdict /p get 8", "[B] 8"},
      {"/d currentdict def /p [P [A] /r 1 def d /p get 10 [A] put [A /r]] def p 4 /d 0 def", "4"},
      // Exits from nested loops, also by the element that ends a pass.
      {"0 [B 1 1 3 [B add dup 4 gt [B exitloop] if] for 100 add exitloop] loop", "106"},
      {"/p [P [A] /n 0 def 1 1 9 [B pop 9 [B /n n 1 add def n 7 eq [B exitproc] if] repeat] for [A /n]] def p 1", "7 1"},
      {"1 1 5 [B exitloop] for [A 1 2] [B exitloop] forall 3 [B 4 exitloop] repeat 7", "1 1 4 7"},
      {"[B 2 [B 1 exitblock 0] repeat 3] exec", "1 3"},
      // Failures inside loops keep their texts and are caught as before.
      {"1 1 2 [B [B 0 idiv] [B /Msg get] tryexcept] for", "1 'Division by zero' 2 'Division by zero'"},
      {"0 1 1 4 [B add nosuch] for", "!object with name 'nosuch' not found"},
  };
  RunAllWays(cases, std::size(cases));
}

// The benchmark's programs, whose loops take the built-ins' quickest paths: stepped in
// a debugger they end as at full speed.
TEST_F(BuiltinSnippets, QuickPathsEndAsSteppedCode) {
  const TSnippet cases[] = {
      {"0 1 1 300 [B dup 3 mul exch 7 mod add add 65535 and] for", "5281"},
      {"/x 0 def /y 0 def 1 1 300 [B /i exch def /x x i add 65535 and def /y y x xor def] for y", "53546"},
      {"/t 0 def 1 1 300 [B /i exch def /d 2 dict def d /k i cvs put d /s 'key' d /k get add put "
       "/t t d /s get length add def] for t",
       "1692"},
      {"1 2 sub 3 4 mul 7 2 idiv 7 2 mod 5 3 or 5 3 xor 1 2 lt 2 2 ge 4 dup exch pop 'a' 'b' add", "-1 12 3 1 7 6 #1 #1 4 'ab'"},
  };
  RunAllWays(cases, std::size(cases));
}

// Data nested far deeper than any text may nest, and calls nested without end: freed,
// compared and copied without a stack overflow; recursion ends with an error.
TEST_F(BuiltinSnippets, DeepDataAndDeepCalls) {
  const TSnippet cases[] = {
      {"/a [A] def 300000 [B a 1 carr /a exch def] repeat /a 0 def 1", "1"},
      {"/a [A] def /b [A] def 300000 [B a 1 carr /a exch def b 1 carr /b exch def] repeat "
       "a b eq a a 0 get eq a dup eq /a 0 def /b 0 def",
       "#1 #0 #1"},
      {"/d 0 dict def 100000 [B /n 0 dict def n /x d put /d n def] repeat d dup eq /d 0 def /n 0 def", "#1"},
      // Collections that hold themselves compare, and refuse to be copied.
      {"/c [A 0] def c 0 c put /e [A 0] def e 0 e put c e eq c [A 0] eq "
       "[B c dup] [B getmsg] tryexcept c 0 0 put e 0 0 put",
       "#1 #0 'TSLArray.CopyObject: a collection that holds itself cannot be copied'"},
      {"/r [P [A /n] n 0 gt [B n 1 sub r] if [A]] def 40000 r 1", "1"},
      {"/r [P [A /n] n 0 gt [B n 1 sub r] if [A]] def 60000 r", "!calls nested deeper than 100000 levels"},
      {"/h [B h] def h", "!calls nested deeper than 100000 levels"},
      {"[B /h [B h] def h] [B pop 'caught'] tryexcept", "!calls nested deeper than 100000 levels"},
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

// A failure that ends the run after a handled one is reported where it happened, not at
// the handled one's line.
TEST_F(BuiltinSnippets, FailureAfterAHandledOneIsReportedAtItsOwnLine) {
  auto stream = MakeRef<TSLStringStream>();
  stream->SetBuffer("[B [B 1 0 idiv] [B pop] tryexcept\r nosuch ]");
  stream->FStorageID = StorageIDManager().CreateStorageID("C:\\Scripts\\job.sct", nullptr);
  const Obj script(Decoder->ReadSingleObject(MakeRef<TSLLookaheadStream>(stream.get()).get(), true));
  ExpectRunFails(script, "object with name 'nosuch' not found");
  EXPECT_EQ(RuntimeErrorText(FailedContext.get(), "object with name 'nosuch' not found"),
            "[job.sct, 2] Runtime error: object with name 'nosuch' not found");
  StorageIDManager().DestroyStorageID(stream->FStorageID);
}

// A token failing deep in a loop that runs at full speed is reported at its own line.
TEST_F(BuiltinSnippets, FailureInATightLoopIsReportedAtItsOwnLine) {
  auto stream = MakeRef<TSLStringStream>();
  stream->SetBuffer("[B 0 1 1 50 [B add dup\r 100 gt [B\r #1 add] if] for ]");
  stream->FStorageID = StorageIDManager().CreateStorageID("C:\\Scripts\\loop.sct", nullptr);
  const Obj script(Decoder->ReadSingleObject(MakeRef<TSLLookaheadStream>(stream.get()).get(), true));
  const std::string message = "Invalid class typecast";
  ExpectRunFails(script, message);
  EXPECT_EQ(RuntimeErrorText(FailedContext.get(), message), "[loop.sct, 3] Runtime error: " + message);
  StorageIDManager().DestroyStorageID(stream->FStorageID);
}


// The built-ins that reach the surroundings: a storage manager over a data folder, a
// current folder of the test's own, a fixed moment (Tuesday, 5 March 2024, 14:03:07)
// in a German locale, the program "Vorlix-Talk 4.7" of build 20240301, and dialogs
// answered by their text: a dialog whose text is "Yes" is answered with the Yes
// button, and so on ("none": closed without a button). "lastdialog" pushes the kind
// and buttons of the last dialog shown since it was last asked, or 'none'.
class EnvironmentSnippets : public BuiltinSnippets, public TStorageEnvironment {
 protected:
  void SetUp() override {
    BuiltinSnippets::SetUp();
    Start();
    AnnounceStorageScriptClasses(*StorageManager);
    ScriptClasses = TRef<TSLDictionary>(StorageManager->ScriptClassDict());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    SetClock([] { return Moment(); });
    SetProductInfoSource([](const AnsiString& name) -> AnsiString {
      if (name == "ProgramName") return "Vorlix-Talk 4.7";
      if (name == "ProgramVersionCaption") return "Build 20240301 (64-bit)";
      return "";
    });
    SetMessageDlgHandler([this](const std::u16string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
      LastDialog = std::string(1, "WEIC"[type]) + ":";
      for (int b = mbYes; b <= mbIgnore; ++b)
        if (buttons & MsgDlgButton(static_cast<TMsgDlgBtn>(b))) LastDialog += "YNOCARI"[b];
      const std::pair<const char16_t*, TModalResult> answers[] = {
          {u"Yes", mrYes}, {u"No", mrNo}, {u"Ok", mrOk}, {u"Cancel", mrCancel},
          {u"Abort", mrAbort}, {u"Retry", mrRetry}, {u"Ignore", mrIgnore}};
      for (const auto& [name, result] : answers)
        if (text == name) return result;
      return mrNone;
    });
    SetShowMessageHandler([this](const std::u16string& text) { Messages.push_back(WideToUtf8(text)); });
    SetBeepHandler([this] { ++Beeps; });
    Define("lastdialog", [this](TSLContext* c) {
      c->OperandStack()->Push(MakeRef<TSLString>(AnsiToWide(LastDialog)).get());
      LastDialog = "none";
    });
  }
  void TearDown() override {
    SetMessageDlgHandler(nullptr);
    SetShowMessageHandler(nullptr);
    SetBeepHandler(nullptr);
    SetProductInfoSource(nullptr);
    SetClock(nullptr);
    QLocale::setDefault(QLocale::system());
    // Instances of the script classes go before the storage manager that owns the classes.
    Ctx.reset();
    FailedContext.reset();
    Global.reset();
    ScriptClasses.reset();
    Stop();
    BuiltinSnippets::TearDown();
  }
  static QDateTime Moment() { return QDateTime(QDate(2024, 3, 5), QTime(14, 3, 7)); }
  // Gives a file below the current folder a last-write time (local time).
  void Touch(const std::string& name, const QDateTime& when) {
    const struct timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
    ::utimensat(AT_FDCWD, (Cwd / name).c_str(), times, 0);
  }

  std::string LastDialog = "none";
  std::vector<std::string> Messages;
  int Beeps = 0;
};

TEST_F(EnvironmentSnippets, FilesAndFolders) {
  WriteCwdFile("Work/Log.TXT", "12345");
  WriteCwdFile("Work/b.txt", "x");
  WriteCwdFile("Work/.hidden", "x");
  Touch("Work/b.txt", QDateTime(QDate(2024, 3, 5), QTime(14, 3, 8)));
  // Names are given with "\" and in any letter case; each case goes on from the last.
  const TSnippet cases[] = {
      {"'WORK\\Sub' createdir 'work\\sub' directoryexists 'work\\nothere\\x' createdir", "#1 #1 #0"},
      {"'WORK\\a\\b' forcedirectories 'Work\\A\\B' directoryexists 'work\\a' forcedirectories", "#1 #1 #1"},
      {"'' forcedirectories", "!Unable to create directory"},
      {"'work\\a' removedir 'work\\a\\b' removedir 'work\\a' removedir", "#0 #1 #1"},
      {"'work\\log.txt' fileexist 'work' fileexist 'work' directoryexists 'nothere.txt' fileexist", "#1 #0 #1 #0"},
      {"'work\\LOG.txt' filegetattr 'work' filegetattr 'work\\.hidden' filegetattr 'nothere.txt' filegetattr",
       "128 16 2 -1"},
      {"'log.txt' 'nothere;work' filesearch 'log.txt' 'nothere;x' filesearch", "'work\\log.txt' ''"},
      // Listings: hidden files and folders only when asked for, sorted by name.
      {"'work\\*.*' 0 getdircontents [B /Name get] forall", "'b.txt' 'Log.TXT'"},
      {"'work\\*.*' 18 getdircontents [B /Name get] forall", "'.' '..' '.hidden' 'b.txt' 'Log.TXT' 'Sub'"},
      {"'work\\B.*' 0 getdircontents", "[A [D /Attr 128 /Name 'b.txt' /Size 1 /Time 1483042916]]"},
      {"'nothere\\*.*' 16 getdircontents 'work\\*.*' '0' getdircontents", "!Invalid class typecast"},
      {"'nothere\\*.*' 16 getdircontents", "[A]"},
      {"'work\\log.txt' 'WORK\\B.TXT' renamefile 'work\\log.txt' 'work\\sub\\Moved.txt' renamefile", "#0 #1"},
      {"'work\\sub\\moved.TXT' deletefile 'work\\sub\\moved.txt' deletefile 'work' deletefile", "#1 #0 #0"},
      {"'nothere' setcurrentdir 'nothere' chdir", "!I/O error 2"},
      {"'WORK' chdir getcurrentdir extfilename 3 getdir extfilename 'SUB' setcurrentdir getcurrentdir extfilename",
       "'Work' 'Work' #1 'Sub'"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(EnvironmentSnippets, FileNameParts) {
  const TSnippet cases[] = {
      {"'C:\\data\\log.txt' dup extfilepath exch dup extfilename exch extfileext",
       "'C:\\data\\' 'log.txt' '.txt'"},
      {"'C:\\data\\log.txt' '.bak' chfileext 'C:\\data.d\\log' '.txt' chfileext 'a/b.c/d' '' chfileext",
       "'C:\\data\\log.bak' 'C:\\data.d\\log.txt' 'a/b.c/d'"},
      {"'log' extfilepath 'log' extfileext 'dir\\' extfilename", "'' '' ''"},
      {"1 extfilename", "!Invalid class typecast"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(EnvironmentSnippets, Clock) {
  const TSnippet cases[] = {
      {"date time", "'05.03.24' '14:03:07'"},
      {"'dddd, d. mmmm yyyy hh:nn:ss.zzz' datetime 'yy-mm-dd hh:mm \"at\" h am/pm' datetime",
       "'Dienstag, 5. März 2024 14:03:07.000' '24-03-05 02:03 at 2 pm'"},
      // A week before and a week after are both 7 days away.
      {"2024 2 27 daysuntilnow 2024 3 12 daysuntilnow 2024 3 5 daysuntilnow 2024 2 29 daysuntilnow", "7 7 0 5"},
      {"67560 3 5 daysuntilnow", "0"},  // the low 16 bits of the year: 2024
      {"2023 2 29 daysuntilnow", "!Invalid argument to date encode"},
      {"2024 13 1 daysuntilnow", "!Invalid argument to date encode"},
      {"'2024' 3 5 daysuntilnow", "!Invalid class typecast"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(EnvironmentSnippets, DialogsAndBeep) {
  const TSnippet cases[] = {
      {"'Yes' 'Confirm' 'yn' msgdlg lastdialog", "'Y' 'C:YN'"},
      {"'No' 'Warning' 'NyN' msgdlg lastdialog", "'N' 'W:YN'"},
      {"'Retry' 'E' 'iRa' msgdlg 'Ignore' 'Info' 'ari' msgdlg lastdialog", "'R' 'I' 'I:ARI'"},
      {"'Ok' 'I' '' msgdlg lastdialog", "'O' 'I:O'"},  // no letters: an OK button
      {"'Cancel' 'C' 'OC' msgdlg lastdialog", "'C' 'C:OC'"},
      // Errors show nothing; they are script exceptions.
      {"'Yes' 'Q' 'O' msgdlg", "!illegal dialog type AnsiChar"},
      {"'Yes' 'w' 'O' msgdlg", "!illegal dialog type AnsiChar"},
      {"'Yes' '' 'O' msgdlg", "!illegal dialog type AnsiChar"},
      {"'Yes' 'I' 'OK' msgdlg", "!illegal button AnsiChar"},
      {"[B 'Yes' 'I' 'OK' msgdlg] [B /Msg get] tryexcept lastdialog", "'illegal button AnsiChar' 'none'"},
      // A dialog closed without a button, or answered with one it did not show.
      {"'none' 'I' 'O' msgdlg", "!illegal msgdlg result"},
      {"'Yes' 'I' 'O' msgdlg", "!illegal msgdlg result"},
      {"beep beep", ""},
  };
  RunAll(cases, std::size(cases));
  EXPECT_EQ(Beeps, 2);
}

TEST_F(EnvironmentSnippets, ObjectStorage) {
  const TSnippet cases[] = {
      {"'obj.stx' [D /a 1 /b [A 'x' 2.5]] saveobj 'OBJ.stx' loadobj", "[D /a 1 /b [A 'x' 2.5]]"},
      // The same object enciphered ("%SLE") through a storage object, read back by loadobj.
      {"/s StorageObjectManager def /i 'sec.stx' s.CreateObject def i 'OBJ.stx' loadobj s.SetData "
       "i 'EASCII' s.SetFormat i s.Write 'sec.stx' loadobj",
       "[D /a 1 /b [A 'x' 2.5]]"},
      {"'sec.stx' 'rw' loadstoobj", "TSLFileStorageObject"},
      {"'sec.stx' 'x' loadstoobj", "!illegal access attribute 'X'"},
      {"'nothere.stx' loadobj", "!TStorageManager.GetObject: object with name 'nothere.stx' not found"},
      // A name below a missing folder is an entry of a new archive of that folder's name.
      {"'nodir\\x.stx' 1 saveobj 'nodir\\x.stx' loadobj", "1"},
      // Any value is saved, nil too.
      {"'nil.stx' [A @0] 0 get saveobj 'nil.stx' loadobj", "@0"},
      // Records of two definitions of one type name (a copy keeps its name) keep it.
      {"'rec.stx' /p [D:Point /x 0] def 0 p crec 0 p dup exch pop crec 2 carr saveobj "
       "'rec.stx' loadobj dup 0 get getrectype exch 1 get getrectype",
       "/Point /Point"},
  };
  RunAll(cases, std::size(cases));
  EXPECT_EQ(ReadCwdFile("nil.stx"), "@0 ");
  EXPECT_EQ(ReadCwdFile("sec.stx").substr(0, 4), "%SLE");
  EXPECT_EQ(ReadCwdFile("obj.stx").substr(0, 4), "[D /");
}

TEST_F(EnvironmentSnippets, StringCipher) {
  const TSnippet cases[] = {
      {"'abc' 4660 171 encrstr dup count exch 0 get 0 lt", "32 #0"},
      {"'abc' 4660 171 encrstr 4660 171 decrstr dup length exch 0 3 getsubstr", "32 'abc'"},
      {"'@e4bc' 1 2 encrstr 1 2 decrstr 0 3 getsubstr", "'\xC3\xA4" "bc'"},  // the text's UTF-8 bytes are enciphered
      // Another word or byte gives another cipher and deciphers to something else.
      {"'abc' 1 2 encrstr 'abc' 1 2 encrstr eq 'abc' 1 2 encrstr 'abc' 65537 2 encrstr eq", "#1 #1"},
      {"'abc' 1 2 encrstr 'abc' 3 2 encrstr eq 'abc' 1 2 encrstr 'abc' 1 3 encrstr eq", "#0 #0"},
      {"'abc' 1 2 encrstr 1 3 decrstr 0 3 getsubstr 'abc' eq", "#0"},
      {"'abc' 4660 1.0 encrstr", "!Invalid class typecast"},
      {"[A 1 'x'] 1 1 decrstr", "!Invalid class typecast"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(EnvironmentSnippets, ChecksumWordOfPackages) {
  // Block 1: 256 to 263 in two strings; block 2: 264 to 269 in three strings.
  const std::string package =
      "[D /BlockArray [A [D /BlockOffset 256 /BlockSize 8 /BlockDataArray [A '78563412' 'AABBCCDD']]"
      " [D /BlockOffset 264 /BlockSize 6 /BlockDataArray [A '0102' '030405' '06']]]]";
  WriteCwdFile("pkg.hx2", package);
  WriteCwdFile("pkg.hx3", package);
  WriteCwdFile("bad.hx2", "[D /BlockArray [A [D /BlockOffset 0 /BlockSize 4 /BlockDataArray [A '12zz3456']]]]");
  WriteCwdFile("nokey.hx2", "[D /Blocks [A]]");
  WriteCwdFile("junk.hx2", "[D /BlockArray");
  const TSnippet cases[] = {
      {"'pkg.hx2' 256 0 crcfromfile", "'pkg.hx2' 256 0 305419896 0"},  // 78 56 34 12 is 12345678 hex
      {"'PKG.HX2' 260 9 crcfromfile", "'PKG.HX2' 260 9 3721182122 0"},
      // The end of a block belongs to the next one; a word goes on into the next string.
      {"'pkg.hx2' 264 0 crcfromfile", "'pkg.hx2' 264 0 67305985 0"},
      {"'pkg.hx2' 258 0 crcfromfile", "'pkg.hx2' 258 0 3148485172 0"},
      {"'pkg.hx2' 265 0 crcfromfile", "'pkg.hx2' 265 0 84148994 0"},
      // Not covered: past the block's data, between or outside the blocks.
      {"'pkg.hx2' 268 0 crcfromfile", "'pkg.hx2' 268 0 0 255"},
      {"'pkg.hx2' 270 0 crcfromfile", "'pkg.hx2' 270 0 0 255"},
      {"'pkg.hx2' 255 0 crcfromfile", "'pkg.hx2' 255 0 0 255"},
      {"'bad.hx2' 0 0 crcfromfile 'nokey.hx2' 0 0 crcfromfile 'junk.hx2' 0 0 crcfromfile",
       "'bad.hx2' 0 0 0 255 'nokey.hx2' 0 0 0 255 'junk.hx2' 0 0 0 255"},
      {"'nothere.hx2' 1 2 crcfromfile", "'nothere.hx2' 1 2 0 1"},
      // ".hx3" packages are unscrambled by kind; other kinds give the word as stored.
      {"'pkg.hx3' 256 5 crcfromfile", "'pkg.hx3' 256 5 1366774067 0"},
      {"'pkg.hx3' 256 9 crcfromfile 'pkg.hx3' 256 7 crcfromfile", "'pkg.hx3' 256 9 1366774067 0 'pkg.hx3' 256 7 355435588 0"},
      {"'pkg.hx3' 264 8 crcfromfile", "'pkg.hx3' 264 8 1368918795 0"},
      {"'pkg.hx3' 256 4 crcfromfile", "'pkg.hx3' 256 4 305419896 2"},
      {"'pkg.hx3' 270 4 crcfromfile", "'pkg.hx3' 270 4 0 255"},
      {"'pkg.hx2' '256' 0 crcfromfile", "!Invalid class typecast"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(EnvironmentSnippets, ReleaseCheck) {
  // The program is 4.7 of build 20240301.
  const TSnippet cases[] = {
      {"'4.7 Build 20240301' InstallRelease '3.9 Build 20240101' InstallRelease", "#1 #1"},
      {"'4.6 Build 20240302' InstallRelease", "#0"},  // a later build, though an older version
      {"'4.8 Build 20240101' InstallRelease '5.0 Build 20240101' InstallRelease", "#0 #0"},
      {"'4.7' InstallRelease 'abc' InstallRelease '5' InstallRelease", "#1 #1 #1"},
      // A part that is no number ends the check with the answer so far.
      {"'x.7 Build 20990101' InstallRelease '4.7 Build 2099x101' InstallRelease '4.B' InstallRelease", "#1 #1 #1"},
      // ROS: characters 7 and 8 the major version, 5 and 6 the minor, lowest byte first.
      {"'ROS-@01@00@02@00' InstallRelease 'ROS-@00@00@01@00' InstallRelease 'ROS@01' InstallRelease", "#0 #1 #1"},
  };
  RunAll(cases, std::size(cases));
  EXPECT_EQ(Messages, std::vector<std::string>{"ROS with version 2.1 is running Vorlix-Talk does not support this version"});
}

// The counter block carries the byte and the word as six upper-case hexadecimal digits
// in its bytes 6 to 11.
TEST_F(EnvironmentSnippets, CipherBytesUseTheOperandsInTheCounterBlock) {
  TAESCounter counter = StringCipherCounter();
  const std::string digits = "AB1234";
  std::copy(digits.begin(), digits.end(), counter.begin() + 6);
  std::string expected = "[A";
  for (char b : EncryptAES256CTR(u"Pa\u00dfwort", StringCipherKey(), counter))
    expected += " " + std::to_string(static_cast<std::uint8_t>(b));
  EXPECT_EQ(Run("'Pa@dfwort' 4660 427 encrstr"), expected + "]");  // 427: the low byte is AB
}

// In a debug run, the texts that the built-ins read are announced to the debugger of
// the script's task, under the name the script gave.
TEST_F(EnvironmentSnippets, DebugRunsAnnounceTheTextsTheyRead) {
  struct TRecordingDebugger : TScriptDebuggerInterface {
    TSLContext* GetContext() override { return nullptr; }
    void SetContext(TSLContext*) override {}
    TScriptTaskInterface* GetScriptTask() override { return nullptr; }
    void SetScriptTask(TScriptTaskInterface*) override {}
    AnsiString GetStatusLine() override { return {}; }
    void SetStatusLine(const AnsiString&) override {}
    void Clear() override {}
    void AddScript(const AnsiString& FileName, std::uint16_t StorageID) override {
      Announced.push_back(FileName + (StorageID != 0 ? "" : " without ID"));
    }
    void RefreshDbgViews() override {}
    void Run() override {}
    void RunDone() override {}
    void StepDone() override {}
    void SelectNextInstruction(std::uint16_t, std::int32_t, std::int32_t) override {}
    void DeselectNextInstruction() override {}
    void WaitForKey() override {}
    void WaitForStep() override {}
    std::vector<std::string> Announced;
  } debugger;
  TFakeScriptTask task;
  task.Debugger = &debugger;
  WriteCwdFile("a.stx", "[D /x 1]");
  WriteCwdFile("pkg.hx2", "[D /BlockArray [A]]");
  const Obj script = Decode(
      "[B 'A.stx' loadobj pop 'a.stx' 'r' loadstoobj pop 'pkg.hx2' 0 0 crcfromfile "
      "/s StorageObjectManager def 'a.STX' 'r' s.GetObject]");
  Create = ScriptClasses;
  NewContext();
  Ctx->FScriptTask = &task;
  Ctx->FDebug = true;
  RunBlock(script);
  EXPECT_EQ(debugger.Announced, (std::vector<std::string>{"A.stx", "a.stx", "pkg.hx2", "a.STX"}));
  debugger.Announced.clear();
  NewContext();
  Ctx->FScriptTask = &task;
  RunBlock(script);  // not a debug run
  EXPECT_TRUE(debugger.Announced.empty());
  Ctx.reset();
}

// Both script classes at work: build an archive, list it, rewrite one entry through a
// storage object, and read the rewritten archive back.
TEST_F(EnvironmentSnippets, ArchiveBuiltListedAndRewrittenThroughScriptClasses) {
  const TSnippet cases[] = {
      {"/arc ArchiveManager def /a 'Lib.sla' 'rw' arc.GetArchive def "
       "a 'one.stx' 'ascii' [D /n 1] arc.AddEntry a 'two.stx' 'EASCII' [A 2 3] arc.AddEntry a arc.Write "
       "0 1 a arc.GetCount 1 sub [B a exch arc.GetNameAtIndex] for a 1 arc.GetFormatAtIndex",
       "0 1 'one.stx' 'two.stx' 'eascii'"},
      {"/sto StorageObjectManager def /o 'lib\\ONE.stx' 'rw' sto.GetObject def "
       "o sto.GetData o [D /n 5] sto.SetData o sto.Write o sto.GetName",
       "[D /n 1] 'lib\\ONE.stx'"},
      {"'lib\\one.stx' loadobj 'lib\\two.stx' loadobj", "[D /n 5] [A 2 3]"},
      {"/arc ArchiveManager def /a 'lib.sla' 'r' arc.GetArchive def a 'TWO.STX' arc.GetIndexOfName "
       "a 'three' arc.GetIndexOfName a 1 arc.GetFormatAtIndex a 0 arc.GetFormatAtIndex",
       "1 -1 'eascii' 'ascii'"},
  };
  RunAll(cases, std::size(cases));
  EXPECT_NE(ReadCwdFile("Lib.sla").find("%SLE"), std::string::npos);
  EXPECT_NE(ReadCwdFile("Lib.bak").find("one.stx"), std::string::npos);  // the archive before the rewrite
}

// A method kept after it was taken out of its instance, called once the instance is gone
// (the pool purged between, as the program's purge task does between script steps).
TEST_F(EnvironmentSnippets, KeptMethodOfAFreedInstanceIsAScriptException) {
  Create = ScriptClasses;
  NewContext();
  RunBlock(Decode("[B /s StorageObjectManager def /keep s /ObjectExists get def s /ObjectExists undef /s 0 def]"));
  RefObjManager().PurgeAutoReleasePool();
  RunBlock(Decode("[B [B 'x.stx' keep] [B /Msg get] tryexcept]"));
  EXPECT_EQ(Operands(), "'TSLScrObjMethod.Execute: the object of this method no longer exists'");
}

TEST_F(EnvironmentSnippets, ScriptClassEdgeCases) {
  WriteCwdFile("a.stx", "[D /x 1]");
  WriteCwdFile("b.stx", "[A 2]");
  const TSnippet cases[] = {
      {"/s StorageObjectManager def 'a.stx' 'r' s.GetObject 'B.stx' 'R' s.GetObject 1 s.GetName extfilename "
       "0 s.GetFormat 'a.stx' s.ObjectExists 'c.stx' s.ObjectExists",
       "0 1 'b.stx' 'ascii' #1 #0"},
      {"/s StorageObjectManager def 'a.stx' 'r' s.GetObject 'easCII' s.SetFormat 0 s.GetFormat", "'eascii'"},
      {"/s StorageObjectManager def 'a.stx' 'r' s.GetObject 'binary' s.SetFormat",
       "!unknown storage object format 'BINARY'"},
      {"/s StorageObjectManager def 'a.stx' 'r' s.GetObject pop 5 s.GetName",
       "!TSLArray.ObjectAtIndex: no object to fetch at index 5"},
      {"/s StorageObjectManager def 'a.stx' 'r' s.GetObject pop [B 5 s.Read] [B pop] tryexcept 0 s.GetName extfilename",
       "'a.stx'"},
      {"/s StorageObjectManager def 'nothere.stx' 'r' s.GetObject",
       "!TStorageManager.GetObject: object with name 'nothere.stx' not found"},
      {"/s StorageObjectManager def 1 'r' s.GetObject", "!Invalid class typecast"},
      // An entry added and read back is the very object; names stay unique.
      {"/m ArchiveManager def /a 'x.sla' 'rw' m.GetArchive def /d [D] def a 'e' 'ascii' d m.AddEntry "
       "a exch m.GetDataAtIndex d eq a m.GetCount",
       "#1 1"},
      {"/m ArchiveManager def /a 'x.sla' 'rw' m.GetArchive def a 'e' 'ascii' 1 m.AddEntry a 'E' 'ascii' 2 m.AddEntry",
       "!TSLDictionary.AddObject: object with name 'E' already exists"},
      {"/m ArchiveManager def /a 'x.sla' 'rw' m.GetArchive def a 'e' 'ascii' 1 m.AddEntry a 'f' 'ascii' 2 m.AddEntry "
       "a 0 m.RemoveEntryAtIndex a 'F' m.RemoveEntryWithName a m.GetCount",
       "0 1 0"},
      {"/m ArchiveManager def /a 'x.sla' 'rw' m.GetArchive def a 'nothere' m.RemoveEntryWithName",
       "!TSLDictionary.RemoveObject: object with name 'nothere' not found"},
      {"/m ArchiveManager def /a 'x.sla' 'rw' m.GetArchive def a 'e' 'ascii' 1 m.AddEntry a m.Clear a m.GetCount "
       "a 'f' 'text' 1 m.AddEntry",
       "!unknown storage object format 'TEXT'"},
      {"/m ArchiveManager def 1 m.GetCount", "!TSLArray.ObjectAtIndex: no object to fetch at index 1"},
      {"/m ArchiveManager def 'x.sla' 'rw' m.GetArchive 0 m.GetNameAtIndex",
       "!TSLDictionary.GetObjAtIndex: index (0) out of bounds (0)"},
  };
  RunAll(cases, std::size(cases));
}

TEST_F(EnvironmentSnippets, LinkEntriesCopyTheirFileAtEveryWrite) {
  WriteCwdFile("kit/part.stx", "[A 1]");
  const TSnippet cases[] = {
      {"/m ArchiveManager def /a 'kit.sla' 'rw' m.GetArchive def a 'part.stx' 'ascii' m.AddLink a m.Write",
       "0"},
      {"'kit\\part.stx' loadobj", "[A 1]"},  // the file beside the archive wins a plain lookup
      {"/m ArchiveManager def /a 'kit.sla' 'r' m.GetArchive def a 0 m.GetDataAtIndex", "[A 1]"},
  };
  RunAll(cases, std::size(cases));
}

}  // namespace
}  // namespace vt::test
