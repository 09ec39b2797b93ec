#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>

#include "data_files.h"
#include "editor_application.h"
#include "library_problems.h"
#include "library_window.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "morph_window.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/initial_preset.h"
#include "preset_library.h"
#include "radio_group.h"
#include "recording_driver.h"
#include "sim/simulated_module.h"
#include "tform1.h"
#include "variations.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

using preset::Bytes;

constexpr int kWaitMs = 5000;

preset::tMrv Named(const std::string& name) {
  preset::tMrv image;
  image.LoadPresetFromBytes(preset::BuildInitialPreset());
  image.WriteName(name);
  return image;
}

Bytes Payload(const preset::ByteStream& image) {
  return {image.View().begin(), image.View().end()};
}

Bytes EditBufferDump(preset::tMrv image) {
  image.SetPresetNumber(-1);
  return image.BuildDump();
}

struct Wait {
  int ms;
  std::function<void()> then;
};

// The window on a simulator of its own, every message it sent recorded, over a library folder
// of its own: a preset in a sub-folder, a copy of it, a bank of sixteen and two files that are
// not presets.
class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid() && settingsFolder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    Store(TPresetLibrary::kFolderSetting, folder.path());
    QDir(folder.path()).mkpath(QStringLiteral("pads"));
    Write("pads/warm.syx", Named("Pad:Warm Pad").BuildDump());
    Write("copy.syx", Named("Pad:Warm Pad").BuildDump());
    preset::Bank bank;
    for (std::size_t index = 0; index < bank.size(); ++index) {
      bank[index] = Named("Bas:Deep " + std::to_string(index + 1));
    }
    Write("bank.syx", preset::BuildBank(bank));
    Write("junk.syx", Bytes(100, 0x55));
    Bytes cut = Named("Pad:Cut").BuildDump();
    cut.resize(preset::kMinUnpackSize);
    Write("cut.syx", cut);
    Write("notes.txt", Bytes(10, 0x41));

    simulator = std::make_unique<midi::VirtualBackend>();
    driver = std::make_unique<RecordingDriver>(*simulator);
    TEditorApplication::Instance()->SetErrorReporter([this](const QString& t) { errors << t; });
    form = std::make_unique<TForm1>(&prompt, *driver);
    form->Library().Audition().StartWait = [this](int ms, std::function<void()> then) {
      waits.push_back({ms, std::move(then)});
    };
    form->StartTransferWait = [](int, std::function<void()>) {};
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  void TearDown() override {
    form.reset();
    driver.reset();
    simulator.reset();
    TEditorApplication::Instance()->SetErrorReporter({});
  }

  void Store(const char* name, const QString& text) {
    QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "keltano", "mrveditor");
    raw.setValue(QStringLiteral("setup/") + QLatin1String(name), text);
  }
  QString PathOf(const QString& name) const { return QDir(folder.path()).filePath(name); }
  void Write(const QString& name, const Bytes& bytes) const {
    QFile file(PathOf(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  }
  // Every message sent, in order, once the SysEx sender has handed all of them out.
  std::vector<Bytes> Messages() {
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->engine.SysexSender().PendingCount() == 0; },
                                kWaitMs));
    QApplication::processEvents();
    driver->TakeStrings();
    return driver->TakeMessages();
  }
  TLibraryWindow& OpenLibrary() {
    QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
    TLibraryWindow* window = form->Library().Window();
    EXPECT_NE(window, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->Library().Listing(); }, kWaitMs));
    return *window;
  }
  // The count as shown: the presets, and the button that lists the files that are none.
  static QString Count(const TLibraryWindow& window) {
    const QPushButton& problems = *window.ProblemsButton();
    return window.CountLabel()->text() +
           (problems.isHidden() ? QString() : QStringLiteral("; ") + problems.text());
  }
  // The rows shown, as "name|file|position", in the order shown.
  static QStringList Shown(TLibraryWindow& window) {
    QStringList rows;
    TLibraryFilter& filter = window.Library().Filter();
    for (int row = 0; row < filter.rowCount(); ++row) {
      const TLibraryEntry& entry = filter.Entry(filter.index(row, 0));
      rows << QStringLiteral("%1|%2|%3").arg(entry.name, entry.shownPath).arg(entry.bankPosition);
    }
    return rows;
  }
  // Chooses the shown row of this name by a click, as the user does.
  static void Choose(TLibraryWindow& window, const QString& name) {
    QTableView* list = window.List();
    TLibraryFilter& filter = window.Library().Filter();
    for (int row = 0; row < filter.rowCount(); ++row) {
      const QModelIndex index = filter.index(row, 0);
      if (filter.Entry(index).name == name) {
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        return;
      }
    }
    ADD_FAILURE() << "no row " << name.toStdString();
  }

  QTemporaryDir folder;
  QTemporaryDir settingsFolder;
  std::unique_ptr<midi::VirtualBackend> simulator;
  std::unique_ptr<RecordingDriver> driver;
  RecordingPrompt prompt;
  QStringList errors;
  std::vector<Wait> waits;
  std::unique_ptr<TForm1> form;
};

