// Folder helpers of the shell: copying and deleting whole folders without following
// links, the writable probe, and the switch of a copied installation's data folder.
// GUI thread (failures are shown in message boxes).
#pragma once

#include "platform/TextConversion.h"

namespace vt {

// Copies Source into Target recursively, overwriting files; only a missing source is
// reported, every other failure skips the entry.
void CopyAllFiles(const WideString& Source, const WideString& Target);
// Deletes Folder with everything in it.
void glDeleteFolder(const WideString& Folder);
// Whether the folder exists and a probe file "Dummyfile.txt" can be created in it.
bool IsDictionaryWritable(const WideString& Folder);
// Sets the value after "AppDataFolder" in Folder + "ViewConfig.ini" to 0, so that a
// copied installation keeps its data beside the program.
void ChangeConfigView(const WideString& Folder);

}  // namespace vt
