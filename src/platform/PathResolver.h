// The one mapping of file names onto the Linux file system. Names in the data and in
// scripts use "\" separators and were written for a case-insensitive file system:
// "\" becomes "/", and a segment that does not exist with its exact spelling matches
// an existing entry whose name differs only in case (the first such name in sorted
// order). Every file lookup of the system goes through here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vt {

// The path the name stands for: existing segments resolved, the rest (a file or
// folder still to be created) kept as written.
std::filesystem::path ResolvePath(std::u16string_view Name);

// Whether the name stands for an existing file or folder (links followed).
bool FileExists(std::u16string_view Name);
bool DirectoryExists(std::u16string_view Name);

// "\" and "/" both separate; the result uses "/".
std::u16string ToSlashes(std::u16string_view Name);

// Wide names and file-system paths (UTF-8 on disk).
std::filesystem::path WideToPath(std::u16string_view Name);
std::u16string PathToWide(const std::filesystem::path& Path);

}  // namespace vt
