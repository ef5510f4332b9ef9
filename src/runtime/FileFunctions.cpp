// Folder helpers; see FileFunctions.h.
#include "runtime/FileFunctions.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/PathResolver.h"
#include "sl/text/FileStreams.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

bool EndsWithSeparator(std::u16string_view Folder) {
  return !Folder.empty() && (Folder.back() == u'\\' || Folder.back() == u'/');
}

WideString WithSeparator(std::u16string_view Folder) {
  return EndsWithSeparator(Folder) ? WideString(Folder) : WideString(Folder) + u'\\';
}

// Collapses doubled separators ("//", "\\") into one.
WideString CollapseSeparators(std::u16string_view Path) {
  WideString out;
  for (char16_t c : Path) {
    const bool sep = c == u'\\' || c == u'/';
    if (sep && EndsWithSeparator(out)) continue;
    out += c;
  }
  return out;
}

bool IsRealFolder(const fs::path& Path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(Path, ec));
}

// Creates the empty probe file exclusively (an existing file of that name is never
// touched), checks it and deletes it again.
bool Probe(const fs::path& Path) {
  const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  std::error_code ec;
  const bool exists = fs::exists(Path, ec);
  fs::remove(Path, ec);
  return exists && !ec;
}

// The same with a fresh name beside Path.
bool ProbeBeside(const fs::path& Path) {
  std::string name = Path.string() + ".XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  ::close(fd);
  return ::unlink(name.c_str()) == 0;
}

}  // namespace

void CopyAllFiles(const WideString& Source, const WideString& Target) {
  const fs::path source = ResolvePath(Source);
  if (!IsRealFolder(source)) {
    ShowMessage(u"Directory " + Source + u" does not exists.");
    return;
  }
  std::error_code ec;
  const fs::path target = ResolvePath(Target);
  fs::create_directory(target, ec);
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    const WideString name = PathToWide(it->path().filename());
    std::error_code entryError;
    // Links to folders are not followed: a link back up would never end.
    if (IsRealFolder(it->path())) {
      CopyAllFiles(Source + name + u'\\', Target + name + u'\\');
    } else if (!fs::is_directory(it->path(), entryError)) {
      fs::copy_file(it->path(), target / it->path().filename(), fs::copy_options::overwrite_existing, entryError);
    }
  }
}

void glDeleteFolder(const WideString& Folder) {
  const fs::path folder = ResolvePath(Folder);
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return;
  std::vector<WideString> names;
  for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) names.push_back(PathToWide(it->path().filename()));
  for (const WideString& name : names) {
    const WideString entry = CollapseSeparators(Folder + u'\\' + name);
    const fs::path path = ResolvePath(entry);
    // A link to a folder goes as a link: what it points to is not ours to delete.
    if (IsRealFolder(path)) {
      glDeleteFolder(entry);
    } else {
      fs::remove(path, ec);
    }
  }
  if (!IsRealFolder(folder)) {
    ShowMessage(u"Path is wrong: " + Folder);
    return;
  }
  // Give programs that watch the folder (file managers, indexers) time to let go of it.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (::rmdir(folder.c_str()) != 0) ShowMessage(u"hallo ich will das nicht!!!, " + AnsiToWide(std::to_string(errno)));
}

bool IsDictionaryWritable(const WideString& Folder) {
  const fs::path folder = ResolvePath(Folder);
  if (!IsRealFolder(folder)) return false;
  const fs::path probe = ResolvePath(WithSeparator(Folder) + u"Dummyfile.txt");
  if (Probe(probe)) return true;
  // A file of the probe's name that is already there belongs to the user: probe beside it.
  std::error_code ec;
  return fs::exists(probe, ec) && ProbeBeside(probe);
}

void ChangeConfigView(const WideString& Folder) {
  static constexpr std::string_view kKey = "AppDataFolder";
  const fs::path file = ResolvePath(Folder + u"ViewConfig.ini");
  std::ifstream in(file, std::ios::binary);
  if (!in) return;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  // The value follows the key after one separator character ("/AppDataFolder 1").
  const std::size_t key = text.find(kKey);
  if (key == std::string::npos || key + kKey.size() + 1 >= text.size()) return;
  text[key + kKey.size() + 1] = '0';
  auto out = MakeRef<TSLCharFile>();
  WriteFileReplacing(*out, Folder + u"ViewConfig.ini", [&] { out->WriteBlock(text.data(), text.size()); });
}

}  // namespace vt
