// The parameter class registry and the parameter client; see ParameterManager.h.
#include "parameters/ParameterManager.h"

#include "parameters/DirectoryParameters.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "ui/ImageList.h"

namespace vt {

TParameterManager::TParameterManager() { ColsWidth.fill(DefaultColumnWidth); }

TParameterManager::~TParameterManager() = default;

void TParameterManager::Initialize(const TSLDictionary* Settings) {
  if (!Settings || !Settings->NameExists(u"DisplayInfo")) return;
  const auto* info = CheckedCast<TSLNamedCollection>(Settings->GetObjWithName(u"DisplayInfo"));
  FShowDetails = info->GetBoolWithName(u"ShowDetails");
  const auto* widths = CheckedCast<TSLArray>(info->GetObjWithName(u"WidthsArray"));
  for (int i = 0; i < widths->GetCount() && i < ParameterColumns; ++i)
    ColsWidth[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(
        CheckedCast<TSLNamedCollection>(widths->GetObjAtIndex(i))->GetIntWithName(u"Width"));
}

void TParameterManager::RegisterParameterClass(TParameterClass AClass, const AnsiString& AName) {
  if (!ParameterClassList.try_emplace(UpperCaseAnsi(AName), TRegisteredClass{AName, AClass}).second)
    throw Exception(
        Format("%s.RegisterParameterClass: parameter class with name %s already registered", ClassName(), AName));
}

bool TParameterManager::ParameterClassExists(const AnsiString& AName) const {
  return ParameterClassList.contains(UpperCaseAnsi(AName));
}

TParameterClass TParameterManager::GetParameterClass(const AnsiString& AName) const {
  const auto it = ParameterClassList.find(UpperCaseAnsi(AName));
  if (it == ParameterClassList.end())
    throw Exception(Format("%s.GetParameterClass: parameter class with name %s doesn't exist", ClassName(), AName));
  return it->second.Class;
}

AnsiString TParameterManager::GetName(TParameterClass AClass) const {
  for (const auto& entry : ParameterClassList)
    if (entry.second.Class == AClass) return entry.second.Name;
  return {};
}

namespace {
std::unique_ptr<TParameterManager> TheParameterManager;
}

TParameterManager* ParameterManager() { return TheParameterManager.get(); }

void CreateParameterManager() {
  if (TheParameterManager) throw Exception("CreateParameterManager: parameter manager already exists");
  TheParameterManager = std::make_unique<TParameterManager>();
}

void FreeParameterManager() { TheParameterManager.reset(); }

void RegisterParameterClasses(TParameterManager& Manager) {
  Manager.RegisterParameterClass(ParameterClassOf<TDirectoryParameter>(), "Directory");
  Manager.RegisterParameterClass(ParameterClassOf<TClassDirParameter>(), "ClassDir");
  Manager.RegisterParameterClass(ParameterClassOf<TCapDirParameter>(), "CapDir");
}

}  // namespace vt
