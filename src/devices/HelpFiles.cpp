// Help documents; see HelpFiles.h.
#include "devices/HelpFiles.h"

#include <charconv>
#include <utility>

#include "platform/FileOperations.h"
#include "runtime/ProgramFolders.h"

namespace vt {

namespace {

// German application help lies in "Appllication" in older installations.
const THelpArea HelpAreas[] = {
    {"Interface",
     1,
     10,
     10,
     {{{"Doc\\English\\Interface\\"}, {"Doc\\German\\Interface\\"}, {"Doc\\French\\Interface\\"},
       {"Doc\\Italian\\Interface\\"}}}},
    {"MotionControl",
     0,
     14,
     15,
     {{{"Doc\\English\\MotionControl\\"}, {"Doc\\German\\MotionControl\\"}, {"Doc\\French\\MotionControl\\"},
       {"Doc\\Italian\\MotionControl\\"}}}},
    {"Application",
     2,
     12,
     13,
     {{{"Doc\\English\\Application\\"}, {"Doc\\German\\Appllication\\", "Doc\\German\\Application\\"},
       {"Doc\\French\\Application\\"}, {"Doc\\Italian\\Application\\"}}}},
};

int ToInt(const AnsiString& Text) {
  int value = 0;
  const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
  return error == std::errc() && end == Text.data() + Text.size() ? value : -1;
}

// The version at the first "V": the number after the "_" before it, and the number up
// to the "_" after it; (-1, -1) when the name has none.
std::pair<int, int> HelpFileVersion(const AnsiString& Name) {
  const auto v = Name.find('V');
  if (v == AnsiString::npos) return {-1, -1};
  const auto before = Name.rfind('_', v);
  const auto after = Name.find('_', v);
  if (before == AnsiString::npos || after == AnsiString::npos) return {-1, -1};
  const int major = ToInt(Name.substr(before + 1, v - before - 1));
  const int minor = ToInt(Name.substr(v + 1, after - v - 1));
  return major < 0 || minor < 0 ? std::pair{-1, -1} : std::pair{major, minor};
}

}  // namespace

const THelpArea* FindHelpArea(const AnsiString& HelpFile) {
  for (const THelpArea& area : HelpAreas)
    if (HelpFile.find(area.Word) != AnsiString::npos) return &area;
  return nullptr;
}

AnsiString HelpArticleNumber(const AnsiString& HelpFile, const THelpArea& Area) {
  const auto word = HelpFile.find(Area.Word);
  const auto star = HelpFile.find('*');
  if (star == AnsiString::npos) return {};
  const auto start = word + Area.NumberStart;
  const auto length = static_cast<std::ptrdiff_t>(star) - static_cast<std::ptrdiff_t>(word) - Area.NumberEnd;
  if (length <= 0 || start >= HelpFile.size()) return {};
  return HelpFile.substr(start, static_cast<std::size_t>(length));
}

AnsiString GetHelpPathWithArtNr(const AnsiString& ArticleNumber, const AnsiString& Folder) {
  if (ArticleNumber.empty()) return {};
  const auto files = FindFiles(AnsiToWide(Folder + ArticleNumber + "*.chm"), 0);
  if (files.empty()) return {};
  // The highest version; the first listed when no name carries one.
  AnsiString chosen = WideToAnsi(files.front().Name);
  std::pair<int, int> best{-1, -1};
  for (const TSearchEntry& file : files) {
    const AnsiString name = WideToAnsi(file.Name);
    if (const auto version = HelpFileVersion(name); version > best) {
      best = version;
      chosen = name;
    }
  }
  return Folder + chosen;
}

AnsiString FindHelpFile(const AnsiString& ArticleNumber, const std::vector<const char*>& Folders) {
  for (const char* folder : Folders)
    if (AnsiString path = GetHelpPathWithArtNr(ArticleNumber, WideToAnsi(WorkDir) + folder); !path.empty())
      return path;
  return {};
}

}  // namespace vt
