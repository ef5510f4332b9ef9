// The built-ins through which scripts reach their surroundings: the file system (the
// current folder, folders, files, attributes, wildcard listings, file-name parts), the
// clock, the beep and the modal message dialog. Names are 8-bit texts and go through
// the path resolver; the clock and the dialog go through the replaceable handlers of
// the platform layer, so tests run at a fixed moment and answer dialogs themselves.
#pragma once

#include "sl/interpreter/Procedures.h"

namespace vt {

// Current folder
VT_SL_SLOW_BUILTIN(TSLChDirProcedure);          // d →; failure raises "I/O error %d"
VT_SL_SLOW_BUILTIN(TSLSetCurrentDirProcedure);  // d → b
VT_SL_SLOW_BUILTIN(TSLGetCurrentDirProcedure);  // → d
VT_SL_SLOW_BUILTIN(TSLGetDirProcedure);         // drive → d: one file tree, so every drive's is the current folder

// Folders and files
VT_SL_SLOW_BUILTIN(TSLCreateDirProcedure);        // d → b
VT_SL_SLOW_BUILTIN(TSLForceDirectoriesProcedure);  // d → b
VT_SL_SLOW_BUILTIN(TSLRemoveDirProcedure);        // d → b
VT_SL_SLOW_BUILTIN(TSLDirectoryExistsProcedure);  // d → b
VT_SL_SLOW_BUILTIN(TSLFileExistProcedure);        // f → b
VT_SL_SLOW_BUILTIN(TSLFileGetAttrProcedure);      // f → attr, -1 when missing
VT_SL_SLOW_BUILTIN(TSLFileSearchProcedure);       // f dirs → path or ''
VT_SL_SLOW_BUILTIN(TSLDeleteFileProcedure);       // f → b
VT_SL_SLOW_BUILTIN(TSLRenameFileProcedure);       // old new → b
VT_SL_SLOW_BUILTIN(TSLGetDirContentsProcedure);   // pattern attr → [A {Attr Name Size Time} …]

// File-name parts
VT_SL_SLOW_BUILTIN(TSLChFileExtProcedure);    // f ext → f with ext
VT_SL_SLOW_BUILTIN(TSLExtFileExtProcedure);   // f → '.ext'
VT_SL_SLOW_BUILTIN(TSLExtFileNameProcedure);  // f → name
VT_SL_SLOW_BUILTIN(TSLExtFilePathProcedure);  // f → folder with its separator

// Clock
VT_SL_SLOW_BUILTIN(TSLDateProcedure);          // → today in the user's short date format
VT_SL_SLOW_BUILTIN(TSLTimeProcedure);          // → the time of day in the user's long time format
VT_SL_SLOW_BUILTIN(TSLDateTimeProcedure);      // format → now written with the format
VT_SL_SLOW_BUILTIN(TSLDaysUntilNowProcedure);  // year month day → days between that day and today

// The user
VT_SL_SLOW_BUILTIN(TSLBeepProcedure);    // →
VT_SL_SLOW_BUILTIN(TSLMsgDlgProcedure);  // text type buttons → 'Y' 'N' 'O' 'C' 'A' 'R' or 'I'

// f with its extension replaced by Ext, or Ext appended when f has none.
AnsiString ChangeFileExt(std::string_view FileName, std::string_view Ext);

}  // namespace vt
