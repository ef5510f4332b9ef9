// The system clipboard for data of a format of our own, named as the program names
// it ("DevuravEvi ESD"); the format travels as a MIME type derived from the name.
// Needs the GUI application object; without one the clipboard is reported unavailable.
#pragma once

#include <optional>
#include <string>

namespace vt {

// "application/x-" and the name in lower case, blanks as "-".
std::string ClipboardMimeType(const std::string& FormatName);
bool ClipboardHasFormat(const std::string& FormatName);
// The bytes held in that format, or nothing.
std::optional<std::string> ClipboardGetData(const std::string& FormatName);
// Empties the clipboard and puts the bytes there in that format.
void ClipboardSetData(const std::string& FormatName, const std::string& Bytes);

}  // namespace vt
