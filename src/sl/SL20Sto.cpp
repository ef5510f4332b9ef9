// Storage IDs; see SL20Sto.h.
#include "SL20Sto.h"

#include "Format.h"

namespace vt {

std::uint16_t TStorageIDManager::CreateStorageID(const AnsiString& Name, TSLObject* Data) {
  std::uint16_t id = 0;
  if (NameExist(Name, id)) return id;
  for (std::size_t i = 0; i < IDList.size(); ++i) {
    if (!IDList[i]) {
      IDList[i] = TStorageIDInfo{Name, Data};
      return static_cast<std::uint16_t>(i + 1);
    }
  }
  if (IDList.size() >= 65534) throw Exception("TStorageIDManager.CreateStorageID: no storage ID left");
  IDList.emplace_back(TStorageIDInfo{Name, Data});
  return static_cast<std::uint16_t>(IDList.size());
}

void TStorageIDManager::DestroyStorageID(std::uint16_t ID) {
  if (ID == 0) throw Exception(Format("%s.DestroyStorageID: StorageID %d is not a valid ID", "TStorageIDManager", ID));
  if (ID > IDList.size())
    throw Exception(Format("%s.DestroyStorageID: StorageID %d does not exist", "TStorageIDManager", ID));
  if (!IDList[ID - 1])
    throw Exception(Format("%s.DestroyStorageID: StorageID %d was already deleted", "TStorageIDManager", ID));
  IDList[ID - 1].reset();
}

TStorageIDInfo& TStorageIDManager::GetIDInfo(std::uint16_t ID) {
  if (ID == 0 || ID > IDList.size()) throw Exception(Format("%s.GetIDInfo: ID %d does not exist", "TStorageIDManager", ID));
  if (!IDList[ID - 1]) throw Exception(Format("%s.GetIDInfo: ID %d was deleted", "TStorageIDManager", ID));
  return *IDList[ID - 1];
}

bool TStorageIDManager::NameExist(const AnsiString& Name, std::uint16_t& ID) const {
  for (std::size_t i = 0; i < IDList.size(); ++i) {
    if (IDList[i] && IDList[i]->Name == Name) {
      ID = static_cast<std::uint16_t>(i + 1);
      return true;
    }
  }
  ID = 65535;
  return false;
}

TStorageIDManager& StorageIDManager() {
  static TStorageIDManager manager;
  return manager;
}

}  // namespace vt
