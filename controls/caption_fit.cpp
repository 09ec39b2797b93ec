#include "caption_fit.h"

#include <QFontMetrics>
#include <algorithm>

namespace morvane::controls {

namespace {

constexpr int kFullStretch = 100;
// Stretches in steps, so that the faces drawn are few and the toolkit's cache keeps them.
constexpr int kStretchStep = 5;

int PixelSizeOf(const QFont& font) {
  if (font.pixelSize() > 0) {
    return font.pixelSize();
  }
  return QFontMetrics(font).height();
}

}  // namespace

// The ink is placed as a centred caption places it: the advance and the line centred in the
// room, the ink around the baseline.
bool CaptionFits(const QFont& font, const QString& text, QSize room) {
  const QFontMetrics metrics(font);
  const int advance = metrics.horizontalAdvance(text);
  const QRect ink = metrics.boundingRect(text);
  const double left = (room.width() - advance) / 2.0 + ink.left();
  const double right = left + ink.width();
  const double baseline = (room.height() - metrics.height()) / 2.0 + metrics.ascent();
  const double top = baseline + ink.top();
  const double bottom = top + ink.height();
  return advance <= room.width() && left >= 0 && right <= room.width() && top >= 0 &&
         bottom <= room.height();
}

QFont FitCaptionFont(const QFont& font, const QString& text, QSize room) {
  if (text.isEmpty() || room.isEmpty() || CaptionFits(font, text, room)) {
    return font;
  }
  QFont fitted = font;
  // Whole pixels lose thin glyphs (a colon) once the face is drawn narrower.
  fitted.setStyleStrategy(QFont::PreferAntialias);
  for (int pixels = PixelSizeOf(font); pixels >= 1; --pixels) {
    fitted.setPixelSize(pixels);
    fitted.setStretch(kFullStretch);
    const QFontMetrics metrics(fitted);
    const int advance = std::max(1, metrics.boundingRect(text).width());
    // The step below the stretch that the width asks for, then narrower until the hinted glyphs
    // fit.
    int stretch = std::min(kFullStretch - kStretchStep, kFullStretch * room.width() / advance);
    stretch -= stretch % kStretchStep;
    for (; stretch >= kNarrowestStretch; stretch -= kStretchStep) {
      fitted.setStretch(stretch);
      if (CaptionFits(fitted, text, room)) {
        return fitted;
      }
    }
  }
  return fitted;
}

}  // namespace morvane::controls
