// See PrintContext.h.
#include "runtime/pagelayout/PrintContext.h"

#include <QFile>
#include <QPageLayout>
#include <QPrinter>

#include <cmath>

#include "platform/Format.h"
#include "runtime/pagelayout/Document.h"

namespace vt {

TPrintSetup ComputePrintSetup(const TPrinterGeometry& Geometry, int MS) {
  TPrintSetup s;
  s.PixelsPerUnitX = Geometry.PrintablePixels.width() / Geometry.PrintableMillimetres.width() / MS;
  s.PixelsPerUnitY = Geometry.PrintablePixels.height() / Geometry.PrintableMillimetres.height() / MS;
  s.LogicalSize = QPoint(static_cast<int>(std::nearbyint(Geometry.PagePixels.width() / s.PixelsPerUnitX)),
                         static_cast<int>(std::nearbyint(Geometry.PagePixels.height() / s.PixelsPerUnitY)));
  const QPoint offset = Geometry.PrintableOffset;
  s.ViewMin = -offset;
  s.ViewMax = QPoint(Geometry.PagePixels.width(), Geometry.PagePixels.height()) - offset;
  return s;
}

// A printer painting the full page has its device origin at the paper's corner.
TPrinterGeometry PrinterGeometry(const QPrinter& Printer) {
  const QPageLayout layout = Printer.pageLayout();
  const int resolution = Printer.resolution();
  TPrinterGeometry g;
  g.PagePixels = layout.fullRectPixels(resolution).size();
  if (Printer.fullPage()) {
    g.PrintablePixels = g.PagePixels;
    g.PrintableMillimetres = layout.fullRect(QPageLayout::Millimeter).size();
  } else {
    const QRect printable = layout.paintRectPixels(resolution);
    g.PrintableOffset = printable.topLeft();
    g.PrintablePixels = printable.size();
    g.PrintableMillimetres = layout.paintRect(QPageLayout::Millimeter).size();
  }
  return g;
}

TPLPrintContext::TPLPrintContext(QPrinter& Printer) : FPrinter(Printer) {
  FPrinterCanvas.SetDevice(&FPrinter);
  SetCanvas(&FPrinterCanvas);
}

TPLPrintContext::~TPLPrintContext() {
  if (FPrinting) AbortJob();
}

int TPLPrintContext::PixelsPerInch() const { return FPrinter.resolution(); }

void TPLPrintContext::Setup(int MS) {
  const TPrintSetup s = ComputePrintSetup(PrinterGeometry(FPrinter), MS);
  SetPage(s.LogicalSize, QPoint(0, 0), s.LogicalSize);
  SetView(s.ViewMin, s.ViewMax);
}

void TPLPrintContext::BeginPrint() {
  if (FPrinting) throw Exception("already printing");
  if (!FPainter.begin(&FPrinter))
    throw EPLError(Format("TPLPrintContext.BeginPrint: the printer cannot start a document '%s'",
                          FPrinter.outputFileName().toStdString()));
  FPrinterCanvas.BeginDraw(&FPainter);
  FPrinting = true;
}

void TPLPrintContext::Render() {
  SetCanvas(&FPrinterCanvas);
  TPLContext::Render();
}

void TPLPrintContext::FinishPrint(TPLTextBox* TextBox) {
  if (!FPrinting) return;
  FPrinting = false;
  try {
    PrintPages(TextBox);
  } catch (...) {
    AbortJob();
    throw;
  }
  FPrinterCanvas.EndDraw();
  FPainter.end();
}

void TPLPrintContext::PrintPages(TPLTextBox* TextBox) {
  Render();
  const int count = GetDocument() ? GetDocument()->GetPageCount() : 0;
  // The page word lives only while the job prints, so a document printed again
  // does not carry the last one.
  TPLText* pageWord = nullptr;
  struct TDropWord {
    TPLTextBox* Box;
    TPLText*& Word;
    ~TDropWord() {
      if (Word) Box->FItems->Remove(Word);
    }
  } dropWord{TextBox, pageWord};
  for (int i = 0; i < count; ++i) {
    FCurrentPageIndex = i;
    if (TextBox) {
      if (pageWord) TextBox->FItems->Remove(pageWord);
      pageWord = TextBox->AddWord(Format("Page %d/%d", i + 1, count));
      TextBox->FHorzAlign = thaCenter;
      TextBox->Execute(gaRender, *this);
    }
    Draw();
    if (i < count - 1 && !FPrinter.newPage()) throw EPLError("TPLPrintContext.FinishPrint: the printer refused a new page");
  }
}

void TPLPrintContext::AbortPrint() {
  if (!FPrinting) return;
  FPrinting = false;
  AbortJob();
}

// A PDF file cannot be taken back page by page: what was written of it is removed, so
// that no half printout is taken for the whole.
void TPLPrintContext::AbortJob() {
  FPrinter.abort();
  FPrinterCanvas.EndDraw();
  if (FPainter.isActive()) FPainter.end();
  if (FPrinter.outputFormat() == QPrinter::PdfFormat && !FPrinter.outputFileName().isEmpty())
    QFile::remove(FPrinter.outputFileName());
}

}  // namespace vt
