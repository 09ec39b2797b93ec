#pragma once

#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace morvane::editor {

class TLayoutZoom;
class TSettingsStore;

// The View menu's zoom of the main window: the steps that fit the screen are offered, the one
// chosen scales the layout and is remembered in the settings, and start-up brings it back.
class TViewZoom final {
 public:
  // steps: the menu of the steps, its actions named by ZoomActionName; layout makes the zoom of
  // the window's layout once it is first needed; settings gives the settings while there are
  // some.
  TViewZoom(QWidget& window, QMenu& steps, std::function<std::unique_ptr<TLayoutZoom>()> layout,
            std::function<TSettingsStore*()> settings);
  ~TViewZoom();
  TViewZoom(const TViewZoom&) = delete;
  TViewZoom& operator=(const TViewZoom&) = delete;

  static QString ZoomActionName(int percent);

  // Scales the whole layout to percent, one of kZoomSteps, and remembers it in the settings.
  void Set(int percent);
  int Percent() const;
  // A stored value that is no step of the menu leaves the layout as it is built; a step too
  // large for the screen now gives the largest that fits. The window opens centred either way.
  void Restore();
  // Offers only the steps that fit the screen; the layout as built is always offered.
  void ShowSteps();

  // Told of every step applied, chosen or restored: the editor's other windows follow it.
  std::function<void(int percent)> Applied;

 private:
  void Apply(int percent);
  // Whether the window at percent fits the screen's available area.
  bool Fits(int percent) const;
  TLayoutZoom& Layout();

  QWidget& FWindow;
  QMenu& FSteps;
  std::function<std::unique_ptr<TLayoutZoom>()> FMakeLayout;
  std::function<TSettingsStore*()> FSettings;
  std::unique_ptr<TLayoutZoom> FLayout;
};

}  // namespace morvane::editor
