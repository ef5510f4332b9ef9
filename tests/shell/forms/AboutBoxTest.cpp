// The About window on vendor information of the test's own, and the release-info window
// on a program folder with and without its release notes.
#include "shell/forms/AboutBox.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "RuntimeTestUtil.h"
#include "TempFolder.h"
#include "platform/PathResolver.h"
#include "runtime/ProgramFolders.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

TRef<TSLArray> Texts(std::initializer_list<const char16_t*> Lines) {
  auto array = MakeRef<TSLArray>();
  for (const char16_t* line : Lines) array->AddObject(MakeRef<TSLString>(line).get());
  return array;
}

class AboutBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    Company->DefineObject(u"HomePage", MakeRef<TSLString>(u"https://vorlix.example").get());
    Company->DefineObject(u"CompanyID", MakeRef<TSLLongint>(2).get());
    auto contacts = MakeRef<TSLArray>();
    contacts->AddObject(Texts({u"Vorlix", u"Support", u"+49 1"}).get());
    contacts->AddObject(Texts({u"Sales", u"sales@vorlix.example"}).get());
    Company->DefineObject(u"Contacts", contacts.get());
    Product->DefineObject(u"ProgramName", MakeRef<TSLString>(u"Vorlix-Talk").get());
    Product->DefineObject(u"CopyrightText", MakeRef<TSLString>(u"(c) Vorlix").get());
    SetProgramFolders(PathToWide(Dir.Path()));
  }

  TRef<TSLDictionary> Company = MakeRef<TSLDictionary>(), Product = MakeRef<TSLDictionary>();
  TempFolder Dir;
};

TEST_F(AboutBoxTest, ShowsTheVendorInformation) {
  TAboutBoxForm about(Company.get(), Product.get());
  about.show();
  EXPECT_EQ(about.windowTitle(), "About ");
  EXPECT_EQ(about.ProgramLbl->text(), "Vorlix-Talk - ");  // no version caption
  EXPECT_EQ(about.CopyrightLbl->text(), "(c) Vorlix");
  EXPECT_EQ(about.HomeLbl->text(), "https://vorlix.example");
  EXPECT_FALSE(about.VorlixImage->isVisible());  // company 2 shows no brand
  EXPECT_EQ(about.ContactsMemo->toPlainText().split('\n'),
            (QStringList{"Vorlix", "Support", "+49 1", "", "Sales", "sales@vorlix.example", ""}));
  std::filesystem::create_directories(VT_SCREENSHOT_DIR);
  about.grab().save(QString(VT_SCREENSHOT_DIR) + "/about.png");
  // Without the licence file the licence button does nothing; OK closes both windows.
  about.LicenseBtn->click();
  about.ReleaseInfoBtn->click();
  EXPECT_TRUE(about.VersionInfo->isVisible());
  about.OKBtn->click();
  EXPECT_FALSE(about.VersionInfo->isVisible());
  EXPECT_FALSE(about.isVisible());
}

TEST_F(AboutBoxTest, ReleaseInfoShowsTheNotesOrNothing) {
  TVersionInfoForm info;
  info.show();
  EXPECT_TRUE(info.Memo1->toPlainText().isEmpty());
  info.close();
  std::ofstream(Dir.Path() / "ReleaseInfo.txt", std::ios::binary) << "Release 7.1\r\n\r\nNew: the commander\xE4\r\n";
  info.show();
  EXPECT_EQ(info.Memo1->toPlainText(), QString::fromUtf8("Release 7.1\n\nNew: the commander\xC3\xA4"));
  EXPECT_EQ(info.windowTitle(), "Release Info");
}

}  // namespace
