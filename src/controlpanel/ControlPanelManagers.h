// The process-wide managers of the control panel and of the command table. The control
// panel's view factory and conversions, and the command table's view factory, join with
// their windows. GUI thread only.
#pragma once

#include <memory>

#include "sl/values/Dictionary.h"

namespace vt {

class TControlPanelManager {};

class TCommandTableManager {
 public:
  // Builds the record definition of one table entry.
  TCommandTableManager();
  // The names of a table entry in order with their defaults ("MotionCmdParArray" empty).
  TSLDictionary* GetTableEntryRecDef() const { return FTableEntryRecDef.get(); }

 private:
  TRef<TSLDictionary> FTableEntryRecDef;
};

// Made by the start-up, live until the process ends.
extern std::unique_ptr<TControlPanelManager> ControlPanelManager;
extern std::unique_ptr<TCommandTableManager> CommandTableManager;

}  // namespace vt
