#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace morvane::controls {

// What a value control shows depends on these settings only.
struct CaptionSettings {
  int min = 0;
  int max = 0;
  const QStringList* items = nullptr;
  QString prefix;
  QString suffix;
  bool allowPrefixSuffix = true;
};

// Number of values in min..max; 0 for an empty range. Counted in 64 bits: the widest int
// range holds more values than an int can count.
long long RangeCount(int min, int max);

// The caption for value, or nullopt when the caption stays as it is: the value lies outside
// min..max, or there are more items than values.
std::optional<QString> CaptionFor(const CaptionSettings& settings, int value);

// The number after the last "|" of an item ("Pitch|48" gives 48), 0 without a "|".
// Throws EConvertError when a part after a "|" is not a number.
int ItemNumber(const QString& item);

}  // namespace morvane::controls
