// The script task manager: the one list of live script tasks in creation order, the
// task numbers (from 1, never reused) and the listeners told when a task is created or
// destroyed (not of state changes). GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vt {

class TScriptTaskInterface;
class TScriptTaskManager;

// One listener: the event and the object that registered it, by which it is removed.
class TOnChangeEventClass {
 public:
  using TOnChangeEvent = std::function<void(TScriptTaskManager* Sender)>;
  TOnChangeEventClass(const void* AOwner, TOnChangeEvent AEvent) : Owner(AOwner), OnChangeEvent(std::move(AEvent)) {}

  const void* const Owner;
  const TOnChangeEvent OnChangeEvent;
};

class TScriptTaskManager {
 public:
  const char* ClassName() const { return "TScriptTaskManager"; }

  // Called by a task's constructor: lists it, tells the listeners and returns its number.
  std::int32_t AnnounceCreation(TScriptTaskInterface* Task);
  // Called by a task's destructor.
  void AnnounceDestruction(TScriptTaskInterface* Task);

  int GetCount() const { return static_cast<int>(TaskList.size()); }
  TScriptTaskInterface* GetTask(int Index) const { return TaskList.at(Index); }
  int IndexOf(const TScriptTaskInterface* Task) const;
  int GetCountRunning() const;

  void AddOnChangeListener(const void* Owner, TOnChangeEventClass::TOnChangeEvent Event);
  // Removes the first listener that Owner registered; nothing when there is none.
  void RemoveOnChangeListener(const void* Owner);
  // Calls every listener in registration order, the manager as sender.
  void SendOnChangeEvents();

 private:
  std::vector<TScriptTaskInterface*> TaskList;  // not owned
  std::vector<std::unique_ptr<TOnChangeEventClass>> FOnChangeListenerList;
  std::int32_t FTaskIDCount = 0;
};

// The one manager of the program, none until the shell installs it at start-up. Tasks
// must be destroyed before the manager they announced themselves to.
TScriptTaskManager* ScriptTaskManager();
// The installed manager; raises "no script task manager" without one.
TScriptTaskManager& TheScriptTaskManager();
void InstallScriptTaskManager(std::unique_ptr<TScriptTaskManager> Manager);

}  // namespace vt
