// datastage: puts the bundled data folder beside the program. Every file is copied as
// it is, except that each folder of SL texts directly below "Archives/" becomes the
// archive of its name ("Archives/Config/" → "Archives/Config.sla"), written with the
// program's own archive writer, since the program reads "archive://" names only from
// archives. Usage: datastage SOURCE TARGET
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/Exceptions.h"
#include "platform/PathResolver.h"
#include "platform/TextConversion.h"
#include "sl/storage/Archive.h"
#include "sl/storage/FileStorage.h"
#include "sl/values/RefCounting.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

AnsiString Name(const fs::path& Path) { return WideToAnsi(PathToWide(Path)); }

// One entry per file of Folder, by file name, in name order.
void PackArchive(const fs::path& Folder, const fs::path& ArchiveFile) {
  fs::remove(ArchiveFile);
  const auto archive = TRef<TSLArchive>(new TSLArchive(false, Name(ArchiveFile), saWrite, false));
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(Folder))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    const TRef<TSLStorageObject> text(StorageManager->GetObject(Name(file), saRead));
    auto* entry = new TSLArchiveEntry(false, archive.get(), file.filename().string());
    entry->SetData(text->GetData());
    archive->AddEntry(entry);
  }
  archive->Write();
}

void Stage(const fs::path& Source, const fs::path& Target) {
  const fs::path archives = Source / "Archives";
  for (auto it = fs::recursive_directory_iterator(Source); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path relative = fs::relative(it->path(), Source);
    if (it->is_directory() && it->path().parent_path() == archives) {
      fs::create_directories(Target / "Archives");
      PackArchive(it->path(), Target / "Archives" / (it->path().filename().string() + ".sla"));
      it.disable_recursion_pending();
    } else if (it->is_directory()) {
      fs::create_directories(Target / relative);
    } else {
      fs::copy_file(it->path(), Target / relative, fs::copy_options::overwrite_existing);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: datastage SOURCE TARGET\n");
    return 2;
  }
  try {
    StorageManager = new TStorageManager(argv[2]);
    StorageManager->AnnounceStoragePlugin(std::make_unique<TFileStoragePlugin>(), true);
    Stage(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "datastage: %s\n", e.what());
    return 1;
  }
  RefObjManager().PurgeAutoReleasePool();
  delete StorageManager;
  return 0;
}
