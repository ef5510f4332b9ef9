// The URL download action: fetches a URL (https, http, file) into a file inside the call,
// reporting its progress; certificates are always verified. The file appears only once
// complete, so that whoever waits for it never reads half a download.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vt {

enum TURLDownloadStatus { dsBeginDownloadData, dsDownloadingData, dsEndDownloadData };

// Progress and ProgressMax in bytes (ProgressMax 0 while unknown); setting Cancel ends
// the download.
using TDownloadProgressEvent = std::function<void(std::uint64_t Progress, std::uint64_t ProgressMax,
                                                  TURLDownloadStatus Status, const std::string& StatusText,
                                                  bool& Cancel)>;

class TDownloadURL {
 public:
  std::string URL;
  std::string Filename;  // the target, replaced when the download is complete
  TDownloadProgressEvent OnDownloadProgress;

  // Raises with the transfer's error text (an HTTP error status included) or
  // "Download cancelled"; the target is then as it was.
  void ExecuteTarget();
};

}  // namespace vt
