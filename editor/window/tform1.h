#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "channel_owner.h"
#include "edit_pacer.h"
#include "editor/platform/profile_file.h"
#include "engine/midi_app_util.h"
#include "message_box_prompt.h"
#include "midi/driver.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/platform_driver.h"
#include "parammap/param_map.h"
#include "preset/byte_stream.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"
#include "qt_gui_thread.h"
#include "session_keeper.h"
#include "settings_store.h"

class QAction;
class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QWidget;

namespace morvane::controls {
class Tdragger;
class Tmrvbox;
}  // namespace morvane::controls

namespace morvane::editor {

class TChannelMarks;
class TChannelReferences;
class THearReference;
class TDumpWatch;
class TEnvelopeView;
struct TEnvelopeSource;
class TFileDialog;
class THintSwitch;
class TKeyboardPreview;
class TLayerCheckBox;
class TMaskEdit;
class TMidiMonitor;
class TNameValidator;
class TPresetLibrary;
class TRadioGroup;
class TSessionKeeper;
class TStatusBar;
class TVariations;
class TTransferOwner;
class TViewZoom;

// A value control of the window with the map entry it was built from.
struct TValueControl {
  controls::Tdragger* control;
  const parammap::ControlSpec* spec;
};

// Whether a value control's edits go to the module; the Setup page's set the keyboard player.
bool SendsToModule(parammap::ReleaseHandler handler);

// The editor's one window. Its controls, menu items, dialogs and components carry their layout
// names and are also found by name at run time. The sixteen channels belong to the channel
// owner, which every command asks to change one; the library, the kept session and the marks
// sit beside the window and hear the channel owner and the transfers. The destructor removes
// the controls first, while the components their handlers use still exist; then the members go
// in reverse order: the engine before the ports, since the SysEx strings it still holds refer to
// the output port, and the ports before the GUI thread that they are registered with.
class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 331;
  static constexpr int kClientHeight = 527;
  static constexpr int kChannelCount = 16;
  static constexpr int kLayerCount = 4;

  // prompt answers the engine's questions (tests give a scripted one; null shows message
  // boxes).
  // driver holds the MIDI devices; programDirectory is the folder of the data files (empty:
  // the folder of the program file). right says whether this editor may keep its channels
  // between sessions: only the one editor that holds their lock may.
  explicit TForm1(morvane::engine::TUserPrompt* prompt = nullptr,
                  midi::MidiDriver& driver = midi::PlatformDriver(),
                  const QString& programDirectory = QString(), TKeepingRight right = {});
  ~TForm1() override;

  // The window's client area (below the menu bar): every control lies on it.
  QWidget* Client() const { return FClient; }
  // The value controls in the map's order, each with its entry.
  const std::vector<TValueControl>& ValueControls() const { return FValueControls; }

 private:
  std::unique_ptr<TMessageBoxPrompt> FOwnPrompt;
  morvane::engine::TUserPrompt* FPrompt;
  QtGuiThread FGuiThread;

 public:
  // Components.
  midi::TMidiOutput MidiOutput1;
  midi::TMidiInput MidiInput1;
  morvane::engine::TMIDIappUtil engine;

  // Menu.
  QMenuBar* MainMenu1 = nullptr;
  QMenu* File1 = nullptr;
  QAction* Initialize1 = nullptr;
  QAction* RequestPatchonCurrentChannel1 = nullptr;
  QAction* SendCurrentChannel1 = nullptr;
  QAction* N1 = nullptr;
  QAction* Loadoncurrentchannel1 = nullptr;
  QAction* SaveCurrentChannel1 = nullptr;
  QAction* Panic1 = nullptr;
  QAction* Debug1 = nullptr;
  QAction* About1 = nullptr;
  // File > Quit: closes the window as its close box does.
  QAction* Quit1 = nullptr;

