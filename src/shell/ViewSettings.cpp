// The view settings of ViewConfig.ini; see ViewSettings.h.
#include "shell/ViewSettings.h"

#include <algorithm>
#include <filesystem>
#include <variant>

#include "comm/SharedLinkState.h"
#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "runtime/DebugLog.h"
#include "runtime/SettingsTree.h"
#include "shell/ShellLimits.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// How an integer entry becomes a Boolean field.
enum TFlagRule { frAbove0, frNot0 };

using TField = std::variant<AnsiString TViewSettings::*, WideString TViewSettings::*, std::int32_t TViewSettings::*,
                            bool TViewSettings::*>;

struct TViewKey {
  const char* Name;
  TField Field;
  std::int64_t Added = 0;          // integer keys: the entry added when missing
  std::int64_t InForce = 0;        // … and the field's value then (flags: above 0 is set)
  const char* TextAdded = "";      // text keys: the entry added and the field's value
  TFlagRule Rule = frNot0;
  bool Saved = true;               // written back at exit
  const char* AddedAs = nullptr;   // the letter case a missing key is added in
};

using S = TViewSettings;

// In the order the keys are read.
const TViewKey Keys[] = {
    {"InfoSysLanguage", &S::InfoSysLang},
    {"UPIDDispMode", &S::UPIDDispMode, 0, 0, "HEX"},
    {"RawDataDispMode", &S::RawDataDispMode, 0, 0, "HEX"},
    {"RelParFilterMode", &S::RelParFilterMode, 0, 0, "Disabled"},
    {"ConfigurationDir", &S::ConfigurationDir},
    {"WorkspaceDir", &S::WorkspaceDir},
    {"CheckForUpdates", &S::AutoCheckForSoftwareUpdates},
    {"CheckForNewsUpdates", &S::AutoCheckForNewsUpdates},
    {"ExitWarning", &S::ExitProgramWarning, 1, 1},
    {"ParameterRefreshFlag", &S::ParaRefreshFlag, 1, 1},
    {"BeautifulView", &S::Beautifulview, 0, 0, "", frAbove0},
    {"BeautifulViewZeros", &S::BeautifulviewZeros, 3, 3, "", frNot0, false},
    {"InfoWindow", &S::HelpWindowVisiFlag, 1, 1},
    {"TreeViewWidth", &S::TreeViewWidth},
    {"ButtonColor", &S::ButtonColor},
    {"SkiaGraphRender", &S::SkiaGraphRender},
    {"MainFont", &S::MainFont, 0, 0, "Segoe UI"},
    {"ModulFunction", &S::ModulFunctionFlag, 1, 1},
    {"DebugSave", &S::DebugSaveData, 1, 1},
    {"MultiRead", &S::MultiReadActive, 1, 1},
    {"RepeateCheckSumErrors", &S::RepeatChecksum, 0, 0, "", frNot0, true, "RepeateChecksumErrors"},
    {"MaxNumberOfTries", &S::MaxNumberOfTries, 3, 5},
    {"DefaultUDPPort", &S::EthDefaultPort, 1, 1},
    {"UDPPort", &S::EthPort, 20000, 20000},
    {"ServerKey", &S::ServerKey},
    {"ADPUpdateDate", &S::ADPUpdateDate, 1, 0},
    {"NewsUpdateDate", &S::NewsUpdateDate, 1, 0},
    {"LocalUpdate", &S::LocalUpdate},
    {"LocalUpdatePath", &S::LocalUpdatePath},
    {"AppDataFolder", &S::AppDataFolder, 1, 1},
    {"MotorDataPath", &S::MotorDataPath},
    {"LastIPVersion", &S::LastIPVersion, 6, 6},
    {"LastBaudrate", &S::LastBaudrate, 38400, 38400},
    {"ManualBufferSize", &S::ManualBufferSize, 255, 255},
    {"MultiReadSize", &S::MultiReadSize, 124, 124},
    {"TestFirmwareFolderFlag", &S::FirmwareFolderFlag, 1, 1, "", frAbove0},
};

bool IsText(const TField& Field) { return Field.index() < 2; }

bool Flag(std::int64_t Value, TFlagRule Rule) { return Rule == frAbove0 ? Value > 0 : Value != 0; }

// The section, created empty when the file has none.
TSLDictionary* Section(TProgramRegistry& Tree, const char* Name) {
  TSLDictionary* root = Tree.RegData();
  if (auto* section = dynamic_cast<TSLDictionary*>(root->FindObjectAnsi(Name))) return section;
  root->SetObjWithName(AnsiToWide(Name), MakeRef<TSLDictionary>().get());
  return static_cast<TSLDictionary*>(root->FindObjectAnsi(Name));
}

void SetText(S& Settings, const TField& Field, const WideString& Value) {
  if (auto* text = std::get_if<AnsiString S::*>(&Field))
    Settings.**text = WideToAnsi(Value);
  else
    Settings.*std::get<WideString S::*>(Field) = Value;
}

void SetInt(S& Settings, const TViewKey& Key, std::int64_t Value) {
  if (auto* flag = std::get_if<bool S::*>(&Key.Field))
    Settings.**flag = Flag(Value, Key.Rule);
  else
    Settings.*std::get<std::int32_t S::*>(Key.Field) = static_cast<std::int32_t>(Value);
}

