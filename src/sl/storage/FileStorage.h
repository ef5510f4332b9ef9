// The file storage plug-in ("file://" and the first place a plain name is looked for):
// one SL object per text file, plain or enciphered SL text.
#pragma once

#include "sl/storage/StorageManager.h"
#include "sl/text/FileStreams.h"

namespace vt {

class TSLFileStorageObject : public TSLStorageObject {
 public:
  explicit TSLFileStorageObject(bool AutoRelease) : TSLStorageObject(AutoRelease) {}
  const char* ClassName() const override { return "TSLFileStorageObject"; }

  // Opens the named file and reads its object.
  void Init(const AnsiString& Name, TStreamAccess Access, bool Debug);
  // A new object for writing; nothing is read.
  void InitNew(const AnsiString& Name);

  AnsiString GetName() const override { return FName; }
  TStorageFormat GetFormat() const override { return FFormat; }
  void SetFormat(TStorageFormat AFormat) override { FFormat = AFormat; }
  TSLObject* GetData() override { return FData.get(); }
  void SetData(TSLObject* Data) override { FData = TRef<TSLObject>(Data); }
  // Afterwards the format is plain text: written back it stays plain unless set again.
  void Read() override;
  // The new text goes to a temporary file that replaces the old one only when complete.
  void Write() override;

 private:
  void Setup(const AnsiString& Name, TStreamAccess Access, bool Debug);

  TRef<TSLCryptFile> CharStream;
  TStreamAccess Access = saRead;
  AnsiString FName;
  TStorageFormat FFormat = sfUnknown;
  bool FDebug = false;
  TRef<TSLObject> FData;
  std::uint16_t FStorageID = 0;
};

class TFileStoragePlugin : public TStoragePluginInterface {
 public:
  using TStoragePluginInterface::GetObject;
  const char* ClassName() const { return "TFileStoragePlugin"; }
  bool ObjectExists(const AnsiString& Name) override;
  TSLStorageObject* GetObject(const AnsiString& Name, TStreamAccess Access, bool Debug) override;
  // Whether the folder part of the name exists.
  bool CanCreate(const AnsiString& Name) override;
  TSLStorageObject* CreateObject(const AnsiString& Name) override;
  AnsiString GetScheme() const override { return "file://"; }
};

}  // namespace vt
