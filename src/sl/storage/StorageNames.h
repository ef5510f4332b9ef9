// Storage names: counting and splitting folder levels of a name, and the access and
// format words of scripts. Names may use "\" (as the data do) or "/" (as Linux paths
// do); both separate folder levels.
#pragma once

#include "sl/values/Object.h"

namespace vt {

bool IsPathSeparator(char c);
int CountSlashes(std::string_view Name);
// A name beginning with a separator, or with a drive such as "C:\".
bool HasRootSlash(std::string_view Name);
// The number of folder levels: separators, minus the root's.
int CountDirectories(std::string_view Name);
// Splits Name before folder level DirIndex (0 … CountDirectories): "A\B\C" at 1 gives
// "A" and "B\C", at 0 "." and "A\B\C".
void SplitName(std::string_view Name, int DirIndex, AnsiString& Head, AnsiString& Tail);
// Whether a storage name (8-bit, resolved like every file name) is an existing file or folder.
bool IsStorageFile(std::string_view Name);
bool IsStorageFolder(std::string_view Name);
// "R", "W", "RW" and "ASCII", "EASCII", "UNKNOWN", in any case.
TStreamAccess ConvertAccessString(std::string_view Text);
TStorageFormat ConvertFormatString(std::string_view Text);

}  // namespace vt
