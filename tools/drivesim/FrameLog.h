// The frame log: one line per frame in and out, and per fault played, with the bytes in
// hexadecimal, flushed at once (tests read it while the drive runs).
#pragma once

#include <string>
#include <string_view>

namespace drivesim {

// Empty path: stderr.
void OpenFrameLog(const std::string& Path);
// "<seconds> <drive> <what>: <bytes>"
void LogFrame(const std::string& Drive, std::string_view What, std::string_view Bytes);

}  // namespace drivesim
