#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "command_line.h"
#include "file_dialog.h"
#include "preset/bank_file.h"
#include "preset/initial_preset.h"
#include "radio_group.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

// A preset file, and a file of the same kind that cannot be loaded, in a folder of the test's.
class PresetFileOpenTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(files.isValid());
    preset.LoadPresetFromBytes(preset::BuildInitialPreset());
    preset.WriteName("Tst:Dropped pad");
    preset.SavePreset(goodFile.toStdString());
    QFile shortFile(badFile);
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, '\x10'));
  }

  bool DragOver(const QList<QUrl>& urls, bool dropping,
                Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction,
                const std::function<void()>& betweenDropAndLoad = {}) {
    return testing::DragOver(*form, urls, dropping, actions, betweenDropAndLoad);
  }

  bool Holds(std::size_t channelIndex, const preset::tMrv& image) const {
    return std::ranges::equal(form->Channels().Image(channelIndex).View(), image.View());
  }

  QTemporaryDir files;
  const QString goodFile = files.filePath(QStringLiteral("pad.syx"));
  const QString badFile = files.filePath(QStringLiteral("short.SYX"));
  preset::tMrv preset;
};

TEST_F(PresetFileOpenTest, CommandLineFileOpensOnChannelOneWithoutOfferingToSend) {
  const std::array<preset::tMrv, TForm1::kChannelCount> before = form->Channels().Images();
  OpenCommandLineFile(*form, ParseCommandLine({QStringLiteral("morvane-editor"), goodFile}));
  EXPECT_TRUE(Holds(0, preset));
  EXPECT_TRUE(Holds(1, before[1]));
  EXPECT_EQ(form->windowTitle(), MarkedCaption(preset.ReadName()));
  EXPECT_TRUE(prompt.texts.empty());
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// Into the channel current when the file was let go, even when the user picks another one
// before the load runs; one step to undo, which shows that channel again.
TEST_F(PresetFileOpenTest, DroppedFileLoadsIntoTheCurrentChannelAsACopy) {
  QTest::mouseClick(form->channel->Button(2), Qt::LeftButton);
  ASSERT_EQ(form->channel->ItemIndex(), 2);
  const preset::tMrv first = form->Channels().Image(0);
  const preset::tMrv third = form->Channels().Image(2);
  const preset::tMrv fifth = form->Channels().Image(4);
  EXPECT_TRUE(DragOver({QUrl::fromLocalFile(goodFile)}, true, Qt::CopyAction | Qt::MoveAction,
                       [&] { QTest::mouseClick(form->channel->Button(4), Qt::LeftButton); }));
  EXPECT_TRUE(Holds(2, preset));
  EXPECT_TRUE(Holds(0, first));
  EXPECT_TRUE(Holds(4, fifth));
  EXPECT_TRUE(prompt.texts.empty());
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  EXPECT_EQ(form->Undo1->text(), "Undo Drop pad.syx");
  form->Undo1->trigger();
  EXPECT_EQ(form->channel->ItemIndex(), 2);
  EXPECT_TRUE(Holds(2, third));
  form->Redo1->trigger();
  EXPECT_EQ(form->windowTitle(), MarkedCaption(preset.ReadName()));
}

TEST_F(PresetFileOpenTest, FileThatCannotBeLoadedIsShownAndChangesNothing) {
  const QString missing = files.filePath(QStringLiteral("missing.syx"));
  const preset::Bytes good = preset::ReadWholeFile(goodFile.toStdString());
  const auto write = [this](const char* name, const preset::Bytes& bytes) {
    const QString path = files.filePath(QString::fromLatin1(name));
    preset::WriteFileReplacing(path.toStdString(), bytes);
    return path;
  };
  preset::Bytes damaged = good;
  damaged[36 + 255 + 7] = 0x90;
  // A status byte in packet 3's last data place, just before its F7.
  preset::Bytes lastPlace = good;
  lastPlace[36 + 3 * 255 - 2] = 0x90;
  preset::Bytes bank;
  for (int copy = 0; copy < TForm1::kChannelCount; ++copy) {
    bank.insert(bank.end(), good.begin(), good.end());
  }
  const QString text = write("notes.syx", preset::Bytes(5936, 'x'));
  const QString cut = write("cut.syx", preset::Bytes(good.begin(), good.end() - 2));
  const QString two = write("two.syx", preset::Bytes(bank.begin(), bank.begin() + 2 * 1605));
  const QString broken = write("broken.syx", damaged);
  const QString lastBroken = write("lastplace.syx", lastPlace);
  const QString bankFile = write("bank.syx", bank);
  const auto load = [this](const QString& path) {
    form->OpenDialog1->SetScriptedAnswer(
        [path](const TFileDialog&) { return std::optional<QString>(path); });
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  };
  const auto commandLine = [this](const QString& path) {
    OpenCommandLineFile(*form, ParseCommandLine({QStringLiteral("x"), path}));
  };
  const auto drop = [this](const QString& path) {
    EXPECT_TRUE(DragOver({QUrl::fromLocalFile(path)}, true));
  };
  const QString notAPreset = QStringLiteral(" is not a Morvane preset: ");
  const struct {
    const char* how;
    std::function<void()> open;
    QString error;
  } cases[] = {
      {"command line",
       [&] {
         OpenCommandLineFile(*form, ParseCommandLine({QStringLiteral("x"), missing}));
       },
       QStringLiteral("Cannot open file ") + missing + ": it does not exist"},
      {"drop", [&] { drop(badFile); },
       badFile + notAPreset + "it does not start with a SysEx header"},
      {"text on the command line", [&] { commandLine(text); },
       text + notAPreset + "it does not start with a SysEx header"},
      {"cut file by Load", [&] { load(cut); },
       cut + notAPreset + "it ends after 1603 of 1605 bytes"},
      {"two dumps dropped", [&] { drop(two); },
       two + notAPreset + "it holds 3210 bytes, a preset 1605"},
      {"damaged packet by Load", [&] { load(broken); },
       broken + notAPreset + "its packet 2 is damaged"},
      {"status byte before a packet's end, dropped", [&] { drop(lastBroken); },
       lastBroken + notAPreset + "its packet 3 is damaged"},
      // Offered as the bank it is; declined, it changes nothing either.
      {"bank dropped, not taken as a bank",
       [&] {
         prompt.answers = {false};
         drop(bankFile);
         EXPECT_EQ(prompt.texts.back(), (bankFile + " holds a bank of 16 presets, not one preset. "
                                                    "Load the bank into all 16 channels?")
                                            .toStdString());
       },
       {}},
  };
  for (const auto& c : cases) {
    errors.clear();
    const std::array<preset::tMrv, TForm1::kChannelCount> before = form->Channels().Images();
    const QString title = form->windowTitle();
    c.open();
    EXPECT_EQ(errors, c.error.isEmpty() ? QStringList() : QStringList{c.error}) << c.how;
    EXPECT_EQ(form->windowTitle(), title) << c.how;
    for (std::size_t channelIndex = 0; channelIndex < before.size(); ++channelIndex) {
      EXPECT_TRUE(Holds(channelIndex, before[channelIndex])) << c.how << channelIndex;
    }
  }
}

TEST_F(PresetFileOpenTest, ABankOnTheCommandLineLoadsIntoAllChannelsWhenTheUserSaysSo) {
  std::array<preset::tMrv, TForm1::kChannelCount> bank;
  for (std::size_t index = 0; index < bank.size(); ++index) {
    bank[index] = preset;
    bank[index].WriteName("Bnk:preset " + std::to_string(index + 1));
  }
  const QString bankFile = files.filePath(QStringLiteral("bank.syx"));
  preset::WriteFileReplacing(bankFile.toStdString(), preset::BuildBank(bank));
  OpenCommandLineFile(*form, ParseCommandLine({QStringLiteral("x"), bankFile}));
  for (std::size_t index = 0; index < bank.size(); ++index) {
    EXPECT_EQ(form->Channels().Image(index).ReadName(), bank[index].ReadName());
  }
  EXPECT_EQ(form->Undo1->text(), "Undo Load Bank");
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(PresetFileOpenTest, OnlyASingleLocalPresetFileThatMayBeCopiedIsTaken) {
  const QUrl good = QUrl::fromLocalFile(goodFile);
  EXPECT_FALSE(DragOver({good, QUrl::fromLocalFile(badFile)}, false));
  EXPECT_FALSE(DragOver({QUrl::fromLocalFile(files.filePath(QStringLiteral("notes.txt")))}, false));
  EXPECT_FALSE(DragOver({QUrl(QStringLiteral("https://example.org/pad.syx"))}, false));
  EXPECT_FALSE(DragOver({good}, false, Qt::MoveAction));
  EXPECT_TRUE(DragOver({good}, false));
}

}  // namespace
}  // namespace morvane::editor::testing
