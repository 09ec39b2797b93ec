#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <vector>

#include "dump_watch.h"
#include "startup_fixture.h"
#include "tmrvbox.h"

namespace morvane::editor::testing {
namespace {

constexpr int kWaitMs = 2000;

class DeviceRescanTest : public StartupTest {
 protected:
  void Rescan() {
    form->PageControl1->setCurrentWidget(form->Setupsheet);
    QTest::mouseClick(form->rescan, Qt::LeftButton);
  }
  std::string Message() const { return form->StatusBar1->currentMessage().toStdString(); }
  // The words shown when a requested dump never comes: a chosen device that the check finds
  // missing is named instead of the usual ones.
  std::string NoAnswerWords() {
    QTest::keyClick(form.get(), Qt::Key_F9, Qt::ControlModifier);
    form->findChild<TDumpWatch*>(QStringLiteral("dumpwatch"))->Fire();
    return Message();
  }
};

const std::string kNoAnswer =
    ("No answer from the module: check the MIDI input device on the Setup page and the cables");

TEST_F(DeviceRescanTest, ChosenDevicesThatGoAndComeBackAreFoundAgainByName) {
  Store("out", QStringLiteral("2"));
  Store("in", QStringLiteral("2"));
  Store("outname", QStringLiteral("Synth B"));
  Store("inname", QStringLiteral("Synth B"));
  Start();
  ASSERT_TRUE(driver->OutputOpen() && driver->InputStarted());
  EXPECT_EQ(form->rescan->statusTip(),
            "Look for MIDI devices again, keeping the chosen ones by name");

  driver->SetDeviceCounts(2, 2);
  Rescan();
  EXPECT_EQ(Message(),
            "The MIDI output device \"Synth B\" is not there: its port stays closed; "
            "The MIDI input device \"Synth B\" is not there: its port stays closed");
  EXPECT_EQ(form->midiout->count(), 2);
  EXPECT_EQ(form->midiin->count(), 2);
  EXPECT_FALSE(driver->OutputOpen());
  EXPECT_FALSE(driver->InputOpen());

  // What an edit sends meets the closed port: the status bar names the device.
  QTest::keyClick(form.get(), Qt::Key_F10, Qt::ControlModifier);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return Message() ==
               "The MIDI output device \"Synth B\" is not open: choose it again or press Rescan "
               "on the Setup page";
      },
      kWaitMs))
      << Message();

  driver->SetDeviceCounts(3, 3);
  Rescan();
  EXPECT_EQ(Message(), "Found 3 MIDI output and 3 MIDI input devices");
  EXPECT_EQ(form->midiout->currentIndex(), 2);
  EXPECT_EQ(form->midiin->currentIndex(), 2);
  EXPECT_TRUE(driver->OutputOpen());
  EXPECT_TRUE(driver->InputStarted());
  const std::size_t sent = driver->LongMessages().size();
  QTest::keyClick(form.get(), Qt::Key_F10, Qt::ControlModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return driver->LongMessages().size() == sent + 1; }, kWaitMs));
}

// A system whose server does not answer lists none of its devices and says so: once the window
// is up, with what start-up said, and on each Rescan until the server answers again.
TEST_F(DeviceRescanTest, DevicesKeptAwayBySilenceAreNamedWithTheReason) {
  const std::string kNotAnswering = "The JACK server does not answer";
  Store("out", QStringLiteral("2"));
  Store("in", QStringLiteral("2"));
  Store("outname", QStringLiteral("Synth B"));
  Store("inname", QStringLiteral("Synth B"));
  prepareDriver = [&](midi::ScriptedDriver& devices) {
    devices.SetDeviceCounts(2, 2);
    devices.SetDeviceTrouble(kNotAnswering);
  };
  Start();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Message().rfind(kNotAnswering, 0) == 0; }, kWaitMs))
      << Message();

  Rescan();
  EXPECT_EQ(Message(), kNotAnswering +
                           "; The MIDI output device \"Synth B\" is not there: its port stays "
                           "closed; The MIDI input device \"Synth B\" is not there: its port stays "
                           "closed");

  driver->SetDeviceTrouble({});
  driver->SetDeviceCounts(3, 3);
  Rescan();
  EXPECT_EQ(Message(), "Found 3 MIDI output and 3 MIDI input devices");
  EXPECT_TRUE(driver->OutputOpen());
  EXPECT_TRUE(driver->InputStarted());
}

