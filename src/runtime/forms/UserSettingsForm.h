// The "User Settings" dialog: the user picks the interface language among the first
// four languages the shell offers and whether to search for updates at start-up.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "sl/values/Arrays.h"

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace vt {

class TLanguageSelForm : public QDialog {
 public:
  explicit TLanguageSelForm(QWidget* Parent = nullptr);

  // The offered languages (the shell's GetInfoSysLangArr); nil or unset offers none.
  std::function<TSLArray*()> OnGetInfoSysLangArr;

  // The chosen entry of the offered list, 0..3.
  int LanguageIndex() const { return FLanguageIndex; }
  bool SearchForUpdates() const;
  bool SearchForNews() const;

  // Fills the radio buttons from the offered list and checks the first.
  void ShowForm();
  void SetLanguageIndex0() { FLanguageIndex = 0; }
  void SetLanguageIndex1() { FLanguageIndex = 1; }
  void SetLanguageIndex2() { FLanguageIndex = 2; }
  void SetLanguageIndex3() { FLanguageIndex = 3; }

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  std::array<QRadioButton*, 4> FLanguageRadios{};
  QCheckBox* FAutomaticSearchForUpdatesChk;
  QCheckBox* FAutomaticSearchForNewsChk;
  QPushButton* FOKBtn;
  int FLanguageIndex = 0;
};

}  // namespace vt
