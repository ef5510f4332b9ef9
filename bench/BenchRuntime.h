// The runtime's globals a benchmark on the main scheduler needs, made and freed in
// their order: a benchmark's rig derives from it, so its own parts go first.
#pragma once

#include "runtime/MessageBuffers.h"
#include "runtime/Messages.h"
#include "runtime/ProcessGlobal.h"
#include "runtime/Tasks.h"

struct TBenchRuntime {
  TBenchRuntime() {
    vt::MainFormExitRequest = false;
    vt::MxCreateMainScheduler();
    vt::MxCreateBufferSegmentPool();
    vt::MxCreateMessagePool();
    vt::MxCreateMessageDispatcher();
  }
  ~TBenchRuntime() {
    vt::MxFreeMessageDispatcher();
    vt::MxFreeMessagePool();
    vt::MxFreeBufferSegmentPool();
    vt::MxFreeMainScheduler();
    vt::MainFormExitRequest = false;
  }
  TBenchRuntime(const TBenchRuntime&) = delete;
  TBenchRuntime& operator=(const TBenchRuntime&) = delete;
};
