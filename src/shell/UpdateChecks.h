// The update task: asks the update server whether a newer release of the program exists
// and copies motor data files for the motor-update window. Each download runs inside the
// call that starts it; its end wakes the task "UpdateTask", whose next step reads the
// file. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/TextConversion.h"
#include "platform/UrlDownload.h"
#include "runtime/Tasks.h"

namespace vt {

enum TUpdateState : std::uint8_t { utReady, utWaitForInfoFile, utWaitForSetupFile, utDownloadNewsImages };

// What the release information file says; -1 for a number it does not give.
struct TReleaseInfo {
  std::int32_t Version = -1, SubVersion = -1, BuildDate = -1;
  AnsiString ProgramName, DownloadLink, DownloadFile, ServerKey;
  std::vector<AnsiString> ReleaseNotes;
};

// Reads the tag lines of a release information file (each value on the next line);
// a number that is none raises.
TReleaseInfo ReadReleaseInfo(const std::vector<AnsiString>& Lines);

struct TRelease {
  std::int32_t Version, SubVersion, BuildDate;
};
// Version, then sub-version, then build date decide.
bool ServerReleaseIsNewer(const TRelease& Server, const TRelease& Running);

class TUpdateChecks {
 public:
  // ServerURL: the update server, without a trailing "/"; Running: this program's release;
  // InfoFileName: where the release information is downloaded to. Creates and starts
  // "UpdateTask", which waits on UpdateSignal until signalled.
  TUpdateChecks(AnsiString ServerURL, const TRelease& Running, WideString InfoFileName);
  TUpdateChecks(const TUpdateChecks&) = delete;
  TUpdateChecks& operator=(const TUpdateChecks&) = delete;

  // Downloads the release information; a failure is only logged.
  void CheckServerForSoftwareUpdates();
  // The same, asked for by the user: the task says so also when the program is up to date.
  void UserCheckServerForSoftwareUpdates();
  // Downloads Source into Destination; the task tells CallBack whether it arrived.
  void CopyMotorFileToTarget(const AnsiString& Source, const WideString& Destination,
                             std::function<void(bool)> CallBack);
  void DownloadProgress(std::uint64_t Progress, std::uint64_t ProgressMax, TURLDownloadStatus Status,
                        const std::string& StatusText, bool& Cancel);
  void UpdateTaskExecute(TMxTask* Task);

  TUpdateState UpdateState = utReady;
  int UpdateMode = 0;  // 1 release information, 3 motor data file
  TReleaseInfo FServerRelease;
  bool UserCheckForSoftwareUpdate = false;
  // The update window, when there is one: shown for a newer release.
  std::function<void(const TReleaseInfo&)> OnNewerRelease;

 private:
  void Download(const AnsiString& URL, const WideString& Target);
  void ReadInfoFile(TMxTask* Task);
  void CheckCopiedFile(TMxTask* Task);
  void WaitUntilSignalled(TMxTask* Task);

  const AnsiString FServerURL;
  const TRelease FRunning;
  const WideString FInfoFileName;
  WideString FDestinationADP;
  int FCopyCounter = 0;
  std::function<void(bool)> CopyCallBack;
  TDownloadURL DownloadURL;
  TMxSignal UpdateSignal;
  std::unique_ptr<TMxTask> UpdateTask;
};

}  // namespace vt
