// A fixture that checks that no reference-counted object outlives a test: every object
// created is destroyed once the autorelease pool is purged.
#pragma once

#include "TestUtil.h"
#include "sl/values/RefCounting.h"

class RefCountedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vt::RefObjManager().PurgeAutoReleasePool();
    FObjCountAtStart = vt::RefObjManager().ObjCount();
  }
  void TearDown() override {
    vt::RefObjManager().PurgeAutoReleasePool();
    EXPECT_EQ(vt::RefObjManager().ObjCount(), FObjCountAtStart) << "objects leaked";
  }

 private:
  int FObjCountAtStart = 0;
};
