#include <gtest/gtest.h>

#include <QCursor>

#include "control_harness.h"
#include "tdragger.h"

namespace morvane::controls {
namespace {

using testing::KeyRelease;
using testing::OverrideDepth;
using testing::PointerHidden;
using testing::Press;
using testing::Release;
using testing::SignalLog;

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

}  // namespace
}  // namespace morvane::controls
