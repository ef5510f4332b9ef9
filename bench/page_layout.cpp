// The page-layout library's costs: a 10,000-row table report printed to PDF beside the
// same rows as a QTextDocument table printed to PDF (goal: within 2x); the layout of
// 10,000 rows beside 1,000 (goal: at most 12x, no quadratic re-layout); and a graph of
// 8 x 65,535 points with the oscilloscope's 0.4 mm pen into a 1920 x 1080 image beside
// a min/max envelope per pixel column drawn as short lines with the same pen (goal: at
// most 1.5x the envelope and within one 60 Hz frame, 16.7 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/pagelayout/Document.h"
#include "runtime/pagelayout/PlotBox.h"
#include "runtime/pagelayout/PrintContext.h"
#include "runtime/pagelayout/Table.h"
#include "runtime/pagelayout/ViewContext.h"

using namespace vt;

namespace {

constexpr int ReportRows = 10000;
constexpr int GraphCount = 8;
constexpr int GraphPoints = 65535;
constexpr int ImageWidth = 1920;
constexpr int ImageHeight = 1080;

std::string CellText(int Row, int Col) {
  static const char* units[] = {"mm", "mm/s", "A", "V"};
  switch (Col) {
    case 0: return "Parameter " + std::to_string(Row);
    case 1: return std::to_string(Row * 37 % 100000);
    default: return units[Row % 4];
  }
}

// A report as the printouts build one: a header, a footer and a table of Rows rows.
void BuildReport(TPLDocument& Doc, int Rows) {
  const int font = Doc.CreateFont("DejaVu Sans", 350, 0);
  Doc.CreatePen(0);
  Doc.CreatePen(20);
  Doc.FHeader->FFontIndex = font;
  Doc.FHeader->AddText("Parameter report");
  Doc.FFooter->FFontIndex = font;
  TRef<TPLTable> table(new TPLTable(Doc.GetBodyTextBox(), 3, 5600));
  table->FFontIndex = font;
  table->GetDefaultBorder()->SetSpaces(80, 80, 30, 30);
  table->GetDefaultBorder()->SetLines(1, 1, 1, 1);
  for (int r = 0; r < Rows; ++r)
    for (int c = 0; c < 3; ++c) table->NextCell()->AddText(CellText(r, c));
  table->Finish();
}

struct TPdfPrinter {
  QTemporaryDir Dir;
  QPrinter Printer{QPrinter::HighResolution};
  TPdfPrinter() {
    Printer.setOutputFormat(QPrinter::PdfFormat);
    Printer.setPageSize(QPageSize(QPageSize::A4));
    Printer.setResolution(600);
    Printer.setOutputFileName(Dir.filePath("report.pdf"));
  }
};

void BM_TableReportToPdf(benchmark::State& State) {
  TPdfPrinter pdf;
  for (auto _ : State) {
    TPLPrintContext context(pdf.Printer);
    context.Setup(100);
    context.BeginPrint();
    TRef<TPLDocument> doc(new TPLDocument);
    context.SetDocument(doc.get());
    doc->FWidth = context.FPageSize.x();
    doc->FHeight = context.FPageSize.y();
    BuildReport(*doc, ReportRows);
    context.FinishPrint(doc->FFooter.get());
    State.counters["pages"] = doc->GetPageCount();
  }
}

void BM_TextDocumentTableToPdf(benchmark::State& State) {
  TPdfPrinter pdf;
  for (auto _ : State) {
    QTextDocument doc;
    doc.setDefaultFont(QFont("DejaVu Sans", 10));
    QTextCursor cursor(&doc);
    cursor.insertText("Parameter report\n");
    QTextTableFormat format;
    format.setBorder(0.5);
    format.setCellPadding(2);
    QTextTable* table = cursor.insertTable(ReportRows, 3, format);
    for (int r = 0; r < ReportRows; ++r)
      for (int c = 0; c < 3; ++c) table->cellAt(r, c).firstCursorPosition().insertText(QString::fromStdString(CellText(r, c)));
    doc.print(&pdf.Printer);
  }
}

// Layout only: the render pass over a report of Rows rows on a 600 dpi page.
void BM_ReportLayout(benchmark::State& State) {
  const int rows = static_cast<int>(State.range(0));
  QImage device(10, 10, QImage::Format_RGB32);
  device.setDotsPerMeterX(23622);  // 600 dpi
  device.setDotsPerMeterY(23622);
  TPLCanvas canvas;
  canvas.SetDevice(&device);
  TPLViewContext context;
  context.SetCanvas(&canvas);
  context.SetupView(100, 2362, 4961, 7016);  // 0.2362 pixels per 1/100 mm
  TRef<TPLDocument> doc(new TPLDocument);
  BuildReport(*doc, rows);
  context.SetDocument(doc.get());
  for (auto _ : State) context.Render();
  State.counters["pages"] = doc->GetPageCount();
}

// The oscilloscope's traces: noisy sines of 65,535 samples each.
const std::vector<std::vector<double>>& Traces() {
  static const auto traces = [] {
    std::vector<std::vector<double>> t(GraphCount, std::vector<double>(GraphPoints));
    unsigned noise = 12345;
    for (int g = 0; g < GraphCount; ++g)
      for (int i = 0; i < GraphPoints; ++i) {
        noise = noise * 1103515245 + 12345;
        t[g][i] = std::sin(i * (g + 1) * 2e-4) * 0.8 + ((noise >> 16) % 1000) / 1e4;
      }
    return t;
  }();
  return traces;
}

// A view of the image at the screen's 38 pixels per centimetre, one plot box filling it.
struct TScope {
  QImage Image{ImageWidth, ImageHeight, QImage::Format_RGB32};
  TPLCanvas Canvas;
  TPLViewContext Context;
  TRef<TPLDocument> Doc{new TPLDocument};
  TPLPlotBox* Box = new TPLPlotBox;
  std::vector<int> Next = std::vector<int>(GraphCount, 0);

