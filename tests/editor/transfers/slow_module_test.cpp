#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor_application.h"
#include "file_dialog.h"
#include "find_child.h"
#include "layer_check_box.h"
#include "library_window.h"
#include "mask_edit.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "preset_library.h"
#include "radio_group.h"
#include "recording_driver.h"
#include "session_keeper.h"
#include "sim/simulated_module.h"
#include "sim/virtual_clock.h"
#include "tdragger.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

using namespace Qt::Literals::StringLiterals;

using midi::VirtualBackend;
using preset::Bytes;
using sim::AnswerBehaviour;

constexpr QKeyCombination kInitialize = Qt::CTRL | Qt::SHIFT | Qt::Key_F12;
constexpr QKeyCombination kRequest = Qt::CTRL | Qt::Key_F9;
constexpr QKeyCombination kSend = Qt::CTRL | Qt::Key_F10;
constexpr QKeyCombination kLoad = Qt::CTRL | Qt::Key_O;
constexpr int kPresets = 16;
constexpr int kRequestedChannelIndex = 4;
constexpr int kShownChannelIndex = 5;
// A bound on the waits that one transfer runs through, so that a fault never hangs the test.
constexpr int kMostWaits = 20000;
constexpr std::chrono::microseconds kSettlePoll{100};

AnswerBehaviour Behaviour(const std::function<void(AnswerBehaviour&)>& set) {
  AnswerBehaviour behaviour;
  set(behaviour);
  return behaviour;
}

AnswerBehaviour Late(int delayMs, int jitterMs = 0) {
  return Behaviour([&](AnswerBehaviour& b) {
    b.delay = std::chrono::milliseconds(delayMs);
    b.jitter = std::chrono::milliseconds(jitterMs);
  });
}

// The name that an image shows after WriteName of prefix and its channel (1..16).
std::string NameOf(const std::string& prefix, int channelIndex) {
  std::string name = prefix + std::to_string(channelIndex + 1);
  name.resize(preset::kNameSize, ' ');
  return name;
}

