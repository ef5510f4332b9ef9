// Archives, the archive plug-in and the archive manager; see Archive.h.
#include "sl/storage/Archive.h"

#include <array>
#include <filesystem>

#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "sl/storage/StorageNames.h"
#include "sl/text/Decoder.h"
#include "sl/text/Encoder.h"
#include "sl/text/StringStream.h"

namespace fs = std::filesystem;

namespace vt {

namespace {

fs::path Resolved(const AnsiString& Name) { return ResolvePath(AnsiToWide(Name)); }

// The name with its extension (after the last point of the last part) cut off.
AnsiString WithoutExtension(const AnsiString& Name) {
  const std::size_t dot = Name.find_last_of('.');
  const std::size_t separator = Name.find_last_of("\\/");
  if (dot == AnsiString::npos || (separator != AnsiString::npos && dot < separator)) return Name;
  return Name.substr(0, dot);
}

[[noreturn]] void InvalidHeader() {
  throw Exception(Format("%s.ReadHeader: Invalid file header in archive", "TSLArchiveEntry"));
}

}  // namespace

// TSLArchiveEntry

TSLArchiveEntry::TSLArchiveEntry(bool AutoRelease, TSLArchive* AOwner, const AnsiString& Name)
    : TSLObject(AutoRelease), Owner(AOwner) {
  // Refused before anything is written: a longer name would corrupt the whole archive.
  if (Name.size() > kMaxArchiveEntryName)
    throw Exception(Format("%s.Create: the entry name is %u characters long; an archive holds names of up to %u",
                           ClassName(), Name.size(), kMaxArchiveEntryName));
  StreamHeader.Filename = Name;
  StreamHeader.FilenameLength = static_cast<std::uint16_t>(Name.size());
}

TSLArchiveEntry::TSLArchiveEntry(bool AutoRelease, TSLArchive* AOwner, TSLCryptFile* Stream)
    : TSLObject(AutoRelease), Owner(AOwner), InStream(Stream) {
  ReadHeader(Stream);
  FFormat = StoredFormat();
  Lazy = true;
  FStorageID = StorageIDManager().CreateStorageID(WithoutExtension(Owner->InStreamName()) + '\\' + GetName(), nullptr);
  if (StreamHeader.Size > 0) Stream->Seek(Position + static_cast<std::int32_t>(StreamHeader.Size));
}

void TSLArchiveEntry::ReadHeader(TSLCryptFile* Stream) {
  // Every length is checked against what the file holds, so a damaged archive is
  // refused instead of being read past its end or walked in circles.
  const std::int64_t fileSize = Stream->GetFilesize();
  const std::int64_t start = Stream->StreamPos();
  if (fileSize - start < kArchiveHeaderSize) InvalidHeader();
  TStreamHeader& h = StreamHeader;
  h.Signature = Stream->ReadLongint();
  h.VersionNeeded = Stream->ReadWord();
  h.Size = Stream->ReadLongint();
  h.FilenameLength = Stream->ReadWord();
  h.ExtraFieldLength = Stream->ReadWord();
  if (h.Signature != kArchiveSignature || h.VersionNeeded != kArchiveVersion) InvalidHeader();
  if (start + kArchiveHeaderSize + h.FilenameLength + h.ExtraFieldLength > fileSize) InvalidHeader();
  h.Filename = Stream->ReadStringWithLength(h.FilenameLength);
  h.ExtraField = Stream->ReadStringWithLength(h.ExtraFieldLength);
  Position = Stream->StreamPos();
  if (h.Size < 0 || h.Size > fileSize - Position) InvalidHeader();
}

TSLObject* TSLArchiveEntry::GetData() {
  if (Lazy) ReadData();
  return FData.get();
}

void TSLArchiveEntry::SetFormat(TStorageFormat AFormat) {
  // An unread entry is copied as stored when the archive is written: to be written in
  // another format it must be read first.
  if (Lazy && AFormat != FFormat) ReadData();
  FFormat = AFormat;
}

void TSLArchiveEntry::SetData(TSLObject* Data) {
  FData = TRef<TSLObject>(Data);
  Lazy = false;
}

// "%SLE" at the start of the entry's own bytes; an entry too short for it is plain.
TStorageFormat TSLArchiveEntry::StoredFormat() {
  InStream->Seek(Position);
  return StreamHeader.Size >= kCryptHeaderSize ? GetStreamFormat(*InStream) : sfASCII;
}

AnsiString TSLArchiveEntry::StoredData() {
  InStream->Seek(Position);
  return InStream->ReadStringWithLength(static_cast<int>(StreamHeader.Size));
}

// The entry's text alone is decoded, so that a text left open ends with its entry
// instead of running on into the next one. Debug positions count from its start.
void TSLArchiveEntry::ReadData() {
  TSLCryptFile& stream = *InStream;
  const TStorageFormat format = StoredFormat();
  AnsiString text;
  if (format == sfASCII) {
    text = StoredData();
  } else {
    if (StreamHeader.Size < kCryptPreambleSize) throw Exception("wrong crypt header in stream");
    try {
      stream.SetCrypt(true);
      stream.InitDecryptor();
      text = stream.ReadStringWithLength(static_cast<int>(StreamHeader.Size) - kCryptPreambleSize);
    } catch (...) {
      stream.SetCrypt(false);
      throw;
    }
    stream.SetCrypt(false);
  }
  auto source = MakeRef<TSLStringStream>();
  source->SetBuffer(std::move(text));
  source->FStorageID = FStorageID;
  auto reader = MakeRef<TSLLookaheadStream>(source.get());
  FData = TRef<TSLObject>(StorageManager->StreamDecoder()->ReadSingleObject(reader.get(), Owner->Debug()));
  FFormat = format;
  Lazy = false;
}

void TSLArchiveEntry::Write(TSLCryptFile* Stream) {
  OutStream = Stream;
  const int start = Stream->StreamPos();
  WriteHeader();
  WrittenPosition = Stream->StreamPos();
  if (Lazy && !FIsLink)
    CopyRawData();
  else
    WriteData();
  UpdateHeader(start, WrittenPosition);
  OutStream = nullptr;
}

void TSLArchiveEntry::CopyRawData() {
  const AnsiString data = StoredData();
  OutStream->WriteBlock(data.data(), data.size());
}

void TSLArchiveEntry::Rebind(TSLCryptFile* Stream) {
  InStream = TRef<TSLCryptFile>(Stream);
  Position = WrittenPosition;
}

void TSLArchiveEntry::WriteHeader() {
  OutStream->WriteLongint(kArchiveSignature);
  OutStream->WriteWord(kArchiveVersion);
  OutStream->WriteLongint(0);  // the size follows once the data is written
  OutStream->WriteWord(static_cast<std::uint16_t>(GetName().size()));
  OutStream->WriteWord(0);
  OutStream->WriteString(GetName());
}

void TSLArchiveEntry::WriteData() {
  try {
    if (FFormat == sfEASCII) {
      OutStream->SetCrypt(true);
      OutStream->InitEncrypter();
    }
    if (FIsLink)
      WriteLink();
    else
      StorageManager->StreamEncoder()->WriteObject(OutStream, FData.get());
  } catch (...) {
    OutStream->SetCrypt(false);
    throw;
  }
  OutStream->SetCrypt(false);
}

void TSLArchiveEntry::WriteLink() {
  auto source = MakeRef<TSLCharFile>();
  source->AssignFile(AnsiToWide(WithoutExtension(Owner->InStreamName()) + '\\' + GetName()));
  source->Reset(saRead);
  std::array<char, 32> piece{};
  while (!source->Eof()) {
    std::size_t n = 0;
    while (n < piece.size() && !source->Eof()) piece[n++] = source->Read();
    OutStream->WriteBlock(piece.data(), n);
  }
  source->Close();
}

void TSLArchiveEntry::UpdateHeader(int StartPosition, int DataPosition) {
  const int end = OutStream->StreamPos();
  OutStream->Seek(StartPosition + 10);
  OutStream->WriteLongint(end - DataPosition);
  OutStream->Seek(end);
}

// TSLArchive

TSLArchive::TSLArchive(bool AutoRelease, const AnsiString& FileName, TStreamAccess Access, bool Debug)
    : TSLObject(AutoRelease), FInStreamName(FileName), Entries(MakeRef<TSLDictionary>()), FAccess(Access), FDebug(Debug) {
  if (FileName.empty()) throw Exception("Tried to open archive with empty filename");
  OpenArchive();
}

TSLArchive::~TSLArchive() {
  try {
    if (OnDestroy) OnDestroy(this);
  } catch (const Exception&) {
    // Not listed: nothing to take off the list.
  }
}

void TSLArchive::OpenArchive() {
  if (!IsStorageFile(FInStreamName)) return;  // a new archive, written at its first Write
  ArchiveFileExists = true;
  FInStream = MakeRef<TSLCryptFile>();
  FInStream->AssignFile(AnsiToWide(FInStreamName));
  try {
    FInStream->Reset(saRead);
    ReadEntries();
  } catch (...) {
    CloseArchive();
    throw;
  }
}

void TSLArchive::ReadEntries() {
  while (!FInStream->Eof()) {
    auto entry = TRef<TSLArchiveEntry>(new TSLArchiveEntry(false, this, FInStream.get()));
    AddEntry(entry.get());
  }
}

void TSLArchive::CloseArchive() {
  if (!FInStream) return;
  FInStream->Close();
  FInStream.reset();
}

TSLArchiveEntry* TSLArchive::EntryAtIndex(int Index) const {
  return static_cast<TSLArchiveEntry*>(Entries->GetObjAtIndex(Index));
}

TSLArchiveEntry* TSLArchive::EntryWithName(const AnsiString& Name) const {
  return static_cast<TSLArchiveEntry*>(Entries->GetObjWithName(AnsiToWide(Name)));
}

void TSLArchive::AddEntry(TSLArchiveEntry* Entry) { Entries->AddObject(AnsiToWide(Entry->GetName()), Entry); }

void TSLArchive::WriteEntries(TSLCryptFile* Out) {
  for (int i = 0; i < GetCount(); ++i) EntryAtIndex(i)->Write(Out);
}

void TSLArchive::Write() {
  if (FInStreamName.empty()) throw Exception("Tried to open archive with empty filename");
  AnsiString temporary = WithoutExtension(FInStreamName) + ".tmp";
  if (temporary == FInStreamName) temporary += ".tmp";  // an archive named ".tmp" is no temporary file
  auto out = MakeRef<TSLCryptFile>();
  out->AssignFile(AnsiToWide(temporary));
  std::error_code ec;
  try {
    out->Rewrite();
    WriteEntries(out.get());
    out->Sync();
    out->Close();
  } catch (...) {
    out->Close();
    fs::remove(Resolved(temporary), ec);
    throw;
  }
  // The archive stays open on the old file until the new one has taken its place: when
  // that fails, it reads on as before.
  std::string reason;
  if (!PutFileInPlace(AnsiToWide(temporary), AnsiToWide(FInStreamName), &reason)) {
    fs::remove(Resolved(temporary), ec);
    throw Exception(Format("%s.Write: error while writing into archive;could not replace file '%s' with '%s': %s",
                           ClassName(), AnsiToUtf8(FInStreamName), AnsiToUtf8(temporary), reason));
  }
  ArchiveFileExists = true;
  CloseArchive();
  Reopen();
}

void TSLArchive::Reopen() {
  FInStream = MakeRef<TSLCryptFile>();
  FInStream->AssignFile(AnsiToWide(FInStreamName));
  FInStream->Reset(saRead);
  for (int i = 0; i < GetCount(); ++i)
    if (EntryAtIndex(i)->IsLazy()) EntryAtIndex(i)->Rebind(FInStream.get());
}

// TSLArchiveStorageObject

void TSLArchiveStorageObject::Init(const AnsiString& Name, const AnsiString& AArchiveName, const AnsiString& AFileName,
                                   TStreamAccess AAccess, bool Debug) {
  if (Initialized) throw Exception(Format("%s error: archive storage object already initialized", ClassName()));
  Archive = TRef<TSLArchive>(ArchiveManager().GetArchive(AArchiveName, AAccess, Debug));
  if (!Archive->NameExists(AFileName)) Archive->AddEntry(MakeRef<TSLArchiveEntry>(Archive.get(), AFileName).get());
  FName = Name;
  ArchiveName = AArchiveName;
  FileName = AFileName;
  Access = saReadWrite;  // whatever was asked
  Initialized = true;
}

void TSLArchiveStorageObject::CheckInitialized(const char* Operation) const {
  if (!Initialized) throw Exception(Format("%s.%s: object not initialized", ClassName(), Operation));
}

TSLArchiveEntry* TSLArchiveStorageObject::Entry() const {
  CheckInitialized("Entry");
  return Archive->EntryWithName(FileName);
}

TStorageFormat TSLArchiveStorageObject::GetFormat() const { return Entry()->GetFormat(); }
void TSLArchiveStorageObject::SetFormat(TStorageFormat AFormat) { Entry()->SetFormat(AFormat); }
TSLObject* TSLArchiveStorageObject::GetData() { return Entry()->GetData(); }
void TSLArchiveStorageObject::SetData(TSLObject* Data) { Entry()->SetData(Data); }

void TSLArchiveStorageObject::Read() {
  CheckInitialized("Read");
  Archive->EntryWithName(FileName);
}

void TSLArchiveStorageObject::Write() {
  CheckInitialized("Write");
  Archive->Write();
}

// TArchiveStoragePlugin

bool TArchiveStoragePlugin::Find(const AnsiString& Name, AnsiString& ArchiveFile, AnsiString& EntryName) {
  for (const AnsiString& path : {StorageManager->ProgramFolder() + Name, Name}) {
    for (int level = CountDirectories(path); level >= 1; --level) {
      AnsiString head, tail;
      SplitName(path, level, head, tail);
      for (const char* extension : {".sla", ".cln"}) {
        const AnsiString file = head + extension;
        if (!IsStorageFile(file)) continue;
        auto archive = TRef<TSLArchive>(new TSLArchive(false, file, saRead, false));
        if (archive->NameExists(tail)) {
          ArchiveFile = file;
          EntryName = tail;
          return true;
        }
      }
    }
  }
  return false;
}

bool TArchiveStoragePlugin::FindDir(const AnsiString& Name, AnsiString& ArchiveFile, AnsiString& EntryName) {
  if (Find(Name, ArchiveFile, EntryName)) return true;
  for (int level = CountDirectories(Name) - 1; level >= 0; --level) {
    AnsiString head, tail;
    SplitName(Name, level, head, tail);
    if (!IsStorageFolder(head)) continue;
    SplitName(Name, level + 1, head, tail);
    ArchiveFile = head + ".sla";
    EntryName = tail;
    return true;
  }
  return false;
}

bool TArchiveStoragePlugin::ObjectExists(const AnsiString& Name) {
  AnsiString archive, entry;
  return Find(Name, archive, entry);
}

TSLStorageObject* TArchiveStoragePlugin::GetObject(const AnsiString& Name, TStreamAccess Access, bool Debug) {
  AnsiString archive, entry;
  if (!Find(Name, archive, entry)) throw Exception(Format("object '%s' not found", AnsiToUtf8(Name)));
  auto* object = new TSLArchiveStorageObject(true);
  object->Init(Name, archive, entry, Access, Debug);
  return object;
}

bool TArchiveStoragePlugin::CanCreate(const AnsiString& Name) {
  AnsiString archive, entry;
  return FindDir(Name, archive, entry);
}

TSLStorageObject* TArchiveStoragePlugin::CreateObject(const AnsiString& Name) {
  AnsiString archive, entry;
  if (Find(Name, archive, entry)) {
    auto* object = new TSLArchiveStorageObject(true);
    object->Init(Name, archive, entry, saWrite, false);  // the entry keeps its data
    return object;
  }
  if (!FindDir(Name, archive, entry)) throw Exception(Format("object '%s' can not be created", AnsiToUtf8(Name)));
  auto* object = new TSLArchiveStorageObject(true);
  object->Init(Name, archive, entry, saWrite, false);
  object->SetData(nullptr);
  object->SetFormat(sfASCII);
  return object;
}

// TArchiveManager

namespace {

WideString ArchiveKey(const AnsiString& Name) {
  std::error_code ec;
  return PathToWide(fs::absolute(Resolved(Name), ec).lexically_normal());
}

}  // namespace

TSLArchive* TArchiveManager::GetArchive(const AnsiString& Name, TStreamAccess Access, bool Debug) {
  const WideString key = ArchiveKey(Name);
  if (auto it = Archives.find(key); it != Archives.end()) return it->second;
  // Opened before it is pooled: an archive that fails to open leaves nothing behind.
  auto archive = TRef<TSLArchive>(new TSLArchive(false, Name, Access, Debug));
  archive->OnDestroy = [this](TSLArchive* a) { ArchiveDestroy(a); };
  Archives.emplace(key, archive.get());
  archive->RetainAndAutoRelease();
  return archive.get();
}

void TArchiveManager::ArchiveDestroy(TSLArchive* Archive) {
  for (auto it = Archives.begin(); it != Archives.end(); ++it) {
    if (it->second == Archive) {
      Archives.erase(it);
      return;
    }
  }
  throw Exception(Format("%s.ArchiveDestroy: archive not found", ClassName()));
}

bool TArchiveManager::IsListed(const AnsiString& Name) const { return Archives.count(ArchiveKey(Name)) > 0; }

TArchiveManager& ArchiveManager() {
  static TArchiveManager manager;
  return manager;
}

}  // namespace vt
