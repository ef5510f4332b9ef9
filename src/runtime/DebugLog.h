// The debug manager: every thread writes its diagnostic lines here (LogInfo and the
// eight message groups of the drive links); the recent lines stay in three rotating
// in-memory lists, can be saved into ten rotating log files and are shown, filtered by
// message id, in the debug window.
#pragma once

#include <QObject>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string_view>
#include <vector>

#include "platform/TextConversion.h"
#include "runtime/RuntimeLimits.h"
#include "runtime/Threads.h"

namespace vt {

// One line of a group: the 16-bit message id and the text.
using TDebugHandler = std::function<void(std::uint16_t DbgId, const AnsiString& DbgMsg)>;
// Gives a sender the handler of its group; an empty handler means the group is off.
using TSetDebugHandler = std::function<void(const TDebugHandler& Handler)>;

struct TNode {
  int Group = 0;
  TSetDebugHandler SetDebugHandler;
};

enum TFilterAction : std::uint8_t { faNone = 0, faAllow = 1, faDeny = 2 };

struct TDebugFilter {
  AnsiString FCaption;
  std::uint16_t FCode = 0;
  std::uint16_t FMask = 0;
  TFilterAction FAction = faNone;

  // FAction when ACode matches FCode in the bits of FMask, else faNone.
  TFilterAction Execute(std::uint16_t ACode) const;
};

// The debug window's filter by message id: edited on the GUI thread, asked by every
// logging thread. It starts with "allow all" and the drive status requests and
// responses (0x0103, 0x0203) denied.
class TDebugFilterList {
 public:
  TDebugFilterList();

  // The action of the last matching entry other than faNone; faNone while the program
  // is closing or when nothing matches.
  TFilterAction Filter(std::uint16_t ACode) const;
  // Shows the status lines when they are hidden, hides them when they are shown.
  void DenyAllowStatusFilter();

  std::vector<TDebugFilter> Items() const;
  void SetItems(std::vector<TDebugFilter> Items);

 private:
  mutable std::mutex FLock;
  std::vector<TDebugFilter> FItems;
};

// The debug window's line list. It belongs to the GUI thread: the manager hands it
// lines only there.
class TDebugMemo {
 public:
  virtual ~TDebugMemo() = default;
  virtual int LineCount() const = 0;
  virtual void DeleteOldestLines(int Count) = 0;
  virtual void AppendLine(const AnsiString& Line) = 0;
};

// Sizes of the log periods; the defaults are the system's, tests pass small ones.
struct TDebugLimits {
  int LinesPerPeriod = MaxNumberOfDebugLines;
  int ListSwitchLines = DebugListSwitchLines;
  std::int64_t FileSizeLimit = MaxFileSize;
};

class TDebugManager {
 public:
  // AppDataDir is the per-user data folder; its "Communication" folder is created and
  // holds the ten log files. An empty path keeps every line in memory only.
  explicit TDebugManager(const std::filesystem::path& AppDataDir, TDebugLimits Limits = {});
  ~TDebugManager();
  TDebugManager(const TDebugManager&) = delete;
  TDebugManager& operator=(const TDebugManager&) = delete;

  void LogInfo(std::string_view Msg);
  void LogWarning(std::string_view Msg);
  void LogError(std::string_view Msg);

  // Senders of groups 1..8 (other groups are ignored). A sender of an enabled group
  // gets the group's handler at once.
  void Assign(int Group, TSetDebugHandler PSetDebugHandler);
  void Enable(int Group);
  void Disable(int Group);
  // The handler of group 1..8; it never raises. A sender may keep it beyond the manager
  // (a link thread logging while the program ends): once the manager is destroyed, the
  // handler does nothing.
  TDebugHandler GroupMessage(int Group);

  // The one writer. Callable from any thread; one call at a time changes the lists,
  // and no line is dropped because another call is in progress. A finished period goes
  // to the log file writer's thread: no logging thread waits for file work.
  void DebugMessage(int Group, std::uint16_t DbgId, std::string_view DbgMsg);
  // Writes every line not yet saved into the current file (at exit, saving on) and
  // returns once all of it is written.
  void SaveDebugLastPart();
  // Returns once the periods handed to the log file writer so far are written.
  void WaitForLogFiles();

