#include <gtest/gtest.h>

#include <cstddef>
#include <string_view>

#include "parammap/envelope_shape.h"

namespace morvane::parammap {
namespace {

using Kind = EnvelopeKind;
using Stage = EnvelopeStage;

// Every stage but the one a row sets stands at a middle rate and a level of its own sign.
EnvelopeValues MiddleValues() {
  return {{{64, 90}, {64, 70}, {64, 50}, {64, 30}, {64, 10}, {64, 5}}};
}

// The point where a stage ends: the sustain's end comes between the decays and the releases.
std::size_t EndPointOf(Stage stage) {
  const auto index = static_cast<std::size_t>(stage);
  return index < 4 ? index + 1 : index + 2;
}

struct ShapeRow {
  std::string_view what;
  Kind kind;
  Stage stage;
  int rate;
  int level;
  double width;       // of the stage's segment
  double drawnLevel;  // where the stage ends
  int rateParameter;  // the control the rate comes from; its level is the next parameter
};

constexpr double kFull = 1.0;
constexpr double kLeast = 1.0 / 16.0;

const ShapeRow kShapeRows[] = {
    {"amp A1 rate 0", Kind::Amplifier, Stage::Attack1, 0, 100, kLeast, 100, 1794},
    {"amp A1 rate 127", Kind::Amplifier, Stage::Attack1, 127, 100, kFull, 100, 1794},
    {"amp A2 rate 0", Kind::Amplifier, Stage::Attack2, 0, 0, kLeast, 0, 1800},
    {"amp A2 rate 127", Kind::Amplifier, Stage::Attack2, 127, 0, kFull, 0, 1800},
    {"amp D1 rate 0", Kind::Amplifier, Stage::Decay1, 0, 50, kLeast, 50, 1796},
    {"amp D1 rate 127", Kind::Amplifier, Stage::Decay1, 127, 50, kFull, 50, 1796},
    {"amp D2 below the floor", Kind::Amplifier, Stage::Decay2, 0, -100, kLeast, 0, 1802},
    {"amp D2 above the top", Kind::Amplifier, Stage::Decay2, 127, 101, kFull, 100, 1802},
    {"amp R1 rate 0", Kind::Amplifier, Stage::Release1, 0, 1, kLeast, 1, 1798},
    {"amp R2 rate 127", Kind::Amplifier, Stage::Release2, 127, 0, kFull, 0, 1804},
    {"filter A1 at -100", Kind::Filter, Stage::Attack1, 0, -100, kLeast, -100, 1807},
    {"filter A2 at 100", Kind::Filter, Stage::Attack2, 127, 100, kFull, 100, 1813},
    {"filter D1 negative", Kind::Filter, Stage::Decay1, 0, -1, kLeast, -1, 1809},
    {"filter D2 zero sustain", Kind::Filter, Stage::Decay2, 127, 0, kFull, 0, 1815},
    {"filter R1 below its range", Kind::Filter, Stage::Release1, 0, -101, kLeast, -100, 1811},
    {"filter R2 rate 127", Kind::Filter, Stage::Release2, 127, -50, kFull, -50, 1817},
    {"aux A1 rate 127", Kind::Auxiliary, Stage::Attack1, 127, 1, kFull, 1, 1820},
    {"aux A2 rate 0", Kind::Auxiliary, Stage::Attack2, 0, -100, kLeast, -100, 1826},
    {"aux D1 rate 127", Kind::Auxiliary, Stage::Decay1, 127, 100, kFull, 100, 1822},
    {"aux D2 negative sustain", Kind::Auxiliary, Stage::Decay2, 0, -30, kLeast, -30, 1828},
    {"aux R1 rate 127", Kind::Auxiliary, Stage::Release1, 127, 0, kFull, 0, 1824},
    {"aux R2 rate below 0", Kind::Auxiliary, Stage::Release2, -5, 100, kLeast, 100, 1830},
    {"aux R2 rate above 127", Kind::Auxiliary, Stage::Release2, 200, -100, kFull, -100, 1830},
};

TEST(EnvelopeShapeTest, EachStageEndsAtItsLevelAfterAWidthThatGrowsWithItsRate) {
  for (const ShapeRow& row : kShapeRows) {
    SCOPED_TRACE(row.what);
    EnvelopeValues values = MiddleValues();
    values.at(static_cast<std::size_t>(row.stage)) = {row.rate, row.level};
    const EnvelopeShape shape = ShapeOf(row.kind, values);

    const EnvelopeParameters parameters = EnvelopeParametersOf(row.kind, row.stage);
    EXPECT_EQ(parameters.rate, row.rateParameter);
    EXPECT_EQ(parameters.level, row.rateParameter + 1);

    const std::size_t end = EndPointOf(row.stage);
    EXPECT_DOUBLE_EQ(shape.points.at(end).x - shape.points.at(end - 1).x, row.width);
    EXPECT_DOUBLE_EQ(shape.points.at(end).y, row.drawnLevel);

    // The sustain holds the second decay's level for one full stage.
    const auto sustain = static_cast<std::size_t>(ShapePart::Sustain);
    EXPECT_DOUBLE_EQ(shape.points.at(sustain + 1).y, shape.points.at(sustain).y);
    EXPECT_DOUBLE_EQ(shape.points.at(sustain + 1).x - shape.points.at(sustain).x, kSustainWidth);

    EXPECT_DOUBLE_EQ(shape.levelMin, row.kind == Kind::Amplifier ? 0.0 : -100.0);
    EXPECT_DOUBLE_EQ(shape.levelMax, 100.0);
    EXPECT_DOUBLE_EQ(shape.points.front().x, 0.0);
    EXPECT_DOUBLE_EQ(shape.points.front().y, 0.0);
    for (std::size_t point = 1; point < shape.points.size(); ++point) {
      EXPECT_GT(shape.points.at(point).x, shape.points.at(point - 1).x) << point;
      EXPECT_GE(shape.points.at(point).y, shape.levelMin) << point;
      EXPECT_LE(shape.points.at(point).y, shape.levelMax) << point;
    }
    EXPECT_LE(shape.points.back().x, kShapeWidthMax);

    // Hovering the middle of the stage's segment names the stage.
    const double middle = (shape.points.at(end - 1).x + shape.points.at(end).x) / 2;
    EXPECT_EQ(StageOf(PartAt(shape, middle)), row.stage);
  }
}

TEST(EnvelopeShapeTest, WidthGrowsWithEveryStepOfTheRate) {
  for (int rate = kEnvelopeRateMin; rate < kEnvelopeRateMax; ++rate) {
    EXPECT_LT(StageWidth(rate), StageWidth(rate + 1)) << rate;
  }
  const EnvelopeShape widest = ShapeOf(
      Kind::Filter, EnvelopeValues{{{127, 0}, {127, 0}, {127, 0}, {127, 0}, {127, 0}, {127, 0}}});
  EXPECT_DOUBLE_EQ(widest.points.back().x, kShapeWidthMax);
  EXPECT_EQ(PartAt(widest, 4.5), ShapePart::Sustain);
  EXPECT_EQ(StageOf(ShapePart::Sustain), std::nullopt);
  EXPECT_EQ(PartAt(widest, kShapeWidthMax + 1), ShapePart::Release2);
}

}  // namespace
}  // namespace morvane::parammap
