// Mark-up, line and page layout, tab stops and tables, on the fixed-metrics canvas
// (each character 100 units wide, the font 400 high).
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "LayoutTestUtil.h"
#include "TestUtil.h"
#include "runtime/pagelayout/TabList.h"
#include "runtime/pagelayout/Table.h"
#include "runtime/pagelayout/TextBox.h"

using namespace vt;

namespace {

// The items of a box as words ("w:text") and markers ("tab", "br", "page").
std::vector<std::string> Items(const TPLTextBox& Box) {
  std::vector<std::string> out;
  for (int i = 0; i < Box.FItems->GetCount(); ++i) {
    TPLObject* item = Box.FItems->GetItem(i);
    if (auto* text = dynamic_cast<TPLText*>(item))
      out.push_back("w:" + text->FText);
    else if (dynamic_cast<TPLHorzTab*>(item))
      out.push_back("tab");
    else if (dynamic_cast<TPLPageBreak*>(item))
      out.push_back("page");
    else if (dynamic_cast<TPLLineBreak*>(item))
      out.push_back("br");
    else
      out.push_back(typeid(*item).name());
  }
  return out;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(AddTextTest, MarkUpBecomesWordsTabsAndBreaks) {
  struct {
    const char* Text;
    Strings Items;
  } cases[] = {
      {"a  b\\_c\\nd\\te\\\\f", {"w:a", "w:b c", "br", "w:d", "tab", "w:e\\f"}},
      {"one\r\ntwo", {"w:one", "br", "w:\ntwo"}},
      {"x\ty\\q z ", {"w:x", "tab", "w:y", "w:z"}},  // an unknown escape is dropped whole
      {"", {}},
  };
  for (const auto& c : cases) {
    TRef<TPLTextBox> box(new TPLTextBox);
    box->AddText(c.Text);
    EXPECT_EQ(Items(*box), c.Items) << c.Text;
  }
}

TEST(AddTextTest, AWordKeepsItsFirst255Characters) {
  TRef<TPLTextBox> box(new TPLTextBox);
  box->AddText(std::string(300, 'q') + " next");
  EXPECT_EQ(Items(*box), (Strings{"w:" + std::string(255, 'q'), "w:next"}));
}

TEST(TabListTest, NextPositionUsesSetStopsThenAutomaticOnes) {
  TPLTabList tabs;
  tabs.Add(3000, thaRight);
  tabs.Add(1000, thaLeft);
  tabs.FAutoTab = 500;
  struct {
    int From, To;
  } cases[] = {{0, 1000}, {1000, 3000}, {2500, 3000}, {3200, 3500}, {3500, 4000}};
  for (const auto& c : cases) {
    int p = c.From;
    TTextHorzAlign a;
    tabs.NextPosition(p, a);
    EXPECT_EQ(p, c.To) << c.From;
  }
  int p = 2000;
  TTextHorzAlign a;
  tabs.NextPosition(p, a);
  EXPECT_EQ(a, thaRight);
}

TEST(TabListTest, WithoutStopsThePositionStays) {
  TPLTabList tabs;
  int p = 1234;
  TTextHorzAlign a = thaRight;
  tabs.NextPosition(p, a);
  EXPECT_EQ(p, 1234);
  EXPECT_EQ(a, thaLeft);
}

TEST(TabListTest, IndexesBeyondTheStopsAreErrors) {
  TPLTabList tabs;
  tabs.Add(1000, thaLeft);
  tabs.Add(2000, thaCenter);
  tabs.Add(2000, thaRight);  // same place: alignment replaced
  tabs.FAutoTab = 700;
  EXPECT_EQ(tabs.Count(), 2);
  EXPECT_EQ(tabs.GetAlignment(1), thaRight);
  EXPECT_EQ(tabs.GetPosition(-3), 2100);
  EXPECT_THROW_MSG(tabs.GetPosition(2), "TPLTabList.GetPosition: tabulator index error");
  EXPECT_THROW_MSG(tabs.GetAlignment(2), "TPLTabList.GetAlignment: tabulator index error");
}

class TextBoxTest : public LayoutTest {
 protected:
  // A box of the given client size laid out after the fonts.
  TRef<TPLTextBox> LaidOut(TPLTextBox* Box, int Width, int Height = 100000) {
    Box->FWidth = Width;
    Box->FHeight = Height;
    RenderFontsAndPens();
    Box->Execute(gaRender, Context);
    return TRef<TPLTextBox>(Box);
  }
  static TPLFrame* FrameAt(const TPLTextBox& Box, int Index) { return dynamic_cast<TPLFrame*>(Box.FItems->GetItem(Index)); }
};

TEST_F(TextBoxTest, WordsWrapAndAnOverlongWordStaysOnItsOwnLine) {
  auto* raw = new TPLTextBox;
  raw->AddText("ab cd efghijklmnop q");  // 200 + 100 + 200 fit in 600; the long word overflows
  const auto box = LaidOut(raw, 600);
  const auto at = [&](int I) { return QPoint(FrameAt(*box, I)->FLeft, FrameAt(*box, I)->FTop); };
  EXPECT_EQ(at(0), QPoint(0, 0));
  EXPECT_EQ(at(1), QPoint(300, 0));
  EXPECT_EQ(at(2), QPoint(0, 400));   // too wide for the box: alone on the next line
  EXPECT_EQ(at(3), QPoint(0, 800));
  EXPECT_EQ(box->FContentHeight, 1200);
}

TEST_F(TextBoxTest, TabsMoveToTheStopsAndBeyondTheWidthBreakTheLine) {
  auto* raw = new TPLTextBox;
  raw->GetHorzTabs()->Add(1000, thaLeft);
  raw->GetHorzTabs()->FAutoTab = 500;
  raw->AddText("a\\tb\\tc\\td");  // b at 1000, c at 1500, then 2000 > 1800 breaks
  const auto box = LaidOut(raw, 1800);
  EXPECT_EQ(FrameAt(*box, 2)->FLeft, 1000);
  EXPECT_EQ(FrameAt(*box, 4)->FLeft, 1500);
  EXPECT_EQ(FrameAt(*box, 6)->FTop, 400);
  EXPECT_EQ(FrameAt(*box, 6)->FLeft, 0);
}

TEST_F(TextBoxTest, AlignmentIndentsEachLine) {
  struct {
    TTextHorzAlign Align;
    int Left;
  } cases[] = {{thaLeft, 0}, {thaCenter, 299}, {thaRight, 599}};
  for (const auto& c : cases) {
    auto* raw = new TPLTextBox;
    raw->FHorzAlign = c.Align;
    raw->AddWord("abcd");
    const auto box = LaidOut(raw, 1000);
    FrameAt(*box, 0)->FWidth = 401;  // a line 401 long
    box->ArrangeItems(Context);
    EXPECT_EQ(FrameAt(*box, 0)->FLeft, c.Left) << c.Align;
  }
}

TEST_F(TextBoxTest, WordsShareOneBaselineAndBoxesHangFromTheTop) {
  const int big = Doc->CreateFont("Sans", 800, 0);
  auto* raw = new TPLTextBox;
  raw->AddWord("small");
  raw->FFontIndex = big;
  raw->AddWord("BIG");
  auto* inner = new TPLTextBox(0, 0, 300, 200);
  raw->AddFrame(inner);
  const auto box = LaidOut(raw, 5000);
  EXPECT_EQ(FrameAt(*box, 0)->GetY(), 600);  // the big font's ascent
  EXPECT_EQ(FrameAt(*box, 1)->GetY(), 600);
  EXPECT_EQ(FrameAt(*box, 0)->FTop, 300);
  EXPECT_EQ(inner->FTop, 600);  // base 0: its top on the line's baseline
}

TEST_F(LayoutTest, ThreeLinesOf400InABodyOf1000MakeTwoPages) {
  Doc->FHeight = 2000 + 800 + 1000 + 800 + 2000;  // body client height 1000
  Doc->GetBodyTextBox()->AddText("one\\ntwo\\nthree");
  Context.Render();
  ASSERT_EQ(Doc->GetPageCount(), 2);
  EXPECT_EQ(PageWords(0), (Strings{"one", "two"}));
  EXPECT_EQ(PageWords(1), (Strings{"three"}));
  EXPECT_EQ(dynamic_cast<TPLFrame*>(Doc->GetBodyTextBox()->FItems->GetItem(4))->FTop, 0);
}

TEST_F(LayoutTest, PageBreaksAndEmptyBodies) {
  struct {
    const char* Body;
    bool NewPageLast;
    int Pages;
  } cases[] = {{"", false, 1}, {"a", false, 1}, {"a", true, 2}, {"", true, 2}};
  for (const auto& c : cases) {
    Doc->GetBodyTextBox()->Clear();
    Doc->GetBodyTextBox()->AddText(c.Body);
    if (c.NewPageLast) Doc->GetBodyTextBox()->NewPage();
    Context.Render();
    EXPECT_EQ(Doc->GetPageCount(), c.Pages) << c.Body << c.NewPageLast;
    if (c.NewPageLast) EXPECT_TRUE(PageWords(c.Pages - 1).empty());
  }
}

TEST_F(LayoutTest, ALineTallerThanThePageLeavesNoBlankPage) {
  Doc->FHeight = 2000 + 800 + 300 + 800 + 2000;  // body client height 300 < one line
  Doc->GetBodyTextBox()->AddText("one\\ntwo");
  Context.Render();
  ASSERT_EQ(Doc->GetPageCount(), 2);
  EXPECT_EQ(PageWords(0), (Strings{"one"}));
  EXPECT_EQ(PageWords(1), (Strings{"two"}));
}

TEST_F(LayoutTest, OnlyTheCurrentPageOfTheBodyIsDrawn) {
  Doc->FHeight = 2000 + 400 + 800 + 1000 + 800 + 2000;  // a header line above a body of 1000
  Doc->FHeader->AddText("head");
  Doc->GetBodyTextBox()->AddText("one\\ntwo\\nthree");
  RenderAndDraw(1);
  EXPECT_EQ(Canvas.Texts(), (std::vector<QString>{"head", "three"}));
  Canvas.Drawn.clear();
  Context.FCurrentPageIndex = 5;
  Context.Draw();
  EXPECT_EQ(Canvas.Texts(), (std::vector<QString>{"head"}));
}

TEST_F(LayoutTest, AnEmptyLineInATableOfTwoColumns) {
  TPLFlowBox& body = *Doc->GetBodyTextBox();
  TRef<TPLTable> table(new TPLTable(&body, 2, 3000));
  for (int i = 0; i < 6; ++i) table->NextCell()->AddWord("c" + std::to_string(i + 1));
  table->AddEmptyLine();
  TPLTextBox* tenth = table->NextCell();
  table->Finish();
  EXPECT_EQ(table->FCellCount, 10);
  // Rows of two cells and a break: cells 7, 8 and 9 sit at 9, 10 and 12.
  const auto words = [&](int Index) { return Items(*dynamic_cast<TPLTextBox*>(body.FItems->GetItem(Index))); };
  EXPECT_EQ(words(9), Strings{});
  EXPECT_EQ(words(10), Strings{"w: "});
  EXPECT_EQ(words(12), Strings{});
  EXPECT_EQ(body.FItems->GetItem(13), tenth);
  EXPECT_EQ(table->FCellCount % table->ColCount(), 0);
  EXPECT_EQ(body.FItems->GetItem(body.FItems->GetCount() - 1), table.get());
}

TEST_F(LayoutTest, TableRowsTakeTheirTallestCellAndNextLineCompletesARow) {
  TPLFlowBox& body = *Doc->GetBodyTextBox();
  body.AddWord("before");
  body.AddBreak();
  TRef<TPLTable> table(new TPLTable(&body, 3, 1000));
  table->GetDefaultBorder()->SetSpaces(50, 50, 50, 50);
  table->FRowHeight = 300;
  table->NextCell()->AddText("aaaaaaaaaaaaaaa");  // 1500 wide: one long line
  table->NextCell()->AddText("bb bb bb bb");      // wraps into two lines
  TPLTextBox* second = table->NextLine();
  EXPECT_EQ(table->FCellCount, 4);
  second->AddWord("x");
  table->Finish();
  Context.Render();
  const auto cell = [&](int I) { return dynamic_cast<TPLTextBox*>(body.FItems->GetItem(I)); };
  for (int c = 2; c <= 4; ++c) EXPECT_EQ(cell(c)->FHeight, 900) << c;  // two lines + spaces
  for (int c = 6; c <= 8; ++c) EXPECT_EQ(cell(c)->FHeight, 500) << c;
  EXPECT_EQ(cell(6)->FTop, cell(2)->FTop + 900);
  EXPECT_EQ(cell(3)->FLeft, 1000);
}

TEST_F(LayoutTest, ATableWithoutColumnsIsRefused) {
  EXPECT_THROW_MSG(TRef<TPLTable>(new TPLTable(Doc->GetBodyTextBox(), 0, 1000)), "TPLTable.Create: a table needs at least one column");
}
