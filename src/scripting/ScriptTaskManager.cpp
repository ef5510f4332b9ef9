// The script task manager; see ScriptTaskManager.h.
#include "scripting/ScriptTaskManager.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "sl/interpreter/ScriptTask.h"

namespace vt {

namespace {
std::unique_ptr<TScriptTaskManager>& Installed() {
  static std::unique_ptr<TScriptTaskManager> manager;
  return manager;
}
}  // namespace

TScriptTaskManager* ScriptTaskManager() { return Installed().get(); }

TScriptTaskManager& TheScriptTaskManager() {
  if (!Installed()) throw Exception("no script task manager");
  return *Installed();
}

void InstallScriptTaskManager(std::unique_ptr<TScriptTaskManager> Manager) { Installed() = std::move(Manager); }

std::int32_t TScriptTaskManager::AnnounceCreation(TScriptTaskInterface* Task) {
  TaskList.push_back(Task);
  SendOnChangeEvents();
  return ++FTaskIDCount;
}

void TScriptTaskManager::AnnounceDestruction(TScriptTaskInterface* Task) {
  std::erase(TaskList, Task);
  SendOnChangeEvents();
}

int TScriptTaskManager::IndexOf(const TScriptTaskInterface* Task) const {
  const auto found = std::find(TaskList.begin(), TaskList.end(), Task);
  return found == TaskList.end() ? -1 : static_cast<int>(found - TaskList.begin());
}

int TScriptTaskManager::GetCountRunning() const {
  return static_cast<int>(std::count_if(TaskList.begin(), TaskList.end(), [](auto* t) { return t->GetRunning(); }));
}

void TScriptTaskManager::AddOnChangeListener(const void* Owner, TOnChangeEventClass::TOnChangeEvent Event) {
  FOnChangeListenerList.push_back(std::make_unique<TOnChangeEventClass>(Owner, std::move(Event)));
}

void TScriptTaskManager::RemoveOnChangeListener(const void* Owner) {
  const auto found = std::find_if(FOnChangeListenerList.begin(), FOnChangeListenerList.end(),
                                  [Owner](const auto& l) { return l->Owner == Owner; });
  if (found != FOnChangeListenerList.end()) FOnChangeListenerList.erase(found);
}

void TScriptTaskManager::SendOnChangeEvents() {
  // A listener may remove itself (a window closing) while it is told.
  std::vector<TOnChangeEventClass::TOnChangeEvent> events;
  for (const auto& listener : FOnChangeListenerList) events.push_back(listener->OnChangeEvent);
  for (const auto& event : events)
    if (event) event(this);
}

}  // namespace vt
