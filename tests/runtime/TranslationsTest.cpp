#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "RefCountedTest.h"
#include "RuntimeTestUtil.h"
#include "TempFolder.h"
#include "platform/PathResolver.h"
#include "runtime/Translations.h"
#include "runtime/forms/Captions.h"
#include "runtime/forms/UserSettingsForm.h"
#include "sl/values/Scalars.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

const char* const kHeader =
    "FILETYPE;LANGUAGEDEFFILE\r\n"
    "FORMATVERSION;1\r\n"
    "KEYWORD;COMMENT;LANGUAGE:English;LANGUAGE:German;;ignored\r\n";

class LanguageTable : public ::testing::Test {
 protected:
  // Writes the table (8-bit text) and reads it into a fresh manager.
  void Load(const std::string& body, const std::string& header = kHeader) {
    FFile = FTmp.Path() / "LanguageDef" / "LanguageDef.csv";
    fs::create_directories(FFile.parent_path());
    std::ofstream(FFile, std::ios::binary) << header << body;
    Manager = std::make_unique<TLanguageManager>();
    Manager->ProgramName = "Vorlix Talk 2.4";
    Manager->InitWithFile(FileName());
  }
  // Written as the shell writes it: Windows separators, any letter case.
  WideString FileName() const { return PathToWide(FTmp.Path()) + u"\\languagedef\\LANGUAGEDEF.CSV"; }

  TempFolder FTmp;
  fs::path FFile;
  std::unique_ptr<TLanguageManager> Manager;
  TMessageCatcher Messages;
};

TEST_F(LanguageTable, LookupWithEnglishFallback) {
  Load("Greeting;a greeting;Hello;Hallo\r\n"
       "OnlyEnglish;;Save;\r\n"
       "Short;;Open\r\n"
       "Greeting;again;Second;Zweite\r\n"
       "\r\n"
       "Umlaut;;Motor;M\xF6tor\r\n");
  EXPECT_TRUE(Messages.Messages.empty());
  EXPECT_EQ(Manager->Count(), 4);
  EXPECT_EQ(Manager->Get(u"Greeting", u"German"), u"Hallo");
  EXPECT_EQ(Manager->Get(u"GREETING", u"german"), u"Hallo");  // first line wins, any case
  EXPECT_EQ(Manager->Get(u"OnlyEnglish", u"German"), u"Save");  // empty German text
  EXPECT_EQ(Manager->Get(u"Short", u"German"), u"Open");       // missing field
  EXPECT_EQ(Manager->Get(u"Greeting", u"French"), u"Hello");   // no such column
  EXPECT_EQ(Manager->Get(u"Unknown", u"English"), u"");
  EXPECT_EQ(Manager->Get(u"Umlaut", u"German"), u"M\u00F6tor");
}

TEST_F(LanguageTable, Replacements) {
  Load("Joined;;one<br>two;eins<BR>zwei\r\n"
       "Comma;;a\\cb\\c;\r\n"
       "Name;;Welcome to <PrgName>!;\r\n"
       "Upper;;\\C stays;\r\n");
  EXPECT_EQ(Manager->Get(u"Joined", u"English"), u"one\rtwo");
  EXPECT_EQ(Manager->Get(u"Joined", u"German"), u"eins\rzwei");
  EXPECT_EQ(Manager->Get(u"Comma", u"English"), u"a,b,");
  EXPECT_EQ(Manager->Get(u"Name", u"English"), u"Welcome to Vorlix Talk 2.4!");
  EXPECT_EQ(Manager->Get(u"Upper", u"English"), u"\\C stays");

  AnsiString line = "first;second";
  EXPECT_EQ(Manager->GetNextCSVItem(line), "first");
  EXPECT_EQ(line, "second");
  EXPECT_EQ(Manager->GetNextCSVItem(line), "second");
  EXPECT_EQ(line, "");
}

TEST_F(LanguageTable, FormattedTexts) {
  Load("Fmt;;File %s has %d lines;Datei %s hat %d Zeilen\r\n"
       "FmtEnglishOnly;;Value %s;\r\n");
  EXPECT_EQ(Manager->GetFmt(u"Fmt", {std::string("a.txt"), std::int64_t{3}}, u"German"), u"Datei a.txt hat 3 Zeilen");
  EXPECT_EQ(Manager->GetFmt(u"FmtEnglishOnly", {std::string("5 mm")}, u"German"), u"Value 5 mm");
  EXPECT_EQ(Manager->GetFmt(u"Fmt", {std::string("b"), std::int64_t{1}}, u"Klingon"), u"File b has 1 lines");
  EXPECT_EQ(Manager->GetFmt(u"Unknown", {std::string("x")}, u"English"), u"");
  // Arguments that do not fit the placeholders raise, in the asked language and in English.
  EXPECT_THROW(Manager->GetFmt(u"Fmt", {std::string("a.txt")}, u"German"), EConvertError);
  EXPECT_THROW(Manager->GetFmt(u"Fmt", {std::int64_t{3}, std::string("a.txt")}, u"German"), EConvertError);
  EXPECT_THROW(Manager->GetFmt(u"Fmt", {std::string("b"), std::string("1")}, u"Klingon"), EConvertError);
  EXPECT_THROW(Manager->GetFmt(u"FmtEnglishOnly", {}, u"German"), EConvertError);
}

