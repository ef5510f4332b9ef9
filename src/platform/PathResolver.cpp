// Case-insensitive path resolution; see PathResolver.h.
#include "platform/PathResolver.h"

#include <optional>
#include <system_error>

#include "platform/TextConversion.h"

namespace fs = std::filesystem;

namespace vt {

namespace {

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::symlink_status(p, ec).type() != fs::file_type::not_found && !ec;
}

// The entry of Folder whose name equals Segment without regard to case; the first in
// sorted order when several do, so the choice does not depend on directory order.
std::optional<fs::path> MatchIgnoringCase(const fs::path& Folder, const std::u16string& Segment) {
  std::error_code ec;
  std::optional<std::u16string> best;
  for (fs::directory_iterator it(Folder.empty() ? fs::path(".") : Folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::u16string name = PathToWide(it->path().filename());
    if (SameTextWide(name, Segment) && (!best || name < *best)) best = std::move(name);
  }
  if (!best) return std::nullopt;
  return Folder / WideToPath(*best);
}

}  // namespace

std::u16string ToSlashes(std::u16string_view Name) {
  std::u16string out(Name);
  for (auto& c : out)
    if (c == u'\\') c = u'/';
  return out;
}

bool FileExists(std::u16string_view Name) {
  std::error_code ec;
  return fs::is_regular_file(ResolvePath(Name), ec);
}

bool DirectoryExists(std::u16string_view Name) {
  std::error_code ec;
  return fs::is_directory(ResolvePath(Name), ec);
}

fs::path WideToPath(std::u16string_view Name) { return fs::path(WideToUtf8(Name)); }
std::u16string PathToWide(const fs::path& Path) { return Utf8ToWide(Path.string()); }

fs::path ResolvePath(std::u16string_view Name) {
  const fs::path written = WideToPath(ToSlashes(Name));
  fs::path out = written.root_path();
  bool resolving = true;  // once a segment is missing, the rest is kept as written
  for (const auto& part : written.relative_path()) {
    const fs::path exact = out / part;
    if (!resolving || part == "." || part == ".." || Exists(exact)) {
      out = exact;
      continue;
    }
    if (auto match = MatchIgnoringCase(out, PathToWide(part))) {
      out = *match;
    } else {
      out = exact;
      resolving = false;
    }
  }
  if (!written.empty() && written.native().back() == '/' && !out.empty()) out /= "";
  return out;
}

}  // namespace vt
