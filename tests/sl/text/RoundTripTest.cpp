#include <gtest/gtest.h>

#include "SLTextFixture.h"
#include "sl/values/Arrays.h"
#include "sl/values/Record.h"
#include "sl/values/Scalars.h"
#include "sl/values/Stack.h"

using namespace vt;

namespace {

class RoundTrip : public SLTextTest {};

// A hand-written text with layout and comments, holding every token kind and every value
// class, a shared composite and two records of one type; and the one line it is written as.
const char kHandWritten[] =
    "% Settings of one drive\r\n"
    "[D:Root\r\n"
    "  /Int -42 /Hex $7F /Real 1.5 /Third 0.333333333333333 /Tiny 1.5E-7 /Huge 1E20\r\n"
    "  /Text 'it@'s @@home@n@l\tx\x80\xE9@41'\r\n"
    "  /Yes #1 /No #0 /Lit /name /Exe ns:proc /Nil @0\r\n"
    "  /Arr [A:List 1 2 3] /Again @List\r\n"
    "  /Blk [B 1 2 add] /Prc [P [A /x] x [A]] /Stk [S 1 2]\r\n"
    "  /Recs [A [R [D:Point /x 0 /y 0] [A 1 2]] [R @Point [A 3 4]]] % two points\r\n"
    "]";
const char kWritten[] =
    "[D:Root /Int -42 /Hex 127 /Real 1.5 /Third 0.333333333333333 /Tiny 1.5E-7 /Huge 1E20 "
    "/Text 'it@'s @@home@n@l\tx\x80\xE9" "A' /Yes #1 /No #0 /Lit /name /Exe ns:proc /Nil @0 "
    "/Arr [A:List 1 2 3 ] /Again @2 /Blk [B 1 2 add ] /Prc [P [A /x ] x [A ] ] /Stk [S 1 2 ] "
    "/Recs [A [R [D:Point /x 0 /y 0 ] [A 1 2 ] ] [R @10 [A 3 4 ] ] ] ] ";

void ExpectSameShape(TSLDictionary* a, TSLDictionary* b) {
  ASSERT_EQ(a->GetCount(), b->GetCount());
  for (int i = 0; i < a->GetCount(); ++i) {
    TSLObject* x = a->GetObjAtIndex(i);
    TSLObject* y = b->GetObjAtIndex(i);
    EXPECT_EQ(a->GetNameAtIndex(i), b->GetNameAtIndex(i));
    if (x && y) {
      EXPECT_EQ(std::string(x->ClassName()), std::string(y->ClassName())) << i;
    }
  }
  EXPECT_TRUE(a->IsEqual(b));
}

TEST_F(RoundTrip, EveryTokenAndValueClass) {
  auto* first = CheckedCast<TSLDictionary>(Decode(kHandWritten));
  ASSERT_EQ(Encode(first), kWritten);
  auto* second = CheckedCast<TSLDictionary>(Decode(kWritten));
  EXPECT_EQ(Encode(second), kWritten);
  ExpectSameShape(first, second);

  EXPECT_EQ(second->Ident(), "Root");
  EXPECT_EQ(second->GetStrWithName(u"Text"), u"it's @home\r\n\tx\u20AC\u00E9A");
  EXPECT_EQ(second->GetObjWithName(u"Again"), second->GetObjWithName(u"Arr"));
  EXPECT_EQ(CheckedCast<TSLArray>(second->GetObjWithName(u"Arr"))->Ident(), "List");
  EXPECT_EQ(second->GetObjWithName(u"Nil"), nullptr);
  EXPECT_TRUE(CheckedCast<TSLIdent>(second->GetObjWithName(u"Exe"))->GetExecutable());
  EXPECT_FALSE(CheckedCast<TSLIdent>(second->GetObjWithName(u"Lit"))->GetExecutable());
  EXPECT_NE(dynamic_cast<TSLBlock*>(second->GetObjWithName(u"Blk")), nullptr);
  EXPECT_NE(dynamic_cast<TSLProcedure*>(second->GetObjWithName(u"Prc")), nullptr);
  EXPECT_EQ(CheckedCast<TSLStack>(second->GetObjWithName(u"Stk"))->GetIntAtIndex(0), 1);  // written top first
  auto* recs = CheckedCast<TSLArray>(second->GetObjWithName(u"Recs"));
  auto* p = CheckedCast<TSLRecord>(recs->GetObjAtIndex(0));
  auto* q = CheckedCast<TSLRecord>(recs->GetObjAtIndex(1));
  EXPECT_EQ(p->RecDef(), q->RecDef());
  EXPECT_EQ(q->GetIntWithName(u"x"), 3);
}

// Every byte value of a string survives, escapes or not.
TEST_F(RoundTrip, StringsOfAllBytes) {
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
  auto s = MakeRef<TSLString>(AnsiToWide(bytes));
  EXPECT_TRUE(Decode(Encode(s.get()))->IsEqual(s.get()));
}

// A composite that holds itself is written as a reference to itself and read back so.
TEST_F(RoundTrip, SelfReferencingComposite) {
  auto* me = CheckedCast<TSLArray>(Decode("[A:Me 1 @Me [A @1]]"));
  EXPECT_EQ(me->GetObjAtIndex(1), me);
  const std::string text = Encode(me);
  EXPECT_EQ(text, "[A:Me 1 @1 [A @1 ] ] ");
  auto* again = CheckedCast<TSLArray>(Decode(text));
  EXPECT_EQ(again->GetObjAtIndex(1), again);
  EXPECT_EQ(CheckedCast<TSLArray>(again->GetObjAtIndex(2))->GetObjAtIndex(0), again);
  // Reference counting never frees a cycle; the test breaks both.
  me->Clear();
  again->Clear();
}

}  // namespace
