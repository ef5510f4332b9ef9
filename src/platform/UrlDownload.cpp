// The URL download action over libcurl; see UrlDownload.h.
#include "platform/UrlDownload.h"

#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/Exceptions.h"

namespace vt {

namespace {

struct TTransfer {
  TDownloadURL* Action;
  std::FILE* File;
  bool Cancelled = false;
};

std::size_t WriteData(char* Data, std::size_t Size, std::size_t Count, void* User) {
  return std::fwrite(Data, Size, Count, static_cast<TTransfer*>(User)->File);
}

int Progress(void* User, curl_off_t Total, curl_off_t Now, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<TTransfer*>(User);
  if (transfer->Action->OnDownloadProgress && Now > 0)
    transfer->Action->OnDownloadProgress(static_cast<std::uint64_t>(Now), static_cast<std::uint64_t>(Total),
                                         dsDownloadingData, "Downloading", transfer->Cancelled);
  return transfer->Cancelled ? 1 : 0;
}

void Notify(TDownloadURL& Action, TURLDownloadStatus Status, const char* Text, bool& Cancel) {
  if (Action.OnDownloadProgress) Action.OnDownloadProgress(0, 0, Status, Text, Cancel);
}

}  // namespace

void TDownloadURL::ExecuteTarget() {
  static std::once_flag init;
  std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  const std::filesystem::path target(Filename);
  const std::filesystem::path part = target.string() + ".part";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(part.c_str(), "wb"), &std::fclose);
  if (!file) throw Exception("Cannot create " + part.string());
  std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), &curl_easy_cleanup);
  TTransfer transfer{this, file.get()};
  char error[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(curl.get(), CURLOPT_URL, URL.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &WriteData);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &Progress);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &transfer);
  Notify(*this, dsBeginDownloadData, "Begin", transfer.Cancelled);
  const CURLcode result = transfer.Cancelled ? CURLE_ABORTED_BY_CALLBACK : curl_easy_perform(curl.get());
  const bool written = std::fflush(file.get()) == 0;
  file.reset();
  std::error_code ec;
  if (result != CURLE_OK || !written) {
    std::filesystem::remove(part, ec);
    if (transfer.Cancelled) throw Exception("Download cancelled");
    throw Exception("Download of " + URL + " failed: " + (*error ? error : curl_easy_strerror(result)));
  }
  std::filesystem::rename(part, target, ec);
  if (ec) throw Exception("Cannot write " + Filename + ": " + ec.message());
  Notify(*this, dsEndDownloadData, "End", transfer.Cancelled);
}

}  // namespace vt
