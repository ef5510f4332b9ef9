// The debug manager; see DebugLog.h.
#include "runtime/DebugLog.h"

#include <QMetaObject>

#include <chrono>
#include <fstream>
#include <iterator>
#include <shared_mutex>
#include <sstream>
#include <system_error>

#include "platform/Format.h"
#include "runtime/ProcessGlobal.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

const auto ProgramStart = std::chrono::steady_clock::now();

int NextListId(int Id) { return Id % 3 + 1; }
int PrevListId(int Id) { return (Id + 1) % 3 + 1; }

std::string ReadWholeFile(const fs::path& Name) {
  std::ifstream in(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TFilterAction TDebugFilter::Execute(std::uint16_t ACode) const {
  return (ACode & FMask) == (FCode & FMask) ? FAction : faNone;
}

TDebugFilterList::TDebugFilterList()
    : FItems{{"allow all debug messages", 0x0000, 0x0000, faAllow},
             {"allow status request", 0x0103, 0xFFFF, faDeny},
             {"allow status response", 0x0203, 0xFFFF, faDeny}} {}

TFilterAction TDebugFilterList::Filter(std::uint16_t ACode) const {
  if (MainFormExitRequest) return faNone;
  std::lock_guard lock(FLock);
  for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
    if (const TFilterAction a = it->Execute(ACode); a != faNone) return a;
  return faNone;
}

void TDebugFilterList::DenyAllowStatusFilter() {
  std::lock_guard lock(FLock);
  if (FItems.size() < 3) return;
  const TFilterAction a = FItems[1].FAction == faAllow ? faDeny : faAllow;
  FItems[1].FAction = a;
  FItems[2].FAction = a;
}

std::vector<TDebugFilter> TDebugFilterList::Items() const {
  std::lock_guard lock(FLock);
  return FItems;
}

void TDebugFilterList::SetItems(std::vector<TDebugFilter> Items) {
  std::lock_guard lock(FLock);
  FItems = std::move(Items);
}

TDebugManager::TDebugManager(const fs::path& AppDataDir, TDebugLimits Limits)
    : FLimits(Limits), FLink(std::make_shared<TLink>()) {
  FLink->Manager = this;
  if (!AppDataDir.empty()) FillFileArray(AppDataDir / "Communication");
  if (FFileArray.empty()) return;
  FFileName = OldestFile(FFileArray, DebugLogFileCount - 1);
  FWriter = std::make_unique<TJobThread>("DebugLogWriter");
}

TDebugManager::~TDebugManager() {
  {
    std::unique_lock lock(FLink->Lock);
    FLink->Manager = nullptr;
  }
  FWriter.reset();  // writes what was handed over
  SetDebugMemo(nullptr);
}

void TDebugManager::FillFileArray(const fs::path& Folder) {
  std::error_code ec;
  fs::create_directories(Folder, ec);
  for (int i = 0; i < DebugLogFileCount; ++i) {
    FFileArray.push_back(Folder / Format("DbWinLog_%.2d.txt", DebugLogFileCount - i));
    if (!fs::exists(FFileArray.back(), ec)) std::ofstream(FFileArray.back(), std::ios::binary);
  }
}

fs::path TDebugManager::OldestFile(const std::vector<fs::path>& Files, int Count) {
  using Seconds = std::chrono::time_point<fs::file_time_type::clock, std::chrono::seconds>;
  fs::path result;
  Seconds oldest = Seconds::max();
  for (int i = 0; i <= Count && i < static_cast<int>(Files.size()); ++i) {
    std::error_code ec;
    const auto t = fs::last_write_time(Files[i], ec);
    const Seconds s = ec ? Seconds::min() : std::chrono::floor<std::chrono::seconds>(t);
    if (s <= oldest) {
      oldest = s;
      result = Files[i];
    }
  }
  return result;
}

void TDebugManager::LogInfo(std::string_view Msg) { DebugMessage(0, 0, "***INFO: " + AnsiString(Msg)); }
void TDebugManager::LogWarning(std::string_view Msg) { DebugMessage(0, 1, "***WARNING: " + AnsiString(Msg)); }
void TDebugManager::LogError(std::string_view Msg) { DebugMessage(0, 2, "***ERROR: " + AnsiString(Msg)); }

void TDebugManager::Assign(int Group, TSetDebugHandler PSetDebugHandler) {
  if (Group < 1 || Group > DebugGroupCount) return;
  bool enabled;
  {
    std::lock_guard lock(FNodeLock);
    FList.push_back({Group, PSetDebugHandler});
    enabled = FEnabled[Group - 1];
  }
  // Handlers are handed out without the lock: a sender may log from inside its setter.
  if (enabled && PSetDebugHandler) PSetDebugHandler(GroupMessage(Group));
}

void TDebugManager::Enable(int Group) {
  if (Group < 1 || Group > DebugGroupCount) return;
  std::vector<TSetDebugHandler> senders;
  {
    std::lock_guard lock(FNodeLock);
    FEnabled[Group - 1] = true;
    for (const TNode& n : FList)
      if (n.Group == Group && n.SetDebugHandler) senders.push_back(n.SetDebugHandler);
  }
  for (auto& s : senders) s(GroupMessage(Group));
}

void TDebugManager::Disable(int Group) {
  if (Group < 1 || Group > DebugGroupCount) return;
  std::vector<TSetDebugHandler> senders;
  {
    std::lock_guard lock(FNodeLock);
    FEnabled[Group - 1] = false;
    for (const TNode& n : FList)
      if (n.Group == Group && n.SetDebugHandler) senders.push_back(n.SetDebugHandler);
  }
  for (auto& s : senders) s(TDebugHandler());
}

TDebugHandler TDebugManager::GroupMessage(int Group) {
  return [link = FLink, Group](std::uint16_t DbgId, const AnsiString& DbgMsg) {
    std::shared_lock lock(link->Lock);
    if (!link->Manager) return;
    try {
      link->Manager->DebugMessage(Group, DbgId, DbgMsg);
    } catch (...) {
    }
  };
}

void TDebugManager::DebugMessage(int Group, std::uint16_t DbgId, std::string_view DbgMsg) {
  try {
    std::lock_guard lock(FLock);
    Store(DbgMsg);
  } catch (...) {
    ++FExceptionCounter;
  }
  if (!FDebugingEnabled || FFilters.Filter(DbgId) != faAllow) return;
  PostToMemo(Format("[%.4x] %s", DbgId, DbgMsg));
}

void TDebugManager::Store(std::string_view Msg) {
  if (FDebugSaveDataBool) {
    if (FLineCounter >= FLimits.LinesPerPeriod) {
      FLineCounter = 0;
      Rotate();
    }
    ++FLineCounter;
  } else if (static_cast<int>(List(FListID).size()) > FLimits.ListSwitchLines) {
    // Saving off: memory holds at most the full list and the one now filling.
    const int next = NextListId(FListID);
    List(NextListId(next)).clear();
    FListID = next;
  }
  List(FListID).emplace_back(Msg);
}

// At the end of a period: the next list receives; the period before the one just
// finished goes into the file above its older lines. The finished period stays in
// memory until the next rotation, so the file holds whole periods, newest first.
void TDebugManager::Rotate() {
  const int before = PrevListId(FListID);
  const int next = NextListId(FListID);
  List(next).clear();
  FListID = next;
  PostFileWork(List(before), {}, true);
}

void TDebugManager::SaveDebugLastPart() {
  {
    std::lock_guard lock(FLock);
    const int receiving = FListID;
    const int before = PrevListId(receiving);
    const int next = NextListId(receiving);
    List(next).clear();
    FListID = next;
    // On their way to the file: a later rotation must not write them again.
    PostFileWork(std::move(List(receiving)), std::move(List(before)), false);
    List(receiving).clear();
    List(before).clear();
  }
  WaitForLogFiles();
}

void TDebugManager::WaitForLogFiles() {
  if (FWriter) FWriter->Drain();
}

void TDebugManager::PostFileWork(TLineList First, TLineList Second, bool Rotation) {
  if (!FWriter || (First.empty() && Second.empty() && !Rotation)) return;
  FWriter->Post([this, First = std::move(First), Second = std::move(Second), Rotation] {
    std::lock_guard lock(FFileLock);
    try {
      if (Rotation) MoveOnWhenFull();
      WriteBeforeFile(First, Second);
    } catch (...) {
      ++FExceptionCounter;
    }
  });
}

// A full file is left as it is; the least recently written one is emptied and used.
void TDebugManager::MoveOnWhenFull() {
  std::error_code ec;
  const auto size = fs::file_size(FFileName, ec);
  if (ec || static_cast<std::int64_t>(size) <= FLimits.FileSizeLimit) return;
  FFileName = OldestFile(FFileArray, DebugLogFileCount - 1);
  std::ofstream(FFileName, std::ios::binary | std::ios::trunc);
}

// First (newest first), then Second, then the file's old content; written through a
// temporary file so that a failure leaves the old file as it was. On the writer's thread.
void TDebugManager::WriteBeforeFile(const TLineList& First, const TLineList& Second) {
  std::string text;
  for (const TLineList* list : {&First, &Second})
    for (auto it = list->rbegin(); it != list->rend(); ++it) text.append(*it).append("\r\n");
  if (text.empty()) return;
  text += ReadWholeFile(FFileName);
  fs::path temp = FFileName;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) throw std::runtime_error("log file not written");
  }
  fs::rename(temp, FFileName);
}

