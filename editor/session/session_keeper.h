#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <future>
#include <memory>

#include "preset/byte_stream.h"
#include "session_file.h"

class QStatusBar;

namespace morvane::editor {

class TChannelOwner;
class TChannelReferences;
class TSettingsStore;

// The channel, layer and page on show, as a session keeps them.
struct TShownPlace {
  int channelIndex = 0;
  int layerIndex = 0;
  int pageIndex = 0;
};

// Whether this editor may keep the channels: only the editor that holds their lock may.
struct TKeepingRight {
  bool mayKeep = true;
  // Shown on the status bar when it may not.
  QString whyNot;
  // Shown on the status bar at start when it may: why later starts may not find this editor.
  QString startProblem;
};

// The answers to a session that could not be written at close.
enum class TFailedKeepAnswer { Retry, SaveAsBank, QuitWithoutKeeping };

// What the session keeper works with in the main window.
struct TSessionPlace {
  TChannelOwner& channels;
  TChannelReferences& references;
  QStatusBar& statusBar;
  // The settings while the window has them, else null.
  std::function<TSettingsStore*()> settings;
  // Reads and sets the channel, layer and page on show; setting them shows nothing yet.
  std::function<TShownPlace()> shown;
  std::function<void(const TShownPlace& place)> show;
  // The timers of the checks belong to it.
  QObject& context;
  // Saves the sixteen channels as a bank file the user chooses; false when none was chosen.
  std::function<bool()> saveAsBank;
  TKeepingRight right;
};

// Keeps the sixteen channels, and the channel, layer and page on show, between sessions: they
// are checked each second and written when they changed, and at shut-down, to the session file,
// and brought back at the next start through the channel owner, every channel marked.
//
// The channels are copied on the GUI thread; the file is made and written durably on a thread
// of its own, one write at a time, since a sync can take tens of milliseconds. A write that
// fails is reported once, until one works again; at close, a write that fails asks what to do.
class TSessionKeeper final {
 public:
  static constexpr const char* kKeepChannelsSetting = "keepchannels";
  static constexpr const char* kSessionFileSetting = "sessionfile";
  static constexpr const char* kSessionWrittenSetting = "sessionwritten";
  // How often the channels are compared with what was kept; a change is on disk within two
  // checks of it at most.
  static constexpr int kCheckMs = 1000;

  explicit TSessionKeeper(const TSessionPlace& place);
  ~TSessionKeeper();
  TSessionKeeper(const TSessionKeeper&) = delete;
  TSessionKeeper& operator=(const TSessionKeeper&) = delete;

  // The session file that these settings name (null: none), or the default one.
  static QString FileIn(const TSettingsStore* settings);

  bool Keeping() const;
  bool MayKeep() const { return FPlace.right.mayKeep; }
  QString File() const;
  // At start-up: brings the kept channels back and starts the checks, when keeping.
  void Restore();
  // File > Keep the channels between sessions.
  void SetKeeping(bool keep);
  // The window closes: writes what it has, and asks while that fails.
  void KeepAtClose();
  // The window goes: writes what changed since the close, or everything when it never closed.
  void KeepAtShutDown();
  // Waits for the write that runs, if any, and reports how it went.
  void WaitForWrite();

  // The waits between two checks; unset, single-shot timers. Tests fire them themselves.
  std::function<void(int ms, std::function<void()> then)> StartWait;
  // Asks what to do about a write at close that failed with text; unset, a message box.
  std::function<TFailedKeepAnswer(const QString& text)> AskAtFailedClose;

 private:
  void RestoreKept();
  void StartChecks();
  void WaitForCheck(int checks);
  void Keep();
  TSession Picture() const;
  // Starts writing session on the writer's thread; FinishWrite takes its outcome.
  void StartWrite(TSession session);
  // Writes at once on this thread; throws what the write threw.
  void WriteNow(TSession session);
  // Takes the outcome of the write that ran; throws its failure unless one was reported already.
  void FinishWrite();
  // Waits for the write that runs, when the write that follows supersedes it.
  void AwaitWrite();
  void Kept(TSession session);
  TFailedKeepAnswer Ask(const QString& text) const;

  TSessionPlace FPlace;
  // What the file holds as far as this editor knows; none before the first write or read.
  std::unique_ptr<TSession> FKept;
  int FChecks = 0;
  bool FWriteFailed = false;
  // The write on the writer's thread, and what it writes.
  std::future<void> FWriting;
  std::unique_ptr<TSession> FWritten;
  // Holds the writer's word that it is done, so that none arrives once the keeper is gone.
  std::unique_ptr<QObject> FReplies;
  // What the close kept or gave up keeping; none before the close.
  std::unique_ptr<TSession> FAtClose;
  bool FClosing = false;
};

}  // namespace morvane::editor
