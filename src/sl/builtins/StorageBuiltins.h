// The built-ins that connect scripts with the rest of the program: loading and saving
// SL objects through the storage manager's names, the stored checksum word of a
// firmware package, the string cipher with the program's key, and whether a firmware
// release may be installed by this version of the program.
#pragma once

#include <functional>

#include "sl/interpreter/Procedures.h"
#include "sl/storage/StorageManager.h"

namespace vt {

VT_SL_SLOW_BUILTIN(TSLLoadObjProcedure);     // name → the object stored under name
VT_SL_SLOW_BUILTIN(TSLSaveObjProcedure);     // name x →
VT_SL_SLOW_BUILTIN(TSLLoadStoObjProcedure);  // name access → the storage object itself
// file address kind → file address kind value status: status 0 read, 1 no such file,
// 2 a ".HX3" package and a kind without unscrambling constants, 255 not readable.
VT_SL_SLOW_BUILTIN(TSLCRCFromFileProcedure);
VT_SL_SLOW_BUILTIN(TSLEncrStrProcedure);  // text word byte → [A 32 cipher bytes]
VT_SL_SLOW_BUILTIN(TSLDecrStrProcedure);  // [A cipher bytes] word byte → text
VT_SL_SLOW_BUILTIN(TSLInstRelProcedure);  // release → whether this program may install it

// Opens a storage object with the access and the context's debug flag; in a debug run
// the debugger of the context's script task learns of its text under Name, so that it
// can show breakpoints in it. The object comes autoreleased.
TSLStorageObject* OpenStorageObject(TSLContext* Context, const AnsiString& Name, TStreamAccess Access);

// The word at Address of a firmware package's data ("BlockArray" of blocks with
// "BlockOffset", "BlockSize" and "BlockDataArray", strings of hexadecimal digit pairs),
// its lowest byte first. The block holds the address when BlockOffset <= Address <
// BlockOffset + BlockSize; a word may continue into the next string of the block.
// Raises when the package has no such word.
std::uint32_t ReadPackageWord(TSLObject* Package, std::uint32_t Address);

// What the application shell knows about the program: the value of a name of its
// product information ("ProgramName", "ProgramVersionCaption"), empty when missing.
// The shell installs the source once it has read its vendor information.
using TProductInfoSource = std::function<AnsiString(const AnsiString& Name)>;
void SetProductInfoSource(TProductInfoSource Source);
AnsiString GetProductInfoStr(const AnsiString& Name);

// The release check of InstallRelease; may show a message box for an unsupported ROS.
bool MayInstallRelease(const AnsiString& Release);

}  // namespace vt
