// The view control offscreen: its set-up (deferred until it has a size), scrolling by a
// logical offset, the current page, and the sample report as a user sees it.
#include <gtest/gtest.h>

#include <QApplication>

#include "LayoutTestUtil.h"
#include "RuntimeTestUtil.h"
#include "SampleDocument.h"
#include "runtime/forms/ViewControl.h"

using namespace vt;

class ViewControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Doc = TRef<TPLDocument>(new TPLDocument);
    BuildSampleDocument(*Doc);
  }
  // The control, A4 at 0.028 pixels per unit (588 x 832 pixels for the sheet), shown.
  void ShowDocument() {
    View.resize(620, 860);
    View.InitBackground(0x808080, bsSolid);
    View.Setup(1000, 28);
    View.SetDocument(Doc.get());
    View.show();
    View.Render();
  }
  QImage Shot() { return View.grab().toImage(); }
  // Ink in a band of the sheet given in logical y units.
  int InkBetween(const QImage& Image, int Top, int Bottom) {
    return InkCount(Image, QRect(QPoint(0, View.GetLogToPxY(Top)), QPoint(View.GetLogToPxX(21000) - 1, View.GetLogToPxY(Bottom))));
  }

  QCoreApplication& App = TestApp();  // before the control
  TRef<TPLDocument> Doc;
  TPLViewControl View;
};

TEST_F(ViewControlTest, SetupMapsThePixelBaseOntoTheLogicalBase) {
  View.resize(400, 300);
  View.Setup(1000, 40);
  EXPECT_EQ(View.ViewContext().FPageSize, QPoint(10000, 7500));
  EXPECT_FALSE(View.SetupPending());
}

TEST_F(ViewControlTest, ASetupWithoutASizeWaitsForTheFirstResize) {
  View.resize(0, 0);
  View.Setup(1000, 40);
  EXPECT_TRUE(View.SetupPending());
  View.show();
  View.resize(200, 100);
  QApplication::processEvents();
  EXPECT_FALSE(View.SetupPending());
  EXPECT_EQ(View.ViewContext().FPageSize, QPoint(5000, 2500));
}

TEST_F(ViewControlTest, TheSampleReportShowsOnAWhiteSheet) {
  ShowDocument();
  EXPECT_EQ(View.GetLogicalWidth(), View.GetPxToLogX(620));
  for (int page = 0; page < 3; ++page) {
    View.SetCurrentPage(page);
    const QImage shot = Shot();
    KeepScreenshot(shot, "view-page-" + std::to_string(page + 1));
    EXPECT_EQ(shot.pixel(610, 850) & 0xFFFFFF, 0x808080u);  // the background beside the sheet
    EXPECT_EQ(shot.pixel(10, 10) & 0xFFFFFF, 0xFFFFFFu);    // the sheet's margin
    EXPECT_GT(InkBetween(shot, 2000, 2600), 100) << page;   // header
    EXPECT_GT(InkBetween(shot, 3500, 26000), 1000) << page; // body
    EXPECT_GT(InkBetween(shot, 27000, 27700), 50) << page;  // footer
  }
}

TEST_F(ViewControlTest, APageBeyondTheCountShowsHeaderAndFooterOnly) {
  ShowDocument();
  View.SetCurrentPage(7);
  EXPECT_EQ(View.GetCurrentPage(), 7);
  const QImage shot = Shot();
  EXPECT_GT(InkBetween(shot, 2000, 2600), 100);
  EXPECT_EQ(InkBetween(shot, 3500, 26000), 0);
  EXPECT_GT(InkBetween(shot, 27000, 27700), 50);
}

TEST_F(ViewControlTest, ALogicalOffsetScrollsTheView) {
  ShowDocument();
  EXPECT_EQ(InkBetween(Shot(), 0, 1900), 0);  // the sheet's top margin
  View.SetLogicalOffset(0, 5000);
  EXPECT_EQ(View.GetLogicalTop(), 5000);
  const QImage shot = Shot();
  KeepScreenshot(shot, "view-scrolled");
  EXPECT_GT(InkBetween(shot, 0, 1900), 1000);  // now the table, from sheet y 5000
  // The footer, at 27000 to 27700 on the sheet, stands 5000 units higher.
  EXPECT_GT(InkBetween(shot, 22000, 22700), 50);
}
