#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "data_files.h"
#include "editor_application.h"
#include "file_dialog.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "preset/dump_frame.h"
#include "preset/dump_layout.h"
#include "preset/file_io.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "recording_driver.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "transfer_owner.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

using midi::VirtualBackend;
using preset::Bytes;
using Strings = std::vector<Bytes>;

constexpr QKeyCombination kInitialize = Qt::CTRL | Qt::SHIFT | Qt::Key_F12;
constexpr QKeyCombination kRequest = Qt::CTRL | Qt::Key_F9;
constexpr QKeyCombination kSend = Qt::CTRL | Qt::Key_F10;
constexpr QKeyCombination kLoad = Qt::CTRL | Qt::Key_O;
constexpr QKeyCombination kSave = Qt::CTRL | Qt::Key_S;
constexpr int kWaitMs = 5000;
constexpr int kLayerBlockStart = 228;
constexpr int kLayerBlockSize = 316;
constexpr int kCopiedValues = 45;
constexpr int kCopiedBytes = 2 * kCopiedValues;
constexpr std::int8_t kLayerGroup = 4;

std::pair<int, int> PresetNumberBytes(std::span<const std::uint8_t> dump) {
  return {dump[preset::kPresetNumberOffset], dump[preset::kPresetNumberOffset + 1]};
}

Bytes Payload(const preset::ByteStream& image) {
  return {image.View().begin(), image.View().end()};
}

