#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parammap/param_map.h"

namespace morvane::controls {

using parammap::RangeCount;

// Standard-string copies of a control's texts for the caption rule it shares with the
// parameter map, kept beside the control's own texts so that a caption, rebuilt on every
// step of a drag, converts no item list.
class CaptionTexts {
 public:
  CaptionTexts() = default;
  CaptionTexts(const CaptionTexts&) = delete;
  CaptionTexts& operator=(const CaptionTexts&) = delete;

  void SetItems(const QStringList& items);
  void SetPrefix(const QString& prefix) { FPrefix = prefix.toStdString(); }
  void SetSuffix(const QString& suffix) { FSuffix = suffix.toStdString(); }

  // The caption for value, or nullopt when the caption stays as it is: the value lies outside
  // min..max, or there are more items than values.
  std::optional<QString> CaptionFor(int min, int max, bool allowPrefixSuffix, int value) const;

 private:
  std::vector<std::string> FItems;
  std::vector<std::string_view> FItemViews;  // into FItems
  std::string FPrefix;
  std::string FSuffix;
};

// The number after the last "|" of an item ("Pitch|48" gives 48), 0 without a "|".
// Throws EConvertError when a part after a "|" is not a number.
int ItemNumber(const QString& item);

}  // namespace morvane::controls
