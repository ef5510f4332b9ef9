// Settings trees; see SettingsTree.h.
#include "runtime/SettingsTree.h"

#include "platform/Format.h"
#include "runtime/DebugLog.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace vt {

std::unique_ptr<TProgramRegistry> ProgramRegistry;
std::unique_ptr<TProgramRegistry> CompanyRegistry;
std::unique_ptr<TProgramRegistry> ViewConfigRegistry;
std::unique_ptr<TProgramRegistry> LoginConfigRegistry;
std::unique_ptr<TProgramRegistry> InstallConfigRegistry;
std::unique_ptr<TProgramRegistry> CANDriverConfigRegistry;
std::unique_ptr<TProgramRegistry> OscilloscopeSettingsRegistry;

TProgramRegistry::TProgramRegistry() : FRegData(MakeRef<TSLDictionary>()) {}

void TProgramRegistry::KeyAccess(std::string_view Path, TAccessMode Mode, TSLObject*& Obj) {
  TSLDictionary* current = FRegData.get();
  std::string_view rest = Path;
  for (std::size_t sep = rest.find('\\'); sep != std::string_view::npos; sep = rest.find('\\')) {
    const WideString name = AnsiToWide(rest.substr(0, sep));
    if (TSLObject* entry = current->FindObject(name)) {
      current = CheckedCast<TSLDictionary>(entry);
    } else if (Mode == amAdd) {
      auto created = MakeRef<TSLDictionary>();
      current->AddObject(name, created.get());
      current = created.get();
    } else {
      throw Exception(Format("%s: key %s not found", ClassName(), Path));
    }
    rest.remove_prefix(sep + 1);
  }
  const WideString last = AnsiToWide(rest);
  switch (Mode) {
    case amGet:
      Obj = current->GetObjWithName(last);
      break;
    case amAdd:
      current->AddObject(last, Obj);
      break;
    case amRemove:
      current->RemoveObject(last);
      break;
  }
}

void TProgramRegistry::ReadFromFile(const AnsiString& FileName) {
  FRegData = MakeRef<TSLDictionary>();
  FReadFailed = true;
  const TRef<TSLStorageObject> object(StorageManager->GetObject(FileName));
  if (auto* dict = dynamic_cast<TSLDictionary*>(object->GetData())) {
    FRegData = TRef<TSLDictionary>(dict);
    FReadFailed = false;
  }
}

void TProgramRegistry::WriteToFile(const AnsiString& FileName) {
  if (FReadFailed) {
    LogWarning(Format("%s.WriteToFile: '%s' was not read, so it is not written", ClassName(), AnsiToUtf8(FileName)));
    return;
  }
  const TRef<TSLStorageObject> object(StorageManager->CreateObject(FileName));
  object->SetData(FRegData.get());
  object->Write();
}

TSLObject* TProgramRegistry::GetObject(std::string_view Path) {
  TSLObject* obj = nullptr;
  KeyAccess(Path, amGet, obj);
  return obj;
}

void TProgramRegistry::AddObject(std::string_view Path, TSLObject* Obj) { KeyAccess(Path, amAdd, Obj); }

void TProgramRegistry::RemoveObject(std::string_view Path) {
  TSLObject* none = nullptr;
  KeyAccess(Path, amRemove, none);
}

void TProgramRegistry::AddIntKey(std::string_view Path, std::int64_t Value) {
  AddObject(Path, MakeRef<TSLLongint>(Value).get());
}

void TProgramRegistry::AddStrKey(std::string_view Path, const AnsiString& Value) {
  AddObject(Path, MakeRef<TSLString>(AnsiToWide(Value)).get());
}

std::int64_t TProgramRegistry::GetIntKey(std::string_view Path) {
  return CheckedCast<TSLLongint>(GetObject(Path))->GetLongintValue();
}

AnsiString TProgramRegistry::GetStrKey(std::string_view Path) {
  return WideToAnsi(CheckedCast<TSLString>(GetObject(Path))->StringValue());
}

void TProgramRegistry::SetIntKey(std::string_view Path, std::int64_t Value) {
  CheckedCast<TSLLongint>(GetObject(Path))->SetLongintValue(Value);
}

void TProgramRegistry::SetStrKey(std::string_view Path, const AnsiString& Value) {
  CheckedCast<TSLString>(GetObject(Path))->SetStringValue(AnsiToWide(Value));
}

void TProgramRegistry::GetKeyNames(std::string_view Path, std::vector<AnsiString>& AStrings) {
  AStrings.clear();
  if (auto* dict = dynamic_cast<TSLDictionary*>(GetObject(Path)))
    for (int i = 0; i < dict->GetCount(); ++i) AStrings.push_back(WideToAnsi(dict->GetNameAtIndex(i)));
}

TSLDictionary* TProgramRegistry::GetDictKey(std::string_view Path) {
  return dynamic_cast<TSLDictionary*>(GetObject(Path));
}

void TProgramRegistry::SetDictKey(std::string_view Path, TSLDictionary* Dict) {
  // Copied before the key goes: Dict may be the very value being replaced.
  TRef<TSLDictionary> copy(Dict->CopyDictionary());
  RemoveObject(Path);
  AddObject(Path, copy.get());
}

}  // namespace vt