  bool DebugingEnabled() const { return FDebugingEnabled; }
  void SetDebugingEnabled(bool Value) { FDebugingEnabled = Value; }
  bool DebugSaveDataBool() const { return FDebugSaveDataBool; }
  void SetDebugSaveDataBool(bool Value) { FDebugSaveDataBool = Value; }
  // Extra traffic lines of the serial ports.
  bool ExtendedDebugInfo() const { return FExtendedDebugInfo; }
  void SetExtendedDebugInfo(bool Value) { FExtendedDebugInfo = Value; }

  // The debug window's line list; set and cleared on the GUI thread, whose event loop
  // then receives the shown lines of every thread. FlushDebugMemo hands over the lines
  // waiting now (the posted call does the same).
  void SetDebugMemo(TDebugMemo* Memo);
  TDebugMemo* DebugMemo() const;
  void FlushDebugMemo();

  TDebugFilterList& Filters() { return FFilters; }

  std::filesystem::path FileName() const;
  const std::vector<std::filesystem::path>& FileArray() const { return FFileArray; }
  int ListID() const;
  std::vector<AnsiString> DebugInfoList(int Id) const;
  int LineCounter() const;
  // Storing failures (unwritable files), counted instead of raised.
  int ExceptionCounter() const;

  // Among Files[0..Count] the least recently written (whole seconds); of equal times
  // the later entry.
  static std::filesystem::path OldestFile(const std::vector<std::filesystem::path>& Files, int Count);

 private:
  using TLineList = std::vector<AnsiString>;  // oldest first; shown and written newest first

  // What the group handlers hold: the manager while it lives. The destructor clears it
  // once the handler calls in progress have returned.
  struct TLink {
    std::shared_mutex Lock;
    TDebugManager* Manager;
  };

  void FillFileArray(const std::filesystem::path& Folder);
  void Store(std::string_view Msg);
  void Rotate();
  // Hands First and Second (each written newest first) to the writer's thread, which
  // writes them above the file's lines; a rotation first moves on to the oldest file
  // when the current one is full.
  void PostFileWork(TLineList First, TLineList Second, bool Rotation);
  void MoveOnWhenFull();
  void WriteBeforeFile(const TLineList& First, const TLineList& Second);
  TLineList& List(int Id) { return FLists[Id - 1]; }
  void PostToMemo(AnsiString Line);

  const TDebugLimits FLimits;
  const std::shared_ptr<TLink> FLink;
  std::vector<std::filesystem::path> FFileArray;

  mutable std::mutex FLock;  // the lists and the counters below; never held for file work
  std::array<TLineList, 3> FLists;
  int FListID = 1;
  int FLineCounter = 0;
  std::atomic<int> FExceptionCounter{0};

  mutable std::mutex FFileLock;  // the file being written
  std::filesystem::path FFileName;

  std::atomic<bool> FDebugingEnabled{false};
  std::atomic<bool> FDebugSaveDataBool{false};
  std::atomic<bool> FExtendedDebugInfo{false};

  std::mutex FNodeLock;  // List and Enabled
  std::vector<TNode> FList;
  std::array<bool, DebugGroupCount> FEnabled{};

  TDebugFilterList FFilters;

  mutable std::mutex FMemoLock;  // the memo pointer and the lines on their way to it
  TDebugMemo* FDebugMemo = nullptr;
  std::unique_ptr<QObject> FMemoContext;  // lives in the GUI thread; receives the posted flush
  std::vector<AnsiString> FPendingLines;
  bool FFlushPosted = false;

  std::unique_ptr<TJobThread> FWriter;  // none without log files
};

// The global debug manager, none until the shell installs one. Installing replaces
// (and destroys) the previous one once the calls in progress have returned.
TDebugManager* DebugManager();
void InstallDebugManager(std::unique_ptr<TDebugManager> Manager);

// Lines with the prefixes "***INFO: " (id 0), "***WARNING: " (id 1), "***ERROR: " (id 2);
// nothing happens while there is no debug manager.
void LogInfo(std::string_view Msg);
void LogWarning(std::string_view Msg);
void LogError(std::string_view Msg);
// Inside a catch block: the message of the exception being handled, as 8-bit text for a
// log line; "unknown exception" for one that is no std::exception.
AnsiString CurrentExceptionText();

// Seconds since program start as "%10.3f".
AnsiString MillisecondsFromStart();
// Each byte as two upper-case hexadecimal digits followed by a blank.
AnsiString StrToHexStr(std::string_view S);

}  // namespace vt