TEST_F(LibraryTest, ListsEveryPresetOfTheFolderAndNarrowsAsTheUserTypes) {
  TLibraryWindow& window = OpenLibrary();
  QStringList expected{"Bas:Deep 1|bank.syx|1", "Bas:Deep 10|bank.syx|10"};
  const QStringList shown = Shown(window);
  ASSERT_EQ(shown.size(), 18) << shown.join(' ').toStdString();
  EXPECT_EQ(shown.mid(0, 2), expected);
  // A preset and its copy are both listed; ties go by file.
  EXPECT_EQ(shown.mid(16),
            QStringList({"Pad:Warm Pad|copy.syx|0", "Pad:Warm Pad|pads/warm.syx|0"}));
  EXPECT_EQ(Count(window), "18 presets; 2 files are not presets");

  const struct {
    const char* typed;
    int rows;
  } searches[] = {{"warm", 2}, {"PADS/", 1}, {"deep 1", 8}, {"bas 1 6", 1}, {"zzz", 0}};
  for (const auto& search : searches) {
    window.SearchBox()->clear();
    QTest::keyClicks(window.SearchBox(), QString::fromLatin1(search.typed));
    EXPECT_EQ(window.Library().Filter().rowCount(), search.rows) << search.typed;
  }
  EXPECT_EQ(Count(window), "0 of 18 presets; 2 files are not presets");
  // Typing in the list goes on in the search.
  window.SearchBox()->clear();
  window.List()->setFocus();
  QTest::keyClicks(window.List(), QStringLiteral("cop"));
  EXPECT_EQ(window.SearchBox()->text(), "cop");
  EXPECT_EQ(Shown(window), QStringList({"Pad:Warm Pad|copy.syx|0"}));
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// Chosen at once, before the first folder's presets reached the list: none of them ever shows.
TEST_F(LibraryTest, AnotherFolderChosenWhileOneIsReadIsListedAloneAndRemembered) {
  QTemporaryDir other;
  QFile file(QDir(other.path()).filePath(QStringLiteral("lead.syx")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const Bytes lead = Named("Led:Other").BuildDump();
  file.write(reinterpret_cast<const char*>(lead.data()), static_cast<qint64>(lead.size()));
  file.close();
  QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
  TLibraryWindow& window = *form->Library().Window();
  window.SetScriptedFolderAnswer([&other](const QString&) { return other.path(); });
  window.ChooseFolderButton()->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.Library().Listing(); }, kWaitMs));
  QApplication::processEvents();
  EXPECT_EQ(Shown(window), QStringList({"Led:Other|lead.syx|0"}));
  EXPECT_EQ(window.CountLabel()->text(), "1 preset");
  const QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "keltano", "mrveditor");
  EXPECT_EQ(stored.value(QStringLiteral("setup/libraryfolder")).toString(), other.path());
}

