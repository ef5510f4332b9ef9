// Text boxes: words, frames, tabs and breaks laid out in lines inside the client width;
// the flow box that splits them into pages (the body of every document); the markers.
#pragma once

#include <string_view>
#include <vector>

#include "runtime/pagelayout/ClipBox.h"

namespace vt {

class TPLTabList;
class TPLText;

// Items without data; the layout reads their class.
class TPLControl : public TPLObject {
 public:
  void Execute(TGraphicAction, TPLContext&) override {}
};
class TPLHorzTab : public TPLControl {};
class TPLLineBreak : public TPLControl {};
class TPLPageBreak : public TPLControl {};

enum TCurrentItemType { citFrame, citHorzTab, citLineBreak, citPageBreak, citIgnore };

// The state of one layout pass.
struct TTextBoxRenderData {
  TPLObject* CurrentItem = nullptr;
  TCurrentItemType CurrentItemType = citIgnore;
  int LineStart = 0;
  int LineHeight = 0;
  int BaseHeight = 0;
  int WorkIndex = 0;
  int WorkHorzPos = 0;
  int WorkVertPos = 0;
  int WorkSpace = 0;
  bool LineBreakRequest = false;
  bool PageBreakRequest = false;
  bool RepeatCurrentItem = false;
};

class TPLTextBox : public TPLClipBox {
 public:
  TPLTextBox(int ALeft = 0, int ATop = 0, int AWidth = 0, int AHeight = 0);
  ~TPLTextBox() override;

  void ArrangeItems(TPLContext& Context) override;
  void DrawItems(TPLContext& Context) override;
  void Clear() override;
  virtual void ClearPages() {}
  virtual void FinishPage(TTextBoxRenderData& Data) {}

  void AddFrame(TPLFrame* AFrame);
  // A word in the box's font, on the baseline.
  TPLText* AddWord(std::string_view AText);
  // Words, tabs and breaks from marked-up text: blank, TAB and CR split; "\\" is a
  // backslash, "\_" a blank inside a word, "\n" a break, "\t" a tab.
  void AddText(std::string_view AText);
  void AddTabs(int ACount);
  void AddBreak();
  void NewPage();
  // Made empty on first request.
  TPLTabList* GetHorzTabs();
  void SetHorzTabs(TPLTabList* Tabs);

  int FFontIndex = 0;
  TTextHorzAlign FHorzAlign = thaLeft;
  TRef<TPLTabList> FHorzTabs;

 protected:
  void FinishLine(TTextBoxRenderData& Data);

 private:
  void SelectItem(TTextBoxRenderData& Data) const;
  void ProcessItem(TTextBoxRenderData& Data, int ClientWidth) const;
  static void CountItemHeight(TTextBoxRenderData& Data);
};

// Items FFirst to FLast (inclusive) of a flow box, one page.
class TPLFlowPage : public TPLObject {
 public:
  TPLFlowPage(TPLCollection* Items, int First, int Last) : FItems(Items), FFirst(First), FLast(Last) {}
  void Execute(TGraphicAction Action, TPLContext& Context) override;

  TPLCollection* FItems;  // the flow box's, not referenced
  int FFirst;
  int FLast;
};

class TPLFlowBox : public TPLTextBox {
 public:
  using TPLTextBox::TPLTextBox;
  ~TPLFlowBox() override;

  // Draws the context's current page only; nothing for an index outside the pages.
  void DrawItems(TPLContext& Context) override;
  void Clear() override;
  void ClearPages() override { FPages.clear(); }
  void FinishPage(TTextBoxRenderData& Data) override;
  int GetPageCount() const { return static_cast<int>(FPages.size()); }
  const TPLFlowPage& GetPage(int Index) const { return *FPages.at(Index); }

  std::vector<TRef<TPLFlowPage>> FPages;
};

}  // namespace vt
