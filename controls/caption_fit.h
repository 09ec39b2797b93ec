#pragma once

#include <QFont>
#include <QSize>
#include <QString>

namespace morvane::controls {

// The least stretch the fitting uses before it makes the face smaller.
inline constexpr int kNarrowestStretch = 50;

// The font in which text fits room: font itself when it fits; else the same face drawn
// narrower (stretched down to kNarrowestStretch percent), and smaller where that is not enough.
// A caption is never cut: the face shrinks until the text fits or it is one pixel high.
QFont FitCaptionFont(const QFont& font, const QString& text, QSize room);

// Whether text in font, centred in room, lies wholly inside it: its advance and its ink.
bool CaptionFits(const QFont& font, const QString& text, QSize room);

}  // namespace morvane::controls