TEST_F(LibraryTest, FilesAddedChangedOrRemovedOutsideShowUpWithoutARestart) {
  TLibraryWindow& window = OpenLibrary();
  const auto shownNow = [&](int rows) {
    return QTest::qWaitFor([&] { return Shown(window).size() == rows; }, kWaitMs);
  };
  QDir(folder.path()).mkpath(QStringLiteral("new/deeper"));
  ASSERT_TRUE(shownNow(18));
  Write("new/deeper/lead.syx", Named("Led:Saw").BuildDump());
  ASSERT_TRUE(shownNow(19)) << Shown(window).join(' ').toStdString();
  EXPECT_TRUE(Shown(window).contains("Led:Saw|new/deeper/lead.syx|0"));
  // The bank overwritten in place by one preset.
  Write("bank.syx", Named("Bas:Alone").BuildDump());
  ASSERT_TRUE(shownNow(4)) << Shown(window).join(' ').toStdString();
  EXPECT_TRUE(Shown(window).contains("Bas:Alone|bank.syx|0"));
  // A preset saved over itself in place: the same size, a new name.
  Write("pads/warm.syx", Named("Pad:Renamed").BuildDump());
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shown(window).contains("Pad:Renamed|pads/warm.syx|0"); },
                              kWaitMs))
      << Shown(window).join(' ').toStdString();
  ASSERT_TRUE(QFile::remove(PathOf("copy.syx")));
  ASSERT_TRUE(QFile::remove(PathOf("junk.syx")));
  ASSERT_TRUE(shownNow(3));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Count(window) == "3 presets; 1 file is not a preset"; },
                              kWaitMs))
      << Count(window).toStdString();
  // The folder deleted and made again, with one preset in it.
  ASSERT_TRUE(QDir(folder.path()).removeRecursively());
  ASSERT_TRUE(shownNow(0)) << Shown(window).join(' ').toStdString();
  ASSERT_TRUE(QDir().mkpath(folder.path()));
  Write("again.syx", Named("Led:Again").BuildDump());
  ASSERT_TRUE(shownNow(1)) << Shown(window).join(' ').toStdString();
  EXPECT_EQ(Shown(window), QStringList({"Led:Again|again.syx|0"}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Count(window) == "1 preset"; }, kWaitMs))
      << Count(window).toStdString();
}

TEST_F(LibraryTest, TheCountOfFilesThatAreNoPresetsOpensTheirListWithTheReasons) {
  preset::Bank bank;
  bank.fill(Named("Bas:Any"));
  Bytes badBank = preset::BuildBank(bank);
  badBank.back() = 0x00;
  Write("z-bank.syx", badBank);
  Write("pads/empty.syx", {});
  TLibraryWindow& window = OpenLibrary();
  ASSERT_EQ(Count(window), "18 presets; 4 files are not presets");
  QTest::mouseClick(window.ProblemsButton(), Qt::LeftButton);
  auto* problems = window.findChild<TLibraryProblems*>();
  ASSERT_NE(problems, nullptr);
  EXPECT_TRUE(problems->isVisible());
  EXPECT_EQ(problems->List()->toPlainText().split('\n'),
            QStringList({"cut.syx: it holds 1603 bytes, a preset 1605 and a bank 25680",
                         "junk.syx: it holds 100 bytes, a preset 1605 and a bank 25680",
                         QDir::toNativeSeparators("pads/empty.syx") + ": it is empty",
                         "z-bank.syx: preset 16 of its bank is not framed: its packet 7 is "
                         "damaged"}));
  // Gone with the files: the button hides.
  problems->close();
  for (const char* name : {"cut.syx", "junk.syx", "pads/empty.syx", "z-bank.syx"}) {
    ASSERT_TRUE(QFile::remove(PathOf(QLatin1String(name))));
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.ProblemsButton()->isHidden(); }, kWaitMs));
  EXPECT_EQ(Count(window), "18 presets");
}

// A name made under another encoding than UTF-8 is listed, loads and drags as the file it is.
TEST_F(LibraryTest, AFileWhoseNameIsNotUtf8LoadsAndDrops) {
#ifdef _WIN32
  GTEST_SKIP() << "file names are text on Windows";
#else
  const std::string name = folder.path().toStdString() + "/caf\xE9.syx";
  {
    std::ofstream file(name, std::ios::binary);
    const Bytes dump = Named("Pad:Latin").BuildDump();
    file.write(reinterpret_cast<const char*>(dump.data()),
               static_cast<std::streamsize>(dump.size()));
  }
  TLibraryWindow& window = OpenLibrary();
  form->channel->setItemIndex(4);
  prompt.answers = {false};
  Choose(window, QStringLiteral("Pad:Latin"));
  QTest::keyClick(window.List(), Qt::Key_Return);
  EXPECT_EQ(form->Channels().Image(4).ReadName(), "Pad:Latin       ");
  const std::unique_ptr<QMimeData> data(
      window.Library().Filter().mimeData(window.List()->selectionModel()->selectedRows()));
  ASSERT_NE(data, nullptr);
  const std::optional<TLibraryReference> dragged =
      DecodeLibraryReference(data->data(QLatin1String(kLibraryMimeType)));
  ASSERT_TRUE(dragged.has_value());
  EXPECT_EQ(LocalFileName(dragged->file), name);
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
#endif
}

