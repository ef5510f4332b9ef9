// File-system, clock and user-interaction built-ins; see EnvironmentBuiltins.h.
#include "sl/builtins/EnvironmentBuiltins.h"

#include <cstdlib>

#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/FileOperations.h"
#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "sl/text/FileStreams.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"

namespace vt {

namespace {

// A file or folder name operand: 8-bit text, handed to the file layer as wide text.
WideString NameOperand(TSLStack* Ops, int Depth) { return AnsiToWide(TextOperand(Ops, Depth)); }

void PushText(TSLStack* Ops, std::string_view Text) { PushNew<TSLString>(Ops, AnsiToWide(Text)); }

// name → Boolean
template <class Test>
void NameToBoolean(TSLContext* Context, Test test) {
  TSLStack* ops = Operands(Context);
  const WideString name = NameOperand(ops, 0);
  Drop(ops, 1);
  PushNew<TSLBoolean>(ops, test(name));
}

// 8-bit text → 8-bit text
template <class Part>
void NamePart(TSLContext* Context, Part part) {
  TSLStack* ops = Operands(Context);
  const AnsiString name = TextOperand(ops, 0);
  Drop(ops, 1);
  PushText(ops, part(name));
}

struct TButtonLetter {
  char Letter;
  TMsgDlgBtn Button;
};
constexpr TButtonLetter kButtonLetters[] = {{'Y', mbYes},   {'N', mbNo},    {'O', mbOK},    {'C', mbCancel},
                                            {'A', mbAbort}, {'R', mbRetry}, {'I', mbIgnore}};

const TButtonLetter* ButtonOfLetter(char Letter) {
  for (const TButtonLetter& b : kButtonLetters)
    if (b.Letter == Letter) return &b;
  return nullptr;
}

bool DialogKind(std::string_view TypeText, TMsgDlgType& Kind) {
  if (TypeText.empty()) return false;
  switch (TypeText[0]) {
    case 'W': Kind = mtWarning; return true;
    case 'E': Kind = mtError; return true;
    case 'I': Kind = mtInformation; return true;
    case 'C': Kind = mtConfirmation; return true;
    default: return false;
  }
}

}  // namespace

AnsiString ChangeFileExt(std::string_view FileName, std::string_view Ext) {
  const AnsiString ext = ExtractFileNamePart(FileName, fnpExt);
  return AnsiString(FileName.substr(0, FileName.size() - ext.size())) + AnsiString(Ext);
}

// Current folder

void TSLChDirProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const WideString name = NameOperand(ops, 0);
  Drop(ops, 1);
  if (const int code = ChangeDir(name)) throw Exception(Format("I/O error %d", code));
}

void TSLSetCurrentDirProcedure::Execute(TSLContext* Context) {
  NameToBoolean(Context, [](const WideString& name) { return ChangeDir(name) == 0; });
}

void TSLGetCurrentDirProcedure::Execute(TSLContext* Context) {
  PushText(Operands(Context), WideToAnsi(GetCurrentDir()));
}

void TSLGetDirProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  LongintOperand(ops, 0);  // the drive: on one file tree every drive's folder is the current one
  Drop(ops, 1);
  PushText(ops, WideToAnsi(GetCurrentDir()));
}

// Folders and files

void TSLCreateDirProcedure::Execute(TSLContext* Context) { NameToBoolean(Context, CreateDir); }
void TSLForceDirectoriesProcedure::Execute(TSLContext* Context) { NameToBoolean(Context, ForceDirectories); }
void TSLRemoveDirProcedure::Execute(TSLContext* Context) { NameToBoolean(Context, RemoveDir); }
void TSLDirectoryExistsProcedure::Execute(TSLContext* Context) { NameToBoolean(Context, DirectoryExists); }
void TSLFileExistProcedure::Execute(TSLContext* Context) { NameToBoolean(Context, FileExists); }
void TSLDeleteFileProcedure::Execute(TSLContext* Context) { NameToBoolean(Context, DeleteFile); }

void TSLFileGetAttrProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const WideString name = NameOperand(ops, 0);
  Drop(ops, 1);
  PushNew<TSLLongint>(ops, FileGetAttr(name));
}

void TSLFileSearchProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const WideString folders = NameOperand(ops, 0);
  const WideString name = NameOperand(ops, 1);
  Drop(ops, 2);
  PushText(ops, WideToAnsi(FileSearch(name, folders)));
}

void TSLRenameFileProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const WideString newName = NameOperand(ops, 0);
  const WideString oldName = NameOperand(ops, 1);
  Drop(ops, 2);
  PushNew<TSLBoolean>(ops, RenameFile(oldName, newName));
}

void TSLGetDirContentsProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const std::int32_t attr = Low32(LongintOperand(ops, 0));
  const WideString pattern = NameOperand(ops, 1);
  Drop(ops, 2);
  auto list = MakeRef<TSLArray>();
  for (const TSearchEntry& found : FindFiles(pattern, attr)) {
    auto entry = MakeRef<TSLDictionary>();
    entry->SetIntWithName(u"Attr", found.Attr);
    entry->SetStrWithName(u"Name", AnsiToWide(WideToAnsi(found.Name)));
    entry->SetIntWithName(u"Size", found.Size);
    entry->SetIntWithName(u"Time", DateTimeToFileDate(found.Time));
    list->AddObject(entry.get());
  }
  ops->Push(list.get());
}

// File-name parts

void TSLChFileExtProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString ext = TextOperand(ops, 0);
  const AnsiString name = TextOperand(ops, 1);
  Drop(ops, 2);
  PushText(ops, ChangeFileExt(name, ext));
}

void TSLExtFileExtProcedure::Execute(TSLContext* Context) {
  NamePart(Context, [](const AnsiString& name) { return ExtractFileNamePart(name, fnpExt); });
}
void TSLExtFileNameProcedure::Execute(TSLContext* Context) {
  NamePart(Context, [](const AnsiString& name) { return ExtractFileNamePart(name, fnpName); });
}
void TSLExtFilePathProcedure::Execute(TSLContext* Context) {
  NamePart(Context, [](const AnsiString& name) { return ExtractFileNamePart(name, fnpPath); });
}

// Clock. Day and month names come from the user's locale, as on a system whose
// 8-bit code page is the locale's, so they are handed over as they are.

void TSLDateProcedure::Execute(TSLContext* Context) {
  PushNew<TSLString>(Operands(Context), DateText(CurrentDateTime().date()));
}

void TSLTimeProcedure::Execute(TSLContext* Context) {
  PushNew<TSLString>(Operands(Context), TimeText(CurrentDateTime().time()));
}

void TSLDateTimeProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const WideString format = NameOperand(ops, 0);
  Drop(ops, 1);
  PushNew<TSLString>(ops, FormatDateTime(format, CurrentDateTime()));
}

void TSLDaysUntilNowProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const auto day = static_cast<std::uint16_t>(LongintOperand(ops, 0));
  const auto month = static_cast<std::uint16_t>(LongintOperand(ops, 1));
  const auto year = static_cast<std::uint16_t>(LongintOperand(ops, 2));
  Drop(ops, 3);
  const QDate date(year, month, day);
  if (!date.isValid()) throw EConvertError("Invalid argument to date encode");
  PushNew<TSLLongint>(ops, std::llabs(date.daysTo(CurrentDateTime().date())));
}

// The user

void TSLBeepProcedure::Execute(TSLContext*) { Beep(); }

void TSLMsgDlgProcedure::Execute(TSLContext* Context) {
  TSLStack* ops = Operands(Context);
  const AnsiString letters = UpperCaseAnsi(TextOperand(ops, 0));
  const AnsiString typeText = TextOperand(ops, 1);
  const AnsiString text = TextOperand(ops, 2);
  Drop(ops, 3);
  // No letters at all: an OK button, so that the dialog can be closed.
  TMsgDlgButtons buttons = letters.empty() ? MsgDlgButton(mbOK) : 0;
  for (char letter : letters) {
    const TButtonLetter* b = ButtonOfLetter(letter);
    if (!b) return RaiseStandardError(Context, u"illegal button AnsiChar");
    buttons |= MsgDlgButton(b->Button);
  }
  TMsgDlgType kind = mtInformation;
  if (!DialogKind(typeText, kind)) return RaiseStandardError(Context, u"illegal dialog type AnsiChar");
  const TModalResult result = MessageDlg(AnsiToWide(text), kind, buttons);
  // Only a button the dialog showed counts.
  for (const TButtonLetter& b : kButtonLetters)
    if (buttons & MsgDlgButton(b.Button) && ButtonResult(b.Button) == result)
      return PushNew<TSLString>(ops, AnsiToWide(std::string(1, b.Letter)));
  RaiseStandardError(Context, u"illegal msgdlg result");
}

}  // namespace vt
