// File storage; see FileStorage.h.
#include "sl/storage/FileStorage.h"

#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "sl/storage/StorageNames.h"
#include "sl/text/Decoder.h"
#include "sl/text/Encoder.h"

namespace vt {

namespace {

AnsiString FolderPart(const AnsiString& Name) {
  AnsiString head, tail;
  SplitName(Name, CountDirectories(Name), head, tail);
  return head;
}

}  // namespace

void TSLFileStorageObject::Setup(const AnsiString& Name, TStreamAccess AAccess, bool Debug) {
  if (CharStream) throw Exception(Format("%s error: file storage object already initialized", ClassName()));
  FName = Name;
  Access = AAccess;
  FDebug = Debug;
  CharStream = MakeRef<TSLCryptFile>();
  CharStream->AssignFile(AnsiToWide(Name));
  FStorageID = StorageIDManager().CreateStorageID(Name, nullptr);
  CharStream->FStorageID = FStorageID;
}

void TSLFileStorageObject::Init(const AnsiString& Name, TStreamAccess AAccess, bool Debug) {
  Setup(Name, AAccess, Debug);
  Read();
}

void TSLFileStorageObject::InitNew(const AnsiString& Name) { Setup(Name, saWrite, false); }

void TSLFileStorageObject::Read() {
  if (Access == saWrite)
    throw Exception(Format("%s.Read: storage object '%s' was opened as write only", ClassName(), AnsiToUtf8(FName)));
  try {
    CharStream->Reset(Access);
    if (GetStreamFormat(*CharStream) == sfEASCII) {
      CharStream->SetCrypt(true);
      CharStream->InitDecryptor();
    }
    auto reader = MakeRef<TSLLookaheadStream>(CharStream.get());
    FData = TRef<TSLObject>(StorageManager->StreamDecoder()->ReadSingleObject(reader.get(), FDebug));
  } catch (...) {
    CharStream->SetCrypt(false);
    CharStream->Close();
    throw;
  }
  StorageIDManager().GetIDInfo(FStorageID).Data = FData.get();
  FFormat = sfASCII;
  CharStream->SetCrypt(false);
  CharStream->Close();
}

void TSLFileStorageObject::Write() {
  if (Access == saRead)
    throw Exception(Format("%s.Write: storage object '%s' was opened as read only", ClassName(), AnsiToUtf8(FName)));
  TSLCryptFile& stream = *CharStream;
  try {
    WriteFileReplacing(stream, AnsiToWide(FName), [&] {
      if (FFormat == sfEASCII) {
        stream.SetCrypt(true);
        stream.InitEncrypter();
      }
      StorageManager->StreamEncoder()->WriteObject(&stream, FData.get());
    });
  } catch (...) {
    stream.SetCrypt(false);
    throw;
  }
  stream.SetCrypt(false);
}

bool TFileStoragePlugin::ObjectExists(const AnsiString& Name) {
  AnsiString complete;
  return StorageManager->FindFile(Name, complete);
}

TSLStorageObject* TFileStoragePlugin::GetObject(const AnsiString& Name, TStreamAccess Access, bool Debug) {
  AnsiString complete;
  if (!StorageManager->FindFile(Name, complete))
    throw Exception(Format("%s error: no object named %s found", ClassName(), AnsiToUtf8(Name)));
  auto* object = new TSLFileStorageObject(true);
  object->Init(complete, Access, Debug);
  return object;
}

bool TFileStoragePlugin::CanCreate(const AnsiString& Name) { return IsStorageFolder(FolderPart(Name)); }

TSLStorageObject* TFileStoragePlugin::CreateObject(const AnsiString& Name) {
  if (!IsStorageFile(Name) && !CanCreate(Name))
    throw Exception(Format("%s.CreateObject: Could not create object with name %s", ClassName(), AnsiToUtf8(Name)));
  auto* object = new TSLFileStorageObject(true);
  object->InitNew(Name);
  return object;
}

}  // namespace vt
