// Archives: one file standing for a folder of SL texts (".sla", read also as ".cln").
// It is a plain sequence of entries, each a 22-byte little-endian header, the entry
// name and the SL text of one object (plain or "%SLE"). Entries are read lazily; all
// storage objects of one archive file share one TSLArchive, kept by the archive manager
// while anything holds it. Also the "archive://" plug-in, which treats any folder level
// of a name as a possible archive file.
#pragma once

#include <functional>
#include <map>

#include "sl/storage/StorageManager.h"
#include "sl/text/FileStreams.h"

namespace vt {

class TSLArchive;

inline constexpr std::int64_t kArchiveSignature = 0x04414C53;
inline constexpr std::uint16_t kArchiveVersion = 10;
inline constexpr int kArchiveHeaderSize = 22;
// The header holds an entry name's length in 16 bits.
inline constexpr std::size_t kMaxArchiveEntryName = 0xFFFF;

struct TStreamHeader {
  std::int64_t Signature = kArchiveSignature;
  std::uint16_t VersionNeeded = kArchiveVersion;
  std::int64_t Size = 0;
  std::uint16_t FilenameLength = 0;
  std::uint16_t ExtraFieldLength = 0;
  AnsiString Filename;
  AnsiString ExtraField;
};

class TSLArchiveEntry : public TSLObject {
 public:
  // A new entry; a name longer than the header can hold is refused.
  TSLArchiveEntry(bool AutoRelease, TSLArchive* AOwner, const AnsiString& Name);
  // The next entry of the archive file: reads its header and leaves the stream after it.
  TSLArchiveEntry(bool AutoRelease, TSLArchive* AOwner, TSLCryptFile* Stream);
  const char* ClassName() const override { return "TSLArchiveEntry"; }

  const AnsiString& GetName() const { return StreamHeader.Filename; }
  TStorageFormat GetFormat() const { return FFormat; }
  void SetFormat(TStorageFormat AFormat);
  // The data of an entry read from the file is decoded when first asked for.
  TSLObject* GetData();
  void SetData(TSLObject* Data);
  // A link entry copies the file it names (beside the archive) at every write.
  bool IsLink() const { return FIsLink; }
  void SetIsLink(bool Value) { FIsLink = Value; }
  bool IsLazy() const { return Lazy; }

  // Writes header and data; an entry never read is copied byte for byte from the old file.
  void Write(TSLCryptFile* Stream);
  // An entry still unread is read from now on from Stream, the file just written.
  void Rebind(TSLCryptFile* Stream);

 private:
  void ReadHeader(TSLCryptFile* Stream);
  TStorageFormat StoredFormat();
  // The data part as it stands in the file.
  AnsiString StoredData();
  void ReadData();
  void WriteHeader();
  void WriteData();
  void WriteLink();
  void CopyRawData();
  void UpdateHeader(int StartPosition, int DataPosition);

  TSLArchive* Owner;  // not retained: the archive holds its entries
  TSLCryptFile* OutStream = nullptr;
  TRef<TSLCryptFile> InStream;
  std::uint16_t FStorageID = 0;
  TStreamHeader StreamHeader;
  TRef<TSLObject> FData;
  TStorageFormat FFormat = sfASCII;
  bool FIsLink = false;
  bool Lazy = false;
  std::int32_t Position = 0;
  std::int32_t WrittenPosition = 0;  // where the last write put the data
};

class TSLArchive : public TSLObject {
 public:
  TSLArchive(bool AutoRelease, const AnsiString& FileName, TStreamAccess Access, bool Debug);
  const char* ClassName() const override { return "TSLArchive"; }

