// File and folder operations of scripts; see FileOperations.h.
#include "platform/FileOperations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/Exceptions.h"
#include "platform/PathResolver.h"
#include "platform/TextConversion.h"

namespace fs = std::filesystem;

namespace vt {

namespace {

bool StatOf(const fs::path& Path, struct stat& St) {
  return ::stat(Path.c_str(), &St) == 0 || ::lstat(Path.c_str(), &St) == 0;
}

std::int32_t Attributes(const struct stat& St, std::u16string_view Name) {
  std::int32_t attr = 0;
  if (S_ISDIR(St.st_mode))
    attr |= faDirectory;
  else if (!S_ISREG(St.st_mode))
    attr |= faSysFile;
  if (!(St.st_mode & S_IWUSR)) attr |= faReadOnly;
  if (!Name.empty() && Name[0] == u'.' && Name != u"." && Name != u"..") attr |= faHidden;
  return attr == 0 ? faNormal : attr;
}

TSearchEntry EntryOf(const fs::path& Path, std::u16string Name) {
  TSearchEntry entry;
  struct stat st {};
  if (!StatOf(Path, st)) return entry;
  entry.Attr = Attributes(st, Name);
  entry.Size = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
  entry.Time = QDateTime::fromSecsSinceEpoch(st.st_mtime);
  entry.Name = std::move(Name);
  return entry;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool Matches(std::u16string_view Name, std::u16string_view Mask) {
  std::size_t n = 0, m = 0;
  std::size_t starAt = std::u16string_view::npos, resumeAt = 0;
  while (n < Name.size()) {
    if (m < Mask.size() && Mask[m] == u'*') {
      starAt = m++;
      resumeAt = n;
    } else if (m < Mask.size() && (Mask[m] == u'?' || UpCaseWideChar(Mask[m]) == UpCaseWideChar(Name[n]))) {
      ++m;
      ++n;
    } else if (starAt != std::u16string_view::npos) {
      m = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (m < Mask.size() && Mask[m] == u'*') ++m;
  return m == Mask.size();
}

}  // namespace

std::int32_t FileGetAttr(std::u16string_view Name) {
  const fs::path path = ResolvePath(Name);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return Attributes(st, PathToWide(path.filename()));
}

int ChangeDir(std::u16string_view Name) { return ::chdir(ResolvePath(Name).c_str()) == 0 ? 0 : errno; }

std::u16string GetCurrentDir() {
  std::error_code ec;
  return PathToWide(fs::current_path(ec));
}

bool CreateDir(std::u16string_view Name) { return ::mkdir(ResolvePath(Name).c_str(), 0777) == 0; }

bool ForceDirectories(std::u16string_view Name) {
  if (Name.empty()) throw Exception("Unable to create directory");
  const fs::path path = ResolvePath(Name);
  std::error_code ec;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

bool RemoveDir(std::u16string_view Name) { return ::rmdir(ResolvePath(Name).c_str()) == 0; }

bool DeleteFile(std::u16string_view Name) { return ::unlink(ResolvePath(Name).c_str()) == 0; }

bool RenameFile(std::u16string_view OldName, std::u16string_view NewName) {
  const fs::path from = ResolvePath(OldName);
  fs::path to = ResolvePath(NewName);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) {
    // The resolver found the file itself under another spelling: a change of case.
    if (!fs::equivalent(from, to, ec)) return false;
    to = to.parent_path() / WideToPath(ToSlashes(NewName)).filename();
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::u16string FileSearch(std::u16string_view Name, std::u16string_view Folders) {
  if (FileExists(Name)) return std::u16string(Name);
  std::size_t start = 0;
  while (start <= Folders.size()) {
    std::size_t end = Folders.find(u';', start);
    if (end == std::u16string_view::npos) end = Folders.size();
    std::u16string candidate(Folders.substr(start, end - start));
    start = end + 1;
    if (candidate.empty()) continue;
    if (!IsSeparator(candidate.back())) {
      const bool slashesOnly = candidate.find(u'/') != std::u16string::npos && candidate.find(u'\\') == std::u16string::npos;
      candidate += slashesOnly ? u'/' : u'\\';
    }
    candidate += Name;
    if (FileExists(candidate)) return candidate;
  }
  return {};
}

bool MatchesMask(std::u16string_view Name, std::u16string_view Mask) {
  if (Matches(Name, Mask)) return true;
  return Mask.size() >= 2 && Mask.substr(Mask.size() - 2) == u".*" && Name.find(u'.') == std::u16string_view::npos &&
         Matches(Name, Mask.substr(0, Mask.size() - 2));
}

std::vector<TSearchEntry> FindFiles(std::u16string_view Pattern, std::int32_t Attr) {
  const std::size_t sep = Pattern.find_last_of(u"\\/");
  const std::u16string_view mask = sep == std::u16string_view::npos ? Pattern : Pattern.substr(sep + 1);
  const fs::path folder = sep == std::u16string_view::npos ? fs::path(".") : ResolvePath(Pattern.substr(0, sep + 1));
  const std::int32_t excluded = (faHidden | faSysFile | faDirectory) & ~Attr;
  std::vector<TSearchEntry> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::u16string name = PathToWide(it->path().filename());
    if (!MatchesMask(name, mask)) continue;
    TSearchEntry entry = EntryOf(it->path(), std::move(name));
    if (entry.Attr != 0 && !(entry.Attr & excluded)) found.push_back(std::move(entry));
  }
  std::sort(found.begin(), found.end(), [](const TSearchEntry& a, const TSearchEntry& b) {
    const int c = CompareTextWide(a.Name, b.Name);
    return c != 0 ? c < 0 : a.Name < b.Name;
  });
  if (Attr & faDirectory && fs::is_directory(folder, ec)) {
    std::vector<TSearchEntry> dots;
    for (const char16_t* dot : {u".", u".."})
      if (MatchesMask(dot, mask)) dots.push_back(EntryOf(folder / WideToPath(dot), dot));
    found.insert(found.begin(), dots.begin(), dots.end());
  }
  return found;
}

}  // namespace vt
