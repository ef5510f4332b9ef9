// The commander window's tree view; see ModelTreeWidget.h.
#include "devices/forms/ModelTreeWidget.h"

#include <QHeaderView>
#include <QIcon>
#include <QPixmap>

#include "runtime/DebugLog.h"
#include "ui/ImageList.h"

namespace vt {

namespace {

QString ToText(const AnsiString& Text) { return ToQString(AnsiToWide(Text)); }

// Runs one of the entry manager's handlers from a Qt signal or virtual, which an
// exception must not unwind: a failure is logged and counts as a refusal.
template <class F>
bool Guarded(F&& Handler) {
  try {
    Handler();
    return true;
  } catch (...) {
    LogError(CurrentExceptionText() + " - TreeView");
    return false;
  }
}

class TModelTreeWidgetNode;
// Every item of the widget is a node: the widget makes no others.
TModelTreeWidgetNode* NodeOf(QTreeWidgetItem* Item);

class TModelTreeWidgetNode : public QTreeWidgetItem, public TTreeNode {
 public:
  TModelTreeWidgetNode(const AnsiString& AText, TEntryItem* AData) : QTreeWidgetItem(UserType), FData(AData) {
    setText(0, ToText(AText));
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
  }

  TEntryItem* Data() const override { return FData; }
  AnsiString Text() const override { return WideToAnsi(FromQString(text(0))); }
  void SetText(const AnsiString& Value) override { setText(0, ToText(Value)); }
  void SetImageIndex(int Index) override {
    if (auto* tree = static_cast<TModelTreeWidget*>(treeWidget())) setIcon(0, tree->IconOf(Index));
  }
  void SetHasChildren(bool Value) override {
    setChildIndicatorPolicy(Value ? ShowIndicator : DontShowIndicatorWhenChildless);
  }
  void Expand() override { setExpanded(true); }

  TTreeNode* Parent() const override { return NodeOf(parent()); }
  int Count() const override { return childCount(); }
  TTreeNode* Item(int Index) const override { return NodeOf(child(Index)); }
  TTreeNode* AddChild(const AnsiString& AText, TEntryItem* AData) override {
    auto* node = new TModelTreeWidgetNode(AText, AData);
    addChild(node);
    return node;
  }
  void DeleteChildren() override {
    if (QTreeWidget* tree = treeWidget())
      for (QTreeWidgetItem* up = tree->currentItem(); up; up = up->parent())
        if (up->parent() == this) {
          tree->setCurrentItem(this);
          break;
        }
    qDeleteAll(takeChildren());
  }

 private:
  TEntryItem* const FData;
};

TModelTreeWidgetNode* NodeOf(QTreeWidgetItem* Item) { return dynamic_cast<TModelTreeWidgetNode*>(Item); }

}  // namespace

TModelTreeWidget::TModelTreeWidget(QWidget* Parent) : QTreeWidget(Parent) {
  setColumnCount(1);
  setHeaderHidden(true);
  setEditTriggers(SelectedClicked | EditKeyPressed);
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* Current) {
    if (TTreeNode* node = NodeOf(Current); node && OnChange) Guarded([&] { OnChange(node); });
  });
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* Item) { ItemToggled(Item, true); });
  connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* Item) { ItemToggled(Item, false); });
}

TModelTreeWidget::~TModelTreeWidget() {
  // Freeing the nodes changes the current item: nobody may hear of it any more.
  blockSignals(true);
  clear();
}

void TModelTreeWidget::Clear() { clear(); }

TTreeNode* TModelTreeWidget::AddTopNode(const AnsiString& AText, TEntryItem* AData) {
  auto* node = new TModelTreeWidgetNode(AText, AData);
  addTopLevelItem(node);
  return node;
}

TTreeNode* TModelTreeWidget::TopNode() const { return NodeOf(topLevelItem(0)); }

TTreeNode* TModelTreeWidget::Selected() const { return NodeOf(currentItem()); }

void TModelTreeWidget::Select(TTreeNode* ANode) {
  auto* item = static_cast<TModelTreeWidgetNode*>(ANode);
  scrollToItem(item);
  setCurrentItem(item);
}

QIcon TModelTreeWidget::IconOf(int Index) const {
  if (!FImages) return {};
  const QImage image = FImages->Image(Index);
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

void TModelTreeWidget::ItemToggled(QTreeWidgetItem* Item, bool Expanded) {
  TTreeNode* node = NodeOf(Item);
  if (FReverting || !node) return;
  const auto& asking = Expanded ? OnExpanding : OnCollapsing;
  const auto& told = Expanded ? OnExpanded : OnCollapsed;
  bool allow = true;
  if (asking && !Guarded([&] { asking(node, allow); })) allow = false;
  if (!allow) return Revert(Item, !Expanded);
  if (told) Guarded([&] { told(node); });
}

void TModelTreeWidget::Revert(QTreeWidgetItem* Item, bool Expanded) {
  FReverting = true;
  Item->setExpanded(Expanded);
  FReverting = false;
}

bool TModelTreeWidget::edit(const QModelIndex& Index, EditTrigger Trigger, QEvent* Event) {
  // Every click and key press passes here; only those that would open an editor ask.
  const bool opens = Trigger == AllEditTriggers || (editTriggers() & Trigger);
  QTreeWidgetItem* item = itemFromIndex(Index);
  TTreeNode* node = NodeOf(item);
  if (opens && node && OnEditing) {
    bool allow = true;
    if (!Guarded([&] { OnEditing(node, allow); }) || !allow) return false;
  }
  if (!QTreeWidget::edit(Index, Trigger, Event)) return false;
  FEditing = item;
  return true;
}

void TModelTreeWidget::commitData(QWidget* Editor) {
  QTreeWidget::commitData(Editor);
  TTreeNode* node = NodeOf(FEditing);
  FEditing = nullptr;
  if (!node || !OnEdited) return;
  AnsiString text = node->Text();
  if (Guarded([&] { OnEdited(node, text); })) node->SetText(text);
}

}  // namespace vt
