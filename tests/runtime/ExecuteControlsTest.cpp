#include "runtime/ExecuteControls.h"

#include <gtest/gtest.h>

#include <string>

#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "runtime/TaskQueue.h"

using namespace vt;

class ExecuteControl : public RuntimeTest {};

TEST_F(ExecuteControl, RunsNothingUntilItsCreatorContinues) {
  int owner = 0, stranger = 0;
  TExecuteControl ctrl(&owner);
  int idle = 0;
  ctrl.SetOnIdle([&](TExecuteControl*) { ++idle; });
  Steps(5);
  EXPECT_EQ(idle, 0);
  EXPECT_THROW_MSG(ctrl.Continue(&stranger), "TExecuteControl.Continue: waiting object missmatch");
  ctrl.Continue(&owner);
  ASSERT_TRUE(StepUntil([&] { return idle >= 3; }));  // idle and waiting for nothing: every turn
  EXPECT_THROW_MSG(ctrl.Continue(&owner), "TExecuteControl.Continue: not in wait state");
}

TEST_F(ExecuteControl, AnOperationRunsStepByStepUntilStatusZero) {
  TExecuteControl ctrl;
  std::string trace;
  const void* caller = &trace;
  ctrl.OnExecute = [&](TExecuteControl* c) {
    trace += std::to_string(c->Status());
    switch (c->Status()) {
      case 0:
        c->SetStatus(1);
        EXPECT_THROW_MSG(c->Wait(nullptr), "TExecuteControl.Wait: need a valid object reference");
        c->Wait(caller);  // the next step only after Continue
        EXPECT_THROW_MSG(c->Wait(caller), "TExecuteControl.Wait: already in wait state");
        break;
      case 1:
        c->SetStatus(2);
        break;
      default:
        c->SetStatus(0);
    }
  };
  ctrl.Execute(nullptr);
  EXPECT_THROW_MSG(ctrl.Execute(nullptr), "TExecuteControl.Execute: not in idle state");
  ASSERT_TRUE(StepUntil([&] { return trace == "0"; }));
  Steps(5);
  EXPECT_EQ(trace, "0");
  ctrl.Continue(caller);
  ASSERT_TRUE(StepUntil([&] { return ctrl.WorkState() == wsIdle; }));
  EXPECT_EQ(trace, "012");
  // Idle without an idle handler: the control's task sleeps until the next Execute.
  Steps(3);
  EXPECT_EQ(MxScheduler()->TaskCount(), 0);
}

TEST_F(ExecuteControl, AnIdleHandlerAssignedWhileIdleIsCalledEveryTurn) {
  TExecuteControl ctrl;
  Steps(3);
  ASSERT_EQ(MxScheduler()->TaskCount(), 0);  // idle without a handler: asleep
  int idle = 0;
  ctrl.SetOnIdle([&](TExecuteControl*) { ++idle; });
  ASSERT_TRUE(StepUntil([&] { return idle >= 3; }));
}

TEST(ExecuteStack, ContextsNestAndCheckTheirState) {
  TExecuteStack stack;
  int first = 1, second = 2, child = 3;
  stack.Execute(nullptr, &first);
  stack.Execute(nullptr, &second);  // queued behind the current one
  TExecuteContext* current = stack.CurrentContext();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->Data(), &first);
  EXPECT_EQ(stack.QueueCount(), 1);
  EXPECT_TRUE(stack.WorkSignal().Ready());

  EXPECT_THROW_MSG(current->Terminate(), "internal error");  // not active
  current->SetStatus(esActive);
  current->Execute(nullptr, &child);
  EXPECT_EQ(current->Status(), esBuried);
  TExecuteContext* inner = stack.CurrentContext();
  EXPECT_EQ(inner->Data(), &child);
  EXPECT_EQ(stack.StackDepth(), 2);

  inner->SetStatus(esActive);
  EXPECT_THROW_MSG(inner->Wait(1000), "timeout not yet supported");
  inner->SetStatus(esActive);
  inner->Wait(EcNoTimeout);
  EXPECT_EQ(inner->Status(), esWaiting);
  EXPECT_NE(inner->WaitHandle(), 0);
  EXPECT_FALSE(stack.WorkSignal().Ready());
  EXPECT_THROW_MSG(ExecuteManager().DestroyExecuteContext(inner), "internal error");
  // Destroying the stack frees every context, whatever its state.
}

TEST_F(ExecuteControl, TaskQueueRunsOneItemPerStepInOrder) {
  TTaskQueue queue;
  std::string trace;
  int sender = 0;
  queue.AddTask([&](void* s) { trace += s == &sender ? "a" : "?"; }, &sender);
  queue.AddTask([&](void*) { throw std::runtime_error("start-up item failed"); }, nullptr);
  queue.AddTask([&](void*) { trace += "c"; }, nullptr);
  queue.AddTask([&](void*) { throw 42; }, nullptr);  // no std::exception
  queue.AddTask([&](void*) { trace += "e"; }, nullptr);
  EXPECT_EQ(queue.Count(), 5);
  Steps(1);
  EXPECT_EQ(trace, "a");
  Steps(1);
  EXPECT_EQ(trace, "a");  // the failing item is dropped, not retried
  Steps(1);
  EXPECT_EQ(trace, "ac");
  ASSERT_TRUE(StepUntil([&] { return queue.Count() == 0 && MxScheduler()->TaskCount() == 0; }));
  EXPECT_EQ(trace, "ace");
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"***INFO: start-up item failed - TaskQueue",
                                                  "***INFO: unknown exception - TaskQueue"}));
}
