// See TextBox.h.
#include "runtime/pagelayout/TextBox.h"

#include <algorithm>
#include <string>

#include "runtime/pagelayout/Context.h"
#include "runtime/pagelayout/LayoutLimits.h"
#include "runtime/pagelayout/TabList.h"

namespace vt {

namespace {

// The frame an item is for the layout: a visible box or any other frame; null for an
// invisible box and for every item that is not a frame.
TPLFrame* PlacedFrame(TPLObject* Item) {
  if (auto* box = dynamic_cast<TPLClipBox*>(Item)) return box->FVisible ? box : nullptr;
  return dynamic_cast<TPLFrame*>(Item);
}

}  // namespace

TPLTextBox::TPLTextBox(int ALeft, int ATop, int AWidth, int AHeight) {
  SetX(ALeft);
  SetY(ATop);
  FWidth = AWidth;
  FHeight = AHeight;
}

TPLTextBox::~TPLTextBox() = default;

void TPLTextBox::AddFrame(TPLFrame* AFrame) { FItems->Add(AFrame); }

TPLText* TPLTextBox::AddWord(std::string_view AText) {
  auto* word = new TPLText(0, 0, AText);
  word->FFontIndex = FFontIndex;
  word->FVertAlign = tvaBase;
  FItems->Add(word);
  return word;
}

void TPLTextBox::AddText(std::string_view AText) {
  std::string word;
  const auto endWord = [&] {
    if (!word.empty()) AddWord(word);
    word.clear();
  };
  const auto put = [&](char C) {
    if (static_cast<int>(word.size()) < PLMaxWordLength) word += C;
  };
  bool escape = false;
  for (const char c : AText) {
    if (escape) {
      escape = false;
      switch (c) {
        case '\\': put('\\'); break;
        case '_': put(' '); break;
        case 'n': endWord(), AddBreak(); break;
        case 't': endWord(), AddTabs(1); break;
        default: break;  // an unknown escape is dropped whole
      }
      continue;
    }
    switch (c) {
      case ' ': endWord(); break;
      case '\t': endWord(), AddTabs(1); break;
      case '\r': endWord(), AddBreak(); break;
      case '\\': escape = true; break;
      default: put(c); break;
    }
  }
  endWord();
}

void TPLTextBox::AddTabs(int ACount) {
  for (int i = 0; i < ACount; ++i) FItems->Add(new TPLHorzTab);
}

void TPLTextBox::AddBreak() { FItems->Add(new TPLLineBreak); }

void TPLTextBox::NewPage() { FItems->Add(new TPLPageBreak); }

TPLTabList* TPLTextBox::GetHorzTabs() {
  if (!FHorzTabs) FHorzTabs.Assign(new TPLTabList);
  return FHorzTabs.get();
}

void TPLTextBox::SetHorzTabs(TPLTabList* Tabs) { FHorzTabs.Assign(Tabs); }

void TPLTextBox::Clear() {
  TPLClipBox::Clear();
  FHorzTabs.reset();
}

void TPLTextBox::DrawItems(TPLContext& Context) { FItems->Execute(gaDraw, Context); }

void TPLTextBox::ArrangeItems(TPLContext&) {
  ClearPages();
  TTextBoxRenderData data;
  const int width = GetClientWidth();
  const int count = FItems->GetCount();
  while (data.WorkIndex < count) {
    SelectItem(data);
    ProcessItem(data, width);
    if (data.LineBreakRequest || data.WorkHorzPos > width) {
      // An item that does not fit starts the next line, unless it starts this one.
      if (data.RepeatCurrentItem && data.LineStart < data.WorkIndex)
        --data.WorkIndex;
      else
        CountItemHeight(data);
      FinishLine(data);
      data.RepeatCurrentItem = false;
      data.LineBreakRequest = false;
    } else {
      CountItemHeight(data);
    }
    if (data.WorkIndex == count - 1) FinishLine(data);
    ++data.WorkIndex;
  }
  FContentHeight = data.WorkVertPos;
  FContentWidth = width;
  FinishPage(data);
}

void TPLTextBox::SelectItem(TTextBoxRenderData& Data) const {
  TPLObject* item = FItems->Item(Data.WorkIndex);
  Data.CurrentItem = item;
  if (dynamic_cast<TPLFrame*>(item))
    Data.CurrentItemType = PlacedFrame(item) ? citFrame : citIgnore;
  else if (dynamic_cast<TPLHorzTab*>(item))
    Data.CurrentItemType = citHorzTab;
  else if (dynamic_cast<TPLPageBreak*>(item))
    Data.CurrentItemType = citPageBreak;
  else
    Data.CurrentItemType = citLineBreak;  // line breaks, and a finished table after its last row
}

void TPLTextBox::ProcessItem(TTextBoxRenderData& Data, int ClientWidth) const {
  switch (Data.CurrentItemType) {
    case citFrame: {
      auto* frame = static_cast<TPLFrame*>(Data.CurrentItem);
      const int x = Data.WorkHorzPos + Data.WorkSpace;
      frame->SetX(x);
      if (x + frame->FWidth <= ClientWidth) {
        Data.WorkHorzPos = x + frame->FWidth;
        Data.WorkSpace = frame->FSpace;
      } else {
        Data.RepeatCurrentItem = true;
        Data.LineBreakRequest = true;
        Data.WorkSpace = 0;
      }
      break;
    }
    case citHorzTab:
      if (!FHorzTabs) break;
      {
        TTextHorzAlign alignment;  // the stop's alignment is not applied
        FHorzTabs->NextPosition(Data.WorkHorzPos, alignment);
      }
      Data.WorkSpace = 0;
      if (Data.WorkHorzPos > ClientWidth) Data.LineBreakRequest = true;
      break;
    case citPageBreak:
      Data.PageBreakRequest = true;
      [[fallthrough]];
    case citLineBreak:
      Data.LineBreakRequest = true;
      Data.WorkSpace = 0;
      break;
    case citIgnore: break;
  }
}

void TPLTextBox::CountItemHeight(TTextBoxRenderData& Data) {
  if (Data.CurrentItemType != citFrame) return;
  const auto* frame = static_cast<const TPLFrame*>(Data.CurrentItem);
  Data.BaseHeight = std::max(Data.BaseHeight, frame->FBase);
  Data.LineHeight = std::max(Data.LineHeight, frame->FHeight);
}

void TPLTextBox::FinishLine(TTextBoxRenderData& Data) {
  // A line that does not fit goes to the next page; not when the page is still empty
  // (a line taller than the page would leave a blank page) nor for a line of no height.
  if (Data.LineHeight > 0 && Data.WorkVertPos > 0 && Data.WorkVertPos + Data.LineHeight > GetClientHeight())
    FinishPage(Data);
  // Words hang on one baseline; boxes (base 0) hang from the line's top.
  const int last = std::min(Data.WorkIndex, FItems->GetCount() - 1);
  const TPLFrame* lastFrame = nullptr;
  for (int i = Data.LineStart; i <= last; ++i)
    if (TPLFrame* frame = PlacedFrame(FItems->Item(i))) {
      frame->SetY(Data.WorkVertPos + Data.BaseHeight);
      lastFrame = frame;
    }
  if (lastFrame) {
    const int free = GetClientWidth() - (lastFrame->FLeft + lastFrame->FWidth);
    const int indent = FHorzAlign == thaCenter ? free / 2 : FHorzAlign == thaRight ? free : 0;
    if (indent > 0)
      for (int i = Data.LineStart; i <= last; ++i)
        if (TPLFrame* frame = PlacedFrame(FItems->Item(i))) frame->FLeft += indent;
  }
  Data.WorkVertPos += Data.LineHeight;
  Data.LineHeight = 0;
  Data.BaseHeight = 0;
  Data.WorkHorzPos = 0;
  Data.WorkSpace = 0;
  Data.LineStart = Data.WorkIndex + 1;
  if (Data.PageBreakRequest) {
    FinishPage(Data);
    Data.PageBreakRequest = false;
  }
}

void TPLFlowPage::Execute(TGraphicAction Action, TPLContext& Context) {
  if (Action != gaDraw) return;
  for (int i = FFirst; i <= FLast; ++i) FItems->Item(i)->Execute(gaDraw, Context);
}

TPLFlowBox::~TPLFlowBox() = default;

void TPLFlowBox::DrawItems(TPLContext& Context) {
  const int index = Context.FCurrentPageIndex;
  if (index >= 0 && index < GetPageCount()) FPages[index]->Execute(gaDraw, Context);
}

void TPLFlowBox::Clear() {
  ClearPages();
  TPLTextBox::Clear();
}

// The page ends before the current line; the next one starts at the top.
void TPLFlowBox::FinishPage(TTextBoxRenderData& Data) {
  const int first = FPages.empty() ? 0 : FPages.back()->FLast + 1;
  FPages.emplace_back(new TPLFlowPage(FItems.get(), first, Data.LineStart - 1));
  Data.WorkVertPos = 0;
}

}  // namespace vt
