#include "dragger_caption.h"

#include "number_text.h"

namespace morvane::controls {

namespace {

constexpr QChar kItemNumberMark = u'|';

}  // namespace

long long RangeCount(int min, int max) {
  return max >= min ? static_cast<long long>(max) - min + 1 : 0;
}

std::optional<QString> CaptionFor(const CaptionSettings& settings, int value) {
  if (value > settings.max || value < settings.min) {
    return std::nullopt;
  }
  const qsizetype itemCount = settings.items != nullptr ? settings.items->size() : 0;
  const long long rangeCount = RangeCount(settings.min, settings.max);
  const qsizetype index = static_cast<qsizetype>(value) - settings.min;
  if (itemCount > rangeCount) {
    return std::nullopt;
  }
  if (itemCount == rangeCount) {
    return settings.items->at(index);
  }
  if (index < itemCount) {
    const QString& item = settings.items->at(index);
    return settings.allowPrefixSuffix ? settings.prefix + item + settings.suffix : item;
  }
  const QString number = QString::number(value);
  if (!settings.allowPrefixSuffix) {
    return number;
  }
  const bool signedRange = settings.min < 0 && settings.max > 0;
  const QString sign = signedRange && value >= 0 ? QStringLiteral("+") : QString();
  return settings.prefix + sign + number + settings.suffix;
}

int ItemNumber(const QString& item) {
  int result = 0;
  for (qsizetype at = item.indexOf(kItemNumberMark); at >= 0;
       at = item.indexOf(kItemNumberMark, at + 1)) {
    result = ParseInteger(item.mid(at + 1));
  }
  return result;
}

}  // namespace morvane::controls
