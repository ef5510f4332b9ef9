// The import warnings of a configuration load: every difference the parameter import
// resolved on its own (a value clamped, an option gone, a parameter missing or read only)
// is listed with its type, and each import ends with a log file of them, written to
// "LOG/ImpLog_<yyyymmdd>_<hhmmss>.log" in the user data folder (the program folder may be
// read only). The window that lists them reads this list.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

// Message types, each shown with its own icon.
enum TImpWarnType : std::int32_t { iwInfo = 1, iwWarning = 2, iwChange = 3 };

struct TImpWarnItem {
  AnsiString Path;  // in the destination tree, or as saved when the parameter is missing
  std::int32_t UPID = 0;
  AnsiString Msg;
  std::int32_t MsgType = iwInfo;
};

class TImportWarnings {
 public:
  void Clear() { FImpWarnList.clear(); }
  void Add(std::int32_t MsgType, const AnsiString& Path, std::int32_t UPID, const AnsiString& Msg);
  int MsgCount() const { return static_cast<int>(FImpWarnList.size()); }
  const std::vector<TImpWarnItem>& Items() const { return FImpWarnList; }

  // Writes the log: with ChooseFile the save dialog names the file (cancelled: nothing is
  // written), else the automatic name. FileName names the configuration in the log, and
  // then becomes the log's path. A failure is shown in a message box.
  void SaveWarnings(bool ChooseFile);
  const AnsiString& FileName() const { return AFileName; }
  void SetFileName(AnsiString Value) { AFileName = std::move(Value); }

  // "Info,", "Warning," or "Change," with "1A2Bh, <path>, <message>".
  static AnsiString LogLine(const TImpWarnItem& Item);
  // The automatic log's full path for the current moment.
  static WideString AutomaticLogName();

 private:
  std::vector<TImpWarnItem> FImpWarnList;
  AnsiString AFileName;
};

// The program's one list, used by every configuration load.
TImportWarnings& ImportWarnings();

}  // namespace vt
