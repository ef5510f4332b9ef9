// Storage-name functions; see StorageNames.h.
#include "sl/storage/StorageNames.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/PathResolver.h"

namespace vt {

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

int CountSlashes(std::string_view Name) {
  return static_cast<int>(std::count_if(Name.begin(), Name.end(), IsPathSeparator));
}

bool HasRootSlash(std::string_view Name) {
  if (!Name.empty() && IsPathSeparator(Name[0])) return true;
  return Name.size() >= 3 && Name[1] == ':' && IsPathSeparator(Name[2]);
}

int CountDirectories(std::string_view Name) { return CountSlashes(Name) - (HasRootSlash(Name) ? 1 : 0); }

void SplitName(std::string_view Name, int DirIndex, AnsiString& Head, AnsiString& Tail) {
  const int directories = CountDirectories(Name);
  if (DirIndex < 0 || DirIndex > directories) throw Exception("DirIndex out of bounds in procedure SplitName");
  const bool rooted = HasRootSlash(Name);
  Head.clear();
  Tail.clear();
  int level = rooted ? -1 : 0;
  for (char c : Name) {
    if (IsPathSeparator(c) && ++level == DirIndex) continue;  // the separator at the split goes
    (level < DirIndex ? Head : Tail) += c;
  }
  if (rooted && directories == 0) Head += '\\';
  if (!rooted && DirIndex == 0) Head = ".";
}

bool IsStorageFile(std::string_view Name) { return FileExists(AnsiToWide(Name)); }
bool IsStorageFolder(std::string_view Name) { return DirectoryExists(AnsiToWide(Name)); }

TStreamAccess ConvertAccessString(std::string_view Text) {
  const AnsiString upper = UpperCaseAnsi(Text);
  if (upper == "R") return saRead;
  if (upper == "W") return saWrite;
  if (upper == "RW") return saReadWrite;
  throw Exception(Format("illegal access attribute '%s'", AnsiToUtf8(upper)));
}

TStorageFormat ConvertFormatString(std::string_view Text) {
  const AnsiString upper = UpperCaseAnsi(Text);
  if (upper == "ASCII") return sfASCII;
  if (upper == "EASCII") return sfEASCII;
  if (upper == "UNKNOWN") return sfUnknown;
  throw Exception(Format("unknown storage object format '%s'", AnsiToUtf8(upper)));
}

}  // namespace vt
