// The tree view of a commander window: a QTreeWidget that an entry manager drives. Qt
// reports expansion, collapse and edits only once they happened, so the refusals of the
// entry manager's handlers are carried out here: a refused expansion or collapse is
// undone at once (without reporting the undoing), a refused edit never opens its editor.
// Editing starts as in the system's tree views: a click on the selected node, or F2.
//
// Threads: the GUI thread only.
#pragma once

#include <QTreeWidget>

#include "devices/ModelTreeView.h"

namespace vt {

class TModelTreeWidget : public QTreeWidget, public TModelTreeView {
 public:
  explicit TModelTreeWidget(QWidget* Parent = nullptr);
  // Nodes are freed here: the entry manager's handlers are not called any more.
  ~TModelTreeWidget() override;

  void SetImages(TImageList* AImages) override { FImages = AImages; }
  void Clear() override;
  TTreeNode* AddTopNode(const AnsiString& AText, TEntryItem* AData) override;
  TTreeNode* TopNode() const override;
  TTreeNode* Selected() const override;
  void Select(TTreeNode* ANode) override;
  void SetHelpKeyword(const AnsiString& AKeyword) override { FHelpKeyword = AKeyword; }
  const AnsiString& HelpKeyword() const { return FHelpKeyword; }

  // Image n of the image list as an icon; none without it.
  QIcon IconOf(int Index) const;

  using QTreeWidget::edit;

 protected:
  bool edit(const QModelIndex& Index, EditTrigger Trigger, QEvent* Event) override;
  void commitData(QWidget* Editor) override;

 private:
  // Asks OnExpanding or OnCollapsing, then undoes the change or reports it.
  void ItemToggled(QTreeWidgetItem* Item, bool Expanded);
  // Undoes an expansion or collapse without reporting it.
  void Revert(QTreeWidgetItem* Item, bool Expanded);

  TImageList* FImages = nullptr;
  AnsiString FHelpKeyword;
  bool FReverting = false;
  QTreeWidgetItem* FEditing = nullptr;
};

}  // namespace vt