TEST_F(LibraryTest, EnterLoadsIntoTheCurrentChannelAsLoadDoes) {
  TLibraryWindow& window = OpenLibrary();
  form->channel->setItemIndex(2);
  const int steps = form->Channels().UndoStack().count();
  for (const bool send : {false, true}) {
    SCOPED_TRACE(send);
    prompt.answers = {send};
    Choose(window, QStringLiteral("Bas:Deep 5"));
    QTest::keyClick(window.List(), Qt::Key_Return);
    EXPECT_EQ(prompt.texts.back(), "send?");
    EXPECT_EQ(form->Channels().Image(2).ReadName(), "Bas:Deep 5      ");
    const std::vector<Bytes> sent = Messages();
    EXPECT_EQ(sent.size(), send ? 1u : 0u);
    EXPECT_EQ(form->Channels().Marked(2), !send);
  }
  EXPECT_EQ(form->Channels().UndoStack().count(), steps + 2);
  EXPECT_EQ(form->Channels().UndoStack().undoText(), "Load");
  // A file that changed since it was listed is read again, and refused when no preset is left.
  Write("bank.syx", Bytes(10, 0));
  QTest::keyClick(window.List(), Qt::Key_Return);
  EXPECT_EQ(errors, QStringList({"Not a bank of 16 presets: " + PathOf("bank.syx") +
                                 " holds 10 bytes, a bank 25680"}));
  EXPECT_EQ(form->Channels().UndoStack().count(), steps + 2);
}

