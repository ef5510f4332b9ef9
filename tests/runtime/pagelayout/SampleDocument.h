// A three-page report as the printouts build them: a header with a rule, a footer, tabbed
// text, a table of 60 rows over two pages, and on the third page a plot with two graphs
// and both cursors. Shared by the print and the view tests.
#pragma once

#include <QImage>

#include <string>

#include "runtime/pagelayout/Document.h"

// Fills Doc (fonts and pens first). Width and Height: the sheet in logical units.
void BuildSampleDocument(vt::TPLDocument& Doc, int Width = 21000, int Height = 29700);

// Text of a PDF file by pdftotext (empty when it cannot run); pages end with '\f'.
std::string PdfText(const std::string& File);

// Saves Image as <Name>.png in $VT_SCREENSHOT_DIR when that is set, for a person to look at.
void KeepScreenshot(const QImage& Image, const std::string& Name);
// Copies File there as Name, likewise.
void KeepFile(const std::string& File, const std::string& Name);