// A device is neither chosen nor looked for again while a requested dump may still come: the
// list goes back to the open device. Once the window gave up waiting, both work.
TEST_F(DeviceRescanTest, DevicesStayWhileARequestedDumpIsAwaited) {
  Start();
  std::vector<std::function<void()>> waits;
  form->StartTransferWait = [&waits](int, std::function<void()> then) {
    waits.push_back(std::move(then));
  };
  const QString running =
      "The requested preset is still coming from the module: wait until it is in";
  QTest::keyClick(form.get(), Qt::Key_F9, Qt::ControlModifier);
  ASSERT_EQ(waits.size(), 1u);
  form->PageControl1->setCurrentWidget(form->Setupsheet);
  QTest::keyClick(form->midiout, Qt::Key_Down);
  QTest::keyClick(form->midiin, Qt::Key_Down);
  Rescan();
  EXPECT_EQ(errors, QStringList(3, running));
  EXPECT_EQ(form->midiout->currentIndex(), 0);
  EXPECT_EQ(form->midiin->currentIndex(), 0);
  EXPECT_EQ(form->MidiOutput1.DeviceID(), 0);
  EXPECT_TRUE(driver->InputStarted());

  waits.back()();
  EXPECT_EQ(Message(),
            "No answer from the module: check the MIDI input device on the Setup page "
            "and the cables");
  errors.clear();
  QTest::keyClick(form->midiout, Qt::Key_Down);
  EXPECT_EQ(form->MidiOutput1.DeviceID(), 1);
  Rescan();
  EXPECT_EQ(Message(), "Found 3 MIDI output and 3 MIDI input devices");
  EXPECT_TRUE(errors.isEmpty());
}

// The check that a chosen device is still there looks through the devices of its own direction,
// however many the other direction has.
TEST_F(DeviceRescanTest, TheLastDeviceOfTheLongerListIsFoundWhateverTheOtherListHolds) {
  struct Case {
    Names outputs;
    Names inputs;
  };
  const Names one{"Morvane Simulator"};
  const Names three{"Morvane Simulator", "Synth A", "Synth B"};
  for (const Case& test : {Case{one, three}, Case{three, one}}) {
    const bool outputs = test.outputs.size() == three.size();
    SCOPED_TRACE(outputs ? "3 outputs, 1 input" : "1 output, 3 inputs");
    // The window stores its choices as it closes: closed first, so the stored ones count.
    ShutDown();
    Store(outputs ? "out" : "in", QStringLiteral("2"));
    Store(outputs ? "outname" : "inname", QStringLiteral("Synth B"));
    Store(outputs ? "in" : "out", QStringLiteral("0"));
    Store(outputs ? "inname" : "outname", QStringLiteral("Morvane Simulator"));
    Start(test.outputs, test.inputs);
    Rescan();
    EXPECT_EQ(Message(), outputs ? "Found 3 MIDI output and 1 MIDI input devices"
                                 : "Found 1 MIDI output and 3 MIDI input devices");
    EXPECT_EQ((outputs ? form->midiout : form->midiin)->currentIndex(), 2);
    EXPECT_EQ(NoAnswerWords(), kNoAnswer);
  }
}

TEST_F(DeviceRescanTest, ADeviceThatGoesAwayIsShownAndRescanReopensItOnceItIsBack) {
  Store("out", QStringLiteral("2"));
  Store("in", QStringLiteral("2"));
  Store("outname", QStringLiteral("Synth B"));
  Store("inname", QStringLiteral("Synth B"));
  Start();
  driver->SetDeviceCounts(2, 2);
  driver->LoseDevices(midi::kNoDriver);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !driver->InputOpen(); }, kWaitMs));
  EXPECT_FALSE(driver->OutputOpen());
  EXPECT_EQ(Message(),
            "The MIDI input device \"Synth B\" went away (There is no driver installed on your "
            "system.): its port is closed; press Rescan on the Setup page once it is back");
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

  // A note meets the closed port: the box names the device, the driver's words below.
  QTest::keyClick(form.get(), Qt::Key_Z);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors.front(),
            "The MIDI output device \"Synth B\" is not open: choose it again or press Rescan on "
            "the Setup page\nThe specified device handle is invalid.");

  driver->SetDeviceCounts(3, 3);
  Rescan();
  EXPECT_EQ(Message(), "Found 3 MIDI output and 3 MIDI input devices");
  EXPECT_TRUE(driver->OutputOpen());
  EXPECT_TRUE(driver->InputStarted());
}

// Choosing a device names it in the error, with the Setup page and Rescan, and keeps the
// driver's words on the last line.
TEST_F(DeviceRescanTest, AChoiceThatCannotBeOpenedIsReportedInPlainWords) {
  Start();
  form->PageControl1->setCurrentWidget(form->Setupsheet);
  driver->Fail(midi::ScriptedDriver::Call::InOpen, midi::kAllocated);
  ASSERT_EQ(form->midiin->currentIndex(), 0);
  form->midiin->setFocus();
  QTest::keyClick(form->midiin, Qt::Key_Down);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors.front(),
            "The MIDI input device \"Synth A\" is not open: choose it again or press Rescan on "
            "the Setup page\nThe specified device is already in use.");
  EXPECT_EQ(Stored("inname"), "Synth A") << "the choice is kept for a later try";
}

}  // namespace
}  // namespace morvane::editor::testing
