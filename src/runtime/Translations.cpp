// The translation table; see Translations.h.
#include "runtime/Translations.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/NumberText.h"
#include "platform/PathResolver.h"

namespace vt {

std::unique_ptr<TLanguageManager> LanguageManager;
std::function<WideString()> OnGetInfoSysLang;

WideString InfoSysLang() { return OnGetInfoSysLang ? OnGetInfoSysLang() : WideString(u"English"); }

WideString GetInfoSysText(std::u16string_view AKeyWord) {
  return LanguageManager ? LanguageManager->Get(AKeyWord, InfoSysLang()) : WideString();
}

WideString GetInfoSysTextFmt(std::u16string_view AKeyWord, std::initializer_list<FormatArg> Args,
                             std::u16string_view Fallback) {
  WideString text;
  try {
    if (LanguageManager) text = LanguageManager->GetFmt(AKeyWord, Args, InfoSysLang());
  } catch (const EConvertError&) {
    text.clear();
  }
  if (!text.empty()) return text;
  return WideString(Fallback.empty() ? AKeyWord : Fallback);
}

namespace {

constexpr std::string_view kLanguageHead = "LANGUAGE:";

std::size_t FindText(std::string_view Text, std::string_view Pattern, bool IgnoreCase, std::size_t From = 0) {
  if (!IgnoreCase) return Text.find(Pattern, From);
  for (std::size_t i = From; i + Pattern.size() <= Text.size(); ++i)
    if (SameTextAnsi(Text.substr(i, Pattern.size()), Pattern)) return i;
  return std::string_view::npos;
}

// One pass suffices: no replacement can form its pattern anew (a program name that
// holds "<PRGNAME>" would otherwise never end).
void ReplaceText(AnsiString& Text, std::string_view Pattern, std::string_view By, bool IgnoreCase) {
  for (std::size_t at = FindText(Text, Pattern, IgnoreCase); at != std::string::npos;
       at = FindText(Text, Pattern, IgnoreCase, at + By.size()))
    Text.replace(at, Pattern.size(), By);
}

bool ReadLine(std::istream& In, AnsiString& Line) {
  if (!std::getline(In, Line)) return false;
  if (!Line.empty() && Line.back() == '\r') Line.pop_back();
  return true;
}

}  // namespace

const TLanguageItem* TLanguageObj::Find(std::u16string_view ALanguage) const {
  for (const auto& item : FDataList)
    if (SameTextWide(item.LanguageName, ALanguage)) return &item;
  return nullptr;
}

AnsiString TLanguageManager::GetNextCSVItem(AnsiString& Line) const {
  const std::size_t sep = Line.find(';');
  AnsiString item = Line.substr(0, sep);
  Line.erase(0, sep == AnsiString::npos ? AnsiString::npos : sep + 1);
  ReplaceText(item, "\\c", ",", false);
  ReplaceText(item, "<BR>", "\r", true);
  ReplaceText(item, "<PRGNAME>", ProgramName, true);
  return item;
}

void TLanguageManager::InitWithFile(const WideString& AFileName) {
  try {
    ReadFile(AFileName);
  } catch (const Exception& e) {
    ShowMessage(Utf8ToWide(e.Message()) + u": " + AFileName);
  }
}

void TLanguageManager::ReadFile(const WideString& AFileName) {
  std::ifstream in(ResolvePath(AFileName), std::ios::binary);
  if (!in) throw Exception(Format("Cannot open file. %s", std::strerror(errno)));
  AnsiString line;
  if (!ReadLine(in, line)) throw Exception("Wrong File Format");
  const AnsiString fileType = GetNextCSVItem(line);
  if (!SameTextAnsi(fileType, "FILETYPE") || !SameTextAnsi(GetNextCSVItem(line), "LANGUAGEDEFFILE"))
    throw Exception("Wrong File Format");
  if (!ReadLine(in, line) || !SameTextAnsi(GetNextCSVItem(line), "FORMATVERSION"))
    throw Exception("Wrong File Format");
  if (TryStrToInt64(GetNextCSVItem(line)) != 1) throw Exception("Incompatible File Format Version");

  std::vector<WideString> languages;
  if (!ReadLine(in, line)) throw Exception("Wrong File Format");
  while (!line.empty()) {
    const AnsiString head = GetNextCSVItem(line);
    if (head.empty()) break;
    if (FindText(head, kLanguageHead, true) != std::string_view::npos)
      languages.push_back(AnsiToWide(head.substr(std::min(head.size(), kLanguageHead.size()))));
  }

  while (ReadLine(in, line)) {
    const WideString keyword = AnsiToWide(GetNextCSVItem(line));
    if (keyword.empty()) continue;
    GetNextCSVItem(line);  // a field the program does not read
    auto obj = std::make_unique<TLanguageObj>(keyword);
    for (const WideString& language : languages) obj->AddItem({language, AnsiToWide(GetNextCSVItem(line))});
    if (FIndex.emplace(keyword, obj.get()).second) FLanguageObjList.push_back(std::move(obj));
  }
  if (in.bad()) throw Exception(Format("Read error. %s", std::strerror(errno)));
}

const TLanguageObj* TLanguageManager::Find(std::u16string_view AKeyWord) const {
  auto it = FIndex.find(AKeyWord);
  return it == FIndex.end() ? nullptr : it->second;
}

WideString TLanguageManager::Get(std::u16string_view AKeyWord, std::u16string_view ALanguage) const {
  const TLanguageObj* obj = Find(AKeyWord);
  if (!obj) return {};
  if (const TLanguageItem* item = obj->Find(ALanguage); item && !item->Text.empty()) return item->Text;
  const TLanguageItem* english = obj->Find(u"English");
  return english ? english->Text : WideString();
}

WideString TLanguageManager::GetFmt(std::u16string_view AKeyWord, std::initializer_list<FormatArg> Args,
                                    std::u16string_view ALanguage) const {
  const TLanguageObj* obj = Find(AKeyWord);
  if (!obj) return {};
  auto format = [&](const TLanguageItem* item) {
    return item ? Utf8ToWide(FormatArgsStrict(WideToUtf8(item->Text), Args.begin(), Args.size())) : WideString();
  };
  WideString text = format(obj->Find(ALanguage));
  if (text.empty()) text = format(obj->Find(u"English"));
  return text;
}

}  // namespace vt
