// The program's folder variables, shared by the shell and the tools. Each ends with a
// "/" so that names are appended directly (AppDataDir + "Communication/...").
// Per-user data and settings follow the XDG base directories.
#pragma once

#include "platform/TextConversion.h"

namespace vt {

extern WideString WorkDir;               // the data folder beside the program
extern WideString UserDir;               // the user's documents folder for this program
extern WideString AppDataDir;            // per-user data: $XDG_DATA_HOME/<vendor>/ (log files)
extern WideString AppDataDirLocal;       // per-user settings: $XDG_CONFIG_HOME/<vendor>/ (ViewConfig.ini)
extern WideString OpenSaveConfigDir;     // last folders of the file dialogs
extern WideString OfflineConfigDir;
extern WideString OpenSaveWorkspaceDir;
extern WideString MDFSaveDir;

// Sets the folders for a program whose data folder is ProgramDataDir, the per-user
// folders named VendorFolder, and creates the per-user data and settings folders. The
// dialog folders start at UserDir.
void InitProgramVariables(const WideString& ProgramDataDir, const WideString& VendorFolder);
// Clears every folder variable (program end).
void ClearProgramVariables();

}  // namespace vt
