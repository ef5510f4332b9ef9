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

WideString StandardFolder(QStandardPaths::StandardLocation Location, const WideString& Vendor) {
  return Folder(FromQString(QStandardPaths::writableLocation(Location)), Vendor);
}

}  // namespace

void InitProgramVariables(const WideString& ProgramDataDir, const WideString& VendorFolder) {
  WorkDir = Folder(ProgramDataDir, u"");
  UserDir = StandardFolder(QStandardPaths::DocumentsLocation, VendorFolder);
  AppDataDir = StandardFolder(QStandardPaths::GenericDataLocation, VendorFolder);
  AppDataDirLocal = StandardFolder(QStandardPaths::GenericConfigLocation, VendorFolder);
  OpenSaveConfigDir = OfflineConfigDir = OpenSaveWorkspaceDir = MDFSaveDir = UserDir;
  for (const WideString* dir : {&AppDataDir, &AppDataDirLocal}) {
    std::error_code ec;  // a folder that cannot be made shows up when it is written
    std::filesystem::create_directories(WideToPath(*dir), ec);
  }
}

void ClearProgramVariables() {
  for (WideString* dir : {&WorkDir, &UserDir, &AppDataDir, &AppDataDirLocal, &OpenSaveConfigDir, &OfflineConfigDir,
                          &OpenSaveWorkspaceDir, &MDFSaveDir})
    dir->clear();
}

}  // namespace vt
