#include <string>

#include "parammap/param_map.h"

namespace morvane::parammap {

long long RangeCount(int min, int max) {
  return max >= min ? static_cast<long long>(max) - min + 1 : 0;
}

std::optional<std::string> CaptionFor(const CaptionSettings& settings, int value) {
  if (value > settings.max || value < settings.min) {
    return std::nullopt;
  }
  const auto itemCount = static_cast<long long>(settings.items.size());
  const long long rangeCount = RangeCount(settings.min, settings.max);
  const auto index = static_cast<std::size_t>(static_cast<long long>(value) - settings.min);
  if (itemCount > rangeCount) {
    return std::nullopt;
  }
  if (itemCount == rangeCount) {
    return std::string(settings.items[index]);
  }
  if (index < settings.items.size()) {
    const std::string_view item = settings.items[index];
    if (!settings.allowPrefixSuffix) {
      return std::string(item);
    }
    std::string caption(settings.prefix);
    caption.append(item).append(settings.suffix);
    return caption;
  }
  const std::string number = std::to_string(value);
  if (!settings.allowPrefixSuffix) {
    return number;
  }
  const bool signedRange = settings.min < 0 && settings.max > 0;
  std::string caption(settings.prefix);
  if (signedRange && value >= 0) {
    caption += '+';
  }
  caption.append(number).append(settings.suffix);
  return caption;
}

CaptionSettings CaptionSettingsOf(const ControlSpec& control, ItemList items) {
  return CaptionSettings{control.min,    control.max,    items,
                         control.prefix, control.suffix, control.allowPrefixSuffix};
}

}  // namespace morvane::parammap
