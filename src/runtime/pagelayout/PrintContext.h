// The printer context: renders a document onto a QPrinter page by page (a PDF file
// when the printer is set to PDF output), logical units 1/MS mm from the paper's corner,
// with an optional "Page n/m" line in a text box of every page.
#pragma once

#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QSizeF>

#include "runtime/pagelayout/Context.h"

class QPrinter;

namespace vt {

class TPLTextBox;

// What the printer tells of its page: the sheet in device pixels, where the printable
// area begins, and the printable area in millimetres and in pixels.
struct TPrinterGeometry {
  QSize PagePixels;
  QPoint PrintableOffset;
  QSizeF PrintableMillimetres;
  QSize PrintablePixels;
};

// The page and view of a printer context whose logical unit is 1/MS mm.
struct TPrintSetup {
  double PixelsPerUnitX;
  double PixelsPerUnitY;
  QPoint LogicalSize;  // the whole sheet
  QPoint ViewMin;      // device point of the paper's corner
  QPoint ViewMax;
};
TPrintSetup ComputePrintSetup(const TPrinterGeometry& Geometry, int MS);
TPrinterGeometry PrinterGeometry(const QPrinter& Printer);

class TPLPrintContext : public TPLContext {
 public:
  // The printer is the caller's and must outlive the context.
  explicit TPLPrintContext(QPrinter& Printer);
  // A job still running is aborted.
  ~TPLPrintContext() override;

  void Setup(int MS);
  // Raises "already printing" while a job runs (which goes on undisturbed).
  void BeginPrint();
  void Render() override;
  // Lays the document out and prints every page; with TextBox (a document's footer),
  // each page shows "Page n/m" centred in it. Nothing while idle. A failure aborts
  // the job before it is raised.
  void FinishPrint(TPLTextBox* TextBox);
  void AbortPrint();
  // The printer's vertical resolution.
  int PixelsPerInch() const override;

  bool FPrinting = false;

 private:
  void PrintPages(TPLTextBox* TextBox);
  void AbortJob();

  QPrinter& FPrinter;
  QPainter FPainter;
  TPLCanvas FPrinterCanvas;
};

}  // namespace vt
