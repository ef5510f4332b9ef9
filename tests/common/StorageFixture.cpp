#include "StorageFixture.h"

#include <unistd.h>

#include "sl/storage/Archive.h"
#include "sl/storage/ClipboardStorage.h"
#include "sl/storage/FileStorage.h"

namespace fs = std::filesystem;

namespace vt::test {

void TStorageEnvironment::Start() {
  static int serial = 0;
  const std::string base = "vt-storage-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
  Folder = fs::temp_directory_path() / (base + "-data");
  Cwd = fs::temp_directory_path() / (base + "-cwd");
  fs::create_directories(Folder);
  fs::create_directories(Cwd);
  PreviousFolder = fs::current_path();
  fs::current_path(Cwd);
  StorageManager = new TStorageManager(Folder.string());
  StorageManager->AnnounceStoragePlugin(std::make_unique<TFileStoragePlugin>(), true);
  StorageManager->AnnounceStoragePlugin(std::make_unique<TArchiveStoragePlugin>(), true);
  StorageManager->AnnounceStoragePlugin(std::make_unique<TClipboardStoragePlugin>(), false);
}

void TStorageEnvironment::Stop() {
  RefObjManager().PurgeAutoReleasePool();
  delete StorageManager;
  StorageManager = nullptr;
  fs::current_path(PreviousFolder);
  fs::remove_all(Folder);
  fs::remove_all(Cwd);
}

namespace {

fs::path Local(const fs::path& Base, std::string Name) {
  for (auto& c : Name)
    if (c == '\\') c = '/';
  return Base / Name;
}

void Write(const fs::path& Path, const std::string& Contents) {
  fs::create_directories(Path.parent_path());
  std::ofstream(Path, std::ios::binary) << Contents;
}

std::string Read(const fs::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void PutLE(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

void TStorageEnvironment::WriteFile(const std::string& RelativeName, const std::string& Contents) {
  Write(Local(Folder, RelativeName), Contents);
}
std::string TStorageEnvironment::ReadFile(const std::string& RelativeName) const { return Read(Local(Folder, RelativeName)); }
void TStorageEnvironment::WriteCwdFile(const std::string& RelativeName, const std::string& Contents) {
  Write(Local(Cwd, RelativeName), Contents);
}
std::string TStorageEnvironment::ReadCwdFile(const std::string& RelativeName) const { return Read(Local(Cwd, RelativeName)); }

bool TStorageEnvironment::Exists(const std::string& RelativeName) const { return fs::exists(Local(Folder, RelativeName)); }

std::string ArchiveEntryBytes(const std::string& Name, const std::string& Data, const std::string& Extra,
                              std::int64_t Signature, std::uint16_t Version, std::optional<std::int64_t> Size) {
  std::string out;
  PutLE(out, static_cast<std::uint64_t>(Signature), 8);
  PutLE(out, Version, 2);
  PutLE(out, static_cast<std::uint64_t>(Size.value_or(static_cast<std::int64_t>(Data.size()))), 8);
  PutLE(out, Name.size(), 2);
  PutLE(out, Extra.size(), 2);
  return out + Name + Extra + Data;
}

}  // namespace vt::test
