#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

namespace morvane::editor {

// The steps the View menu offers, in percent of the layout.
inline constexpr std::array<int, 5> kZoomSteps{100, 125, 150, 200, 300};
inline constexpr int kNormalZoom = 100;

// The area of the screen that a window may fill: its screen's available area, unless tests
// have put in one of their own (SetScreenArea; an empty function gives the screen's back).
QRect ScreenArea(const QWidget& window);
void SetScreenArea(std::function<QRect(const QWidget& window)> area);

// The outer size of window once its client and menu bar, now at percent, are at toPercent; the
// frame that the system draws around it stays as it is.
QSize ZoomedFrameSize(const QWidget& window, int percent, int toPercent);

// Scales a fixed layout: the client's size, the places of the widgets laid out by hand and the
// font of every widget on it. Each step is computed from the places and fonts of the layout as
// built, never from the previous step, so that going back to 100% restores them exactly and
// every step is drawn at its own size rather than stretched.
class TLayoutZoom {
 public:
  // client: the fixed-size area; placedParents: the widgets whose children sit at places of
  // their own (the client among them), as opposed to those a layout or their owner arranges;
  // alsoFonts: widgets outside the client whose fonts scale with it (the menu bar).
  TLayoutZoom(QWidget& client, std::vector<QWidget*> placedParents,
              std::vector<QWidget*> alsoFonts = {});

  // percent must be one of kZoomSteps; others throw.
  void Apply(int percent);
  int Percent() const { return FPercent; }

 private:
  struct TPlace {
    QPointer<QWidget> widget;
    QRect geometry;
  };
  // The size only: a widget may change its face's other traits meanwhile (a value control
  // turns bold while it has the focus).
  struct TFontSize {
    QPointer<QWidget> widget;
    int pixelSize;  // -1 where the size is given in points
    qreal pointSize;
  };

  void TakeReference();

  QWidget& FClient;
  std::vector<QWidget*> FPlacedParents;
  std::vector<QWidget*> FAlsoFonts;
  int FIndicatorSize = 0;
  QSize FClientSize;
  std::vector<TPlace> FPlaces;
  std::vector<TFontSize> FFonts;
  bool FHasReference = false;
  int FPercent = kNormalZoom;
};

}  // namespace morvane::editor
