// The one registry of what curves share across devices: the curve types, the setpoint
// wizards by name and the curve information with the current curve version. Filled
// once at start-up. GUI thread only.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "curves/CurveWizard.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"

namespace vt {

class TCurveManager {
 public:
  // Keeps the array "CurveTypeArray" of the storage object FileName. A failure is shown
  // as a message and leaves the curve types empty.
  void RegisterCurveType(const AnsiString& FileName);
  // Keeps the dictionary of the storage object FileName as the curve information; a
  // failure is shown as a message.
  void Init(const AnsiString& FileName);
  // Appends Wizard under its name; a name taken in any letter case raises.
  void RegisterCurveWizard(std::unique_ptr<TCurveWizard> Wizard);

  int GetWizardCount() const { return static_cast<int>(CurveWizardList.size()); }
  // Raises "TCurveManager.GetWizard: Index out of bound." outside 0 .. count - 1.
  TCurveWizard* GetWizard(int Index) const;
  // Letter case ignored; nil for none.
  TCurveWizard* GetWizardWithName(const AnsiString& Name) const;
  TSLArray* GetCurveTypeArray() const { return CurveTypeArray.get(); }
  TSLDictionary* GetCurveInfo() const { return FCurveInfo.get(); }

 private:
  std::vector<std::unique_ptr<TCurveWizard>> CurveWizardList;  // in registration order
  TRef<TSLArray> CurveTypeArray;
  TRef<TSLDictionary> FCurveInfo;
};

// Made by the start-up, lives until the process ends.
extern std::unique_ptr<TCurveManager> CurveManager;

// The curve manager with the fourteen setpoint wizards of CurveTypesFile, the curve
// types of the same file and the curve information of CurveInfoFile.
std::unique_ptr<TCurveManager> CreateCurveManager(const AnsiString& CurveTypesFile, const AnsiString& CurveInfoFile);

}  // namespace vt
