// The option window; see OptionWindow.h.
#include "shell/forms/OptionWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <optional>

#include "comm/SharedLinkState.h"
#include "platform/Dialogs.h"
#include "platform/NumberText.h"
#include "runtime/ApplicationState.h"
#include "runtime/Translations.h"
#include "shell/CommanderRules.h"
#include "shell/ShellLimits.h"
#include "shell/ViewSettings.h"
#include "ui/forms/NamedControl.h"

namespace vt {

namespace {

QString Text(const char16_t* Key) { return ToQString(GetInfoSysText(Key)); }

std::optional<std::int32_t> IntegerOf(const QLineEdit* Edit) {
  const std::optional<std::int64_t> value = TryStrToInt64(Edit->text().toStdString());
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

}  // namespace

TOptionWindow::TOptionWindow(TViewSettings& Settings, QWidget* Parent) : QWidget(Parent, Qt::Window), FSettings(Settings) {
  setObjectName("OptionWindow");
  setMinimumWidth(OptionWindowWidth);
  TitleLbl = Named(new QLabel(this), "TitleLbl");
  CheckSumChkBox = Named(new QCheckBox(this), "CheckSumChkBox");
  MaxNumLbl = Named(new QLabel(this), "MaxNumLbl");
  MaxNumEdt = Named(new QLineEdit(this), "MaxNumEdt");
  MaxBufferSizeLbl = Named(new QLabel(this), "MaxBufferSizeLbl");
  MaxBufferSizeEdt = Named(new QLineEdit(this), "MaxBufferSizeEdt");
  MultiReadLbl = Named(new QLabel(this), "MultiReadLbl");
  MultiReadEdt = Named(new QLineEdit(this), "MultiReadEdt");
  VisualOptionsLbl = Named(new QLabel(this), "VisualOptionsLbl");
  ColorLbl = Named(new QLabel(this), "ColorLbl");
  ComboBox1 = Named(new QComboBox(this), "ComboBox1");
  ComboBox1->addItems({"Colorful", "Red", "Blue "});
  FontLbl = Named(new QLabel(this), "FontLbl");
  ComboBox2 = Named(new QComboBox(this), "ComboBox2");
  RenderLbl = Named(new QLabel("Dashboard graph render:", this), "RenderLbl");
  ComboBox3 = Named(new QComboBox(this), "ComboBox3");
  ComboBox3->addItems({"GPU", "CPU"});
  PreviewLbl = Named(new QLabel("The quick brown fox jumps over the lazy dog", this), "PreviewLbl");
  WarningImage = Named(new QLabel(this), "WarningImage");
  WarningImage->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(24, 24));
  RestartLbl = Named(new QLabel(this), "RestartLbl");
  RestartLbl->setWordWrap(true);
  CloseAndSaveBtn = Named(new QPushButton(this), "CloseAndSaveBtn");
  CancelBtn = Named(new QPushButton(this), "CancelBtn");