  // Dialogs.
  TFileDialog* OpenDialog1 = nullptr;
  TFileDialog* SaveDialog1 = nullptr;

  // Top strip.
  TRadioGroup* channel = nullptr;
  QCheckBox* buffer = nullptr;
  QGroupBox* select = nullptr;
  TLayerCheckBox* l1 = nullptr;
  TLayerCheckBox* l2 = nullptr;
  TLayerCheckBox* l3 = nullptr;
  TLayerCheckBox* l4 = nullptr;
  TRadioGroup* layer = nullptr;
  QPushButton* mute = nullptr;

  // Pages.
  QTabWidget* PageControl1 = nullptr;
  QWidget* Setupsheet = nullptr;
  QWidget* commonsheet = nullptr;
  QWidget* layerctrlssheet = nullptr;
  QWidget* pcsheet = nullptr;
  QFrame* Panel1 = nullptr;
  QFrame* commonctrls = nullptr;
  QFrame* layerctrls = nullptr;
  QFrame* patchcords = nullptr;

  // Standard controls and list boxes on the pages.
  controls::Tmrvbox* midiout = nullptr;
  controls::Tmrvbox* midiin = nullptr;
  QCheckBox* showhint = nullptr;
  QLineEdit* patchname = nullptr;
  controls::Tmrvbox* instr = nullptr;
  controls::Tmrvbox* params = nullptr;
  TMaskEdit* paramvalue = nullptr;
  TRadioGroup* copyfrom = nullptr;
  TRadioGroup* copyto = nullptr;

  QStatusBar* StatusBar1 = nullptr;

  // The window's data; the sixteen images are the channel owner's.
  TProfileFile paramTable;
  preset::ByteStream receiveBuffer;
  // Mute state per shown-layer index, for the mute button only.
  std::array<bool, kLayerCount> muted{};

 public slots:
  // Filled by the start-up and editing work; wired to their controls now.
  void FormCreate();
  void FormDestroy();
  void channelClick();
  void layerClick();
  void PageControl1Change();
  void l2MouseUp(TLayerCheckBox* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                 QPoint position);
  void muteClick();
  void instrChange();
  void paramsChange();
  void midioutChange();
  void midiinChange();
  void showhintClick();
  void copytoClick();
  void patchnameKeyPress();
  void paramvalueKeyPress();
  void dragger1MouseUp(controls::Tdragger* sender, Qt::MouseButton button,
                       Qt::KeyboardModifiers shift, QPoint position);
  void dragger25MouseUp(controls::Tdragger* sender, Qt::MouseButton button,
                        Qt::KeyboardModifiers shift, QPoint position);
  void filtertypeMouseUp(controls::Tdragger* sender, Qt::MouseButton button,
                         Qt::KeyboardModifiers shift, QPoint position);
  void dragger72MouseUp(controls::Tdragger* sender, Qt::MouseButton button,
                        Qt::KeyboardModifiers shift, QPoint position);
  void dragger73MouseUp(controls::Tdragger* sender, Qt::MouseButton button,
                        Qt::KeyboardModifiers shift, QPoint position);
  void velMouseUp(controls::Tdragger* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                  QPoint position);
  void velrndMouseUp(controls::Tdragger* sender, Qt::MouseButton button,
                     Qt::KeyboardModifiers shift, QPoint position);
  void Initialize1Click();
  void RequestPatchonCurrentChannel1Click();
  void SendCurrentChannel1Click();
  void Loadoncurrentchannel1Click();
  void SaveCurrentChannel1Click();
  void Panic1Click();
  void Debug1Click();
  void About1Click();
  void MidiInput1MidiInput();

  // The window's one display operation: shows the selected channel's image.
  void RefreshControls();
  // The caption back to the shown channel's preset name, after it showed something else for a
  // while (the bytes of a dump that then did not load).
  void ShowChannelCaption();

