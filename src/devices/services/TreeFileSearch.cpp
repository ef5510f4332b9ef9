// The search for description files; see TreeFileSearch.h.
#include "devices/services/TreeFileSearch.h"

#include <string_view>

#include "devices/services/DriveFamily.h"
#include "platform/FileOperations.h"
#include "platform/PathResolver.h"

namespace vt {

namespace {

constexpr char16_t Extension[] = u".IN2";
constexpr char16_t FirmwareFolder[] = u"Firmware";
constexpr char16_t OlderReleasesFolder[] = u"OlderReleases";

WideString Join(const WideString& Folder, std::u16string_view Name) {
  if (Folder.empty() || Folder.back() == u'/' || Folder.back() == u'\\') return Folder + WideString(Name);
  return Folder + u"\\" + WideString(Name);
}

// The part of Name between the separator at From - 1 and the next "_"; empty when that
// "_" is missing. From moves past it.
WideString Part(const WideString& Name, std::size_t& From) {
  if (From == WideString::npos) return {};
  const std::size_t end = Name.find(u'_', From);
  if (end == WideString::npos) {
    From = WideString::npos;
    return {};
  }
  WideString part = Name.substr(From, end - From);
  From = end + 1;
  return part;
}

WideString TodaysSeries(const WideString& Series) {
  if (Series.empty()) return DefaultSeries;
  const std::u16string_view marker = CustomerSeriesMarker, older = OlderSeries;
  if (const std::size_t at = Series.find(marker); at != WideString::npos)
    return CustomerSeriesPrefix + Series.substr(at + marker.size());
  if (Series != older)
    if (const std::size_t at = Series.find(older); at != WideString::npos)
      return NewerSeriesPrefix + Series.substr(at + older.size());
  return Series;
}

}  // namespace

WideString ClearBetaInfo(const WideString& TreeName) {
  const std::size_t last = TreeName.rfind(u'_');
  return last == WideString::npos ? WideString() : TreeName.substr(0, last);
}

WideString ClearBetaAndSubInfo(const WideString& TreeName) {
  std::size_t from = 0;
  const WideString base = Part(TreeName, from);
  const WideString series = Part(TreeName, from);
  const WideString version = Part(TreeName, from);
  return base + u"_" + TodaysSeries(series) + u"_" + version;
}

WideString RenamedTreeName(const WideString& TreeName) {
  const std::size_t first = TreeName.find(u'_');
  if (first == WideString::npos) return TreeName;
  for (const TTreeRename& r : TreeRenames)
    if (TreeName.compare(0, first, r.OldBaseName) == 0) return r.NewBaseName + TreeName.substr(first);
  return TreeName;
}

TTreeFileSearch::TTreeFileSearch(WideString AProgramDir, WideString AUserDataDir)
    : FProgramDir(std::move(AProgramDir)), FUserDataDir(std::move(AUserDataDir)) {}

TTreeFileHit TTreeFileSearch::Search(WideString TreeName) {
  FIniFilesList.clear();
  const WideString file = TreeName + Extension;
  SearchAllIniFilesWithName(Join(FProgramDir, FirmwareFolder), file, OlderReleasesFolder);
  if (FIniFilesList.empty()) SearchAllIniFilesWithName(FProgramDir, file, u"");
  if (FIniFilesList.empty()) SearchAllIniFilesWithName(Join(FUserDataDir, FirmwareFolder), file, u"");
  if (FIniFilesList.empty() && TreeName.find(u'_') != WideString::npos) {
    TreeName = RenamedTreeName(TreeName);
    SearchBoth(TreeName + Extension);
  }
  if (!FIniFilesList.empty()) return thExact;
  // Any beta of the same version, then any beta of the same version of today's series.
  if (SearchBoth(ClearBetaInfo(TreeName) + u"_*" + Extension)) return thCompatible;
  if (SearchBoth(ClearBetaAndSubInfo(TreeName) + u"_*" + Extension)) return thCompatible;
  return thNone;
}

bool TTreeFileSearch::SearchBoth(const WideString& Name) {
  SearchAllIniFilesWithName(FProgramDir, Name, u"");
  if (FIniFilesList.empty()) SearchAllIniFilesWithName(FUserDataDir, Name, u"");
  return !FIniFilesList.empty();
}

void TTreeFileSearch::SearchAllIniFilesWithName(const WideString& Path, const WideString& Name,
                                               const WideString& Excluded) {
  std::set<std::filesystem::path> visited;
  SearchFolder(ResolvePath(Path), Name, Excluded, visited);
}

void TTreeFileSearch::SearchFolder(const std::filesystem::path& Folder, const WideString& Name,
                                   const WideString& Excluded, std::set<std::filesystem::path>& Visited) {
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(Folder, ec);
  if (ec || !Visited.insert(real).second) return;
  const WideString folder = PathToWide(Folder);
  for (const TSearchEntry& e : FindFiles(Join(folder, Name), faReadOnly | faHidden | faArchive))
    FIniFilesList.push_back(PathToWide(Folder / WideToPath(e.Name)));
  if (!FIniFilesList.empty() && !Excluded.empty()) return;
  for (const TSearchEntry& e : FindFiles(Join(folder, u"*"), faDirectory | faHidden))
    if ((e.Attr & faDirectory) && !e.Name.empty() && e.Name[0] != u'.' && e.Name != Excluded)
      SearchFolder(Folder / WideToPath(e.Name), Name, Excluded, Visited);
}

}  // namespace vt
