#include <gtest/gtest.h>

#include <limits>

#include "control_errors.h"
#include "tdragger.h"

namespace morvane::controls {
namespace {

// A dragger configured in the order a layout stores its settings: texts first, range last.
std::unique_ptr<Tdragger> Make(int min, int max, const QString& prefix, const QString& suffix,
                               const QStringList& items = {}) {
  auto dragger = std::make_unique<Tdragger>();
  dragger->setItems(items);
  dragger->setPrefix(prefix);
  dragger->setSuffix(suffix);
  dragger->setMin(min);
  dragger->setMax(max);
  return dragger;
}

QStringList Numbered(int count) {
  QStringList items;
  for (int i = 0; i < count; ++i) {
    items << QString("d%1").arg(i);
  }
  return items;
}

TEST(DraggerCaption, FollowsPrefixSuffixItemsAndThePlusSignRule) {
  struct Case {
    std::unique_ptr<Tdragger> dragger;
    int value;
    QString caption;
  };
  Case cases[] = {
      {Make(-96, 10, "vol:", "dB"), 0, "vol:+0dB"},
      {Make(-96, 10, "vol:", "dB"), -12, "vol:-12dB"},
      {Make(0, 100, "chr:", "%"), 50, "chr:50%"},
      {Make(-100, 100, "", ""), 3, "+3"},
      {Make(-100, 100, "", ""), -3, "-3"},
      {Make(-10, 0, "n:", ""), 0, "n:0"},  // a range not reaching above 0 is not signed
      {Make(-1, 127, "A:", "", {"off"}), -1, "A:off"},
      {Make(-1, 127, "A:", "", {"off"}), 7, "A:+7"},
      {Make(-25, 127, "dlay:", "s", Numbered(25)), -25, "dlay:d0s"},
      {Make(-25, 127, "dlay:", "s", Numbered(25)), -1, "dlay:d24s"},
      {Make(-25, 127, "dlay:", "s", Numbered(25)), 0, "dlay:+0s"},
      {Make(1, 2, "", "", {"time", "clock"}), 1, "time"},   // items count from Min
      {Make(0, 1, "ntrsp:", "!", {"off", "on"}), 1, "on"},  // covering items stand alone
  };
  for (auto& [dragger, value, caption] : cases) {
    dragger->setPosition(value);
    EXPECT_EQ(dragger->Caption(), caption);
  }
}

TEST(DraggerCaption, AllowPrefixSuffixOffShowsTheBareItemOrNumber) {
  auto knob = Make(-1, 127, "A:", "x", {"off"});
  knob->setAllowPrefixSuffix(false);
  knob->setPosition(-1);
  EXPECT_EQ(knob->Caption(), "off");
  knob->setPosition(5);
  EXPECT_EQ(knob->Caption(), "5");
}

TEST(DraggerCaption, RefusesValuesOutsideTheRangeAndKeepsItWhenItemsOutnumberValues) {
  auto dragger = Make(-5, 5, "v:", "");
  dragger->setPosition(3);
  for (int refused : {6, -6, std::numeric_limits<int>::min()}) {
    dragger->setPosition(refused);
    EXPECT_EQ(dragger->Position(), 3);
    EXPECT_EQ(dragger->Caption(), "v:+3");
  }
  auto crowded = Make(0, 1, "p:", "", {"a", "b", "c"});
  crowded->setPosition(1);
  EXPECT_EQ(crowded->Position(), 1);
  EXPECT_EQ(crowded->Caption(), "p:a") << "built while the range was still 0..127";
}

TEST(DraggerCaption, ItemsAndTextsRebuildTheCaptionOnlyWhenTheRulesSaySo) {
  auto dragger = Make(0, 2, "s:", "");
  dragger->setPosition(1);
  dragger->setItems({"x", "y"});
  EXPECT_EQ(dragger->Caption(), "s:1") << "two lines for three values";
  dragger->setItems({"lo", "mid", "hi"});
  EXPECT_EQ(dragger->Caption(), "mid");
  dragger->setItems({});
  dragger->setPrefix("q:");
  EXPECT_EQ(dragger->Caption(), "mid") << "texts wait for the next Position";
  dragger->setPosition(2);
  EXPECT_EQ(dragger->Caption(), "q:2");
}

TEST(DraggerCaption, MinAndMaxSettersFollowTheirOrderOfSteps) {
  Tdragger dragger;
  dragger.setPosition(100);
  dragger.setMin(200);  // above Max: the position follows, the caption refuses it
  EXPECT_EQ(dragger.Min(), 200);
  EXPECT_EQ(dragger.Position(), 200);
  EXPECT_EQ(dragger.Caption(), "100");
  dragger.setMin(50);  // with Max below Min, Min takes Max's value
  EXPECT_EQ(dragger.Min(), 127);

  Tdragger lowered;
  lowered.setPosition(90);
  lowered.setMax(40);
  EXPECT_EQ(lowered.Position(), 40);
  EXPECT_EQ(lowered.Caption(), "40");
  lowered.setMin(60);
  lowered.setMax(10);  // Min above Max: Max becomes Min
  EXPECT_EQ(lowered.Max(), 60);
  EXPECT_EQ(lowered.Caption(), "60");
}

TEST(DraggerCaption, RangesWiderThanAnIntCountTheirValuesWithoutWrapping) {
  constexpr int kLowest = std::numeric_limits<int>::min();
  constexpr int kHighest = std::numeric_limits<int>::max();
  auto whole = Make(kLowest, kHighest, "w:", "");
  whole->setPosition(5);
  EXPECT_EQ(whole->Caption(), "w:+5");
  whole->setItems({"first"});
  whole->setPosition(kLowest);
  EXPECT_EQ(whole->Caption(), "w:first");

  auto upper = Make(-1, kHighest, "", "");
  upper->setPosition(kHighest);
  EXPECT_EQ(upper->Caption(), "+" + QString::number(kHighest));
}

TEST(DraggerCaptionCtrl, ReadsTheNumberAfterTheBarOrFailsAsTheListWould) {
  Tdragger dragger;
  EXPECT_EQ(dragger.CaptionCtrl(), 0) << "no items";
  dragger.setItems({"Pitch|48", "plain", "spaced| -7 ", "hex|$1F", "two|bars|2", "word|x"});
  const int expected[] = {48, 0, -7, 31};
  for (int position = 0; position < 4; ++position) {
    dragger.setPosition(position);
    EXPECT_EQ(dragger.CaptionCtrl(), expected[position]);
  }
  dragger.setPosition(4);
  EXPECT_THROW(dragger.CaptionCtrl(), EConvertError);
  dragger.setPosition(5);
  try {
    dragger.CaptionCtrl();
    ADD_FAILURE() << "no conversion error";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "'x' is not a valid integer value");
  }
  dragger.setPosition(6);
  EXPECT_THROW(dragger.CaptionCtrl(), EListError);
}

}  // namespace
}  // namespace morvane::controls
