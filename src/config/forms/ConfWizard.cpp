// The offline-configuration dialog; see ConfWizard.h.
#include "config/forms/ConfWizard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "platform/TextConversion.h"

namespace vt {

namespace {

TConfWizardHandler& Handler() {
  static TConfWizardHandler handler;
  return handler;
}

QComboBox* NewCombo(QWidget* Parent, const char* Name) {
  auto* box = new QComboBox(Parent);
  box->setObjectName(QString::fromLatin1(Name));
  return box;
}

// The catalogue entry kept with a combo box item; the block holds it.
TSLDictionary* EntryAt(const QComboBox* Box, int Index) {
  if (Index < 0 || !Box->isEnabled()) return nullptr;
  return reinterpret_cast<TSLDictionary*>(Box->itemData(Index).value<quintptr>());
}

QVariant Keep(TSLDictionary* Entry) { return QVariant::fromValue(reinterpret_cast<quintptr>(Entry)); }

// A user's choice runs this: a catalogue entry it cannot read is shown, never thrown
// through the window system.
void Shown(const std::function<void()>& Step) {
  try {
    Step();
  } catch (const std::exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
}

}  // namespace

void SetConfWizardHandler(TConfWizardHandler AHandler) { Handler() = std::move(AHandler); }

TConfWizard::TConfWizard(QWidget* Parent) : QDialog(Parent) {
  setObjectName(QStringLiteral("ConfWizard"));
  setWindowTitle(QStringLiteral("Create Configuration Offline"));
  auto* grid = new QGridLayout;
  const struct {
    const char* Caption;
    QComboBox** Box;
    const char* Name;
  } rows[] = {{"Drive Family:", &DriveFamilyCbo, "DriveFamilyCbo"},
              {"Drive Type:", &ControllersCbo, "ControllersCbo"},
              {"Interface:", &InterfaceCbo, "InterfaceCbo"},
              {"Application:", &ApplicationCbo, "ApplicationCbo"}};
  for (int i = 0; i < 4; ++i) {
    *rows[i].Box = NewCombo(this, rows[i].Name);
    grid->addWidget(new QLabel(QString::fromLatin1(rows[i].Caption), this), i, 0);
    grid->addWidget(*rows[i].Box, i, 1);
  }
  grid->setColumnStretch(1, 1);
  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch();
  layout->addLayout(buttons);
  setFixedSize(288, 206);

  connect(DriveFamilyCbo, &QComboBox::currentIndexChanged, this, [this] { Shown([this] { DriveFamilyCboChange(); }); });
  connect(ControllersCbo, &QComboBox::currentIndexChanged, this, [this] { Shown([this] { ControllersCboChange(); }); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { Button1Click(true); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { Button1Click(false); });
}

void TConfWizard::Initialize(TSLBlock* InfoBlock, std::int32_t FirmwareScriptVersion) {
  {
    const QSignalBlocker blockTypes(ControllersCbo);
    ControllersCbo->clear();
  }
  TReleaseCatalogue::Initialize(InfoBlock, FirmwareScriptVersion);
  const QSignalBlocker blockFamilies(DriveFamilyCbo);
  for (const AnsiString& family : Families())
    if (DriveFamilyCbo->findText(ToQString(AnsiToWide(family))) < 0)
      DriveFamilyCbo->addItem(ToQString(AnsiToWide(family)));
  if (DriveFamilyCbo->count() == 0) return;
  DriveFamilyCbo->setCurrentIndex(0);
  DriveFamilyCboChange();
}

void TConfWizard::DriveFamilyCboChange() {
  {
    const QSignalBlocker block(ControllersCbo);
    ControllersCbo->clear();
    for (const TDriveType& type : TypesOfFamily(WideToAnsi(FromQString(DriveFamilyCbo->currentText()))))
      ControllersCbo->addItem(ToQString(AnsiToWide(type.Name)), Keep(type.Dict));
  }
  if (ControllersCbo->count() == 0) return;
  ControllersCbo->setCurrentIndex(0);
  ControllersCboChange();
}

void TConfWizard::ControllersCboChange() {
  const TSLDictionary* drive = EntryAt(ControllersCbo, ControllersCbo->currentIndex());
  if (!drive) return;
  FillEntries(InterfaceCbo, *drive, u"Interfaces");
  FillEntries(ApplicationCbo, *drive, u"Applications");
}

void TConfWizard::FillEntries(QComboBox* Box, const TSLDictionary& Drive, const char16_t* Key) {
  Box->clear();
  Box->setEnabled(true);
  if (!Drive.NameExists(Key)) {
    Box->setEnabled(false);
    return;
  }
  for (TSLDictionary* entry : ListedEntries(Drive, Key))
    Box->addItem(ToQString(entry->GetStrWithName(u"Caption")), Keep(entry));
  if (Box->count() > 0) Box->setCurrentIndex(0);
}

void TConfWizard::Button1Click(bool Ok) {
  // Nobody reads a cancelled choice, so Cancel neither computes nor complains.
  if (!Ok) return reject();
  bool named = false;
  Shown([&] {
    Compute(EntryAt(ControllersCbo, ControllersCbo->currentIndex()),
            EntryAt(InterfaceCbo, InterfaceCbo->currentIndex()),
            EntryAt(ApplicationCbo, ApplicationCbo->currentIndex()));
    named = true;
  });
  // A choice the catalogue cannot name must not create a device.
  if (named) accept();
}

TModalResult TConfWizard::ShowModal() {
  setResult(QDialog::Rejected);
  if (Handler())
    Handler()(*this);
  else
    exec();
  return result() == QDialog::Accepted ? mrOk : mrCancel;
}

}  // namespace vt
