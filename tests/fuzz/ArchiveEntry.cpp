// The archive reader under arbitrary bytes: an archive that opens must write back, and
// every entry that read before reads the same from the written archive.
#include <optional>
#include <stdexcept>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "sl/storage/Archive.h"

namespace vt {

namespace {

struct TEntryText {
  AnsiString Name;
  std::optional<std::string> Text;  // none when the entry's data does not read
};

std::vector<TEntryText> ReadAll(TSLArchive& Archive, TFuzzValues& Values) {
  std::vector<TEntryText> entries;
  for (int i = 0; i < Archive.GetCount(); ++i) {
    TSLArchiveEntry* entry = Archive.EntryAtIndex(i);
    TEntryText e{entry->GetName(), std::nullopt};
    try {
      e.Text = FuzzText(Values.Keep(entry->GetData()));
    } catch (const Exception&) {
      // a damaged entry: its error is the right answer, and the others still read
    }
    entries.push_back(std::move(e));
  }
  return entries;
}

TRef<TSLArchive> Open(const std::string& File, TStreamAccess Access) {
  return TRef<TSLArchive>(new TSLArchive(false, File, Access, false));
}

}  // namespace

int FuzzArchive(const std::uint8_t* Data, std::size_t Size) {
  const TFuzzStorage storage;
  TFuzzValues values;
  const std::string file = storage.Put("fuzz.sla", std::string(reinterpret_cast<const char*>(Data), Size));
  TRef<TSLArchive> archive;
  try {
    archive = Open(file, saReadWrite);
  } catch (const Exception&) {
    return 0;  // a damaged archive is refused as a whole
  }
  const std::vector<TEntryText> before = ReadAll(*archive, values);
  std::vector<TEntryText> after;
  try {
    archive->Write();
    after = ReadAll(*Open(file, saRead), values);
  } catch (const Exception& e) {
    throw std::logic_error("an archive that opened does not write back: " + e.Message());
  }
  if (after.size() != before.size()) throw std::logic_error("the written archive has other entries");
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (after[i].Name != before[i].Name) throw std::logic_error("entry renamed: " + before[i].Name);
    if (before[i].Text && after[i].Text != before[i].Text)
      throw std::logic_error("entry " + before[i].Name + " reads otherwise after the write: " + *before[i].Text);
  }
  return 0;
}

}  // namespace vt
