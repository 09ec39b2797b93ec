#include "tform1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <exception>

#include "application_title.h"
#include "channel_marks.h"
#include "channel_owner.h"
#include "channel_references.h"
#include "control_font.h"
#include "data_files.h"
#include "editor_application.h"
#include "envelope_view.h"
#include "handler_guard.h"
#include "hear_reference.h"
#include "layer_check_box.h"
#include "midi_monitor.h"
#include "preset_library.h"
#include "radio_group.h"
#include "session_keeper.h"
#include "status_bar.h"
#include "tdragger.h"
#include "transfer_owner.h"
#include "variations.h"
#include "view_zoom.h"
#include "zoom.h"

namespace morvane::editor {

namespace {

constexpr int kInitialOctave = 3;
constexpr int kInitialVelocity = 97;
constexpr int kInitialVelRnd = 10;
constexpr std::uint16_t kInputCapacity = 2048;
constexpr std::uint16_t kInputSysexBufferSize = 4096;
constexpr std::uint16_t kInputSysexBufferCount = 32;

// Where an editor that does not keep its channels says so, beside the status bar's messages
// and after the caption.
const QString kNotKeptLabel = QStringLiteral("Channels not kept");
const QString kNotKeptCaptionNote = QStringLiteral(" (channels not kept)");

QFont WindowFont() {
  QFont font = controls::ControlFont();
  font.setStyleStrategy(QFont::PreferDefault);
  return font;
}

}  // namespace

TForm1::TForm1(morvane::engine::TUserPrompt* prompt, midi::MidiDriver& driver,
               const QString& programDirectory, TKeepingRight right)
    : FOwnPrompt(prompt == nullptr ? std::make_unique<TMessageBoxPrompt>() : nullptr),
      FPrompt(prompt == nullptr ? FOwnPrompt.get() : prompt),
      MidiOutput1(FGuiThread, driver),
      MidiInput1(FGuiThread, driver),
      engine(*FPrompt, FGuiThread),
      FProgramDirectory(programDirectory.isEmpty() ? DefaultProgramDirectory() : programDirectory) {
  setObjectName(QStringLiteral("Form1"));
  FDriver = &driver;
  setWindowTitle(ApplicationTitle());
  setFont(WindowFont());
  setAcceptDrops(true);
  if (FOwnPrompt) {
    FOwnPrompt->SetOwner(this);
  }
  SetUpComponents();

  FClient = new QWidget(this);
  FClient->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(FClient);
  BuildMenu();
  BuildDialogs();
  BuildTopStrip();
  BuildPages();
  BuildStatusBar();
  BuildDumpWatchAndRescan();
  BuildEditTargets();
  FTransfers = std::make_unique<TTransferOwner>(*this);
  // Every image starts as our built-in initial preset, so that the window works even when
  // start-up cannot read init.syx; start-up then loads the file over them.
  FChannels = std::make_unique<TChannelOwner>(*FTransfers, engine);
  FMarks = std::make_unique<TChannelMarks>(*FChannels, *channel, *this);
  FReferences = std::make_unique<TChannelReferences>(*FChannels, *FTransfers);
  HearChannels();
  FollowUndoStack();
  BuildLibraryAndSession(std::move(right));
  FVariations = std::make_unique<TVariations>(*this);
  FHearReference = std::make_unique<THearReference>(*this, *FReferences);
  BuildEnvelopes();

  adjustSize();
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  channel->setFocus(Qt::OtherFocusReason);
  // A failed start-up step is shown and the window still opens.
  try {
    FormCreate();
  } catch (const std::exception& error) {
    TEditorApplication* application = TEditorApplication::Instance();
    if (application == nullptr) {
      throw;
    }
    application->ReportError(QString::fromUtf8(error.what()));
  }
}

TForm1::~TForm1() {
  FormDestroy();
  delete FEnvelopeView;
  FEnvelopeView = nullptr;
  // No handler may run on a half-destroyed window while Qt takes the controls down.
  for (QObject* child : findChildren<QObject*>()) {
    child->disconnect(this);
  }
  delete FClient;
  FClient = nullptr;
}

void TForm1::SetUpComponents() {
  MidiInput1.SetCapacity(kInputCapacity);
  MidiInput1.SetSysexBufferSize(kInputSysexBufferSize);
  MidiInput1.SetSysexBufferCount(kInputSysexBufferCount);
  MidiInput1.SetSysexOnly(true);
  MidiInput1.OnMidiInput = [this](midi::TMidiInput&) { MidiInput1MidiInput(); };

  engine.OUTPUT = &MidiOutput1;
  engine.INPUT = &MidiInput1;
  engine.SetChannel(0);
  engine.SetOctave(kInitialOctave);
  engine.SetVelocity(kInitialVelocity);
  engine.SetVelRnd(kInitialVelRnd);
  engine.SetPlaymode(morvane::engine::pmNote);
  engine.SetPause(false);
  engine.SysexSender().OnSendError = [this](const std::string& text) { ShowSendError(text); };
}

void TForm1::HearChannels() {
  FChannels->ShownChannelIndex = [this] { return CurrentChannelIndex(); };
  FChannels->ShowChannel = [this](int channelIndex) { channel->setItemIndex(channelIndex); };
  FChannels->ShowStatus = [this](const QString& text) { StatusBar1->showMessage(text); };
  FChannels->observers.imageChanged.push_back([this](int channelIndex, TImageChange how) {
    if (how != TImageChange::Edit && channelIndex == CurrentChannelIndex()) {
      RefreshControls();
    }
  });
}

void TForm1::BuildLibraryAndSession(TKeepingRight right) {
  if (!right.mayKeep) {
    FMarks->SetCaptionNote(kNotKeptCaptionNote);
    auto* notKept = new QLabel(kNotKeptLabel, StatusBar1);
    notKept->setObjectName(QStringLiteral("NotKept"));
    notKept->setToolTip(right.whyNot);
    StatusBar1->addPermanentWidget(notKept);
  }
  const auto currentSettings = [this] { return settings.get(); };
  FLibrary = std::make_unique<TPresetLibrary>(TLibraryPlace{
      *this, *channel, *StatusBar1, *FChannels, *FTransfers, engine, MidiOutput1, currentSettings,
      [this] { return PresetNumber(); }, [this] { SendCurrentChannel1Click(); }});
  FSession = std::make_unique<TSessionKeeper>(TSessionPlace{
      *FChannels, *FReferences, *StatusBar1, currentSettings,
      [this] {
        return TShownPlace{CurrentChannelIndex(), layer->ItemIndex(), PageControl1->currentIndex()};
      },
      [this](const TShownPlace& place) {
        // Shown by the refresh that ends the start-up.
        const QSignalBlocker blockChannel(channel);
        const QSignalBlocker blockLayer(layer);
        const QSignalBlocker blockPage(PageControl1);
        channel->setItemIndex(place.channelIndex);
        layer->setItemIndex(place.layerIndex);
        PageControl1->setCurrentIndex(place.pageIndex);
        engine.SetChannel(place.channelIndex);
      },
      *this, [this] { return SaveBank(); }, std::move(right)});
  QObject::connect(Library1, &QAction::triggered, this,
                   [this] { RunGuarded([this] { FLibrary->Open(); }); });
  QObject::connect(AddToLibrary1, &QAction::triggered, this,
                   [this] { RunGuarded([this] { FLibrary->AddCurrentChannel(); }); });
  QObject::connect(KeepChannels1, &QAction::triggered, this,
                   [this](bool keep) { RunGuarded([this, keep] { FSession->SetKeeping(keep); }); });
}

bool TForm1::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    FStatusBar->ShowPassing(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

}  // namespace morvane::editor
