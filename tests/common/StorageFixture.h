// A storage manager over a data folder that the test builds in a temporary folder,
// with the file, archive and clipboard plug-ins announced as the program does: as a
// fixture of its own (StorageTest) and as a part other fixtures start and stop.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "RefCountedTest.h"
#include "sl/storage/StorageManager.h"

namespace vt::test {

class TStorageEnvironment {
 public:
  // Creates the folders, makes the current folder the test's own and creates the
  // global storage manager; Stop undoes all of it.
  void Start();
  void Stop();

  // Writes a file below the data folder ("\" or "/" separators), creating folders.
  void WriteFile(const std::string& RelativeName, const std::string& Contents);
  std::string ReadFile(const std::string& RelativeName) const;
  bool Exists(const std::string& RelativeName) const;
  // The same below the current folder, which lies apart from the data folder.
  void WriteCwdFile(const std::string& RelativeName, const std::string& Contents);
  std::string ReadCwdFile(const std::string& RelativeName) const;
  // The data folder and a name below it as storage names ("\" separators at the end).
  std::string Root() const { return Folder.string() + "\\"; }
  std::string At(const std::string& RelativeName) const { return Root() + RelativeName; }
  // One object read from SL text, and an object as SL text.
  TSLObject* Sl(const std::string& Text) { return StorageManager->DecodeStringToObject(Text); }
  std::string Text(TSLObject* Obj) { return StorageManager->EncodeObjectToString(Obj); }
  // The data of a storage object read by name.
  std::string ReadText(const std::string& Name) { return Text(TRef<TSLStorageObject>(StorageManager->GetObject(Name))->GetData()); }

  std::filesystem::path Folder;  // the data folder
  std::filesystem::path Cwd;     // the current folder
  std::filesystem::path PreviousFolder;
};

class StorageTest : public RefCountedTest, public TStorageEnvironment {
 protected:
  void SetUp() override {
    RefCountedTest::SetUp();
    Start();
  }
  void TearDown() override {
    Stop();
    RefCountedTest::TearDown();
  }
};

// Bytes of one archive entry: the 22-byte header, the name, an extra field, the data.
// Size: the data's length unless given.
std::string ArchiveEntryBytes(const std::string& Name, const std::string& Data, const std::string& Extra = "",
                              std::int64_t Signature = 0x04414C53, std::uint16_t Version = 10,
                              std::optional<std::int64_t> Size = std::nullopt);

}  // namespace vt::test
