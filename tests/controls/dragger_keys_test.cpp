#include <gtest/gtest.h>

#include <QCursor>
#include <QList>
#include <vector>

#include "control_harness.h"
#include "fake_edit_clock.h"
#include "tdragger.h"

namespace morvane::controls {
namespace {

using testing::KeyPress;
using testing::KeyRelease;
using testing::OverrideDepth;
using testing::PointerHidden;
using testing::Press;
using testing::Release;
using testing::SignalLog;
using testing::Wheel;

class DraggerKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    dragger = new Tdragger(window.get());
    dragger->move(20, 20);
    dragger->show();
    dragger->setFocus(Qt::OtherFocusReason);
    dragger->setPosition(10);
  }
  void TearDown() override { ASSERT_EQ(OverrideDepth(), 0) << "pointer left hidden"; }

  testing::Window window;
  Tdragger* dragger = nullptr;
};

TEST_F(DraggerKeys, OnlyTheKeypadsPlusAndMinusStepAndFinishTheEdit) {
  SignalLog log(dragger);
  KeyRelease(dragger, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(dragger->Position(), 11);
  EXPECT_EQ(log.entries(), QStringList({"onKeyUp", "OnMouseUp"}));
  KeyRelease(dragger, Qt::Key_Minus, Qt::KeypadModifier);
  KeyRelease(dragger, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(dragger->Position(), 9);
  log.clear();
  for (int key : {Qt::Key_Plus, Qt::Key_Minus, Qt::Key_Left, Qt::Key_Right}) {
    KeyRelease(dragger, key, Qt::NoModifier);
  }
  KeyRelease(dragger, Qt::Key_8, Qt::KeypadModifier);
  KeyRelease(dragger, Qt::Key_Plus, Qt::KeypadModifier, true);  // held: repeats are no releases
  EXPECT_EQ(dragger->Position(), 9);
  EXPECT_EQ(log.count("onKeyUp"), 5);
  EXPECT_EQ(log.count("OnMouseUp"), 0);
}

TEST_F(DraggerKeys, AtTheEndTheKeypadStillRaisesOnMouseUpAndMovesThePointerToThePressPoint) {
  SignalLog log(dragger);
  QCursor::setPos(300, 300);
  dragger->setPosition(127);
  KeyRelease(dragger, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(dragger->Position(), 127);
  EXPECT_EQ(log.count("OnMouseUp"), 1);
  EXPECT_EQ(QCursor::pos(), QPoint(0, 0)) << "never pressed: the screen origin";

  Press(dragger, {3, 4});
  Release(dragger, {3, 4});
  QCursor::setPos(300, 300);
  dragger->setPosition(0);
  KeyRelease(dragger, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(dragger->Position(), 0);
  EXPECT_EQ(QCursor::pos(), dragger->mapToGlobal(QPoint(3, 4)));
}

TEST_F(DraggerKeys, KeypadReleasesLeaveThePointerHideableForTheNextDrag) {
  KeyRelease(dragger, Qt::Key_Plus, Qt::KeypadModifier);
  KeyRelease(dragger, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(OverrideDepth(), 0);
  Press(dragger, {5, 5});
  EXPECT_TRUE(PointerHidden());
  KeyRelease(dragger, Qt::Key_Minus, Qt::KeypadModifier);  // mid-drag: shows the pointer
  EXPECT_FALSE(PointerHidden());
  Release(dragger, {5, 5});
  Press(dragger, {5, 5});
  EXPECT_TRUE(PointerHidden());
  Release(dragger, {5, 5});
}

// Each row: the presses of one key (repeats after the first), then its release; or wheel turns.
TEST_F(DraggerKeys, ArrowsPagesAndTheWheelStepOnceAndFinishOneEditEach) {
  struct Case {
    int key;  // 0: the wheel
    int presses;
    std::vector<int> wheel;
    Qt::KeyboardModifiers modifiers;
    int start;
    int expected;
  };
  const Case cases[] = {
      {Qt::Key_Right, 1, {}, Qt::NoModifier, 10, 11},
      {Qt::Key_Up, 1, {}, Qt::KeypadModifier, 10, 11},
      {Qt::Key_Left, 3, {}, Qt::NoModifier, 10, 7},
      {Qt::Key_Down, 1, {}, Qt::NoModifier, 10, 9},
      {Qt::Key_PageUp, 1, {}, Qt::NoModifier, 10, 20},
      {Qt::Key_PageUp, 2, {}, Qt::NoModifier, 120, 127},
      {Qt::Key_PageDown, 1, {}, Qt::NoModifier, 5, 0},
      {Qt::Key_Right, 1, {}, Qt::NoModifier, 127, 127},
      {0, 0, {120}, Qt::NoModifier, 10, 11},
      {0, 0, {-120}, Qt::ShiftModifier, 10, 0},
      {0, 0, {240}, Qt::NoModifier, 10, 12},
      {0, 0, {60, 60}, Qt::NoModifier, 10, 11},
  };
  test_support::FakeEditClock clock;
  dragger->setEditClock(&clock.clock);
  SignalLog log(dragger);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "key " << c.key << " from " << c.start);
    clock.Advance(1000);
    dragger->setPosition(c.start);
    log.clear();
    for (int press = 0; press < c.presses; ++press) {
      KeyPress(dragger, c.key, c.modifiers, press > 0);
    }
    for (const int angle : c.wheel) {
      Wheel(dragger, angle, c.modifiers);
    }
    EXPECT_EQ(log.count("OnMouseUp"), c.key == 0 ? 1 : 0) << "keys finish on release";
    if (c.key != 0) {
      KeyRelease(dragger, c.key, c.modifiers);
    }
    EXPECT_EQ(dragger->Position(), c.expected);
    EXPECT_EQ(log.count("OnMouseUp"), 1);
  }
}

// A fast wheel: one edit at once, then at most one per interval, the last value always.
TEST_F(DraggerKeys, AFastWheelSendsAtMostOneEditPerIntervalAndTheLastValue) {
  test_support::FakeEditClock clock;
  dragger->setEditClock(&clock.clock);
  clock.AdvanceTo(1000);
  QList<int> sent;
  QObject::connect(dragger, &Tdragger::OnMouseUp, [&] { sent << dragger->Position(); });
  for (const int time : {1000, 1005, 1010, 1019}) {
    clock.AdvanceTo(time);
    Wheel(dragger, 120);
  }
  EXPECT_EQ(sent, QList<int>{11});
  clock.AdvanceTo(1019);
  EXPECT_EQ(sent, QList<int>{11});
  clock.AdvanceTo(1020);
  EXPECT_EQ(sent, (QList<int>{11, 14}));
  clock.AdvanceTo(1030);
  Wheel(dragger, 120);
  clock.AdvanceTo(1100);
  EXPECT_EQ(sent, (QList<int>{11, 14, 15})) << "held to 1040, one interval after 1020";
  clock.AdvanceTo(1200);
  Wheel(dragger, -120);
  EXPECT_EQ(sent, (QList<int>{11, 14, 15, 14})) << "a quiet wheel sends at once";
}

}  // namespace
}  // namespace morvane::controls