void TDebugManager::SetDebugMemo(TDebugMemo* Memo) {
  std::lock_guard lock(FMemoLock);
  FDebugMemo = Memo;
  FPendingLines.clear();
  FFlushPosted = false;
  // Deleting the old context drops a flush still on its way.
  FMemoContext.reset(Memo ? new QObject : nullptr);
}

TDebugMemo* TDebugManager::DebugMemo() const {
  std::lock_guard lock(FMemoLock);
  return FDebugMemo;
}

void TDebugManager::PostToMemo(AnsiString Line) {
  std::lock_guard lock(FMemoLock);
  if (!FDebugMemo) return;
  FPendingLines.push_back(std::move(Line));
  if (FFlushPosted) return;
  FFlushPosted = true;
  QMetaObject::invokeMethod(FMemoContext.get(), [this] { FlushDebugMemo(); }, Qt::QueuedConnection);
}

void TDebugManager::FlushDebugMemo() {
  std::vector<AnsiString> lines;
  TDebugMemo* memo;
  {
    std::lock_guard lock(FMemoLock);
    lines.swap(FPendingLines);
    FFlushPosted = false;
    memo = FDebugMemo;
  }
  if (!memo) return;
  for (const auto& line : lines) {
    if (memo->LineCount() > DebugMemoMaxLines) memo->DeleteOldestLines(DebugMemoTrimLines);
    memo->AppendLine(line);
  }
}

