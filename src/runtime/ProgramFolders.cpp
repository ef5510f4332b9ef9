// The folder variables; see ProgramFolders.h.
#include "runtime/ProgramFolders.h"

#include <QStandardPaths>
#include <filesystem>
#include <system_error>

#include "platform/PathResolver.h"

namespace vt {

WideString WorkDir;
WideString UserDir;
WideString AppDataDir;
WideString AppDataDirLocal;
WideString OpenSaveConfigDir;
WideString OfflineConfigDir;
WideString OpenSaveWorkspaceDir;
WideString MDFSaveDir;

namespace {

WideString Folder(const WideString& Base, const WideString& Name) {
  WideString out = ToSlashes(Base);
  if (!out.empty() && out.back() != u'/') out += u'/';
  out += Name;
  if (!out.empty() && out.back() != u'/') out += u'/';
  return out;
}

// A folder that cannot be made shows up when something is written into it.
void MakeFolder(const WideString& Dir) {
  std::error_code ec;
  std::filesystem::create_directories(WideToPath(Dir), ec);
}

}  // namespace

void SetProgramFolders(const WideString& ProgramFolder) {
  WorkDir = Folder(ProgramFolder, u"");
  UserDir = Folder(PathToWide(std::filesystem::current_path()), u"");
}

void SetAppDataDir(const WideString& ProductName) {
  AppDataDir = Folder(FromQString(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)), u"Vorlix");
  if (!ProductName.empty()) AppDataDir = Folder(AppDataDir, ProductName);
  MakeFolder(AppDataDir);
}

void SetAppDataDirLocal(bool InAppDataDir) { AppDataDirLocal = InAppDataDir ? AppDataDir : WorkDir; }

void SetConfigurationFolders() {
  OpenSaveConfigDir = OfflineConfigDir = Folder(AppDataDirLocal, u"Configurations/VXC");
  OpenSaveWorkspaceDir = Folder(AppDataDirLocal, u"Configurations/VWS");
  MDFSaveDir = Folder(AppDataDirLocal, u"Motors");
  MakeFolder(OpenSaveConfigDir);
  MakeFolder(OpenSaveWorkspaceDir);
}

void ClearProgramVariables() {
  for (WideString* dir : {&WorkDir, &UserDir, &AppDataDir, &AppDataDirLocal, &OpenSaveConfigDir, &OfflineConfigDir,
                          &OpenSaveWorkspaceDir, &MDFSaveDir})
    dir->clear();
}

}  // namespace vt
