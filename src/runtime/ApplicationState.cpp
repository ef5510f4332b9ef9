// The application's state; see ApplicationState.h.
#include "runtime/ApplicationState.h"

#include <algorithm>

#include "runtime/SettingsTree.h"
#include "sl/values/Scalars.h"

namespace vt {

void TLostList::Add(const AnsiString& PortName) {
  std::lock_guard lock(FLock);
  FItems.push_back(PortName);
}

bool TLostList::Contains(const AnsiString& PortName) const {
  std::lock_guard lock(FLock);
  return std::find(FItems.begin(), FItems.end(), PortName) != FItems.end();
}

void TLostList::RemoveFirst(const AnsiString& PortName) {
  std::lock_guard lock(FLock);
  if (const auto it = std::find(FItems.begin(), FItems.end(), PortName); it != FItems.end()) FItems.erase(it);
}

void TLostList::Remove(const AnsiString& PortName) {
  std::lock_guard lock(FLock);
  std::erase(FItems, PortName);
}

std::vector<AnsiString> TLostList::Items() const {
  std::lock_guard lock(FLock);
  return FItems;
}

namespace {

bool HasSetting(TProgramRegistry& ViewConfig, const AnsiString& Name) {
  TSLObject* section = ViewConfig.RegData()->FindObject(u"ViewConfig");
  return section && CheckedCast<TSLDictionary>(section)->NameExists(AnsiToWide(Name));
}

// The value under "ViewConfig\Name", added with Default when missing.
std::int64_t IntSetting(TProgramRegistry& ViewConfig, const AnsiString& Name, std::int64_t Default) {
  if (!HasSetting(ViewConfig, Name)) ViewConfig.AddIntKey("ViewConfig\\" + Name, Default);
  return ViewConfig.GetIntKey("ViewConfig\\" + Name);
}

AnsiString TextSetting(TProgramRegistry& ViewConfig, const AnsiString& Name, const AnsiString& Default) {
  if (!HasSetting(ViewConfig, Name)) ViewConfig.AddStrKey("ViewConfig\\" + Name, Default);
  return ViewConfig.GetStrKey("ViewConfig\\" + Name);
}

}  // namespace

void TApplicationState::ReadViewSettings(TProgramRegistry& ViewConfig) {
  InfoSysLang = TextSetting(ViewConfig, "InfoSysLanguage", "");
  UPIDDispMode = TextSetting(ViewConfig, "UPIDDispMode", "HEX");
  RawDataDispMode = TextSetting(ViewConfig, "RawDataDispMode", "HEX");
  ParaRefreshFlag = static_cast<std::int32_t>(IntSetting(ViewConfig, "ParameterRefreshFlag", 1));
  Beautifulview = IntSetting(ViewConfig, "BeautifulView", 0) > 0;
  BeautifulviewZeros = static_cast<std::int32_t>(IntSetting(ViewConfig, "BeautifulViewZeros", 3));
  ModulFunctionFlag = static_cast<std::int32_t>(IntSetting(ViewConfig, "ModulFunction", 1));
  MultiReadActive = IntSetting(ViewConfig, "MultiRead", 1) != 0;
  MultiReadSize = static_cast<std::int32_t>(IntSetting(ViewConfig, "MultiReadSize", 124));
  LastBaudrate = static_cast<std::int32_t>(IntSetting(ViewConfig, "LastBaudrate", 38400));
}

TApplicationState& ApplicationState() {
  static TApplicationState state;
  return state;
}

}  // namespace vt
