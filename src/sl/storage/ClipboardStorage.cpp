// Clipboard storage; see ClipboardStorage.h.
#include "sl/storage/ClipboardStorage.h"

#include "platform/Clipboard.h"
#include "platform/Format.h"

namespace vt {

namespace {

// SL text as UTF-16 (little-endian) characters and a terminating null.
std::string ToClipboardBytes(const AnsiString& Text) {
  const WideString wide = AnsiToWide(Text);
  std::string bytes;
  bytes.reserve(2 * wide.size() + 2);
  for (char16_t c : wide) bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
  bytes.append(2, '\0');
  return bytes;
}

AnsiString FromClipboardBytes(const std::string& Bytes) {
  WideString wide;
  for (std::size_t i = 0; i + 1 < Bytes.size(); i += 2) {
    const auto c = static_cast<char16_t>(static_cast<unsigned char>(Bytes[i]) | static_cast<unsigned char>(Bytes[i + 1]) << 8);
    if (c == 0) break;
    wide += c;
  }
  return WideToAnsi(wide);
}

}  // namespace

void TSLClipboardStorageObject::SetFormat(TStorageFormat AFormat) {
  if (AFormat != sfASCII) throw Exception(Format("%s.SetFormat: sfEASCII is not supported", ClassName()));
}

void TSLClipboardStorageObject::Read() {
  const std::optional<std::string> bytes = ClipboardGetData(kClipboardFormatName);
  if (!bytes) throw Exception(Format("%s.Read: the clipboard is empty", ClassName()));
  FData = TRef<TSLObject>(StorageManager->DecodeStringToObject(FromClipboardBytes(*bytes)));
}

void TSLClipboardStorageObject::Write() {
  ClipboardSetData(kClipboardFormatName, ToClipboardBytes(StorageManager->EncodeObjectToString(FData.get())));
}

bool TClipboardStoragePlugin::ObjectExists(const AnsiString& Name) {
  return Name == kClipboardObjectName && ClipboardHasFormat(kClipboardFormatName);
}

TSLStorageObject* TClipboardStoragePlugin::GetObject(const AnsiString& Name, TStreamAccess, bool) {
  if (!ObjectExists(Name)) throw Exception(Format("%s error: no object named %s found", ClassName(), AnsiToUtf8(Name)));
  auto* object = new TSLClipboardStorageObject(true);
  object->Read();
  return object;
}

TSLStorageObject* TClipboardStoragePlugin::CreateObject(const AnsiString& Name) {
  if (!CanCreate(Name))
    throw Exception(Format("%s.CreateObject: can not create object with name '%s'", ClassName(), AnsiToUtf8(Name)));
  return new TSLClipboardStorageObject(true);
}

}  // namespace vt