// The window on a simulator that answers at the rate of the MIDI wire, late, cut off or among
// noise as a test says; every wait of the window and pause of the simulator runs on a clock
// that the test moves on, so that seconds of module time pass at once.
class SlowModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(settingsFolder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    simulator = std::make_unique<VirtualBackend>(VirtualBackend::Pacing::WireRate);
    simulator->SetWait([this](sim::VirtualClock::Time time, std::function<void()> resume) {
      clock.Start(time, std::move(resume));
    });
    driver = std::make_unique<RecordingDriver>(*simulator);
    TEditorApplication::Instance()->SetErrorReporter([this](const QString& t) { errors << t; });
    form = std::make_unique<TForm1>(&prompt, *driver);
    form->StartTransferWait = [this](int ms, std::function<void()> then) {
      clock.Start(std::chrono::milliseconds(ms), std::move(then));
    };
    for (TFileDialog* dialog : {form->OpenDialog1, form->SaveDialog1}) {
      dialog->SetScriptedAnswer([](const TFileDialog&) { return std::optional<QString>(); });
    }
    QObject::connect(form->StatusBar1, &QStatusBar::messageChanged,
                     [this](const QString& text) { statuses << text; });
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // The module's presets are told apart by name, each sent by Send All.
    Rename("Mod:preset ");
    form->SendAllPresets1->trigger();
    ASSERT_TRUE(RunUntil([this] { return Status() == "Sent 16 presets"; }));
    Rename("Old:chan ");
    form->channel->setItemIndex(kShownChannelIndex);
    form->buffer->setChecked(false);
    driver->TakeStrings();
    statuses.clear();
  }
  void TearDown() override {
    // What the simulator still has to say goes out first, so that no port closes on it.
    RunUntil([] { return false; });
    form.reset();
    driver.reset();
    simulator.reset();
    TEditorApplication::Instance()->SetErrorReporter({});
  }

  void Rename(const std::string& prefix) {
    for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
      RenameImage(*form, static_cast<std::size_t>(channelIndex),
                  prefix + std::to_string(channelIndex + 1));
    }
  }
  std::string Name(int channelIndex) const {
    return form->Channels().Image(static_cast<std::size_t>(channelIndex)).ReadName();
  }
  QString Status() const { return form->StatusBar1->currentMessage(); }
  // The messages that a click on the status bar lists, newest first, without their times.
  QStringList ClickedHistory() {
    QTest::mouseClick(form->StatusBar1, Qt::LeftButton);
    QMenu* menu = form->StatusBar1->findChild<QMenu*>(QStringLiteral("StatusHistory"));
    EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }));
    QStringList texts;
    for (const QAction* item : menu->actions()) {
      if (!item->isSeparator()) {
        texts << item->text().section(QStringLiteral("  "), 1);
      }
    }
    menu->hide();
    return texts;
  }
  void Key(QKeyCombination keys) {
    QTest::keyClick(form.get(), keys.key(), keys.keyboardModifiers());
  }
  // Every behaviour of the simulator back to answering at once.
  void AnswerAtOnce() {
    simulator->SetAnswerBehaviour({});
    for (int presetNumber = -1; presetNumber < kPresets; ++presetNumber) {
      simulator->SetAnswerBehaviour(presetNumber, std::nullopt);
    }
  }
  QString PathOf(const char* name) const { return QDir(files.path()).filePath(name); }
  // The Layer page, layer 1 checked: the value controls there send.
  void PageOfValues() {
    form->PageControl1->setCurrentWidget(form->layerctrlssheet);
    form->l1->setChecked(true);
  }

  // Lets the window and the simulator do all they can without time passing.
  void Settle() {
    for (int quiet = 0; quiet < 3;) {
      QApplication::processEvents(QEventLoop::AllEvents);
      if (simulator->Settled() && form->engine.SysexSender().PendingCount() == 0) {
        ++quiet;
      } else {
        quiet = 0;
        std::this_thread::sleep_for(kSettlePoll);
      }
    }
  }
  // Moves the clock on, wait by wait, until done holds; false when nothing is left to wait for.
  bool RunUntil(const std::function<bool()>& done) {
    for (int waits = 0; waits < kMostWaits; ++waits) {
      Settle();
      if (done()) {
        return true;
      }
      if (!clock.RunNext()) {
        return false;
      }
    }
    return false;
  }
  bool RunRequestAll() {
    form->RequestAllPresets1->trigger();
    return RunUntil([this] { return !form->RequestingAllPresets(); });
  }
  // Each channel holds the module's preset of its own number, or kept its own.
  void ExpectChannels(const std::set<int>& kept) {
    for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
      EXPECT_EQ(Name(channelIndex),
                NameOf(kept.contains(channelIndex) ? "Old:chan " : "Mod:preset ", channelIndex))
          << "channel " << channelIndex + 1;
    }
  }

  sim::VirtualClock clock;
  QTemporaryDir settingsFolder;
  QTemporaryDir files;
  std::unique_ptr<VirtualBackend> simulator;
  std::unique_ptr<RecordingDriver> driver;
  RecordingPrompt prompt;
  QStringList errors;
  QStringList statuses;
  std::unique_ptr<TForm1> form;
};

