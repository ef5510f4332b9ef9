// The curve manager; see CurveManager.h.
#include "curves/CurveManager.h"

#include <exception>

#include "curves/ObjectLoaderManager.h"
#include "curves/SetpointWizards.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"

namespace vt {

std::unique_ptr<TCurveManager> CurveManager;

namespace {

// Runs Step; a failure is shown and the start goes on.
template <class F>
void Shown(F&& Step) {
  try {
    Step();
  } catch (const std::exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
}

}  // namespace

void TCurveManager::RegisterCurveType(const AnsiString& FileName) {
  Shown([&] {
    const TRef<TSLDictionary> types = ReadDictionaryObject(FileName);
    CurveTypeArray = TRef<TSLArray>(CheckedCast<TSLArray>(types->GetObjWithName(u"CurveTypeArray")));
  });
}

void TCurveManager::Init(const AnsiString& FileName) {
  Shown([&] { FCurveInfo = ReadDictionaryObject(FileName); });
}

void TCurveManager::RegisterCurveWizard(std::unique_ptr<TCurveWizard> Wizard) {
  if (GetWizardWithName(Wizard->FWizardName))
    throw Exception("TCurveManager.RegisterCurveWizard: curve wizard already registered");
  CurveWizardList.push_back(std::move(Wizard));
}

TCurveWizard* TCurveManager::GetWizard(int Index) const {
  if (Index < 0 || Index >= GetWizardCount()) throw Exception("TCurveManager.GetWizard: Index out of bound.");
  return CurveWizardList[Index].get();
}

TCurveWizard* TCurveManager::GetWizardWithName(const AnsiString& Name) const {
  for (const auto& wizard : CurveWizardList)
    if (UpperCaseAnsi(wizard->FWizardName) == UpperCaseAnsi(Name)) return wizard.get();
  return nullptr;
}

std::unique_ptr<TCurveManager> CreateCurveManager(const AnsiString& CurveTypesFile, const AnsiString& CurveInfoFile) {
  auto manager = std::make_unique<TCurveManager>();
  const auto add = [&]<class W>(const char* Name) {
    manager->RegisterCurveWizard(std::make_unique<W>(CurveTypesFile, Name));
  };
  add.operator()<TSineWizard>("SinPosTime");
  add.operator()<TPToPWizard>("VAPosTime");
  add.operator()<TMinJerkWizard>("MinJerkPosTime");
  add.operator()<TLimitJerkWizard>("LimitJerkPosTime");
  add.operator()<TStandstillWizard>("StandstillPosTime");
  add.operator()<TManualWizard>("FromFileTime");
  add.operator()<TManualWizard>("ManualTime");
  add.operator()<TSinPosIncWizard>("SinPosInc");
  add.operator()<TMinJerkPosIncWizard>("MinJerkPosInc");
  add.operator()<TStandstillPosIncWizard>("StandstillPosInc");
  add.operator()<TVALengthPosIncWizard>("VALengthPosInc");
  add.operator()<TConvSyncPosIncWizard>("ConvSyncPosInc");
  add.operator()<TManualWizard>("FromFileInc");
  add.operator()<TManualPosIncWizard>("ManualInc");
  manager->RegisterCurveType(CurveTypesFile);
  manager->Init(CurveInfoFile);
  return manager;
}

}  // namespace vt
