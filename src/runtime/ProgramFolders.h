// The program's folder variables, shared by the shell and the tools. Each ends with a
// "/" so that names are appended directly (AppDataDir + "Communication/...").
// Per-user data follow the XDG base directories.
#pragma once

#include "platform/TextConversion.h"

namespace vt {

extern WideString WorkDir;               // the program's folder, where its data folder tree lies
extern WideString UserDir;               // the current folder at start
extern WideString AppDataDir;            // per-user data: $XDG_DATA_HOME/Vorlix/<product>/ (ViewConfig.ini, logs)
extern WideString AppDataDirLocal;       // the data folder in use: AppDataDir or WorkDir
extern WideString OpenSaveConfigDir;     // start folders of the file dialogs
extern WideString OfflineConfigDir;
extern WideString OpenSaveWorkspaceDir;
extern WideString MDFSaveDir;

// WorkDir := ProgramFolder, UserDir := the current folder.
void SetProgramFolders(const WideString& ProgramFolder);
// AppDataDir := <XDG data home>/Vorlix/ProductName/ (without the product level when the
// name is empty); creates the folders that are missing.
void SetAppDataDir(const WideString& ProductName);
// AppDataDirLocal := AppDataDir when the data live in the per-user folder, else WorkDir.
void SetAppDataDirLocal(bool InAppDataDir);
// Creates "Configurations/VXC/" and "Configurations/VWS/" below AppDataDirLocal and
// points the dialogs' folders there (MDFSaveDir to "Motors/").
void SetConfigurationFolders();
// Clears every folder variable (program end).
void ClearProgramVariables();

}  // namespace vt
