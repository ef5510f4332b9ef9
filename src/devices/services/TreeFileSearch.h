// The search for a parameter tree's description file (the tree name with ".IN2"): first
// the bundled "Firmware" folder without its older releases, then the program and user
// data folders whole, then the tree's newer base name, and at last files of the same
// tree that differ only in their beta or series part, which count as compatible. Names
// go through the path resolver, so folders and files match in any letter case; hidden
// files count, folders whose names begin with "." are never entered.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

enum TTreeFileHit : std::uint8_t { thNone, thExact, thCompatible };

class TTreeFileSearch {
 public:
  // AProgramDir: the program folder; AUserDataDir: the per-user data folder (the program
  // folder when none is used). With or without a final separator.
  TTreeFileSearch(WideString AProgramDir, WideString AUserDataDir);

  // The six steps for a tree name; the first entry of IniFilesList is the file to take.
  TTreeFileHit Search(WideString TreeName);
  // Appends to IniFilesList the files of Path matching Name (wildcards allowed), then,
  // while nothing was found or no Excluded name is given, those of its sub-folders whose
  // names neither begin with "." nor equal Excluded (in letter case too). Listings are
  // sorted by name; every folder is visited once, whatever links lead to it again.
  void SearchAllIniFilesWithName(const WideString& Path, const WideString& Name, const WideString& Excluded);

  // Full paths, "/"-separated.
  const std::vector<WideString>& IniFilesList() const { return FIniFilesList; }

 private:
  void SearchFolder(const std::filesystem::path& Folder, const WideString& Name, const WideString& Excluded,
                    std::set<std::filesystem::path>& Visited);
  // Name in the program folder, then, while nothing is found, in the user data folder.
  bool SearchBoth(const WideString& Name);

  const WideString FProgramDir;
  const WideString FUserDataDir;
  std::vector<WideString> FIniFilesList;
};

// The tree name up to its last "_"; empty when it has none.
WideString ClearBetaInfo(const WideString& TreeName);
// Base, series and version of the tree name (a part whose closing "_" is missing is
// empty) with the series made today's: "<base>_<series>_<version>".
WideString ClearBetaAndSubInfo(const WideString& TreeName);
// The tree name with today's base name when its base is an old one of the rename table.
WideString RenamedTreeName(const WideString& TreeName);

}  // namespace vt
