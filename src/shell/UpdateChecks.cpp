// The update task; see UpdateChecks.h.
#include "shell/UpdateChecks.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/NumberText.h"
#include "platform/PathResolver.h"
#include "runtime/DebugLog.h"
#include "shell/ShellLimits.h"

namespace vt {

namespace {

std::int32_t NumberLine(const AnsiString& Text) {
  const auto value = TryStrToInt64(Text);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) throw Exception("'" + Text + "' is not a valid integer value");
  return static_cast<std::int32_t>(*value);
}

bool FileExists(const WideString& Name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(ResolvePath(Name), ec);
}

std::vector<AnsiString> LoadLines(const WideString& Name) {
  std::ifstream in(ResolvePath(Name));
  std::vector<AnsiString> lines;
  for (AnsiString line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

TReleaseInfo ReadReleaseInfo(const std::vector<AnsiString>& Lines) {
  TReleaseInfo info;
  const std::map<AnsiString, std::int32_t*> numbers = {
      {"#VERSION", &info.Version}, {"#SUBVERSION", &info.SubVersion}, {"#BUILDDATE", &info.BuildDate}};
  const std::map<AnsiString, AnsiString*> texts = {{"#PROGRAMNAME", &info.ProgramName},
                                                   {"#DOWNLOADLINK", &info.DownloadLink},
                                                   {"#DOWNLOADFILE", &info.DownloadFile},
                                                   {"#SERVERKEYINFO", &info.ServerKey}};
  std::size_t i = 0;
  for (int tags = 0; i < Lines.size() && tags < MaxReleaseInfoTagLines; ++tags) {
    const AnsiString& line = Lines[i++];
    const AnsiString tag = UpperCaseAnsi(line);
    const bool hasValue = i < Lines.size();
    if (line == "#FileVersion" && hasValue) {
      NumberLine(Lines[i++]);  // the file's format version: read, no further effect
    } else if (auto n = numbers.find(tag); n != numbers.end() && hasValue) {
      *n->second = NumberLine(Lines[i++]);
    } else if (auto t = texts.find(tag); t != texts.end() && hasValue) {
      *t->second = Lines[i++];
    } else if (tag == "#BEGINOFRELEASEINFO") {
      for (; i < Lines.size() && Lines[i] != "#ENDOFRELEASEINFO"; ++i) info.ReleaseNotes.push_back(Lines[i]);
      if (i < Lines.size()) ++i;
    }
  }
  return info;
}

bool ServerReleaseIsNewer(const TRelease& Server, const TRelease& Running) {
  if (Server.Version != Running.Version) return Server.Version > Running.Version;
  if (Server.SubVersion != Running.SubVersion) return Server.SubVersion > Running.SubVersion;
  return Server.BuildDate > Running.BuildDate;
}

TUpdateChecks::TUpdateChecks(AnsiString ServerURL, const TRelease& Running, WideString InfoFileName)
    : FServerURL(std::move(ServerURL)), FRunning(Running), FInfoFileName(std::move(InfoFileName)) {
  DownloadURL.OnDownloadProgress = [this](std::uint64_t P, std::uint64_t M, TURLDownloadStatus S,
                                          const std::string& T, bool& C) { DownloadProgress(P, M, S, T, C); };
  UpdateTask = std::make_unique<TMxTask>("UpdateTask");
  UpdateTask->OnExecute = [this](TMxTask* Task) { UpdateTaskExecute(Task); };
  UpdateTask->Start();
  UpdateSignal.SetReady(false);
  UpdateTask->WaitFor(&UpdateSignal, MxNoTimeout);
}

void TUpdateChecks::Download(const AnsiString& URL, const WideString& Target) {
  DownloadURL.URL = URL;
  DownloadURL.Filename = ResolvePath(Target).string();
  DownloadURL.ExecuteTarget();
}

void TUpdateChecks::CheckServerForSoftwareUpdates() {
  try {
    if (FServerURL.empty()) throw Exception("no update server is configured");
    Download(FServerURL + "/vorlixtalk7releaseinfo.txt", FInfoFileName);
    UpdateMode = 1;
  } catch (const std::exception& e) {
    LogWarning(std::string("Update check: ") + e.what());
  }
}

void TUpdateChecks::UserCheckServerForSoftwareUpdates() {
  UserCheckForSoftwareUpdate = true;
  CheckServerForSoftwareUpdates();
}

void TUpdateChecks::CopyMotorFileToTarget(const AnsiString& Source, const WideString& Destination,
                                          std::function<void(bool)> CallBack) {
  try {
    Download(Source, Destination);
    FDestinationADP = Destination;
    FCopyCounter = 0;
    CopyCallBack = std::move(CallBack);
    UpdateMode = 3;
  } catch (const std::exception& e) {
    LogWarning(std::string("Motor file copy: ") + e.what());
    ShowMessage(u"Error code 4D41494E");
  }
}

void TUpdateChecks::DownloadProgress(std::uint64_t, std::uint64_t, TURLDownloadStatus Status, const std::string&,
                                     bool&) {
  if (Status != dsEndDownloadData) return;
  if (UpdateState != utDownloadNewsImages) UpdateState = utWaitForInfoFile;
  UpdateSignal.SetReady(true);
}

void TUpdateChecks::WaitUntilSignalled(TMxTask* Task) { Task->WaitFor(&UpdateSignal, MxNoTimeout); }

void TUpdateChecks::UpdateTaskExecute(TMxTask* Task) {
  try {
    switch (UpdateState) {
      case utWaitForInfoFile:
        if (UpdateMode == 1)
          ReadInfoFile(Task);
        else if (UpdateMode == 3)
          CheckCopiedFile(Task);
        else {
          UpdateState = utReady;
          WaitUntilSignalled(Task);
        }
        break;
      default:
        UpdateState = utReady;
        WaitUntilSignalled(Task);
        break;
    }
  } catch (const std::exception& e) {
    UpdateState = utReady;
    WaitUntilSignalled(Task);
    ShowMessage(Utf8ToWide(e.what()));
  }
  UpdateSignal.SetReady(false);
}

void TUpdateChecks::ReadInfoFile(TMxTask* Task) {
  if (!FileExists(FInfoFileName)) {
    Task->WaitFor(&UpdateSignal, UpdateFilePollMs);
    return;
  }
  // The file goes whatever its content: the next check fetches it anew.
  const std::vector<AnsiString> lines = LoadLines(FInfoFileName);
  std::error_code ec;
  std::filesystem::remove(ResolvePath(FInfoFileName), ec);
  UpdateState = utReady;
  WaitUntilSignalled(Task);
  FServerRelease = ReadReleaseInfo(lines);
  const TReleaseInfo& server = FServerRelease;
  if (ServerReleaseIsNewer({server.Version, server.SubVersion, server.BuildDate}, FRunning)) {
    if (OnNewerRelease)
      OnNewerRelease(server);
    else
      ShowMessage(AnsiToWide(server.ProgramName + " " + " is available"));
  } else if (UserCheckForSoftwareUpdate) {
    ShowMessage(u"Vorlix-Talk is up-to-date!");
  }
  UserCheckForSoftwareUpdate = false;
}

void TUpdateChecks::CheckCopiedFile(TMxTask* Task) {
  const bool arrived = FileExists(FDestinationADP);
  if (!arrived && ++FCopyCounter < MotorFileChecks) {
    Task->WaitFor(&UpdateSignal, UpdateFilePollMs);
    return;
  }
  UpdateState = utReady;
  WaitUntilSignalled(Task);
  if (auto callBack = std::exchange(CopyCallBack, nullptr)) callBack(arrived);
}

}  // namespace vt