// The preset chosen in the library is a morph source as it stands in its file, a bank's preset
// as itself. With no library open the choice is refused and the list shows the last one again.
TEST_F(LibraryTest, TheChosenPresetIsAMorphSource) {
  constexpr int kLibraryItem = 16;
  form->Variations().Morph1->trigger();
  TMorphWindow* morph = form->Variations().MorphWindow();
  ASSERT_NE(morph, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(morph));
  QComboBox* b = morph->Source(1);
  ASSERT_EQ(b->itemText(kLibraryItem), QStringLiteral("Library.."));
  b->setFocus();
  for (int item = b->currentIndex(); item < kLibraryItem; ++item) {
    QTest::keyClick(b, Qt::Key_Down);
  }
  EXPECT_EQ(errors, QStringList({"Choose a preset in the library first (View > Library), then "
                                 "Library.. again"}));
  EXPECT_EQ(b->currentIndex(), kLibraryItem - 1);
  errors.clear();
  form->Library().Open();
  TLibraryWindow& window = *form->Library().Window();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.Library().Listing(); }, kWaitMs));
  Choose(window, QStringLiteral("Bas:Deep 5"));
  QTest::keyClick(b, Qt::Key_Down);
  EXPECT_EQ(b->currentIndex(), kLibraryItem);
  EXPECT_EQ(b->currentText(),
            QStringLiteral("Library.. %1 (preset 5 of the bank)").arg(PathOf("bank.syx")));
  QTest::keyClick(morph->Slider(), Qt::Key_End);
  EXPECT_TRUE(std::ranges::equal(form->Channels().Image(0).View(), Named("Bas:Deep 5").View()));
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(LibraryTest, APresetDroppedOnAChannelButtonLoadsIntoThatChannel) {
  TLibraryWindow& window = OpenLibrary();
  const struct {
    const char* preset;
    int channelIndex;
  } rows[] = {{"Bas:Deep 5", 5}, {"Bas:Deep 16", 15}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.preset);
    Choose(window, QLatin1String(row.preset));
    TLibraryFilter& filter = window.Library().Filter();
    const std::unique_ptr<QMimeData> data(
        filter.mimeData(window.List()->selectionModel()->selectedRows()));
    ASSERT_NE(data, nullptr);
    const auto drag = [&](QPoint at) {
      QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
      QApplication::sendEvent(form.get(), &enter);
      QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
      QApplication::sendEvent(form.get(), &move);
      if (!move.isAccepted()) {
        return false;
      }
      EXPECT_EQ(move.dropAction(), Qt::CopyAction);
      QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
      QApplication::sendEvent(form.get(), &drop);
      QApplication::processEvents();
      return drop.isAccepted();
    };
    std::array<preset::tMrv, TForm1::kChannelCount> before = form->Channels().Images();
    std::array<bool, TForm1::kChannelCount> marked{};
    for (int channelIndex = 0; channelIndex < TForm1::kChannelCount; ++channelIndex) {
      marked.at(static_cast<std::size_t>(channelIndex)) = form->Channels().Marked(channelIndex);
    }
    QRadioButton* target = form->channel->Button(row.channelIndex);
    const int shownChannel = form->channel->ItemIndex();
    EXPECT_FALSE(drag(form->PageControl1->mapTo(form.get(), QPoint(20, 20))));
    EXPECT_TRUE(drag(target->mapTo(form.get(), target->rect().center())));
    const std::string shown =
        (QLatin1String(row.preset) + QString(16, u' ')).left(16).toStdString();
    for (std::size_t channelIndex = 0; channelIndex < before.size(); ++channelIndex) {
      const bool isTarget = static_cast<int>(channelIndex) == row.channelIndex;
      EXPECT_EQ(form->Channels().Image(channelIndex).ReadName(),
                isTarget ? shown : before[channelIndex].ReadName());
      EXPECT_EQ(form->Channels().Marked(static_cast<int>(channelIndex)),
                isTarget || marked.at(channelIndex));
    }
    EXPECT_EQ(target->text(), QString::number(row.channelIndex + 1) + "*");
    EXPECT_EQ(form->channel->ItemIndex(), shownChannel);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_TRUE(Messages().empty());
    form->Channels().Undo();
    EXPECT_TRUE(Payload(form->Channels().Image(static_cast<std::size_t>(row.channelIndex))) ==
                Payload(before.at(static_cast<std::size_t>(row.channelIndex))));
  }
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// The module's edit buffer is followed by a model of the module fed every message the
// simulator was sent.
TEST_F(LibraryTest, AuditionPlaysThePresetAndLeavingItLeavesTheModuleAsItWas) {
  sim::SimulatedModule module;
  const auto feed = [&module](const std::vector<Bytes>& messages) {
    for (const Bytes& message : messages) {
      module.Receive(message);
    }
  };
  form->SendCurrentChannel1->trigger();
  feed(Messages());
  const Bytes channelPayload = Payload(form->Channels().Image(0));
  ASSERT_EQ(Payload(module.Preset(-1)), channelPayload);
  form->engine.SetVelocity(88);
  const std::array<preset::tMrv, TForm1::kChannelCount> before = form->Channels().Images();
  const preset::tMrv auditioned = Named("Bas:Deep 5");

  const struct {
    const char* how;
    bool noteEnded;
    std::function<void(TLibraryWindow&)> leave;
  } cases[] = {
      {"Esc", false, [](TLibraryWindow& w) { QTest::keyClick(w.List(), Qt::Key_Escape); }},
      {"closing the window", false, [](TLibraryWindow& w) { w.close(); }},
      {"the main window taking the keyboard", false,
       [this](TLibraryWindow&) {
         form->activateWindow();
         ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
       }},
      {"Esc after the note ended", true,
       [](TLibraryWindow& w) { QTest::keyClick(w.List(), Qt::Key_Escape); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    form->activateWindow();
    TLibraryWindow& window = OpenLibrary();
    waits.clear();
    Choose(window, QStringLiteral("Bas:Deep 5"));
    QTest::keyClick(window.List(), Qt::Key_Space);
    std::vector<Bytes> log;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          for (Bytes& message : Messages()) {
            log.push_back(std::move(message));
          }
          return log.size() >= 2;
        },
        kWaitMs));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(log[0] == EditBufferDump(auditioned));
    EXPECT_EQ(log[1], (Bytes{0x90, 60, 88}));
    feed(log);
    EXPECT_TRUE(Payload(module.Preset(-1)) == Payload(auditioned));
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_EQ(waits[0].ms, 1500);
    if (c.noteEnded) {
      waits[0].then();
      EXPECT_EQ(Messages(), std::vector<Bytes>({{0x80, 60, 0}}));
    }

    c.leave(window);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->Library().Audition().Running(); }, kWaitMs));
    log = Messages();
    std::vector<Bytes> expected{{0x80, 60, 0}, EditBufferDump(before[0])};
    if (c.noteEnded) {
      expected.erase(expected.begin());
    }
    EXPECT_TRUE(log == expected) << log.size();
    feed(log);
    EXPECT_TRUE(Payload(module.Preset(-1)) == channelPayload);
    EXPECT_FALSE(form->Library().Audition().Running());
    // Nothing more once the audition is over.
    waits[0].then();
    form->activateWindow();
    EXPECT_TRUE(Messages().empty());
  }
  for (std::size_t channelIndex = 0; channelIndex < before.size(); ++channelIndex) {
    // Not even the preset number or the checksums that a send writes into the image.
    EXPECT_TRUE(Payload(form->Channels().Image(channelIndex)) == Payload(before[channelIndex]));
    EXPECT_TRUE(Payload(form->Channels().Image(channelIndex).RawDump()) ==
                Payload(before[channelIndex].RawDump()));
    EXPECT_FALSE(form->Channels().Marked(static_cast<int>(channelIndex)));
  }
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// A transfer that starts ends the audition first: the channel's preset is back in the edit
// buffer before the transfer's first string, and no note still sounds.
TEST_F(LibraryTest, AnAuditionEndsBeforeATransferStarts) {
  TLibraryWindow& window = OpenLibrary();
  Choose(window, QStringLiteral("Bas:Deep 5"));
  QTest::keyClick(window.List(), Qt::Key_Space);
  ASSERT_TRUE(QTest::qWaitFor([this] { return driver->TakeMessages().size() >= 2; }, kWaitMs));
  ASSERT_TRUE(form->Library().Audition().Running());
  preset::tMrv first = form->Channels().Image(0);
  form->SendAllPresets1->trigger();
  EXPECT_FALSE(form->Library().Audition().Running());
  first.SetPresetNumber(0);
  const std::vector<Bytes> expected{
      {0x80, 60, 0}, EditBufferDump(form->Channels().Image(0)), first.BuildDump()};
  EXPECT_TRUE(Messages() == expected);
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(LibraryTest, RequestAllKeepsADatedBackupUnlessTurnedOff) {
  form->Library().Clock = [] { return QDateTime(QDate(2026, 12, 8), QTime(10, 31, 59)); };
  std::vector<std::function<void()>> transferWaits;
  form->StartTransferWait = [&transferWaits](int, std::function<void()> then) {
    transferWaits.push_back(std::move(then));
  };
  const auto requestAll = [&](bool silent) {
    simulator->SetSilent(3, silent);
    form->RequestAllPresets1->trigger();
    if (silent) {
      ASSERT_TRUE(QTest::qWaitFor(
          [this] { return form->StatusBar1->currentMessage() == QStringLiteral("Preset 4 of 16"); },
          kWaitMs));
      transferWaits.back()();
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->RequestingAllPresets(); }, kWaitMs));
  };
  const QString first = PathOf("Module backup 2026-12-08 10-31.syx");
  const QString second = PathOf("Module backup 2026-12-08 10-31 (2).syx");
  for (const bool keep : {false, true}) {
    Store(TPresetLibrary::kBackupSetting, keep ? "1" : "0");
    requestAll(false);
    EXPECT_EQ(QFileInfo::exists(first), keep);
  }
  const Bytes kept = preset::ReadWholeFile(LocalFileName(first));
  EXPECT_TRUE(kept == preset::BuildBank(form->Channels().Images()));
  // The same minute again never overwrites; a request that missed a preset keeps nothing.
  RenameImage(*form, 0, "Changed");
  requestAll(false);
  EXPECT_TRUE(preset::ReadWholeFile(LocalFileName(first)) == kept);
  EXPECT_TRUE(QFileInfo::exists(second));
  requestAll(true);
  EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("Module backup*")}).size(), 2);
  EXPECT_TRUE(form->StatusBar1->currentMessage().startsWith("Received 15 of 16;"));
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(LibraryTest, AddToLibraryNeverOverwrites) {
  RenameImage(*form, 0, "Pad:Warm Pad");
  const QStringList names{"Warm Pad.syx", "Warm Pad (2).syx", "Warm Pad (3).syx"};
  for (const QString& name : names) {
    QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QFileInfo::exists(PathOf(name)))
        << name.toStdString() << errors.join('\n').toStdString();
  }
  // As Save writes it, with BF's preset number, and the channel's image left as it was.
  preset::tMrv expected = form->Channels().Image(0);
  expected.SetPresetNumber(-1);
  expected.SavePreset(LocalFileName(PathOf("expected.bin")));
  for (const QString& name : names) {
    EXPECT_TRUE(preset::ReadWholeFile(LocalFileName(PathOf(name))) ==
                preset::ReadWholeFile(LocalFileName(PathOf("expected.bin"))));
  }
  RenameImage(*form, 0, "Bas:a/b?");
  form->AddToLibrary1->trigger();
  EXPECT_TRUE(QFileInfo::exists(PathOf("a-b-.syx")));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Hidden | QDir::Files).filter(".part").size(), 0);
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

}  // namespace
}  // namespace morvane::editor::testing