  TScope() {
    Canvas.SetDevice(&Image);
    Context.SetCanvas(&Canvas);
    Context.SetupView(1000, 38, ImageWidth, ImageHeight);
    Doc->CreateFont("DejaVu Sans", 300, 0);
    Doc->CreatePen(0);
    Doc->CreatePen(0);
    Doc->FLeftBorder = Doc->FRightBorder = Doc->FTopBorder = Doc->FBottomBorder = 0;
    Doc->FHeaderSpace = Doc->FFooterSpace = 0;
    Doc->FWidth = Context.FPageSize.x();
    Doc->FHeight = Context.FPageSize.y();
    Box->FWidth = Doc->FWidth;
    Box->FHeight = Doc->FHeight;
    Box->FIncrTime = 1;
    Box->DefaultHorzAxis()->FSpaceValue = GraphPoints - 1;
    Box->DefaultHorzAxis()->FDivWidth = 6553.4;
    Box->DefaultVertAxis()->FStartValue = -1;
    Box->DefaultVertAxis()->FSpaceValue = 2;
    Box->DefaultVertAxis()->FDivWidth = 0.25;
    for (int g = 0; g < GraphCount; ++g) {
      TPLPlotGraph* graph = Box->CreateGraph();
      graph->FWidth = 40;  // 0.4 mm
      graph->FColor = 0x2020C0 + g * 0x101800;
      // The trace is looked up once, as the peer does.
      const auto get = [this, g, trace = Traces()[g].data()](TPLPlotGraph*, double& X, double& Y, bool& Stop) {
        int& i = Next[g];
        if (i >= GraphPoints) {
          Stop = true;
          return;
        }
        X = i;
        Y = trace[i];
        ++i;
      };
      graph->FOnGetFirst = [this, g, get](TPLPlotGraph* G, double& X, double& Y, bool& Stop) {
        Next[g] = 0;
        get(G, X, Y, Stop);
      };
      graph->FOnGetNext = get;
    }
    Doc->GetBodyTextBox()->AddFrame(Box);
    Context.SetDocument(Doc.get());
    Context.Render();
  }
  QRect GridPixels() const {
    const TPLPlotGrid& g = Box->Grid();
    return QRect(QPoint(Context.LcToDcX(g.FLeft), Context.LcToDcY(g.FTop)),
                 QPoint(Context.LcToDcX(g.FLeft + g.FWidth), Context.LcToDcY(g.FTop + g.FHeight)));
  }
};

// The graphs as the plot box draws them, clipped to the grid (the box's axes and grid
// are left out: the peer has none).
void BM_ScopeGraphs(benchmark::State& State) {
  TScope scope;
  const TPLPlotGrid& grid = scope.Box->Grid();
  for (auto _ : State) {
    scope.Image.fill(Qt::white);
    QPainter painter(&scope.Image);
    scope.Canvas.BeginDraw(&painter);
    const QPoint saved = scope.Context.ShiftLogicalOffset(scope.Box->FLeft, scope.Box->FTop);
    scope.Context.SetClipRect(grid.FLeft, grid.FTop, grid.FLeft + grid.FWidth, grid.FTop + grid.FHeight);
    scope.Box->FGraphList->Execute(gaDraw, scope.Context);
    scope.Context.RestoreLogicalOffset(saved);
    scope.Canvas.EndDraw();
  }
}

// The peer: per pixel column the lowest and highest sample, one short line each, the
// same pen and clipping; the samples are mapped to pixels with the same straight
// arithmetic. Its loop over the samples runs after painting as the graph's does, so it
// too starts with the vector registers cleared.
void BM_EnvelopeLines(benchmark::State& State) {
  TScope scope;
  const QRect grid = scope.GridPixels();
  const int penWidth = scope.Context.LsToDsX(40);
  for (auto _ : State) {
    scope.Image.fill(Qt::white);
    QPainter painter(&scope.Image);
    painter.setClipRect(grid);
    for (int g = 0; g < GraphCount; ++g) {
      QPen pen(ColorToQColor(0x2020C0 + g * 0x101800), penWidth);
      pen.setCapStyle(Qt::RoundCap);
      painter.setPen(pen);
      std::vector<int> low(grid.width() + 1, grid.bottom()), high(grid.width() + 1, grid.top());
      const std::vector<double>& trace = Traces()[g];
      ClearVectorUpperHalves();
      for (int i = 0; i < GraphPoints; ++i) {
        const int x = static_cast<int>(std::lround(double(i) / (GraphPoints - 1) * (grid.width() - 1)));
        const int y = grid.bottom() - static_cast<int>(std::lround((trace[i] + 1) / 2 * (grid.height() - 1)));
        low[x] = std::min(low[x], y);
        high[x] = std::max(high[x], y);
      }
      for (int x = 0; x < grid.width(); ++x)
        if (low[x] <= high[x]) painter.drawLine(grid.left() + x, low[x], grid.left() + x, high[x]);
    }
  }
}

BENCHMARK(BM_TableReportToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_TextDocumentTableToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReportLayout)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScopeGraphs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnvelopeLines)->Unit(benchmark::kMillisecond);

