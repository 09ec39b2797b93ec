#include "zoom.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace morvane::editor {

namespace {

int Scaled(int length, int percent) {
  return static_cast<int>(std::lround(static_cast<double>(length) * percent / kNormalZoom));
}

QFont ScaledFont(const QFont& font, int percent) {
  QFont scaled = font;
  if (font.pixelSize() > 0) {
    scaled.setPixelSize(std::max(1, Scaled(font.pixelSize(), percent)));
  } else {
    scaled.setPointSizeF(font.pointSizeF() * percent / kNormalZoom);
  }
  return scaled;
}

}  // namespace

TLayoutZoom::TLayoutZoom(QWidget& client, std::vector<QWidget*> placedParents)
    : FClient(client), FPlacedParents(std::move(placedParents)) {}

void TLayoutZoom::TakeReference() {
  FClientSize = FClient.size();
  for (QWidget* parent : FPlacedParents) {
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!child->isWindow()) {
        FPlaces.push_back({child, child->geometry()});
      }
    }
  }
  FFonts.push_back({&FClient, FClient.font()});
  for (QWidget* widget : FClient.findChildren<QWidget*>()) {
    if (!widget->isWindow()) {
      FFonts.push_back({widget, widget->font()});
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
      entry.widget->setFont(percent == kNormalZoom ? entry.font : ScaledFont(entry.font, percent));
    }
  }
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
