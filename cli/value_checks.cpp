#include "value_checks.h"

#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "arguments.h"
#include "parammap/generic_list.h"
#include "parammap/param_map.h"
#include "preset/value_codec.h"

namespace morvane::cli {

namespace {

struct ShownRange {
  NumberRange range;
  std::string name;
};

std::string RangeText(NumberRange range) {
  return std::to_string(range.min) + ".." + std::to_string(range.max);
}

// The preset-wide controls are read from the common block, the others from a layer's.
std::optional<ShownRange> RangeShownFor(const ParamTarget& target) {
  const int parameter = target.param.high << preset::kDataByteBits | target.param.low;
  if (target.layer == kCommonLayer) {
    for (const parammap::ControlSpec& control : parammap::ControlsOn(parammap::Page::Common)) {
      if (control.parameter == parameter) {
        return ShownRange{{control.min, control.max}, parammap::FullName(control)};
      }
    }
    return std::nullopt;
  }
  for (const parammap::GenericEntry& entry : parammap::GenericParameterList()) {
    if (entry.parameter == parameter) {
      return ShownRange{{entry.min, entry.max}, entry.name};
    }
  }
  return std::nullopt;
}

}  // namespace

NumberRange EncodableRange() {
  return {preset::kMinEncodable, preset::kMaxEncodable};
}

NumberRange ExactRange() {
  return {preset::kMinExact, preset::kMaxExact};
}

int NumberIn(std::int64_t number, NumberRange range, std::string_view what,
             std::string_view rangeMeaning) {
  if (number < range.min || number > range.max) {
    throw std::out_of_range(std::string(what) + " " + std::to_string(number) + " is outside " +
                            RangeText(range) + ", " + std::string(rangeMeaning));
  }
  return static_cast<int>(number);
}

int ValueToStore(std::int64_t value, const ParamTarget& target, bool force) {
  const std::string given = "VALUE " + std::to_string(value);
  const std::string exactRange = RangeText(ExactRange());
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    throw std::out_of_range(given + " is outside " + exactRange +
                            ", the values that read back as themselves");
  }
  const int stored = static_cast<int>(value);
  const int readBack = preset::DecodeValue(preset::EncodeValue(stored));
  if (readBack != stored) {
    throw std::out_of_range(given + " would read back as " + std::to_string(readBack) + ": only " +
                            exactRange + " read back as themselves");
  }
  const std::optional<ShownRange> shown = RangeShownFor(target);
  if (!force && shown && (value < shown->range.min || value > shown->range.max)) {
    throw std::out_of_range(given + " is outside " + RangeText(shown->range) + ", the range of \"" +
                            shown->name + "\" (" + FormatParam(target.param) +
                            "); --force writes it all the same");
  }
  return stored;
}

}  // namespace morvane::cli