// The window on a simulator of its own, each string that reached it recorded; file dialogs
// answered by the test, and every caption the window showed kept in order.
class TransferTest : public ::testing::Test {
 protected:
  void Start(VirtualBackend::Pacing pacing) {
    ASSERT_TRUE(folder.isValid() && settingsFolder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    simulator = std::make_unique<VirtualBackend>(pacing);
    driver = std::make_unique<RecordingDriver>(*simulator);
    TEditorApplication::Instance()->SetErrorReporter([this](const QString& t) { errors << t; });
    form = std::make_unique<TForm1>(&prompt, *driver);
    for (TFileDialog* dialog : {form->OpenDialog1, form->SaveDialog1}) {
      dialog->SetScriptedAnswer([this](const TFileDialog& shown) {
        proposed << shown.FileName();
        return chosen;
      });
    }
    QObject::connect(form.get(), &QWidget::windowTitleChanged,
                     [this](const QString& title) { captions << title; });
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    ASSERT_EQ(form->midiin->currentIndex(), 0);
    ASSERT_EQ(form->MidiOutput1.State(), midi::mosOpen);
  }
  void SetUp() override { Start(VirtualBackend::Pacing::Instant); }
  void TearDown() override {
    form.reset();
    driver.reset();
    simulator.reset();
    TEditorApplication::Instance()->SetErrorReporter({});
  }

  void Key(QKeyCombination keys) {
    QTest::keyClick(form.get(), keys.key(), keys.keyboardModifiers());
  }
  // What reached the simulator since the last call, once the engine has sent everything.
  Strings Sent() {
    QElapsedTimer waited;
    waited.start();
    while (form->engine.SysexSender().PendingCount() != 0 && waited.elapsed() < kWaitMs) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return driver->TakeStrings();
  }
  void Choose(int channelIndex, bool bf) {
    form->channel->setItemIndex(channelIndex);
    form->buffer->setChecked(bf);
  }
  bool AwaitDump() {
    return QTest::qWaitFor([this] { return form->receiveBuffer.Size() >= preset::kDumpSize; },
                           kWaitMs);
  }
  // Requests the preset that channelIndex and bf address into that channel's image.
  std::string ModuleName(int channelIndex, bool bf) {
    Choose(channelIndex, bf);
    Key(kRequest);
    EXPECT_TRUE(AwaitDump());
    Sent();
    return form->Channels().Image(static_cast<std::size_t>(channelIndex)).ReadName();
  }
  // Gives the module's preset that channelIndex and bf address this name, through Send.
  void Store(int channelIndex, bool bf, std::string_view name) {
    Choose(channelIndex, bf);
    RenameImage(*form, static_cast<std::size_t>(channelIndex), name);
    Key(kSend);
    Sent();
  }
  QString PathOf(const char* name) const { return QDir(folder.path()).filePath(name); }
  void WriteFile(const char* name, std::span<const std::uint8_t> bytes) const {
    preset::WriteFileReplacing(LocalFileName(PathOf(name)), bytes);
  }
  Bytes InitialFile() const {
    return preset::ReadWholeFile(
        LocalFileName(DataFilePath(form->ProgramDirectory(), kInitialPresetFile)));
  }
  QString Caption(int channelIndex) const {
    const std::string name =
        form->Channels().Image(static_cast<std::size_t>(channelIndex)).ReadName();
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  }

  QTemporaryDir folder;
  QTemporaryDir settingsFolder;
  std::unique_ptr<VirtualBackend> simulator;
  std::unique_ptr<RecordingDriver> driver;
  RecordingPrompt prompt;
  QStringList errors;
  QStringList captions;
  QStringList proposed;
  std::optional<QString> chosen;
  std::unique_ptr<TForm1> form;
};

// The module answers at the rate of the MIDI wire, so a dump arrives packet by packet.
class ArrivingDumpTest : public TransferTest {
 protected:
  void SetUp() override { Start(VirtualBackend::Pacing::WireRate); }
  bool AwaitPartOfTheDump() {
    return QTest::qWaitFor(
        [this] {
          const std::size_t size = form->receiveBuffer.Size();
          return size > 0 && size < preset::kDumpSize;
        },
        kWaitMs);
  }
};

TEST_F(ArrivingDumpTest, CaptionCountsTheBytesThenShowsTheReceivedPreset) {
  Store(0, true, "Rcv:preset");
  Choose(1, true);
  captions.clear();
  Key(kRequest);
  EXPECT_EQ(prompt.texts.back(), "This will replace patch on current channel. Continue?");
  ASSERT_TRUE(AwaitDump());
  EXPECT_EQ(Sent(), Strings{preset::DumpRequestMessage(-1)});

  ASSERT_GE(captions.size(), 3);
  EXPECT_EQ(captions.back(), "Rcv:preset      ");
  captions.removeLast();
  EXPECT_EQ(captions.back(), "1605");
  for (qsizetype i = 1; i < captions.size(); ++i) {
    EXPECT_GT(captions[i].toInt(), captions[i - 1].toInt()) << captions.join(' ').toStdString();
  }
  // The image takes the dump as it came, with the module's own preset number.
  EXPECT_EQ(Payload(form->Channels().Image(1)), Payload(form->Channels().Image(0)));
  EXPECT_EQ(PresetNumberBytes(form->Channels().Image(1).RawDump().View()), std::pair(0x7F, 0x7F));
}

TEST_F(ArrivingDumpTest, DumpLandsInTheChannelCurrentWhenItCompletes) {
  Store(0, true, "For:channel six");
  const Bytes before = Payload(form->Channels().Image(1));
  Choose(1, true);
  Key(kRequest);
  ASSERT_TRUE(AwaitPartOfTheDump());
  QRadioButton* sixth = form->channel->Button(5);
  QTest::mouseClick(sixth, Qt::LeftButton, {}, QPoint(4, sixth->height() / 2));
  ASSERT_TRUE(AwaitDump());
  EXPECT_EQ(form->Channels().Image(5).ReadName(), "For:channel six ");
  EXPECT_EQ(Payload(form->Channels().Image(1)), before);
  EXPECT_EQ(form->windowTitle(), "For:channel six ");
}

// A second Request while the first dump arrives would mix the two: it is refused, and once
// the first is in the next Request starts the count again.
TEST_F(ArrivingDumpTest, SecondRequestWaitsUntilTheFirstDumpIsIn) {
  Store(0, true, "Edt:buffer");
  Store(2, false, "Usr:preset 2");
  Choose(3, true);
  Key(kRequest);
  ASSERT_TRUE(AwaitPartOfTheDump());
  Key(kRequest);
  EXPECT_EQ(errors, QStringList{"The requested preset is still coming from the module: wait "
                                "until it is in"});
  ASSERT_TRUE(AwaitDump());
  EXPECT_EQ(Sent(), Strings{preset::DumpRequestMessage(-1)});
  EXPECT_EQ(form->Channels().Image(3).ReadName(), "Edt:buffer      ");
  EXPECT_EQ(ModuleName(2, false), "Usr:preset 2    ");
  EXPECT_EQ(form->receiveBuffer.Size(), preset::kDumpSize);
}

TEST_F(TransferTest, InitializeSendsTheBufferChoiceAndKeepsTheChannelIndexInTheImage) {
  struct Case {
    bool bf;
    std::pair<int, int> sentNumber;
    QString caption;
    QString status;
  };
  preset::tMrv initial;
  initial.LoadPresetFromBytes(InitialFile());
  for (const Case& c :
       {Case{true,
             {0x7F, 0x7F},
             "1605127127",
             "Initialized channel 5 and sent it to the edit buffer"},
        Case{false, {4, 0}, "160540", "Initialized channel 5 and sent it to preset 5"}}) {
    Choose(4, c.bf);
    RenameImage(*form, 4, "Changed");
    captions.clear();
    Key(kInitialize);
    EXPECT_EQ(prompt.texts.back(), "initialize?");
    const Strings sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), preset::kDumpSize);
    EXPECT_EQ(PresetNumberBytes(sent[0]), c.sentNumber);
    EXPECT_EQ(PresetNumberBytes(form->Channels().Image(4).RawDump().View()), std::pair(4, 0));
    EXPECT_EQ(Payload(form->Channels().Image(4)), Payload(initial));
    // The channel renamed in the editor keeps its mark until the driver has taken the dump.
    EXPECT_EQ(captions,
              QStringList({c.caption, MarkedCaption(Caption(4).toStdString()), Caption(4)}));
    EXPECT_EQ(form->StatusBar1->currentMessage(), c.status);
  }
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(TransferTest, SaveWritesThePresetNumberOfTheBufferChoiceUnderTheProposedName) {
  struct Case {
    int channelIndex;
    bool bf;
    std::pair<int, int> number;
  };
  form->PageControl1->setCurrentWidget(form->commonsheet);
  for (const Case& c : {Case{0, true, {0x7F, 0x7F}}, Case{6, false, {6, 0}}}) {
    Choose(c.channelIndex, c.bf);
    form->patchname->clear();
    QTest::keyClicks(form->patchname, "Saved");
    QTest::keyClick(form->patchname, Qt::Key_Return);
    Sent();
    proposed.clear();
    chosen = PathOf("saved.syx");
    Key(kSave);
    EXPECT_EQ(proposed, QStringList{"Sav-ed.syx"}) << "the name box keeps the fourth character";
    const Bytes file = preset::ReadWholeFile(LocalFileName(*chosen));
    ASSERT_EQ(file.size(), preset::kDumpSize);
    EXPECT_EQ(PresetNumberBytes(file), c.number);
    preset::tMrv saved;
    saved.LoadPresetFromBytes(file);
    EXPECT_EQ(saved.ReadName(), "Sav:ed          ");
  }
  EXPECT_TRUE(errors.isEmpty());
  EXPECT_TRUE(Sent().empty());
}

