#include "sl/values/RefCounting.h"

#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

// Counts its destructions, so tests see exactly when the last release happens.
class TProbe : public TSLObject {
 public:
  TProbe(bool AutoRelease, int* destroyed) : TSLObject(AutoRelease), FDestroyed(destroyed) {}
  const char* ClassName() const override { return "TProbe"; }

 protected:
  ~TProbe() override { ++*FDestroyed; }

 private:
  int* FDestroyed;
};

class RefCounting : public RefCountedTest {};

TEST_F(RefCounting, AutoreleasedObjectLivesUntilPurge) {
  int destroyed = 0;
  auto* kept = new TProbe(true, &destroyed);
  auto* dropped = new TProbe(true, &destroyed);
  EXPECT_EQ(kept->GetRefCount(), 1);
  kept->Retain();
  RefObjManager().PurgeAutoReleasePool();
  EXPECT_EQ(destroyed, 1);  // only the one nobody retained
  EXPECT_EQ(kept->GetRefCount(), 1);
  (void)dropped;
  kept->Release();
  EXPECT_EQ(destroyed, 2);
}

TEST_F(RefCounting, AutoReleaseOfHeldObjectDropsOneReference) {
  int destroyed = 0;
  TRef<TProbe> held(new TProbe(false, &destroyed));
  held->Retain();
  held->AutoRelease();
  RefObjManager().PurgeAutoReleasePool();
  EXPECT_EQ(held->GetRefCount(), 1);
  EXPECT_EQ(destroyed, 0);
  held.reset();
  EXPECT_EQ(destroyed, 1);
}

TEST_F(RefCounting, ObjectEnteredTwiceIsReleasedTwice) {
  int destroyed = 0;
  auto* p = new TProbe(false, &destroyed);
  p->Retain();
  p->Retain();
  p->AutoRelease();
  p->AutoRelease();
  RefObjManager().PurgeAutoReleasePool();
  EXPECT_EQ(destroyed, 1);
}

// The pool doubles when full, so a burst of values costs time linear in their number,
// and shrinks back when purged.
TEST_F(RefCounting, PoolGrowsGeometrically) {
  auto& m = RefObjManager();
  EXPECT_EQ(m.PoolCapacity(), 2000u);
  for (int i = 0; i < 2000; ++i) new TSLLongint(true, i);
  EXPECT_EQ(m.PoolCapacity(), 2000u);
  new TSLLongint(true, 2000);  // the 2001st entry
  EXPECT_EQ(m.PoolCapacity(), 4000u);
  for (int i = 0; i < 2000; ++i) new TSLLongint(true, i);  // up to the 4001st
  EXPECT_EQ(m.PoolCapacity(), 8000u);
  EXPECT_EQ(m.PoolCount(), 4001u);
  m.PurgeAutoReleasePool();
  EXPECT_EQ(m.PoolCount(), 0u);
  EXPECT_EQ(m.PoolCapacity(), 2000u);  // the room of the burst is given back
}

TEST_F(RefCounting, CountingErrors) {
  int destroyed = 0;
  auto* p = new TProbe(false, &destroyed);
  EXPECT_THROW_MSG(p->Release(), "TProbe.Release: reference counter is zero");
  EXPECT_THROW_MSG(p->AutoRelease(), "TProbe.AutoRelease: reference counter is zero");
  EXPECT_EQ(RefObjManager().PoolCount(), 0u);
  EXPECT_EQ(destroyed, 0);  // still alive after the failed release
  p->Retain();
  EXPECT_THROW_MSG(p->Free(), "Error using reference counting");
  EXPECT_EQ(destroyed, 0);
  p->Release();
  EXPECT_EQ(destroyed, 1);
}

TEST_F(RefCounting, FreeAtCountZeroDestroys) {
  int destroyed = 0;
  (new TProbe(false, &destroyed))->Free();
  EXPECT_EQ(destroyed, 1);
}

TEST_F(RefCounting, HandlesShareOneObject) {
  int destroyed = 0;
  {
    TRef<TProbe> a(new TProbe(false, &destroyed));
    TRef<TProbe> b = a;
    TRef<TSLObject> base = b;
    EXPECT_EQ(a->GetRefCount(), 3);
    b = TRef<TProbe>();
    EXPECT_EQ(a->GetRefCount(), 2);
    TRef<TProbe> moved = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(moved->GetRefCount(), 2);
  }
  EXPECT_EQ(destroyed, 1);
}

// Fails after its base has put it into the autorelease pool.
class TFailing : public TSLObject {
 public:
  explicit TFailing(bool AutoRelease) : TSLObject(AutoRelease) { throw Exception("cannot make it"); }
};

TEST_F(RefCounting, FailedConstructionLeavesNothingInThePool) {
  EXPECT_THROW_MSG(new TFailing(true), "cannot make it");
  EXPECT_EQ(RefObjManager().PoolCount(), 0u);
  RefObjManager().PurgeAutoReleasePool();  // nothing freed twice
}

TEST_F(RefCounting, MissingOperationNamesClassAndOperation) {
  auto s = MakeRef<TSLString>(u"x");
  EXPECT_THROW_MSG(s->Execute(nullptr), "TSLString.Execute: method not implemented");
  EXPECT_THROW_MSG(s->SetExecutable(true), "TSLString.SetExecutable: method not implemented");
  EXPECT_FALSE(s->GetExecutable());
}

}  // namespace
