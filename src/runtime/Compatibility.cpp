// Drive families, permissions, tree compatibility and renamed documents; see Compatibility.h.
#include "runtime/Compatibility.h"

#include <optional>
#include <string>

#include "platform/NumberText.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

namespace vt {

const TFamilyDriveList FamilyDriveList = {0x24, 0x25, 0x54, 0x55, 0x29, 0x59, 0x2A, 0x5A, 0x2B,
                                          0x5B, 0x40, 0x41, 0x42, 0x43, 0x22, 0x23, 0x52, 0x53};

int GetPermissionInt(std::string_view Level) {
  const std::string level = UpperCaseAnsi(Level);
  if (level == "DEVELOPER") return 48;
  if (level == "SERVICE") return 12;
  if (level == "USER") return 3;
  return 64;
}

namespace {

struct TTreeVersion {
  std::string Base;
  std::int64_t Major = 0;
  std::int64_t Minor = 0;
};

// Only decimal digits, at most 18 of them.
std::optional<std::int64_t> Digits(std::string_view Text) {
  if (Text.empty() || Text.size() > 18) return std::nullopt;
  for (char c : Text)
    if (c < '0' || c > '9') return std::nullopt;
  return TryStrToInt64(Text);
}

// Base_Second_VmajorSminor[_Rest] of an upper-cased tree name; nothing when malformed.
std::optional<TTreeVersion> ParseTreeName(std::string_view Name) {
  const std::size_t first = Name.find('_');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = Name.find('_', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  std::string_view version = Name.substr(second + 1);
  version = version.substr(0, version.find('_'));
  const std::size_t s = version.find('S');
  if (version.empty() || version[0] != 'V' || s == std::string_view::npos) return std::nullopt;
  const auto major = Digits(version.substr(1, s - 1));
  const auto minor = Digits(version.substr(s + 1));
  if (!major || !minor) return std::nullopt;
  return TTreeVersion{std::string(Name.substr(0, first)), *major, *minor};
}

}  // namespace

bool AreTreesCompatible(std::string_view ConfigTreeName, std::string_view DriveTreeName, int Permission,
                        bool& ConfigIsNewer, bool Force) {
  ConfigIsNewer = false;
  const std::string config = UpperCaseAnsi(ConfigTreeName);
  const std::string drive = UpperCaseAnsi(DriveTreeName);
  if (config.empty() || drive.empty()) return false;
  if (config == drive) return true;
  // A version that is no VmajorSminor answers "incompatible" like every other malformed name.
  const auto c = ParseTreeName(config);
  const auto d = ParseTreeName(drive);
  if (!c || !d || c->Base != d->Base) return false;
  if (c->Major != d->Major && Permission != 15 && !Force) return false;
  ConfigIsNewer = c->Major == d->Major ? c->Minor > d->Minor : c->Major > d->Major;
  return true;
}

namespace {

TRef<TSLArray>& DocumentTableRef() {
  static TRef<TSLArray> table;
  return table;
}

}  // namespace

void SetDocumentTable(TSLArray* Table) { DocumentTableRef() = TRef<TSLArray>(Table); }
TSLArray* DocumentTable() { return DocumentTableRef().get(); }

WideString ChangeNameIfOldFileNameFormat(const WideString& Name) {
  TSLArray* table = DocumentTable();
  if (!table) return Name;
  for (int i = 0; i < table->GetCount(); ++i) {
    auto* entry = dynamic_cast<TSLDictionary*>(table->GetObjAtIndex(i));
    if (!entry) continue;
    auto* oldName = dynamic_cast<TSLString*>(entry->FindObject(u"OldName"));
    auto* newName = dynamic_cast<TSLString*>(entry->FindObject(u"NewName"));
    if (oldName && newName && oldName->StringValue() == Name) return newName->StringValue();
  }
  return Name;
}

TSLObject* GetObjectFromBlock(TSLBlock* Block, std::string_view Name) {
  for (int i = 0; i < Block->GetCount(); ++i) {
    auto* ident = dynamic_cast<TSLIdent*>(Block->GetObjAtIndex(i));
    if (ident && ident->IdentValue() == Name) return Block->GetObjAtIndex(i + 1);
  }
  return nullptr;
}

}  // namespace vt
