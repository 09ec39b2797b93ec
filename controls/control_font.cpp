#include "control_font.h"

#include <QFile>
#include <QFontDatabase>
#include <QString>
#include <array>

namespace morvane::controls {

namespace {

constexpr auto kFaceName = "Tahoma";

// Where Debian's fonts-wine package installs the face, outside the fontconfig paths.
constexpr std::array kBundledFaceFiles = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};

bool FaceKnown() {
  return QFontDatabase::families().contains(QString::fromLatin1(kFaceName), Qt::CaseInsensitive);
}

bool EnsureFace() {
  if (FaceKnown()) {
    return true;
  }
  for (const char* path : kBundledFaceFiles) {
    const QString file = QString::fromLatin1(path);
    if (QFile::exists(file)) {
      QFontDatabase::addApplicationFont(file);
    }
  }
  return FaceKnown();
}

}  // namespace

bool HasTahoma() {
  static const bool available = EnsureFace();
  return available;
}

QFont ControlFont() {
  HasTahoma();
  QFont font(QString::fromLatin1(kFaceName));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kControlFontPixels);
  font.setWeight(QFont::Normal);
  // Small captions in pure colours on black read best as whole pixels.
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

}  // namespace morvane::controls