void SetInForce(S& Settings, const TViewKey& Key) {
  if (IsText(Key.Field))
    SetText(Settings, Key.Field, AnsiToWide(Key.TextAdded));
  else
    SetInt(Settings, Key, Key.InForce);
}

TRef<TSLObject> AddedEntry(const TViewKey& Key) {
  if (IsText(Key.Field)) return MakeRef<TSLString>(AnsiToWide(Key.TextAdded));
  return MakeRef<TSLLongint>(Key.Added);
}

// The field as it is stored: texts as they are, flags as 0 or 1.
TRef<TSLObject> StoredEntry(const S& Settings, const TViewKey& Key) {
  if (auto* text = std::get_if<AnsiString S::*>(&Key.Field)) return MakeRef<TSLString>(AnsiToWide(Settings.**text));
  if (auto* wide = std::get_if<WideString S::*>(&Key.Field)) return MakeRef<TSLString>(Settings.**wide);
  if (auto* flag = std::get_if<bool S::*>(&Key.Field)) return MakeRef<TSLLongint>(Settings.**flag ? 1 : 0);
  std::int32_t value = Settings.*std::get<std::int32_t S::*>(Key.Field);
  if (Key.Field == TField(&S::TreeViewWidth)) value = std::max(value, Settings.MinTreeViewWidth);
  return MakeRef<TSLLongint>(value);
}

// Whether the entry holds the field's value (texts exactly, flags by their rule).
bool Equal(const S& Settings, const TViewKey& Key, const TSLObject* Entry) {
  if (IsText(Key.Field)) {
    const auto* text = dynamic_cast<const TSLString*>(Entry);
    return text && text->StringValue() == static_cast<const TSLString*>(StoredEntry(Settings, Key).get())->StringValue();
  }
  const auto* number = dynamic_cast<const TSLLongint*>(Entry);
  if (!number) return false;
  if (auto* flag = std::get_if<bool S::*>(&Key.Field)) return Flag(number->GetLongintValue(), Key.Rule) == Settings.**flag;
  return number->GetLongintValue() == Settings.*std::get<std::int32_t S::*>(Key.Field);
}

void WarnWrongType(const char* Key, const AnsiString& FileName) {
  LogWarning(Format("%s: the value of %s has the wrong type; the default is used", AnsiToUtf8(FileName), Key));
}

void ReadLoginTimeout(S& Settings, TProgramRegistry& Tree, const AnsiString& FileName) {
  TSLDictionary* login = Section(Tree, "LoginConfig");
  const TSLObject* entry = login->FindObjectAnsi("LoginTimeout");
  if (!entry) login->SetObjWithName(u"LoginTimeout", MakeRef<TSLLongint>(DefaultLoginTimeout).get());
  const auto* number = dynamic_cast<const TSLLongint*>(entry);
  if (entry && !number) WarnWrongType("LoginConfig\\LoginTimeout", FileName);
  Settings.LoginTimeout = number ? static_cast<std::int32_t>(number->GetLongintValue()) : DefaultLoginTimeout;
  ApplyLoginTimeout(Settings.LoginTimeout);
}

}  // namespace

void TViewSettings::Read(TProgramRegistry& Tree, const AnsiString& FileName) {
  TSLDictionary* section = Section(Tree, "ViewConfig");
  for (const TViewKey& key : Keys) {
    const TSLObject* entry = section->FindObjectAnsi(key.Name);
    if (!entry) {
      section->SetObjWithName(AnsiToWide(key.AddedAs ? key.AddedAs : key.Name), AddedEntry(key).get());
      SetInForce(*this, key);
    } else if (const auto* text = dynamic_cast<const TSLString*>(entry); text && IsText(key.Field)) {
      SetText(*this, key.Field, text->StringValue());
    } else if (const auto* number = dynamic_cast<const TSLLongint*>(entry); number && !IsText(key.Field)) {
      SetInt(*this, key, number->GetLongintValue());
    } else {
      WarnWrongType(key.Name, FileName);
      SetInForce(*this, key);
    }
  }
  ReadLoginTimeout(*this, Tree, FileName);
}

bool TViewSettings::Changed(TProgramRegistry& Tree) const {
  TSLDictionary* section = Section(Tree, "ViewConfig");
  return std::any_of(std::begin(Keys), std::end(Keys), [&](const TViewKey& Key) {
    return Key.Saved && !Equal(*this, Key, section->FindObjectAnsi(Key.Name));
  });
}

void TViewSettings::Store(TProgramRegistry& Tree) const {
  TSLDictionary* section = Section(Tree, "ViewConfig");
  for (const TViewKey& key : Keys) {
    if (!key.Saved) continue;
    // An entry in another letter case keeps its spelling.
    section->DefineObject(AnsiToWide(key.Name), StoredEntry(*this, key).get());
  }
}

void TViewSettings::WriteBack(TProgramRegistry& Tree, const WideString& FileName) const {
  if (!Changed(Tree)) return;
  Store(Tree);
  std::error_code ec;
  std::filesystem::create_directories(ResolvePath(FileName).parent_path(), ec);
  Tree.WriteToFile(WideToAnsi(FileName));
}

}  // namespace vt
