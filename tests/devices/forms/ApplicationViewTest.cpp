// Application views in a stand-in commander window (offscreen): the actions in the order a
// selection drives them, one pooled view per window, the panels lent and given back, the
// contexts kept in the entries, and the redefinition errors.
#include <gtest/gtest.h>

#include <QStatusBar>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "RuntimeTestUtil.h"
#include "TestUtil.h"
#include "ViewHostWindow.h"
#include "devices/forms/ApplicationView.h"
#include "ui/ImageList.h"

using namespace vt;

namespace {

const char* ActionName(TAppViewAction Action) {
  static const char* const names[] = {"vaInit", "vaShow", "vaHide", "vaDone", "vaCreate", "vaDestroy"};
  return names[Action];
}

struct TCountContext : TViewContext {
  int Shown = 0;
};

// A form with a content panel and a status bar; its view keeps a context that counts how
// often the entry was shown.
class TRecordingFactory : public TApplicationViewFactory {
 public:
  std::vector<std::string> Log;  // "<view number>:<action>"
  int Made = 0;

 protected:
  std::unique_ptr<TApplicationView> CreateApplicationView(QWidget* ACommander, TFormList& AFormList) override {
    auto form = std::make_unique<QWidget>();
    form->setObjectName("RecordingForm" + QString::number(++Made));
    auto* layout = new QVBoxLayout(form.get());
    auto* panel = new QWidget(form.get());
    panel->setObjectName("MainPanel");
    layout->addWidget(panel);
    auto* status = new QStatusBar(form.get());
    status->setObjectName("StatusBar");
    layout->addWidget(status);
    auto view = std::make_unique<TApplicationView>(this);
    view->SetPanel(panel);
    view->SetStatusBar(status);
    TApplicationView* v = view.get();
    v->OnExecute = [this, v, n = std::to_string(Made)](TAppViewAction Action) {
      Log.push_back(n + ":" + ActionName(Action));
      if (Action != vaShow) return;
      if (!v->ViewCtx) v->ViewCtx = new TCountContext;
      ++static_cast<TCountContext*>(v->ViewCtx)->Shown;
    };
    view->CommanderParent = ACommander;
    AFormList.push_back(std::move(form));
    return view;
  }
};

class ApplicationViews : public RuntimeTest {
 protected:
  void SetUp() override {
    TestApp();
    RuntimeTest::SetUp();
    Model = std::make_unique<TModelManager>(std::make_unique<TImageList>());
    Model->Root()->SetCaption("Project");
    Model->BeginUpdate();
    for (const char* name : {"X1", "X2"}) {
      TModelItem* node = Model->NewItem();
      node->SetCaption(name);
      node->View = &Factory;
      Model->Root()->AddChild(node);
    }
    TModelItem* plain = Model->NewItem();
    plain->SetCaption("Plain");
    Model->Root()->AddChild(plain);
    Model->EndOfUpdate();
  }
  void TearDown() override {
    Hosts.clear();
    Model.reset();
    RuntimeTest::TearDown();
  }
  TViewHostWindow* NewHost() {
    Hosts.push_back(std::make_unique<TViewHostWindow>(Model.get()));
    Steps(4);
    return Hosts.back().get();
  }
  std::vector<std::string> TakeLog() { return std::exchange(Factory.Log, {}); }
  static TEntryItem* Selected(TViewHostWindow* Host) { return Host->Tree->Selected()->Data(); }