TEST_F(TransferTest, LoadShowsThePresetAndChangesTheModuleOnlyOnYes) {
  preset::tMrv file;
  file.LoadPresetFromBytes(InitialFile());
  file.WriteName("Lod:preset");
  file.SavePreset(LocalFileName(PathOf("loaded.syx")));
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    Choose(0, true);
    prompt.answers = {yes};
    chosen = PathOf("loaded.syx");
    Key(kLoad);
    EXPECT_EQ(prompt.texts.back(), "send?");
    EXPECT_EQ(Sent().size(), yes ? 1u : 0u);
    EXPECT_EQ(form->StatusBar1->currentMessage() == "Sent channel 1 to the edit buffer", yes);
    // The mark goes once the driver has taken the dump.
    EXPECT_EQ(form->windowTitle(), yes ? "Lod:preset      " : MarkedCaption("Lod:preset      "));
    EXPECT_EQ(ModuleName(1, true) == "Lod:preset      ", yes);
  }
  EXPECT_EQ(form->OpenDialog1->FileName(), PathOf("loaded.syx"));
}

TEST_F(TransferTest, CopySendsTheMessageChangesTheImageAndSendsTheDumpOnlyOnYes) {
  struct Case {
    int fromIndex;
    int toIndex;
    bool sendAnswer;
  };
  for (const Case& c : {Case{0, 2, false}, Case{1, 1, true}, Case{3, 0, true}}) {
    SCOPED_TRACE(c.toIndex);
    Choose(0, true);
    form->copyfrom->setItemIndex(c.fromIndex);
    form->copyto->setItemIndex(c.toIndex == 0 ? 1 : 0);
    Sent();
    ChangeImage(*form, 0, [&](preset::tMrv& image) {
      for (int index = 1; index <= kCopiedValues; ++index) {
        image.WriteParam(kLayerGroup, index, c.fromIndex + 1, 3 * index + c.fromIndex);
      }
    });
    const Bytes before = Payload(form->Channels().Image(0));
    prompt.answers = {true, c.sendAnswer};
    prompt.texts.clear();
    form->copyto->setItemIndex(c.toIndex);
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"copy?", "send?"}));
    const Strings sent = Sent();
    ASSERT_EQ(sent.size(), c.sendAnswer ? 2u : 1u);
    EXPECT_EQ(sent[0], preset::LayerCopyMessage(-1, c.fromIndex, -1, c.toIndex));
    EXPECT_EQ(form->StatusBar1->currentMessage(),
              c.sendAnswer ? QStringLiteral("Sent channel 1 to the edit buffer")
                           : QStringLiteral("Copied layer %1 to %2 in the edit buffer")
                                 .arg(c.fromIndex + 1)
                                 .arg(c.toIndex + 1));
    Bytes expected = before;
    const auto from = before.begin() + kLayerBlockStart + kLayerBlockSize * c.fromIndex;
    std::copy(from, from + kCopiedBytes,
              expected.begin() + kLayerBlockStart + kLayerBlockSize * c.toIndex);
    EXPECT_EQ(Payload(form->Channels().Image(0)), expected);
  }
}