fs::path TDebugManager::FileName() const {
  std::lock_guard lock(FFileLock);
  return FFileName;
}

int TDebugManager::ListID() const {
  std::lock_guard lock(FLock);
  return FListID;
}

std::vector<AnsiString> TDebugManager::DebugInfoList(int Id) const {
  std::lock_guard lock(FLock);
  const TLineList& list = FLists.at(Id - 1);
  return std::vector<AnsiString>(list.rbegin(), list.rend());
}

int TDebugManager::LineCounter() const {
  std::lock_guard lock(FLock);
  return FLineCounter;
}

int TDebugManager::ExceptionCounter() const { return FExceptionCounter; }

namespace {

std::shared_mutex GManagerLock;  // shared while a line is written, exclusive to replace
TDebugManager* GManager = nullptr;

template <class F>
void WithManager(F&& f) {
  std::shared_lock lock(GManagerLock);
  if (GManager) f(*GManager);
}

}  // namespace

TDebugManager* DebugManager() {
  std::shared_lock lock(GManagerLock);
  return GManager;
}

void InstallDebugManager(std::unique_ptr<TDebugManager> Manager) {
  std::unique_ptr<TDebugManager> old;
  {
    std::unique_lock lock(GManagerLock);
    old.reset(GManager);
    GManager = Manager.release();
  }
}

void LogInfo(std::string_view Msg) {
  WithManager([&](TDebugManager& m) { m.LogInfo(Msg); });
}
void LogWarning(std::string_view Msg) {
  WithManager([&](TDebugManager& m) { m.LogWarning(Msg); });
}
void LogError(std::string_view Msg) {
  WithManager([&](TDebugManager& m) { m.LogError(Msg); });
}

AnsiString CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return Utf8ToAnsi(e.what());
  } catch (...) {
    return "unknown exception";
  }
}

AnsiString MillisecondsFromStart() {
  const std::chrono::duration<double> s = std::chrono::steady_clock::now() - ProgramStart;
  return Format("%10.3f", s.count());
}

AnsiString StrToHexStr(std::string_view S) {
  AnsiString out;
  for (unsigned char c : S) out += Format("%.2x ", c);
  return out;
}

}  // namespace vt
