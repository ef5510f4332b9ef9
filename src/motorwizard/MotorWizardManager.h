// The one motor wizard engine of the process: so far its class registries (which class
// makes a wizard value or parameter of each type word), the flags the commander reads
// and the definition-file versions the engine accepts. GUI thread only.
#pragma once

#include <bitset>
#include <memory>
#include <utility>
#include <vector>

#include "motorwizard/WizardItems.h"
#include "platform/TextConversion.h"

namespace vt {

class TMotWizManager {
 public:
  // Also sets the accepted definition-file versions.
  TMotWizManager();

  // Add a class under a type word; no duplicate check: a lookup finds the first.
  void RegisterWizValClass(const AnsiString& AName, TWizValClass AClass);
  void RegisterWizParClass(const AnsiString& AName, TWizParClass AClass);
  // Type words compare without regard to letter case; nil for an unknown one.
  bool WizValClassExists(const AnsiString& AName) const { return GetWizValClass(AName) != nullptr; }
  TWizValClass GetWizValClass(const AnsiString& AName) const;
  bool WizParClassExists(const AnsiString& AName) const { return GetWizParClass(AName) != nullptr; }
  TWizParClass GetWizParClass(const AnsiString& AName) const;

  bool FInitializing = false;  // set by the caller before Init
  bool FFinishFlag = false;    // the final write runs
  AnsiString FADFName;         // the loaded actuator definition file, without folder and extension

 private:
  using TClassList = std::vector<std::pair<AnsiString, const TWizItemClassInfo*>>;
  static const TWizItemClassInfo* Find(const TClassList& List, const AnsiString& AName);

  TClassList WizValClassList, WizParClassList;
};

// The definition-file versions the engine accepts.
const std::bitset<256>& AcceptedDefinitionFileVersions();

// Made by the start-up, lives until the process ends.
extern std::unique_ptr<TMotWizManager> MotWizardManager;

// The manager with the value classes "DOUBLE", "STRING", "INTEGER" and the parameter
// classes "DOUBLE", "STRING", "ENUM", "BOOLEAN", "FloatIEEE754".
std::unique_ptr<TMotWizManager> CreateMotWizManager();

}  // namespace vt
