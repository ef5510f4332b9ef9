// The task queue; see TaskQueue.h.
#include "runtime/TaskQueue.h"

#include "runtime/DebugLog.h"

namespace vt {

TTaskQueue::TTaskQueue() : FTask(std::make_unique<TMxTask>("TaskQueue")) {
  FTask->OnExecute = [this](TMxTask*) { Step(); };
  FTask->Start();
}

TTaskQueue::~TTaskQueue() {
  FTask.reset();
  while (TTaskItem* item = FHead) {
    FHead = item->FNext;
    delete item;
  }
}

void TTaskQueue::AddTask(TTaskItemEvent AOnExecute, void* ASender) {
  auto* item = new TTaskItem(std::move(AOnExecute), ASender);
  if (FTail)
    FTail->FNext = item;
  else
    FHead = item;
  FTail = item;
  FSignal.SetReady(true);
}

int TTaskQueue::Count() const {
  int n = 0;
  for (const TTaskItem* i = FHead; i; i = i->FNext) ++n;
  return n;
}

// One item per step; the task stays ready while items wait.
void TTaskQueue::Step() {
  TTaskItem* item = FHead;
  if (!item) {
    FSignal.SetReady(false);
    FTask->WaitFor(&FSignal, MxNoTimeout);
    return;
  }
  // A failing item is logged and dropped; the items behind it still run.
  try {
    item->Execute();
  } catch (...) {
    LogInfo(CurrentExceptionText() + " - " + FTask->Caption());
  }
  FHead = item->FNext;
  if (!FHead) FTail = nullptr;
  delete item;
}

}  // namespace vt
