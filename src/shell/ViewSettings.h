// The per-user view settings of ViewConfig.ini: the keys of its section "ViewConfig"
// with their defaults, read once at start into the fields below (a missing key is added
// with its default, a key of the wrong type is replaced by the value in force), the login
// time-out of "LoginConfig", and the write-back at exit, which rewrites the file only
// when a saved field differs from its entry. GUI thread only.
#pragma once

#include <cstdint>

#include "platform/TextConversion.h"

namespace vt {

class TProgramRegistry;

struct TViewSettings {
  // Reads every key of "ViewConfig" from Tree (adding the missing ones) and then
  // "LoginConfig\LoginTimeout". FileName names the file in the warnings about a value of
  // the wrong type.
  void Read(TProgramRegistry& Tree, const AnsiString& FileName);
  // Whether a saved field differs from its entry of "ViewConfig".
  bool Changed(TProgramRegistry& Tree) const;
  // Sets every saved key of "ViewConfig" to its field (flags as 0 or 1, the tree width
  // at least the minimum width).
  void Store(TProgramRegistry& Tree) const;
  // When Changed: Store, then write Tree to FileName through a temporary file that takes
  // the old file's place only when complete (its folder is made when missing). Raises
  // when the write fails; the old file is then as it was.
  void WriteBack(TProgramRegistry& Tree, const WideString& FileName) const;

  AnsiString InfoSysLang;                 // "InfoSysLanguage"
  AnsiString UPIDDispMode = "HEX";        // "UPIDDispMode"
  AnsiString RawDataDispMode = "HEX";     // "RawDataDispMode"
  AnsiString RelParFilterMode = "Disabled";
  WideString ConfigurationDir;            // "ConfigurationDir": start folder of configuration dialogs
  WideString WorkspaceDir;                // "WorkspaceDir"
  std::int32_t AutoCheckForSoftwareUpdates = 0;  // "CheckForUpdates"
  std::int32_t AutoCheckForNewsUpdates = 0;      // "CheckForNewsUpdates"
  std::int32_t ExitProgramWarning = 1;           // "ExitWarning"
  std::int32_t ParaRefreshFlag = 1;              // "ParameterRefreshFlag"
  bool Beautifulview = false;                    // "BeautifulView" above 0
  std::int32_t BeautifulviewZeros = 3;
  bool HelpWindowVisiFlag = true;                // "InfoWindow" not 0
  std::int32_t TreeViewWidth = 0;
  std::int32_t MinTreeViewWidth = 0;             // the commander's, not stored
  std::int32_t ButtonColor = 0;
  std::int32_t SkiaGraphRender = 0;
  AnsiString MainFont = "Segoe UI";
  std::int32_t ModulFunctionFlag = 1;            // "ModulFunction"
  std::int32_t DebugSaveData = 1;                // "DebugSave"
  bool MultiReadActive = true;                   // "MultiRead" not 0
  bool RepeatChecksum = false;                   // "RepeateCheckSumErrors" not 0
  std::int32_t MaxNumberOfTries = 5;
  std::int32_t EthDefaultPort = 1;               // "DefaultUDPPort"
  std::int32_t EthPort = 20000;                  // "UDPPort"
  AnsiString ServerKey;
  std::int32_t ADPUpdateDate = 0;
  std::int32_t NewsUpdateDate = 0;
  std::int32_t LocalUpdate = 0;
  AnsiString LocalUpdatePath;
  bool AppDataFolder = true;                     // "AppDataFolder" not 0
  AnsiString MotorDataPath;
  std::int32_t LastIPVersion = 6;
  std::int32_t LastBaudrate = 38400;
  std::int32_t ManualBufferSize = 255;
  std::int32_t MultiReadSize = 124;
  bool FirmwareFolderFlag = true;                // "TestFirmwareFolderFlag" above 0
  std::int32_t LoginTimeout = 250;               // "LoginConfig\LoginTimeout"
};

}  // namespace vt