// Answers go to the channel of the preset number they carry, whatever their timing or
// company; the end names exactly what did not come.
TEST_F(SlowModuleTest, RequestAllPutsEveryAnswerIntoItsOwnChannel) {
  // The user tries to edit channel 6 once its preset has been given up, before its late answer
  // comes: the transfer still runs, so the edit is refused and the answer lands.
  const auto editChannel6 = [this] {
    ASSERT_TRUE(RunUntil([this] { return Status() == "Preset 7 of 16"; }));
    form->channel->setItemIndex(5);
    form->l1->setChecked(true);
    const preset::tMrv before = form->Channels().Image(5);
    DragTo(FindChildByName<controls::Tdragger>(*form, QStringLiteral("dragger1")), 60);
    ASSERT_TRUE(std::ranges::equal(form->Channels().Image(5).View(), before.View()));
  };
  struct Case {
    const char* what;
    std::function<void(VirtualBackend&)> behave;
    std::set<int> kept;
    // The status bar's line, then the details that the history lists below it.
    QStringList status;
    QStringList errors;
    std::function<void()> meanwhile;
  };
  const auto cutOff = [](std::initializer_list<int> presetNumbers) {
    return [presetNumbers](VirtualBackend& s) {
      for (const int presetNumber : presetNumbers) {
        s.SetAnswerBehaviour(presetNumber,
                             Behaviour([](AnswerBehaviour& b) { b.cutOffAfter = 1000; }));
      }
    };
  };
  const auto damaged = [](int channel) {
    return QStringLiteral(
               "The answer from the module was damaged (packet 4): channel %1 keeps its preset")
        .arg(channel);
  };
  const QStringList all{"Received 16 of 16 presets"};
  const Case cases[] = {
      {"an answer later than the wait",
       [](VirtualBackend& s) { s.SetAnswerBehaviour(5, Late(3000)); },
       {},
       all,
       {},
       {}},
      {"a late answer for a channel the user tried to edit meanwhile",
       [](VirtualBackend& s) { s.SetAnswerBehaviour(5, Late(3000)); },
       {},
       all,
       {"The presets are still being transferred: wait until it ends"},
       editChannel6},
      {"an answer whose header message was lost",
       [](VirtualBackend& s) {
         s.SetAnswerBehaviour(10, Behaviour([](AnswerBehaviour& b) { b.headerLost = true; }));
       },
       {10},
       {"Received 15 of 16; preset 11 did not come, its channel kept",
        "Preset 11 of 16 did not come from the module: channel 11 keeps its preset"},
       {},
       {}},
      {"an answer that outlasts the wait",
       [](VirtualBackend& s) { s.SetAnswerBehaviour(3, Late(1700)); },
       {},
       all,
       {},
       {}},
      {"an answer cut off",
       cutOff({3}),
       {3},
       {"Received 15 of 16; preset 4 damaged, its channel kept", damaged(4)},
       {},
       {}},
      {"the last six answers cut off, the last one with no answer after it",
       cutOff({10, 11, 12, 13, 14, 15}),
       {10, 11, 12, 13, 14, 15},
       {u"Received 10 of 16; preset 16 did not come, presets 11\u201315 damaged, their channels "
        u"kept"_s,
        damaged(11), damaged(12), damaged(13), damaged(14), damaged(15),
        "Preset 16 of 16 did not come from the module: channel 16 keeps its preset"},
       {},
       {}},
      {"one answer lost and four cut off, three of them in a row",
       [&](VirtualBackend& s) {
         cutOff({6, 7, 8, 10})(s);
         s.SetAnswerBehaviour(2, Behaviour([](AnswerBehaviour& b) { b.headerLost = true; }));
       },
       {2, 6, 7, 8, 10},
       {u"Received 11 of 16; preset 3 did not come, presets 7\u20139, 11 damaged, their channels "
        u"kept"_s,
        "Preset 3 of 16 did not come from the module: channel 3 keeps its preset", damaged(7),
        damaged(8), damaged(9), damaged(11)},
       {},
       {}},
      {"an answer for another preset",
       [](VirtualBackend& s) {
         s.SetAnswerBehaviour(8, Behaviour([](AnswerBehaviour& b) { b.presetNumber = 9; }));
       },
       {8},
       {"Received 15 of 16; preset 9 did not come, its channel kept; an answer not asked for was "
        "not loaded",
        "Preset 9 of 16 did not come from the module: channel 9 keeps its preset",
        "The module sent preset 10 when preset 9 was asked for: it was not loaded"},
       {},
       {}},
      {"noise around and inside every answer",
       [](VirtualBackend& s) {
         s.SetAnswerBehaviour(Behaviour([](AnswerBehaviour& b) { b.noise = true; }));
       },
       {},
       all,
       {},
       {}},
      {"every answer after 1.5 s give or take 0.5 s",
       [](VirtualBackend& s) { s.SetAnswerBehaviour(Late(1500, 500)); },
       {},
       all,
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AnswerAtOnce();
    c.behave(*simulator);
    Rename("Old:chan ");
    errors.clear();
    form->RequestAllPresets1->trigger();
    if (c.meanwhile) {
      c.meanwhile();
    }
    ASSERT_TRUE(RunUntil([this] { return !form->RequestingAllPresets(); }));
    ExpectChannels(c.kept);
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(Status(), c.status.front());
    // A click on the status bar lists the line, and below it what became of each preset.
    EXPECT_EQ(ClickedHistory().mid(0, c.status.size()), c.status);
    EXPECT_EQ(form->windowTitle().toStdString(), Name(kShownChannelIndex));
    // Nothing more comes: no late answer changes a channel afterwards.
    EXPECT_FALSE(RunUntil([] { return false; }));
    ExpectChannels(c.kept);
  }
}

// A single Request against the same module: its answer loads into the channel only when it is
// whole and the preset asked for; the status bar says how far a late or cut-off one came. An
// answer that comes after "No answer" loads only while its channel is shown and unchanged.
TEST_F(SlowModuleTest, RequestTakesOnlyTheWholeAnswerOfThePresetAskedFor) {
  const QString noAnswer = QStringLiteral(
      "No answer from the module: check the MIDI input device on the Setup page and the cables");
  constexpr int kOtherChannelIndex = 9;
  struct Case {
    const char* what;
    AnswerBehaviour behaviour;
    bool loads;
    QString reported;
    QStringList errors;
    // What the user does once the status bar said that no answer came.
    std::function<void()> afterNoAnswer;
  };
  const Case cases[] = {
      {"late", Late(2500), true, noAnswer, {}, {}},
      {"late, its channel still shown and unchanged",
       Late(2500),
       true,
       noAnswer,
       {},
       [this] {
         form->channel->setItemIndex(kOtherChannelIndex);
         form->channel->setItemIndex(kRequestedChannelIndex);
       }},
      {"late, after another channel was chosen",
       Late(2500),
       false,
       noAnswer,
       {"Preset 5 came late, after channel 5 was left for channel 10: channel 5 keeps its "
        "preset"},
       [this] { form->channel->setItemIndex(kOtherChannelIndex); }},
      {"late, after its channel was edited",
       Late(2500),
       false,
       noAnswer,
       {"Preset 5 came late, after channel 5 was changed: channel 5 keeps its preset"},
       [this] {
         form->l1->setChecked(true);
         DragTo(FindChildByName<controls::Tdragger>(*form, QStringLiteral("dragger1")), 60);
       }},
      {"cut off",
       Behaviour([](AnswerBehaviour& b) { b.cutOffAfter = 1000; }),
       false,
       "The dump stopped at 1000 of 1605 bytes",
       {},
       {}},
      {"for another preset",
       Behaviour([](AnswerBehaviour& b) { b.presetNumber = 7; }),
       false,
       {},
       {"The module sent preset 8, not preset 5 that was asked for: channel 5 keeps its preset"},
       {}},
      {"among noise", Behaviour([](AnswerBehaviour& b) { b.noise = true; }), true, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form->channel->setItemIndex(kRequestedChannelIndex);
    simulator->SetAnswerBehaviour(kRequestedChannelIndex, c.behaviour);
    Rename("Old:chan ");
    const std::array<preset::tMrv, kPresets> before = form->Channels().Images();
    errors.clear();
    statuses.clear();
    Key(kRequest);
    if (c.afterNoAnswer) {
      ASSERT_TRUE(RunUntil([&] { return statuses.contains(noAnswer); }));
      c.afterNoAnswer();
    }
    const int steps = form->Channels().UndoStack().count();
    const preset::tMrv requested = form->Channels().Image(kRequestedChannelIndex);
    EXPECT_FALSE(RunUntil([] { return false; }));
    EXPECT_EQ(Name(kRequestedChannelIndex),
              NameOf(c.loads ? "Mod:preset " : "Old:chan ", kRequestedChannelIndex));
    if (!c.reported.isEmpty()) {
      EXPECT_TRUE(statuses.contains(c.reported));
    }
    EXPECT_EQ(errors, c.errors);
    // Nothing else changed: no other channel, and no step to undo for an answer dropped.
    for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
      if (channelIndex != kRequestedChannelIndex) {
        EXPECT_TRUE(std::ranges::equal(form->Channels().Image(channelIndex).View(),
                                       before[static_cast<std::size_t>(channelIndex)].View()))
            << channelIndex;
      }
    }
    if (!c.loads) {
      EXPECT_EQ(form->Channels().UndoStack().count(), steps);
      EXPECT_TRUE(std::ranges::equal(form->Channels().Image(kRequestedChannelIndex).View(),
                                     requested.View()));
    }
  }
}

// Everything the user can start: every action of the window and of the library window, found
// at run time so that a command added later is covered too, and the window's controls. Each is
// started while each kind of transfer runs: none changes an image, a mark or the steps to undo,
// and nothing reaches the module but Panic's messages and the keyboard's notes; what would
// disturb the transfer is refused with its word. The transfer then ends as if nothing had been
// tried.
TEST_F(SlowModuleTest, NoCommandChangesAChannelOrReachesTheModuleDuringATransfer) {
  const QString requestRunning =
      "The requested preset is still coming from the module: wait until it is in";
  const QString transferRunning = "The presets are still being transferred: wait until it ends";
  // Debug saves on the desktop: this test's own.
  const QByteArray oldHome = qgetenv("HOME");
  const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", files.path().toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", PathOf("config").toLocal8Bit());
  ASSERT_TRUE(QDir(files.path()).mkpath(QStringLiteral("Desktop")));
  ASSERT_TRUE(QDir(files.path()).mkpath(QStringLiteral("library")));
  preset::tMrv file = form->Channels().Image(0);
  file.WriteName("Fil:preset");
  file.SavePreset(PathOf("library/file.syx").toStdString());
  form->settings->WriteText(TPresetLibrary::kFolderSetting, PathOf("library"));
  form->settings->WriteText(TSessionKeeper::kSessionFileSetting, PathOf("channels.session"));
  for (TFileDialog* dialog : {form->OpenDialog1, form->CompareDialog1}) {
    dialog->SetScriptedAnswer(
        [this](const TFileDialog&) { return std::optional(PathOf("library/file.syx")); });
  }
  form->SaveDialog1->SetScriptedAnswer(
      [this](const TFileDialog&) { return std::optional(PathOf("saved.syx")); });
  form->Library1->trigger();
  TLibraryWindow& library = *form->Library().Window();
  library.SetScriptedFolderAnswer([this](const QString&) { return PathOf("library"); });
  ASSERT_TRUE(QTest::qWaitFor([&] { return library.Library().Filter().rowCount() == 1; }));

  std::vector<QAction*> actions;
  for (QObject* root : std::initializer_list<QObject*>{form.get(), &library}) {
    for (QAction* action : root->findChildren<QAction*>()) {
      if (std::ranges::find(actions, action) == actions.end()) {
        actions.push_back(action);
      }
    }
  }
  struct Command {
    QString what;
    std::function<void()> run;
    // What may reach the module: nothing, or only short messages of these kinds (status bytes
    // without their channel).
    std::set<std::uint8_t> shortKinds;
  };
  std::vector<Command> commands;
  constexpr std::uint8_t kNoteOff = 0x80;
  constexpr std::uint8_t kNoteOn = 0x90;
  constexpr std::uint8_t kController = 0xB0;
  constexpr std::uint8_t kChannelBits = 0x0F;
  for (QAction* action : actions) {
    commands.push_back({action->objectName() + QLatin1Char('/') + action->text(),
                        [this, action] {
                          action->trigger();
                          // Quit closed the window: the test goes on in it.
                          form->show();
                        },
                        action == form->Panic1 ? std::set{kController} : std::set<std::uint8_t>{}});
  }
  const auto control = [this](const char* name) {
    return FindChildByName<controls::Tdragger>(*form, QString::fromLatin1(name));
  };
  const auto enter = [](QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
  };
  const std::vector<Command> controlCommands{
      {"a release on a value control", [&] { DragTo(control("dragger1"), 60); }, {}},
      {"a wheel notch on a preset knob", [&] { Wheel(control("dragger25"), 120); }, {}},
      {"an instrument chosen",
       [this] {
         form->instr->setFocus();
         QTest::keyClick(form->instr, Qt::Key_Down);
       },
       {}},
      {"a name entered", [&] { enter(form->patchname, QStringLiteral("New:name")); }, {}},
      {"a generic list value", [&] { enter(form->paramvalue, QStringLiteral("1")); }, {}},
      {"mute", [this] { QTest::mouseClick(form->mute, Qt::LeftButton); }, {}},
      {"a layer copy",
       [this] { form->copyto->setItemIndex(form->copyto->ItemIndex() == 0 ? 1 : 0); },
       {}},
      {"a file dropped",
       [this] {
         EXPECT_TRUE(DragOver(*form, {QUrl::fromLocalFile(PathOf("library/file.syx"))}, true));
       },
       {}},
      {"a preset of the library dropped on a channel",
       [&] {
         const std::unique_ptr<QMimeData> data(
             library.Library().Filter().mimeData({library.Library().Filter().index(0, 0)}));
         QRadioButton* target = form->channel->Button(7);
         const QPoint at = target->mapTo(form.get(), target->rect().center());
         QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
         QApplication::sendEvent(form.get(), &enter);
         QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, {});
         QApplication::sendEvent(form.get(), &drop);
         EXPECT_TRUE(drop.isAccepted());
       },
       {}},
      {"another output device",
       [this] {
         form->midiout->setCurrentIndex(1);
         emit form->midiout->OnChange(form->midiout);
       },
       {}},
      {"Rescan", [this] { QTest::mouseClick(form->rescan, Qt::LeftButton); }, {}},
      {"a note from the computer keyboard",
       [this] {
         form->channel->setFocus();
         QTest::keyClick(form.get(), Qt::Key_Z);
       },
       {kNoteOn, kNoteOff}},
  };
  commands.insert(commands.begin(), controlCommands.begin(), controlCommands.end());

  struct Transfer {
    const char* what;
    std::function<void()> start;
    QString refusal;
    std::function<bool()> ended;
    std::set<int> received;
  };
  const Transfer transfers[] = {
      {"Request",
       [this] {
         simulator->SetAnswerBehaviour(kRequestedChannelIndex, Late(1500));
         form->channel->setItemIndex(kRequestedChannelIndex);
         form->RequestPatchonCurrentChannel1->trigger();
       },
       requestRunning,
       [this] { return Name(kRequestedChannelIndex).starts_with("Mod"); },
       {kRequestedChannelIndex}},
      {"Request All",
       [this] {
         simulator->SetAnswerBehaviour(Late(1500));
         form->RequestAllPresets1->trigger();
       },
       transferRunning,
       [this] { return !form->RequestingAllPresets(); },
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
      {"Send All",
       [this] { form->SendAllPresets1->trigger(); },
       transferRunning,
       [this] { return Status() == "Sent 16 presets"; },
       {}},
  };
  const auto marks = [this] {
    std::vector<bool> marked;
    for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
      marked.push_back(form->Channels().Marked(channelIndex));
    }
    return marked;
  };
  for (const Transfer& t : transfers) {
    SCOPED_TRACE(t.what);
    AnswerAtOnce();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    PageOfValues();
    Rename("Old:chan ");
    // Something to undo and something to redo.
    RenameImage(*form, 0, Name(0));
    form->Undo1->trigger();
    ASSERT_TRUE(form->Undo1->isEnabled() && form->Redo1->isEnabled());
    statuses.clear();
    t.start();
    const sim::VirtualClock::Time started = clock.Now();
    ASSERT_TRUE(RunUntil([&] { return clock.Now() - started > std::chrono::milliseconds(600); }));
    driver->TakeMessages();
    for (const Command& command : commands) {
      SCOPED_TRACE(command.what.toStdString());
      form->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
      PageOfValues();
      Settle();
      driver->TakeMessages();
      const std::array<preset::tMrv, kPresets> before = form->Channels().Images();
      const std::vector<bool> markedBefore = marks();
      const int steps = form->Channels().UndoStack().count();
      const int stepsUndone = form->Channels().UndoStack().index();
      errors.clear();
      // A command that asks in a dialog of the toolkit's own gets no answer.
      QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
          modal->close();
        }
      });
      command.run();
      Settle();
      for (const QString& error : errors) {
        EXPECT_EQ(error, t.refusal);
      }
      for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
        const auto index = static_cast<std::size_t>(channelIndex);
        EXPECT_TRUE(
            std::ranges::equal(form->Channels().Image(channelIndex).View(), before[index].View()))
            << channelIndex;
      }
      EXPECT_EQ(marks(), markedBefore);
      EXPECT_EQ(form->Channels().UndoStack().count(), steps);
      EXPECT_EQ(form->Channels().UndoStack().index(), stepsUndone);
      const std::vector<Bytes> messages = driver->TakeMessages();
      EXPECT_EQ(messages.empty(), command.shortKinds.empty());
      for (const Bytes& message : messages) {
        EXPECT_TRUE(message.size() <= 3 &&
                    command.shortKinds.contains(message.front() & ~kChannelBits))
            << "sent " << message.size() << " bytes starting " << int(message.front());
      }
    }
    errors.clear();
    ASSERT_TRUE(RunUntil(t.ended));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    std::set<int> kept;
    for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
      if (!t.received.contains(channelIndex)) {
        kept.insert(channelIndex);
      }
    }
    ExpectChannels(kept);
  }
  qputenv("HOME", oldHome);
  qputenv("XDG_CONFIG_HOME", oldConfig);
}

