// The motor wizard engine's manager; see MotorWizardManager.h.
#include "motorwizard/MotorWizardManager.h"

namespace vt {

std::unique_ptr<TMotWizManager> MotWizardManager;

namespace {

std::bitset<256> GAcceptedVersions;

}  // namespace

TMotWizManager::TMotWizManager() {
  GAcceptedVersions.reset();
  for (int version = 25; version <= 42; ++version) GAcceptedVersions.set(version);
  GAcceptedVersions.set(70);
}

const std::bitset<256>& AcceptedDefinitionFileVersions() { return GAcceptedVersions; }

void TMotWizManager::RegisterWizValClass(const AnsiString& AName, TWizValClass AClass) {
  WizValClassList.emplace_back(AName, AClass);
}

void TMotWizManager::RegisterWizParClass(const AnsiString& AName, TWizParClass AClass) {
  WizParClassList.emplace_back(AName, AClass);
}

const TWizItemClassInfo* TMotWizManager::Find(const TClassList& List, const AnsiString& AName) {
  const AnsiString name = UpperCaseAnsi(AName);
  for (const auto& [word, c] : List)
    if (UpperCaseAnsi(word) == name) return c;
  return nullptr;
}

TWizValClass TMotWizManager::GetWizValClass(const AnsiString& AName) const { return Find(WizValClassList, AName); }
TWizParClass TMotWizManager::GetWizParClass(const AnsiString& AName) const { return Find(WizParClassList, AName); }

std::unique_ptr<TMotWizManager> CreateMotWizManager() {
  auto manager = std::make_unique<TMotWizManager>();
  manager->RegisterWizValClass("DOUBLE", WizItemClassOf<TWizValDouble>("TWizValDouble"));
  manager->RegisterWizValClass("STRING", WizItemClassOf<TWizValString>("TWizValString"));
  manager->RegisterWizValClass("INTEGER", WizItemClassOf<TWizValInteger>("TWizValInteger"));
  manager->RegisterWizParClass("DOUBLE", WizItemClassOf<TWizParDouble>("TWizParDouble"));
  manager->RegisterWizParClass("STRING", WizItemClassOf<TWizParString>("TWizParString"));
  manager->RegisterWizParClass("ENUM", WizItemClassOf<TWizParEnum>("TWizParEnum"));
  manager->RegisterWizParClass("BOOLEAN", WizItemClassOf<TWizParBoolean>("TWizParBoolean"));
  manager->RegisterWizParClass("FloatIEEE754", WizItemClassOf<TWizParFloat>("TWizParFloat"));
  return manager;
}

}  // namespace vt
