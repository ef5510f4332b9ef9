// The language selection dialog; see UserSettingsForm.h.
#include "runtime/forms/UserSettingsForm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "sl/values/Scalars.h"

namespace vt {

TLanguageSelForm::TLanguageSelForm(QWidget* Parent) : QDialog(Parent) {
  setObjectName("LanguageSelForm");
  setWindowTitle("User Settings");
  // A window of its own gets its own task-bar button: it shows before the main window.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* languageGroup = new QGroupBox("Please select your preferred language:  ", this);
  languageGroup->setObjectName("LanguageGroup");
  auto* languageLayout = new QVBoxLayout(languageGroup);
  const std::array<void (TLanguageSelForm::*)(), 4> handlers = {
      &TLanguageSelForm::SetLanguageIndex0, &TLanguageSelForm::SetLanguageIndex1,
      &TLanguageSelForm::SetLanguageIndex2, &TLanguageSelForm::SetLanguageIndex3};
  for (std::size_t i = 0; i < FLanguageRadios.size(); ++i) {
    auto* radio = new QRadioButton(languageGroup);
    radio->setObjectName(QString("Language%1Radio").arg(i + 1));
    radio->hide();
    connect(radio, &QRadioButton::clicked, this, handlers[i]);
    languageLayout->addWidget(radio);
    FLanguageRadios[i] = radio;
  }

  auto* updateGroup = new QGroupBox("Search for Updates   ", this);
  updateGroup->setObjectName("UpdateGroup");
  auto* updateLayout = new QVBoxLayout(updateGroup);
  FAutomaticSearchForUpdatesChk = new QCheckBox("Search for Software Updates at Program Startup", updateGroup);
  FAutomaticSearchForUpdatesChk->setObjectName("AutomaticSearchForUpdatesChk");
  FAutomaticSearchForUpdatesChk->setChecked(true);
  FAutomaticSearchForNewsChk = new QCheckBox("Search for News Updates at Program Startup", updateGroup);
  FAutomaticSearchForNewsChk->setObjectName("AutomaticSearchForNewsChk");
  FAutomaticSearchForNewsChk->setChecked(true);
  FAutomaticSearchForNewsChk->hide();
  updateLayout->addWidget(FAutomaticSearchForUpdatesChk);
  updateLayout->addWidget(FAutomaticSearchForNewsChk);

  FOKBtn = new QPushButton("OK", this);
  FOKBtn->setObjectName("OKBtn");
  FOKBtn->setDefault(true);
  connect(FOKBtn, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(languageGroup);
  layout->addWidget(updateGroup);
  layout->addWidget(FOKBtn, 0, Qt::AlignRight);
}

bool TLanguageSelForm::SearchForUpdates() const { return FAutomaticSearchForUpdatesChk->isChecked(); }
bool TLanguageSelForm::SearchForNews() const { return FAutomaticSearchForNewsChk->isChecked(); }

void TLanguageSelForm::ShowForm() {
  TSLArray* languages = OnGetInfoSysLangArr ? OnGetInfoSysLangArr() : nullptr;
  const int count = languages ? languages->GetCount() : 0;
  for (int i = 0; i < static_cast<int>(FLanguageRadios.size()); ++i) {
    auto* name = i < count ? dynamic_cast<TSLString*>(languages->GetObjAtIndex(i)) : nullptr;
    FLanguageRadios[i]->setText(name ? ToQString(name->StringValue()) : QString());
    FLanguageRadios[i]->setVisible(name != nullptr);
  }
  FLanguageRadios[0]->setChecked(true);
  FLanguageIndex = 0;
  adjustSize();  // room for the buttons just shown
}

void TLanguageSelForm::showEvent(QShowEvent* Event) {
  ShowForm();
  QDialog::showEvent(Event);
}

}  // namespace vt
