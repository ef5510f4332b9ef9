// The file and folder operations of scripts on the Linux file system, in the forms
// that scripts written for a Windows file system expect: names through the path
// resolver ("\" separators, any letter case), Windows attribute bits, wildcard
// listings sorted by name, and results that report failure instead of raising.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

// Attribute bits. Linux has no such bits; they are derived: read-only when the owner
// may not write, hidden for names beginning with ".", system for anything that is
// neither a file nor a folder (devices, sockets, pipes), normal when no other bit is set.
enum : std::int32_t {
  faReadOnly = 1,
  faHidden = 2,
  faSysFile = 4,
  faDirectory = 16,
  faArchive = 32,
  faNormal = 128,
};

// The attribute bits of the file or folder (links followed), -1 when it does not exist.
std::int32_t FileGetAttr(std::u16string_view Name);

// 0 on success, else the system's error code.
int ChangeDir(std::u16string_view Name);
std::u16string GetCurrentDir();
// The parent must exist.
bool CreateDir(std::u16string_view Name);
// Creates every missing folder; true when the folder exists afterwards. An empty name
// raises "Unable to create directory".
bool ForceDirectories(std::u16string_view Name);
// Only an empty folder.
bool RemoveDir(std::u16string_view Name);
// Only a file, never a folder.
bool DeleteFile(std::u16string_view Name);
// Refuses to replace an existing file; a new name that differs only in letter case
// renames to that spelling.
bool RenameFile(std::u16string_view OldName, std::u16string_view NewName);

// Name itself, else Name in each folder of the ";"-separated list, the first that is an
// existing file, as written; empty when none is. A folder without a trailing separator
// gets the kind of separator it uses ("\" unless it uses only "/").
std::u16string FileSearch(std::u16string_view Name, std::u16string_view Folders);

// Whether Name matches the mask (* and ?, without regard to case); as on Windows, a
// mask ending in ".*" also matches names without an extension.
bool MatchesMask(std::u16string_view Name, std::u16string_view Mask);

struct TSearchEntry {
  std::u16string Name;
  std::int32_t Attr = 0;
  std::int64_t Size = 0;
  QDateTime Time;  // last write, local time
};

// The entries of the pattern's folder whose names match its last part. Entries with
// the attributes hidden, system or folder are listed only when Attr has that bit; with
// the folder bit the entries "." and ".." come first (when they match). Sorted by
// name without regard to case; a missing folder gives no entries.
std::vector<TSearchEntry> FindFiles(std::u16string_view Pattern, std::int32_t Attr);

}  // namespace vt
