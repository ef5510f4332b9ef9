// See SampleDocument.h.
#include "SampleDocument.h"

#include <QFile>
#include <QProcess>

#include <cmath>
#include <memory>
#include <string>

#include "runtime/pagelayout/PlotBox.h"
#include "runtime/pagelayout/TabList.h"
#include "runtime/pagelayout/Table.h"

using namespace vt;

namespace {

constexpr int SamplePoints = 200;

// A graph of f over 0..1, one point every 1/200.
void AttachCurve(TPLPlotGraph* Graph, double (*F)(double)) {
  auto next = std::make_shared<int>(0);
  const auto get = [next, F](TPLPlotGraph*, double& X, double& Y, bool& Stop) {
    if (*next > SamplePoints) {
      Stop = true;
      return;
    }
    X = *next / double(SamplePoints);
    Y = F(X);
    ++*next;
  };
  Graph->FOnGetFirst = [next, get](TPLPlotGraph* G, double& X, double& Y, bool& Stop) {
    *next = 0;
    get(G, X, Y, Stop);
  };
  Graph->FOnGetNext = get;
}

void AddPlot(TPLTextBox& Body) {
  auto* plot = new TPLPlotBox;
  plot->FWidth = 17000;
  plot->FHeight = 10000;
  plot->FIncrTime = 1.0 / SamplePoints;
  TPLPlotAxis* x = plot->DefaultHorzAxis();
  x->FCaption = "Time [s]";
  x->FDivWidth = 0.1;
  TPLPlotAxis* y = plot->DefaultVertAxis();
  y->FStartValue = -1.2;
  y->FSpaceValue = 2.4;
  y->FDivOrigin = 0;
  y->FDivWidth = 0.4;
  y->FCaption = "Position [mm]";
  TPLPlotGrid& grid = plot->Grid();
  grid.FYCursor1 = {0.25, true, 0x0000FF, 0.25};
  grid.FYCursor2 = {0.75, true, 0xFF0000, 0.75};
  TPLPlotGraph* sine = plot->CreateGraph();
  sine->FColor = 0x008000;
  sine->FWidth = 40;
  AttachCurve(sine, [](double T) { return std::sin(2 * M_PI * T); });
  TPLPlotGraph* cosine = plot->CreateGraph();
  cosine->FColor = 0x800080;
  cosine->FWidth = 40;
  cosine->FMode = pgmDrawDotLine;
  AttachCurve(cosine, [](double T) { return 0.8 * std::cos(2 * M_PI * T); });
  Body.AddFrame(plot);
}

}  // namespace

void BuildSampleDocument(TPLDocument& Doc, int Width, int Height) {
  Doc.FWidth = Width;
  Doc.FHeight = Height;
  const int text = Doc.CreateFont("DejaVu Sans", 400, 0);
  const int bold = Doc.CreateFont("DejaVu Sans", 550, fsBold);
  Doc.CreatePen(0);
  Doc.CreatePen(20);

  TPLTextBox& header = *Doc.FHeader;
  header.FFontIndex = bold;
  header.AddText("Drive parameter report");
  header.GetBorder()->SetSpaces(0, 0, 0, 150);
  header.GetBorder()->SetLines(0, 0, 0, 1);
  TPLTextBox& footer = *Doc.FFooter;
  footer.FFontIndex = text;
  footer.AddText("Axis\\_1 printed by the test\\n");

  TPLFlowBox& body = *Doc.GetBodyTextBox();
  body.FFontIndex = bold;
  body.AddText("Settings\\n");
  body.FFontIndex = text;
  body.GetHorzTabs()->Add(5000, thaLeft);
  body.GetHorzTabs()->Add(10000, thaLeft);
  body.AddText("Name\\tValue\\tUnit\\nMaximum\\_speed\\t2.5\\tm/s\\nAcceleration\\t40\\tm/s2\\n"
               "Jerk\\t2000\\tm/s3\\tpast\\tthe\\tset\\tstops\\n");
  TRef<TPLTable> table(new TPLTable(&body, 3, 5600));
  table->FFontIndex = text;
  table->GetDefaultBorder()->SetSpaces(100, 100, 50, 50);
  table->GetDefaultBorder()->SetLines(1, 1, 1, 1);
  for (int row = 1; row <= 60; ++row) {
    table->NextCell()->AddText("Row " + std::to_string(row));
    table->NextCell()->AddText("Value\\_" + std::to_string(row * 7));
    table->NextCell()->AddText(row % 10 == 0 ? "checked, a longer remark that wraps inside its cell" : "mm/s");
  }
  table->Finish();
  body.NewPage();
  body.FFontIndex = bold;
  body.AddText("Step response\\n");
  AddPlot(body);
}

std::string PdfText(const std::string& File) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(File), QStringLiteral("-")});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
  return p.readAllStandardOutput().toStdString();
}

void KeepScreenshot(const QImage& Image, const std::string& Name) {
  const QByteArray dir = qgetenv("VT_SCREENSHOT_DIR");
  if (!dir.isEmpty()) Image.save(QString::fromUtf8(dir) + "/" + QString::fromStdString(Name) + ".png");
}

void KeepFile(const std::string& File, const std::string& Name) {
  const QByteArray dir = qgetenv("VT_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  const QString target = QString::fromUtf8(dir) + "/" + QString::fromStdString(Name);
  QFile::remove(target);
  QFile::copy(QString::fromStdString(File), target);
}
