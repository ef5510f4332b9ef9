// A list of menu entries that belongs to no menu of its own and is lent to whichever
// window asks for it: the main form's Window, View and Language lists, which each
// commander inserts after a placeholder of its menus while it is active. Each entry
// carries an object that the list's click event receives. GUI thread only.
#pragma once

#include <QAction>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QMenu;

namespace vt {

// A menu entry with the object it carries.
class TMenuListItem : public QAction {
 public:
  TMenuListItem(const QString& Caption, void* AObject) : QAction(Caption), FObject(AObject) {}
  void* Object() const { return FObject; }

 private:
  void* const FObject;
};

class TMenuList : public QObject {
 public:
  explicit TMenuList(QObject* Owner = nullptr);
  ~TMenuList() override;
  const char* ClassName() const { return "TMenuList"; }

  // Index 0 … Count(); else raises "TMenuList.Insert: index out of range".
  void Insert(int Index, const QString& Caption, const QKeySequence& Shortcut, void* Object);
  // At the place that keeps the captions sorted (without regard to case) when sorted,
  // else at the end.
  void Add(const QString& Caption, const QKeySequence& Shortcut, void* Object);
  void Delete(int Index);
  // The first entry carrying Object; nothing when none does.
  void RemoveObject(void* Object);
  // Request true lends the entries to Placeholder's menu, right after it (raises
  // "TMenuList.MenuListRequest: menu is already in use" while lent); false takes them
  // back, only from the placeholder that holds them.
  void MenuListRequest(QAction* Placeholder, bool Request);

  void SetSorted(bool Value) { FSorted = Value; }
  // Captions get the accelerators "&1 " … "&Z ", then two blanks.
  void SetAutoShortcut(bool Value);

  int Count() const { return static_cast<int>(FItems.size()); }
  // The caption as given, and the entry as shown.
  const QString& Caption(int Index) const { return FItems.at(Index).Caption; }
  TMenuListItem* Item(int Index) const { return FItems.at(Index).Action; }

  std::function<void(void* Object)> OnMenuClick;

 private:
  struct TEntry {
    QString Caption;
    TMenuListItem* Action;  // owned
  };
  QMenu* ActiveParent() const;
  void Rename();

  std::vector<TEntry> FItems;
  QAction* FActiveMenu = nullptr;
  bool FSorted = false;
  bool FAutoShortcut = false;
};

}  // namespace vt
