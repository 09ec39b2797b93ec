#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <algorithm>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "file_dialog.h"
#include "find_child.h"
#include "parammap/generic_list.h"
#include "preset/initial_preset.h"
#include "radio_group.h"
#include "startup_fixture.h"
#include "tdragger.h"
#include "tmrvbox.h"

namespace morvane::editor::testing {
namespace {

using controls::Tdragger;
using midi::mosOpen;

const QString kSimulatorText =
    QStringLiteral("Using the built-in Morvane Simulator: choose your module on the Setup page");

bool ToolTipOpens(QWidget* widget) {
  QToolTip::hideText();
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), widget->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(widget, &help);
  QApplication::processEvents();
  return QToolTip::isVisible();
}

// Chooses item index of a device list as the user does, with the arrow keys.
void ChooseWithKeys(controls::Tmrvbox* list, int index) {
  while (list->currentIndex() < index) {
    QTest::keyClick(list, Qt::Key_Down);
  }
}

TEST_F(StartupTest, FirstRunChoosesTheSimulatorAndShutDownStoresEveryValue) {
  Start({"Synth A", "Morvane Simulator"}, {"Morvane Simulator", "Synth A"});
  EXPECT_EQ(form->midiout->currentIndex(), 1);
  EXPECT_EQ(form->MidiOutput1.State(), mosOpen);
  EXPECT_EQ(form->MidiOutput1.DeviceID(), 1);
  EXPECT_EQ(form->midiin->currentIndex(), 0);
  EXPECT_TRUE(driver->InputStarted());
  EXPECT_EQ(form->StatusBar1->currentMessage(), kSimulatorText);
  EXPECT_TRUE(form->showhint->isChecked());
  EXPECT_EQ(form->OpenDialog1->FileName(), QString());
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

  form->OpenDialog1->setFileName(QStringLiteral("/presets/pad.syx"));
  EXPECT_EQ(Stored("open"), "/presets/pad.syx");
  ShutDown();
  const std::pair<const char*, const char*> stored[] = {
      {"out", "1"},
      {"outname", "Morvane Simulator"},
      {"in", "0"},
      {"inname", "Morvane Simulator"},
      {"open", "/presets/pad.syx"},
      {"save", ""},
      {"hint", "1"},
  };
  for (const auto& [name, text] : stored) {
    EXPECT_EQ(Stored(name), QString::fromUtf8(text)) << name;
  }
}

TEST_F(StartupTest, DevicesComeBackByIndexAndAreFoundAgainByNameWhenTheyMoved) {
  Start();
  form->PageControl1->setCurrentWidget(form->Setupsheet);
  ChooseWithKeys(form->midiout, 2);
  ChooseWithKeys(form->midiin, 1);
  EXPECT_EQ(form->MidiOutput1.DeviceID(), 2);
  EXPECT_EQ(form->MidiInput1.DeviceID(), 1);
  EXPECT_TRUE(driver->InputStarted());
  // Written at once: a crash now would not lose the choice.
  EXPECT_EQ(Stored("out"), "2");
  EXPECT_EQ(Stored("inname"), "Synth A");

  Start();
  EXPECT_EQ(form->midiout->currentIndex(), 2);
  EXPECT_EQ(form->MidiOutput1.DeviceID(), 2);
  EXPECT_EQ(form->MidiOutput1.State(), mosOpen);
  EXPECT_EQ(form->midiin->currentIndex(), 1);
  EXPECT_TRUE(driver->InputStarted());
  EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());

