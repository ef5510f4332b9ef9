// The translation table: user-visible texts looked up by keyword and language from
// LanguageDef.csv, falling back to English. Filled once at start-up, then only read;
// GUI thread only.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Format.h"
#include "platform/TextConversion.h"

namespace vt {

struct TLanguageItem {
  WideString LanguageName;
  WideString Text;
};

class TLanguageObj {
 public:
  explicit TLanguageObj(WideString AName) : FName(std::move(AName)) {}

  const WideString& Name() const { return FName; }
  const std::vector<TLanguageItem>& ItemList() const { return FDataList; }
  void AddItem(TLanguageItem AItem) { FDataList.push_back(std::move(AItem)); }
  // The item of that language (any letter case), nil when there is none.
  const TLanguageItem* Find(std::u16string_view ALanguage) const;

 private:
  WideString FName;
  std::vector<TLanguageItem> FDataList;  // column order of the file
};

class TLanguageManager {
 public:
  // Reads the table; a missing or malformed file is reported in one message and
  // leaves what was read so far.
  void InitWithFile(const WideString& AFileName);

  // The text, the English text when that one is missing or empty, else empty.
  WideString Get(std::u16string_view AKeyWord, std::u16string_view ALanguage) const;
  // The same text used as a format ("%s", "%d"); empty for an unknown keyword. Raises
  // EConvertError when Args do not fit the text's placeholders.
  WideString GetFmt(std::u16string_view AKeyWord, std::initializer_list<FormatArg> Args,
                    std::u16string_view ALanguage) const;

  // Cuts the first ";"-separated field off Line and returns it with "\c" as ",", "<BR>"
  // as CR and "<PRGNAME>" as the program name (any letter case).
  AnsiString GetNextCSVItem(AnsiString& Line) const;

  // The product's name for "<PRGNAME>"; set by the shell before InitWithFile.
  AnsiString ProgramName;

  int Count() const { return static_cast<int>(FLanguageObjList.size()); }

 private:
  void ReadFile(const WideString& AFileName);
  const TLanguageObj* Find(std::u16string_view AKeyWord) const;

  std::vector<std::unique_ptr<TLanguageObj>> FLanguageObjList;  // file order
  std::unordered_map<WideString, const TLanguageObj*, TWideTextHash, TWideTextEqual> FIndex;  // first line wins
};

// Created by the start-up of the device world right before InitWithFile.
extern std::unique_ptr<TLanguageManager> LanguageManager;

// The user-interface language the program shows its texts in (the main form's
// FInfoSysLang); the shell installs the getter, until then the language is English.
extern std::function<WideString()> OnGetInfoSysLang;
WideString InfoSysLang();
// The keyword's text in that language; empty while there is no table.
WideString GetInfoSysText(std::u16string_view AKeyWord);
// The same text with Args in its placeholders; Fallback (none given: the keyword) while
// there is no table, for an unknown keyword and when Args do not fit the placeholders.
WideString GetInfoSysTextFmt(std::u16string_view AKeyWord, std::initializer_list<FormatArg> Args,
                             std::u16string_view Fallback = {});

}  // namespace vt
