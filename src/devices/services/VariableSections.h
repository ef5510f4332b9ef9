// What the multi-value reader needs of a device's variable service ("VariableService"),
// its sections and its variables. The variable service implements these; the reader
// sees nothing else of it.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>

#include "platform/TextConversion.h"

namespace vt {

class TVariableReadService;

// Variable type of a string variable.
inline constexpr int VarTypeString = 8;
// Get-parameter list modes a section builds its read with.
inline constexpr int SectionReadRAM = 1;  // 0x12, RAM values
inline constexpr int SectionReadROM = 2;  // 0x11, ROM values

// One drive variable.
class TVariableEntry {
 public:
  virtual ~TVariableEntry() = default;
  virtual int GetVarType() const = 0;
  // Bytes of its value.
  virtual int GetDataSize() const = 0;
  // The longest text of a string variable.
  virtual int MaxSize() const = 0;
  virtual std::int32_t DeviceUPID() const = 0;
  virtual int VarSourceType() const = 0;
};

// A section of variables (a directory); level 1 is a top section.
class TVariableSection {
 public:
  virtual ~TVariableSection() = default;
  virtual TVariableReadService* Owner() const = 0;
  virtual const AnsiString& Name() const = 0;
  virtual int Level() const = 0;
  virtual TVariableSection* Parent() const = 0;
  virtual bool UserDefined() const = 0;
  virtual int GetCount() const = 0;
  virtual TVariableEntry* GetVarItem(int Index) const = 0;
  // Marks variables First to Last for the service's next value request, read in one list
  // of Mode (SectionReadRAM, SectionReadROM); First = Last = 0 means all. Raises
  // "internal error" while the service's value update runs.
  virtual void RequestRead(int First, int Last, int Mode) = 0;

  // The range of the read in progress and where the next one begins.
  int FDataStart = 0;
  int FDataNextStart = 0;
  int FDataEnd = 0;
};

class TVariableReadService {
 public:
  virtual ~TVariableReadService() = default;
  // Opens a value request; raises "%s.BeginUpdate: previous update not completed" while
  // a value update runs.
  virtual void PrepareValueRequest() = 0;
  // Closes it and, at the outermost close, starts the value update; raises
  // "%s.EndOfUpdate: missing previous BeginUpdate" without an open request.
  virtual void ExecuteValueRequest() = 0;
  // A value update runs (FUpdateRunning).
  virtual bool UpdateRunning() const = 0;
};

}  // namespace vt
