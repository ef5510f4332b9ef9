// The control panel's and the command table's managers; see ControlPanelManagers.h.
#include "controlpanel/ControlPanelManagers.h"

#include "sl/values/Arrays.h"
#include "sl/values/Scalars.h"

namespace vt {

std::unique_ptr<TControlPanelManager> ControlPanelManager;
std::unique_ptr<TCommandTableManager> CommandTableManager;

TCommandTableManager::TCommandTableManager() : FTableEntryRecDef(MakeRef<TSLDictionary>()) {
  TSLDictionary& def = *FTableEntryRecDef;
  def.SetBoolWithName(u"EntryDefined", false);
  def.SetIntWithName(u"EntryVersionID", -1);
  def.SetStrWithName(u"Name", u"");
  def.SetIntWithName(u"MotionCmdMasterID", -1);
  def.SetIntWithName(u"MotionCmdSubID", -1);
  def.SetObjWithName(u"MotionCmdParArray", MakeRef<TSLArray>().get());
  def.SetIntWithName(u"NextSeqCmdID", -1);
}

}  // namespace vt
