#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "control_errors.h"
#include "control_harness.h"
#include "tmrvbox.h"

namespace morvane::controls {
namespace {

void Fill(Tmrvbox& box, int count, int min, int max) {
  for (int i = 0; i < count; ++i) {
    box.addItem(QString("item %1").arg(i));
  }
  box.setMin(min);
  box.setMax(max);
}

TEST(Mrvbox, DropsDownASelectionOnlyListOfTwentyFourRowsOfThirteenPixels) {
  testing::Window window;
  auto* box = new Tmrvbox(window.get());
  box->show();
  Fill(*box, 40, 0, 0);
  EXPECT_FALSE(box->isEditable());
  box->showPopup();
  QAbstractItemView* list = box->view();
  EXPECT_EQ(list->visualRect(list->model()->index(0, 0)).height(), 13);
  EXPECT_EQ(list->viewport()->height() / 13, 24);
  box->hidePopup();
}

TEST(MrvboxPosition, ASingleValueRangeOrEmptyBoxIgnoresPositionAndDefIndex) {
  Tmrvbox box;
  box.setMax(10);
  box.setDefIndex(3);
  EXPECT_EQ(box.currentIndex(), -1) << "empty box";
  Fill(box, 5, 0, 0);
  box.setCurrentIndex(3);
  box.setPosition(1);
  box.setDefIndex(2);
  EXPECT_EQ(box.defIndex(), 2);
  EXPECT_EQ(box.currentIndex(), 3);
  EXPECT_EQ(box.Position(), 0);
}

TEST(MrvboxPosition, ValuesMapToItemsCountedFromMin) {
  Tmrvbox box;
  Fill(box, 20, 10, 20);
  box.setPosition(15);
  EXPECT_EQ(box.currentIndex(), 5);
  EXPECT_EQ(box.Position(), 15);
  box.setPosition(25);
  box.setPosition(9);
  EXPECT_EQ(box.currentIndex(), 5);
  box.setCurrentIndex(15);
  EXPECT_EQ(box.Position(), 0) << "selected beyond the range";
  box.setDefIndex(12);
  EXPECT_EQ(box.currentIndex(), 2);

  Tmrvbox shortList;
  Fill(shortList, 3, 0, 5);
  shortList.setPosition(2);
  shortList.setPosition(4);
  EXPECT_EQ(shortList.currentIndex(), -1) << "a value without an item";
  EXPECT_EQ(shortList.Position(), 0);
}

TEST(MrvboxTags, HexTextInTwoDigitUpperCaseOutAndBadTextKeepsTheValue) {
  Tmrvbox box;
  EXPECT_EQ(box.Tag3(), "00");
  const std::pair<QString, QString> cases[] = {{"1", "01"}, {"$0b", "0B"}, {"12c", "12C"}};
  for (const auto& [given, read] : cases) {
    box.setTag2(given);
    EXPECT_EQ(box.Tag2(), read);
  }
  EXPECT_TRUE(box.setProperty("Tag1", "0B"));
  for (const QString bad : {"", "$", "0x1", "-1"}) {
    EXPECT_THROW(box.setTag1(bad), EConvertError) << bad.toStdString();
    EXPECT_EQ(box.Tag1(), "0B");
  }
}

TEST(MrvboxChange, OnChangeIsRaisedForTheUsersChoiceOnly) {
  testing::Window window;
  auto* box = new Tmrvbox(window.get());
  box->show();
  Fill(*box, 4, 0, 3);
  QSignalSpy changes(box, &Tmrvbox::OnChange);
  box->setDefIndex(3);
  box->setPosition(2);
  box->setCurrentIndex(1);
  EXPECT_EQ(changes.count(), 0);
  box->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(box->currentIndex(), 2);
}

TEST(MrvboxLabel, AnAttachedLabelIsCaptionedPlacedAndGivenBackItsName) {
  QWidget form;
  auto* box = new Tmrvbox(&form);
  box->setObjectName("instr");
  box->setGeometry(8, 40, 289, 21);
  auto* first = new QLabel("x", &form);
  first->setObjectName("Label1");
  auto* second = new QLabel("y", &form);
  second->setObjectName("Label2");

  box->setMyLabel(first);
  EXPECT_EQ(first->text(), "instr");
  EXPECT_EQ(first->geometry().topLeft(), QPoint(9, 28));
  EXPECT_EQ(first->width(), 289);
  box->setMyLabel(second);
  EXPECT_EQ(first->text(), "Label1");
  box->setMyLabel(nullptr);
  EXPECT_EQ(second->text(), "Label2");

  box->setMyLabel(first);
  delete first;
  EXPECT_EQ(box->myLabel(), nullptr) << "a destroyed label is detached";
  box->setMyLabel(second);
  EXPECT_EQ(second->text(), "instr");
}

}  // namespace
}  // namespace morvane::controls
