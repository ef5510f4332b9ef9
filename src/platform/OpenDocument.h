// Opening a document (a help file, a manual) with the desktop's handler for its type,
// through one replaceable handler, so that tests see what would be opened and nothing
// is started.
#pragma once

#include <filesystem>
#include <functional>

namespace vt {

using TOpenDocumentHandler = std::function<bool(const std::filesystem::path& Path)>;

// Asks the desktop (xdg-open) to open Path; false when nothing took it.
bool OpenDocument(const std::filesystem::path& Path);
// Installs a handler; an empty one restores the desktop's.
void SetOpenDocumentHandler(TOpenDocumentHandler Handler);

}  // namespace vt
