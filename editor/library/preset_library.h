#pragma once

#include <QDateTime>
#include <QMetaObject>
#include <QString>
#include <functional>
#include <memory>

#include "audition.h"

class QEvent;
class QStatusBar;
class QWidget;

namespace morvane::editor {

class TChannelOwner;
class TLibraryWindow;
class TRadioGroup;
class TSettingsStore;
class TTransferOwner;
struct TLibraryReference;

// What the library works with in the main window and beside it.
struct TLibraryPlace {
  // The main window: the library window's parent, where presets dragged out of the library
  // land on the channel buttons.
  QWidget& window;
  TRadioGroup& channelButtons;
  QStatusBar& statusBar;
  TChannelOwner& channels;
  TTransferOwner& transfers;
  engine::TMIDIappUtil& engine;
  midi::TMidiOutput& output;
  // The settings while the window has them, else null.
  std::function<TSettingsStore*()> settings;
  // The preset number that BF chooses for the current channel.
  std::function<int()> presetNumber;
  // Offers to send the current channel, as Load does after loading.
  std::function<void()> offerToSend;
};

// The library of preset files beside the main window: its window, loading a preset into a
// channel or dropping one onto a channel button, auditioning, adding the current channel to
// the folder and keeping a backup of the module's presets after Request All brought them all.
// Every change of a channel goes through the channel owner.
class TPresetLibrary final {
 public:
  static constexpr const char* kFolderSetting = "libraryfolder";
  static constexpr const char* kBackupSetting = "librarybackup";

  explicit TPresetLibrary(const TLibraryPlace& place);
  ~TPresetLibrary();
  TPresetLibrary(const TPresetLibrary&) = delete;
  TPresetLibrary& operator=(const TPresetLibrary&) = delete;

  // View > Library: shows the library window, made and listed the first time.
  void Open();
  // File > Add to Library: the current channel into the folder under its name.
  void AddCurrentChannel();
  // At shut-down: ends an audition's note and closes the library while the window is whole.
  void Close();

  // The library window once it has been opened, else null.
  TLibraryWindow* Window() const { return FWindow; }
  // The main window's zoom, in percent: the library window's words follow it, now and when
  // it opens.
  void SetZoom(int percent);
  QString Folder() const;
  TAudition& Audition() { return FAudition; }
  // The time a backup is named after; unset, the clock's.
  std::function<QDateTime()> Clock;

 private:
  int CurrentChannelIndex() const;
  void ChooseFolder(const QString& folder);
  void Load(const TLibraryReference& reference);
  void Drop(int channelIndex, const TLibraryReference& reference);
  // A drag over the main window: true when it comes out of the library, which lands only on
  // the channel buttons; other drags go on to the window.
  bool Drag(QEvent& event);
  // Keeps the backup of the module's presets once Request All Presets brought every one.
  void BackUp(bool complete);

  TLibraryPlace FPlace;
  TAudition FAudition;
  TLibraryWindow* FWindow = nullptr;
  int FZoom = 100;
  QObject* FDrops = nullptr;
  QMetaObject::Connection FFocusConnection;
};

}  // namespace morvane::editor