  // Editing and display (send_parameter.cpp, editing_handlers.cpp, refresh_controls.cpp).
 public:
  // Writes value into layer (0 = the preset-wide block, 1..4) of the channel's image, then
  // hands the preset-select, layer-select and parameter-edit strings to the engine.
  void SendParameter(int low, int high, int layer, int channelIndex, int value);
  // -1 (the module's edit buffer) while BF is ticked, else the channel index.
  int PresetNumber() const;

 private:
  // Throws when a byte lies outside 0..127: no message can carry it.
  static preset::ParamNumber ParamNumberOf(int low, int high);
  // Opens the undo step of an edit of the current channel; a refused edit shows the stored
  // values again.
  TChannelOwner::TEditRecording RecordEdit(const QString& label,
                                           const controls::Tdragger* source = nullptr);
  // SendParameter for every layer whose box is checked, in rising order.
  void SendToCheckedLayers(int low, int high, int value);
  void SendCodedRelease(controls::Tdragger* sender, std::span<const parammap::CodeEntry> table,
                        const char* codeName);
  std::array<TLayerCheckBox*, kLayerCount> LayerBoxes() const;
  void ShowLayerLamps(preset::tMrv& image);
  void RefreshValueControls(parammap::Page page, preset::tMrv& image, int layer);
  void RefreshGenericList(preset::tMrv& image, int layer);
  void ShowSendError(const std::string& text);
  // Shows a change of the channel on show that the controls do not show already.
  void HearChannels();

 protected:
  bool event(QEvent* event) override;

 private:
  void SetUpComponents();
  void BuildTopStrip();
  void BuildPages();
  void BuildSetupPage();
  void BuildCommonPage();
  void BuildLayerPage();
  void BuildPatchcordsPage();
  void BuildValueControls(parammap::Page page, QFrame* panel);
  void ConnectReleaseHandler(const TValueControl& valueControl);
  void BuildMenu();
  void BuildDialogs();
  void BuildStatusBar();

  QWidget* FClient = nullptr;
  std::vector<TValueControl> FValueControls;

  // Start-up, shut-down, settings, devices, data files and the keyboard.
 public:
  // The folder that holds the data files, without a final separator.
  QString ProgramDirectory() const { return FProgramDirectory; }
  // Every key press and release on the window, whichever control has the focus.
  void FormKeyDown(morvane::engine::TVirtualKey key, morvane::engine::TShiftState shift);
  void FormKeyUp(morvane::engine::TVirtualKey key, morvane::engine::TShiftState shift);

  // The remembered settings, open from start-up to shut-down.
  std::unique_ptr<TSettingsStore> settings;

 private:
  void FillDeviceLists();
  void RestoreDevices();
  void LoadInstruments();
  void LoadImages();
  void RestoreSession();
  void LoadParameterList();
  void CopyCordLists();
  void RestoreDialogNames();
  void RestoreHint();
  void StoreDialogNamesAndHint();

  QString FProgramDirectory;
  TKeyboardPreview* FKeyboardPreview = nullptr;
  THintSwitch* FHintSwitch = nullptr;

  // Preset transfer commands and the receiving of dumps.
 public:
  // The channel whose image the commands work on, 0..15.
  int CurrentChannelIndex() const;

 private:
  // Refuses while a transfer runs, so that nothing is asked in vain; then Yes on the engine's
  // question box.
  bool Confirm(const char* question);
  // Our initial preset, read from init.syx.
  preset::tMrv InitialPreset() const;

  // Transfers of all sixteen presets and bank files (all_presets.cpp, bank_commands.cpp).
 public:
  // Starts a wait of the transfers and the dump watch: then runs once ms have passed. The
  // default runs it on a single-shot timer; tests put in one that they fire themselves.
  std::function<void(int ms, std::function<void()> then)> StartTransferWait;

  QAction* N2 = nullptr;
  QAction* RequestAllPresets1 = nullptr;
  QAction* SendAllPresets1 = nullptr;
  QAction* LoadBank1 = nullptr;
  QAction* SaveBank1 = nullptr;

