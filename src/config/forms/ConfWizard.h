// The offline-configuration dialog ("Create Configuration Offline"): the user picks a
// drive family, a drive type, an interface and an application from the release catalogue
// of the firmware script; OK computes the parameter trees and versions of that choice.
// The main form owns the one dialog and shows it modally while a create-offline opening
// runs; headless runs answer it through a replaceable handler. GUI thread only.
#pragma once

#include <QDialog>
#include <functional>

#include "config/ReleaseCatalogue.h"
#include "platform/Dialogs.h"

class QComboBox;
class QPushButton;

namespace vt {

class TConfWizard : public QDialog, public TReleaseCatalogue {
 public:
  explicit TConfWizard(QWidget* Parent = nullptr);

  // Fills the drive types and adds the families not listed yet (an earlier catalogue's
  // stay), then selects the first family. Raises as TReleaseCatalogue::Initialize.
  void Initialize(TSLBlock* InfoBlock, std::int32_t FirmwareScriptVersion);
  // Shows the dialog modally, or hands it to the installed handler; mrOk when it was
  // closed with OK.
  TModalResult ShowModal();

  void DriveFamilyCboChange();
  void ControllersCboChange();
  // Both buttons: OK computes the choice and closes, or shows why it cannot and stays
  // open; Cancel closes.
  void Button1Click(bool Ok);

  QComboBox* DriveFamilyCbo;
  QComboBox* ControllersCbo;
  QComboBox* InterfaceCbo;
  QComboBox* ApplicationCbo;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

 private:
  // The combo box gets the entries the selected drive type lists under Key, each with
  // its "Caption"; disabled when the type lists none.
  void FillEntries(QComboBox* Box, const TSLDictionary& Drive, const char16_t* Key);
};

// In place of the modal window: the handler acts on the shown dialog as a user would
// (chooses, clicks OK or Cancel). An empty one restores the modal window.
using TConfWizardHandler = std::function<void(TConfWizard& Dialog)>;
void SetConfWizardHandler(TConfWizardHandler Handler);

}  // namespace vt
