// The clipboard storage plug-in ("clipboard://cb.data"): one SL object exchanged with
// other instances of the program through the clipboard, as UTF-16 SL text with a
// terminating null under the format "DevuravEvi ESD".
#pragma once

#include "sl/storage/StorageManager.h"

namespace vt {

inline constexpr const char* kClipboardFormatName = "DevuravEvi ESD";
inline constexpr const char* kClipboardObjectName = "cb.data";

class TSLClipboardStorageObject : public TSLStorageObject {
 public:
  explicit TSLClipboardStorageObject(bool AutoRelease) : TSLStorageObject(AutoRelease) {}
  const char* ClassName() const override { return "TSLClipboardStorageObject"; }
  AnsiString GetName() const override { return kClipboardObjectName; }
  TStorageFormat GetFormat() const override { return sfASCII; }
  // Plain text only.
  void SetFormat(TStorageFormat AFormat) override;
  TSLObject* GetData() override { return FData.get(); }
  void SetData(TSLObject* Data) override { FData = TRef<TSLObject>(Data); }
  void Read() override;
  void Write() override;

 private:
  TRef<TSLObject> FData;
};

class TClipboardStoragePlugin : public TStoragePluginInterface {
 public:
  using TStoragePluginInterface::GetObject;
  const char* ClassName() const { return "TClipboardStoragePlugin"; }
  // Only "cb.data", and only while the clipboard holds data of our format.
  bool ObjectExists(const AnsiString& Name) override;
  TSLStorageObject* GetObject(const AnsiString& Name, TStreamAccess Access, bool Debug) override;
  bool CanCreate(const AnsiString& Name) override { return Name == kClipboardObjectName; }
  TSLStorageObject* CreateObject(const AnsiString& Name) override;
  AnsiString GetScheme() const override { return "clipboard://"; }
};

}  // namespace vt
