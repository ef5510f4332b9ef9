#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"
#include "sl/values/Stack.h"

using namespace vt;

namespace {

class Arrays : public RefCountedTest {
 protected:
  // Entries as a string of one-letter string values; '-' for nil.
  static std::string Letters(const TSLCollection& c) {
    std::string out;
    for (int i = 0; i < c.GetCount(); ++i) {
      auto* s = dynamic_cast<TSLString*>(c.GetObjAtIndex(i));
      out += s ? WideToAnsi(s->StringValue()) : "-";
    }
    return out;
  }
  static TRef<TSLString> Letter(char c) { return MakeRef<TSLString>(std::u16string(1, c)); }
};

TEST_F(Arrays, IndexBoundsAndMessages) {
  auto a = MakeRef<TSLArray>();
  a->SetCount(3);
  EXPECT_EQ(Letters(*a), "---");
  a->SetObjAtIndex(3, Letter('x').get());  // count: appends
  EXPECT_THROW_MSG(a->SetObjAtIndex(5, nullptr), "TSLArray.SetObjAtIndex: index (5) out of bounds (4)");
  EXPECT_THROW_MSG(a->InsObjAtIndex(-1, nullptr), "TSLArray.InsObjAtIndex: index (-1) out of bounds (4)");
  EXPECT_THROW_MSG(a->InsObjAtIndex(5, nullptr), "TSLArray.InsObjAtIndex: index (5) out of bounds (4)");
  EXPECT_THROW_MSG(a->DelObjAtIndex(4), "TSLArray.DelObjAtIndex: index (4) out of bounds (4)");
  EXPECT_THROW_MSG(a->GetObjAtIndex(4), "TSLArray.ObjectAtIndex: no object to fetch at index 4");
  a->InsObjAtIndex(4, Letter('y').get());  // count: appends
  EXPECT_EQ(Letters(*a), "---xy");
  a->SetCount(1);
  EXPECT_EQ(Letters(*a), "-");
}

TEST_F(Arrays, ReplacingByTheSameObjectKeepsItsCount) {
  auto a = MakeRef<TSLArray>();
  auto x = Letter('x');
  a->AddObject(x.get());
  a->SetObjAtIndex(0, x.get());
  EXPECT_EQ(x->GetRefCount(), 2);
}

TEST_F(Arrays, MovePackAndIdentity) {
  auto a = MakeRef<TSLArray>();
  for (char c : std::string("abc")) a->AddObject(Letter(c).get());
  a->MoveObject(0, 2);
  EXPECT_EQ(Letters(*a), "bca");
  EXPECT_THROW_MSG(a->MoveObject(0, 3),
                   "TSLArray.MoveObject: Index out of bounds (Elements: 3 FromIndex: 0 ToIndex: 3)");
  auto p = MakeRef<TSLArray>();
  p->AddObject(nullptr);
  p->AddObject(Letter('a').get());
  p->AddObject(nullptr);
  p->AddObject(Letter('b').get());
  p->Pack();
  EXPECT_EQ(Letters(*p), "ab");
  EXPECT_EQ(p->GetIndexOfObj(p->GetObjAtIndex(1)), 1);
  EXPECT_EQ(p->GetIndexOfObj(Letter('b').get()), -1);  // equal is not the same object
}

TEST_F(Arrays, CopyOfBlockIsPlainArray) {
  auto block = MakeRef<TSLBlock>();
  block->SetExecutable(true);
  block->AddObject(MakeRef<TSLIdent>("dup", true).get());
  TSLArray* copy = block->CopyArray();
  EXPECT_EQ(copy->GetCompositeType(), 'A');
  EXPECT_FALSE(copy->GetExecutable());
  EXPECT_TRUE(copy->IsEqual(block.get()));
  EXPECT_FALSE(block->IsEqual(copy));
  auto proc = MakeRef<TSLProcedure>();
  EXPECT_EQ(proc->GetCompositeType(), 'P');
  auto emptyBlock = MakeRef<TSLBlock>();
  EXPECT_FALSE(proc->IsEqual(emptyBlock.get()));
  EXPECT_TRUE(emptyBlock->IsEqual(proc.get()));
}

TEST_F(Arrays, StackIndexesFromTheTop) {
  auto s = MakeRef<TSLStack>();
  for (char c : std::string("xyz")) s->Push(Letter(c).get());  // bottom x, top z
  EXPECT_EQ(Letters(*s), "zyx");  // read by stack index
  s->InsObjAtIndex(1, Letter('w').get());
  EXPECT_EQ(Letters(*s), "zywx");  // x, w, y, z from bottom to top
  EXPECT_THROW_MSG(s->InsObjAtIndex(4, nullptr), "TSLStack.InsObjAtIndex: index (-1) out of bounds (4)");
  s->AddObject(Letter('b').get());
  EXPECT_EQ(Letters(*s), "zywxb");  // added at the bottom
  EXPECT_EQ(s->GetIndexOfObj(s->GetObjAtIndex(3)), 3);
  EXPECT_EQ(s->GetIndexOfObj(Letter('q').get()), -1);

  auto copy = TRef<TSLObject>(s->CopyObject());
  EXPECT_EQ(dynamic_cast<TSLStack*>(copy.get())->GetCompositeType(), 'S');
  EXPECT_EQ(Letters(*dynamic_cast<TSLStack*>(copy.get())), "zywxb");
}

TEST_F(Arrays, PopHandsOutAutoreleasedTop) {
  auto s = MakeRef<TSLStack>();
  s->Push(Letter('a').get());
  TSLObject* top = s->Pop(true);
  EXPECT_EQ(top->GetRefCount(), 1);  // alive until the next purge
  EXPECT_EQ(s->GetCount(), 0);
  EXPECT_THROW_MSG(s->Pop(true), "TSLStack.ObjectAtIndex: no object to fetch at index -1");
  EXPECT_THROW_MSG(s->Pop(false), "TSLStack.DelObjAtIndex: index (-1) out of bounds (0)");
}

TEST_F(Arrays, TypedPushAndPop) {
  auto s = MakeRef<TSLStack>();
  s->PushLongint(4);
  s->PushDouble(3);
  s->PushString("t");
  EXPECT_THROW_MSG(s->PopLongint(), "Invalid class typecast");
  EXPECT_EQ(s->GetCount(), 3);  // nothing popped on a class mismatch
  EXPECT_EQ(s->PopString(), "t");
  EXPECT_EQ(s->PopDouble(), 3.0);
  EXPECT_EQ(s->PopLongint(), 4);
}

}  // namespace
