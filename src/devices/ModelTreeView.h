// The tree view that an entry manager (EntryTree.h) drives, as the manager sees it: nodes
// with a text, an image and an entry as their data, the selection, and the handlers the
// manager installs. The window version is a QTreeWidget (forms/ModelTreeWidget.h).
//
// Threads: the GUI thread only.
#pragma once

#include <functional>

#include "platform/TextConversion.h"

namespace vt {

class TEntryItem;
class TImageList;

class TTreeNode {
 public:
  virtual ~TTreeNode() = default;

  virtual TEntryItem* Data() const = 0;
  virtual AnsiString Text() const = 0;
  virtual void SetText(const AnsiString& Value) = 0;
  // The image shown, selected or not; -1 for none.
  virtual void SetImageIndex(int Index) = 0;
  // Whether the node offers to expand while it has no children yet.
  virtual void SetHasChildren(bool Value) = 0;
  // Expands this node only, through the view's OnExpanding and OnExpanded.
  virtual void Expand() = 0;

  virtual TTreeNode* Parent() const = 0;
  virtual int Count() const = 0;
  virtual TTreeNode* Item(int Index) const = 0;
  virtual TTreeNode* AddChild(const AnsiString& AText, TEntryItem* AData) = 0;
  // A selection among them moves to this node.
  virtual void DeleteChildren() = 0;
};

class TModelTreeView {
 public:
  virtual ~TModelTreeView() = default;

  // The images the nodes' numbers refer to; the caller keeps them.
  virtual void SetImages(TImageList* AImages) = 0;
  virtual void Clear() = 0;
  virtual TTreeNode* AddTopNode(const AnsiString& AText, TEntryItem* AData) = 0;
  // The first top-level node, or none.
  virtual TTreeNode* TopNode() const = 0;
  virtual TTreeNode* Selected() const = 0;
  // Selects ANode (its ancestors are expanded to show it), through OnChange.
  virtual void Select(TTreeNode* ANode) = 0;
  virtual void SetHelpKeyword(const AnsiString& AKeyword) = 0;

  // Set by the entry manager. The Allow arguments arrive true; an expansion, collapse or
  // edit that its handler refuses does not happen.
  std::function<void(TTreeNode* Node)> OnChange;
  std::function<void(TTreeNode* Node, bool& Allow)> OnExpanding;
  std::function<void(TTreeNode* Node, bool& Allow)> OnCollapsing;
  std::function<void(TTreeNode* Node)> OnExpanded;
  std::function<void(TTreeNode* Node)> OnCollapsed;
  std::function<void(TTreeNode* Node, bool& Allow)> OnEditing;
  std::function<void(TTreeNode* Node, AnsiString& Text)> OnEdited;
};

}  // namespace vt
