// The data folders and the first start's copy; see DataFolders.h.
#include "shell/DataFolders.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/Dialogs.h"
#include "platform/PathResolver.h"
#include "runtime/FileFunctions.h"
#include "runtime/ProgramFolders.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

bool FolderExists(const WideString& Folder) {
  std::error_code ec;
  return fs::is_directory(ResolvePath(Folder), ec);
}

AnsiString Trim(const AnsiString& Text) {
  const auto first = Text.find_first_not_of(" \t\r\n");
  if (first == AnsiString::npos) return {};
  return Text.substr(first, Text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

TDataFolders DataFoldersIn(bool InAppDataDir) {
  const WideString& base = InAppDataDir ? AppDataDir : WorkDir;
  return {base + u"Motors_7/", base + u"Firmware/", base + u"RepoData/"};
}

void CopyFirstStartData(const TDataFolders& Folders, const std::function<void(bool Show)>& ShowStartUp) {
  const bool motors = FolderExists(Folders.MotorFiles);
  const bool firmware = FolderExists(Folders.Firmware);
  const fs::path marker = ResolvePath(AppDataDir + u"CopyFile.txt");
  std::error_code ec;
  const bool interrupted = fs::exists(marker, ec);
  if (!motors || !firmware || interrupted) {
    ShowStartUp(true);
    if (interrupted) {
      glDeleteFolder(Folders.MotorFiles);
      glDeleteFolder(Folders.Firmware);
    } else {
      std::ofstream{marker};
    }
    for (const auto& [target, source] : {std::pair{Folders.MotorFiles, WorkDir + u"Motors_7/"},
                                         std::pair{Folders.Firmware, WorkDir + u"Firmware/"}})
      if (interrupted || !FolderExists(target)) {
        fs::create_directories(ResolvePath(target), ec);
        CopyAllFiles(source, target);
      }
    fs::remove(marker, ec);
    ShowStartUp(false);
  }
  if (!FolderExists(Folders.Repository)) {
    fs::create_directories(ResolvePath(Folders.Repository), ec);
    CopyAllFiles(WorkDir + u"RepoData/", Folders.Repository);
  }
}

void FillDictFrom2ColumnCsv(std::map<AnsiString, AnsiString>& Dict, const WideString& FileName) {
  std::ifstream in(ResolvePath(FileName), std::ios::binary);
  if (!in) {
    ShowMessage(u"Error loading file from: " + FileName + u" (" + AnsiToWide(std::strerror(errno)) + u")");
    return;
  }
  for (AnsiString line; std::getline(in, line);) {
    const auto semicolon = line.find(';');
    if (semicolon == AnsiString::npos) continue;
    if (!Dict.emplace(Trim(line.substr(0, semicolon)), Trim(line.substr(semicolon + 1))).second)
      ShowMessage(u"Duplicate keys in csv file: " + FileName);
  }
}

}  // namespace vt
