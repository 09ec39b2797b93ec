#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace morvane::parammap {

// The three envelopes of a layer, in the order of their rows on the Layer page.
enum class EnvelopeKind { Amplifier, Filter, Auxiliary };
inline constexpr int kEnvelopeCount = 3;

// The six stages that have a rate and a level, in the order the envelope runs them.
enum class EnvelopeStage { Attack1, Attack2, Decay1, Decay2, Release1, Release2 };
inline constexpr int kEnvelopeStageCount = 6;

inline constexpr int kEnvelopeRateMin = 0;
inline constexpr int kEnvelopeRateMax = 127;
inline constexpr int kEnvelopeLevelMax = 100;

struct EnvelopeStageValues {
  int rate = 0;
  int level = 0;
};

// The rates and levels of one envelope, indexed by EnvelopeStage.
using EnvelopeValues = std::array<EnvelopeStageValues, kEnvelopeStageCount>;

// The parameter numbers of a stage's rate and level controls.
struct EnvelopeParameters {
  int rate;
  int level;
};
EnvelopeParameters EnvelopeParametersOf(EnvelopeKind kind, EnvelopeStage stage);

// The amplifier's levels run from the floor (0..100 %), the others about a zero line
// (-100..100 %).
int EnvelopeLevelMin(EnvelopeKind kind);

// The short name the stage's controls carry ("A1") and its name in words ("Attack 1").
std::string_view StageShortName(EnvelopeStage stage);
std::string_view StageName(EnvelopeStage stage);

// Where each part of the drawn shape ends. The shape starts at (0, 0); the segment that ends at
// point i + 1 belongs to part i: the four stages before the sustain, the sustain, the two
// release stages.
enum class ShapePart { Attack1, Attack2, Decay1, Decay2, Sustain, Release1, Release2 };
inline constexpr int kShapePartCount = 7;
inline constexpr int kShapePointCount = kShapePartCount + 1;

struct ShapePoint {
  double x;  // in widths of a stage at the highest rate, from the start
  double y;  // level in percent
};

struct EnvelopeShape {
  std::array<ShapePoint, kShapePointCount> points;
  double levelMin;
  double levelMax;
};

// The shape shows order and proportion, not seconds: the module's rate-to-time table is not
// ours to know. A stage's width grows with its rate in one linear rule, from a sixteenth of a
// full stage at rate 0 to a full stage at rate 127, so that a stage at rate 0 stays visible.
// The sustain holds the second decay's level for one full stage. Rates and levels outside their
// ranges are drawn at the nearest end.
inline constexpr double kStageWidthAtRateMin = 1.0 / 16.0;
inline constexpr double kSustainWidth = 1.0;
// The widest shape: six stages at the highest rate and the sustain.
inline constexpr double kShapeWidthMax = kEnvelopeStageCount + kSustainWidth;

double StageWidth(int rate);
EnvelopeShape ShapeOf(EnvelopeKind kind, const EnvelopeValues& values);

// The part of the shape at x (in the shape's units), the last part beyond its end.
ShapePart PartAt(const EnvelopeShape& shape, double x);
// The stage a part of the shape draws; nullopt for the sustain, which has no controls of its
// own and holds the second decay's level.
std::optional<EnvelopeStage> StageOf(ShapePart part);

}  // namespace morvane::parammap