  TRecordingFactory Factory;
  std::unique_ptr<TModelManager> Model;
  std::vector<std::unique_ptr<TViewHostWindow>> Hosts;
};

TEST_F(ApplicationViews, SelectionDrivesTheActionsAndLendsThePanels) {
  TViewHostWindow* host = NewHost();
  host->Select("Project:\\\\X1");
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"1:vaCreate", "1:vaInit", "1:vaShow"}));
  TApplicationView* view = host->CurrentView;
  ASSERT_NE(view, nullptr);
  QWidget* form = host->FormList.at(0).get();
  EXPECT_EQ(view->Panel()->parentWidget(), host->ContentPanel);
  EXPECT_EQ(view->StatusBar()->parentWidget(), host->BottomPanel);
  EXPECT_TRUE(host->ContentPanel->layout()->indexOf(view->Panel()) >= 0);
  EXPECT_FALSE(view->Panel()->isHidden());
  EXPECT_TRUE(host->OwnStatusBar->isHidden());
  EXPECT_EQ(view->Entry(), Selected(host));
  EXPECT_EQ(view->Model()->Caption(), "X1");

  // Another entry of the same kind: the same view object, shown again.
  host->Select("Project:\\\\X2");
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"1:vaHide", "1:vaDone", "1:vaInit", "1:vaShow"}));
  EXPECT_EQ(host->CurrentView, view);
  EXPECT_EQ(view->Model()->Caption(), "X2");

  // An entry without a view: the panels go home hidden, the window's own bar comes back.
  host->Select("Project:\\\\Plain");
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"1:vaHide", "1:vaDone"}));
  EXPECT_EQ(view->Panel()->parentWidget(), form);
  EXPECT_EQ(view->StatusBar()->parentWidget(), form);
  EXPECT_TRUE(form->layout()->indexOf(view->Panel()) >= 0);
  EXPECT_TRUE(view->Panel()->isHidden());
  EXPECT_FALSE(host->OwnStatusBar->isHidden());
  EXPECT_TRUE(host->ContentPanel->isHidden());
  EXPECT_EQ(view->Entry(), nullptr);

  // Each entry keeps the context its view made: X1 was shown once, and now twice.
  host->Select("Project:\\\\X1");
  TakeLog();
  EXPECT_EQ(static_cast<TCountContext*>(view->ViewCtx)->Shown, 2);
  // The same entry once more.
  host->ShowEntry(Selected(host));
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"1:vaHide", "1:vaDone", "1:vaInit", "1:vaShow"}));
  EXPECT_EQ(static_cast<TCountContext*>(view->ViewCtx)->Shown, 3);
  EXPECT_EQ(Factory.Made, 1);
}

TEST_F(ApplicationViews, EachWindowHasItsOwnPooledView) {
  TViewHostWindow* first = NewHost();
  TViewHostWindow* second = NewHost();
  first->Select("Project:\\\\X1");
  second->Select("Project:\\\\X1");
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"1:vaCreate", "1:vaInit", "1:vaShow", "2:vaCreate", "2:vaInit",
                                                 "2:vaShow"}));
  EXPECT_NE(first->CurrentView, second->CurrentView);
  // Closing one window: its view is hidden, released and destroyed; the other's stays.
  first->Close();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"1:vaHide", "1:vaDone", "1:vaDestroy"}));
  second->Select("Project:\\\\X2");
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"2:vaHide", "2:vaDone", "2:vaInit", "2:vaShow"}));
  EXPECT_EQ(Factory.Made, 2);
}

TEST_F(ApplicationViews, RepeatedShowOrHideSendsNothing) {
  TViewHostWindow* host = NewHost();
  host->Select("Project:\\\\X1");
  TakeLog();
  TApplicationView* view = host->CurrentView;
  view->ShowView(Selected(host), host->ContentPanel, host->ContentPanel, host->TopPanel, host->BottomPanel, {});
  EXPECT_TRUE(TakeLog().empty());
  view->HideView();
  view->HideView();
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"1:vaHide"});
}

TEST_F(ApplicationViews, StringVariablesOnlyWhileShown) {
  TViewHostWindow* host = NewHost();
  host->Vars["PortName"] = "ETH";
  host->Select("Project:\\\\X1");
  TApplicationView* view = host->CurrentView;
  EXPECT_EQ(view->GetStrVar("PortName"), "ETH");
  host->Select("Project:\\\\Plain");
  EXPECT_EQ(view->GetStrVar("PortName"), "");
}

TEST_F(ApplicationViews, ControlsAreLentOnceAndTheBaseFactoryMakesNone) {
  TApplicationView view(&Factory);
  QWidget form;
  auto* panel = new QWidget(&form);
  view.SetPanel(panel);
  view.SetPanel2(new QWidget(&form));
  view.SetStatusBar(new QStatusBar(&form));
  EXPECT_THROW_MSG(view.SetPanel(new QWidget(&form)), "panel redefinition not allowed");
  EXPECT_THROW_MSG(view.SetPanel2(new QWidget(&form)), "Panel2 redefinition not allowed");
  EXPECT_THROW_MSG(view.SetStatusBar(new QStatusBar(&form)), "Status bar redefinition not allowed");
  EXPECT_EQ(view.Panel(), panel);
  EXPECT_TRUE(panel->isHidden());

  TApplicationViewFactory base;
  TFormList forms;
  EXPECT_THROW_MSG(base.CreateView(&form, forms), "Abstract Error");
}

}  // namespace
