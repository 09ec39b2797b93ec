#include "zoom.h"

#include <QFont>
#include <QScreen>
#include <QString>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace morvane::editor {

namespace {

int Scaled(int length, int percent) {
  return static_cast<int>(std::lround(static_cast<double>(length) * percent / kNormalZoom));
}

void SetFontSize(QWidget& widget, int pixelSize, qreal pointSize, int percent) {
  QFont font = widget.font();
  if (pixelSize > 0) {
    font.setPixelSize(std::max(1, Scaled(pixelSize, percent)));
  } else {
    font.setPointSizeF(pointSize * percent / kNormalZoom);
  }
  widget.setFont(font);
}

// Before the window is first shown the system has not told its frame yet: room for a title bar
// and borders is kept all the same.
constexpr int kAssumedFrameWidth = 16;
constexpr int kAssumedFrameHeight = 40;

std::function<QRect(const QWidget&)>& ScreenAreaSource() {
  static std::function<QRect(const QWidget&)> source;
  return source;
}

}  // namespace

QRect ScreenArea(const QWidget& window) {
  if (const auto& source = ScreenAreaSource()) {
    return source(window);
  }
  const QScreen* screen = window.screen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

void SetScreenArea(std::function<QRect(const QWidget& window)> area) {
  ScreenAreaSource() = std::move(area);
}

QSize ZoomedFrameSize(const QWidget& window, int percent, int toPercent) {
  QSize frame = window.frameGeometry().size() - window.size();
  if (frame.isEmpty()) {
    frame = QSize(kAssumedFrameWidth, kAssumedFrameHeight);
  }
  const QSize inside = window.size();
  return QSize(static_cast<int>(
                   std::lround(static_cast<double>(inside.width()) * toPercent / percent)),
               static_cast<int>(
                   std::lround(static_cast<double>(inside.height()) * toPercent / percent))) +
         frame;
}

TLayoutZoom::TLayoutZoom(QWidget& client, std::vector<QWidget*> placedParents,
                         std::vector<QWidget*> alsoFonts)
    : FClient(client), FPlacedParents(std::move(placedParents)), FAlsoFonts(std::move(alsoFonts)) {}

void TLayoutZoom::TakeReference() {
  FClientSize = FClient.size();
  for (QWidget* parent : FPlacedParents) {
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!child->isWindow()) {
        FPlaces.push_back({child, child->geometry()});
      }
    }
  }
  FIndicatorSize = FClient.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &FClient);
  FFonts.push_back({&FClient, FClient.font().pixelSize(), FClient.font().pointSizeF()});
  for (QWidget* widget : FAlsoFonts) {
    FFonts.push_back({widget, widget->font().pixelSize(), widget->font().pointSizeF()});
  }
  for (QWidget* widget : FClient.findChildren<QWidget*>()) {
    if (!widget->isWindow()) {
      FFonts.push_back({widget, widget->font().pixelSize(), widget->font().pointSizeF()});
    }
  }
  FHasReference = true;
}

void TLayoutZoom::Apply(int percent) {
  if (std::ranges::find(kZoomSteps, percent) == kZoomSteps.end()) {
    throw std::invalid_argument("No zoom step of " + std::to_string(percent) + "%");
  }
  if (!FHasReference) {
    if (percent == kNormalZoom) {
      return;
    }
    TakeReference();
  }
  // Fonts first: the radio groups arrange their buttons by their font when they are resized.
  for (const TFontSize& entry : FFonts) {
    if (entry.widget) {
      SetFontSize(*entry.widget, entry.pixelSize, entry.pointSize, percent);
    }
  }
  // The style draws the check and radio marks at a fixed size; a style sheet sizes them with
  // the text. At 100% the sheet goes, and the style draws them as the layout was built.
  FClient.setStyleSheet(percent == kNormalZoom
                            ? QString()
                            : QStringLiteral("QCheckBox::indicator, QRadioButton::indicator "
                                             "{ width: %1px; height: %1px; }")
                                  .arg(Scaled(FIndicatorSize, percent)));
  FClient.setFixedSize(Scaled(FClientSize.width(), percent), Scaled(FClientSize.height(), percent));
  for (const TPlace& place : FPlaces) {
    if (place.widget) {
      const QRect& at = place.geometry;
      place.widget->setGeometry(Scaled(at.left(), percent), Scaled(at.top(), percent),
                                Scaled(at.width(), percent), Scaled(at.height(), percent));
    }
  }
  FPercent = percent;
}

}  // namespace morvane::editor