  connect(ComboBox1, &QComboBox::activated, this, [this] { ShowRestartWarning(); });
  connect(ComboBox3, &QComboBox::activated, this, [this] { ShowRestartWarning(); });
  connect(ComboBox2, &QComboBox::activated, this, [this] {
    ShowRestartWarning();
    PreviewLbl->setFont(QFont(ComboBox2->currentText()));
  });
  connect(MaxBufferSizeEdt, &QLineEdit::editingFinished, this, [this] { MaxBufferSizeEdtExit(); });
  connect(MultiReadEdt, &QLineEdit::editingFinished, this, [this] { MultiReadEdtExit(); });
  connect(CloseAndSaveBtn, &QPushButton::clicked, this, [this] { CloseAndSaveBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QWidget::close);

  auto* communication = new QWidget;
  auto* link = new QFormLayout(communication);
  link->addRow(CheckSumChkBox);
  link->addRow(MaxNumLbl, MaxNumEdt);
  link->addRow(MaxBufferSizeLbl, MaxBufferSizeEdt);
  link->addRow(MultiReadLbl, MultiReadEdt);
  auto* appearance = new QWidget;
  auto* look = new QFormLayout(appearance);
  look->addRow(VisualOptionsLbl);
  look->addRow(ColorLbl, ComboBox1);
  look->addRow(RenderLbl, ComboBox3);
  look->addRow(FontLbl, ComboBox2);
  look->addRow(PreviewLbl);
  auto* warning = new QHBoxLayout;
  warning->addWidget(WarningImage);
  warning->addWidget(RestartLbl, 1);
  look->addRow(warning);
  auto* tabs = Named(new QTabWidget(this), "PageControl");
  tabs->addTab(communication, "Communication");
  tabs->addTab(appearance, "Appearance");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CloseAndSaveBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TitleLbl);
  layout->addWidget(tabs, 1);
  layout->addLayout(buttons);
}

void TOptionWindow::showEvent(QShowEvent* Event) {
  FormShow();
  QWidget::showEvent(Event);
}

void TOptionWindow::FormShow() {
  setWindowTitle(Text(u"Option_Window"));
  TitleLbl->setText(Text(u"Opt_Win_Options"));
  CheckSumChkBox->setText(Text(u"Opt_Win_EnablCheckSum"));
  MaxNumLbl->setText(Text(u"Opt_Win_MaxNum"));
  MaxBufferSizeLbl->setText(Text(u"Opt_Win_MaxBufferSize"));
  CloseAndSaveBtn->setText(Text(u"Opt_Win_CloseSave"));
  CancelBtn->setText(Text(u"OsciInfoClose"));
  VisualOptionsLbl->setText(Text(u"Opt_Win_Visual_Options"));
  ColorLbl->setText(Text(u"Opt_Win_Choose_color"));
  RestartLbl->setText(Text(u"Opt_Win_Needs_restart"));
  FontLbl->setText(Text(u"Opt_Win_Choose_Font"));
  MultiReadLbl->setText(Text(u"Opt_Win_MutiRead"));
  ComboBox1->setCurrentIndex(FSettings.ButtonColor);
  ComboBox3->setCurrentIndex(FSettings.SkiaGraphRender);
  ComboBox2->clear();
  ComboBox2->addItems(QFontDatabase::families());
  ComboBox2->setCurrentIndex(ComboBox2->findText(QString::fromStdString(FSettings.MainFont)));
  PreviewLbl->setFont(QFont(ComboBox2->currentText()));
  CheckSumChkBox->setChecked(FSettings.RepeatChecksum);
  MaxNumEdt->setText(QString::number(FSettings.MaxNumberOfTries));
  MaxBufferSizeEdt->setText(QString::number(FSettings.ManualBufferSize));
  MultiReadEdt->setText(QString::number(FSettings.MultiReadSize));
  RestartLbl->hide();
  WarningImage->hide();
}

void TOptionWindow::ShowRestartWarning() {
  RestartLbl->setText("For the change to take effect the program must be restarted!");
  RestartLbl->show();
  WarningImage->show();
}

void TOptionWindow::MaxBufferSizeEdtExit() {
  MaxBufferSizeEdt->setText(QString::fromStdString(ClampedNumberText(
      MaxBufferSizeEdt->text().toStdString(), MinManualBufferSize, MaxManualBufferSize, FSettings.ManualBufferSize)));
}

void TOptionWindow::MultiReadEdtExit() {
  MultiReadEdt->setText(QString::fromStdString(
      ClampedNumberText(MultiReadEdt->text().toStdString(), MinMultiReadSize, MaxMultiReadSize, FSettings.MultiReadSize)));
}

void TOptionWindow::CloseAndSaveBtnClick() {
  // Stored in this order: a field that is not a number stops here, the ones before it stay stored.
  const auto notANumber = [] { ShowMessage(u"There is a value that is not a number"); };
  FSettings.RepeatChecksum = CheckSumChkBox->isChecked();
  SetRepeatChecksum(FSettings.RepeatChecksum);
  const std::optional<std::int32_t> tries = IntegerOf(MaxNumEdt);
  if (!tries) return notANumber();
  FSettings.MaxNumberOfTries = *tries;
  SetMaxNumberOfTries(*tries);
  const std::optional<std::int32_t> buffer = IntegerOf(MaxBufferSizeEdt);
  if (!buffer) return notANumber();
  FSettings.ManualBufferSize = *buffer;
  SetManualBufferSize(*buffer);
  FSettings.ButtonColor = ComboBox1->currentIndex();
  FSettings.SkiaGraphRender = ComboBox3->currentIndex();
  if (ComboBox2->currentIndex() >= 0) FSettings.MainFont = ComboBox2->currentText().toStdString();
  const std::optional<std::int32_t> multiRead = IntegerOf(MultiReadEdt);
  if (!multiRead) return notANumber();
  FSettings.MultiReadSize = *multiRead;
  ApplicationState().MultiReadSize = *multiRead;
  close();
}

}  // namespace vt