TEST_F(LanguageTable, BadFilesGiveOneMessageAndAnEmptyTable) {
  struct Case {
    const char* header;
    const char* message;
  };
  const Case cases[] = {
      {"FILETYPE;LANGUAGEDEFFILE\r\nFORMATVERSION;2\r\nKEYWORD;X;LANGUAGE:English\r\n", "Incompatible File Format Version"},
      {"FILETYPE;LANGUAGEDEFFILE\r\nFORMATVERSION;x\r\nKEYWORD;X;LANGUAGE:English\r\n", "Incompatible File Format Version"},
      {"FILETYPE;OTHERFILE\r\nFORMATVERSION;1\r\nKEYWORD;X;LANGUAGE:English\r\n", "Wrong File Format"},
      {"filetype;languagedeffile\r\nVERSION;1\r\nKEYWORD;X;LANGUAGE:English\r\n", "Wrong File Format"},
      {"FILETYPE;LANGUAGEDEFFILE\r\n", "Wrong File Format"},
  };
  for (const auto& c : cases) {
    Messages.Messages.clear();
    Load("Greeting;;Hello\r\n", c.header);
    EXPECT_EQ(Manager->Count(), 0) << c.header;
    EXPECT_EQ(Messages.Messages, std::vector<std::string>{c.message + (": " + WideToUtf8(FileName()))});
  }

  Messages.Messages.clear();
  TLanguageManager missing;
  missing.InitWithFile(u"/nonexistent/LanguageDef.csv");
  ASSERT_EQ(Messages.Messages.size(), 1u);
  EXPECT_NE(Messages.Messages[0].find(": /nonexistent/LanguageDef.csv"), std::string::npos);
  EXPECT_EQ(missing.Get(u"Greeting", u"English"), u"");
}

TEST(LanguageFile, BundledTableHasEnglishAndGerman) {
  TMessageCatcher messages;
  TLanguageManager manager;
  manager.ProgramName = "Vorlix Talk";
  manager.InitWithFile(AnsiToWide(VT_DATA_DIR) + u"\\LanguageDef\\LanguageDef.csv");
  EXPECT_TRUE(messages.Messages.empty());
  EXPECT_EQ(manager.Get(u"Login_File_Not_Found", u"English"), u"The configuration file %s was not found.");
  EXPECT_EQ(manager.Get(u"Login_File_Not_Found", u"German"), u"Die Konfigurationsdatei %s wurde nicht gefunden.");
  EXPECT_FALSE(manager.GetFmt(u"IncompatibleFirmware", {std::string("Vorlix Talk 2.4"), std::string("R1"),
                                                        std::string("https://example.invalid")},
                              u"German")
                   .empty());
}

// ---- The program's table ----

class ProgramTable : public RefCountedTest {
 protected:
  void TearDown() override {
    LanguageManager.reset();
    OnGetInfoSysLang = nullptr;
    RefCountedTest::TearDown();
  }

  // A table with an English and a German column, as the shell loads it.
  void LoadTable() {
    const fs::path file = FTmp.Path() / "LanguageDef.csv";
    std::ofstream(file, std::ios::binary) << kHeader
                                          << "Cap_Open;;&Open;\xD6&ffnen\r\nLbl;;Speed;\r\n"
                                             "Fmt;;File %s;Datei %s\r\n";
    LanguageManager = std::make_unique<TLanguageManager>();
    LanguageManager->InitWithFile(PathToWide(file));
  }

  TempFolder FTmp;
};

TEST_F(ProgramTable, FormattedTextsInTheInterfaceLanguageOrTheFallback) {
  const std::initializer_list<FormatArg> args{std::string("a.txt")};
  // No table yet.
  EXPECT_EQ(GetInfoSysTextFmt(u"Fmt", args, u"No file"), u"No file");
  EXPECT_EQ(GetInfoSysTextFmt(u"Fmt", args), u"Fmt");
  LoadTable();
  EXPECT_EQ(GetInfoSysTextFmt(u"Fmt", args, u"No file"), u"File a.txt");
  OnGetInfoSysLang = [] { return WideString(u"German"); };
  EXPECT_EQ(GetInfoSysTextFmt(u"Fmt", args), u"Datei a.txt");
  EXPECT_EQ(GetInfoSysTextFmt(u"Unknown", args, u"No file"), u"No file");
  EXPECT_EQ(GetInfoSysTextFmt(u"Unknown", args), u"Unknown");
  // Arguments that do not fit the placeholders.
  EXPECT_EQ(GetInfoSysTextFmt(u"Fmt", {std::int64_t{3}}, u"No file"), u"No file");
  EXPECT_EQ(GetInfoSysTextFmt(u"Fmt", {}), u"Fmt");
}

// ---- Windows ----

class LanguageForms : public ProgramTable {
 protected:
  void SetUp() override {
    TestApp();
    ProgramTable::SetUp();
  }
};

