// Printing to PDF: the printer set-up arithmetic, pages with their "Page n/m" footers read
// back with pdftotext, and the job's states (a second start, aborts, failures).
#include <gtest/gtest.h>

#include <QPrinter>

#include <filesystem>
#include <regex>
#include <string>

#include "RuntimeTestUtil.h"
#include "SampleDocument.h"
#include "TempFolder.h"
#include "TestUtil.h"
#include "runtime/pagelayout/PlotBox.h"
#include "runtime/pagelayout/PrintContext.h"

using namespace vt;

namespace {

int Count(const std::string& Text, const std::string& Word) {
  int n = 0;
  for (std::size_t at = Text.find(Word); at != std::string::npos; at = Text.find(Word, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(PrintSetupTest, A600DpiPrinterGivesHundredthsOfAMillimetre) {
  TPrinterGeometry g;
  g.PagePixels = QSize(4961, 7016);
  g.PrintableOffset = QPoint(118, 118);
  g.PrintableMillimetres = QSizeF(200, 287);
  g.PrintablePixels = QSize(4724, 6780);
  const TPrintSetup s = ComputePrintSetup(g, 100);
  EXPECT_DOUBLE_EQ(s.PixelsPerUnitX, 0.2362);
  EXPECT_EQ(s.LogicalSize.x(), 21003);
  EXPECT_EQ(s.ViewMin, QPoint(-118, -118));
  EXPECT_EQ(s.ViewMax, QPoint(4961 - 118, 7016 - 118));
  // Logical 0 is the paper's corner; the 20 mm border starts 2000 units in.
  TPLContext c;
  c.SetPage(s.LogicalSize, {0, 0}, s.LogicalSize);
  c.SetView(s.ViewMin, s.ViewMax);
  c.ComputeScale();
  EXPECT_EQ(c.LcToDcX(0), -118);
  EXPECT_NEAR(c.LcToDcX(2000) + 118, 2000 * 0.2362, 1.0);
}

class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Printer.setOutputFormat(QPrinter::PdfFormat);
    Printer.setPageSize(QPageSize(QPageSize::A4));
    Printer.setResolution(600);
    Printer.setOutputFileName(QString::fromStdString(File));
  }
  // The sequence every printout follows, with the sample document.
  void Print(bool WithPageNumbers) {
    TPLPrintContext context(Printer);
    context.Setup(100);
    context.BeginPrint();
    TRef<TPLDocument> doc(new TPLDocument);
    context.SetDocument(doc.get());
    BuildSampleDocument(*doc, context.FPageSize.x(), context.FPageSize.y());
    context.FinishPrint(WithPageNumbers ? doc->FFooter.get() : nullptr);
    Pages = doc->GetPageCount();
  }

  TempFolder Folder;
  std::string File = (Folder.Path() / "report.pdf").string();
  QCoreApplication& App = TestApp();  // before the printer
  QPrinter Printer{QPrinter::HighResolution};
  int Pages = 0;
};

TEST_F(PrintTest, ThreePagesWithTheirNumbersInTheFooter) {
  Print(true);
  KeepFile(File, "report.pdf");
  ASSERT_EQ(Pages, 3);
  const std::string text = PdfText(File);
  ASSERT_FALSE(text.empty()) << "pdftotext (poppler-utils) must read " << File;
  EXPECT_EQ(Count(text, "\f"), 3);
  std::string pages[3];
  std::size_t from = 0;
  for (auto& page : pages) {
    const std::size_t end = text.find('\f', from);
    page = text.substr(from, end - from);
    from = end + 1;
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Count(pages[i], "Page " + std::to_string(i + 1) + "/3"), 1) << pages[i];
    EXPECT_EQ(Count(pages[i], "Drive parameter report"), 1);
    EXPECT_EQ(Count(pages[i], "Axis 1 printed by the test"), 1);
  }
  // The tabbed text, the table over two pages, the plot's captions.
  EXPECT_TRUE(std::regex_search(pages[0], std::regex("Maximum speed +2\\.5 +m/s")));
  EXPECT_TRUE(std::regex_search(pages[0], std::regex("Row 1 +Value 7 +mm/s")));
  EXPECT_EQ(Count(pages[1], "Row 60"), 1);
  EXPECT_EQ(Count(pages[0] + pages[1], "checked, a longer remark"), 6);
  EXPECT_EQ(Count(pages[2], "Position [mm]"), 1);
  EXPECT_EQ(Count(pages[2], "Time [s]"), 1);
}

TEST_F(PrintTest, WithoutAFooterBoxNoPageNumbersArePrinted) {
  Print(false);
  const std::string text = PdfText(File);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(Count(text, "Page "), 0);
  EXPECT_EQ(Count(text, "\f"), 3);
}

TEST_F(PrintTest, ASecondStartIsRefusedAndTheRunningJobGoesOn) {
  TPLPrintContext context(Printer);
  context.FinishPrint(nullptr);  // idle: nothing
  context.AbortPrint();
  EXPECT_FALSE(std::filesystem::exists(File));
  context.Setup(100);
  context.BeginPrint();
  EXPECT_THROW_MSG(context.BeginPrint(), "already printing");
  TRef<TPLDocument> doc(new TPLDocument);
  doc->CreateFont("DejaVu Sans", 400, 0);
  doc->GetBodyTextBox()->AddText("still printing");
  context.SetDocument(doc.get());
  context.FinishPrint(doc->FFooter.get());
  EXPECT_FALSE(context.FPrinting);
  const std::string text = PdfText(File);
  EXPECT_EQ(Count(text, "still printing"), 1);
  EXPECT_EQ(Count(text, "Page 1/1"), 1);
}

TEST_F(PrintTest, AnAbortedJobLeavesNoFile) {
  TPLPrintContext context(Printer);
  context.Setup(100);
  context.BeginPrint();
  context.AbortPrint();
  EXPECT_FALSE(context.FPrinting);
  EXPECT_FALSE(std::filesystem::exists(File));
}

TEST_F(PrintTest, AFailureWhileFinishingAbortsTheJobBeforeItIsRaised) {
  TPLPrintContext context(Printer);
  context.Setup(100);
  context.BeginPrint();
  TRef<TPLDocument> doc(new TPLDocument);
  doc->CreateFont("DejaVu Sans", 400, 0);
  doc->CreatePen(0);  // a plot box needs two
  doc->GetBodyTextBox()->AddText("opening page");
  doc->GetBodyTextBox()->AddFrame(new TPLPlotBox);
  context.SetDocument(doc.get());
  EXPECT_THROW(context.FinishPrint(doc->FFooter.get()), EPLError);
  EXPECT_FALSE(context.FPrinting);
  EXPECT_FALSE(std::filesystem::exists(File));
  // The printer is free for the next job.
  doc->CreatePen(0);
  context.BeginPrint();
  context.FinishPrint(doc->FFooter.get());
  const std::string text = PdfText(File);
  EXPECT_EQ(Count(text, "opening page"), 1) << text;
}

TEST_F(PrintTest, APrinterThatCannotStartIsAnError) {
  Printer.setOutputFileName("/nonexistent-folder/x.pdf");
  TPLPrintContext context(Printer);
  EXPECT_THROW(context.BeginPrint(), EPLError);
  EXPECT_FALSE(context.FPrinting);
}
