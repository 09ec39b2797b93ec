#include "envelope_shape.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace morvane::parammap {

namespace {

// The parameter number of each envelope's first attack rate; the others follow from it.
constexpr std::array<int, kEnvelopeCount> kEnvelopeBase{1794, 1807, 1820};
// Offsets from the base of each stage's rate, in EnvelopeStage order; its level follows it.
constexpr std::array<int, kEnvelopeStageCount> kRateOffset{0, 6, 2, 8, 4, 10};

// The sustain comes between the second decay and the first release.
constexpr std::size_t kSustainPart = static_cast<std::size_t>(ShapePart::Sustain);

std::size_t IndexOf(EnvelopeStage stage) {
  return static_cast<std::size_t>(stage);
}

}  // namespace

EnvelopeParameters EnvelopeParametersOf(EnvelopeKind kind, EnvelopeStage stage) {
  const int rate =
      kEnvelopeBase.at(static_cast<std::size_t>(kind)) + kRateOffset.at(IndexOf(stage));
  return {rate, rate + 1};
}

int EnvelopeLevelMin(EnvelopeKind kind) {
  return kind == EnvelopeKind::Amplifier ? 0 : -kEnvelopeLevelMax;
}

std::string_view StageShortName(EnvelopeStage stage) {
  constexpr std::array<std::string_view, kEnvelopeStageCount> kNames{"A1", "A2", "D1",
                                                                     "D2", "R1", "R2"};
  return kNames.at(IndexOf(stage));
}

std::string_view StageName(EnvelopeStage stage) {
  constexpr std::array<std::string_view, kEnvelopeStageCount> kNames{
      "Attack 1", "Attack 2", "Decay 1", "Decay 2", "Release 1", "Release 2"};
  return kNames.at(IndexOf(stage));
}

double StageWidth(int rate) {
  const int clamped = std::clamp(rate, kEnvelopeRateMin, kEnvelopeRateMax);
  return kStageWidthAtRateMin + (1.0 - kStageWidthAtRateMin) * (clamped - kEnvelopeRateMin) /
                                    (kEnvelopeRateMax - kEnvelopeRateMin);
}

EnvelopeShape ShapeOf(EnvelopeKind kind, const EnvelopeValues& values) {
  EnvelopeShape shape{};
  shape.levelMin = EnvelopeLevelMin(kind);
  shape.levelMax = kEnvelopeLevelMax;
  const auto level = [&](EnvelopeStage stage) {
    return static_cast<double>(
        std::clamp(values.at(IndexOf(stage)).level, EnvelopeLevelMin(kind), kEnvelopeLevelMax));
  };
  ShapePoint at{0.0, 0.0};
  std::size_t point = 0;
  shape.points.at(point++) = at;
  for (std::size_t index = 0; index < values.size(); ++index) {
    if (index == kSustainPart) {
      at.x += kSustainWidth;
      shape.points.at(point++) = at;
    }
    const auto stage = static_cast<EnvelopeStage>(index);
    at = {at.x + StageWidth(values.at(index).rate), level(stage)};
    shape.points.at(point++) = at;
  }
  return shape;
}

ShapePart PartAt(const EnvelopeShape& shape, double x) {
  for (int part = 0; part < kShapePartCount; ++part) {
    if (x < shape.points.at(static_cast<std::size_t>(part + 1)).x) {
      return static_cast<ShapePart>(part);
    }
  }
  return ShapePart::Release2;
}

std::optional<EnvelopeStage> StageOf(ShapePart part) {
  if (part == ShapePart::Sustain) {
    return std::nullopt;
  }
  const auto index = static_cast<std::size_t>(part);
  return static_cast<EnvelopeStage>(index < kSustainPart ? index : index - 1);
}

}  // namespace morvane::parammap
