#include "dragger_caption.h"

#include "number_text.h"

namespace morvane::controls {

namespace {

constexpr QChar kItemNumberMark = u'|';

}  // namespace

void CaptionTexts::SetItems(const QStringList& items) {
  FItems.clear();
  FItems.reserve(static_cast<std::size_t>(items.size()));
  for (const QString& item : items) {
    FItems.push_back(item.toStdString());
  }
  FItemViews.assign(FItems.begin(), FItems.end());
}

std::optional<QString> CaptionTexts::CaptionFor(int min, int max, bool allowPrefixSuffix,
                                                int value) const {
  const parammap::CaptionSettings settings{min,     max,     FItemViews,
                                           FPrefix, FSuffix, allowPrefixSuffix};
  const auto caption = parammap::CaptionFor(settings, value);
  if (!caption) {
    return std::nullopt;
  }
  return QString::fromStdString(*caption);
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