TEST_F(TransferTest, FailuresEndTheCommandAtTheFailingStep) {
  Bytes shortFile = InitialFile();
  shortFile.resize(1000);
  WriteFile("short.syx", shortFile);
  std::string refusal;
  driver->OutGetErrorText(midi::kNotReady, refusal);
  struct Case {
    QKeyCombination keys;
    std::optional<QString> file;
    std::function<void(TForm1&)> before;
    QString error;
    int presses = 1;
  };
  const Case cases[] = {
      // Two sends queued before the driver refuses the first: one box, not one each.
      {kSend,
       {},
       [this](TForm1&) { driver->RefuseStringsFrom(1, midi::kNotReady); },
       QString::fromStdString(refusal),
       2},
      {kLoad,
       PathOf("missing.syx"),
       {},
       "Cannot open file " + PathOf("missing.syx") + ": it does not exist"},
      {kLoad,
       PathOf("short.syx"),
       {},
       PathOf("short.syx") + " is not a Morvane preset: it ends after 1000 of 1605 bytes"},
      {kSave,
       PathOf("no/such/folder.syx"),
       {},
       "Cannot create file " + PathOf("no/such/folder.syx") + ": the folder " + PathOf("no/such") +
           " does not exist"},
      {kRequest,
       {},
       [](TForm1& f) { f.midiin->setCurrentIndex(-1); },
       "No MIDI input device is chosen: choose one on the Setup page\nInvalid device ID"},
  };
  Choose(0, true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error.toStdString());
    const Bytes before = Payload(form->Channels().Image(0));
    const QString caption = form->windowTitle();
    if (c.before) {
      c.before(*form);
    }
    chosen = c.file;
    errors.clear();
    prompt.texts.clear();
    for (int press = 0; press < c.presses; ++press) {
      Key(c.keys);
    }
    // Everything queued so far has been handed on, and its outcome told, once this runs.
    bool told = false;
    form->Transfers().AfterSending([&told] { told = true; });
    ASSERT_TRUE(QTest::qWaitFor([&told] { return told; }, kWaitMs));
    EXPECT_EQ(errors, QStringList{c.error});
    EXPECT_EQ(Payload(form->Channels().Image(0)), before);
    EXPECT_EQ(form->windowTitle(), caption);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(prompt.texts.empty(), c.keys != kRequest && c.keys != kSend);
    driver->AcceptStrings();
  }
  EXPECT_EQ(form->MidiInput1.State(), midi::misClosed);
  // The image is still whole: it can be sent as before.
  Key(kSend);
  EXPECT_EQ(Sent(), Strings{form->Channels().Image(0).BuildDump()});
}

