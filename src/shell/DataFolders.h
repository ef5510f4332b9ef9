// The data folders the program works in and the first start's copy of the bundled ones
// into the per-user folder, with a marker file that makes an interrupted copy start
// over; and the reader of two-column CSV files (motor names by article number).
// GUI thread (failures are shown in message boxes).
#pragma once

#include <functional>
#include <map>

#include "platform/TextConversion.h"

namespace vt {

struct TDataFolders {
  WideString MotorFiles;  // "Motors_7/"
  WideString Firmware;    // "Firmware/"
  WideString Repository;  // "RepoData/"
};

// The folders below AppDataDir when the data live in the per-user folder, else below WorkDir.
TDataFolders DataFoldersIn(bool InAppDataDir);

// Copies WorkDir's motor and firmware folders into Folders when either is missing or
// the marker "CopyFile.txt" in AppDataDir says an earlier copy was interrupted (the
// two folders are then deleted and copied afresh), and the repository folder when it
// is missing. ShowStartUp(true) and (false) bracket the slow copy.
void CopyFirstStartData(const TDataFolders& Folders, const std::function<void(bool Show)>& ShowStartUp);

// Each line "key;value" (both trimmed) of FileName into Dict; lines without ";" are
// skipped, a repeated key keeps its first value and is reported.
void FillDictFrom2ColumnCsv(std::map<AnsiString, AnsiString>& Dict, const WideString& FileName);

}  // namespace vt