  int GetCount() const { return Entries->GetCount(); }
  TSLArchiveEntry* EntryAtIndex(int Index) const;
  TSLArchiveEntry* EntryWithName(const AnsiString& Name) const;
  bool NameExists(const AnsiString& Name) const { return Entries->IndexOfAnsi(Name) >= 0; }
  int IndexOfEntry(const AnsiString& Name) const { return Entries->IndexOfAnsi(Name); }
  void AddEntry(TSLArchiveEntry* Entry);
  void RemoveEntryAtIndex(int Index) { Entries->Delete(Index); }
  void RemoveEntryWithName(const AnsiString& Name) { Entries->RemoveObject(AnsiToWide(Name)); }
  void Clear() { Entries->Clear(); }
  // Writes every entry, through a temporary file that replaces the archive only when
  // complete (the previous archive is kept as ".bak"). Entries never read are copied
  // as they are, so they stay byte-identical. When the replacement fails the archive
  // reads on from the old file.
  void Write();

  const AnsiString& InStreamName() const { return FInStreamName; }
  TStreamAccess Access() const { return FAccess; }
  bool Debug() const { return FDebug; }
  bool FileExists() const { return ArchiveFileExists; }

  std::function<void(TSLArchive*)> OnDestroy;

 protected:
  ~TSLArchive() override;

 private:
  void OpenArchive();
  void ReadEntries();
  void CloseArchive();
  void Reopen();
  void WriteEntries(TSLCryptFile* Out);

  TRef<TSLCryptFile> FInStream;
  AnsiString FInStreamName;
  bool ArchiveFileExists = false;
  TRef<TSLDictionary> Entries;
  TStreamAccess FAccess;
  bool FDebug;
};

class TSLArchiveStorageObject : public TSLStorageObject {
 public:
  explicit TSLArchiveStorageObject(bool AutoRelease) : TSLStorageObject(AutoRelease) {}
  const char* ClassName() const override { return "TSLArchiveStorageObject"; }
  void Init(const AnsiString& Name, const AnsiString& AArchiveName, const AnsiString& AFileName, TStreamAccess AAccess,
            bool Debug);

  AnsiString GetName() const override { return FName; }
  TStorageFormat GetFormat() const override;
  void SetFormat(TStorageFormat AFormat) override;
  TSLObject* GetData() override;
  void SetData(TSLObject* Data) override;
  // Only checks that the entry exists; its data is read when first asked for.
  void Read() override;
  // Writes the whole archive, with the changes made through every object on it.
  void Write() override;

 private:
  TSLArchiveEntry* Entry() const;
  void CheckInitialized(const char* Operation) const;

  TRef<TSLArchive> Archive;
  AnsiString ArchiveName;
  AnsiString FileName;
  TStreamAccess Access = saReadWrite;
  AnsiString FName;
  bool Initialized = false;
};

class TArchiveStoragePlugin : public TStoragePluginInterface {
 public:
  using TStoragePluginInterface::GetObject;
  const char* ClassName() const { return "TArchiveStoragePlugin"; }
  bool ObjectExists(const AnsiString& Name) override;
  TSLStorageObject* GetObject(const AnsiString& Name, TStreamAccess Access, bool Debug) override;
  bool CanCreate(const AnsiString& Name) override;
  TSLStorageObject* CreateObject(const AnsiString& Name) override;
  AnsiString GetScheme() const override { return "archive://"; }

  // The archive file and entry a name stands for: folder levels deepest first, ".sla"
  // before ".cln", below the program's folder before the name as given.
  bool Find(const AnsiString& Name, AnsiString& ArchiveFile, AnsiString& EntryName);
  // Find, or else the archive file to create: the first missing folder below an
  // existing one becomes a new ".sla" file.
  bool FindDir(const AnsiString& Name, AnsiString& ArchiveFile, AnsiString& EntryName);
};

// Keeps each open archive once, by file name, while something holds it.
class TArchiveManager {
 public:
  const char* ClassName() const { return "TArchiveManager"; }
  TSLArchive* GetArchive(const AnsiString& Name, TStreamAccess Access = saReadWrite, bool Debug = false);
  void ArchiveDestroy(TSLArchive* Archive);
  bool IsListed(const AnsiString& Name) const;

 private:
  std::map<WideString, TSLArchive*, TWideTextLess> Archives;
};

TArchiveManager& ArchiveManager();

}  // namespace vt
