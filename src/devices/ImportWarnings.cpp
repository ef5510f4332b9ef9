// The import warnings and their log file; see ImportWarnings.h.
#include "devices/ImportWarnings.h"

#include <fstream>

#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/FileOperations.h"
#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "runtime/ProgramFolders.h"

namespace vt {

namespace {

const char* TypeText(std::int32_t MsgType) {
  switch (MsgType) {
    case iwInfo:
      return "Info,";
    case iwWarning:
      return "Warning,";
    default:
      return "Change,";
  }
}

}  // namespace

TImportWarnings& ImportWarnings() {
  static TImportWarnings warnings;
  return warnings;
}

void TImportWarnings::Add(std::int32_t MsgType, const AnsiString& Path, std::int32_t UPID, const AnsiString& Msg) {
  FImpWarnList.push_back({Path, UPID, Msg, MsgType});
}

AnsiString TImportWarnings::LogLine(const TImpWarnItem& Item) {
  return TypeText(Item.MsgType) + Format("%4.4x", Item.UPID) + "h, " + Item.Path + ", " + Item.Msg;
}

WideString TImportWarnings::AutomaticLogName() {
  const WideString folder = (AppDataDir.empty() ? WorkDir : AppDataDir) + u"LOG/";
  return folder + u"ImpLog_" + FormatDateTime(u"yyyymmdd'_'hhnnss", CurrentDateTime()) + u".log";
}

void TImportWarnings::SaveWarnings(bool ChooseFile) {
  try {
    WideString name;
    if (ChooseFile) {
      name = ExecuteSaveDialog(u"Import warnings(*.log)|*.log", u".log");
      if (name.empty()) return;
    } else {
      name = AutomaticLogName();
      ForceDirectories(name.substr(0, name.rfind(u'/')));
    }
    std::ofstream out(ResolvePath(name), std::ios::binary | std::ios::trunc);
    if (!out) throw Exception("Cannot create file \"" + WideToUtf8(name) + "\"");
    const QDateTime now = CurrentDateTime();
    out << "Date: " << WideToAnsi(FormatDateTime(u"dd.mm.yyyy", now)) << "\r\n"
        << "Time: " << WideToAnsi(FormatDateTime(u"hh:nn:ss", now)) << "\r\n"
        << "Configuration File Name: " << AFileName << "\r\n\r\n";
    AFileName = WideToAnsi(name);
    if (!FImpWarnList.empty()) out << "Type of Message, UPID, Path, Message\r\n\r\n";
    for (const TImpWarnItem& item : FImpWarnList) out << LogLine(item) << "\r\n";
    if (!out.flush()) throw Exception("Write error on \"" + WideToUtf8(name) + "\"");
  } catch (const std::exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
}

}  // namespace vt
