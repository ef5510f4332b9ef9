// Shared parts of the fuzz entries; see FuzzSupport.h.
#include "FuzzSupport.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_set>

#include "sl/storage/StorageManager.h"
#include "sl/values/Record.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

void CutCycles(const std::vector<TRef<TSLObject>>& Roots) {
  std::vector<TRef<TSLCollection>> found;
  std::unordered_set<const TSLObject*> seen;
  std::vector<TSLObject*> todo;
  for (const auto& root : Roots) todo.push_back(root.get());
  while (!todo.empty()) {
    auto* c = As<TSLCollection>(todo.back());
    todo.pop_back();
    if (!c || !seen.insert(c).second) continue;
    found.emplace_back(c);
    if (auto* r = As<TSLRecord>(c)) {
      // A record's parts are a dictionary and an array: emptied in its place.
      todo.push_back(r->RecDef());
      todo.push_back(r->Data());
      continue;
    }
    for (int i = 0; i < c->GetCount(); ++i) todo.push_back(c->GetObjAtIndex(i));
  }
  for (const auto& c : found)
    if (!As<TSLRecord>(c.get())) c->Clear();
}

// One folder per process, removed when it ends.
const fs::path& ScratchFolder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("vt-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(p);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(ScratchFolder(), ec);
    });
    return p;
  }();
  return folder;
}

// Storage IDs are never given back by the program; the files of input after input
// would use them up, so the IDs of the scratch folder go with its files.
void ForgetScratchStorageIDs() {
  const std::string prefix = ScratchFolder().string();
  for (std::uint32_t id = 1; id <= 0xFFFF; ++id) {
    try {
      if (StorageIDManager().GetIDInfo(static_cast<std::uint16_t>(id)).Name.starts_with(prefix))
        StorageIDManager().DestroyStorageID(static_cast<std::uint16_t>(id));
    } catch (const Exception& e) {
      if (e.Message().find("does not exist") != std::string::npos) break;  // past the last ID
    }
  }
}

}  // namespace

TFuzzValues::~TFuzzValues() {
  CutCycles(FValues);
  FValues.clear();
  RefObjManager().PurgeAutoReleasePool();
}

TSLObject* TFuzzValues::Keep(TSLObject* Value) {
  FValues.emplace_back(Value);
  return Value;
}

TFuzzStorage::TFuzzStorage() {
  if (!StorageManager) {
    FOwnManager = std::make_unique<TStorageManager>(ScratchFolder().string());
    StorageManager = FOwnManager.get();
  }
}

TFuzzStorage::~TFuzzStorage() {
  std::error_code ec;
  for (const auto& file : fs::directory_iterator(ScratchFolder(), ec)) fs::remove_all(file.path(), ec);
  RefObjManager().PurgeAutoReleasePool();
  ForgetScratchStorageIDs();
  if (FOwnManager) {
    StorageManager = nullptr;
    FOwnManager.reset();
  }
}

std::string TFuzzStorage::Path(const std::string& Name) const { return (ScratchFolder() / Name).string(); }

std::string TFuzzStorage::Put(const std::string& Name, const std::string& Bytes) const {
  std::ofstream(Path(Name), std::ios::binary) << Bytes;
  return Path(Name);
}

std::string TFuzzStorage::Get(const std::string& Name) const {
  std::ifstream in(Path(Name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FuzzText(TSLObject* Value) { return StorageManager->EncodeObjectToString(Value); }

}  // namespace vt
