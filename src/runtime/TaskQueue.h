// The task queue "TaskQueue": deferred closures run one per step of its task, first in
// first out (the shell queues its start-up work here).
#pragma once

#include <functional>
#include <memory>

#include "runtime/Tasks.h"

namespace vt {

using TTaskItemEvent = std::function<void(void* Sender)>;

class TTaskItem {
 public:
  TTaskItem(TTaskItemEvent AOnExecute, void* ASender) : FOnExecute(std::move(AOnExecute)), FSender(ASender) {}
  void Execute() {
    if (FOnExecute) FOnExecute(FSender);
  }

 private:
  friend class TTaskQueue;
  TTaskItemEvent FOnExecute;
  void* FSender;
  TTaskItem* FNext = nullptr;
};

class TTaskQueue {
 public:
  TTaskQueue();
  // Frees its task and the items not yet run.
  ~TTaskQueue();
  TTaskQueue(const TTaskQueue&) = delete;
  TTaskQueue& operator=(const TTaskQueue&) = delete;

  void AddTask(TTaskItemEvent AOnExecute, void* ASender);
  int Count() const;

 private:
  void Step();

  TMxSignal FSignal;
  std::unique_ptr<TMxTask> FTask;
  TTaskItem* FHead = nullptr;
  TTaskItem* FTail = nullptr;
};

}  // namespace vt
