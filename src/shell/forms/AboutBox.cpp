// The About and release-info windows; see AboutBox.h.
#include "shell/forms/AboutBox.h"

#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/PathResolver.h"
#include "platform/TextConversion.h"
#include "runtime/ProgramFolders.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"
#include "ui/forms/NamedControl.h"

namespace vt {

namespace {

QString TextOf(const TSLDictionary* Dict, const char* Name) {
  const auto* text = Dict ? dynamic_cast<const TSLString*>(Dict->FindObjectAnsi(Name)) : nullptr;
  return text ? ToQString(text->StringValue()) : QString();
}

std::int64_t CompanyID(const TSLDictionary* Dict) {
  const auto* id = Dict ? dynamic_cast<const TSLLongint*>(Dict->FindObjectAnsi("CompanyID")) : nullptr;
  return id ? id->GetLongintValue() : 0;
}

// One line per text of each contact, an empty line after each.
QStringList ContactLines(const TSLDictionary* Dict) {
  QStringList lines;
  const auto* contacts = Dict ? dynamic_cast<const TSLArray*>(Dict->FindObjectAnsi("Contacts")) : nullptr;
  for (int i = 0; contacts && i < contacts->GetCount(); ++i) {
    if (const auto* contact = dynamic_cast<const TSLArray*>(contacts->GetObjAtIndex(i)))
      for (int j = 0; j < contact->GetCount(); ++j)
        if (const auto* text = dynamic_cast<const TSLString*>(contact->GetObjAtIndex(j)))
          lines << ToQString(text->StringValue());
    lines << QString();
  }
  return lines;
}

}  // namespace

TVersionInfoForm::TVersionInfoForm(QWidget* Parent) : QDialog(Parent) {
  setObjectName("VersionInfoForm");
  setWindowTitle("Release Info");
  Memo1 = Named(new QPlainTextEdit(this), "Memo1");
  Memo1->setReadOnly(true);
  Panel1 = Named(new QWidget(this), "Panel1");
  Panel1->setFixedHeight(40);
  OKBtn = Named(new QPushButton("&OK", Panel1), "OKBtn");
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1, 1);
  layout->addWidget(Panel1);
  resize(600, 400);
}

void TVersionInfoForm::showEvent(QShowEvent* Event) {
  Memo1->clear();
  const WideString file = WorkDir + u"ReleaseInfo.txt";
  const std::filesystem::path path = ResolvePath(file);
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      Memo1->appendPlainText(QString::fromStdString(std::strerror(errno)) + ": " + ToQString(file));
    } else {
      for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Memo1->appendPlainText(ToQString(AnsiToWide(line)));
      }
    }
  }
  QDialog::showEvent(Event);
}

void TVersionInfoForm::resizeEvent(QResizeEvent* Event) {
  QDialog::resizeEvent(Event);
  OKBtn->move(Panel1->width() / 2 - OKBtn->width() / 2, (Panel1->height() - OKBtn->height()) / 2);
}

TAboutBoxForm::TAboutBoxForm(const TSLDictionary* CompanyInfo, const TSLDictionary* ProductInfo, QWidget* Parent)
    : QDialog(Parent), FCompanyInfo(CompanyInfo), FProductInfo(ProductInfo) {
  setObjectName("AboutBoxForm");
  setWindowTitle("About ");
  ProgramLbl = Named(new QLabel(this), "ProgramLbl");
  QFont bold = ProgramLbl->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  ProgramLbl->setFont(bold);
  CopyrightLbl = Named(new QLabel(this), "CopyrightLbl");
  HomeLbl = Named(new QLabel(this), "HomeLbl");
  ContactsMemo = Named(new QPlainTextEdit(this), "ContactsMemo");
  ContactsMemo->setReadOnly(true);
  Image1 = Named(new QLabel(this), "Image1");
  VorlixImage = Named(new QLabel("VORLIX", this), "VorlixImage");
  for (QLabel* link : {HomeLbl, Image1, VorlixImage}) {
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
  }
  OKBtn = Named(new QPushButton("&OK", this), "OKBtn");
  OKBtn->setDefault(true);
  HomePageBtn = Named(new QPushButton("&Home Page", this), "HomePageBtn");
  ReleaseInfoBtn = Named(new QPushButton("&Release Info", this), "ReleaseInfoBtn");
  LicenseBtn = Named(new QPushButton("&Show License", this), "LicenseBtn");
  VersionInfo = new TVersionInfoForm(this);
  connect(OKBtn, &QPushButton::clicked, this, [this] { CloseBoth(); });
  connect(this, &QDialog::rejected, this, [this] { VersionInfo->close(); });  // Escape
  connect(HomePageBtn, &QPushButton::clicked, this, [this] { OpenHomePage(); });
  connect(ReleaseInfoBtn, &QPushButton::clicked, this, [this] { VersionInfo->show(); });
  connect(LicenseBtn, &QPushButton::clicked, this, [this] { ShowLicense(); });
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {HomePageBtn, ReleaseInfoBtn, LicenseBtn}) buttons->addWidget(button);
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  auto* head = new QHBoxLayout;
  head->addWidget(Image1);
  head->addWidget(ProgramLbl, 1);
  head->addWidget(VorlixImage);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(CopyrightLbl);
  layout->addWidget(HomeLbl);
  layout->addWidget(ContactsMemo, 1);
  layout->addLayout(buttons);
  resize(480, 320);
}

void TAboutBoxForm::showEvent(QShowEvent* Event) {
  ProgramLbl->setText(TextOf(FProductInfo, "ProgramName") + " - " + TextOf(FProductInfo, "ProgramVersionCaption"));
  HomeLbl->setText(TextOf(FCompanyInfo, "HomePage"));
  VorlixImage->setVisible(CompanyID(FCompanyInfo) == 1);
  CopyrightLbl->setText(TextOf(FProductInfo, "CopyrightText"));
  ContactsMemo->setPlainText(ContactLines(FCompanyInfo).join('\n'));
  QDialog::showEvent(Event);
}

bool TAboutBoxForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::MouseButtonRelease && (Watched == HomeLbl || Watched == Image1 || Watched == VorlixImage))
    OpenHomePage();
  return QDialog::eventFilter(Watched, Event);
}

void TAboutBoxForm::OpenHomePage() {
  // A failure of the desktop's opener is not reported.
  QDesktopServices::openUrl(QUrl(TextOf(FCompanyInfo, "HomePage")));
}

void TAboutBoxForm::ShowLicense() {
  const std::filesystem::path license = ResolvePath(WorkDir + u"dravex_eula.pdf");
  std::error_code ec;
  if (std::filesystem::exists(license, ec))
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(license.string())));
}

void TAboutBoxForm::CloseBoth() {
  VersionInfo->close();
  accept();
}

}  // namespace vt
