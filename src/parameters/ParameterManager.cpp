// The parameter class registry and the parameter client; see ParameterManager.h.
#include "parameters/ParameterManager.h"

#include <utility>

#include "parameters/BoolParameters.h"
#include "parameters/DirectoryParameters.h"
#include "parameters/EnumParameters.h"
#include "parameters/FloatParameters.h"
#include "parameters/IntegerParameters.h"
#include "parameters/RadioParameters.h"
#include "parameters/StringParameters.h"
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
  RegisterIntegerParameterClasses(Manager);
  const std::pair<TParameterClass, const char*> classes[] = {
      {ParameterClassOf<TEnumDir32Parameter>(), "EnumDir32"},
      {ParameterClassOf<TEnumDir16Parameter>(), "EnumDir16"},
      {ParameterClassOf<TEnumDir8Parameter>(), "EnumDir8"},
      {ParameterClassOf<TEnumChild32Parameter>(), "EnumChild32"},
      {ParameterClassOf<TEnumChild16Parameter>(), "EnumChild16"},
      {ParameterClassOf<TEnumChild8Parameter>(), "EnumChild8"},
      {ParameterClassOf<TRadioDir32Parameter>(), "RadioDir32"},
      {ParameterClassOf<TRadioDir16Parameter>(), "RadioDir16"},
      {ParameterClassOf<TRadioDir8Parameter>(), "RadioDir8"},
      {ParameterClassOf<TRadioDirBitParameter>(), "RadioDirBit"},
      {ParameterClassOf<TRadioChild32Parameter>(), "RadioChild32"},
      {ParameterClassOf<TRadioChild16Parameter>(), "RadioChild"},  // the 16-bit option
      {ParameterClassOf<TRadioChild8Parameter>(), "RadioChild8"},
      {ParameterClassOf<TRadioChildBitParameter>(), "RadioChildBit"},
      {ParameterClassOf<TDirectoryParameter>(), "Directory"},
      {ParameterClassOf<TBoolParameter>(), "Bool"},
      {ParameterClassOf<TStringParameter>(), "String"},
      {ParameterClassOf<TClassDirParameter>(), "ClassDir"},
      {ParameterClassOf<TCapDirParameter>(), "CapDir"},
      {ParameterClassOf<TFloat32Parameter>(), "FLOATIEEE754"},
      {ParameterClassOf<TDouble64Parameter>(), "DOUBLEIEEE754"},
  };
  for (const auto& [parameterClass, name] : classes) Manager.RegisterParameterClass(parameterClass, name);
}

}  // namespace vt
