// Storage IDs: every text the program reads gets a 16-bit number, so that debug
// positions of decoded tokens can name their file (0 stands for no text).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "SL20Bas.h"

namespace vt {

struct TStorageIDInfo {
  AnsiString Name;  // full file name, or archive path without extension + "\" + entry
  TSLObject* Data = nullptr;  // the object last read from that text; not retained
};

class TStorageIDManager {
 public:
  // The ID of a used slot with exactly this name, else a new one (first empty slot).
  std::uint16_t CreateStorageID(const AnsiString& Name, TSLObject* Data);
  void DestroyStorageID(std::uint16_t ID);
  TStorageIDInfo& GetIDInfo(std::uint16_t ID);
  // The first used slot with exactly that name; false with ID 65535 when none.
  bool NameExist(const AnsiString& Name, std::uint16_t& ID) const;

 private:
  std::vector<std::optional<TStorageIDInfo>> IDList;  // an empty slot is a deleted ID
};

// The one storage-ID manager of the process.
TStorageIDManager& StorageIDManager();

}  // namespace vt
