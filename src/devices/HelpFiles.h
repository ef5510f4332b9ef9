// Help documents: compiled help files in folders below "Doc\" by language and area,
// named after their article number with a version ("<number>…_<major>V<minor>_….chm").
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/TextConversion.h"

namespace vt {

// One documentation area of the "HTMLDocument" values of module descriptions.
struct THelpArea {
  const char* Word;  // "Interface", "MotionControl", "Application"
  int Instance;      // 0 motion control, 1 interface, 2 application
  // Where the article number lies after the word, and how far it ends before the "*".
  int NumberStart;
  int NumberEnd;
  // Per language (English, German, French, Italian), the folders below the program's
  // folder searched in this order.
  std::array<std::vector<const char*>, 4> Folders;
};

// The area whose word the value names; "Interface" first, then "MotionControl", then
// "Application"; none when it names none.
const THelpArea* FindHelpArea(const AnsiString& HelpFile);
// The article number of the value in that area.
AnsiString HelpArticleNumber(const AnsiString& HelpFile, const THelpArea& Area);
// The newest ".chm" file whose name begins with the article number, in the first of the
// folders that holds one; empty when none does or the number is empty.
AnsiString FindHelpFile(const AnsiString& ArticleNumber, const std::vector<const char*>& Folders);
// In one folder (a program-folder path ending in a separator); empty when none.
AnsiString GetHelpPathWithArtNr(const AnsiString& ArticleNumber, const AnsiString& Folder);

}  // namespace vt
