#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "preset/byte_stream.h"

class QStatusBar;

namespace morvane::editor {

class TChannelOwner;
class TSettingsStore;

// The channel, layer and page on show, as a session keeps them.
struct TShownPlace {
  int channelIndex = 0;
  int layerIndex = 0;
  int pageIndex = 0;
};

// What the session keeper works with in the main window.
struct TSessionPlace {
  TChannelOwner& channels;
  QStatusBar& statusBar;
  // The settings while the window has them, else null.
  std::function<TSettingsStore*()> settings;
  // Reads and sets the channel, layer and page on show; setting them shows nothing yet.
  std::function<TShownPlace()> shown;
  std::function<void(const TShownPlace& place)> show;
  // The timers of the checks belong to it.
  QObject& context;
};

// Keeps the sixteen channels, and the channel, layer and page on show, between sessions: they
// are checked each second and written when they changed, and at shut-down, to the session file,
// and brought back at the next start through the channel owner, every channel marked.
class TSessionKeeper final {
 public:
  static constexpr const char* kKeepChannelsSetting = "keepchannels";
  static constexpr const char* kSessionFileSetting = "sessionfile";
  static constexpr const char* kSessionWrittenSetting = "sessionwritten";
  // How often the channels are compared with what was kept; a change is on disk within two
  // checks of it at most.
  static constexpr int kCheckMs = 1000;

  explicit TSessionKeeper(const TSessionPlace& place);

  bool Keeping() const;
  QString File() const;
  // At start-up: brings the kept channels back and starts the checks, when keeping.
  void Restore();
  // File > Keep the channels between sessions.
  void SetKeeping(bool keep);
  void KeepAtShutDown();

  // The waits between two checks; unset, single-shot timers. Tests fire them themselves.
  std::function<void(int ms, std::function<void()> then)> StartWait;

 private:
  void StartChecks();
  void WaitForCheck(int checks);
  void Keep();

  TSessionPlace FPlace;
  preset::Bytes FKept;
  int FChecks = 0;
  bool FWriteFailed = false;
};

}  // namespace morvane::editor
