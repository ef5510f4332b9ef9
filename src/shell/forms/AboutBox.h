// The About window ("About "): the program's name and version, the rights notice, the
// maker's home page and contacts from the vendor information, with the release notes
// and the licence a click away; and the release-info window ("Release Info") that shows
// the program folder's ReleaseInfo.txt. GUI thread only.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vt {

class TSLDictionary;

class TVersionInfoForm : public QDialog {
 public:
  explicit TVersionInfoForm(QWidget* Parent = nullptr);

  QPlainTextEdit* Memo1;
  QWidget* Panel1;
  QPushButton* OKBtn;

 protected:
  // The lines of WorkDir + "ReleaseInfo.txt"; none without the file.
  void showEvent(QShowEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
};

class TAboutBoxForm : public QDialog {
 public:
  // CompanyInfo, ProductInfo: the vendor information's "CompanyInfos" and "ProductInfos";
  // the caller keeps them.
  TAboutBoxForm(const TSLDictionary* CompanyInfo, const TSLDictionary* ProductInfo, QWidget* Parent = nullptr);

  QLabel* ProgramLbl;
  QLabel* CopyrightLbl;
  QLabel* HomeLbl;
  QPlainTextEdit* ContactsMemo;
  QLabel* Image1;
  QLabel* VorlixImage;
  QPushButton* OKBtn;
  QPushButton* HomePageBtn;
  QPushButton* ReleaseInfoBtn;
  QPushButton* LicenseBtn;
  TVersionInfoForm* VersionInfo;

 protected:
  void showEvent(QShowEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void OpenHomePage();
  void ShowLicense();
  void CloseBoth();

  const TSLDictionary* FCompanyInfo;
  const TSLDictionary* FProductInfo;
};

}  // namespace vt