// A Request given up on leaves nothing behind that speaks during the next transfer: its watch
// stays silent, and its late answer, for the edit buffer, goes into no channel.
TEST_F(SlowModuleTest, AnEarlierRequestNeverSpeaksDuringALaterTransfer) {
  const QString noAnswer = QStringLiteral(
      "No answer from the module: check the MIDI input device on the Setup page and the cables");
  simulator->SetAnswerBehaviour(preset::kEditBufferPreset, Late(2500));
  form->buffer->setChecked(true);
  Key(kRequest);
  ASSERT_TRUE(RunUntil([&] { return Status() == noAnswer; }));
  statuses.clear();
  ASSERT_TRUE(RunRequestAll());
  for (const QString& status : statuses) {
    EXPECT_FALSE(status.startsWith("No answer") || status.startsWith("The dump stopped") ||
                 status.contains("bytes came"))
        << status.toStdString();
  }
  ExpectChannels({});
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  EXPECT_EQ(Status(), "Received 16 of 16 presets; an answer not asked for was not loaded");
  EXPECT_EQ(ClickedHistory().mid(0, 2),
            (QStringList{Status(),
                         "The module sent the edit buffer when preset 1 was asked for: "
                         "it was not loaded"}));
}

// Send All and Request All stop at the first string that the driver refuses and say where; a
// refused Send says so instead of reporting it sent. The channel on show keeps showing the
// preset it received before the run stopped.
TEST_F(SlowModuleTest, SendingStopsAtTheFirstRefusedStringAndSaysWhere) {
  std::string refusal;
  driver->OutGetErrorText(midi::kNotReady, refusal);
  const QString driverText = QString::fromStdString(refusal);

  const int shown = 2;
  form->channel->setItemIndex(shown);
  driver->RefuseStringsFrom(5, midi::kNotReady);
  simulator->SetAnswerBehaviour(Late(1000));
  form->RequestAllPresets1->trigger();
  ASSERT_TRUE(RunUntil([this] { return Status() == "Preset 4 of 16"; }));
  EXPECT_EQ(form->windowTitle().toStdString(), NameOf("Mod:preset ", shown));
  ASSERT_TRUE(RunUntil([this] { return !form->RequestingAllPresets(); }));
  EXPECT_EQ(form->windowTitle().toStdString(), NameOf("Mod:preset ", shown));
  EXPECT_EQ(errors, QStringList{"Requesting stopped at preset 5 of 16: " + driverText});
  EXPECT_EQ(Status(), u"Received 4 of 16; presets 5\u201316 not requested, their channels kept"_s);
  ExpectChannels({4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});

  driver->TakeStrings();
  driver->RefuseStringsFrom(7, midi::kNotReady);
  errors.clear();
  statuses.clear();
  form->SendAllPresets1->trigger();
  ASSERT_TRUE(RunUntil([this] { return !errors.isEmpty(); }));
  EXPECT_EQ(errors, QStringList{"Sending stopped at preset 7 of 16: " + driverText});
  EXPECT_EQ(Status(), errors.front());
  EXPECT_EQ(driver->TakeStrings().size(), 6u);
  EXPECT_FALSE(RunUntil([] { return false; }));
  EXPECT_FALSE(statuses.contains("Sent 16 presets"));

  driver->RefuseStringsFrom(1, midi::kNotReady);
  errors.clear();
  statuses.clear();
  Key(kSend);
  Settle();
  EXPECT_EQ(errors, QStringList{driverText});
  EXPECT_FALSE(statuses.contains("Sent channel 3 to preset 3"));
  driver->AcceptStrings();
  Key(kSend);
  Settle();
  EXPECT_EQ(Status(), "Sent channel 3 to preset 3");
}

}  // namespace
}  // namespace morvane::editor::testing
