// The lent menu lists; see MenuList.h.
#include "shell/forms/MenuList.h"

#include <QMenu>

#include "platform/Exceptions.h"

namespace vt {

namespace {

const QString ShortcutList = QStringLiteral("123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");

}  // namespace

TMenuList::TMenuList(QObject* Owner) : QObject(Owner) {}

TMenuList::~TMenuList() {
  while (!FItems.empty()) Delete(Count() - 1);
}

QMenu* TMenuList::ActiveParent() const {
  if (!FActiveMenu) return nullptr;
  for (QObject* owner : FActiveMenu->associatedObjects())
    if (auto* menu = qobject_cast<QMenu*>(owner)) return menu;
  return nullptr;
}

void TMenuList::Insert(int Index, const QString& Caption, const QKeySequence& Shortcut, void* Object) {
  if (Index < 0 || Index > Count()) throw Exception(std::string(ClassName()) + ".Insert: index out of range");
  auto* action = new TMenuListItem(Caption, Object);
  action->setShortcut(Shortcut);
  connect(action, &QAction::triggered, this, [this, action] {
    if (OnMenuClick) OnMenuClick(action->Object());
  });
  FItems.insert(FItems.begin() + Index, TEntry{Caption, action});
  if (QMenu* menu = ActiveParent()) {
    const QList<QAction*> actions = menu->actions();
    menu->insertAction(actions.value(actions.indexOf(FActiveMenu) + Index + 1, nullptr), action);
  }
  if (FAutoShortcut) Rename();
}

void TMenuList::Add(const QString& Caption, const QKeySequence& Shortcut, void* Object) {
  int index = Count();
  if (FSorted) {
    int low = 0;
    while (low < index) {
      const int mid = (low + index) / 2;
      if (FItems[mid].Caption.compare(Caption, Qt::CaseInsensitive) <= 0)
        low = mid + 1;
      else
        index = mid;
    }
  }
  Insert(index, Caption, Shortcut, Object);
}

void TMenuList::Delete(int Index) {
  delete FItems.at(Index).Action;  // leaves every menu it is in
  FItems.erase(FItems.begin() + Index);
  if (FAutoShortcut) Rename();
}

void TMenuList::RemoveObject(void* Object) {
  for (int i = 0; i < Count(); ++i)
    if (FItems[i].Action->Object() == Object) return Delete(i);
}

void TMenuList::MenuListRequest(QAction* Placeholder, bool Request) {
  if (!Request) {
    if (Placeholder != FActiveMenu) return;
    if (QMenu* menu = ActiveParent())
      for (const TEntry& entry : FItems) menu->removeAction(entry.Action);
    FActiveMenu = nullptr;
    return;
  }
  if (FActiveMenu) throw Exception(std::string(ClassName()) + ".MenuListRequest: menu is already in use");
  FActiveMenu = Placeholder;
  if (QMenu* menu = ActiveParent()) {
    const QList<QAction*> actions = menu->actions();
    QAction* before = actions.value(actions.indexOf(Placeholder) + 1, nullptr);
    for (const TEntry& entry : FItems) menu->insertAction(before, entry.Action);
  }
}

void TMenuList::SetAutoShortcut(bool Value) {
  FAutoShortcut = Value;
  Rename();
}

void TMenuList::Rename() {
  for (int i = 0; i < Count(); ++i) {
    QString prefix;
    if (FAutoShortcut) prefix = i < ShortcutList.size() ? QStringLiteral("&") + ShortcutList[i] + QStringLiteral(" ") : QStringLiteral("  ");
    FItems[i].Action->setText(prefix + FItems[i].Caption);
  }
}

}  // namespace vt
