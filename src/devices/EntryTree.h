// The mirror of the model tree in one tree view: an entry manager per commander window
// with one entry per model node it has shown. It lists the visible nodes the user may
// read, builds children on first expansion, keeps the selection across updates (also as
// a path string "Project:\\Device\Service"), the expanded state and, per entry, the
// contexts its views left there when they were hidden.
//
// Threads: the GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "devices/ModelTree.h"
#include "devices/ModelTreeView.h"
#include "platform/TextConversion.h"

namespace vt {

// What a view leaves in its entry when it is hidden, to be shown as before next time.
class TViewContext {
 public:
  virtual ~TViewContext() = default;
};

enum TEntryFlag : std::uint8_t { efExpanded, efSelected };
using TEntryFlagSet = TByteSet<TEntryFlag>;

class TEntryItem {
 public:
  // One empty context position when the node has a view, none otherwise.
  TEntryItem(TEntryManager* AOwner, TModelItem* AModel);
  virtual ~TEntryItem();
  TEntryItem(const TEntryItem&) = delete;
  TEntryItem& operator=(const TEntryItem&) = delete;

  // The context at Selected, or none; SetContext takes AContext and frees the one it
  // replaces. Both raise "List index out of bounds (%d)" without that position.
  TViewContext* GetContext() const;
  void SetContext(TViewContext* AContext);
  int GetContextCount() const { return static_cast<int>(FContextList.size()); }
  bool GetExpanded() const { return Flags.Contains(efExpanded); }

  // Replaces ANode's tree children by the model node's visible, readable children.
  void CreateChildren(TTreeNode* ANode);
  // Brings ANode and its tree children up to date with the model. Raises "TEntryItem.
  // Update: internal error - node mismatch" when ANode is not this entry's.
  void Update(TTreeNode* ANode);
  // The entry manager's OnGetStrVar answer, empty without one.
  AnsiString GetStrVar(const AnsiString& AName) const;

  TEntryManager* Owner() const { return FOwner; }
  TModelItem* Model() const { return FModel; }

  TEntryFlagSet Flags;
  // The index of the context in use; set by the commander window.
  int Selected = 0;

 private:
  TEntryManager* const FOwner;
  TModelItem* const FModel;
  std::vector<std::unique_ptr<TViewContext>> FContextList;
};

class TEntryManager {
 public:
  // Registers with AModelManager, installs its handlers on ATreeView and shows the
  // model's root as the view's one top-level node. Both must outlive it.
  TEntryManager(TModelManager* AModelManager, TModelTreeView* ATreeView);
  ~TEntryManager();
  TEntryManager(const TEntryManager&) = delete;
  TEntryManager& operator=(const TEntryManager&) = delete;

  // The model's changes into the tree view, the selection kept on the deepest node of
  // the previous one that still exists. Called by the model manager.
  void Update();
  // Text and image (with AForce or a refresh), the has-children mark (with AForce or a
  // change of children), and the expanded state. Raises "TEntryManager.SetupNode:
  // internal error - node released".
  void SetupNode(TTreeNode* ANode, bool AForce);

  // "Root:\\A\B" for the selected node B below A, "Root:\\" for the root; empty without
  // a selection.
  AnsiString GetPathStr() const;
  // Selects, one after the other, every node the path reaches (".." goes up); stops at
  // the first component it cannot follow. A tree name before ":\\" that is not the
  // root's raises "internal error: tree name error".
  void SetPathStr(const AnsiString& APath);
  // Builds the selected node's children if needed and selects its parent.
  void GoBackSelect();
  // The help keyword of the selection: the caption at depth 2 (or of the node itself
  // above), "Overview" for "Project".
  void ChangeHelpKeyword();

  TEntryItem* GetItem(int Index) const { return FList.at(Index).get(); }
  int GetCount() const { return static_cast<int>(FList.size()); }
  TModelManager* ModelManager() const { return FModelManager; }
  TEntryItem* Root() const { return FRoot; }
  TModelTreeView* TreeView() const { return FTreeView; }
  const AnsiString& CurrentPath() const { return FCurrentPath; }
  const AnsiString& PreviousPath() const { return FPreviousPath; }

  // Called after each update and after each change of the selection.
  std::function<void(TEntryManager* Sender)> OnUpdate;
  TGetStrVarEvent OnGetStrVar;
  // Not read by the tree.
  std::uint8_t Permission = 8;

 private:
  friend class TEntryItem;
  TEntryItem* AddEntry(std::unique_ptr<TEntryItem> AEntry);
  // Tag -1 on every model node, then each entry's index on its node's.
  void MarkEntries();
  // The children of ANode, built when it has none yet; false while the model is being
  // changed (or mirrored) and they cannot be built.
  bool PrepareExpansion(TTreeNode* ANode);
  void SavePath();
  void RestorePath();
  void FreeReleasedEntries();

  void TreeViewChange(TTreeNode* Node);
  void TreeViewExpanding(TTreeNode* Node, bool& Allow);
  void TreeViewCollapsing(TTreeNode* Node, bool& Allow);
  void TreeViewEditing(TTreeNode* Node, bool& Allow);

  AnsiString FCurrentPath;
  AnsiString FPreviousPath;
  std::vector<std::unique_ptr<TEntryItem>> FList;  // an entry's index is its node's Tag
  TModelManager* const FModelManager;
  TEntryItem* FRoot = nullptr;
  std::vector<TEntryItem*> FPath;  // the saved selection, selected entry first
  TModelTreeView* const FTreeView;
};

}  // namespace vt