  void RequestAllPresets1Click();
  void SendAllPresets1Click();
  void LoadBank1Click();
  void SaveBank1Click();
  // Saves all sixteen channels as a bank file chosen in the Save dialog; false when none was.
  bool SaveBank();
  // True from Request All Presets until the last preset came or was given up.
  bool RequestingAllPresets() const;
  // Replaces all sixteen channels by the bank in the file, one step to undo.
  void LoadBankFile(const QString& path);
  void InitializeAllChannels1Click();

  // The owner of a running transfer, and of the sixteen channels; other parts of the editor
  // listen to their observers (transfer_owner.cpp, channel_owner.cpp).
  TTransferOwner& Transfers() { return *FTransfers; }
  TChannelOwner& Channels() { return *FChannels; }
  const TChannelOwner& Channels() const { return *FChannels; }

 private:
  friend class TTransferOwner;

  // Preset files opened from outside the menu: the command line and drag and drop
  // (preset_file_open.cpp).
 public:
  enum class TFileLoad { Preset, Bank, Declined };
  // Loads the preset file into the channel as one step to undo named undoText. A file that is
  // not one framed preset is refused with its path and what is wrong, and the image keeps its
  // content; a bank file is offered to load into all channels.
  TFileLoad LoadPresetFile(int channelIndex, const QString& path, const QString& undoText);

 protected:
  // A single local .syx file dropped anywhere on the window loads into the current channel.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

  // Watching a requested dump on the status bar, and looking for the MIDI devices again
  // (dump_watch.cpp, device_rescan.cpp).
 public:
  QPushButton* rescan = nullptr;
  void rescanClick();

 private:
  void BuildDumpWatchAndRescan();
  // Words for ports that cannot send or whose device went away.
  void WatchDevices();
  // Starts watching the dump just requested; a chosen input device that went away is named.
  void WatchRequestedDump();
  // The status text for a chosen device whose port is closed or that the system no longer has,
  // or for a closed port with none chosen; empty otherwise: any other failure keeps the driver's
  // text.
  QString OutputProblem() const;
  QString InputProblem() const;

  TDumpWatch* FDumpWatch = nullptr;
  // The system's devices, asked whether a chosen device is still there.
  midi::MidiDriver* FDriver = nullptr;

  // The Edit menu: undo and redo through the channel owner, and the comparison of two presets
  // (edit_menu.cpp, compare_window.cpp).
 public:
  QMenu* Edit1 = nullptr;
  QAction* Undo1 = nullptr;
  QAction* Redo1 = nullptr;
  QAction* CompareWithFile1 = nullptr;
  QAction* CompareWithChannel1 = nullptr;
  TFileDialog* CompareDialog1 = nullptr;

  void CompareWithFile1Click();
  void CompareWithChannel1Click();
  // Opens a window listing what differs between the current channel's preset and other.
  void ShowComparison(preset::tMrv& other, const QString& otherName);

 private:
  void BuildEditMenu();
  // The menu's items name the step they undo or redo, and are off while there is none.
  void FollowUndoStack();

  // The View menu: the MIDI monitor and the zoom of the layout (view_menu.cpp).
 public:
  QMenu* View1 = nullptr;
  QAction* MidiMonitor1 = nullptr;
  QMenu* Zoom1 = nullptr;
  // The monitor once it has been opened, else null.
  TMidiMonitor* MidiMonitor() const { return FMidiMonitor.get(); }
  void MidiMonitor1Click();
  // Scales the whole layout to percent, one of kZoomSteps, and remembers it in the settings.
  void SetZoom(int percent);
  int Zoom() const;

 private:
  void BuildViewMenu();

