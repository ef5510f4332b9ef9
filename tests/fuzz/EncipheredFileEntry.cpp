// The reader of enciphered ("%SLE") SL text files. Bytes that begin with the header are
// read as they are; any others are taken as SL text and enciphered first, so that the
// fuzzer's changes to a text reach the decoder through the cipher. A file that reads
// must write back enciphered and read again to the same value.
#include <stdexcept>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "sl/storage/FileStorage.h"

namespace vt {

namespace {

constexpr std::string_view kHeader = "%SLE";

void WriteEnciphered(const std::string& File, const std::string& Text) {
  auto f = MakeRef<TSLCryptFile>();
  f->AssignFile(AnsiToWide(File));
  f->Rewrite();
  f->SetCrypt(true);
  f->InitEncrypter();
  f->WriteString(Text);
  f->SetCrypt(false);
  f->Close();
}

TRef<TSLFileStorageObject> Read(const std::string& File, bool Debug) {
  auto object = MakeRef<TSLFileStorageObject>();
  object->Init(File, saReadWrite, Debug);
  return object;
}

}  // namespace

int FuzzEncipheredFile(const std::uint8_t* Data, std::size_t Size) {
  const TFuzzStorage storage;
  TFuzzValues values;
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);
  const std::string file = storage.Path("fuzz.stx");
  if (bytes.starts_with(kHeader))
    storage.Put("fuzz.stx", bytes);
  else
    WriteEnciphered(file, bytes);
  TRef<TSLFileStorageObject> object;
  try {
    object = Read(file, Size % 2 == 1);
  } catch (const Exception&) {
    return 0;  // bad bytes: an error is the right answer
  }
  const std::string text = FuzzText(values.Keep(object->GetData()));
  try {
    object->SetFormat(sfEASCII);
    object->Write();
    if (!storage.Get("fuzz.stx").starts_with(kHeader)) throw std::logic_error("written without the cipher header");
    const std::string again = FuzzText(values.Keep(Read(file, false)->GetData()));
    if (again != text) throw std::logic_error("reads otherwise after an enciphered write:\n" + text + "\n" + again);
  } catch (const Exception& e) {
    throw std::logic_error("a file that read does not write back enciphered: " + e.Message());
  }
  return 0;
}

}  // namespace vt