  Start({"Morvane Simulator", "Synth B", "Synth A"}, {"Morvane Simulator", "Synth B", "Synth A"});
  EXPECT_EQ(form->midiout->currentIndex(), 1);
  EXPECT_EQ(form->MidiOutput1.DeviceID(), 1);
  EXPECT_EQ(form->midiin->currentIndex(), 2);
  EXPECT_EQ(form->MidiInput1.DeviceID(), 2);
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(StartupTest, NoStoredChoiceOrAnUnreadableOneRestoresNothing) {
  for (const char* out : {"-1", "two", ""}) {
    SCOPED_TRACE(out);
    Store("out", QString::fromLatin1(out));
    Store("in", QStringLiteral("-1"));
    Start();
    EXPECT_EQ(form->midiout->currentIndex(), -1);
    EXPECT_EQ(form->midiin->currentIndex(), -1);
    EXPECT_FALSE(driver->InputStarted());
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
    ShutDown();
    EXPECT_EQ(Stored("out"), "-1");
    EXPECT_EQ(Stored("outname"), "");
  }
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StartupTest, AVanishedInputDeviceIsReportedAndStartUpGoesOn) {
  Store("in", QStringLiteral("5"));
  Store("inname", QStringLiteral("Gone"));
  Start();
  EXPECT_EQ(errors,
            QStringList{"The MIDI input device \"Gone\" is not there: choose another on the "
                        "Setup page, or press Rescan there once it is back\nInvalid "
                        "device ID"});
  EXPECT_EQ(form->midiin->currentIndex(), -1);
  EXPECT_FALSE(driver->InputOpen());
  EXPECT_GT(form->instr->count(), 1);
  EXPECT_EQ(form->params->currentIndex(), parammap::kGenericStartItem);
}

TEST_F(StartupTest, HintsOffSurviveARestartAndTheStatusBarStillFollowsTheHint) {
  Start();
  EXPECT_TRUE(ToolTipOpens(form->mute));
  form->PageControl1->setCurrentWidget(form->Setupsheet);
  QTest::mouseClick(form->showhint, Qt::LeftButton, {}, QPoint(4, form->showhint->height() / 2));
  EXPECT_FALSE(form->showhint->isChecked());
  EXPECT_EQ(Stored("hint"), "0");

  Start();
  EXPECT_FALSE(form->showhint->isChecked());
  EXPECT_FALSE(ToolTipOpens(form->mute));
  QTest::mouseMove(form->mute, QPoint(5, 5));
  QTRY_COMPARE(form->StatusBar1->currentMessage(), form->mute->statusTip());
}

// The keyboard player's velocity and its randomness and the option to send while dragging come
// back at the next start; a stored velocity outside its range leaves the layout's.
TEST_F(StartupTest, EditingChoicesSurviveARestart) {
  Start();
  EXPECT_FALSE(form->senddragging->isChecked());
  form->PageControl1->setCurrentWidget(form->Setupsheet);
  const auto control = [&](const char* name) {
    return FindChildByName<Tdragger>(*form, QString::fromLatin1(name));
  };
  Wheel(control("vel"), -120);
  control("velrnd")->setFocus();
  QTest::keyClick(control("velrnd"), Qt::Key_PageUp);
  QTest::mouseClick(form->senddragging, Qt::LeftButton, {},
                    QPoint(4, form->senddragging->height() / 2));
  EXPECT_EQ(Stored("vel"), "96");
  EXPECT_EQ(Stored("velrnd"), "20");
  EXPECT_EQ(Stored("senddragging"), "1");

  Start();
  EXPECT_EQ(control("vel")->Position(), 96);
  EXPECT_EQ(form->engine.Velocity(), 96);
  EXPECT_EQ(control("velrnd")->Position(), 20);
  EXPECT_EQ(form->engine.VelRnd(), 20);
  EXPECT_TRUE(form->senddragging->isChecked());
  EXPECT_TRUE(control("dragger1")->SendWhileDragging());
  EXPECT_FALSE(control("vel")->SendWhileDragging()) << "the player's settings are not sent";

  Store("vel", QStringLiteral("200"));
  Start();
  EXPECT_EQ(control("vel")->Position(), 97);
  EXPECT_EQ(form->engine.Velocity(), 97);
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StartupTest, DataFilesFillTheListsAndTheImages) {
  WriteDataFile("instr.txt", "none\r\nPiano\nStrings\n");
  QFile parms(DataFile("parms.txt"));
  ASSERT_TRUE(parms.open(QIODevice::ReadOnly));
  QByteArray text = parms.readAll();
  parms.close();
  ASSERT_TRUE(text.contains("\n7=Layer kHi\n"));
  text.replace("\n7=Layer kHi\n", "\n");
  WriteDataFile("parms.txt", text);
  preset::tMrv named;
  named.LoadPresetFromBytes(preset::BuildInitialPreset());
  named.WriteName("Tst:From the file");
  named.SavePreset(DataFile("init.syx").toStdString());

  Start();
  ASSERT_EQ(form->instr->count(), 3);
  EXPECT_EQ(form->instr->itemText(0), "  none");
  EXPECT_EQ(form->instr->itemText(2), "  Strings");
  ASSERT_EQ(form->params->count(), parammap::kGenericListSize);
  EXPECT_EQ(form->params->itemText(7), "");
  EXPECT_EQ(form->params->itemText(8), "Layer kHiF");
  EXPECT_EQ(form->params->currentIndex(), parammap::kGenericStartItem);

  const preset::tMrv firstImage = form->Channels().Image(0);
  const preset::Bytes first(firstImage.View().begin(), firstImage.View().end());
  for (preset::tMrv& image : form->Channels().Images()) {
    EXPECT_EQ(image.ReadName(), named.ReadName());
  }
  ChangeImage(*form, 0,
              [&](preset::tMrv& image) { image.WriteParam(preset::GroupOf(0x0B), 2, 0, -6); });
  for (std::size_t channelIndex = 1; channelIndex < form->Channels().Images().size();
       ++channelIndex) {
    EXPECT_TRUE(std::ranges::equal(form->Channels().Image(channelIndex).View(), first))
        << channelIndex;
  }
  EXPECT_FALSE(std::ranges::equal(form->Channels().Image(0).View(), first));

  const auto items = [this](int number) {
    return FindChildByName<Tdragger>(*form, QStringLiteral("dragger%1").arg(number))->Items();
  };
  EXPECT_EQ(items(72 + 3 * 23).size(), 69);
  EXPECT_EQ(items(72 + 3 * 23), items(72));
  EXPECT_EQ(items(73 + 3 * 23), items(73));
  EXPECT_EQ(FindChildByName<Tdragger>(*form, QStringLiteral("dragger75"))->Caption(), "0");
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(StartupTest, MissingDataFilesAreNamedAndTheWindowStillWorks) {
  ASSERT_TRUE(QFile::remove(DataFile("init.syx")));
  ASSERT_TRUE(QFile::remove(DataFile("instr.txt")));
  Start();
  EXPECT_EQ(errors,
            (QStringList{"Cannot open file " + DataFile("instr.txt") + ": it does not exist",
                         "Cannot open file " + DataFile("init.syx") + ": it does not exist"}));
  EXPECT_EQ(form->instr->count(), 0);
  preset::tMrv initial;
  initial.LoadPresetFromBytes(preset::BuildInitialPreset());
  EXPECT_TRUE(std::ranges::equal(form->Channels().Image(15).View(), initial.View()));
  EXPECT_EQ(form->params->count(), parammap::kGenericListSize);
  EXPECT_TRUE(driver->InputStarted());
  QTest::keyClick(form.get(), Qt::Key_Z);
  EXPECT_EQ(driver->ShortMessages().size(), 2u);
}

#ifndef _WIN32
// Start-up reads its data files only once it has seen what they are: a pipe in init.syx's place
// never holds it up, and an instrument list is taken up to its limit and no further.
TEST_F(StartupTest, DataFilesThatAreNoFileOrTooLargeAreNamedAtOnce) {
  constexpr qsizetype kInstrumentListLimit = 1 << 20;
  const struct {
    const char* what;
    qsizetype instrumentBytes;
    QStringList errors;
  } rows[] = {
      {"an instrument list at its limit",
       kInstrumentListLimit,
       {"Cannot open file " + DataFile("init.syx") + ": it is a pipe, not a file"}},
      {"one byte more",
       kInstrumentListLimit + 1,
       {"Cannot open file " + DataFile("instr.txt") +
            ": it holds 1048577 bytes, more than the 1048576 bytes of an instrument list",
        "Cannot open file " + DataFile("init.syx") + ": it is a pipe, not a file"}},
  };
  ASSERT_TRUE(QFile::remove(DataFile("init.syx")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(DataFile("init.syx")).constData(), 0600), 0);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QByteArray instruments(row.instrumentBytes, 'i');
    instruments[0] = '\n';
    WriteDataFile("instr.txt", instruments);
    errors.clear();
    Start();
    EXPECT_EQ(errors, row.errors);
    EXPECT_EQ(form->instr->count(), row.errors.size() == 1 ? 2 : 0);
    ShutDown();
  }
}
#endif

TEST_F(StartupTest, AShutDownErrorIsShownAndTheOtherValuesAreStillStored) {
  Start();
  form->showhint->click();
  driver->Fail(midi::ScriptedDriver::Call::InStop, midi::kGeneralError);
  ShutDown();
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(Stored("out"), "0");
  EXPECT_EQ(Stored("hint"), "0");
}

TEST_F(StartupTest, DebugSavesTheChannelsImageOnTheDesktopNamedByTheTimeOfDay) {
  QTemporaryDir home;
  ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Desktop")));
  const QByteArray oldHome = qgetenv("HOME");
  const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", home.path().toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
  Start();
  RenameImage(*form, 3, "Dbg:Channel four");
  form->channel->setItemIndex(3);
  form->Debug1->trigger();
  qputenv("HOME", oldHome);
  qputenv("XDG_CONFIG_HOME", oldConfig);

  const QDir desktop(home.filePath(QStringLiteral("Desktop")));
  const QStringList saved = desktop.entryList(QDir::Files);
  ASSERT_EQ(saved.size(), 1);
  const QRegularExpression name(QStringLiteral("^debug[0-9.,e+-]{1,22}\\.syx$"));
  EXPECT_TRUE(name.match(saved.front()).hasMatch()) << saved.front().toStdString();
  preset::tMrv image;
  image.LoadPreset(desktop.filePath(saved.front()).toStdString());
  EXPECT_EQ(image.ReadName(), form->Channels().Image(3).ReadName());
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

}  // namespace
}  // namespace morvane::editor::testing
