// The parameter service's start: the sequence its internal client runs (init script,
// tree, every parameter read), the tree's rebuild and update, and the script queue; see
// ParameterService.h.
#include <utility>

#include "devices/Device.h"
#include "devices/ModelTree.h"
#include "devices/services/ModuleService.h"
#include "parameters/ParameterService.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/storage/StorageManager.h"

namespace vt {

void TParameterService::BeginStartUpSequence() {
  FInternalClientState = icsStart;
  FInternalClient.Request();
  SetServiceStatusRequest = true;
  SuppressParRangeCheck = false;
}

// Each step that hands work on waits first: the work may end, and continue the
// client, before it returns.
void TParameterService::InternalClientExecute() {
  switch (FInternalClientState) {
    case icsStart:
      FInternalClientState = icsNodes;
      FInternalClient.Wait(csNoTimeout);
      QueueInitScript();
      ExecuteScripts([this] { InternalClientNotify(); });
      break;
    case icsNodes:
      FInternalClientState = icsTrees;
      FInternalClient.Wait(csNoTimeout);
      RebuildParameterTree([this] { InternalClientNotify(); });
      break;
    case icsTrees:
      FInternalClientState = icsPreload;
      FInternalClient.Wait(csNoTimeout);
      LoadPreloadParameters();
      break;
    case icsPreload:
      FInternalClientState = icsIdle;
      if (!SetServiceStatusRequest) break;
      SetServiceStatusRequest = false;
      ShowRootForGuest();
      // A login that failed or was aborted meanwhile stays so.
      if (FServiceStatus == dsStarting) SetServiceStatus(dsStarted);
      break;
    case icsIdle:
      FInternalClient.RequestUpdate();
      FInternalClient.Release();
      break;
  }
}

void TParameterService::InternalClientNotify() {
  if (FServiceProvider.CurrentClient() == &FInternalClient && FServiceProvider.Status() == psWaitClient)
    FInternalClient.Continue();
}

// ---- The tree ----

void TParameterService::RebuildParameterTree(std::function<void()> Done) {
  {
    TModelUpdate bracket(FOwner->Model()->Owner());
    for (int i = 0; FModuleService && i < FModuleService->GetModuleCount(); ++i) {
      const TModuleItem* module = FModuleService->GetModule(i);
      if (module->Data()) LoadTree(WideToAnsi(module->Name()), *module->Data());
    }
    FTreeChanged = true;
    ForEachParameter([this](TParameter* Node, bool&) { Node->Initialize(FOnLine); });
  }
  ExecuteScripts(std::move(Done));
}

// Nodes carry no scripts of their own, so the queue holds what was queued before.
void TParameterService::UpdateTree(std::function<void()> Done) {
  UpdateVisibility();
  ExecuteScripts(std::move(Done));
}

// ---- Scripts ----

void TParameterService::QueueInitScript() {
  const AnsiString text = "[B  /DeviceName '" + FOwner->Name() +
                          "' def  /ParSrv Create:ParameterService def  DeviceName ParSrv.Connect"
                          "  /UniSrv Create:UnitService def  DeviceName UniSrv.Connect]";
  try {
    TRef<TSLObject> script(TheStorageManager().DecodeStringToObject(text));
    FScriptQueue->AddObject(script.get());
  } catch (...) {
    LogError(Format("%s.QueueInitScript: %s", ClassName(), CurrentExceptionText()));
  }
}

void TParameterService::ExecuteScripts(std::function<void()> Done) {
  FScriptExecutedNotification = std::move(Done);
  FScriptExecutionIndex = 0;
  ExecuteNextScript();
}

// A block that cannot be started is logged and passed over, in a loop.
void TParameterService::ExecuteNextScript() {
  while (FScriptExecutionIndex < FScriptQueue->GetCount()) {
    TSLObject* block = FScriptQueue->GetObjAtIndex(FScriptExecutionIndex++);
    try {
      TScriptTaskInterface* task = ScriptTask();
      if (!task) continue;
      task->SetScript(CheckedCast<TSLBlock>(block));
      task->Start();
      return;
    } catch (...) {
      LogError(Format("%s.ExecuteNextScript: %s", ClassName(), CurrentExceptionText()));
    }
  }
  FScriptQueue->Clear();
  std::function<void()> done = std::move(FScriptExecutedNotification);
  FScriptExecutedNotification = nullptr;
  if (done) done();
}

TScriptTaskInterface* TParameterService::ScriptTask() {
  if (FScriptTask) return FScriptTask.get();
  std::unique_ptr<TScriptTaskInterface> task(TheStorageManager().CreateScriptTask());
  task->SetAutoFree(false);
  TRef<TSLContextImplementation> context(TheStorageManager().CreateContext(false));
  task->SetContext(context.get());
  // The script's own failure is in the debug log already; the queue goes on.
  task->OnFinished = [this](TScriptTaskInterface*) { ExecuteNextScript(); };
  FScriptTask = std::move(task);
  return FScriptTask.get();
}

}  // namespace vt
