// The setpoint wizard base: what every wizard reads from its definition in the wizard
// definitions file (name, caption, type code, parameters and info values). The wizards
// are made once at start-up and shared by all devices. GUI thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

class TSLDictionary;

// One parameter the user types in; values in SI units.
struct TWizardPar {
  AnsiString Name, Caption;
  std::int32_t ParUUID = 0;  // the unit it is typed and shown in
  double Value = 0, DefaultValue = 0, MinValue = 0, MaxValue = 0;
};

// One computed value shown read-only.
struct TInfoValue {
  AnsiString Name, Caption;
  std::int32_t ParUUID = 0;
  double Value = 0;
};

class TCurveWizard {
 public:
  // Builds the wizard from the entry named WizardName (exact; the last of several wins)
  // of the array "WizardTypeArray" of the storage object FileName. A failure to read is
  // shown as a message; the wizard then keeps what was read before it.
  TCurveWizard(const AnsiString& FileName, const AnsiString& WizardName);
  virtual ~TCurveWizard() = default;
  TCurveWizard(const TCurveWizard&) = delete;
  TCurveWizard& operator=(const TCurveWizard&) = delete;

  // The fixed type code of the class.
  virtual std::int32_t GetWizardType() const = 0;
  // 0 while the definition was not found.
  int GetNoOfWizardPars() const { return FWizardParameters ? static_cast<int>(FWizardParameters->size()) : 0; }
  int GetNoOfInfoValues() const { return FInfoValues ? static_cast<int>(FInfoValues->size()) : 0; }
  const TWizardPar& GetWizardPar(int Index) const { return FWizardParameters->at(Index); }

  std::int32_t FWizardType = 0;  // the definition's ID x 256 + 1, stored in curves
  AnsiString FWizardName;
  AnsiString FWizardCaption;

 private:
  void ReadDefinition(const TSLDictionary& Entry);

  std::optional<std::vector<TWizardPar>> FWizardParameters;  // absent without a definition
  std::optional<std::vector<TInfoValue>> FInfoValues;
};

}  // namespace vt
