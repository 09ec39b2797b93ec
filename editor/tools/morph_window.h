#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "edit_pacer.h"
#include "library_entry.h"
#include "parammap/morph.h"
#include "preset/tmrv.h"

class QComboBox;
class QSlider;
class QLabel;

namespace morvane::editor {

class TChannelOwner;
class TFileDialog;

// A slider from preset A to preset B, each taken when chosen from a channel, the preset chosen
// in the library window, or a file. Moving it sends the preset at its position to the channel's
// preset on the module, at most once an interval, never before the last update's bytes have had
// their time on the wire, and always the last position: as edits of the values that changed
// since the last update when they cost less, else as one dump. Letting go (or a step from the
// keyboard) makes the position the channel's preset, one step to undo. Everything goes through
// the channel owner, so nothing moves while a transfer runs.
class TMorphWindow final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kSteps = 100;

  // The preset chosen in the library window, if any.
  using LibraryChoice = std::function<std::optional<TLibraryReference>()>;

  TMorphWindow(QWidget* parent, TChannelOwner& channels, int channelIndex, int presetNumber,
               const controls::TEditClock& clock, LibraryChoice libraryChoice);

  QComboBox* Source(int side) const { return FSources.at(static_cast<std::size_t>(side)); }
  QSlider* Slider() const { return FSlider; }
  TFileDialog* FileDialog() const { return FFileDialog; }
  // Updates handed to the module since the window opened.
  int UpdatesSent() const { return FUpdates; }
  int ChannelIndex() const { return FChannelIndex; }

 private:
  void Choose(int side);
  // Takes the preset of the source list's item index for side; false when the user cancelled.
  bool Take(int side, int index);
  void Moved();
  void SendUpdate();
  void Commit();
  preset::tMrv Target() const;

  TChannelOwner& FChannels;
  const int FChannelIndex;
  const int FPresetNumber;
  std::array<QComboBox*, 2> FSources{};
  std::array<preset::tMrv, 2> FPresets;
  // The source list's item that each side holds.
  std::array<int, 2> FShown{};
  QSlider* FSlider;
  QLabel* FPosition;
  TFileDialog* FFileDialog;
  LibraryChoice FLibraryChoice;
  controls::TEditPacer FPacer;
  // What the module holds from this window; nothing known before the first update when the
  // channel may differ from the module.
  std::optional<preset::tMrv> FLastSent;
  int FUpdates = 0;
};

}  // namespace morvane::editor
