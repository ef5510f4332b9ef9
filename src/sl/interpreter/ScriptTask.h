// The abstract script task, its factory and the script debugger: how the runtime and
// every subsystem create and drive scripts. The script application implements them.
#pragma once

#include <cstdint>
#include <functional>

#include "sl/values/Arrays.h"

namespace vt {

class TScriptDebuggerInterface;

class TScriptTaskInterface {
 public:
  using TNotifyEvent = std::function<void(TScriptTaskInterface* Sender)>;
  virtual ~TScriptTaskInterface() = default;

  virtual TSLBlock* GetScript() = 0;
  virtual void SetScript(TSLBlock* Script) = 0;
  virtual TSLContext* GetContext() = 0;
  virtual void SetContext(TSLContext* Context) = 0;
  virtual bool GetAutoFree() = 0;
  virtual void SetAutoFree(bool Value) = 0;
  virtual bool GetDebug() = 0;
  virtual void SetDebug(bool Value) = 0;
  virtual AnsiString GetErrorMsg() = 0;
  virtual bool GetRunning() = 0;
  virtual int GetTaskID() = 0;
  virtual TScriptDebuggerInterface* GetScriptDebugger() = 0;
  virtual void Clear() = 0;
  virtual void PushParameter(TSLObject* Obj) = 0;
  virtual TSLObject* PopResult() = 0;
  virtual void LoadScript(const AnsiString& Name) = 0;
  virtual void Start() = 0;
  virtual void Abort() = 0;
  virtual void Continue(void* Sender) = 0;

  TNotifyEvent OnFinished;  // when the task has finished or was aborted
  TNotifyEvent OnStart;     // once, at the first step of a started task
  std::uint8_t Result = 0;  // 0 after a normal end, 1 after an abort or a runtime error
};

class TScriptDebuggerInterface {
 public:
  virtual ~TScriptDebuggerInterface() = default;
  virtual TSLContext* GetContext() = 0;
  virtual void SetContext(TSLContext* Context) = 0;
  virtual TScriptTaskInterface* GetScriptTask() = 0;
  virtual void SetScriptTask(TScriptTaskInterface* Task) = 0;
  virtual AnsiString GetStatusLine() = 0;
  virtual void SetStatusLine(const AnsiString& Text) = 0;
  virtual void Clear() = 0;
  virtual void AddScript(const AnsiString& FileName, std::uint16_t StorageID) = 0;
  virtual void RefreshDbgViews() = 0;
  virtual void Run() = 0;
  virtual void RunDone() = 0;
  virtual void StepDone() = 0;
  virtual void SelectNextInstruction(std::uint16_t StorageID, std::int32_t Position, std::int32_t Length) = 0;
  virtual void DeselectNextInstruction() = 0;
  virtual void WaitForKey() = 0;
  virtual void WaitForStep() = 0;
};

class TScriptTaskFactoryInterface {
 public:
  virtual ~TScriptTaskFactoryInterface() = default;
  virtual TScriptTaskInterface* CreateScriptTask() = 0;
};

}  // namespace vt
