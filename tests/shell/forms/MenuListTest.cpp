// The lent menu lists: sorting and accelerators, lending to one menu at a time, the
// window registry's captions.
#include "shell/forms/MenuList.h"

#include <QMenu>

#include "RuntimeTestUtil.h"
#include "platform/Exceptions.h"
#include "shell/forms/WindowRegistry.h"

using namespace vt;

namespace {

class MenuListTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApp(); }
  // The texts of Menu's visible entries.
  static QStringList Texts(QMenu& Menu) {
    QStringList texts;
    for (QAction* a : Menu.actions())
      if (a->isVisible()) texts << a->text();
    return texts;
  }
};

TEST_F(MenuListTest, SortedEntriesGetAcceleratorsByPosition) {
  TMenuList list;
  list.SetSorted(true);
  list.SetAutoShortcut(true);
  list.Add("B", {}, nullptr);
  list.Add("a", {}, nullptr);
  EXPECT_EQ(list.Item(0)->text(), "&1 a");
  EXPECT_EQ(list.Item(1)->text(), "&2 B");
  for (int i = 2; i < 36; ++i) list.Add(QString("z%1").arg(i, 2, 10, QChar('0')), {}, nullptr);
  EXPECT_EQ(list.Item(34)->text(), "&Z z34");
  EXPECT_EQ(list.Item(35)->text(), "  z35");  // past the 35 accelerators
  list.Delete(0);
  EXPECT_EQ(list.Item(0)->text(), "&1 B");
  EXPECT_THROW(list.Insert(list.Count() + 1, "x", {}, nullptr), Exception);
}

TEST_F(MenuListTest, ListIsLentToOneMenuAtATime) {
  TMenuList list;
  int window = 0;
  list.Add("One", {}, &window);
  void* clicked = nullptr;
  list.OnMenuClick = [&](void* Object) { clicked = Object; };
  QMenu first, second;
  QAction* before = first.addAction("before");
  QAction* placeholder = first.addAction("");
  placeholder->setVisible(false);
  first.addAction("after");
  QAction* other = second.addAction("");
  other->setVisible(false);
  list.MenuListRequest(placeholder, true);
  list.Add("Two", {}, nullptr);
  EXPECT_EQ(Texts(first), (QStringList{"before", "One", "Two", "after"}));
  EXPECT_THROW(list.MenuListRequest(other, true), Exception);
  list.MenuListRequest(other, false);  // not the holder: nothing changes
  EXPECT_EQ(Texts(first).size(), 4);
  list.Item(0)->trigger();
  EXPECT_EQ(clicked, &window);
  list.RemoveObject(&window);
  EXPECT_EQ(Texts(first), (QStringList{"before", "Two", "after"}));
  list.MenuListRequest(placeholder, false);
  EXPECT_EQ(Texts(first), (QStringList{"before", "after"}));
  list.MenuListRequest(other, true);
  EXPECT_EQ(Texts(second), (QStringList{"Two"}));
  (void)before;
}

TEST_F(MenuListTest, RegistryNumbersTakenCaptions) {
  TMenuList menu;
  TWindowRegistry registry(&menu);
  QWidget a, b, c, d, log;
  for (QWidget* w : {&a, &b, &c, &d}) w->setWindowTitle("Vorlix-Talk");
  registry.RegisterWindow(&a, true);
  registry.RegisterWindow(&b, true);
  registry.RegisterWindow(&c, true);
  EXPECT_EQ(b.windowTitle(), "Vorlix-Talk_1");
  EXPECT_EQ(c.windowTitle(), "Vorlix-Talk_2");
  registry.UnregisterWindow(&b);
  registry.RegisterWindow(&d, true);
  EXPECT_EQ(d.windowTitle(), "Vorlix-Talk_1");
  log.setWindowTitle("vorlix-talk");  // letter case ignored
  registry.RegisterWindow(&log);
  EXPECT_EQ(log.windowTitle(), "vorlix-talk_3");
  EXPECT_EQ(menu.Count(), 4);
  // Only commanders keep the program alive.
  registry.UnregisterWindow(&a);
  registry.UnregisterWindow(&d);
  EXPECT_TRUE(registry.IsLastCommander(&c));
  EXPECT_EQ(registry.CommanderCount(), 1);
}

}  // namespace