TEST_F(LanguageForms, UserSettingsOffersItsFourChoices) {
  auto languages = MakeRef<TSLArray>();
  for (const char16_t* name : {u"English", u"German", u"French", u"Italian", u"Spanish"})
    languages->AddObject(MakeRef<TSLString>(name).get());
  TLanguageSelForm form;
  form.OnGetInfoSysLangArr = [&] { return languages.get(); };
  form.show();
  EXPECT_EQ(form.windowTitle(), "User Settings");
  const char* names[] = {"Language1Radio", "Language2Radio", "Language3Radio", "Language4Radio"};
  const char* captions[] = {"English", "German", "French", "Italian"};
  for (int i = 0; i < 4; ++i) {
    auto* radio = form.findChild<QRadioButton*>(names[i]);
    ASSERT_NE(radio, nullptr) << names[i];
    EXPECT_TRUE(radio->isVisible()) << names[i];
    EXPECT_EQ(radio->text(), captions[i]);
  }
  EXPECT_TRUE(form.findChild<QRadioButton*>("Language1Radio")->isChecked());
  EXPECT_EQ(form.LanguageIndex(), 0);

  form.findChild<QRadioButton*>("Language3Radio")->click();
  EXPECT_EQ(form.LanguageIndex(), 2);
  auto* updates = form.findChild<QCheckBox*>("AutomaticSearchForUpdatesChk");
  ASSERT_NE(updates, nullptr);
  EXPECT_TRUE(updates->isChecked());
  updates->click();
  EXPECT_FALSE(form.SearchForUpdates());
  auto* news = form.findChild<QCheckBox*>("AutomaticSearchForNewsChk");
  ASSERT_NE(news, nullptr);
  EXPECT_FALSE(news->isVisible());
  EXPECT_TRUE(form.SearchForNews());

  form.findChild<QPushButton*>("OKBtn")->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(LanguageForms, UserSettingsWithTwoLanguages) {
  auto languages = MakeRef<TSLArray>();
  languages->AddObject(MakeRef<TSLString>(u"English").get());
  languages->AddObject(MakeRef<TSLString>(u"German").get());
  TLanguageSelForm form;
  form.OnGetInfoSysLangArr = [&] { return languages.get(); };
  form.show();
  EXPECT_TRUE(form.findChild<QRadioButton*>("Language2Radio")->isVisible());
  EXPECT_FALSE(form.findChild<QRadioButton*>("Language3Radio")->isVisible());
  EXPECT_FALSE(form.findChild<QRadioButton*>("Language4Radio")->isVisible());
  EXPECT_TRUE(form.findChild<QRadioButton*>("Language1Radio")->isChecked());
}

TEST_F(LanguageForms, CaptionSettersTranslateIntoTheInterfaceLanguage) {
  LoadTable();
  OnGetInfoSysLang = [] { return WideString(u"German"); };
  QAction menu("Old menu"), action("Old action");
  QLabel label("Old label");
  QPushButton button("Old button");
  QToolButton tool;

  SetMenuCaption(&menu, u"Unknown");
  EXPECT_EQ(menu.text(), "Old menu");
  SetMenuCaption(&menu, u"Cap_Open");
  EXPECT_EQ(menu.text(), QString::fromUtf8("\u00D6&ffnen"));

  SetActionCaption(&action, u"Cap_Open");
  EXPECT_EQ(action.text(), QString::fromUtf8("\u00D6&ffnen"));
  EXPECT_EQ(action.toolTip(), QString::fromUtf8("\u00D6ffnen"));

  OnGetInfoSysLang = [] { return WideString(u"English"); };
  SetActionCaption(&action, u"Cap_Open");
  EXPECT_EQ(action.text(), "&Open");
  EXPECT_EQ(action.toolTip(), "Open");

  SetLabelCaption(&label, u"Lbl");
  EXPECT_EQ(label.text(), "Speed");
  SetLabelCaption(&label, u"Unknown");
  EXPECT_EQ(label.text(), "");
  SetButtonCaption(&button, u"Cap_Open");
  EXPECT_EQ(button.text(), "&Open");
  SetButtonHint(&tool, u"Lbl");
  EXPECT_EQ(tool.toolTip(), "Speed");

  // No control: nothing happens.
  SetMenuCaption(nullptr, u"Cap_Open");
  SetActionCaption(nullptr, u"Cap_Open");
  SetLabelCaption(nullptr, u"Cap_Open");
  SetButtonCaption(nullptr, u"Cap_Open");
  SetButtonHint(nullptr, u"Cap_Open");
}

// In a process of its own: the scale factor is read when the application starts.
TEST(MonitorScaling, IsTheScreensDotsPerInchOver96) {
  EXPECT_EQ(GetMonitorScalingPercentage(nullptr), 100);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        qputenv("QT_SCALE_FACTOR", "1.5");  // the headless screen: 96 DPI, now at 150 %
        TestApp();
        QWidget window;
        window.show();
        std::_Exit(GetMonitorScalingPercentage(&window));
      },
      ::testing::ExitedWithCode(150), "");
}

}  // namespace