// Keeps the mean time per iteration of each benchmark for the summary.
class TSummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (const Run& r : Runs)
      if (r.run_type == Run::RT_Iteration) Ms[r.benchmark_name()] = r.real_accumulated_time / r.iterations * 1e3;
    ConsoleReporter::ReportRuns(Runs);
  }
  std::map<std::string, double> Ms;
};

void Compare(const char* What, double Ours, double Peer, const char* PeerName, const char* Goal) {
  std::printf("%-28s %9.1f ms   %-26s %9.1f ms   %.2fx   (goal: %s)\n", What, Ours, PeerName, Peer,
              Peer > 0 ? Ours / Peer : 0.0, Goal);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  TSummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::map<std::string, double>& ms = reporter.Ms;
  std::printf("\n");
  Compare("10,000-row report to PDF", ms["BM_TableReportToPdf/iterations:2"], ms["BM_TextDocumentTableToPdf/iterations:2"],
          "QTextDocument table to PDF", "within 2x");
  Compare("layout of 10,000 rows", ms["BM_ReportLayout/10000"], ms["BM_ReportLayout/1000"], "layout of 1,000 rows",
          "at most 12x");
  Compare("8 x 65,535 points graphed", ms["BM_ScopeGraphs"], ms["BM_EnvelopeLines"], "min/max envelope lines",
          "at most 1.5x, and 16.7 ms");
  benchmark::Shutdown();
  return 0;
}
