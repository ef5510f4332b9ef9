// What may go with what: the drive families of the interface switch, user levels as
// permission masks, configuration trees against drive trees, documents renamed since
// older releases, and values named inside blocks of definitions.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/TextConversion.h"
#include "sl/values/Arrays.h"

namespace vt {

// The drive types for which the commander offers its interface switch, in stored order.
using TFamilyDriveList = std::vector<std::int32_t>;
extern const TFamilyDriveList FamilyDriveList;

// DEVELOPER 48, SERVICE 12, USER 3, anything else 64 (compared upper-cased).
int GetPermissionInt(std::string_view Level);
// Whether a configuration made for ConfigTreeName (Base_Second_VmajorSminor[_Rest]) may
// be loaded into a drive with DriveTreeName; malformed names answer false.
bool AreTreesCompatible(std::string_view ConfigTreeName, std::string_view DriveTreeName, int Permission,
                        bool& ConfigIsNewer, bool Force);

// The document table of renamed documents (dictionaries with "OldName" and "NewName"),
// kept by the shell for the whole run; nil while there is none.
void SetDocumentTable(TSLArray* Table);
TSLArray* DocumentTable();
// The new name of a renamed document (exact comparison), else Name.
WideString ChangeNameIfOldFileNameFormat(const WideString& Name);

// The element after the first identifier named Name (case-sensitive); nil when there is
// none. An identifier in the last place raises the block's index error.
TSLObject* GetObjectFromBlock(TSLBlock* Block, std::string_view Name);

}  // namespace vt
