#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>

#include "parammap/randomize.h"

class QAction;

namespace morvane::editor {

class TForm1;
class TMorphWindow;

// The Edit menu's ways to find new sounds from the current channel's preset: Randomize with an
// amount and a scope, again with the seed last used, and the morph between two presets. Each
// change is one step to undo and goes through the channel owner, which refuses it while a
// transfer runs.
class TVariations final : public QObject {
  Q_OBJECT

 public:
  explicit TVariations(TForm1& form);

  QAction* Randomize1 = nullptr;
  QAction* RandomizeAgain1 = nullptr;
  QAction* Morph1 = nullptr;

  // The seed of each new randomize; tests put in their own.
  std::function<std::uint32_t()> NewSeed;

  // Randomizes the current channel as asked, at once.
  void Randomize(const parammap::RandomizeRequest& request);
  // The morph window while it is open, else null.
  TMorphWindow* MorphWindow() const;

 private:
  void Randomize1Click();
  void RandomizeAgain1Click();
  void Morph1Click();
  int ShownLayer() const;

  TForm1& FForm;
  std::optional<parammap::RandomizeRequest> FLast;
  QPointer<TMorphWindow> FMorph;
};

}  // namespace morvane::editor