// A file long enough to unpack but short of a whole dump is no preset: it is refused, so the
// image stays whole and a save over another file writes a whole preset.
TEST_F(TransferTest, FileShortOfAWholeDumpIsRefusedAndASaveStaysWhole) {
  Bytes shortDump = InitialFile();
  shortDump.resize(preset::kMinUnpackSize);
  WriteFile("short.syx", shortDump);
  const Bytes existing(preset::kDumpSize, 0x55);
  WriteFile("existing.syx", existing);
  Choose(0, true);
  const Bytes before = Payload(form->Channels().Image(0));
  chosen = PathOf("short.syx");
  Key(kLoad);
  chosen = PathOf("existing.syx");
  Key(kSave);
  EXPECT_EQ(errors, QStringList{PathOf("short.syx") +
                                " is not a Morvane preset: it ends after 1603 of 1605 bytes"});
  EXPECT_EQ(Payload(form->Channels().Image(0)), before);
  EXPECT_EQ(preset::ReadWholeFile(LocalFileName(PathOf("existing.syx"))).size(), preset::kDumpSize);
  EXPECT_TRUE(preset::IsFramedDump(preset::ReadWholeFile(LocalFileName(PathOf("existing.syx")))));
}

// Each whole-preset change is one step; undo and redo change the editor's image only, after
// showing the channel that they change.
TEST_F(TransferTest, WholePresetChangesUndoInTheEditorOnly) {
  Store(0, true, "Mod:preset");
  preset::tMrv file;
  file.LoadPresetFromBytes(InitialFile());
  file.WriteName("Lod:preset");
  file.SavePreset(LocalFileName(PathOf("loaded.syx")));
  const QString usualNote = "The module keeps its preset until you send this one";
  struct Case {
    const char* text;
    std::function<void()> command;
    QString undoNote;
  };
  const std::vector<Case> cases{
      {"Initialize", [this] { Key(kInitialize); },
       "The module keeps the initial preset until you send this one"},
      {"Load",
       [this] {
         chosen = PathOf("loaded.syx");
         prompt.answers = {false};
         Key(kLoad);
       },
       usualNote},
      {"received dump",
       [this] {
         Key(kRequest);
         EXPECT_TRUE(AwaitDump());
       },
       usualNote},
      {"Copy layer 1 to 2",
       [this] {
         prompt.answers = {true, false};
         form->copyto->setItemIndex(1);
       },
       usualNote},
      {"Open loaded.syx",
       [this] {
         OpenCommandLineFile(*form, ParseCommandLine({"morvane-editor", PathOf("loaded.syx")}));
       },
       usualNote},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Choose(0, true);
    form->copyto->setItemIndex(0);
    RenameImage(*form, 0, "Old:preset");
    ChangeImage(*form, 0, [&](preset::tMrv& image) { image.WriteParam(kLayerGroup, 2, 1, 77); });
    const Bytes before = Payload(form->Channels().Image(0));
    c.command();
    Sent();
    const Bytes after = Payload(form->Channels().Image(0));
    ASSERT_NE(after, before);
    EXPECT_EQ(form->Undo1->text(), QStringLiteral("Undo %1").arg(c.text));
    Choose(3, false);
    form->Undo1->trigger();
    EXPECT_EQ(form->channel->ItemIndex(), 0);
    EXPECT_EQ(Payload(form->Channels().Image(0)), before);
    EXPECT_EQ(form->windowTitle(), MarkedCaption(form->Channels().Image(0).ReadName()));
    EXPECT_EQ(form->StatusBar1->currentMessage(), c.undoNote);
    Choose(5, false);
    form->Redo1->trigger();
    EXPECT_EQ(form->channel->ItemIndex(), 0);
    EXPECT_EQ(Payload(form->Channels().Image(0)), after);
    EXPECT_EQ(form->StatusBar1->currentMessage(), usualNote);
    EXPECT_TRUE(Sent().empty());
  }
  EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
}  // namespace morvane::editor::testing
