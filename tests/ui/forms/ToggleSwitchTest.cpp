#include "ui/forms/ToggleSwitch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <vector>

#include "RuntimeTestUtil.h"

using namespace vt;

namespace {

void Click(QWidget* Widget, QPoint At) {
  const QPointF local(At);
  const QPointF global(Widget->mapToGlobal(At));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(Widget, &release);
}

void PressSpace(QWidget* Widget) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QApplication::sendEvent(Widget, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
  QApplication::sendEvent(Widget, &release);
}

// The changes reported, and which of them the user made.
struct TReports {
  explicit TReports(TToggleSwitch& Switch) {
    QObject::connect(&Switch, &QAbstractButton::toggled, [this](bool On) { Toggled.push_back(On); });
    QObject::connect(&Switch, &QAbstractButton::clicked, [this](bool On) { Clicked.push_back(On); });
  }
  std::vector<bool> Toggled;
  std::vector<bool> Clicked;
};

TEST(ToggleSwitch, ClicksAndSpaceToggleTheProgramSetsIt) {
  TestApp();
  QWidget window;
  auto* sw = new TToggleSwitch(&window);
  sw->setObjectName("EthVersionSwitch");
  sw->resize(sw->sizeHint());
  window.show();
  TReports reports(*sw);
  EXPECT_EQ(sw->State(), tssOff);
  Click(sw, sw->rect().center());
  EXPECT_EQ(sw->State(), tssOn);
  EXPECT_TRUE(sw->IsOn());
  PressSpace(sw);
  EXPECT_EQ(sw->State(), tssOff);
  // The program's changes are reported as changes, not as the user's clicks.
  sw->SetState(tssOn);
  sw->SetState(tssOn);
  EXPECT_EQ(sw->State(), tssOn);
  EXPECT_EQ(reports.Toggled, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(reports.Clicked, (std::vector<bool>{true, false}));
  // A click beside it, or on it while disabled, changes nothing.
  Click(&window, sw->geometry().bottomRight() + QPoint(5, 5));
  sw->setEnabled(false);
  Click(sw, sw->rect().center());
  EXPECT_EQ(sw->State(), tssOn);
  EXPECT_EQ(reports.Toggled.size(), 3u);
}

// Off, the thumb is drawn at the left; on, at the right, in the highlight colour's
// opposite on a track filled with the highlight.
TEST(ToggleSwitch, DrawsItsState) {
  TestApp();
  TToggleSwitch sw;
  sw.resize(sw.sizeHint());
  const QPalette& pal = sw.palette();
  const auto shot = [&] { return sw.grab().toImage(); };
  const QPoint leftThumb(sw.width() / 4, sw.height() / 2);
  const QPoint rightThumb(sw.width() * 3 / 4, sw.height() / 2);
  QImage off = shot();
  EXPECT_EQ(off.pixelColor(leftThumb), pal.color(QPalette::WindowText));
  EXPECT_EQ(off.pixelColor(rightThumb), pal.color(QPalette::Base));
  sw.SetState(tssOn);
  QImage on = shot();
  EXPECT_EQ(on.pixelColor(leftThumb), pal.color(QPalette::Highlight));
  EXPECT_EQ(on.pixelColor(rightThumb), pal.color(QPalette::HighlightedText));
}

}  // namespace