  // Declared after the ports, so that both go before the ports and the controls they touch.
  std::unique_ptr<TMidiMonitor> FMidiMonitor;
  std::unique_ptr<TViewZoom> FViewZoom;
  // After the ports and before the GUI thread that its sending window is registered with; the
  // channel owner and those who hear it go before it.
  std::unique_ptr<TTransferOwner> FTransfers;
  std::unique_ptr<TChannelOwner> FChannels;
  std::unique_ptr<TChannelMarks> FMarks;
  // Each channel's reference; the kept session reads and brings back them.
  std::unique_ptr<TChannelReferences> FReferences;

  // Editing that follows the hand and shows where it goes: the value controls' paced edits,
  // the option to send while dragging, the state of the edit targets and the value controls'
  // tips (live_edits.cpp, edit_targets.cpp).
 public:
  static constexpr const char* kSendWhileDraggingSetting = "senddragging";
  static constexpr const char* kVelocitySetting = "vel";
  static constexpr const char* kVelRndSetting = "velrnd";

  QCheckBox* senddragging = nullptr;
  // The clock of every value control's paced edits; tests put in one of their own.
  controls::TEditClock editClock = controls::TEditClock::System();

  void senddraggingClick();
  // The mute button shows whether the shown layer is muted; the layer selection's title says
  // where edits go while the shown layer is not among them; each value control's tips name
  // its parameter, its range and where its edits go.
  void ShowEditTargets();
  // The window caption for a preset name, shown as typed.
  static QString CaptionOf(const std::string& name);

 private:
  void BuildEditTargets();
  void RestoreEditingSettings();
  void ApplySendWhileDragging(bool send);
  std::vector<int> CheckedLayers() const;

  TStatusBar* FStatusBar = nullptr;
  TNameValidator* FNameValidator = nullptr;
  // The layers the value controls' tips name; empty optional before the first tips.
  std::optional<std::vector<int>> FTipLayers;

  // The library of preset files and the channels kept between sessions, beside the window
  // (preset_library.cpp, session_keeper.cpp); the File and View menus reach them.
 public:
  QAction* Library1 = nullptr;
  QAction* AddToLibrary1 = nullptr;
  QAction* InitializeAllChannels1 = nullptr;
  QAction* KeepChannels1 = nullptr;
  TPresetLibrary& Library() { return *FLibrary; }
  TSessionKeeper& Session() { return *FSession; }
  // A file another start of the editor handed over: the window comes forward and loads it on
  // the current channel as the command line does; an empty name only brings the window forward.
  void OpenHandedFile(const QString& path);

 protected:
  // The channels are kept before the window goes; a write that fails asks what to do.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLibraryAndSession(TKeepingRight right);

  std::unique_ptr<TPresetLibrary> FLibrary;
  std::unique_ptr<TSessionKeeper> FSession;

  // The Edit menu's randomize and morph (variations.cpp).
 public:
  TVariations& Variations() { return *FVariations; }

 private:
  std::unique_ptr<TVariations> FVariations;

  // Each channel's reference and the A/B against it (channel_references.cpp,
  // hear_reference.cpp).
 public:
  const TChannelReferences& References() const { return *FReferences; }
  THearReference& HearReference() { return *FHearReference; }

 private:
  std::unique_ptr<THearReference> FHearReference;

  // The View menu's drawing of the shown layer's envelopes, in a window beside this one
  // (envelope_panel.cpp). It follows every change of the values and only paints.
 public:
  QAction* Envelopes1 = nullptr;
  // The drawing once it has been shown, else null.
  TEnvelopeView* EnvelopeView() const { return FEnvelopeView; }
  void Envelopes1Click(bool show);

 private:
  void BuildEnvelopes();
  void PlaceEnvelopeView();
  // Asks the drawing, while it is shown, to paint the values now.
  void FollowEnvelopes();

  std::unique_ptr<TEnvelopeSource> FEnvelopeSource;
  TEnvelopeView* FEnvelopeView = nullptr;
};

}  // namespace morvane::editor
