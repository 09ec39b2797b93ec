#include <gtest/gtest.h>

#include <QCursor>
#include <QLineEdit>

#include "control_harness.h"
#include "tdragger.h"

namespace morvane::controls {
namespace {

using testing::DoubleClick;
using testing::Move;
using testing::OverrideDepth;
using testing::PointerHidden;
using testing::Press;
using testing::Release;
using testing::SignalLog;

class DraggerMouse : public ::testing::Test {
 protected:
  void SetUp() override {
    dragger = new Tdragger(window.get());
    dragger->move(20, 20);
    dragger->show();
  }
  void TearDown() override { ASSERT_EQ(OverrideDepth(), 0) << "pointer left hidden"; }

  void Range(int min, int max, int position, const QStringList& items = {}) {
    dragger->setMin(min);
    dragger->setMax(max);
    dragger->setPosition(position);
    dragger->setItems(items);
  }
  // The value after one move event from x 20 to toX with the button held, starting at start.
  int StepFrom(int start, int toX, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Move(dragger, {20, 5});
    dragger->setPosition(start);
    Move(dragger, {toX, 5}, Qt::LeftButton, modifiers);
    return dragger->Position();
  }

  testing::Window window;
  Tdragger* dragger = nullptr;
};

TEST_F(DraggerMouse, StepsDependOnDirectionAndOnTheDistanceToZero) {
  Range(-128, 127, 0);
  Press(dragger, {20, 5});
  EXPECT_EQ(StepFrom(50, 21), 51);
  EXPECT_EQ(StepFrom(50, 19), 48);
  EXPECT_EQ(StepFrom(-50, 21), -48);
  EXPECT_EQ(StepFrom(-50, 19), -51);
  EXPECT_EQ(StepFrom(50, 20), 50) << "same X";
  EXPECT_EQ(StepFrom(50, 300), 51) << "the distance does not count";
  EXPECT_EQ(StepFrom(127, 21), 127);
  EXPECT_EQ(StepFrom(-128, 19), -128);
  Range(0, 20, 0, QStringList(21, "item"));
  EXPECT_EQ(StepFrom(10, 21), 12) << "items filling the range: two steps both ways";
  EXPECT_EQ(StepFrom(10, 19), 8);
  EXPECT_EQ(StepFrom(19, 21), 20);
  Release(dragger, {20, 5});
}

TEST_F(DraggerMouse, ShiftStepsByTenAndRefusesInsteadOfClamping) {
  Range(0, 127, 0);
  Press(dragger, {20, 5});
  EXPECT_EQ(StepFrom(40, 25, Qt::ShiftModifier), 50);
  EXPECT_EQ(StepFrom(40, 15, Qt::ShiftModifier), 20);
  EXPECT_EQ(StepFrom(5, 15, Qt::ShiftModifier), 5) << "-5 is refused twice";
  EXPECT_EQ(StepFrom(120, 25, Qt::ShiftModifier), 120) << "130 is refused";
  Release(dragger, {20, 5});
}

TEST_F(DraggerMouse, MovesWithoutExactlyTheLeftButtonAndShiftAreIgnored) {
  Range(0, 127, 0);
  Press(dragger, {20, 5});
  Move(dragger, {20, 5});
  dragger->setPosition(60);
  const std::pair<Qt::MouseButtons, Qt::KeyboardModifiers> ignored[] = {
      {Qt::NoButton, Qt::NoModifier},
      {Qt::RightButton, Qt::NoModifier},
      {Qt::LeftButton | Qt::RightButton, Qt::NoModifier},
      {Qt::LeftButton, Qt::ControlModifier},
      {Qt::LeftButton, Qt::AltModifier},
  };
  for (const auto& [buttons, modifiers] : ignored) {
    Move(dragger, {40, 5}, buttons, modifiers);
    EXPECT_EQ(dragger->Position(), 60);
  }
  Move(dragger, {30, 5});
  EXPECT_EQ(dragger->Position(), 61) << "ignored moves kept the last X of 20";
  Release(dragger, {30, 5});
}

TEST_F(DraggerMouse, TheFirstMoveOfANewDragComparesWithItsPressPoint) {
  Range(0, 127, 60);
  Press(dragger, {40, 5});
  Move(dragger, {80, 5});
  Release(dragger, {80, 5});
  ASSERT_EQ(dragger->Position(), 61);
  // Pressed left of where the last drag ended: moving right steps up all the same.
  Press(dragger, {10, 5});
  Move(dragger, {11, 5});
  EXPECT_EQ(dragger->Position(), 62) << "11 > 10, the press point";
  Move(dragger, {12, 5});
  EXPECT_EQ(dragger->Position(), 63);
  Release(dragger, {12, 5});
  // And the other way round.
  Press(dragger, {40, 5});
  Move(dragger, {39, 5});
  EXPECT_EQ(dragger->Position(), 61) << "39 < 40: towards 0, two steps";
  Release(dragger, {39, 5});
}

TEST_F(DraggerMouse, ADragHidesThePointerAndReturnsItToThePressPoint) {
  SignalLog log(dragger);
  const QPoint pressAt(5, 7);
  Press(dragger, pressAt);
  EXPECT_TRUE(PointerHidden());
  EXPECT_TRUE(dragger->font().bold()) << "the press took the focus";
  Move(dragger, {30, 7});
  Move(dragger, {60, 7});  // beyond the control: the drag goes on
  EXPECT_EQ(dragger->Position(), 2);
  Release(dragger, {60, 7});
  EXPECT_FALSE(PointerHidden());
  EXPECT_EQ(QCursor::pos(), dragger->mapToGlobal(pressAt));
  EXPECT_EQ(log.pointerDuringLastMouseUp(), dragger->mapToGlobal(pressAt));
  EXPECT_TRUE(log.hiddenDuringLastMouseUp()) << "shown only after OnMouseUp";
  EXPECT_EQ(log.entries(), QStringList({"OnMouseDown", "OnMouseMove", "OnMouseMove", "OnMouseUp"}))
      << "released outside the control: no click";
}

TEST_F(DraggerMouse, ClicksAndOtherButtonsKeepHideAndShowBalanced) {
  SignalLog log(dragger);
  Press(dragger, {5, 5});
  Release(dragger, {6, 5});
  EXPECT_EQ(log.entries(), QStringList({"OnMouseDown", "OnClick", "OnMouseUp"}));
  log.clear();
  Press(dragger, {5, 5}, Qt::RightButton);
  EXPECT_TRUE(PointerHidden());
  Release(dragger, {5, 5}, Qt::RightButton);
  EXPECT_EQ(log.entries(), QStringList({"OnMouseDown", "OnMouseUp"}));
  Press(dragger, {5, 5});
  Press(dragger, {5, 5}, Qt::RightButton);
  Release(dragger, {5, 5}, Qt::RightButton);
  EXPECT_FALSE(PointerHidden());
  Release(dragger, {5, 5});
}

TEST_F(DraggerMouse, DoubleClickRestoresTheDefaultUnderTheItemRule) {
  SignalLog log(dragger);
  Range(0, 127, 40);
  dragger->setPositionDefault(127);
  DoubleClick(dragger, {5, 5});
  EXPECT_EQ(dragger->Position(), 127);
  EXPECT_EQ(log.count("OnDblClick"), 1);
  EXPECT_EQ(log.count("OnMouseUp"), 2);

  Range(0, 50, 30, QStringList(51, "item"));
  dragger->setPositionDefault(0);
  DoubleClick(dragger, {5, 5});
  EXPECT_EQ(dragger->Position(), 30) << "51 items: a default of 0 is below K - 1";
  dragger->setPositionDefault(51);
  DoubleClick(dragger, {5, 5});
  EXPECT_EQ(dragger->Position(), 30) << "outside the range";
  dragger->setPositionDefault(50);
  dragger->setAllowReset(false);
  DoubleClick(dragger, {5, 5});
  EXPECT_EQ(dragger->Position(), 30);
  dragger->setAllowReset(true);
  DoubleClick(dragger, {5, 5});
  EXPECT_EQ(dragger->Position(), 50);
}

TEST_F(DraggerMouse, LosingTheFocusOrTheControlMidDragShowsThePointer) {
  auto* other = new QLineEdit(window.get());
  other->show();
  Press(dragger, {5, 5});
  ASSERT_TRUE(PointerHidden());
  other->setFocus(Qt::OtherFocusReason);
  EXPECT_FALSE(PointerHidden());
  EXPECT_FALSE(dragger->font().bold());
  Release(dragger, {5, 5});

  Press(dragger, {5, 5});
  ASSERT_TRUE(PointerHidden());
  delete dragger;
  dragger = nullptr;
  EXPECT_FALSE(PointerHidden());
}

TEST_F(DraggerMouse, AllowLoopContinuesAtTheOtherEnd) {
  Range(0, 8, 0);
  dragger->setAllowLoop(true);
  Press(dragger, {20, 5});
  EXPECT_EQ(StepFrom(8, 21), 0);
  EXPECT_EQ(StepFrom(0, 19), 8);
  EXPECT_EQ(StepFrom(4, 21), 5) << "away from the ends as without loop";
  EXPECT_EQ(StepFrom(7, 21, Qt::ShiftModifier), 0);
  Release(dragger, {20, 5});
}

}  // namespace
}  // namespace morvane::controls
